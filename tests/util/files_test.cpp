#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "test_support.h"
#include "util/files.h"

namespace {

QByteArray AllBytes() {
  QByteArray data(256, '\0');
  for (int i = 0; i < 256; ++i) data[i] = static_cast<char>(i);
  return data + "\r\n\n\r";
}

class FilesTest : public ::testing::Test {
 protected:
  void TearDown() override { SetWriteFaultHook({}); }
  TempDir dir_;
};

TEST_F(FilesTest, RoundTripKeepsEveryByte) {
  const QString path = dir_.File("bild.bin");
  ASSERT_TRUE(WriteWholeFile(path, AllBytes()));
  QByteArray back;
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, AllBytes());

  ASSERT_TRUE(WriteWholeFile(path, "kurz"));  // a shorter file replaces a longer one
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, "kurz");
}

TEST_F(FilesTest, InjectedFaultLeavesTheOldFile) {
  const QString path = dir_.File("Setup720.INI");
  ASSERT_TRUE(WriteWholeFile(path, AllBytes()));
  for (const qint64 after : {qint64{0}, qint64{3}, qint64{9}}) {
    QString seenPath;
    SetWriteFaultHook([&](const QString& p) { seenPath = p; return after; });
    QString error;
    EXPECT_FALSE(WriteWholeFile(path, "neuer Inhalt", &error)) << after;
    EXPECT_EQ(error, "Schreibfehler");
    EXPECT_EQ(seenPath, path);
    QByteArray back;
    ASSERT_TRUE(ReadWholeFile(path, &back));
    EXPECT_EQ(back, AllBytes()) << after;
    EXPECT_EQ(QDir(dir_.Path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"Setup720.INI"}) << after;
  }
  // A limit at or beyond the size is no fault.
  SetWriteFaultHook([](const QString&) { return qint64{12}; });
  EXPECT_TRUE(WriteWholeFile(path, "neuer Inhalt"));
}

TEST_F(FilesTest, MissingFolderFails) {
  const QString path = dir_.File("fehlt/datei.txt");
  QString error;
  EXPECT_FALSE(WriteWholeFile(path, "x", &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(QDir(dir_.File("fehlt")).exists());

  QByteArray data = "alt";
  error.clear();
  EXPECT_FALSE(ReadWholeFile(path, &data, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(data, "alt");
}

}  // namespace
