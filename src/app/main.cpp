#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/dev_console.h"
#include "link/comports.h"
#include "link/diagnose_window.h"
#include "link/glb.h"
#include "link/posix_serial.h"
#include "util/inifile.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Setup720");

  // The program folder holds Setup720.INI; SETUP720_HOME points it elsewhere.
  QString home = qEnvironmentVariable("SETUP720_HOME");
  if (home.isEmpty()) home = QCoreApplication::applicationDirPath();
  const QString ini = QDir(home).filePath("Setup720.INI");

  QtEventPump pump;
  auto backend = std::make_unique<PosixSerialBackend>(ComPortMap(ReadPortEntries(ini)));
  TGlb glb(&pump, std::move(backend));
  Glb = &glb;
  glb.ComPort = IniFile(ini).ReadInteger("KONFIG", "Comport", 1);

  TFormDiagnose diagnose;
  glb.SetLog(&diagnose);
  diagnose.show();
  TFormDevConsole console(&glb);
  console.move(40, 173);
  console.show();
  return app.exec();
}
