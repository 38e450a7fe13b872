#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "test_support.h"
#include "upload/image_files.h"
#include "util/files.h"

namespace {

QByteArray Bytes(qsizetype n, char value) { return QByteArray(n, value); }

void WriteFixture(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_EQ(file.write(data), data.size());
}

QByteArray ReadFixture(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// ---- naming rules ----

TEST(ImageNames, StemCompanionsAndStandardDataSet) {
  struct Case {
    QString name, stem, bin, user, standard;
  };
  const QString d = "/fw/";
  const std::vector<Case> cases = {
      {"orx720nt.h20", "orx720nt", "/fw/orx720nt.bin", "/fw/Userorx720nt.bin", "/fw/ORX720NT_ESTD.bin"},
      {"ORX720NT.H20", "ORX720NT", "/fw/ORX720NT.bin", "/fw/UserORX720NT.bin", "/fw/ORX720NT_ESTD.bin"},
      {"orx720nt_1_05.h20", "orx720nt_1_05", "/fw/orx720nt_1_05.bin", "/fw/Userorx720nt_1_05.bin",
       "/fw/orx720nt_1_05_ESTD.bin"},
      {"orx720nt.HEX", "orx720nt", "/fw/orx720nt.bin", "/fw/Userorx720nt.bin", "/fw/orx720nt_ESTD.bin"},
      {"a.b.h20", "a", "/fw/a.bin", "/fw/Usera.bin", "/fw/a_ESTD.bin"},
      {".h20", "", "/fw/.bin", "/fw/User.bin", "/fw/_ESTD.bin"},
      {"orx720nt", "", "/fw/.bin", "/fw/User.bin", "/fw/alt.bin"},  // no "." keeps BinFilePath
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    EXPECT_EQ(HexStem(c.name), c.stem);
    const CompanionPaths p = CompanionPathsFor(d, c.name);
    EXPECT_EQ(p.BinFilePath, c.bin);
    EXPECT_EQ(p.UserBinPath, c.user);
    EXPECT_EQ(StandardBinPath(d, c.name, "/fw/alt.bin"), c.standard);
  }
}

TEST(ImageNames, RegionCandidates) {
  struct Case {
    QString file, hex;
    bool candidate;
  };
  const std::vector<Case> cases = {
      {"orx720nt_de.bin", "orx720nt.h20", true},
      {"ORX720NT_GB.BIN", "orx720nt.h20", true},  // both tests ignore case
      {"orx720nt.bin", "orx720nt.h20", true},
      {"other.bin", "orx720nt.h20", false},
      {"orx720nt_de.bin.bak", "orx720nt.h20", false},
      {"orx720n.bin", "orx720nt.h20", false},
      {"orx720nt_1_05_de.bin", "orx720nt_1_05.h20", true},
      {"orx720nt_de.bin", "orx720nt_1_05.h20", false},  // stem must match
      {"orx720nt_de.bin", "orx720nt", true},            // empty stem: any *.bin
      {"xorx720nt.bin", "orx720nt", false},             // still must begin with ORX720NT
      {"orx720nt", "orx720nt.h20", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsRegionCandidate(c.file, c.hex), c.candidate) << c.file.toStdString() << " / "
                                                           << c.hex.toStdString();

  TempDir dir;
  for (const char* name : {"orx720nt_de.bin", "ORX720NT_GB.BIN", "other.bin", "orx720nt.h20", ".orx720nt_h.bin"})
    WriteFixture(dir.File(name), "x");
  ASSERT_TRUE(QDir(dir.Path()).mkdir("orx720nt_ordner.bin"));  // a folder is listed, too
  EXPECT_EQ(RegionCandidates(dir.Path() + "/", "orx720nt.h20"),
            (QStringList{"orx720nt_de.bin", "ORX720NT_GB.BIN", "orx720nt_ordner.bin"}));
  EXPECT_TRUE(RegionCandidates(dir.File("fehlt/"), "orx720nt.h20").isEmpty());
}

// ---- records ----

TEST(ImageRecords, ChecksumOfKnownAndMalformedRecords) {
  const std::vector<std::pair<Text, Text>> cases = {
      {"10010000214601360121470136007EFE09D21901", "40"},
      {"100110002146017E17C20001FF5F16002148011928", "00"},  // with its own checksum the sum is 0
      {"00000001", "FF"},
      {"020000040800", "F2"},
      {"10000000" + Text(33, '0'), "F0"},  // odd: last digit "0" alone
      {"0100000001", "FE"},
      {"01000000011", "FD"},  // odd last digit 1 counts as 1
      {"ff", "01"},           // lower case reads as hex
      {"G1", "00"},           // not hex: 0
      {"1G", "FF"},           // leading digit only
      {"", "00"},
  };
  for (const auto& [hex, sum] : cases) EXPECT_EQ(RecordChecksum(hex), sum) << hex.toStdString();
}

TEST(ImageRecords, BinaryFormOfLines) {
  const std::vector<std::pair<Text, QByteArray>> cases = {
      {":00000001FF", QByteArray::fromHex("3A00000001FF")},
      {":0400000300003800C1", QByteArray::fromHex("3A0400000300003800C1")},
      {":01000000AABBCC", QByteArray::fromHex("3A01000000AABBCC")},  // longer than its count
      {":123", QByteArray::fromHex("3A1203")},                       // odd: one-digit value
      {":G1Z0", QByteArray::fromHex("3A0000")},                      // not hex
      {":1GA", QByteArray::fromHex("3A010A")},
      {"X10", QByteArray::fromHex("3A10")},  // the first character is always sent as ":"
      {":", QByteArray(":")},
      {"", QByteArray(":")},
  };
  for (const auto& [line, binary] : cases) EXPECT_EQ(RecordBinary(line), binary) << line.toStdString();

  const Text record = DataRecord(0xA010, Bytes(16, '\x5A').constData());
  EXPECT_EQ(record, ":10A01000" + Text(32, 'x').replace("xx", "5A") + "A0");
  EXPECT_EQ(RecordBinary(record).size(), 22);
}

// ---- loading ----

TEST(ImageLoading, LineEnds) {
  const std::vector<std::pair<QByteArray, UploadList>> cases = {
      {":A\r\n:B\r\n", {":A", ":B"}},
      {":A\n:B\n", {":A", ":B"}},
      {":A\r:B\r", {":A", ":B"}},
      {":A\r\n\r\n:B", {":A", "", ":B"}},  // blank lines stay, a last line without end counts
      {":A\r\r\n:B\n\r:C", {":A", "", ":B", "", ":C"}},
      {"\n", {""}},
      {"", {}},
  };
  TempDir dir;
  for (const auto& [content, lines] : cases) {
    WriteFixture(dir.File("p.h20"), content);
    UploadList list = {"alt"};
    UploadFileState state;
    EXPECT_TRUE(LoadProgramImage(dir.File("p.h20"), list, state));
    EXPECT_EQ(list, lines) << content.toStdString();
    EXPECT_FALSE(state.UploadError);
  }
}

TEST(ImageLoading, MissingProgramImage) {
  Boxes::Clear();
  TempDir dir;
  for (const QString& path : {dir.File("fehlt.h20"), QString()}) {
    Boxes::Clear();
    UploadList list = {"alt"};
    UploadFileState state;
    EXPECT_FALSE(LoadProgramImage(path, list, state));
    EXPECT_TRUE(state.UploadError);
    EXPECT_EQ(list, UploadList{"alt"});
    EXPECT_EQ(state.Log, QList<Text>{"Error in data! " + FromQt(path)});
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
    EXPECT_TRUE(Boxes::Shown()[0].message.endsWith("!!"));
    EXPECT_GT(Boxes::Shown()[0].message.size(), 2);  // the system's message comes first
  }
}

// ---- merge ----

class MergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Boxes::Clear();
    ASSERT_TRUE(QDir(dir_.Path()).mkdir("Daten"));
    files_.HexFileName = "orx720nt.h20";
    files_.HexFilePath = dir_.File("orx720nt.h20");
    files_.BinFilePath = dir_.File("orx720nt.bin");
    files_.UserBinPath = dir_.File("Userorx720nt.bin");
    files_.DataDir = dir_.File("Daten/");
  }
  void TearDown() override { SetWriteFaultHook({}); }

  QString CheckPath() const { return files_.DataDir + "check.h20"; }
  // Records that follow the program image lines (image's last line removed).
  UploadList Merge(bool expectOk = true) {
    list_ = image_;
    EXPECT_EQ(AppendDataRecords(list_, files_, state_), expectOk);
    return expectOk ? list_.mid(image_.size() - 1) : list_;
  }

  TempDir dir_;
  ImageFiles files_;
  UploadList image_ = {":020000040000FA", ":10000000000102030405060708090A0B0C0D0E0F78", "beliebig"};
  UploadList list_;
  UploadFileState state_;
};

TEST_F(MergeTest, TwentyZeroBytesAndCheckFile) {
  WriteFixture(files_.BinFilePath, Bytes(20, '\0'));
  const UploadList added = Merge();
  const UploadList expected = {":10000000" + Text(32, '0') + "F0",
                               ":10001000" + Text("00000000") + Text(24, 'F') + "EC", ":00000001FF"};
  EXPECT_EQ(added, expected);
  EXPECT_EQ(list_.mid(0, 2), image_.mid(0, 2));
  EXPECT_EQ(list_.size(), 5);
  Text check;
  for (const Text& line : list_) check += line + "\r\n";
  EXPECT_EQ(ReadFixture(CheckPath()), check);
  EXPECT_FALSE(state_.UploadError);
  EXPECT_TRUE(state_.Log.isEmpty());
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(MergeTest, AllFFBlocksAreLeftOut) {
  WriteFixture(files_.BinFilePath, Bytes(64, '\xFF'));
  EXPECT_EQ(Merge(), UploadList{":00000001FF"});

  QByteArray data = Bytes(40, '\xFF');
  data[0x1F] = 0x00;  // only the second block holds data; the partial third is all 0xFF
  WriteFixture(files_.BinFilePath, data);
  const UploadList added = Merge();
  ASSERT_EQ(added.size(), 2);
  EXPECT_TRUE(added[0].startsWith(":10001000" + Text(30, 'F') + "00")) << added[0].toStdString();

  // An empty program image and an empty data set still give a valid end.
  image_.clear();
  WriteFixture(files_.BinFilePath, QByteArray());
  EXPECT_EQ(Merge(), UploadList{":00000001FF"});
  EXPECT_EQ(list_, UploadList{":00000001FF"});
}

TEST_F(MergeTest, UserDataBaseByVersion) {
  struct Case {
    QString name;
    QByteArray versionText;  // stored at offset 16 of the data set
    int32_t base;
  };
  const std::vector<Case> cases = {
      {"orx720nt_1_02.h20", "V1.9", 0x8000},  // the name wins over the data set text
      {"orx720nt_1_03.h20", "V1.0", 0xA000},
      {"orx720nt_2_00.h20", "", 0xA000},
      {"orx720nt.h20", "V1.0", 0xA000},       // the default name always
      {"ORX720NT.H20", "V1.2", 0x8000},       // not the default name: the text counts
      {"ORX720NT.H20", "V1.4", 0xA000},
      {"orx720nt_105.h20", "V1.2", 0x8000},   // one "_": the text, not the name
      {"orx720nt_105.h20", "V1.3", 0xA000},
      {"ORX720NT.H20", "3", 0xA000},          // no ".": its first character
      {"ORX720NT.H20", "V1.", 0x8000},        // "." last: adds 0
      {"ORX720NT.H20", "\xFF\xFF" "1.\xFF" "5", 0xA000},  // 0xFF bytes are left out
      {"ORX720NT.H20", "V1.x", 0x8000},
  };
  QByteArray user = Bytes(32, '\xFF');
  user[20] = 0x42;  // one record, at base + 0x10
  WriteFixture(files_.UserBinPath, user);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString() + " " + c.versionText.toStdString());
    QByteArray dataSet = Bytes(64, '\xFF');
    dataSet.replace(16, c.versionText.size(), c.versionText);
    WriteFixture(files_.BinFilePath, dataSet);
    files_.HexFileName = c.name;
    const UploadList added = Merge();
    ASSERT_FALSE(added.isEmpty());
    ASSERT_GE(added.size(), 2);
    const Text userRecord = added[added.size() - 2];
    EXPECT_EQ(userRecord.mid(3, 4), QByteArray::number(c.base + 0x10, 16).toUpper());
    EXPECT_EQ(userRecord.mid(17, 2), "42");
  }
}

TEST_F(MergeTest, SizeLimits) {
  // Data set: at most 65,536 bytes, offsets up to 0xFFF0. User data: cut at 16,384 bytes.
  WriteFixture(files_.BinFilePath, Bytes(65536 + 32, '\x11'));
  WriteFixture(files_.UserBinPath, Bytes(16384 + 48, '\x22'));
  const UploadList added = Merge();
  ASSERT_EQ(added.size(), 4096 + 1024 + 1);
  EXPECT_TRUE(added[0].startsWith(":10000000"));
  EXPECT_TRUE(added[4095].startsWith(":10FFF000"));
  EXPECT_TRUE(added[4096].startsWith(":10A00000"));
  EXPECT_TRUE(added[4096 + 1023].startsWith(":10DFF000"));
  EXPECT_EQ(added.last(), ":00000001FF");
  for (const Text& line : added.mid(0, added.size() - 1))
    EXPECT_EQ(RecordChecksum(line.mid(1, 40)), line.mid(41)) << line.toStdString();
}

TEST_F(MergeTest, MissingUserDataIsNoError) {
  WriteFixture(files_.BinFilePath, Bytes(16, '\x01'));
  files_.UserBinPath = dir_.File("fehlt.bin");
  EXPECT_EQ(Merge().size(), 2);
  files_.UserBinPath.clear();
  EXPECT_EQ(Merge().size(), 2);
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_FALSE(state_.UploadError);
}

TEST_F(MergeTest, DataFileErrors) {
  const QString readOnly = dir_.File("schreibgeschuetzt.bin");
  WriteFixture(readOnly, Bytes(16, '\x01'));
  ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadUser));
  ASSERT_TRUE(QDir(dir_.Path()).mkdir("ordner.bin"));
  const QString good = dir_.File("gut.bin");
  WriteFixture(good, Bytes(16, '\x01'));
  const QByteArray oldCheck = "alte Pruefdatei\r\n";

  struct Case {
    QString bin, user, failing;
  };
  const std::vector<Case> cases = {
      {dir_.File("fehlt.bin"), QString(), dir_.File("fehlt.bin")},
      {readOnly, QString(), readOnly},
      {dir_.File("ordner.bin"), QString(), dir_.File("ordner.bin")},
      {QString(), QString(), QString()},
      {good, dir_.File("ordner.bin"), dir_.File("ordner.bin")},  // user data exists but cannot be read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing.toStdString());
    Boxes::Clear();
    state_ = {};
    WriteFixture(CheckPath(), oldCheck);
    files_.BinFilePath = c.bin;
    files_.UserBinPath = c.user;
    EXPECT_EQ(Merge(false), image_);
    EXPECT_TRUE(state_.UploadError);
    EXPECT_EQ(state_.Log, QList<Text>{"Error in Data! " + FromQt(c.failing)});
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    const BoxRequest& box = Boxes::Shown()[0];
    EXPECT_EQ(box.kind, BoxKind::Info);
    EXPECT_TRUE(box.message.endsWith("\r" + FromQt(c.failing) + "!!")) << box.message.toStdString();
    EXPECT_FALSE(box.message.startsWith("\r"));  // the system's message comes first
    EXPECT_EQ(ReadFixture(CheckPath()), oldCheck);
  }
  // A read-only user data image is read like any other.
  Boxes::Clear();
  files_.BinFilePath = good;
  files_.UserBinPath = readOnly;
  EXPECT_EQ(Merge().size(), 3);
}

TEST_F(MergeTest, CheckFileThatCannotBeWritten) {
  WriteFixture(files_.BinFilePath, Bytes(16, '\x01'));
  const QByteArray oldCheck = "alte Pruefdatei\r\n";
  WriteFixture(CheckPath(), oldCheck);
  SetWriteFaultHook([](const QString&) { return qint64{10}; });  // a full disk part-way
  EXPECT_EQ(Merge(false), image_);
  EXPECT_TRUE(state_.UploadError);
  EXPECT_EQ(ReadFixture(CheckPath()), oldCheck);
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_TRUE(Boxes::Shown()[0].message.endsWith(FromQt(CheckPath())));

  SetWriteFaultHook({});
  Boxes::Clear();
  state_ = {};
  files_.DataDir = dir_.File("fehlt/");
  EXPECT_EQ(Merge(false), image_);
  EXPECT_TRUE(state_.UploadError);
  EXPECT_EQ(Boxes::Shown().size(), 1u);
}

}  // namespace
