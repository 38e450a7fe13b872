#pragma once
// The device type list file ("Typlist.txt"): one type per line, the line's
// position is the type number (line 1 = type 1; type 0 is the connected
// instrument and has no line). A stored line (`TypeLine`) is 280 characters:
// the name padded to 30, then the 250-character `OptionString`.
#include <cstdint>

#include <QList>
#include <QString>

#include "option_catalogue.h"
#include "util/text.h"

inline constexpr int32_t kTypeNameLength = 30;
inline constexpr int32_t kOptionStringLength = 250;
inline constexpr int32_t kTypeLineLength = kTypeNameLength + kOptionStringLength;
// Another list loaded by the user is padded to this many lines, so that every
// entry of the type box still finds a line.
inline constexpr int32_t kPaddedTypeLines = 48;
// A type list is a few KB; anything far bigger is not one.
inline constexpr qint64 kMaxTypeListFileSize = 4 * 1024 * 1024;

// Positions in the option string, counted from 1: display column 1..3,
// row 1..8, and printout row 1..24. Each holds two decimal digits.
constexpr int32_t DisplayCodePosition(int32_t column, int32_t row) { return 20 * column + 2 * row + 29; }
constexpr int32_t PrintCodePosition(int32_t row) { return 2 * row + 129; }

// What an option string holds: the ticks and the list codes.
struct OptionContent {
  OptionBits Bits{};
  DisplayCodes Display{};  // [column 0..2][row 0..7]
  PrintCodes Print{};
};

// A blank or "0" is a clear bit, any other character a set one; codes are
// read leniently (ParseInt), so garbage reads as some number, never fails.
OptionContent ReadOptionString(const Text& optionString);
// 250 characters: "1"/"0" per bit, codes as two digits; a code that does not
// fit two digits (outside 0..99) is written as an empty row "00".
Text MakeOptionString(const OptionContent& content);

// A CR, an LF or a CR LF ends a line; a last line without an end counts.
QList<Text> SplitTypeLines(const Text& content);
// Every line followed by CR LF.
Text JoinTypeLines(const QList<Text>& lines);

class TTypeList {
 public:
  enum class LoadStatus { Loaded, Missing, Failed };

  // The list as the options editor loads it when created: a missing file is
  // no error (empty list); an unreadable one empties the list and says why.
  LoadStatus Load(const QString& path, QString* error = nullptr);
  // "Aus Datei laden": replaces the lines and pads to 48. On failure the
  // list stays as it was and *error holds the system's description. The
  // caller switches UserFileDir/UserFileName (SetUserFile) only on success.
  bool LoadOther(const QString& path, QString* error = nullptr);
  // Writes all lines with CR LF, replacing the file atomically.
  bool Save(const QString& path, QString* error = nullptr) const;

  void Clear() { lines_.clear(); }
  int32_t Count() const { return static_cast<int32_t>(lines_.size()); }
  const QList<Text>& Lines() const { return lines_; }
  void SetLines(const QList<Text>& lines) { lines_ = lines; }

  // Line of type t (1..Count); empty for anything else.
  Text Line(int32_t type) const;
  // The first 30 characters of the line.
  Text TypeName(int32_t type) const;
  // True when the name part holds something other than blanks and control
  // characters (the type box lists only these lines).
  bool HasName(int32_t type) const;
  // Positions 31 to the end (at most 255), padded or cut to 250; 250 blanks
  // for type 0 and for a type without a line.
  Text OptionStringOf(int32_t type) const;

  // Replaces line t by its name (padded to 30) and a fresh option string.
  // Type 0 or a type without a line: nothing changes, false, and *message is
  // the information text "Typliste!!" CR + the list error to show.
  bool StoreEntry(int32_t type, const OptionContent& content, Text* message = nullptr);

  // The type number a new entry gets, and the name offered for it ("05 Test").
  int32_t NextTypeNumber() const;
  Text DefaultNewName() const;
  // Drops the empty lines at the end (the padding of a loaded list), then
  // appends the name as a line of its own; returns its type number. CR and LF
  // in the name become blanks so the line stays one line in the file.
  int32_t AddEntry(const Text& name);
  // Removes line t; later types move up by one. The caller saves at once.
  // Type 0 or a type without a line: nothing changes, false, *message says why.
  bool DeleteEntry(int32_t type, Text* message = nullptr);

 private:
  bool HasLine(int32_t type) const { return type >= 1 && type <= Count(); }
  QList<Text> lines_;
};
