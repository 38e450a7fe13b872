#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

namespace {
std::vector<BoxRequest> g_shown;
std::deque<bool> g_answers;
std::vector<FileDialogRequest> g_files;
std::deque<QString> g_fileAnswers;
std::vector<InputBoxRequest> g_inputs;
std::deque<InputBoxResult> g_inputAnswers;
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
    if (request.kind != BoxKind::Question || g_answers.empty()) return false;
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

TempDir::TempDir() {
  QTemporaryDir dir(QDir::tempPath() + "/s720test-XXXXXX");
  dir.setAutoRemove(false);
  path_ = dir.path();
}
TempDir::~TempDir() { QDir(path_).removeRecursively(); }
