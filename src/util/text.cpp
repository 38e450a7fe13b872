#include "text.h"

#include <array>

namespace {

// 0x80..0x9F of Windows-1252; unassigned codes keep their C1 value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

QChar Win1252ToUnicode(unsigned char code) {
  if (code >= 0x80 && code <= 0x9F) return QChar(kHigh[code - 0x80]);
  return QChar(static_cast<char16_t>(code));
}

char UnicodeToWin1252(QChar ch) {
  const char16_t u = ch.unicode();
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == u) return static_cast<char>(0x80 + i);
  return '?';
}

QString ToQt(const Text& text) {
  QString out;
  out.resize(text.size());
  QChar* d = out.data();
  for (qsizetype i = 0; i < text.size(); ++i)
    d[i] = Win1252ToUnicode(static_cast<unsigned char>(text[i]));
  return out;
}

Text FromQt(const QString& text) {
  Text out;
  out.resize(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) out[i] = UnicodeToWin1252(text[i]);
  return out;
}

QList<Text> SplitTextLines(const QByteArray& data) {
  QList<Text> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < data.size(); ++i) {
    if (data[i] != '\r' && data[i] != '\n') continue;
    lines.append(data.mid(start, i - start));
    if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < data.size()) lines.append(data.mid(start));
  return lines;
}
