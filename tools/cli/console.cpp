#include "console.h"

#include <algorithm>
#include <cstdio>

namespace {

// The progress line is drawn without a line end; whatever is printed next
// starts on a line of its own.
bool g_progressShown = false;

void EndProgressLine() {
  if (!g_progressShown) return;
  std::fputc('\n', stderr);
  g_progressShown = false;
}

void PrintLine(FILE* to, const Text& line) {
  EndProgressLine();
  const QByteArray bytes = TerminalBytes(line);
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), to);
  std::fputc('\n', to);
  std::fflush(to);
}

}  // namespace

QByteArray TerminalBytes(const Text& text) {
  // A CR inside a message (the boxes break lines with it) would overwrite
  // the start of the line on a terminal.
  QString shown = ToQt(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown.toUtf8();
}

void Console::Out(const Text& line) const { PrintLine(stdout, line); }

void Console::Note(const Text& line) const {
  if (!Quiet) PrintLine(stdout, line);
}

void Console::Info(const Text& line) const {
  if (!Quiet) PrintLine(stderr, line);
}

void Console::Err(const Text& line) const { PrintLine(stderr, line); }

bool Console::Box(const BoxRequest& request) const {
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
      Err(request.message + (Yes ? " -> Ja" : " -> Nein"));
      return Yes;
    case BoxKind::OkCancel:
      Err(request.caption + ": " + request.message + (Yes ? " -> OK" : " -> Abbrechen"));
      return Yes;
  }
  return false;
}

void TextProgress::Prepare(int32_t maximum) {
  maximum_ = std::max(0, maximum);
  position_ = 0;
  Draw();
}

void TextProgress::Step(int32_t position) {
  position_ = std::clamp(position, 0, std::max(maximum_, position));
  Draw();
}

void TextProgress::Close() {
  EndProgressLine();
  std::fflush(stderr);
}

void TextProgress::Draw() {
  constexpr int kWidth = 40;
  const int filled = maximum_ > 0 ? static_cast<int>(int64_t{kWidth} * std::min(position_, maximum_) / maximum_) : 0;
  std::fprintf(stderr, "\r[%.*s%*s] %d", filled, "########################################",
               kWidth - filled, "", position_);
  // Some transfers take more steps than they announce.
  if (position_ <= maximum_) std::fprintf(stderr, "/%d", maximum_);
  std::fprintf(stderr, "   ");
  std::fflush(stderr);
  g_progressShown = true;
}

void StderrLog::AddLine(const Text& line) { PrintLine(stderr, "Diagnose: " + line); }
