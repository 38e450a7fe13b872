#include "console.h"

#include <algorithm>
#include <cstdio>

#include <QJsonDocument>

#include "progress_format.h"

namespace {

// The progress line is drawn without a line end; whatever is printed next
// starts on a line of its own.
bool g_progressShown = false;
ByteSink g_progressTo;

ByteSink Stream(FILE* to) {
  return [to](const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), to);
    std::fflush(to);
  };
}

}  // namespace

void EndProgressLine() {
  if (!g_progressShown) return;
  g_progressShown = false;
  if (g_progressTo) g_progressTo("\n");
}

QByteArray TerminalBytes(const Text& text) {
  // A CR inside a message (the boxes break lines with it) would overwrite
  // the start of the line on a terminal.
  QString shown = ToQt(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown.toUtf8();
}

QJsonArray JsonLines(const QList<Text>& lines) {
  QJsonArray array;
  for (const Text& line : lines) array.append(ToQt(line));
  return array;
}

Console::Console() : ToStdout(Stream(stdout)), ToStderr(Stream(stderr)) {}

void Console::Line(const ByteSink& to, const Text& line) {
  EndProgressLine();
  to(TerminalBytes(line) + '\n');
}

void Console::Out(const Text& line) {
  if (!Json) Line(ToStdout, line);
}

void Console::Note(const Text& line) {
  if (!Quiet && !Json) Line(ToStdout, line);
}

void Console::Info(const Text& line) {
  if (!Quiet) Line(ToStderr, line);
}

void Console::Err(const Text& line) {
  errors_ << QString::fromUtf8(TerminalBytes(line));
  Line(ToStderr, line);
}

void Console::Warn(const Text& line) {
  warnings_ << QString::fromUtf8(TerminalBytes(line));
  Line(ToStderr, line);
}

void Console::SetFailure(const Text& message) {
  failure_ = QString::fromUtf8(TerminalBytes(message));
  if (Json) Line(ToStderr, message);
}

int Console::Usage(const QString& message) {
  errors_ << message;
  Line(ToStderr, FromQt("setup720-cli: " + message));
  Line(ToStderr, "Try \"setup720-cli --help\".");
  return kExitUsage;
}

void Console::Print(const QString& text) {
  if (Json) return;
  EndProgressLine();
  ToStdout(text.toUtf8());
}

bool Console::Box(const BoxRequest& request) {
  switch (request.kind) {
    case BoxKind::Error:
      Err(request.caption + ": " + request.message);
      return false;
    case BoxKind::Info:
    case BoxKind::Plain:
      // The logic tells its failures in information boxes too ("no instrument").
      Err(request.message);
      return false;
    case BoxKind::Question:
      Warn(request.message + (Yes ? " -> Ja" : " -> Nein"));
      return Yes;
    case BoxKind::OkCancel:
      Warn(request.caption + ": " + request.message + (Yes ? " -> OK" : " -> Abbrechen"));
      return Yes;
  }
  return false;
}

QJsonObject Console::JsonObject(const QString& command, int exit) const {
  QJsonObject object = result_;
  object["ok"] = exit == kExitOk;
  object["command"] = command.isEmpty() ? QJsonValue() : QJsonValue(command);
  object["exit"] = exit;
  if (exit != kExitOk) {
    QString error = errors_.join(u'\n');
    if (!failure_.isEmpty()) error = error.isEmpty() ? failure_ : failure_ + u'\n' + error;
    if (error.isEmpty()) error = QStringLiteral("failed (exit %1)").arg(exit);
    object["error"] = error;
  } else if (!errors_.isEmpty()) {
    // Messages of a run that still succeeded (a saved image that could not
    // be written, ...).
    object["messages"] = QJsonArray::fromStringList(errors_);
  }
  if (!warnings_.isEmpty()) object["warnings"] = QJsonArray::fromStringList(warnings_);
  return object;
}

void Console::PrintJson(const QString& command, int exit) {
  if (!Json) return;
  EndProgressLine();
  ToStdout(QJsonDocument(JsonObject(command, exit)).toJson(QJsonDocument::Compact) + '\n');
}

TextProgress::TextProgress(ByteSink to) : to_(std::move(to)) {}

void TextProgress::Prepare(int32_t maximum) {
  maximum_ = std::max(0, maximum);
  position_ = 0;
  clock_.start();
  shown_.clear();
  Draw();
}

void TextProgress::Step(int32_t position) {
  position_ = std::max(0, position);
  Draw();
}

void TextProgress::Close() { EndProgressLine(); }

void TextProgress::Draw() {
  const QString text = FormatProgress(position_, maximum_, clock_.isValid() ? clock_.elapsed() : 0, unit_);
  if (text == shown_ && g_progressShown) return;
  shown_ = text;
  // Padded so that a shorter line covers the end of a longer one.
  g_progressTo = to_;
  g_progressTo("\r" + text.leftJustified(78).toUtf8());
  g_progressShown = true;
}

void Console::Log(const Text& line) { Line(ToStderr, "Diagnose: " + line); }

void StreamLog::AddLine(const Text& line) { console_.Log(line); }

QByteArray CollectedLog::FileContents() const {
  QByteArray bytes;
  for (const Text& line : lines_) bytes += TerminalBytes(line) + '\n';
  return bytes;
}
