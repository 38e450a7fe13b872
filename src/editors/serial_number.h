#pragma once
// The instrument's serial number: shown as "KR" + year letter + month letter
// + "-" + four digits (KRTC-0815), kept as year * 1000000 + month * 10000 +
// running number (2003030815).
#include <cstdint>

#include "util/text.h"

inline constexpr char kMonthLetters[] = "ABCDEFHJKLMN";           // months 1..12
inline constexpr char kYearLetters[] = "PRSTUWXYZABCDEFHJKLMN";   // years 2000..2020
inline constexpr char kEmptySerialText[] = "KR  -    ";
inline constexpr int32_t kSerialTextLength = 9;

// Upper case only.
bool IsYearLetter(char c);
bool IsMonthLetter(char c);
// The check of a typed serial text: character 3 a year letter, 4 a month letter.
bool SerialLettersValid(const Text& text);
// The serial field after a key release: characters 1 to 4 in upper case,
// then characters 5 to 9.
Text SerialFieldText(const Text& text);

// Sets *serialNumber (also when a part is missing) and returns its decimal
// text, or errorText when a letter is not found or the running number is
// below 1.
Text SerialTextToNumber(const Text& text, int32_t* serialNumber, const Text& errorText);
// The serial text of a number; "." stands for a year or month out of range.
Text SerialNumberToText(int32_t number, Text* serialNumberText);

// The program's forms over Glb->SerialNumber and Glb->SerialNumberText
// (nothing is stored while there is no Glb). The error text is "FEHLER",
// entry 0 of Glb->StrGlobalmsg, so the language files reach it.
Text SerialTextToNumber(const Text& text);
Text SerialNumberToText(int32_t number);
