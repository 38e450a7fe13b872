// The "R140" answer: the instrument's table of display languages.
#include "editors/instrument_language.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text answer = FuzzText(data, size);
  const std::vector<Text> items = SplitLanguageAnswer(answer);
  FUZZ_CHECK(items.size() <= static_cast<size_t>(answer.size()) + 1);
  const LanguageTable table = LanguageTableFromAnswer(answer);
  FUZZ_CHECK(table.Names.size() == (items.empty() ? 0 : items.size() - 1));
  FUZZ_CHECK(table.Current >= -1 && table.Current < static_cast<int32_t>(table.Names.size()));
  FUZZ_CHECK(table.CurrentName().isEmpty() == (table.Current < 0 || table.Names[static_cast<size_t>(table.Current)].isEmpty()));
  // The list the window fills from the table, and the commands it can send.
  for (int32_t focused = -1; focused <= static_cast<int32_t>(table.Names.size()); ++focused) {
    const std::optional<Text> command = SetLanguageCommandFor(table.Names, focused);
    if (command) FUZZ_CHECK(*command == SetLanguageCommand(focused));
  }
  return 0;
}
