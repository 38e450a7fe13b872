#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString Write(const QByteArray& data) {
    const QString path = dir_.File("Setup720.INI");
    EXPECT_TRUE(WriteWholeFile(path, data));
    return path;
  }
  QByteArray Read(const QString& path) {
    QByteArray data;
    EXPECT_TRUE(ReadWholeFile(path, &data));
    return data;
  }
  TempDir dir_;
};

TEST_F(IniFileTest, LookupIgnoresCaseAndBlanks) {
  IniFile ini(Write("[KONFIG]\r\n  Comport = 3 \r\nHexFile=C:\\a b\\x.h20\r\n[Main]\r\nDisclaim=1\r\n"));
  EXPECT_EQ(ini.ReadString("konfig", "COMPORT", "1"), "3");
  EXPECT_EQ(ini.ReadString("Konfig", "hexfile", ""), "C:\\a b\\x.h20");
  EXPECT_EQ(ini.ReadString("KONFIG", "Disclaim", "def"), "def");  // other section
  EXPECT_TRUE(ini.ReadBool("MAIN", "disclaim", false));
  EXPECT_TRUE(ini.SectionExists("main"));
  EXPECT_FALSE(ini.SectionExists("setup720"));
  EXPECT_TRUE(ini.ValueExists("KONFIG", "comport"));
  EXPECT_FALSE(ini.ValueExists("KONFIG", "AutoCom"));
  EXPECT_EQ(ini.ReadSection("konfig"), (QList<Text>{"Comport", "HexFile"}));
  EXPECT_EQ(ini.ReadSections(), (QList<Text>{"KONFIG", "Main"}));
}

TEST_F(IniFileTest, LineEndsOfEveryKind) {
  for (const QByteArray& eol : {QByteArray("\r\n"), QByteArray("\n"), QByteArray("\r")}) {
    IniFile ini(Write("[A]" + eol + "x=1" + eol + eol + "[B]" + eol + "y=2"));
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    EXPECT_EQ(ini.ReadString("B", "y", ""), "2");
    EXPECT_EQ(ini.ReadSections().size(), 2);
  }
}

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsCreatedByTheFirstWrite) {
  const QString path = dir_.File("Setup720.INI");
  IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("KONFIG", "Comport", 1), 1);
  EXPECT_FALSE(ini.ReadBool("KONFIG", "AutoCom", false));
  EXPECT_EQ(ini.ReadString("setup720", "language", ""), "");
  EXPECT_TRUE(ini.ReadSections().isEmpty());
  ini.WriteInteger("KONFIG", "Comport", 4);
  ini.WriteBool("KONFIG", "AutoCom", true);
  ini.WriteString("setup720", "language", "DEUTSCH");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Read(path), "[KONFIG]\r\nComport=4\r\nAutoCom=1\r\n[setup720]\r\nlanguage=DEUTSCH\r\n");
}

TEST_F(IniFileTest, WritingKeepsEverythingElse) {
  const QString path = Write(
      "; Kommentar\n"
      "[KONFIG]\n"
      "comport=2\n"
      "Fremd = bleibt  \n"
      "; Ende KONFIG\n"
      "\n"
      "[Unbekannt]\n"
      "Zeile ohne Gleichheitszeichen\n"
      "a=b");
  IniFile ini(path);
  ini.WriteInteger("KONFIG", "Comport", 7);      // existing key, spelling kept
  ini.WriteString("KONFIG", "MAPFILE", "m.map");  // new key after the last key line
  ini.WriteString("Main", "Disclaim", "1");       // new section at the end
  ini.WriteString("Unbekannt", "neu", "");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Read(path),
            "; Kommentar\r\n"
            "[KONFIG]\r\n"
            "comport=7\r\n"
            "Fremd = bleibt  \r\n"
            "MAPFILE=m.map\r\n"
            "; Ende KONFIG\r\n"
            "\r\n"
            "[Unbekannt]\r\n"
            "Zeile ohne Gleichheitszeichen\r\n"
            "a=b\r\n"
            "neu=\r\n"
            "[Main]\r\n"
            "Disclaim=1\r\n");
  IniFile again(path);
  EXPECT_EQ(again.ReadInteger("konfig", "comport", 0), 7);
  EXPECT_EQ(again.ReadString("Unbekannt", "neu", "def"), "");  // present but empty
}

TEST_F(IniFileTest, NewKeyInASectionWithoutKeysFollowsItsComments) {
  const QString path = Write("[A]\r\n; nur Kommentar\r\n\r\n[B]\r\n");
  IniFile ini(path);
  ini.WriteString("A", "k", "v");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Read(path), "[A]\r\n; nur Kommentar\r\nk=v\r\n\r\n[B]\r\n");
}

TEST_F(IniFileTest, FirstDuplicateWinsAndDeleteRemovesAll) {
  const QString path = Write("[A]\r\nk=erst\r\nK=zweit\r\n[a]\r\nk=drittens\r\nz=1\r\n");
  IniFile ini(path);
  EXPECT_EQ(ini.ReadString("A", "k", ""), "erst");
  EXPECT_FALSE(ini.ValueExists("A", "z"));  // the second [a] is hidden by the first
  ini.WriteString("a", "K", "neu");
  EXPECT_EQ(ini.ReadString("A", "k", ""), "neu");
  ini.DeleteKey("A", "k");
  EXPECT_FALSE(ini.ValueExists("A", "k"));
  ini.EraseSection("A");
  EXPECT_FALSE(ini.SectionExists("a"));
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Read(path), "");
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  struct Case { QByteArray value; int32_t asInt; bool asBoolDefFalse; bool asBoolDefTrue; };
  const std::vector<Case> cases = {
      {"1", 1, true, true},
      {"0", 0, false, false},
      {" 7 ", 7, true, true},
      {"-12", -12, true, true},
      {"abc", 99, false, true},
      {"", 99, false, true},
      {"12abc", 99, false, true},
      {"0x10", 99, false, true},
      {"2147483648", 99, false, true},
  };
  for (const Case& c : cases) {
    IniFile ini(Write("[S]\r\nv=" + c.value + "\r\n"));
    EXPECT_EQ(ini.ReadInteger("S", "v", 99), c.asInt) << c.value.constData();
    EXPECT_EQ(ini.ReadBool("S", "v", false), c.asBoolDefFalse) << c.value.constData();
    EXPECT_EQ(ini.ReadBool("S", "v", true), c.asBoolDefTrue) << c.value.constData();
  }
}

TEST_F(IniFileTest, HighBytesArePreserved) {
  Text high;
  for (int i = 0x80; i <= 0xFF; ++i) high += static_cast<char>(i);
  const QString path = Write("[Gr\xF6\xDF" "e]\r\n; " + high + "\r\n");
  IniFile ini(path);
  ini.WriteString("GR\xD6\xDF" "E", "Name", high);  // case folding covers umlauts
  ini.WriteString("S", "\xC4nderung", "\x80");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Read(path), "[Gr\xF6\xDF" "e]\r\n; " + high + "\r\nName=" + high +
                            "\r\n[S]\r\n\xC4nderung=\x80\r\n");
  IniFile again(path);
  EXPECT_EQ(again.ReadString("gr\xF6\xDF" "e", "name", ""), high);
  EXPECT_EQ(again.ReadString("s", "\xE4nderung", ""), "\x80");
}

TEST_F(IniFileTest, LineBreaksInAValueCannotAddLines) {
  const QString path = dir_.File("Setup720.INI");
  IniFile ini(path);
  ini.WriteString("S", "a", "x\r\n[Boese]\r\nb=1");
  ASSERT_TRUE(ini.UpdateFile());
  IniFile again(path);
  EXPECT_FALSE(again.SectionExists("Boese"));
  EXPECT_EQ(again.ReadSection("S"), QList<Text>{"a"});
}

TEST_F(IniFileTest, FromBytesReadsAsTheFileWouldAndWritesToItsPath) {
  const QByteArray data = "; c\r\n[KONFIG]\r\n Comport = 3\nx\r[Main]\r\nDisclaim=1";
  const IniFile fromFile(Write(data));
  const QString path = dir_.File("other.INI");
  ASSERT_TRUE(WriteWholeFile(path, "[Fremd]\r\nf=1\r\n"));  // not read
  IniFile fromBytes(path, data);
  EXPECT_EQ(fromBytes.ReadSections(), fromFile.ReadSections());
  EXPECT_EQ(fromBytes.ReadSection("konfig"), fromFile.ReadSection("konfig"));
  EXPECT_EQ(fromBytes.ReadInteger("KONFIG", "Comport", 0), 3);
  EXPECT_FALSE(fromBytes.SectionExists("Fremd"));
  ASSERT_TRUE(fromBytes.UpdateFile());
  EXPECT_EQ(Read(path), "; c\r\n[KONFIG]\r\n Comport = 3\r\nx\r\n[Main]\r\nDisclaim=1\r\n");
}

TEST_F(IniFileTest, UpdateFailureKeepsTheOldFile) {
  const QString path = Write("[A]\r\nk=alt\r\n");
  IniFile ini(path);
  ini.WriteString("A", "k", "neu");
  SetWriteFaultHook([](const QString&) { return qint64{4}; });
  QString error;
  EXPECT_FALSE(ini.UpdateFile(&error));
  SetWriteFaultHook({});
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(Read(path), "[A]\r\nk=alt\r\n");

  IniFile nowhere(dir_.File("fehlt/Setup720.INI"));
  nowhere.WriteString("A", "k", "v");
  EXPECT_FALSE(nowhere.UpdateFile(&error));
}

}  // namespace
