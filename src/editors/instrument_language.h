#pragma once
// The instrument's display language: the language table the instrument sends
// for "R140" and the command that selects another language.
#include <cstdint>
#include <optional>
#include <vector>

#include "util/text.h"

inline constexpr char kReadLanguageCommand[] = "R140";
inline constexpr char kSetLanguageCommand[] = "W140";
// The single list item after a failed read; it can never be sent.
inline constexpr char kLanguageErrorItem[] = "Error";

// Splits a comma-separated answer into its items. Blanks and control
// characters (codes 0 to 32) separate items as well as commas; an item in
// double quotes may hold commas and blanks, "" inside stands for one quote,
// and a missing closing quote runs to the end of the line. A comma at the
// very end of the line adds an empty item.
std::vector<Text> SplitLanguageAnswer(const Text& answer);

struct LanguageTable {
  std::vector<Text> Names;  // in the instrument's order
  int32_t Current = -1;     // 0-based index into Names, -1 for none

  // The name of the language in use, empty when there is none.
  Text CurrentName() const;
};

// The answer's last item is the number of the language in use; it is limited
// to -1 .. (number of names - 1). A number that is not a number reads as 0.
LanguageTable LanguageTableFromAnswer(const Text& answer);

// "W140" + position in decimal.
Text SetLanguageCommand(int32_t position);

// The command for the list item with the focus, or nothing when no item has
// the focus (focused outside the list) or the item is the error item.
std::optional<Text> SetLanguageCommandFor(const std::vector<Text>& items, int32_t focused);
