#include "eeprom_dump.h"

#include <algorithm>
#include <array>

#include <QList>

#include "editors/serial_number.h"
#include "util/helpers.h"

namespace {

uint8_t ByteAt(const QByteArray& data, qsizetype offset) {
  return offset >= 0 && offset < data.size() ? static_cast<uint8_t>(data[offset]) : 0;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The four address digits of line k: "0000" .. "00F0".
Text LineAddress(int32_t k) { return HexWord(k * kDumpLineBytes).mid(1); }

// An erased EEPROM with a header, an option record (serial KRTC-0815, valid
// checksum) and a few display and printout rows.
constexpr std::array<uint8_t, kEepromSize> kSample = {
    0x07, 0x20, 0x01, 0x00, 0x14, 0x00, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5A, 0xA5,
    0x1F, 0xD3, 0x63, 0x77, 0x03, 0xE4, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x68, 0x03,
    0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0x06, 0x07, 0x08, 0xFF, 0xFF, 0xFF, 0xFF,
    0x09, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
    0x09, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
};

}  // namespace

std::vector<Text> FormatDump(const QByteArray& data) {
  std::vector<Text> lines;
  lines.reserve(kDumpLineCount);
  for (int32_t k = 0; k < kDumpLineCount; ++k) {
    Text line = LineAddress(k) + ' ';
    for (int32_t j = 0; j < kDumpLineBytes; ++j)
      line += HexByte(ByteAt(data, k * kDumpLineBytes + j)) + ' ';
    lines.push_back(line);
  }
  return lines;
}

std::optional<QByteArray> ParseDump(const std::vector<Text>& lines, DumpError* error) {
  DumpError found;
  auto fail = [&]() -> std::optional<QByteArray> {
    if (error) *error = found;
    return std::nullopt;
  };
  if (lines.size() != static_cast<size_t>(kDumpLineCount)) return fail();
  QByteArray data(kEepromSize, '\0');
  for (int32_t k = 0; k < kDumpLineCount; ++k) {
    const Text& line = lines[static_cast<size_t>(k)];
    found.line = k;
    if (line.size() != kDumpLineLength || line.left(4) != LineAddress(k)) return fail();
    for (int32_t j = 0; j < kDumpLineBytes; ++j) {
      // columns 6 + 3j and 7 + 3j, counted from 1
      const Text pair = line.mid(5 + 3 * j, 2);
      const int high = HexDigitValue(pair[0]);
      const int low = HexDigitValue(pair[1]);
      if (high < 0 || low < 0) {
        found.address = k * kDumpLineBytes + j;
        found.pair = pair;
        return fail();
      }
      data[k * kDumpLineBytes + j] = static_cast<char>(high * 16 + low);
    }
  }
  return data;
}

Text DumpErrorMessage(const Text& syntaxMessage, const DumpError& error) {
  if (error.address >= 0) return syntaxMessage + " (" + HexWord(error.address) + ": " + error.pair + ")";
  if (error.line >= 0) return syntaxMessage + " (" + LineAddress(error.line) + ")";
  return syntaxMessage;
}

std::vector<Text> DumpFileLines(const Text& fileText) {
  const QList<Text> lines = SplitTextLines(fileText);
  return std::vector<Text>(lines.begin(), lines.end());
}

std::vector<Text> DumpEditorLines(const Text& editorText) {
  std::vector<Text> lines;
  for (Text line : editorText.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    lines.push_back(line);
  }
  return lines;
}

Text DumpFileText(const std::vector<Text>& lines) {
  Text text;
  for (const Text& line : lines) text += line + "\r\n";
  return text;
}

int32_t FirstDifference(const QByteArray& a, const QByteArray& b) {
  const qsizetype common = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < common; ++i)
    if (a[i] != b[i]) return static_cast<int32_t>(i);
  if (a.size() != b.size()) return static_cast<int32_t>(common);
  return -1;
}

Text DifferenceMessage(const Text& prefix, int32_t address) {
  return prefix + " " + HexWord(address);
}

int32_t DumpSerialNumber(const QByteArray& data) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | ByteAt(data, kEepromSerialOffset + i);
  return static_cast<int32_t>(value);
}

Text DumpSerialText(const QByteArray& data) {
  return SerialNumberToText(DumpSerialNumber(data), nullptr);
}

Text DefaultDumpFileName(const Text& serialText) { return serialText + ".dat"; }

Text ReplaceTitleText(const Text& title, const Text& text) {
  const qsizetype bracket = title.indexOf('[');
  // The base ends one character before the "[" (or before the end): the blank of " [ ".
  const qsizetype end = bracket >= 0 ? bracket : title.size();
  const Text base = title.left(std::max<qsizetype>(end - 1, 0));
  return base + " [ " + text + " ]";
}

QByteArray SampleEepromData() {
  return QByteArray(reinterpret_cast<const char*>(kSample.data()), kEepromSize);
}

std::vector<Text> SampleDump() { return FormatDump(SampleEepromData()); }
