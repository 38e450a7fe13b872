// The firmware catalogue file "DirList.txt" and the folder scan.
#include "upload/dir_list.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "test_support.h"
#include "util/files.h"

namespace {

}  // namespace

void PrintTo(const DirEntry& e, std::ostream* os) {
  *os << "{" << e.Folder.toStdString() << " | " << e.FolderName.toStdString() << " | "
      << e.FileName.toStdString() << "}";
}

namespace {

TEST(DirList, ProgramImageNames) {
  const struct {
    const char* name;
    bool image;
  } cases[] = {
      {"orx720nt.h20", true},  {"check.h20", true},      {"fw.H20", false},
      {"fw_1.05.h20", false},  {"fw.h20.bak", false},    {"fw.h2", false},
      {"fw", false},           {"fw.h200", false},       {".h20", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsProgramImage(c.name), c.image) << c.name;
}

TEST(DirList, FolderNames) {
  const struct {
    const char* folder;
    const char* name;
  } cases[] = {
      {"C:\\FW\\V105\\", "V105"}, {"/fw/V105/", "V105"}, {"/fw/V105", "V105"},
      {"V105/", "V105"},          {"/", ""},             {"", ""},
      {"C:\\", "C:"},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderNameOf(c.folder), c.name) << c.folder;
}

TEST(DirList, EntryForAFile) {
  EXPECT_EQ(EntryForFile("/fw/V105/orx720nt.h20"), (DirEntry{"/fw/V105/", "V105", "orx720nt.h20"}));
  EXPECT_EQ(EntryForFile("fw.h20"), (DirEntry{"", "", "fw.h20"}));
}

TEST(DirList, ParseTakesCompleteGroupsAndSkipsTheCheckFile) {
  struct Case {
    const char* what;
    QByteArray data;
    QList<DirEntry> entries;
    bool complete;
  };
  const DirEntry a{"/fw/a/", "a", "a.h20"};
  const DirEntry b{"/fw/b/", "b", "b.h20"};
  const std::vector<Case> cases = {
      {"empty", "", {}, true},
      {"two", "/fw/a/\r\na\r\na.h20\r\n/fw/b/\r\nb\r\nb.h20\r\n", {a, b}, true},
      {"LF and no final end", "/fw/a/\na\na.h20\n/fw/b/\nb\nb.h20", {a, b}, true},
      {"seven lines", "/fw/a/\r\na\r\na.h20\r\n/fw/b/\r\nb\r\nb.h20\r\n/fw/c/\r\n", {a, b}, false},
      {"eight lines", "/fw/a/\r\na\r\na.h20\r\n/fw/b/\r\nb\r\nb.h20\r\n/fw/c/\r\nc\r\n", {a, b},
       false},
      {"check file", "/fw/a/\r\na\r\ncheck.h20\r\n/fw/b/\r\nb\r\nb.h20\r\n", {b}, true},
      {"one line", "/fw/a/", {}, false},
  };
  for (const Case& c : cases) {
    const DirListContents contents = ParseDirList(c.data);
    EXPECT_EQ(contents.entries, c.entries) << c.what;
    EXPECT_EQ(contents.complete, c.complete) << c.what;
  }
}

TEST(DirList, FormatRoundTripKeepsWindows1252Bytes) {
  const QList<DirEntry> entries = {{ToQt("/fw/Pr\xFC" "fung/"), ToQt("Pr\xFC" "fung"), "a.h20"},
                                   {"/fw/b/", "b", "b.h20"}};
  const QByteArray data = FormatDirList(entries);
  EXPECT_EQ(data, "/fw/Pr\xFC" "fung/\r\nPr\xFC" "fung\r\na.h20\r\n/fw/b/\r\nb\r\nb.h20\r\n");
  EXPECT_EQ(ParseDirList(data).entries, entries);
}

class DirScanTest : public ::testing::Test {
 protected:
  void Touch(const QString& relative) {
    const QString path = dir_.File(relative);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(WriteWholeFile(path, "x"));
  }
  TempDir dir_;
};

TEST_F(DirScanTest, FindsImagesDepthFirstAndSkipsWhatDoesNotCount) {
  Touch("V1/orx720nt.h20");
  Touch("V1/check.h20");
  Touch("V1/upper.H20");
  Touch("V1/two.dots.h20");
  Touch("V1/.hidden.h20");  // a further "." before the extension
  Touch("V1/.h20");         // hidden, and an image by its name
  Touch("V1/sub/deep.h20");
  Touch("V2/readme.txt");  // a folder without images adds nothing
  Touch(".git/hidden.h20");
  Touch("top.h20");
  ASSERT_TRUE(QDir().mkpath(dir_.File("leer")));
  // A link back to the root must not make the scan loop.
  ASSERT_TRUE(QFile::link(dir_.Path(), dir_.File("V2/zurueck")));

  int pumped = 0;
  const QList<DirEntry> found = ScanFolder(dir_.Path(), [&] { ++pumped; });
  const QString root = dir_.Path() + "/";
  const QList<DirEntry> expected = {
      {root, FolderNameOf(root), "top.h20"},
      {root + "V1/", "V1", ".h20"},
      {root + "V1/", "V1", "orx720nt.h20"},
      {root + "V1/sub/", "sub", "deep.h20"},
  };
  EXPECT_EQ(found, expected);
  EXPECT_GE(pumped, 5);  // once per folder entered
}

TEST_F(DirScanTest, AMissingFolderFindsNothing) {
  EXPECT_TRUE(ScanFolder(dir_.File("fehlt")).isEmpty());
  EXPECT_TRUE(ScanFolder({}).isEmpty());
}

}  // namespace
