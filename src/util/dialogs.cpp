#include "dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>

namespace {

DialogHook& Hook() {
  static DialogHook hook;
  return hook;
}

ModalHook& Modal() {
  static ModalHook hook;
  return hook;
}

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QString ShowQtFileDialog(const FileDialogRequest& request) {
  if (!HaveWidgets()) return QString();
  QFileDialog dialog(QApplication::activeWindow(), ToQt(request.caption), request.folder);
  const QStringList filters = QtNameFilters(request.filter);
  if (!filters.isEmpty() && request.kind != FileDialogKind::Folder) dialog.setNameFilters(filters);
  // The list shows the descriptions exactly as given; the patterns stay hidden.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (request.kind == FileDialogKind::Folder) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
  } else if (request.kind == FileDialogKind::Save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  dialog.setDefaultSuffix(ToQt(request.defaultExt));
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  if (dialog.exec() != QDialog::Accepted) return QString();
  return dialog.selectedFiles().value(0);
}

InputBoxResult ShowQtInputBox(const InputBoxRequest& request) {
  if (!HaveWidgets()) return {false, request.defaultText};
  bool ok = false;
  const QString text = QInputDialog::getText(QApplication::activeWindow(), ToQt(request.caption),
                                             ToQt(request.prompt), QLineEdit::Normal,
                                             ToQt(request.defaultText), &ok);
  return ok ? InputBoxResult{true, FromQt(text)} : InputBoxResult{false, request.defaultText};
}

}  // namespace

DialogHook SetDialogHook(DialogHook hook) {
  DialogHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

QString RunFileDialog(const FileDialogRequest& request) {
  if (Hook().file) {
    const QString path = Hook().file(request);
    return path.isEmpty() ? path : WithDefaultExt(path, request.defaultExt);
  }
  return ShowQtFileDialog(request);
}

InputBoxResult InputBox(const Text& caption, const Text& prompt, const Text& defaultText) {
  const InputBoxRequest request{caption, prompt, defaultText};
  InputBoxResult result = Hook().input ? Hook().input(request) : ShowQtInputBox(request);
  if (!result.ok) result.text = defaultText;
  return result;
}

ModalHook SetModalHook(ModalHook hook) {
  ModalHook previous = std::move(Modal());
  Modal() = std::move(hook);
  return previous;
}

int RunModal(QDialog* dialog) {
  if (!dialog) return QDialog::Rejected;
  if (Modal()) return Modal()(dialog);
  return dialog->exec();
}

QStringList QtNameFilters(const Text& filter) {
  QStringList out;
  if (filter.isEmpty()) return out;
  const QList<QByteArray> parts = filter.split('|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QByteArray& p : parts[i + 1].split(';')) {
      const QString pattern = ToQt(p.trimmed());
      if (pattern.isEmpty()) continue;
      patterns.append(pattern == u"*.*" ? QStringLiteral("*") : pattern);
    }
    if (patterns.isEmpty()) patterns.append(QStringLiteral("*"));
    out.append(ToQt(parts[i]) + " (" + patterns.join(u' ') + ")");
  }
  return out;
}

QString WithDefaultExt(const QString& path, const Text& ext) {
  if (ext.isEmpty() || path.isEmpty() || path.endsWith(u'/')) return path;
  const QString name = QFileInfo(path).fileName();
  if (name.contains(u'.')) return path;
  return path + u'.' + ToQt(ext);
}

bool TFileDialog::Execute() {
  const QString path = RunFileDialog({Kind, Title, InitialDir, FileName, Filter, DefaultExt});
  if (path.isEmpty()) return false;
  FileName = path;
  return true;
}
