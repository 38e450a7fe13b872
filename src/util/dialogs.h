#pragma once
// File dialogs and input boxes. Every one goes through one replaceable hook,
// so tests answer them and read what was asked; none ever blocks a test.
#include <functional>

#include <QString>
#include <QStringList>

#include "text.h"

class QDialog;

// Folder: the folder browser; the answer is a folder path.
enum class FileDialogKind { Open, Save, Folder };

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  Text caption;
  QString folder;
  QString fileName;
  Text filter;      // "Textdatei (*.txt)|*.txt|Alle Dateien (*.*)|*.*"
  Text defaultExt;  // appended with a dot to a chosen name that has no extension
};

struct InputBoxRequest {
  Text caption;
  Text prompt;
  Text defaultText;
};

struct InputBoxResult {
  bool ok = false;
  Text text;
};

// file returns the chosen path, empty for cancel; input the box's answer.
// A part left empty shows the real dialog.
struct DialogHook {
  std::function<QString(const FileDialogRequest&)> file;
  std::function<InputBoxResult(const InputBoxRequest&)> input;
};
// Installs a hook and returns the previous one.
DialogHook SetDialogHook(DialogHook hook);

// The chosen path (the default extension applied), or empty for cancel.
QString RunFileDialog(const FileDialogRequest& request);
// ok false for cancel; text is then the default.
InputBoxResult InputBox(const Text& caption, const Text& prompt, const Text& defaultText);

// Modal windows: RunModal stands for QDialog::exec. The hook, when set, runs
// the window instead (tests show it, act on it and close it) and returns its
// result; an empty hook runs exec().
using ModalHook = std::function<int(QDialog* dialog)>;
// Installs a hook and returns the previous one.
ModalHook SetModalHook(ModalHook hook);
int RunModal(QDialog* dialog);

// "Text|*.txt;*.asc|..." as Qt name filters ("Text (*.txt *.asc)"). "*.*"
// becomes "*", which also matches names without a dot.
QStringList QtNameFilters(const Text& filter);
// path + "." + ext when the file name part of path has no extension.
QString WithDefaultExt(const QString& path, const Text& ext);

// A file dialog object kept by its owner between uses: caption, folder and
// last file name survive, as the shared dialogs of the global data module do.
class TFileDialog {
 public:
  TFileDialog(FileDialogKind kind, const Text& defaultExt, const Text& filter)
      : Kind(kind), Filter(filter), DefaultExt(defaultExt) {}

  // True when a file was chosen; FileName then holds its path.
  bool Execute();

  FileDialogKind Kind;
  Text Title;
  QString InitialDir;
  QString FileName;
  Text Filter;
  Text DefaultExt;
};
