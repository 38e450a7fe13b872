#include "helpers.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : c - 'A' + 10; }

char UpperAsciiChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int32_t ParseHex(const Text& text) {
  // text starts with "$"; only upper-case digits count after UpperUmlaut
  qsizetype i = 1;
  while (i < text.size() && text[i] == '0') ++i;  // leading zeros are not significant
  const qsizetype firstSignificant = i;
  bool anyDigit = firstSignificant > 1;
  uint32_t value = 0;
  for (; i < text.size() && IsHexDigit(text[i]); ++i) {
    anyDigit = true;
    if (i - firstSignificant >= 8) return 0;  // more than 32 bits
    value = (value << 4) | static_cast<uint32_t>(HexValue(text[i]));
  }
  if (!anyDigit) return 0;
  return static_cast<int32_t>(value);
}

int32_t ParseDecimal(const Text& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] != '-' && !IsDigit(text[i])) ++i;
  if (i >= text.size()) return 0;
  const bool negative = text[i] == '-';
  if (negative) ++i;
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t value = 0;
  bool anyDigit = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    anyDigit = true;
    value = value * 10 + (text[i] - '0');
    if (value > limit) return 0;  // out of range; stops before int64 could overflow
  }
  if (!anyDigit) return 0;  // a lone minus sign
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace

int32_t ParseInt(const Text& text) {
  const qsizetype dollar = text.indexOf('$');
  if (dollar >= 0) return ParseHex(UpperUmlaut(text.mid(dollar)));
  return ParseDecimal(text);
}

double ParseReal(const Text& text) {
  auto starts = [](char c) { return c == ',' || c == '-' || c == '.' || IsDigit(c); };
  qsizetype i = 0;
  while (i < text.size() && !starts(text[i])) ++i;
  if (i >= text.size()) return 0.0;
  std::string run(1, text[i] == ',' ? '.' : text[i]);
  for (++i; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ',' || c == '.') run += '.';
    else if (IsDigit(c)) run += c;
    else break;
  }
  if (std::count(run.begin(), run.end(), '.') > 1) return 0.0;
  if (std::none_of(run.begin(), run.end(), IsDigit)) return 0.0;
  double value = 0.0;
  const auto result = std::from_chars(run.data(), run.data() + run.size(), value);
  if (result.ec != std::errc() || result.ptr != run.data() + run.size()) return 0.0;
  return value;
}

Text IntToStrWidth(int32_t value, int32_t n) {
  Text s = Text::number(value);
  if (n > s.size()) s.prepend(Text(n - s.size(), ' '));
  return s;
}

Text IntToStrZero(int32_t value, int32_t n) {
  return IntToStrWidth(value, n).replace(' ', '0');
}

Text IntToStrFill(int32_t value, int32_t n, char fill) {
  Text s = IntToStrWidth(value, n);
  if (fill != ' ') s.replace(' ', fill);
  return s;
}

Text FloatToStrComma(double value, int32_t width, int32_t decimals) {
  constexpr qsizetype kMaxLength = 30;
  // 1100 decimals reach the exact binary value of any double, so the cap never
  // changes the digits, it only bounds the buffer.
  const int precision = std::clamp(decimals, 0, 1100);
  char buffer[1600];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::fixed, precision);
  Text number = result.ec == std::errc()
                    ? Text(buffer, static_cast<qsizetype>(result.ptr - buffer))
                    : Text("0");
  Text s;
  if (width > number.size()) s = Text(std::min<qsizetype>(width - number.size(), kMaxLength), ' ');
  s += number;
  s.truncate(kMaxLength);
  const qsizetype point = s.indexOf('.');
  if (point >= 0) s[point] = ',';
  return s;
}

Text HexByte(uint8_t value) {
  Text s(2, '0');
  s[0] = kHexDigits[value >> 4];
  s[1] = kHexDigits[value & 0x0F];
  return s;
}

Text HexWord(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  return "$" + HexByte(static_cast<uint8_t>(v >> 8)) + HexByte(static_cast<uint8_t>(v));
}

Text HexLong(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  return "$" + HexByte(static_cast<uint8_t>(v >> 24)) + HexByte(static_cast<uint8_t>(v >> 16)) +
         HexByte(static_cast<uint8_t>(v >> 8)) + HexByte(static_cast<uint8_t>(v));
}

Text FixLength(const Text& text, int32_t n) {
  if (n == 0) return text;
  if (n < 0) return Text();
  Text s = text.left(n);
  if (s.size() < n) s.append(Text(n - s.size(), ' '));
  return s;
}

Text TrimLeading(const Text& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return text.mid(i);
}

Text TrimBlanks(const Text& text) {
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  return TrimLeading(text.left(end));
}

Text RemoveBlanks(const Text& text) {
  Text s = text;
  s.replace(" ", "");
  return s;
}

bool HasText(const Text& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c != ' '; });
}

Text PutField(const Text& text, const Text& line, int32_t pos, int32_t count) {
  constexpr int64_t kMaxLine = 255;
  if (count == 0) count = static_cast<int32_t>(std::min<qsizetype>(text.size(), INT32_MAX));
  Text out = line;
  const int64_t end = std::min<int64_t>(int64_t{pos} + count - 1, kMaxLine);
  if (out.size() < end) out.append(Text(end - out.size(), ' '));
  qsizetype p = pos;
  for (qsizetype i = 1; i <= count && p <= kMaxLine; ++i, ++p) {
    if (p < 1) continue;  // the part of the field in front of the line is dropped
    out[p - 1] = i <= text.size() ? text[i - 1] : ' ';
  }
  return out;
}

Text UpperAscii(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (char c : text) {
    switch (static_cast<unsigned char>(c)) {
      case 0xE4: case 0xC4: out += "AE"; break;
      case 0xF6: case 0xD6: out += "OE"; break;
      case 0xFC: case 0xDC: out += "UE"; break;
      case 0xDF: out += "SS"; break;
      default: out += UpperAsciiChar(c);
    }
  }
  return out;
}

Text UpperUmlaut(const Text& text) {
  Text out = text;
  for (char& c : out) {
    switch (static_cast<unsigned char>(c)) {
      case 0xE4: c = '\xC4'; break;
      case 0xF6: c = '\xD6'; break;
      case 0xFC: c = '\xDC'; break;
      default: c = UpperAsciiChar(c);
    }
  }
  return out;
}

int32_t LimitInt(int32_t value, int32_t lo, int32_t hi) {
  if (value > hi) value = hi;
  if (value < lo) value = lo;
  return value;
}

CharSet MakeCharSet(std::initializer_list<char> chars) {
  CharSet set;
  for (char c : chars) set.set(static_cast<unsigned char>(c));
  return set;
}

void Tokenizer::Start(const Text& text, const CharSet& delimiters) {
  source_ = text;
  pos_ = 1;
  delimiters_ = delimiters;
}

void Tokenizer::SkipDelimiters() {
  while (pos_ <= source_.size() && delimiters_.test(static_cast<unsigned char>(source_[pos_ - 1])))
    ++pos_;
}

Text Tokenizer::Next() {
  if (pos_ > source_.size()) return Text();
  SkipDelimiters();
  const int32_t start = pos_;
  while (pos_ <= source_.size() && !delimiters_.test(static_cast<unsigned char>(source_[pos_ - 1])))
    ++pos_;
  return source_.mid(start - 1, pos_ - start);
}

Text Tokenizer::Rest() {
  if (pos_ > source_.size()) return Text();
  SkipDelimiters();
  const Text rest = source_.mid(pos_ - 1);
  pos_ = static_cast<int32_t>(source_.size()) + 1;
  return rest;
}

namespace {
Tokenizer& ProgramTokenizer() {
  static Tokenizer tokenizer;
  return tokenizer;
}
}  // namespace

void StartTokens(const Text& text, const CharSet& delimiters) {
  ProgramTokenizer().Start(text, delimiters);
}
Text NextToken() { return ProgramTokenizer().Next(); }
Text RestOfText() { return ProgramTokenizer().Rest(); }

int32_t GetPlatformId() {
#ifdef _WIN32
  return kPlatformNT;
#else
  return 0x7F;  // not the NT family: there is no Windows registry to ask for the cable's port
#endif
}
