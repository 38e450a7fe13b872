#pragma once
// Shared test fixtures: every message box is answered here, never shown.
#include <deque>
#include <functional>
#include <vector>

#include <QString>

#include "util/dialogs.h"
#include "util/files.h"
#include "util/msgbox.h"

// The two ways a save fails: the disk fills part-way while the old file is
// replaced, and the chosen file's folder does not exist.
struct SaveFailure {
  const char* what;
  QString file;
  bool fullDisk;
};
inline std::vector<SaveFailure> SaveFailures(const QString& old, const QString& inMissingFolder) {
  return {{"full disk", old, true}, {"no such folder", inMissingFolder, false}};
}

// While it lives, a full disk lets every write through only `after` bytes.
class FullDiskScope {
 public:
  FullDiskScope(bool on, qint64 after) {
    SetWriteFaultHook([on, after](const QString&) { return on ? after : qint64{-1}; });
  }
  ~FullDiskScope() { SetWriteFaultHook({}); }
  FullDiskScope(const FullDiskScope&) = delete;
  FullDiskScope& operator=(const FullDiskScope&) = delete;
};

class Boxes {
 public:
  // Boxes shown since the last Clear().
  static std::vector<BoxRequest>& Shown();
  // Answers for the next questions (yes/no and OK/Cancel), in order;
  // unanswered questions get "&Nein" (Cancel).
  static void AnswerNext(bool yes);
  static void Clear();
  static void Install();  // done once by the test main
};

// Every file dialog and input box is answered here: queued answers in order,
// then cancel.
class Dialogs {
 public:
  static std::vector<FileDialogRequest>& Files();    // file dialogs asked since Clear()
  static std::vector<InputBoxRequest>& Inputs();     // input boxes asked since Clear()
  static void AnswerFile(const QString& path);       // "" cancels
  static void AnswerInput(bool ok, const Text& text);
  static void Clear();
  static void Install();  // done once by the test main
};

// Every modal window (RunModal) runs here without blocking: it is shown, the
// next queued script acts on it, and a window still open afterwards is closed
// as by its close box. The result is the window's result.
class Modals {
 public:
  using Script = std::function<void(QDialog* dialog)>;
  static std::vector<QString>& Shown();  // objectNames of the windows run since Clear()
  static void OnNext(Script script);
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
