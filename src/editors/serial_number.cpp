#include "serial_number.h"

#include "link/glb.h"
#include "util/helpers.h"

namespace {

// 0-based position of c among the letters, -1 if it is not one of them.
int32_t LetterIndex(const char* letters, char c) {
  for (int32_t i = 0; letters[i] != '\0'; ++i)
    if (letters[i] == c) return i;
  return -1;
}

Text GlobalErrorText() {
  if (Glb && Glb->StrGlobalmsg) {
    const Text text = Glb->StrGlobalmsg->Item(0);
    if (!text.isEmpty()) return text;
  }
  return Text("FEHLER");
}

}  // namespace

bool IsYearLetter(char c) { return LetterIndex(kYearLetters, c) >= 0; }
bool IsMonthLetter(char c) { return LetterIndex(kMonthLetters, c) >= 0; }

bool SerialLettersValid(const Text& text) {
  const Text s = FixLength(text, kSerialTextLength);
  return IsYearLetter(s[2]) && IsMonthLetter(s[3]);
}

Text SerialFieldText(const Text& text) { return UpperUmlaut(text.left(4)) + text.mid(4, 5); }

Text SerialTextToNumber(const Text& text, int32_t* serialNumber, const Text& errorText) {
  const Text s = FixLength(text, kSerialTextLength);
  const int32_t monthIndex = LetterIndex(kMonthLetters, s[3]);
  const int32_t yearIndex = LetterIndex(kYearLetters, s[2]);
  const int32_t month = monthIndex >= 0 ? monthIndex + 1 : 0;
  const int32_t year = yearIndex >= 0 ? 2000 + yearIndex : 0;
  // Four characters read at most 9999, so the sum stays below 2^31 even for
  // year 2020, month 12.
  const int32_t running = ParseInt(s.mid(5, 4));
  const int32_t number = year * 1000000 + month * 10000 + running;
  if (serialNumber) *serialNumber = number;
  if (monthIndex < 0 || yearIndex < 0 || running < 1) return errorText;
  return Text::number(number);
}

Text SerialNumberToText(int32_t number, Text* serialNumberText) {
  const Text digits = Text::number(number);
  const int32_t yearIndex = ParseInt(digits.mid(2, 2));
  const int32_t month = ParseInt(digits.mid(4, 2));
  const char yearLetter = yearIndex >= 0 && yearIndex <= 20 ? kYearLetters[yearIndex] : '.';
  const char monthLetter = month >= 1 && month <= 12 ? kMonthLetters[month - 1] : '.';
  const Text text = Text("KR") + yearLetter + monthLetter + '-' +
                    IntToStrZero(LimitInt(number % 10000, 0, 9999), 4);
  if (serialNumberText) *serialNumberText = text;
  return text;
}

Text SerialTextToNumber(const Text& text) {
  return SerialTextToNumber(text, Glb ? &Glb->SerialNumber : nullptr, GlobalErrorText());
}

Text SerialNumberToText(int32_t number) {
  return SerialNumberToText(number, Glb ? &Glb->SerialNumberText : nullptr);
}
