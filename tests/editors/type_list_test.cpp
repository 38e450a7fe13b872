#include "editors/type_list.h"

#include <gtest/gtest.h>

#include <vector>

#include <QDir>
#include <QFile>

#include "test_support.h"
#include "util/files.h"

namespace {

Text ReadBytes(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

void WriteBytes(const QString& path, const Text& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(data);
}

Text Blanks(int n) { return Text(n, ' '); }

TEST(TypeListFile, LineEnds) {
  struct Case {
    Text content;
    QList<Text> lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two line ends
      {"\r\n", {""}},
      {Text("x\0y\r\n", 5), {Text("x\0y", 3)}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitTypeLines(c.content), c.lines) << c.content.toHex().constData();
  EXPECT_EQ(JoinTypeLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinTypeLines({}), "");
}

TEST(TypeListFile, ReadsAnyLineEndAndWritesCrLf) {
  TempDir dir;
  const QString in = dir.File("in.txt");
  const QString out = dir.File("out.txt");
  WriteBytes(in, "01 Alpha\r\n02 Beta\n03 Gr\xF6\xDF" "e\r04 Delta");
  TTypeList list;
  ASSERT_EQ(list.Load(in), TTypeList::LoadStatus::Loaded);
  EXPECT_EQ(list.Lines(), (QList<Text>{"01 Alpha", "02 Beta", "03 Gr\xF6\xDF" "e", "04 Delta"}));
  ASSERT_TRUE(list.Save(out));
  EXPECT_EQ(ReadBytes(out), "01 Alpha\r\n02 Beta\r\n03 Gr\xF6\xDF" "e\r\n04 Delta\r\n");
  TTypeList again;
  ASSERT_EQ(again.Load(out), TTypeList::LoadStatus::Loaded);
  EXPECT_EQ(again.Lines(), list.Lines());
}

TEST(TypeListFile, MissingEmptyAndUnreadableFiles) {
  TempDir dir;
  TTypeList list;
  list.SetLines({"old"});
  QString error;
  EXPECT_EQ(list.Load(dir.File("none.txt"), &error), TTypeList::LoadStatus::Missing);
  EXPECT_EQ(list.Count(), 0);

  WriteBytes(dir.File("empty.txt"), "");
  EXPECT_EQ(list.Load(dir.File("empty.txt")), TTypeList::LoadStatus::Loaded);
  EXPECT_EQ(list.Count(), 0);

  list.SetLines({"old"});
  ASSERT_TRUE(QDir(dir.Path()).mkdir("folder.txt"));
  EXPECT_EQ(list.Load(dir.File("folder.txt"), &error), TTypeList::LoadStatus::Failed);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(list.Count(), 0);

  // Something far bigger than a type list is refused before it is read.
  QFile big(dir.File("big.txt"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(kMaxTypeListFileSize + 1));
  big.close();
  error.clear();
  EXPECT_EQ(list.Load(dir.File("big.txt"), &error), TTypeList::LoadStatus::Failed);
  EXPECT_FALSE(error.isEmpty());
}

TEST(TypeListFile, LoadingAnotherFilePadsTo48AndFailureKeepsTheList) {
  TempDir dir;
  WriteBytes(dir.File("short.txt"), "01 A\r\n02 B\r\n");
  TTypeList list;
  ASSERT_TRUE(list.LoadOther(dir.File("short.txt")));
  ASSERT_EQ(list.Count(), kPaddedTypeLines);
  EXPECT_EQ(list.Line(2), "02 B");
  EXPECT_EQ(list.Line(3), "");
  EXPECT_EQ(list.Line(48), "");

  QByteArray many;
  for (int i = 1; i <= 60; ++i) many += "T" + Text::number(i) + "\n";
  WriteBytes(dir.File("long.txt"), many);
  ASSERT_TRUE(list.LoadOther(dir.File("long.txt")));
  EXPECT_EQ(list.Count(), 60);

  const QList<Text> before = list.Lines();
  ASSERT_TRUE(QDir(dir.Path()).mkdir("sub"));
  for (const QString& path : {dir.File("missing.txt"), dir.File("sub")}) {
    QString error;
    EXPECT_FALSE(list.LoadOther(path, &error)) << path.toStdString();
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(list.Lines(), before);
  }
}

TEST(TypeListFile, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  const QString path = dir.File("Typlist.txt");
  WriteBytes(path, "01 Old\r\n");
  TTypeList list;
  list.SetLines({"01 New", "02 More"});
  const WriteFaultHook previous = SetWriteFaultHook([](const QString&) { return qint64{5}; });
  QString error;
  EXPECT_FALSE(list.Save(path, &error));
  SetWriteFaultHook(previous);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(ReadBytes(path), "01 Old\r\n");
  EXPECT_FALSE(list.Save(dir.File("no/such/folder/Typlist.txt"), &error));
}

TEST(OptionString, PositionsOfTheLayout) {
  EXPECT_EQ(DisplayCodePosition(1, 1), 51);
  EXPECT_EQ(DisplayCodePosition(1, 8), 65);
  EXPECT_EQ(DisplayCodePosition(2, 1), 71);
  EXPECT_EQ(DisplayCodePosition(3, 8), 105);
  EXPECT_EQ(PrintCodePosition(1), 131);
  EXPECT_EQ(PrintCodePosition(24), 177);

  OptionContent content;
  content.Bits[0] = content.Bits[30] = content.Bits[7] = true;
  for (int c = 0; c < kDisplayCount; ++c)
    for (int r = 0; r < kDisplayRows; ++r) content.Display[c][r] = 10 * c + r + 1;  // 01..38
  for (int r = 0; r < kPrintRows; ++r) content.Print[r] = r + 20;                   // 20..43
  const Text s = MakeOptionString(content);
  ASSERT_EQ(s.size(), kOptionStringLength);
  EXPECT_EQ(s.left(31), "1000000100000000000000000000001");
  EXPECT_EQ(s.mid(50, 16), "0102030405060708");  // display 1, positions 51..66
  EXPECT_EQ(s.mid(70, 16), "1112131415161718");  // display 2, 71..86
  EXPECT_EQ(s.mid(90, 16), "2122232425262728");  // display 3, 91..106
  EXPECT_EQ(s.mid(130, 48), "202122232425262728293031323334353637383940414243");
  // Everything between the fields stays blank.
  for (auto [from, to] : std::vector<std::pair<int, int>>{{32, 50}, {67, 70}, {87, 90}, {107, 130}, {179, 250}})
    EXPECT_EQ(s.mid(from - 1, to - from + 1), Blanks(to - from + 1)) << from;

  const OptionContent back = ReadOptionString(s);
  EXPECT_EQ(back.Bits, content.Bits);
  EXPECT_EQ(back.Display, content.Display);
  EXPECT_EQ(back.Print, content.Print);
}

TEST(OptionString, ReadingIsLenient) {
  Text s = Blanks(kOptionStringLength);
  s[0] = 'x';  // any character but blank and "0" is a set bit
  s[1] = '0';
  s[2] = '1';
  s[3] = '\0';
  s.replace(DisplayCodePosition(2, 3) - 1, 2, " 7");
  s.replace(PrintCodePosition(5) - 1, 2, "zz");
  const OptionContent content = ReadOptionString(s);
  EXPECT_TRUE(content.Bits[0]);
  EXPECT_FALSE(content.Bits[1]);
  EXPECT_TRUE(content.Bits[2]);
  EXPECT_TRUE(content.Bits[3]);
  EXPECT_FALSE(content.Bits[4]);
  EXPECT_EQ(content.Display[1][2], 7);
  EXPECT_EQ(content.Print[4], 0);
  // A short option string is padded: all clear, all "00".
  const OptionContent empty = ReadOptionString("11");
  EXPECT_TRUE(empty.Bits[1]);
  EXPECT_FALSE(empty.Bits[2]);
  EXPECT_EQ(empty.Print[23], 0);
  // Codes that do not fit two digits are written as empty rows.
  OptionContent odd;
  odd.Display[0][0] = 123;
  odd.Print[0] = -4;
  const Text written = MakeOptionString(odd);
  EXPECT_EQ(written.mid(DisplayCodePosition(1, 1) - 1, 2), "00");
  EXPECT_EQ(written.mid(PrintCodePosition(1) - 1, 2), "00");
}

TEST(TypeListEntries, OptionStringOfShortLongAndMissingLines) {
  TTypeList list;
  const Text longLine = Text("01 Long").leftJustified(30, ' ') + Text(300, '1');
  list.SetLines({"01 New", longLine, Text("03 Exact").leftJustified(30, ' ') + "1"});
  EXPECT_EQ(list.OptionStringOf(1), Blanks(250));
  EXPECT_EQ(list.OptionStringOf(2), Text(250, '1'));
  EXPECT_EQ(list.OptionStringOf(3), "1" + Blanks(249));
  for (int t : {0, -1, 4, 1000}) EXPECT_EQ(list.OptionStringOf(t), Blanks(250)) << t;
  EXPECT_EQ(list.TypeName(2), Text("01 Long").leftJustified(30, ' '));
}

TEST(TypeListEntries, StoringBuildsA280CharacterLine) {
  TTypeList list;
  Text stored = Text("02 Old").leftJustified(30, ' ') + "x" + Blanks(20);
  list.SetLines({"01 Test", stored, Text("03 A very long name beyond thirty chars")});

  OptionContent content = ReadOptionString(list.OptionStringOf(2));
  EXPECT_TRUE(content.Bits[0]);
  content.Display[2][7] = 41;
  content.Print[23] = 46;
  Text message;
  ASSERT_TRUE(list.StoreEntry(2, content, &message));
  const Text line = list.Line(2);
  ASSERT_EQ(line.size(), kTypeLineLength);
  EXPECT_EQ(line.left(30), Text("02 Old").leftJustified(30, ' '));
  EXPECT_EQ(line.mid(30, 1), "1");  // the "x" is written back as "1"
  EXPECT_EQ(line.mid(30 + DisplayCodePosition(3, 8) - 1, 2), "41");
  EXPECT_EQ(line.mid(30 + PrintCodePosition(24) - 1, 2), "46");

  ASSERT_TRUE(list.StoreEntry(1, OptionContent{}, &message));
  EXPECT_EQ(list.Line(1).left(30), Text("01 Test").leftJustified(30, ' '));
  ASSERT_TRUE(list.StoreEntry(3, OptionContent{}, &message));
  EXPECT_EQ(list.Line(3).left(30), "03 A very long name beyond thi");
  EXPECT_EQ(list.Line(3).size(), kTypeLineLength);
}

TEST(TypeListEntries, StoringWithoutALineChangesNothing) {
  TTypeList list;
  list.SetLines({"01 A", "02 B"});
  const QList<Text> before = list.Lines();
  for (int t : {0, 3, -1}) {
    Text message;
    EXPECT_FALSE(list.StoreEntry(t, OptionContent{}, &message)) << t;
    EXPECT_TRUE(message.startsWith("Typliste!!\r")) << message.constData();
    EXPECT_GT(message.size(), 11);  // followed by the list error
    EXPECT_EQ(list.Lines(), before);
  }
}

TEST(TypeListEntries, AddingDropsOnlyTrailingEmptyLines) {
  TTypeList list;
  list.SetLines({"01 A", "", "03 C", "", ""});
  EXPECT_EQ(list.NextTypeNumber(), 4);
  EXPECT_EQ(list.DefaultNewName(), "04 Test");
  EXPECT_EQ(list.AddEntry("04 New\r\nline"), 4);
  EXPECT_EQ(list.Lines(), (QList<Text>{"01 A", "", "03 C", "04 New  line"}));
  EXPECT_EQ(list.OptionStringOf(4), Blanks(250));  // only the name until stored

  TTypeList empty;
  EXPECT_EQ(empty.DefaultNewName(), "01 Test");
  EXPECT_EQ(empty.AddEntry("01 First"), 1);

  // After loading another list the padding goes, the types keep their numbers.
  TempDir dir;
  WriteBytes(dir.File("t.txt"), "01 A\r\n02 B\r\n03 C\r\n04 D\r\n");
  ASSERT_TRUE(list.LoadOther(dir.File("t.txt")));
  EXPECT_EQ(list.DefaultNewName(), "05 Test");
  EXPECT_EQ(list.AddEntry("05 E"), 5);
  EXPECT_EQ(list.Count(), 5);
}

TEST(TypeListEntries, DeletingMovesLaterTypesUp) {
  TTypeList list;
  list.SetLines({"01 A", "02 B", "03 C", "04 D", "05 E"});
  Text message;
  ASSERT_TRUE(list.DeleteEntry(3, &message));
  EXPECT_EQ(list.Lines(), (QList<Text>{"01 A", "02 B", "04 D", "05 E"}));
  EXPECT_EQ(list.TypeName(3), "04 D");  // the names keep their old prefixes
  for (int t : {0, 5, -2}) {
    EXPECT_FALSE(list.DeleteEntry(t, &message)) << t;
    EXPECT_FALSE(message.isEmpty());
  }
  EXPECT_EQ(list.Count(), 4);
}

TEST(TypeListEntries, NamesForTheTypeBox) {
  TTypeList list;
  list.SetLines({"01 A", "", Blanks(40) + "1111", "\t\x01\x7F ", Blanks(29) + "Z", "\xC4nderung"});
  const std::vector<bool> named = {true, false, false, false, true, true};
  for (int t = 1; t <= list.Count(); ++t) EXPECT_EQ(list.HasName(t), named[t - 1]) << t;
  EXPECT_FALSE(list.HasName(0));
  EXPECT_FALSE(list.HasName(99));
}

TEST(TypeListEntries, GarbageFileLoadsWithoutHarm) {
  TempDir dir;
  Text garbage;
  for (int i = 0; i < 2000; ++i) garbage += static_cast<char>((i * 37 + 11) % 256);
  WriteBytes(dir.File("g.txt"), garbage);
  TTypeList list;
  ASSERT_EQ(list.Load(dir.File("g.txt")), TTypeList::LoadStatus::Loaded);
  ASSERT_GT(list.Count(), 0);
  for (int t = 0; t <= list.Count() + 1; ++t) {
    EXPECT_EQ(list.OptionStringOf(t).size(), kOptionStringLength);
    const OptionContent content = ReadOptionString(list.OptionStringOf(t));
    for (int code : content.Print) EXPECT_TRUE(code >= -9 && code <= 99) << code;
  }
  ASSERT_TRUE(list.StoreEntry(1, ReadOptionString(list.OptionStringOf(1))));
  EXPECT_EQ(list.Line(1).size(), kTypeLineLength);
  ASSERT_TRUE(list.Save(dir.File("g2.txt")));
  TTypeList again;
  ASSERT_EQ(again.Load(dir.File("g2.txt")), TTypeList::LoadStatus::Loaded);
  EXPECT_EQ(again.Lines(), list.Lines());
}

}  // namespace
