#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

namespace {
std::vector<BoxRequest> g_shown;
std::deque<bool> g_answers;
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

TempDir::TempDir() {
  QTemporaryDir dir(QDir::tempPath() + "/s720test-XXXXXX");
  dir.setAutoRemove(false);
  path_ = dir.path();
}
TempDir::~TempDir() { QDir(path_).removeRecursively(); }
