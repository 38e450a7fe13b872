#pragma once
// What setup720-cli says and how it answers: results on stdout (or one JSON
// object there with --json), messages, progress and the "Diagnose" lines on
// stderr or in a file, message boxes printed and answered without anyone to
// ask.
#include <cstdint>
#include <functional>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include "link/glb.h"
#include "util/msgbox.h"
#include "util/text.h"

// The exit codes scripts test for.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,  // no instrument, port busy, time-out, wrong checksum, data sets differ
  kExitUsage = 2,
  kExitFile = 3,
};

using ByteSink = std::function<void(const QByteArray& bytes)>;

class Console {
 public:
  Console();

  bool Quiet = false;
  bool Yes = false;   // questions answered "&Ja"
  bool Json = false;  // stdout carries the JSON object only
  // Where the two streams go (the process's stdout and stderr unless a test
  // collects them).
  ByteSink ToStdout;
  ByteSink ToStderr;

  // A result line: printed unless --json (the JSON object has the result).
  void Out(const Text& line);
  // A report line: left out with --quiet and --json.
  void Note(const Text& line);
  // What is going on, on stderr: left out with --quiet.
  void Info(const Text& line);
  // An error on stderr: always printed; with a failure it is the JSON "error".
  void Err(const Text& line);
  // A warning or an answered question on stderr: always printed, never an error.
  void Warn(const Text& line);
  // A "Diagnose" line on stderr ("--log -"), always printed.
  void Log(const Text& line);
  // A usage error: "setup720-cli: message" and the hint to the help.
  int Usage(const QString& message);
  // The failure's message when it was a result line on stdout (the data
  // sets differ, the port test found nothing); with --json, where stdout
  // has the object only, it goes to stderr as well.
  void SetFailure(const Text& message);
  // Unprocessed help or other text for stdout (printed unless --json).
  void Print(const QString& text);

  // Prints every box on stderr, questions with the answer given.
  bool Box(const BoxRequest& request);

  // The command's results for the JSON object.
  void Set(const QString& key, const QJsonValue& value) { result_[key] = value; }
  const QJsonObject& Result() const { return result_; }
  // The whole object: ok, command, exit, the results, error (on failure),
  // warnings (when there were any).
  QJsonObject JsonObject(const QString& command, int exit) const;
  // Prints it on stdout, when --json was given.
  void PrintJson(const QString& command, int exit);

 private:
  void Line(const ByteSink& to, const Text& line);

  QJsonObject result_;
  QStringList errors_;
  QStringList warnings_;
  QString failure_;
};

// Texts for JSON.
inline QJsonValue JsonText(const Text& text) { return ToQt(text); }
QJsonArray JsonLines(const QList<Text>& lines);

// Every line written on stdout or stderr ends a progress bar drawn before it.
void EndProgressLine();

// The progress window as one line on stderr, rewritten in place.
class TextProgress : public ProgressSink {
 public:
  explicit TextProgress(ByteSink to);
  // What the transfer's steps are ("bytes", "blocks", "steps").
  void SetUnit(const QString& unit) { unit_ = unit; }
  void Prepare(int32_t maximum) override;
  void Step(int32_t position) override;
  void Close() override;

 private:
  void Draw();
  ByteSink to_;
  QString unit_ = QStringLiteral("steps");
  int32_t maximum_ = 0;
  int32_t position_ = 0;
  QElapsedTimer clock_;
  QString shown_;
};

// The "Diagnose" window's lines, live on stderr ("--log -").
class StreamLog : public DiagnoseLog {
 public:
  explicit StreamLog(Console& console) : console_(console) {}
  bool Logging() const override { return true; }
  void AddLine(const Text& line) override;

 private:
  Console& console_;
};

// The "Diagnose" window's lines, kept for a file written whole at the end.
class CollectedLog : public DiagnoseLog {
 public:
  bool Logging() const override { return true; }
  void AddLine(const Text& line) override { lines_.append(line); }
  const QList<Text>& Lines() const { return lines_; }
  // One line each, UTF-8, LF: a log for grep and an editor, as stderr shows it.
  QByteArray FileContents() const;

 private:
  QList<Text> lines_;
};

// Windows-1252 text for the terminal.
QByteArray TerminalBytes(const Text& text);
