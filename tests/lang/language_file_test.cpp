#include <gtest/gtest.h>

#include <QFile>

#include "lang/language_file.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
  QByteArray data;
  EXPECT_TRUE(ReadWholeFile(path, &data));
  return data;
}

TEST(LanguageFile, LineEnds) {
  struct Case {
    QByteArray data;
    QList<Text> lines;
  };
  const std::vector<Case> cases = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitFileLines(c.data), c.lines) << c.data.toHex().constData();
}

TEST(LanguageFile, ParsesSectionsAndIgnoresLinesBeforeTheFirst) {
  Text first;
  const LanguageSections s = ParseLanguageFile(
      "English\nstray line\r[FormMain]\r\nLabel1.Caption=Status\r\n\r\n[Glb\nx=y\n[]\n", &first);
  EXPECT_EQ(first, "English");
  ASSERT_EQ(s.sections.size(), 3);
  EXPECT_EQ(s.sections[0].name, "FormMain");
  EXPECT_EQ(s.sections[0].lines, (QList<Text>{"Label1.Caption=Status", ""}));
  EXPECT_EQ(s.sections[1].name, "Gl");  // the last character is taken for the bracket
  EXPECT_EQ(s.sections[1].lines, QList<Text>{"x=y"});
  EXPECT_EQ(s.sections[2].name, "");
  EXPECT_EQ(s.Find("formmain"), 0);
  EXPECT_EQ(s.Find("FORMMAIN"), 0);
  EXPECT_EQ(s.Find("FormOption"), -1);
}

TEST(LanguageFile, RoundTripKeepsNameLineAndBytes) {
  const QByteArray data =
      "Fran\xE7" "ais\r\n[FormMain]\r\nLabel1.Caption=Gr\xF6\xDF" "e \x80\xB6" "2\r\n\r\n"
      "[FormOption]\r\nStrMain.Strings[3]=a.b=c\r\n";
  Text first;
  const LanguageSections s = ParseLanguageFile(data, &first);
  EXPECT_EQ(FormatLanguageFile(s), data);

  TempDir dir;
  ASSERT_TRUE(WriteLanguageFile(dir.File("x.lng"), s));
  EXPECT_EQ(ReadBytes(dir.File("x.lng")), data);
  LanguageSections back;
  ASSERT_TRUE(ReadLanguageFile(dir.File("x.lng"), &back, &first));
  EXPECT_EQ(first, "Fran\xE7" "ais");
  EXPECT_EQ(FormatLanguageFile(back), data);
}

TEST(LanguageFile, WriteStartsWithHeaderWithoutNameLineAndKeepsLinesWhole) {
  LanguageSections s;
  s.Add("FormMain");
  s.sections[0].lines = {"Label1.Caption=one\r\ntwo", "Bt.Hint=x\ny"};
  EXPECT_EQ(FormatLanguageFile(s),
            QByteArray("[FormMain]\r\nLabel1.Caption=one\xB6two\r\nBt.Hint=xy\r\n"));
  // A file that began with a header has no name line to keep.
  EXPECT_FALSE(ParseLanguageFile("[A]\r\nx=1\r\n").nameLine.has_value());
  EXPECT_EQ(FormatLanguageFile(ParseLanguageFile("[A]\r\nx=1\r\n")), QByteArray("[A]\r\nx=1\r\n"));
}

TEST(LanguageFile, FailedWriteKeepsTheOldFile) {
  TempDir dir;
  const QString path = dir.File("x.lng");
  WriteBytes(path, "old\r\n");
  LanguageSections s;
  s.Add("FormMain");
  const WriteFaultHook previous = SetWriteFaultHook([](const QString&) { return qint64{3}; });
  QString error;
  EXPECT_FALSE(WriteLanguageFile(path, s, &error));
  SetWriteFaultHook(previous);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(ReadBytes(path), QByteArray("old\r\n"));
  EXPECT_FALSE(WriteLanguageFile(dir.File("missing/x.lng"), s, &error));
  EXPECT_FALSE(WriteLanguageFile(QString(), s, &error));
}

TEST(LanguageFile, ReadMissingLeavesSectionsAlone) {
  LanguageSections s;
  s.Add("Kept");
  TempDir dir;
  EXPECT_FALSE(ReadLanguageFile(dir.File("none.lng"), &s));
  EXPECT_FALSE(ReadLanguageFile(dir.Path(), &s));  // a folder is no file
  EXPECT_FALSE(ReadLanguageFile(QString(), &s));
  ASSERT_EQ(s.sections.size(), 1);
  EXPECT_EQ(s.sections[0].name, "Kept");
}

TEST(LanguageFile, SplitEntry) {
  struct Case {
    Text line, component, property, value;
  };
  const std::vector<Case> cases = {
      {"Label1.Caption=Hallo", "Label1", "Caption", "Hallo"},
      {"Label1.Caption=...", "Label1", "Caption", ""},
      {"Label1.Caption=a=b", "Label1", "Caption", "a=b"},
      {"..Label1..Caption==.x.y=", "Label1", "Caption", "x.y="},
      {"StrMain.Strings[3]= Wert . mit Punkt ", "StrMain", "Strings[3]", " Wert . mit Punkt "},
      {"Label1", "Label1", "", ""},
      {"Label1.Caption", "Label1", "Caption", ""},
      {"", "", "", ""},
      {"=.=", "", "", ""},
  };
  for (const Case& c : cases) {
    const LanguageEntry e = SplitEntry(c.line);
    EXPECT_EQ(e.component, c.component) << c.line.constData();
    EXPECT_EQ(e.property, c.property) << c.line.constData();
    EXPECT_EQ(e.value, c.value) << c.line.constData();
  }
}

TEST(LanguageFile, ClassifyProperty) {
  struct Case {
    Text property;
    EntryProperty kind;
    int32_t index;
  };
  const std::vector<Case> cases = {
      {"caption", EntryProperty::Caption, -1},
      {"HINT", EntryProperty::Hint, -1},
      {"Hint ", EntryProperty::Other, -1},
      {"Strings[22]", EntryProperty::Strings, 22},
      {"strings[1234]", EntryProperty::Strings, 123},  // three characters are read
      {"Strings[-1]", EntryProperty::Strings, -1},
      {"Item[5]", EntryProperty::Item, 5},
      {"ITEMS[0]", EntryProperty::Items, 0},
      {"Items", EntryProperty::Other, -1},
      {"Text", EntryProperty::Other, -1},
      {"", EntryProperty::Other, -1},
  };
  for (const Case& c : cases) {
    int32_t index = -1;
    EXPECT_EQ(ClassifyProperty(c.property, &index), c.kind) << c.property.constData();
    EXPECT_EQ(index, c.index) << c.property.constData();
  }
}

TEST(LanguageFile, ValuesKeysAndBaseNames) {
  EXPECT_EQ(ValueToText("a\xB6" "b\xB6"), Text("a\r\nb\r\n"));
  EXPECT_EQ(TextToValue("a\r\nb\rc\nd"), Text("a\xB6" "b\xB6" "cd"));
  EXPECT_EQ(EntryKey("Label1.Caption=a=b"), Text("Label1.Caption"));
  EXPECT_EQ(EntryKey("Label1.Caption"), Text("Label1.Caption"));
  EXPECT_EQ(WindowBaseName("FormOption_2"), Text("FormOption"));
  EXPECT_EQ(WindowBaseName("FormOption"), Text("FormOption"));
  EXPECT_EQ(WindowBaseName("_x"), Text(""));
  EXPECT_EQ(UpperPlainAscii("deu\xE4x"), Text("DEU\xE4X"));
  EXPECT_EQ(ProgramBaseName("/opt/orx/Setup720"), Text("SETUP720"));
  EXPECT_EQ(ProgramBaseName("C:/orx/Setup720.exe"), Text("SETUP720"));
}

TEST(LanguageFile, CommandLineDecisions) {
  const QString dir = "/p/";
  struct Case {
    QStringList arguments;
    QString file;
    bool manager;
  };
  const QString longName(250, QLatin1Char('x'));
  const std::vector<Case> cases = {
      {{"Setup720"}, "ini.lng", false},
      {{"-CL"}, "ini.lng", false},  // element 0 is the program
      {{"Setup720", "deu_"}, "/p/DEU_SETUP720.LNG", false},
      {{"Setup720", "abc_x"}, "/p/ABC_XSETUP720.LNG", false},
      {{"Setup720", QString::fromUtf8("fr\u00E4_")}, "/p/FRAE_SETUP720.LNG", false},
      {{"Setup720", "-cl"}, "ini.lng", true},
      {{"Setup720", "-CLX"}, "ini.lng", false},
      {{"Setup720", "-Lsub/eng.lng"}, "sub/eng.lng", false},
      {{"Setup720", "-l" + longName}, longName.left(200), false},
      {{"Setup720", "-L"}, "", false},
      {{"Setup720", "eng_", "-Lz.lng", "-CL"}, "z.lng", true},
      {{"Setup720", "-Lz.lng", "eng_"}, "/p/ENG_SETUP720.LNG", false},
      {{"Setup720", "-L__x"}, "__x", false},  // both rules apply, "-L" comes last
      {{"Setup720", "/OSPRACHE", "/F2", "abc"}, "ini.lng", false},
  };
  for (const Case& c : cases) {
    const LanguageSwitches s = EvaluateLanguageSwitches(c.arguments, "ini.lng", dir, "SETUP720");
    EXPECT_EQ(s.languageFile, c.file) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(s.managerMode, c.manager) << c.arguments.join(' ').toStdString();
  }
}

TEST(LanguageFile, CompletePathAndFallback) {
  struct Case {
    QString file, path;
  };
  const std::vector<Case> cases = {
      {"eng.lng", "/p/eng.lng"}, {"", ""},       {"   ", "   "},
      {"sub/eng.lng", "sub/eng.lng"}, {"C:\\x.lng", "C:\\x.lng"}, {"/abs/e.lng", "/abs/e.lng"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CompleteLanguagePath(c.file, "/p/"), c.path) << c.file.toStdString();
  EXPECT_EQ(FallbackLanguageFile("/p/", "SETUP720"), QString("/p/DEU_SETUP720.LNG"));
}

TEST(LanguageFile, FindFileIgnoresCase) {
  TempDir dir;
  WriteBytes(dir.File("deu_setup720.lng"), "Deutsch\r\n");
  EXPECT_EQ(FindFileNoCase(dir.File("deu_setup720.lng")), dir.File("deu_setup720.lng"));
  EXPECT_EQ(FindFileNoCase(dir.File("DEU_SETUP720.LNG")), dir.File("deu_setup720.lng"));
  EXPECT_EQ(FindFileNoCase(dir.File("eng_setup720.lng")), QString());
  EXPECT_EQ(FindFileNoCase(dir.File("none/DEU_SETUP720.LNG")), QString());
  EXPECT_EQ(FindFileNoCase(QString()), QString());
}

TEST(LanguageFile, ScanListsNamedFilesByNameUpToTheLimit) {
  TempDir dir;
  WriteBytes(dir.File("b.lng"), "English\r\n[FormMain]\r\n");
  WriteBytes(dir.File("A.LNG"), "Deutsch");
  WriteBytes(dir.File("empty.lng"), "");
  WriteBytes(dir.File("c.txt"), "Text\r\n");
  const QList<LanguageMenuEntry> all = ScanLanguageFiles(dir.Path() + "/");
  ASSERT_EQ(all.size(), 2);
  EXPECT_EQ(all[0].name, "Deutsch");
  EXPECT_EQ(all[0].fileName, "A.LNG");
  EXPECT_EQ(all[1].name, "English");
  EXPECT_EQ(all[1].fileName, "b.lng");
  EXPECT_EQ(ScanLanguageFiles(dir.Path() + "/", 1).size(), 1);
  EXPECT_TRUE(ScanLanguageFiles(dir.File("none/")).isEmpty());
}

TEST(LanguageFile, SettingsInMainSectionKeepTheRest) {
  TempDir dir;
  const QString ini = dir.File("Setup720.INI");
  EXPECT_EQ(ReadLanguageSettings(ini).languageFile, QString());
  EXPECT_EQ(ReadLanguageSettings(ini).languageName, Text());
  WriteBytes(ini, "[KONFIG]\r\nComport=3\r\n");
  ASSERT_TRUE(WriteLanguageSettings(ini, QString::fromUtf8("fran\u00E7ais.lng"), "FRAN\xE7" "AIS"));
  const LanguageSettings s = ReadLanguageSettings(ini);
  EXPECT_EQ(s.languageFile, QString::fromUtf8("fran\u00E7ais.lng"));
  EXPECT_EQ(s.languageName, Text("FRAN\xE7" "AIS"));
  ASSERT_TRUE(WriteLanguageFileSetting(ini, "eng.lng"));
  const IniFile back(ini);
  EXPECT_EQ(back.ReadString("Main", "Languagefile", ""), Text("eng.lng"));
  EXPECT_EQ(back.ReadString("Main", "Language", ""), Text("FRAN\xE7" "AIS"));
  EXPECT_EQ(back.ReadInteger("KONFIG", "Comport", 0), 3);
}

}  // namespace
