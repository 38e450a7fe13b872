#include <gtest/gtest.h>

#include <vector>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QThread>

#include "app/startup.h"
#include "test_support.h"
#include "util/settings_store.h"

namespace {

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
 public:
  void Set(const char* name, const QByteArray& value) {
    if (!saved_.contains(name)) saved_.insert(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    if (!wasSet_.contains(name)) wasSet_.insert(name, qEnvironmentVariableIsSet(name));
    if (value.isEmpty()) qunsetenv(name);
    else qputenv(name, value);
  }
  ~EnvGuard() {
    for (auto it = saved_.cbegin(); it != saved_.cend(); ++it) {
      if (wasSet_.value(it.key())) qputenv(it.key().constData(), it.value());
      else qunsetenv(it.key().constData());
    }
  }

 private:
  QMap<QByteArray, QByteArray> saved_;
  QMap<QByteArray, bool> wasSet_;
};

TEST(StartupTest, SecondStartMessageFollowsTheLocale) {
  const struct {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    Text id;
    Text message;
  } cases[] = {
      {"", "", "de_DE.UTF-8", "00000407", "Programm l\xE4uft schon auf diesem Arbeitsplatz!"},
      {"", "", "de_AT", "00000407", "Programm l\xE4uft schon auf diesem Arbeitsplatz!"},
      {"", "", "en_US.UTF-8", "00000409", "Program is already running!"},
      {"", "", "en", "00000409", "Program is already running!"},
      {"", "", "it_IT@euro", "00000410", "Programma gi\xE0 che funziona!"},
      {"", "", "sv_SE.UTF-8", "0000041D", "Program is already running!"},
      {"", "", "fr_FR.UTF-8", "0000040C", "Program already running!"},
      {"", "", "es_ES", "0000040A", "Program already running!"},
      {"", "", "en_GB.UTF-8", "00000809", "Program already running!"},
      {"", "", "C", "", "Program already running!"},
      {"", "", "", "", "Program already running!"},
      {"it_IT", "", "de_DE", "00000410", "Programma gi\xE0 che funziona!"},  // LC_ALL first
      {"", "sv_SE", "de_DE", "0000041D", "Program is already running!"},     // then LC_MESSAGES
  };
  for (const auto& c : cases) {
    EnvGuard env;
    env.Set("LC_ALL", c.lcAll);
    env.Set("LC_MESSAGES", c.lcMessages);
    env.Set("LANG", c.lang);
    EXPECT_EQ(MachineLocale(), c.id) << c.lcAll << "/" << c.lcMessages << "/" << c.lang;
    EXPECT_EQ(AlreadyRunningMessage(MachineLocale()), c.message) << c.lang;
  }
}

// The built program, started as a user would, in a folder of its own.
class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(dir_.File("run")));
    QFile::setPermissions(dir_.File("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QDir().mkpath(dir_.File("home")));
  }
  void TearDown() override {
    for (QProcess* p : processes_) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(10000);
      }
      delete p;
    }
  }

  QProcess* Start(const char* lang) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SETUP720_HOME", dir_.File("home"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", dir_.File("run"));
    env.insert("XDG_CONFIG_HOME", dir_.File("config"));
    env.insert("SETUP720_REGISTRY", dir_.File("config/registry.ini"));
    env.insert("SETUP720_BOX_STDERR", "1");
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    env.insert("LANG", lang);
    auto* p = new QProcess;
    processes_.push_back(p);
    p->setProcessEnvironment(env);
    p->start(SETUP720_APP_PATH, {});
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
  }

  QString LockPath() const { return dir_.File("run/Setup720.lock"); }

  qint64 LockOwner() const {
    QFile file(LockPath());
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.readLine().trimmed().toLongLong();
  }

  // Short polls until the program holds the lock; a started program takes it
  // within moments.
  bool WaitForOwner(qint64 pid) const {
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
      if (LockOwner() == pid) return true;
      QThread::msleep(20);
    }
    return false;
  }

  static int CountLines(const QByteArray& output, const QString& line) {
    int n = 0;
    for (const QByteArray& l : output.split('\n'))
      if (QString::fromUtf8(l).trimmed() == line) ++n;
    return n;
  }

  TempDir dir_;
  std::vector<QProcess*> processes_;
};

TEST_F(InstanceTest, SecondStartShowsOneMessageAndEnds) {
  QProcess* first = Start("de_DE.UTF-8");
  ASSERT_TRUE(WaitForOwner(first->processId()));

  const struct {
    const char* lang;
    QString message;
  } starts[] = {
      {"de_DE.UTF-8", QString::fromUtf8("Programm l\u00e4uft schon auf diesem Arbeitsplatz!")},
      {"it_IT.UTF-8", QString::fromUtf8("Programma gi\u00e0 che funziona!")},
  };
  for (const auto& s : starts) {
    QProcess* second = Start(s.lang);
    ASSERT_TRUE(second->waitForFinished(20000)) << s.lang;
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    const QByteArray err = second->readAllStandardError();
    EXPECT_EQ(CountLines(err, s.message), 1) << err.toStdString();
  }
  EXPECT_EQ(first->state(), QProcess::Running);
  EXPECT_EQ(LockOwner(), first->processId());
}

TEST_F(InstanceTest, LockOfAKilledInstanceDoesNotBlock) {
  QProcess* crashed = Start("de_DE.UTF-8");
  ASSERT_TRUE(WaitForOwner(crashed->processId()));
  crashed->kill();
  ASSERT_TRUE(crashed->waitForFinished(10000));
  ASSERT_TRUE(QFileInfo::exists(LockPath()));  // left behind

  QProcess* next = Start("de_DE.UTF-8");
  ASSERT_TRUE(WaitForOwner(next->processId()));
  EXPECT_EQ(next->state(), QProcess::Running);
}

}  // namespace
