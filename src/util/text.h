#pragma once
// Core texts are 8-bit Windows-1252 byte strings, as the instrument and the
// files use them. QString appears only at the Qt boundary, through ToQt/FromQt.
#include <QByteArray>
#include <QList>
#include <QString>

using Text = QByteArray;

// Windows-1252 <-> Unicode for all 256 codes. The five codes that the code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control
// characters of the same value, so every byte survives a round trip.
QString ToQt(const Text& text);
Text FromQt(const QString& text);
QChar Win1252ToUnicode(unsigned char code);
// Characters outside the code page become '?'.
char UnicodeToWin1252(QChar ch);

// The lines of a file read whole: a CR, an LF or a CR LF ends a line; a last
// line without an end is kept, an end at the very end adds no empty line.
QList<Text> SplitTextLines(const QByteArray& data);

// Byte-string literal helper: T("Gr\xF6\xDF" "e") keeps the bytes as written.
inline Text T(const char* s) { return Text(s); }
