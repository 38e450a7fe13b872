#include "devtools/map_analysis.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"
#include "util/files.h"
#include "util/helpers.h"

namespace {

using Lines = std::vector<Text>;

// A section line with its fields in their fixed columns; tail from column 65.
Text SectionLine(const Text& start, const Text& size, const Text& name, const Text& tail) {
  Text line = PutField(kSectionLinePrefix, "", 1, 10);
  line = PutField(start, line, 39, 6);
  line = PutField(size, line, 46, 10);
  line = PutField(name, line, 57, 7);
  return line + " " + tail;
}

// A symbol line: address in columns 22-27, name from column 29.
Text SymbolLine(const Text& address, const Text& name) {
  return PutField(address, PutField("sym", "", 1, 3), 22, 6) + " " + name;
}

// A made-up map in the linker's layout, with decoys before each marker.
Lines FixtureMap() {
  return {
      "Linker map of a test build",
      "  Symbol table",  // no blank after it: not the marker
      SymbolLine("000100", "f_code_early"),
      "  Symbol table (by address)",
      SymbolLine("001000", "f_code_start"),
      SymbolLine("004FFF", "f_code_end"),
      SymbolLine("010000", "f_data"),
      SymbolLine("0103ff", "f_data_end"),
      SymbolLine("00FF00", "io_port0"),
      SymbolLine("  FF3F", "io_portB"),  // trimmed before it is read
      SymbolLine("000000", "inttbl"),
      SymbolLine("777777", "xf_code"),   // the group must start at column 29
      "f_code",                          // too short to hold a name at column 29
      "  Link map ",                     // a trailing blank: not the marker
      SectionLine("00F000", "FFFF", "f_code", "(C:\\fw\\release\\decoy.rel)"),
      "  Link map",
      SectionLine("001000", "2000", "f_code", "(C:\\fw\\release\\main.rel)"),
      SectionLine("003000", "  400", "f_data", "(C:\\fw\\release\\main.rel)"),
      SectionLine("003400", "40", "f_code", "*** Gap ***"),
      SectionLine("003440", "64", "f_data", "*** Gap ***"),
      SectionLine("0034A4", "800", "f_data", "(C:\\lib\\clib.lib)"),
      SectionLine("003ca4", "100", "f_const", "(C:\\fw\\release\\tables.rel)"),
      SectionLine("003DA4", "10", "f_init", "no owner given"),
      SectionLine("003DB4", "8", "f_code", "(C:\\fw\\release\\broken"),
      "   code.l not a section line",
  };
}

TEST(MapAnalysis, Owner) {
  struct Case {
    Text line;
    Text owner;
  };
  const std::vector<Case> cases = {
      {"x (C:\\fw\\release\\main.rel)", "main"},
      {"x (C:\\fw\\release\\sub\\io.rel) trailing", "sub\\io"},
      {"x (C:\\fw\\release\\main", ""},             // no ".rel)"
      {"x .rel) before (C:\\release\\m.rel)", "m"},
      {"x *** Gap *** release\\m.rel)", "-Gap-"},
      {"x (C:\\lib\\clib.lib)", "Bibl."},
      {"x (C:\\release\\a.rel) (b.lib)", "a"},
      {"x", "?"},
      {"", "?"},
  };
  for (const Case& c : cases) EXPECT_EQ(SectionOwner(c.line), c.owner) << c.line.constData();
}

TEST(MapAnalysis, Sections) {
  const MapAnalysis analysis = AnalyseMap(FixtureMap());
  struct Expected {
    int32_t start;
    int32_t size;
    Text name;
    Text owner;
  };
  const std::vector<Expected> expected = {
      {0x1000, 0x2000, "f_code", "main"},  {0x3000, 0x400, "f_data", "main"},
      {0x3400, 0x40, "f_code", "-Gap-"},   {0x3440, 0x64, "f_data", "-Gap-"},
      {0x34A4, 0x800, "f_data", "Bibl."},  {0x3CA4, 0x100, "f_const", "tables"},
      {0x3DA4, 0x10, "f_init", "?"},       {0x3DB4, 0x8, "f_code", ""},
  };
  ASSERT_EQ(analysis.Sections.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(analysis.Sections[i].Start, expected[i].start) << i;
    EXPECT_EQ(analysis.Sections[i].Size, expected[i].size) << i;
    EXPECT_EQ(analysis.Sections[i].Name, expected[i].name) << i;
    EXPECT_EQ(analysis.Sections[i].Owner, expected[i].owner) << i;
  }
  // The 0x40 gap is code, the 100-byte gap counts nowhere, the library's
  // f_data is library code, f_const is a constant, f_init is code.
  EXPECT_EQ(analysis.Code, 0x2000 + 0x40 + 0x10 + 0x8);
  EXPECT_EQ(analysis.Constants, 0x400 + 0x100);
  EXPECT_EQ(analysis.Library, 0x800);
}

TEST(MapAnalysis, DetailsReport) {
  const Lines expected = {
      "f_code    $00001000 - $00004FFF  16384 Byte",
      "f_data    $00010000 - $000103FF   1024 Byte",
      "f_area    $00FFFFFF - $00000000 -16777214 Byte",
      "f_RAMPart $00FFFFFF - $00000000 -16777214 Byte",
      "io_       $0000FF00 - $0000FF3F     64 Byte",
      "inttbl    $00000000 - $00000000      1 Byte",
      "",
      "001000       8192 f_code   main",
      "003000       1024 f_data   main",
      "003400         64 f_code   -Gap-",
      "003440        100 f_data   -Gap-",
      "0034A4       2048 f_data   Bibl.",
      "003CA4        256 f_const  tables",
      "003DA4         16 f_init   ?",
      "003DB4          8 f_code   ",
      "",
      "Code      8280",
      "Const     1280",
      "Bibl.     2048",
      "--------------",
      "Ges.     11608",
      "Res.    185000",
  };
  EXPECT_EQ(MapReport(AnalyseMap(FixtureMap()), MapReportMode::Details), expected);

  Lines condensed = expected;
  condensed.erase(condensed.begin() + 7, condensed.begin() + 15);
  EXPECT_EQ(MapReport(AnalyseMap(FixtureMap()), MapReportMode::Condensed), condensed);
}

TEST(MapAnalysis, MalformedMaps) {
  const Lines emptyReport = {
      "f_code    $00FFFFFF - $00000000 -16777214 Byte",
      "f_data    $00FFFFFF - $00000000 -16777214 Byte",
      "f_area    $00FFFFFF - $00000000 -16777214 Byte",
      "f_RAMPart $00FFFFFF - $00000000 -16777214 Byte",
      "io_       $00FFFFFF - $00000000 -16777214 Byte",
      "inttbl    $00FFFFFF - $00000000 -16777214 Byte",
      "",
      "",
      "Code         0",
      "Const        0",
      "Bibl.        0",
      "--------------",
      "Ges.         0",
      "Res.    196608",
  };
  struct Case {
    const char* what;
    Lines lines;
  };
  const std::vector<Case> cases = {
      {"empty file", {}},
      {"no markers", {SymbolLine("001000", "f_code"), SectionLine("001000", "100", "f_code", "x")}},
      {"garbage", {Text(300, '\xFF'), Text("\x01\x02\x03"), ""}},
      {"markers only", {"  Symbol table ", "  Link map"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MapReport(AnalyseMap(c.lines), MapReportMode::Details), emptyReport) << c.what;
}

TEST(MapAnalysis, ShortAndNonHexFields) {
  const Lines lines = {
      "  Link map",
      "    code.l",                                             // ends before every field
      SectionLine(" 01000", "1A", "f_code", "x"),               // a leading blank in the start: 0
      SectionLine("00ZZ00", "zz", "f_code", "x"),               // not hexadecimal
      PutField("8", PutField("00AB00", "    code.l", 39, 6), 46, 1),  // ends inside the size field
      "  Symbol table ",
      PutField("f_data", "", 29, 6),                            // no address columns
      SymbolLine("12 34", "f_data_x"),                          // read up to the blank
  };
  const MapAnalysis analysis = AnalyseMap(lines);
  ASSERT_EQ(analysis.Sections.size(), 4u);
  EXPECT_EQ(analysis.Sections[0].Start, 0);
  EXPECT_EQ(analysis.Sections[0].Size, 0);
  EXPECT_EQ(analysis.Sections[0].Name, "");
  EXPECT_EQ(analysis.Sections[0].Owner, "?");
  EXPECT_EQ(analysis.Sections[1].Start, 0);
  EXPECT_EQ(analysis.Sections[1].Size, 0x1A);
  EXPECT_EQ(analysis.Sections[2].Start, 0);
  EXPECT_EQ(analysis.Sections[2].Size, 0);
  EXPECT_EQ(analysis.Sections[3].Start, 0xAB00);
  EXPECT_EQ(analysis.Sections[3].Size, 8);
  EXPECT_EQ(analysis.Code, 0x1A + 8);
  EXPECT_EQ(analysis.Groups[1].Group, "f_data");
  EXPECT_EQ(analysis.Groups[1].Lowest, 0);
  EXPECT_EQ(analysis.Groups[1].Highest, 0x12);

  const Lines report = MapReport(analysis, MapReportMode::Details);
  EXPECT_EQ(report[7], "000000          0          ?");
}

TEST(MapAnalysis, FileLines) {
  EXPECT_EQ(MapFileLines("a\r\nb\nc\rd\r\n"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(MapFileLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(MapFileLines(""), Lines{});
}

TEST(MapAnalysis, LoadFromFile) {
  TempDir dir;
  const QString path = dir.File("firmware.map");
  Text fileText;
  for (const Text& line : FixtureMap()) fileText += line + "\r\n";
  ASSERT_TRUE(WriteWholeFile(path, fileText));

  Boxes::Clear();
  std::vector<Text> report;
  ASSERT_TRUE(LoadMapReport(path, MapReportMode::Condensed, &report));
  EXPECT_EQ(report, MapReport(AnalyseMap(FixtureMap()), MapReportMode::Condensed));
  EXPECT_TRUE(Boxes::Shown().empty());

  const QString missing = dir.File("missing.map");
  report = {"old"};
  EXPECT_FALSE(LoadMapReport(missing, MapReportMode::Details, &report));
  EXPECT_TRUE(report.empty());
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Datei " + FromQt(missing) + " nicht gefunden");
  Boxes::Clear();
}

}  // namespace
