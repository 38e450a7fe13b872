// The printer text file of the printer window (six lines), put into the text
// memory and read back from it.
#include "editors/printer_window.h"
#include "fuzz_support.h"
#include "util/helpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray content = FuzzText(data, size);
  const QList<Text> lines = PrinterTextsFromFile(content);
  FUZZ_CHECK(lines.size() == kPrinterLines);
  for (const Text& line : lines) FUZZ_CHECK(TrimTrailing(line) == line);

  // A saved file loads as the same lines.
  FUZZ_CHECK(PrinterTextsFromFile(PrinterTextFile(lines)) == lines);

  // Into the blank memory and out again: each line cut to its slot.
  QByteArray memory(kUserImageSize, ' ');
  const int32_t length = PutPrinterTexts(memory, lines);
  FUZZ_CHECK(length == (kPrinterLines - 1) * kPrinterSlotSize + kPrinterLineWidth);
  FUZZ_CHECK(memory.size() == kUserImageSize);
  const QList<Text> read = PrinterTextsFromMemory(memory);
  FUZZ_CHECK(read.size() == kPrinterLines);
  for (int32_t s = 0; s < kPrinterLines; ++s) {
    FUZZ_CHECK(memory[s * kPrinterSlotSize + kPrinterLineWidth] == '\0');
    FUZZ_CHECK(read[s] == TrimTrailing(lines[s].left(kPrinterLineWidth)));
  }

  // The memory as read from an instrument: any bytes, any length.
  const QList<Text> fromMemory = PrinterTextsFromMemory(content);
  FUZZ_CHECK(fromMemory.size() == kPrinterLines);
  QByteArray grown = content;
  PutPrinterTexts(grown, fromMemory);
  FUZZ_CHECK(grown.size() >= kPrinterLines * kPrinterSlotSize);
  FUZZ_CHECK(PrinterTextsFromMemory(grown) == fromMemory);
  return 0;
}
