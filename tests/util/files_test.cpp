#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

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

// ---- real crashes and a real full disk, in a child process ----

int g_stopPipe = -1;

// The child stops here when its file size limit is hit, tells the parent and
// waits to be killed: the temporary file then holds part of the new content.
void StopAtTheLimit(int) {
  const char byte = 'x';
  (void)!::write(g_stopPipe, &byte, 1);
  for (;;) ::pause();
}

// Reads from fd until end of file, max bytes or the time is up.
QByteArray ReadPipe(int fd, qsizetype max, int timeoutMs = 20000) {
  QByteArray out;
  char buf[4096];
  while (out.size() < max) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) break;
    const qsizetype want = std::min<qsizetype>(sizeof buf, max - out.size());
    const ssize_t n = ::read(fd, buf, static_cast<size_t>(want));
    if (n <= 0) break;
    out.append(buf, n);
  }
  return out;
}

// Size of the file a child has open in folder (other than exclude), or -1.
qint64 OpenFileSizeIn(pid_t pid, const QString& folder, const QString& exclude) {
  const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
  for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
    const QString link = QFile::symLinkTarget(fds + "/" + fd);
    if (!link.startsWith(folder + "/") || link == exclude) continue;
    struct stat st {};
    if (::stat(QFile::encodeName(fds + "/" + fd).constData(), &st) == 0 && S_ISREG(st.st_mode))
      return st.st_size;
  }
  return -1;
}

QByteArray LargeContent() {
  QByteArray data(24 << 20, '\0');
  for (qsizetype i = 0; i < data.size(); ++i) data[i] = static_cast<char>('A' + i % 23);
  return data;
}

constexpr rlim_t kSizeLimit = 8 << 20;

void LimitFileSize() {
  rlimit limit{kSizeLimit, kSizeLimit};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
}

TEST_F(FilesTest, KilledWhileWritingLeavesTheOldFile) {
  const QString path = dir_.File("gross.bin");
  ASSERT_TRUE(WriteWholeFile(path, AllBytes()));
  const QByteArray data = LargeContent();
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    g_stopPipe = fds[1];
    std::signal(SIGXFSZ, StopAtTheLimit);
    LimitFileSize();
    WriteWholeFile(path, data);
    ::_exit(2);  // not reached: the write stops at the limit
  }
  ::close(fds[1]);
  const QByteArray said = ReadPipe(fds[0], 1);
  ::close(fds[0]);
  // The child is in the middle of its write: part of it is on disk.
  const qint64 written = said == "x" ? OpenFileSizeIn(child, dir_.Path(), path) : -1;
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_EQ(said, "x") << "the child did not reach the size limit";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_EQ(written, qint64{kSizeLimit});

  QByteArray back;
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, AllBytes());
}

TEST_F(FilesTest, FullDiskFailsAndLeavesTheOldFileAlone) {
  const QString path = dir_.File("gross.bin");
  ASSERT_TRUE(WriteWholeFile(path, AllBytes()));
  const QByteArray data = LargeContent();
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    LimitFileSize();
    QString error;
    const bool written = WriteWholeFile(path, data, &error);
    const QByteArray report = (written ? "1" : "0") + error.toUtf8();
    (void)!::write(fds[1], report.constData(), static_cast<size_t>(report.size()));
    ::_exit(0);
  }
  ::close(fds[1]);
  const QByteArray report = ReadPipe(fds[0], 4096);
  ::close(fds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_FALSE(report.isEmpty());
  EXPECT_EQ(report.left(1), "0") << "a write beyond the limit was reported as done";
  // The reason, not "Unknown error": the size limit shows as a file too large.
  EXPECT_EQ(QString::fromUtf8(report.mid(1)), QString::fromLocal8Bit(std::strerror(EFBIG)));

  QByteArray back;
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, AllBytes());
  EXPECT_EQ(QDir(dir_.Path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList{"gross.bin"});
}

}  // namespace
