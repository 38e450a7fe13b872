#include "startup.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include "app/info_windows.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "editors/printer_window.h"
#include "lang/language_file.h"
#include "lang/language_window.h"
#include "lang/translate.h"
#include "link/comports.h"
#include "link/diagnose_window.h"
#include "link/glb.h"
#include "link/konfig_window.h"
#include "link/posix_serial.h"
#include "upload/bootloader.h"
#include "upload/region_window.h"
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

  // 3. The always-present windows, in this order; only the main window is
  // shown. The main window comes first and joins Glb once that exists.
  auto mainWindow = std::make_unique<TFormMain>();

  // 4. The global data module and its creation step. The COM map comes from
  // [PORTS] of the INI file in the program folder it determines.
  QtEventPump pump;
  auto backend = std::make_unique<PosixSerialBackend>();
  PosixSerialBackend* serial = backend.get();
  auto glb = std::make_unique<TGlb>(&pump, std::move(backend));
  Glb = glb.get();
  glb->InitProgramValues();
  serial->SetMap(ComPortMap(ReadPortEntries(glb->IniPath())));
  Language().Configure(glb->ProgramDir, glb->IniPath(), QCoreApplication::arguments(),
                       ProgramBaseName(QCoreApplication::applicationFilePath()));
  mainWindow->AttachGlb();
  // Glb's own message table (StrGlobalmsg) lives in the "Glb" section too.
  TranslateWindow(static_cast<QObject*>(glb.get()));

  // Glb's "Diagnose" window: the channel logs into it while it is visible.
  auto diagnose = std::make_unique<TFormDiagnose>();
  glb->SetLog(diagnose.get());
  mainWindow->DiagnoseWindow = diagnose.get();

  auto progress = std::make_unique<TFormMInfo>();  // TFormMInfo, the transfers' progress
  glb->Progress = progress.get();
  CreateFormlang(mainWindow.get());  // TFormlang "Sprachverwaltung"
  FormRegion();                      // TFormRegion "Sprachregion wählen"
  FormKonfig(mainWindow.get());      // TFormKonfig "Konfiguration"
  FormInfolist();                    // TFormInfolist "Setup 720 Info"

  // 5. With all windows there, the port configuration is loaded and repaired.
  LoadConfiguration();

  // A normal upload saves the printer texts first; the printer window reads
  // them (and the user data image) when it opens.
  ReadPrinterTextsHook = [] {
    OpenFormDrucker();
    return Glb && !Glb->PrinterReadFailed && UserImageSaved();
  };

  // 6. The event loop runs until the main window closes; closing it saves
  // the base settings and releases the instrument.
  QObject::connect(mainWindow.get(), &TFormMain::Closed, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  mainWindow->show();

  const int result = app.exec();
  // The windows go before the module they use.
  CloseDisclaimer();
  mainWindow.reset();
  glb->SetLog(nullptr);
  glb->Progress = nullptr;
  diagnose.reset();
  progress.reset();
  Glb = nullptr;
  glb.reset();
  return result;
}
