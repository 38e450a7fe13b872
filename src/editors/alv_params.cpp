#include "alv_params.h"

#include <algorithm>
#include <cmath>

#include "editors/serial_number.h"
#include "util/helpers.h"

namespace {

// Column field (1-based start, count); columns past the end of the answer are empty.
Text Columns(const Text& text, qsizetype first, qsizetype count) { return text.mid(first - 1, count); }

}  // namespace

double LimitAlvA(double a) {
  if (std::isnan(a)) return kAlvAMax;
  return std::clamp(a, kAlvAMin, kAlvAMax);
}

int32_t LimitAlvK(double k) {
  if (std::isnan(k)) return 0;
  return static_cast<int32_t>(std::lround(std::clamp(k, double{kAlvKMin}, double{kAlvKMax})));
}

AlvParams LimitAlvParams(const AlvParams& params) {
  AlvParams limited = params;
  limited.A = LimitAlvA(params.A);
  limited.K1 = LimitAlvK(params.K1);
  limited.K2 = LimitAlvK(params.K2);
  return limited;
}

Text AlvParameterLine(const AlvParams& params) {
  return FloatToStrComma(params.B, 6, 4) + " " + FloatToStrComma(params.A, 8, 5) + " " +
         FloatToStrComma(params.K1, 2, 0) + " " + FloatToStrComma(params.K2, 2, 0);
}

AlvParams ParseAlvParameterLine(const Text& answer) {
  AlvParams params;
  params.B = ParseReal(Columns(answer, 1, 6));
  params.A = LimitAlvA(ParseReal(Columns(answer, 8, 8)));
  params.K1 = LimitAlvK(ParseReal(Columns(answer, 17, 2)));
  params.K2 = LimitAlvK(ParseReal(Columns(answer, 20, 2)));
  return params;
}

Text AlvFieldText(double value, int32_t decimals, char decimalSeparator) {
  Text text = FloatToStrComma(value, 0, decimals);
  text.replace(',', decimalSeparator);
  return text;
}

Text AlvWriteParamsCommand(const AlvParams& params) {
  return Text(kAlvWriteParamsCommand) + AlvParameterLine(params);
}

Text AlvWriteSerialCommand(const Text& serialText) {
  return Text(kAlvWriteSerialCommand) + SerialTextToNumber(serialText);
}

Text AlvStoreCommand() { return Text(kAlvStoreCommand) + kAlvStoreCode; }

std::optional<int32_t> ParseAlvSerialAnswer(const Text& answer) {
  const Text text = TrimBlanks(answer);
  qsizetype i = 0;
  const bool negative = !text.isEmpty() && text[0] == '-';
  if (!text.isEmpty() && (text[0] == '-' || text[0] == '+')) ++i;
  if (i >= text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

Text AlvSerialAnswerError(const Text& answer) {
  return "'" + answer + "' is not a valid integer value";
}
