// ParseInt and ParseReal, the lenient number readers every parser uses.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "util/helpers.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text text = FuzzText(data, size);
  const int32_t value = ParseInt(text);
  const double real = ParseReal(text);
  FUZZ_CHECK(std::isfinite(real));

  // A plain decimal number in range reads as itself, in both readers.
  const qsizetype digits = text.startsWith('-') ? 1 : 0;
  if (text.size() > digits && text.size() <= 19 &&
      std::all_of(text.begin() + digits, text.end(), IsDigit)) {
    const long long wide = std::strtoll(std::string(text.constData(), text.size()).c_str(), nullptr, 10);
    if (wide >= INT32_MIN && wide <= INT32_MAX) FUZZ_CHECK(value == wide);
    else FUZZ_CHECK(value == 0);
    FUZZ_CHECK(real == static_cast<double>(wide) || text.size() > 15);
  }
  // Hexadecimal after "$": the text a value gives reads back as the value.
  FUZZ_CHECK(ParseInt(HexLong(value)) == value);
  FUZZ_CHECK(ParseInt(Text::number(value)) == value);
  return 0;
}
