// Start-up time to the main window shown, and resident memory once every
// window has been opened. The program runs itself as a child (the whole
// program start: loading, the settings, the windows) with a fresh program
// folder and settings store; the parent times from starting the process to
// the child's first turn of the event loop, which comes after the main window
// was shown.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_window.h"
#include "app/openers.h"
#include "app/startup.h"
#include "util/dialogs.h"
#include "util/msgbox.h"

namespace {

bool g_child = false;
void WhenShown();

long ResidentKb() {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

void OpenEveryWindow() {
  void (*const openers[])() = {
      OpenPortConfiguration, OpenOptionsEditor, OpenServiceOptionsEditor, OpenPrinterTexts,
      OpenUploadWindow,      OpenFuelTables,    OpenInstrumentLanguage,   OpenEepromEditor,
      OpenTerminal,          OpenAlvParameters, OpenLanguageManager,      OpenMapViewer,
      OpenTextEditor,        OpenFileList,      ShowDiagnose};
  int opened = 0;
  for (auto opener : openers) {
    if (!OpenerAvailable(opener)) continue;
    opener();
    QCoreApplication::processEvents();
    ++opened;
  }
  std::printf("opened %d windows\n", opened);
}

void OnApplication() {
  if (!g_child) return;
  // Boxes are answered "no" and dialogs cancelled: nobody is there to click.
  SetBoxHook([](const BoxRequest&) { return false; });
  SetDialogHook({[](const FileDialogRequest&) { return QString(); },
                 [](const InputBoxRequest&) { return InputBoxResult{}; }});
  SetModalHook([](QDialog* dialog) {
    dialog->show();
    QCoreApplication::processEvents();
    return static_cast<int>(QDialog::Rejected);
  });
  QTimer::singleShot(0, [] { WhenShown(); });
}
Q_COREAPP_STARTUP_FUNCTION(OnApplication)

// Runs on the child's first turns of the event loop until the main window is
// on the screen (a wait before it was shown may turn the loop earlier).
void WhenShown() {
  bool shown = false;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<TFormMain*>(w) && w->isVisible()) shown = true;
  if (!shown) {
    QTimer::singleShot(1, [] { WhenShown(); });
    return;
  }
  {
    std::printf("shown\n");
    std::fflush(stdout);
    OpenEveryWindow();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    std::printf("rss %ld\n", ResidentKb());
    std::fflush(stdout);
    std::_Exit(0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
    g_child = true;
    char* args[] = {argv[0], const_cast<char*>("/F3"), nullptr};
    return RunSetup720(2, args);
  }

  QCoreApplication app(argc, argv);
  std::vector<double> times;
  long rss = -1;
  QString opened;
  for (int run = 0; run < 7; ++run) {
    QTemporaryDir home;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("SETUP720_HOME", home.path());
    env.insert("SETUP720_REGISTRY", home.path() + "/registry.ini");
    env.insert("XDG_RUNTIME_DIR", home.path());  // its own instance lock
    child.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(), {"--child"});
    double shownMs = -1;
    QByteArray out;
    while (child.state() != QProcess::NotRunning || child.bytesAvailable() > 0) {
      if (!child.canReadLine() && !child.waitForReadyRead(30000)) break;
      while (child.canReadLine()) {
        const QByteArray line = child.readLine().trimmed();
        if (line == "shown" && shownMs < 0) shownMs = clock.nsecsElapsed() / 1e6;
        if (line.startsWith("rss ")) rss = line.mid(4).toLong();
        if (line.startsWith("opened ")) opened = QString::fromLatin1(line);
      }
    }
    child.waitForFinished(10000);
    if (shownMs < 0) {
      std::fprintf(stderr, "run %d: the main window was not shown\n%s\n", run,
                   child.readAllStandardError().constData());
      return 1;
    }
    times.push_back(shownMs);
  }
  std::sort(times.begin(), times.end());
  std::printf("start-up to the main window shown (offscreen), median of %zu: %.0f ms (min %.0f, max %.0f)\n",
              times.size(), times[times.size() / 2], times.front(), times.back());
  std::printf("%s; resident memory then: %.1f MB\n", qPrintable(opened), rss / 1024.0);
  return 0;
}
