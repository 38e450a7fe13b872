#pragma once
// What setup720-cli says and how it answers: results on stdout, messages,
// progress and the "Diagnose" lines on stderr, message boxes printed and
// answered without anyone to ask.
#include <cstdint>

#include <QString>

#include "link/glb.h"
#include "util/msgbox.h"
#include "util/text.h"

// The exit codes scripts test for.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,  // no instrument, time-out, wrong checksum, data sets differ
  kExitUsage = 2,
  kExitFile = 3,
};

class Console {
 public:
  bool Quiet = false;
  bool Yes = false;  // questions answered "&Ja"

  // A result line: always printed.
  void Out(const Text& line) const;
  // A report line: left out with --quiet.
  void Note(const Text& line) const;
  // What is going on, on stderr: left out with --quiet.
  void Info(const Text& line) const;
  // An error or warning on stderr: always printed.
  void Err(const Text& line) const;

  // Prints every box on stderr, questions with the answer given.
  bool Box(const BoxRequest& request) const;
};

// The progress window as text on stderr: one line rewritten in place.
class TextProgress : public ProgressSink {
 public:
  void Prepare(int32_t maximum) override;
  void Step(int32_t position) override;
  void Close() override;

 private:
  void Draw();
  int32_t maximum_ = 0;
  int32_t position_ = 0;
};

// The "Diagnose" window's lines on stderr.
class StderrLog : public DiagnoseLog {
 public:
  bool Logging() const override { return true; }
  void AddLine(const Text& line) override;
};

// Windows-1252 text for the terminal.
QByteArray TerminalBytes(const Text& text);
