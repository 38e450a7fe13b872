#pragma once
// The EEPROM A data set (parameter memory 0x00..0xFF) as the editable hex
// dump the EEPROM window shows and keeps in ".dat" files: 16 lines of 53
// characters, "0000 " + 16 times two hex digits and a blank.
#include <cstdint>
#include <optional>
#include <vector>

#include "util/text.h"

inline constexpr int32_t kEepromSize = 256;
inline constexpr int32_t kDumpLineBytes = 16;
inline constexpr int32_t kDumpLineCount = kEepromSize / kDumpLineBytes;
inline constexpr int32_t kDumpLineLength = 4 + 1 + 3 * kDumpLineBytes;  // 53
inline constexpr int32_t kEepromSerialOffset = 0x10;

// The window's StrHolderEEP table, in index order.
inline constexpr const char* kStrHolderEEP[] = {
    "Lese Fehler!",
    "Fehler in Daten Syntax",
    "Schreib Fehler",
    "Datens\xE4tze sind gleich",
    "Datensatz Unterschied an Adresse",
};

// One dump line per 16 bytes; bytes missing from a short buffer are written
// as 00 so the dump always has its 16 full lines. Bytes past 256 are ignored.
std::vector<Text> FormatDump(const QByteArray& data);

// Where a dump is malformed: the first bad line (0-based; -1 when the number
// of lines is wrong) and, for a bad byte pair, its address and its text.
struct DumpError {
  int32_t line = -1;
  int32_t address = -1;  // the byte whose pair is not hexadecimal, else -1
  Text pair;
};

// The 256 bytes of a dump, or nothing when the dump is malformed: not exactly
// 16 lines, an address column other than "0000", "0010", ... "00F0" (upper
// case, compared exactly), a line not exactly 53 characters long, or a byte
// pair that is not two hex digits (of either case). The bytes go into the
// instrument's EEPROM, so a typo must not become 0x00: the whole dump is
// checked before any byte is given out. The blanks between pairs are not
// checked.
std::optional<QByteArray> ParseDump(const std::vector<Text>& lines, DumpError* error = nullptr);
// The syntax message with the place of the fault: "... ($0031: G1)" for a bad
// pair, "... (0030)" for a bad line, the message alone for a wrong number of
// lines.
Text DumpErrorMessage(const Text& syntaxMessage, const DumpError& error);

// Lines of a dump file: CR LF, LF or a lone CR ends a line; a line break at
// the very end starts no further line.
std::vector<Text> DumpFileLines(const Text& fileText);
// Lines of the editor's text: every line break starts a new line, so a break
// after the 16th line gives an (empty) 17th. CR before LF is dropped.
std::vector<Text> DumpEditorLines(const Text& editorText);
// The file contents: every line followed by CR LF.
Text DumpFileText(const std::vector<Text>& lines);

// The lowest address at which the two data sets differ, or -1 when they are
// equal. A byte that only one of them has counts as a difference.
int32_t FirstDifference(const QByteArray& a, const QByteArray& b);
// prefix + " " + HexWord(address), e.g. "... Adresse $0012".
Text DifferenceMessage(const Text& prefix, int32_t address);

// The serial number kept little-endian in bytes 0x10..0x13 (missing bytes
// read as 0) and its serial text.
int32_t DumpSerialNumber(const QByteArray& data);
Text DumpSerialText(const QByteArray& data);

// The file name proposed when saving: serial text + ".dat".
Text DefaultDumpFileName(const Text& serialText);

// The window title with its bracketed part replaced: the title up to the
// character before its first "[" (the blank of " [ "), or the title without
// its last character when it holds no "[", then " [ " + text + " ]".
Text ReplaceTitleText(const Text& title, const Text& text);

// The data set the window shows before its first read.
QByteArray SampleEepromData();
std::vector<Text> SampleDump();
