// The EEPROM dump file (".dat") and the editor's text of it.
#include <vector>

#include "editors/eeprom_dump.h"
#include "fuzz_support.h"

namespace {

void CheckDump(const std::vector<Text>& lines) {
  DumpError error;
  const std::optional<QByteArray> parsed = ParseDump(lines, &error);
  if (!parsed) {
    const Text message = DumpErrorMessage("Fehler in Daten Syntax", error);
    FUZZ_CHECK(message.startsWith("Fehler in Daten Syntax"));
    FUZZ_CHECK(error.line >= -1 && error.line < kDumpLineCount);
    FUZZ_CHECK(error.address == -1 || (error.address >= 0 && error.address < kEepromSize));
    return;
  }
  FUZZ_CHECK(parsed->size() == kEepromSize);
  // What the window shows of the bytes reads back as the same bytes.
  const std::vector<Text> shown = FormatDump(*parsed);
  FUZZ_CHECK(ParseDump(shown) == parsed);
  FUZZ_CHECK(ParseDump(DumpFileLines(DumpFileText(shown))) == parsed);
  DumpSerialText(*parsed);
  FUZZ_CHECK(FirstDifference(*parsed, *parsed) == -1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text input = FuzzText(data, size);
  CheckDump(DumpFileLines(input));
  CheckDump(DumpEditorLines(input));
  const QByteArray raw = input.left(kEepromSize);
  FUZZ_CHECK(FirstDifference(raw, SampleEepromData()) >= -1);
  FUZZ_CHECK(ParseDump(FormatDump(raw)).has_value());
  return 0;
}
