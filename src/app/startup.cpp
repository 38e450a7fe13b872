#include "startup.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include "app/dev_console.h"
#include "link/comports.h"
#include "link/diagnose_window.h"
#include "link/glb.h"
#include "link/posix_serial.h"
#include "util/msgbox.h"
#include "util/settings_store.h"

Text AlreadyRunningMessage(const Text& locale) {
  if (locale == "00000407") return T("Programm l\xE4uft schon auf diesem Arbeitsplatz!");
  if (locale == "00000409") return T("Program is already running!");
  if (locale == "00000410") return T("Programma gi\xE0 che funziona!");
  if (locale == "0000041D") return T("Program is already running!");
  return T("Program already running!");
}

QString InstanceLockPath() {
  const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  const QString name = (program.isEmpty() ? QStringLiteral("Setup720") : program) + ".lock";
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) {
    // No runtime folder: a name of this user's own in the temporary folder.
    return QDir::tempPath() + "/" + QString::number(getuid()) + "-" + name;
  }
  return folder + "/" + name;
}

int RunSetup720(int argc, char** argv) {
  QApplication app(argc, argv);
  // Tests of the whole program read the boxes on stderr instead of answering them.
  if (qgetenv("SETUP720_BOX_STDERR") == "1") {
    SetBoxHook([](const BoxRequest& request) {
      std::fprintf(stderr, "%s\n", ToQt(request.message).toUtf8().constData());
      std::fflush(stderr);
      return false;
    });
  }

  // 1. Single instance, before any window. The lock never goes stale by age
  // (an instance may run for days); one whose process is gone is taken over.
  QLockFile instanceLock(InstanceLockPath());
  instanceLock.setStaleLockTime(0);
  if (!instanceLock.tryLock(0) && instanceLock.error() == QLockFile::LockFailedError) {
    ShowPlain(AlreadyRunningMessage(MachineLocale()));
    return 0;
  }
  // A lock that cannot be created at all (no runtime folder) does not keep
  // the program from running.

  // 2. The application title.
  QApplication::setApplicationName("Setup720");

  // 3./4. The global data module and its creation step. The COM map comes
  // from [PORTS] of the INI file in the program folder it determines.
  QtEventPump pump;
  auto backend = std::make_unique<PosixSerialBackend>();
  PosixSerialBackend* serial = backend.get();
  TGlb glb(&pump, std::move(backend));
  Glb = &glb;
  glb.InitProgramValues();
  serial->SetMap(ComPortMap(ReadPortEntries(glb.IniPath())));

  // The always-present windows, in this order, each created once here:
  //   TFormMain      "ORX Setup 720", the main window       (to come; first of all)
  //   Glb            with TFormDiagnose, the "Diagnose" window (below)
  //   TFormMInfo     the message window                     (to come)
  //   TFormlang      "Sprachverwaltung"                     (to come)
  //   TFormRegion    "Sprachregion wählen"                  (to come)
  //   TFormKonfig    "Konfiguration"                        (to come)
  //   TFormInfolist  "Setup 720 Info"                       (to come)
  // When all exist, TFormKonfig loads and repairs the port configuration.
  // Only the main window is shown; closing it saves the base settings and
  // releases the instrument.
  TFormDiagnose diagnose;
  glb.SetLog(&diagnose);
  diagnose.show();

  // Stands in for the main window's menus until they exist.
  TFormDevConsole console(&glb);
  console.move(40, 173);
  console.show();

  const int result = app.exec();
  glb.SetLog(nullptr);
  return result;
}
