#pragma once
// Text, number and formatting helpers used everywhere. Texts are Windows-1252
// bytes; "blank" is the space character only; positions count from 1.
#include <bitset>
#include <cstdint>
#include <initializer_list>

#include "text.h"

int32_t ParseInt(const Text& text);
double ParseReal(const Text& text);

Text IntToStrWidth(int32_t value, int32_t n);
Text IntToStrZero(int32_t value, int32_t n);
Text IntToStrFill(int32_t value, int32_t n, char fill);
Text FloatToStrComma(double value, int32_t width, int32_t decimals);

Text HexByte(uint8_t value);
Text HexWord(int32_t value);
Text HexLong(int32_t value);

Text FixLength(const Text& text, int32_t n);
Text TrimLeading(const Text& text);
Text TrimBlanks(const Text& text);
Text RemoveBlanks(const Text& text);
bool HasText(const Text& text);
Text PutField(const Text& text, const Text& line, int32_t pos, int32_t count);

Text UpperAscii(const Text& text);
Text UpperUmlaut(const Text& text);
int32_t LimitInt(int32_t value, int32_t lo, int32_t hi);

// Delimiter set: one bit per character code.
using CharSet = std::bitset<256>;
CharSet MakeCharSet(std::initializer_list<char> chars);

// The tokenizer; the free functions below work on one program-wide instance.
class Tokenizer {
 public:
  void Start(const Text& text, const CharSet& delimiters);
  Text Next();
  Text Rest();

 private:
  void SkipDelimiters();
  Text source_;
  int32_t pos_ = 1;  // 1-based, as the rest of the text helpers count
  CharSet delimiters_;
};

void StartTokens(const Text& text, const CharSet& delimiters);
Text NextToken();
Text RestOfText();

// The system's platform identifier; kPlatformNT marks the NT family.
inline constexpr int32_t kPlatformNT = 2;
int32_t GetPlatformId();
