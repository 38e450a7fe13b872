#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "test_support.h"
#include "util/files.h"
#include "util/settings_store.h"

namespace {

QByteArray ReadBytes(const QString& path) {
  QByteArray data;
  EXPECT_TRUE(ReadWholeFile(path, &data));
  return data;
}

TEST(SettingsStoreTest, ValuesSurviveAReadOfTheFileByteForByte) {
  TempDir dir;
  const QString path = dir.File("cfg/Setup720/registry.ini");  // folders are created
  const struct {
    Text key;
    Text name;
    Text value;
  } cases[] = {
      {"Software\\ORX\\Setup720\\keyf", "FID", "2"},
      {"Software\\ORX\\Setup720\\lang", "Set", "1 "},  // the blank counts
      {"Software\\ORX\\Setup720\\Main", "NormPos", "10,20,300,400"},
      {"Software\\ORX\\TQN\\Textedit", "Odd", "a\"b\\c\r\nd\te\x01"},
      {"Software\\ORX\\Setup720\\Brennstoffe", "OpenDialog_FileName", "/home/k\xE4the/BRN_1.bin"},
      {"Software\\ORX\\Setup720\\Brennstoffe", "C1", "\x81\x8D\x9D\x80"},
      {"SETUP720\\PROGLISTEN", "", "  leading"},
  };
  {
    SettingsStore store(path);
    for (const auto& c : cases) ASSERT_TRUE(store.WriteString(c.key, c.name, c.value)) << c.name.constData();
  }
  SettingsStore again(path);
  ASSERT_TRUE(again.Readable());
  for (const auto& c : cases) {
    bool found = false;
    EXPECT_EQ(again.ReadString(c.key, c.name, &found), c.value) << c.name.constData();
    EXPECT_TRUE(found) << c.name.constData();
  }
  // Paths are the registry's: no case, outer and doubled separators do not count.
  EXPECT_EQ(again.ReadString("\\software\\orx\\\\SETUP720\\KEYF\\", "fid"), "2");
  bool found = true;
  EXPECT_EQ(again.ReadString("Software\\ORX\\Setup720\\keyf", "ID", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(again.ReadString("Software\\ORX\\Setup720\\loadprog", "ID", &found), "");
  EXPECT_FALSE(found);

  // Readable text, one line per value, the key paths as they are.
  const QString text = QString::fromUtf8(ReadBytes(path));
  EXPECT_TRUE(text.contains("[Software\\ORX\\Setup720\\keyf]\n\"FID\"=\"2\"\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("\"Set\"=\"1 \"\n"));
  EXPECT_TRUE(text.contains(QString::fromUtf8("k\u00e4the")));
  EXPECT_TRUE(text.contains("\"a\\\"b\\\\c\\r\\nd\\te\\x01\""));
}

TEST(SettingsStoreTest, DeleteKeyRemovesTheTreeBelowItOnly) {
  TempDir dir;
  const QString path = dir.File("registry.ini");
  SettingsStore store(path);
  ASSERT_TRUE(store.WriteString("Software\\ORX\\Setup720\\keyf", "FID", "3"));
  ASSERT_TRUE(store.WriteString("Software\\ORX\\Setup720\\Option", "NormPos", "1,2,3,4"));
  ASSERT_TRUE(store.WriteString("Software\\ORX\\Setup720", "Top", "x"));
  ASSERT_TRUE(store.WriteString("Software\\ORX\\Setup7200", "Near", "kept"));
  ASSERT_TRUE(store.WriteString("Software\\ORX\\ORX720Tools\\ALV", "Flags", "0"));
  EXPECT_TRUE(store.KeyExists("Software\\ORX"));  // only keys below it hold values

  ASSERT_TRUE(store.DeleteKey("\\Software\\ORX\\setup720"));
  for (const SettingsStore* s : {static_cast<const SettingsStore*>(&store),
                                 static_cast<const SettingsStore*>(new SettingsStore(path))}) {
    EXPECT_FALSE(s->KeyExists("Software\\ORX\\Setup720"));
    EXPECT_FALSE(s->KeyExists("Software\\ORX\\Setup720\\keyf"));
    EXPECT_FALSE(s->ValueExists("Software\\ORX\\Setup720\\Option", "NormPos"));
    EXPECT_EQ(s->ReadString("Software\\ORX\\Setup7200", "Near"), "kept");
    EXPECT_EQ(s->ReadString("Software\\ORX\\ORX720Tools\\ALV", "Flags"), "0");
    if (s != &store) delete s;
  }

  // The reset writes its keys back; an empty key exists too.
  ASSERT_TRUE(store.CreateKey("Software\\ORX\\Setup720\\loadprog"));
  EXPECT_TRUE(SettingsStore(path).KeyExists("Software\\ORX\\Setup720\\loadprog"));
  ASSERT_TRUE(store.DeleteValue("Software\\ORX\\Setup7200", "near"));
  EXPECT_FALSE(SettingsStore(path).ValueExists("Software\\ORX\\Setup7200", "Near"));
}

TEST(SettingsStoreTest, AFileThatCannotBeReadIsNeverReplaced) {
  TempDir dir;
  // A folder where the file should be: there, but not readable as a file
  // (holds for root too, unlike permission bits).
  const QString path = dir.File("registry.ini");
  ASSERT_TRUE(QDir().mkpath(path));
  SettingsStore store(path);
  EXPECT_FALSE(store.Readable());
  EXPECT_FALSE(store.KeyExists("Software"));
  EXPECT_FALSE(store.WriteString("Software\\ORX\\Setup720\\keyf", "FID", "2"));
  EXPECT_FALSE(store.DeleteKey("Software\\ORX\\Setup720"));
  EXPECT_TRUE(QFileInfo(path).isDir());

  // A missing file is an empty, readable store.
  SettingsStore fresh(dir.File("none.ini"));
  EXPECT_TRUE(fresh.Readable());
  EXPECT_FALSE(fresh.KeyExists("Software\\ORX\\Setup720"));
}

TEST(SettingsStoreTest, AFailedWriteLeavesTheStoreAsBefore) {
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File("plain"), "x"));
  SettingsStore store(dir.File("plain/registry.ini"));  // its folder is a file
  EXPECT_FALSE(store.WriteString("Software\\ORX\\Setup720\\keyf", "FID", "2"));
  EXPECT_FALSE(store.ValueExists("Software\\ORX\\Setup720\\keyf", "FID"));
  EXPECT_FALSE(store.KeyExists("Software\\ORX\\Setup720"));
  EXPECT_FALSE(store.LastError().isEmpty());
}

TEST(SettingsStoreTest, AWriteThatFailsPartWayKeepsFileAndStore) {
  TempDir dir;
  const QString path = dir.File("registry.ini");
  const Text key = "Software\\ORX\\Setup720\\keyf";
  ASSERT_TRUE(SettingsStore(path).WriteString(key, "FID", "2"));
  const QByteArray old = ReadBytes(path);
  struct Case {
    const char* what;
    std::function<bool(SettingsStore&)> change;
  };
  const std::vector<Case> cases = {
      {"write", [&](SettingsStore& s) { return s.WriteString(key, "FID", "3"); }},
      {"several", [&](SettingsStore& s) { return s.WriteStrings(key, {{"FID", "4"}, {"X", "y"}}); }},
      {"new key", [&](SettingsStore& s) { return s.CreateKey("Software\\Neu"); }},
      {"delete value", [&](SettingsStore& s) { return s.DeleteValue(key, "FID"); }},
      {"delete key", [&](SettingsStore& s) { return s.DeleteKey("Software"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SettingsStore store(path);
    SetWriteFaultHook([](const QString&) { return qint64{6}; });
    EXPECT_FALSE(c.change(store));
    SetWriteFaultHook({});
    EXPECT_FALSE(store.LastError().isEmpty());
    EXPECT_EQ(ReadBytes(path), old);
    // The store still holds what the file holds, and the next write works.
    EXPECT_EQ(store.ReadString(key, "FID"), "2");
    EXPECT_EQ(store.ValueNames(key), QList<Text>{"FID"});
    EXPECT_FALSE(store.KeyExists("Software\\Neu"));
    EXPECT_TRUE(c.change(store));
    EXPECT_NE(ReadBytes(path), old);
    ASSERT_TRUE(WriteWholeFile(path, old));
  }
}

TEST(SettingsStoreTest, FromBytesReadsAsTheFileWouldAndWritesToItsPath) {
  TempDir dir;
  const QByteArray data = "[Software\\ORX\\Setup720\\keyf]\r\n\"FID\"=\"2\"\nplain = x \r\n[]\n";
  const QString path = dir.File("registry.ini");
  ASSERT_TRUE(WriteWholeFile(path, "[Fremd]\n\"f\"=\"1\"\n"));  // not read
  SettingsStore store(path, data);
  EXPECT_TRUE(store.Readable());
  EXPECT_FALSE(store.KeyExists("Fremd"));
  EXPECT_EQ(store.ValueNames("software\\orx\\setup720\\keyf"), (QList<Text>{"FID", "plain"}));
  EXPECT_EQ(store.ReadString("Software\\ORX\\Setup720\\keyf", "plain"), "x");
  ASSERT_TRUE(store.WriteString("Software\\ORX\\Setup720\\lang", "Set", "1"));
  SettingsStore again(path);
  EXPECT_FALSE(again.KeyExists("Fremd"));
  EXPECT_EQ(again.ReadString("Software\\ORX\\Setup720\\keyf", "FID"), "2");
  EXPECT_EQ(again.ReadString("Software\\ORX\\Setup720\\lang", "Set"), "1");
}

TEST(SettingsStoreTest, HandEditedFilesReadLeniently) {
  TempDir dir;
  const QString path = dir.File("registry.ini");
  ASSERT_TRUE(WriteWholeFile(path,
                             "orphan=1\r\n"
                             "; comment\r\n"
                             "[Software\\ORX\\Setup720\\keyf]\r\n"
                             "FID = 2\r\n"
                             "garbage line\r\n"
                             "\"Open\"=\"no end\r\n"
                             "\"Esc\"=\"\\q\\x4\\xZZ\\x41\"\r\n"
                             "\"Int\"=\" 17 \"\r\n"
                             "[Software\\ORX\\Setup720\\lang]\n"
                             "\"Set\"=\"1\"\n"
                             "\"set\"=\"0\"\n"
                             "[]\n"
                             "[unclosed\n"));
  SettingsStore store(path);
  EXPECT_EQ(store.ReadString("Software\\ORX\\Setup720\\keyf", "FID"), "2");
  EXPECT_EQ(store.ReadString("Software\\ORX\\Setup720\\keyf", "Open"), "no end");
  EXPECT_EQ(store.ReadString("Software\\ORX\\Setup720\\keyf", "Esc"), "qx4xZZA");
  EXPECT_EQ(store.ReadInteger("Software\\ORX\\Setup720\\keyf", "Int", -1), 17);
  EXPECT_EQ(store.ReadInteger("Software\\ORX\\Setup720\\keyf", "Open", -1), -1);
  EXPECT_EQ(store.ReadString("Software\\ORX\\Setup720\\lang", "Set"), "0");  // the later one
  EXPECT_FALSE(store.ValueExists("", "orphan"));
  EXPECT_EQ(store.ValueNames("Software\\ORX\\Setup720\\keyf"),
            (QList<Text>{"FID", "Open", "Esc", "Int"}));
}

}  // namespace
