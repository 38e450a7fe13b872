#pragma once
// setup720-cli as a separate process for the end-to-end tests: the program
// folder and settings store of a temporary folder, started and waited for.
#include <memory>
#include <string>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CliResult {
  int code = -1;
  QString out;
  QString err;
  qint64 ms = 0;  // how long it ran

  // stdout as the one JSON object --json prints (empty when it is none).
  QJsonObject Json() const {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8(), &error);
    return error.error == QJsonParseError::NoError && doc.isObject() ? doc.object() : QJsonObject();
  }
};

inline QProcessEnvironment CliEnvironment(const QString& home) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("SETUP720_HOME", home);
  env.insert("SETUP720_REGISTRY", home + "/reg.ini");
  env.insert("SETUP720_CLI", SETUP720_CLI_PATH);
  env.remove("QT_QPA_PLATFORM");  // no display is needed, nor asked for
  return env;
}

// A started run; Finish() waits for it.
class CliProcess {
 public:
  CliProcess(const QString& home, const QString& program, const QStringList& arguments) {
    process_.setProcessEnvironment(CliEnvironment(home));
    process_.setWorkingDirectory(home);
    timer_.start();
    process_.start(program, arguments);
  }
  CliResult Finish(int ms = 60000) {
    CliResult result;
    if (!process_.waitForStarted(5000) || !process_.waitForFinished(ms)) {
      process_.kill();
      process_.waitForFinished(1000);
      result.err = "did not finish";
      return result;
    }
    result.ms = timer_.elapsed();
    result.code = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    result.out = QString::fromUtf8(process_.readAllStandardOutput());
    result.err = QString::fromUtf8(process_.readAllStandardError());
    return result;
  }

 private:
  QProcess process_;
  QElapsedTimer timer_;
};

inline CliResult RunCli(const QString& home, const QStringList& arguments) {
  return CliProcess(home, SETUP720_CLI_PATH, arguments).Finish();
}

inline QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& data) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

inline std::string Show(const CliResult& r) {
  return ("exit " + QString::number(r.code) + " after " + QString::number(r.ms) + " ms\nstdout:\n" + r.out +
          "stderr:\n" + r.err)
      .toStdString();
}

// A type list line: the name padded to 30, then the 250-character option string.
inline QByteArray TypeLine(const QByteArray& name, const QByteArray& bits, int displayCode, int printCode) {
  QByteArray s(250, ' ');
  s.replace(0, bits.size(), bits);
  for (int column = 1; column <= 3; ++column)
    for (int row = 1; row <= 8; ++row)
      s.replace(20 * column + 2 * row + 28, 2, QByteArray::number(displayCode).rightJustified(2, '0'));
  for (int row = 1; row <= 24; ++row)
    s.replace(2 * row + 128, 2, QByteArray::number(printCode).rightJustified(2, '0'));
  return name.leftJustified(30, ' ') + s;
}
