#include "editors/eeprom_dump.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "editors/records.h"
#include "test_support.h"
#include "util/files.h"

namespace {

using Lines = std::vector<Text>;

QByteArray CountingData() {
  QByteArray data(kEepromSize, '\0');
  for (int i = 0; i < kEepromSize; ++i) data[i] = static_cast<char>(i);
  return data;
}

TEST(EepromDump, Format) {
  const Lines lines = FormatDump(CountingData());
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "0000 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ");
  EXPECT_EQ(lines[10], "00A0 A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF ");
  EXPECT_EQ(lines[15], "00F0 F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF ");
  for (const Text& line : lines) EXPECT_EQ(line.size(), kDumpLineLength);

  // A short buffer still gives the full dump, padded with zero bytes.
  const Lines shortDump = FormatDump(QByteArray("\xAB", 1));
  ASSERT_EQ(shortDump.size(), 16u);
  EXPECT_EQ(shortDump[0], "0000 AB 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ");
  EXPECT_EQ(shortDump[15].left(8), "00F0 00 ");
}

TEST(EepromDump, ParseRoundTripAndDigits) {
  EXPECT_EQ(ParseDump(FormatDump(CountingData())), CountingData());

  Lines lines = FormatDump(QByteArray(kEepromSize, '\0'));
  lines[2].replace(5, 2, "ff");   // lower-case byte digits
  lines[2].replace(8, 2, "aB");
  lines[4].replace(7, 1, "x");    // the blanks between are not checked
  const auto data = ParseDump(lines);
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(static_cast<uint8_t>(data->at(0x20)), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(data->at(0x21)), 0xAB);
  EXPECT_EQ(data->at(0x40), 0);
}

// A typo in a byte must never reach the EEPROM as 0x00 (or as half a byte).
TEST(EepromDump, NonHexPairRejectedWithItsPlace) {
  struct Case {
    int line;
    int column;  // 0-based start of the pair
    Text pair;
    Text message;
  };
  const std::vector<Case> cases = {
      {3, 5, "G1", "Fehler in Daten Syntax ($0030: G1)"},
      {3, 8, "1G", "Fehler in Daten Syntax ($0031: 1G)"},
      {0, 50, "  ", "Fehler in Daten Syntax ($000F:   )"},
      {15, 50, "F ", "Fehler in Daten Syntax ($00FF: F )"},
      {7, 11, "-1", "Fehler in Daten Syntax ($0072: -1)"},
      {9, 5, "0x", "Fehler in Daten Syntax ($0090: 0x)"},
      {1, 5, "\xC4" "0", "Fehler in Daten Syntax ($0010: \xC4" "0)"},
  };
  for (const Case& c : cases) {
    Lines lines = FormatDump(CountingData());
    lines[static_cast<size_t>(c.line)].replace(c.column, 2, c.pair);
    DumpError error;
    EXPECT_FALSE(ParseDump(lines, &error).has_value()) << c.message.constData();
    EXPECT_EQ(DumpErrorMessage(kStrHolderEEP[1], error), c.message);
  }
}

TEST(EepromDump, MalformedDumpsGiveNoBytes) {
  const Lines good = FormatDump(CountingData());
  struct Case {
    const char* what;
    std::function<void(Lines&)> damage;
  };
  const std::vector<Case> cases = {
      {"17th empty line", [](Lines& l) { l.push_back(""); }},
      {"15 lines", [](Lines& l) { l.pop_back(); }},
      {"no lines", [](Lines& l) { l.clear(); }},
      {"trailing blank removed", [](Lines& l) { l[7].chop(1); }},
      {"54 characters", [](Lines& l) { l[0] += ' '; }},
      {"last line bad", [](Lines& l) { l[15].chop(1); }},
      {"lower-case address", [](Lines& l) { l[10].replace(0, 4, "00a0"); }},
      {"lines swapped", [](Lines& l) { std::swap(l[1], l[2]); }},
      {"address with blank", [](Lines& l) { l[0].replace(0, 4, " 000"); }},
      {"garbage line", [](Lines& l) { l[5] = Text(53, '#'); }},
      {"empty line", [](Lines& l) { l[9].clear(); }},
  };
  for (const Case& c : cases) {
    Lines lines = good;
    c.damage(lines);
    EXPECT_FALSE(ParseDump(lines).has_value()) << c.what;
  }

  // The message names the first bad line; a wrong line count has no place.
  DumpError error;
  Lines lines = good;
  lines[10].replace(0, 4, "00a0");
  lines[12].clear();
  ASSERT_FALSE(ParseDump(lines, &error).has_value());
  EXPECT_EQ(DumpErrorMessage("X", error), "X (00A0)");
  lines = good;
  lines.pop_back();
  ASSERT_FALSE(ParseDump(lines, &error).has_value());
  EXPECT_EQ(DumpErrorMessage("X", error), "X");
}

TEST(EepromDump, FileAndEditorLines) {
  struct Case {
    Text text;
    Lines file;
    Lines editor;
  };
  const std::vector<Case> cases = {
      {"a\r\nb\r\n", {"a", "b"}, {"a", "b", ""}},
      {"a\r\nb", {"a", "b"}, {"a", "b"}},
      {"a\nb\n", {"a", "b"}, {"a", "b", ""}},
      {"a\r\rb", {"a", "", "b"}, {"a\r\rb"}},
      {"\r\n", {""}, {"", ""}},
      {"", {}, {""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DumpFileLines(c.text), c.file) << c.text.toPercentEncoding().constData();
    EXPECT_EQ(DumpEditorLines(c.text), c.editor) << c.text.toPercentEncoding().constData();
  }
}

TEST(EepromDump, SavedFileLoadsBack) {
  TempDir dir;
  const QString path = dir.File("KRTC-0815.dat");
  const Lines lines = FormatDump(CountingData());
  const Text fileText = DumpFileText(lines);
  EXPECT_TRUE(fileText.startsWith("0000 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n0010 "));
  EXPECT_TRUE(fileText.endsWith("FF \r\n"));
  ASSERT_TRUE(WriteWholeFile(path, fileText));
  QByteArray read;
  ASSERT_TRUE(ReadWholeFile(path, &read));
  EXPECT_EQ(ParseDump(DumpFileLines(read)), CountingData());

  // In the editor, a line break after the last line is a 17th line.
  Text editor = lines[0];
  for (size_t k = 1; k < lines.size(); ++k) editor += "\n" + lines[k];
  EXPECT_EQ(ParseDump(DumpEditorLines(editor)), CountingData());
  EXPECT_FALSE(ParseDump(DumpEditorLines(editor + "\n")).has_value());
}

TEST(EepromDump, Compare) {
  const QByteArray instrument = SampleEepromData();
  EXPECT_EQ(FirstDifference(*ParseDump(FormatDump(instrument)), instrument), -1);

  // The byte at column 6 of line "0010" changed by hand.
  Lines lines = FormatDump(instrument);
  lines[1].replace(5, 2, "00");
  const auto edited = ParseDump(lines);
  ASSERT_TRUE(edited.has_value());
  const int32_t address = FirstDifference(*edited, instrument);
  EXPECT_EQ(address, 0x10);
  EXPECT_EQ(DifferenceMessage(kStrHolderEEP[4], address), "Datensatz Unterschied an Adresse $0010");

  QByteArray several = instrument;
  several[0xF3] = 1;
  several[0x12] = static_cast<char>(~several[0x12]);
  EXPECT_EQ(FirstDifference(several, instrument), 0x12);
  EXPECT_EQ(DifferenceMessage("x", 0x12), "x $0012");
  EXPECT_EQ(FirstDifference(instrument.left(100), instrument), 100);
  EXPECT_EQ(FirstDifference(QByteArray(), QByteArray()), -1);
}

TEST(EepromDump, SerialAndFileName) {
  const QByteArray sample = SampleEepromData();
  EXPECT_EQ(DumpSerialNumber(sample), 2003030815);
  EXPECT_EQ(DumpSerialText(sample), "KRTC-0815");
  QByteArray high(kEepromSize, '\0');
  high[0x13] = static_cast<char>(0x80);
  EXPECT_EQ(DumpSerialNumber(high), INT32_MIN);
  EXPECT_EQ(DumpSerialNumber(QByteArray(0x12, '\x01')), 0x0101);  // missing bytes read as 0
  EXPECT_EQ(DumpSerialNumber(QByteArray()), 0);

  EXPECT_EQ(DefaultDumpFileName("KRTC-0815"), "KRTC-0815.dat");
  EXPECT_EQ(DefaultDumpFileName(""), ".dat");  // before any read
}

TEST(EepromDump, TitleRule) {
  struct Case {
    Text title;
    Text text;
    Text result;
  };
  const std::vector<Case> cases = {
      {"EEprom A Dataset", "KRTC-0815", "EEprom A Datase [ KRTC-0815 ]"},  // no "[" yet
      {"EEprom A Datase [ KRTC-0815 ]", "KR..-xxxx", "EEprom A Datase [ KR..-xxxx ]"},
      {"EEprom A Datase [ a ] [ b ]", "c", "EEprom A Datase [ c ]"},
      {"[ x ]", "y", " [ y ]"},
      {"", "y", " [ y ]"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceTitleText(c.title, c.text), c.result) << c.title.constData();
}

TEST(EepromDump, SampleDataSet) {
  const Lines sample = SampleDump();
  ASSERT_EQ(sample.size(), 16u);
  EXPECT_EQ(sample[0].left(5), "0000 ");
  EXPECT_EQ(sample[15].left(5), "00F0 ");
  EXPECT_EQ(ParseDump(sample), SampleEepromData());
  // Its option record is one the options windows accept.
  EXPECT_TRUE(OptionRecord::ChecksumValid(SampleEepromData().mid(OptionRecord::kAddress, OptionRecord::kSize)));
}

}  // namespace
