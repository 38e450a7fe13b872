#include "instrument_language.h"

#include <algorithm>
#include <cstdint>

#include "util/helpers.h"

namespace {

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<Text> SplitLanguageAnswer(const Text& answer) {
  std::vector<Text> items;
  const qsizetype n = answer.size();
  qsizetype p = 0;
  while (p < n && IsSeparator(answer[p])) ++p;
  while (p < n) {
    Text item;
    if (answer[p] == '"') {
      ++p;
      while (p < n) {
        if (answer[p] == '"') {
          if (p + 1 < n && answer[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;  // the closing quote
          break;
        }
        item += answer[p++];
      }
    } else {
      const qsizetype start = p;
      while (p < n && !IsSeparator(answer[p]) && answer[p] != ',') ++p;
      item = answer.mid(start, p - start);
    }
    items.push_back(item);
    while (p < n && IsSeparator(answer[p])) ++p;
    if (p < n && answer[p] == ',') {
      if (p + 1 == n) items.push_back(Text());
      ++p;
      while (p < n && IsSeparator(answer[p])) ++p;
    }
  }
  return items;
}

Text LanguageTable::CurrentName() const {
  if (Current < 0 || Current >= static_cast<int32_t>(Names.size())) return Text();
  return Names[static_cast<size_t>(Current)];
}

LanguageTable LanguageTableFromAnswer(const Text& answer) {
  LanguageTable table;
  table.Names = SplitLanguageAnswer(answer);
  const auto n = static_cast<int32_t>(std::min<size_t>(table.Names.size(), INT32_MAX));
  if (n >= 2) table.Current = LimitInt(ParseInt(table.Names.back()), -1, n - 2);
  if (n > 0) table.Names.pop_back();
  return table;
}

Text SetLanguageCommand(int32_t position) {
  return Text(kSetLanguageCommand) + Text::number(position);
}

std::optional<Text> SetLanguageCommandFor(const std::vector<Text>& items, int32_t focused) {
  if (focused < 0 || static_cast<size_t>(focused) >= items.size()) return std::nullopt;
  if (UpperUmlaut(items[static_cast<size_t>(focused)]) == "ERROR") return std::nullopt;
  return SetLanguageCommand(focused);
}
