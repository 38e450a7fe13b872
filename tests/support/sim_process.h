#pragma once
// setup720-sim as a separate process behind a pseudo-terminal, for the
// end-to-end tests; stopped with SIGTERM when the test ends.
#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

class SimProcess {
 public:
  explicit SimProcess(const QStringList& arguments = {"--quiet"}) {
    process_.setProgram(SETUP720_SIM_PATH);
    process_.setArguments(arguments);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    if (!process_.waitForStarted(5000)) return;
    QElapsedTimer waited;
    waited.start();
    while (!process_.canReadLine() && waited.elapsed() < 5000) process_.waitForReadyRead(100);
    const QString line = QString::fromLocal8Bit(process_.readLine()).trimmed();
    if (line.startsWith("PTY ")) path_ = line.mid(4);
  }
  ~SimProcess() {
    if (process_.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(1000);
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The slave device, "" when the simulator did not start.
  const QString& Path() const { return path_; }
  // Waits up to `ms` for its log (stderr) to contain `text`.
  bool LogShows(const QString& text, int ms) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      log_ += QString::fromLocal8Bit(process_.readAllStandardError());
      if (log_.contains(text)) return true;
      if (waited.elapsed() >= ms) return false;
      process_.waitForReadyRead(50);
    }
  }
  const QString& Log() const { return log_; }

  // Sends SIGUSR1 (every fault off, out of the bootloader) and waits up to
  // `ms` for the simulator to confirm it on stdout.
  bool SwitchFaultsOff(int ms = 3000) {
    if (process_.state() != QProcess::Running) return false;
    ::kill(static_cast<pid_t>(process_.processId()), SIGUSR1);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      while (process_.canReadLine())
        if (QString::fromLocal8Bit(process_.readLine()).trimmed() == "FAULTS OFF") return true;
      if (waited.elapsed() >= ms) return false;
      process_.waitForReadyRead(50);
    }
  }
  // Waits up to `ms` for the simulator to end by itself (a vanished line).
  bool Ended(int ms) {
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(ms);
  }

 private:
  QProcess process_;
  QString path_;
  QString log_;
};
