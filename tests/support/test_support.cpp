#include "test_support.h"

#include <QDialog>
#include <QDir>
#include <QTemporaryDir>

namespace {
std::vector<BoxRequest> g_shown;
std::deque<bool> g_answers;
std::vector<FileDialogRequest> g_files;
std::deque<QString> g_fileAnswers;
std::vector<InputBoxRequest> g_inputs;
std::deque<InputBoxResult> g_inputAnswers;
std::vector<QString> g_modals;
std::deque<Modals::Script> g_modalScripts;
}  // namespace

std::vector<BoxRequest>& Boxes::Shown() { return g_shown; }
void Boxes::AnswerNext(bool yes) { g_answers.push_back(yes); }
void Boxes::Clear() {
  g_shown.clear();
  g_answers.clear();
}
void Boxes::Install() {
  SetBoxHook([](const BoxRequest& request) {
    g_shown.push_back(request);
    const bool asks = request.kind == BoxKind::Question || request.kind == BoxKind::OkCancel;
    if (!asks || g_answers.empty()) return false;
    const bool yes = g_answers.front();
    g_answers.pop_front();
    return yes;
  });
}

std::vector<FileDialogRequest>& Dialogs::Files() { return g_files; }
std::vector<InputBoxRequest>& Dialogs::Inputs() { return g_inputs; }
void Dialogs::AnswerFile(const QString& path) { g_fileAnswers.push_back(path); }
void Dialogs::AnswerInput(bool ok, const Text& text) { g_inputAnswers.push_back({ok, text}); }
void Dialogs::Clear() {
  g_files.clear();
  g_fileAnswers.clear();
  g_inputs.clear();
  g_inputAnswers.clear();
}
void Dialogs::Install() {
  DialogHook hook;
  hook.file = [](const FileDialogRequest& request) {
    g_files.push_back(request);
    if (g_fileAnswers.empty()) return QString();
    const QString path = g_fileAnswers.front();
    g_fileAnswers.pop_front();
    return path;
  };
  hook.input = [](const InputBoxRequest& request) {
    g_inputs.push_back(request);
    if (g_inputAnswers.empty()) return InputBoxResult{false, request.defaultText};
    const InputBoxResult answer = g_inputAnswers.front();
    g_inputAnswers.pop_front();
    return answer;
  };
  SetDialogHook(std::move(hook));
}

std::vector<QString>& Modals::Shown() { return g_modals; }
void Modals::OnNext(Script script) { g_modalScripts.push_back(std::move(script)); }
void Modals::Clear() {
  g_modals.clear();
  g_modalScripts.clear();
}
void Modals::Install() {
  SetModalHook([](QDialog* dialog) {
    g_modals.push_back(dialog->objectName());
    Script script;
    if (!g_modalScripts.empty()) {
      script = std::move(g_modalScripts.front());
      g_modalScripts.pop_front();
    }
    dialog->setResult(QDialog::Rejected);
    dialog->show();
    if (script) script(dialog);
    if (dialog->isVisible()) dialog->close();
    return dialog->result();
  });
}

TempDir::TempDir() {
  QTemporaryDir dir(QDir::tempPath() + "/s720test-XXXXXX");
  dir.setAutoRemove(false);
  path_ = dir.path();
}
TempDir::~TempDir() { QDir(path_).removeRecursively(); }
