// Program image lines -> the bytes sent for each record, and record checksums.
#include <algorithm>

#include "fuzz_support.h"
#include "upload/image_files.h"
#include "util/helpers.h"

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void CheckLine(const Text& line) {
  const QByteArray binary = RecordBinary(line);
  FUZZ_CHECK(binary.size() == 1 + line.size() / 2);
  FUZZ_CHECK(binary[0] == ':');

  const Text hex = line.mid(1);
  const Text sum = RecordChecksum(hex);
  FUZZ_CHECK(sum.size() == 2 && IsHexDigit(sum[0]) && IsHexDigit(sum[1]));
  // A well-formed record with its checksum appended sums to zero.
  if (hex.size() % 2 == 0 && std::all_of(hex.begin(), hex.end(), IsHexDigit)) {
    FUZZ_CHECK(RecordChecksum(hex + sum) == "00");
    uint8_t total = 0;
    for (qsizetype i = 1; i < binary.size(); ++i) total = static_cast<uint8_t>(total + binary[i]);
    FUZZ_CHECK(HexByte(static_cast<uint8_t>(-total)) == sum);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text input = FuzzText(data, size);
  for (const Text& line : SplitLines(input)) CheckLine(line);
  CheckLine(input);
  return 0;
}
