// The "R180" answer (ALV parameter line) and the "R181" answer (serial number).
#include <cmath>

#include "editors/alv_params.h"
#include "editors/serial_number.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text answer = FuzzText(data, size);

  const AlvParams params = ParseAlvParameterLine(answer);
  FUZZ_CHECK(std::isfinite(params.B) && std::isfinite(params.A));
  FUZZ_CHECK(params.A >= kAlvAMin && params.A <= kAlvAMax);
  FUZZ_CHECK(params.K1 >= kAlvKMin && params.K1 <= kAlvKMax);
  FUZZ_CHECK(params.K2 >= kAlvKMin && params.K2 <= kAlvKMax);
  // What the window shows and sends back.
  AlvFieldText(params.B, kAlvShownDecimalsB, ',');
  AlvFieldText(params.A, kAlvShownDecimalsA, '.');
  const Text line = AlvParameterLine(params);
  // Values that fit their fields read back from the line the tool sends
  // (a wider value shifts the later fields, as the line's layout has it).
  if (line.size() == 21) {
    const AlvParams again = ParseAlvParameterLine(line);
    FUZZ_CHECK(again.K1 == params.K1 && again.K2 == params.K2);
    FUZZ_CHECK(AlvParameterLine(again) == line);
  }
  FUZZ_CHECK(AlvWriteParamsCommand(params) == "W180" + line);

  const std::optional<int32_t> serial = ParseAlvSerialAnswer(answer);
  if (serial) {
    FUZZ_CHECK(ParseAlvSerialAnswer(Text::number(*serial)) == serial);
    const Text text = SerialNumberToText(*serial, nullptr);
    int32_t number = 0;
    SerialTextToNumber(text, &number, "FEHLER");
  } else {
    FUZZ_CHECK(AlvSerialAnswerError(answer).contains(answer));
  }
  // The serial field the answer is shown in, and the "W181" made from it.
  const Text field = SerialFieldText(answer);
  int32_t number = 0;
  const Text sent = SerialTextToNumber(field, &number, "FEHLER");
  if (sent != "FEHLER") {
    FUZZ_CHECK(SerialLettersValid(field));
    FUZZ_CHECK(sent == Text::number(number));
    FUZZ_CHECK(SerialNumberToText(number, nullptr).mid(2, 2) == field.mid(2, 2));  // year, month
  }
  return 0;
}
