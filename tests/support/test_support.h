#pragma once
// Shared test fixtures: every message box is answered here, never shown.
#include <deque>
#include <vector>

#include <QString>

#include "util/msgbox.h"

class Boxes {
 public:
  // Boxes shown since the last Clear().
  static std::vector<BoxRequest>& Shown();
  // Answers for the next questions, in order; unanswered questions get "&Nein".
  static void AnswerNext(bool yes);
  static void Clear();
  static void Install();  // done once by the test main
};

// A fresh temporary folder for one test, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  QString Path() const { return path_; }          // no trailing separator
  QString File(const QString& name) const { return path_ + "/" + name; }

 private:
  QString path_;
};
