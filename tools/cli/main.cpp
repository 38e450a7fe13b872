// setup720-cli: the tool's instrument operations for production lines and
// scripts. It reads the same program folder, Setup720.INI, COM mapping and
// settings store as the program and runs the same logic, without a window.
#include <cstdio>
#include <memory>

#include <QCoreApplication>

#include "arguments.h"
#include "commands.h"
#include "console.h"
#include "link/comports.h"
#include "link/configuration.h"
#include "link/glb.h"
#include "link/posix_serial.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("Setup720");

  Arguments arguments;
  QString error;
  if (!ParseArguments(QCoreApplication::arguments().mid(1), &arguments, &error)) {
    std::fprintf(stderr, "setup720-cli: %s\nTry \"setup720-cli --help\".\n", error.toUtf8().constData());
    return kExitUsage;
  }
  if (arguments.flags.count("help")) {
    std::fputs(kUsageText, stdout);
    return kExitOk;
  }
  if (arguments.words.isEmpty()) {
    std::fputs(kUsageText, stderr);
    return kExitUsage;
  }
  std::optional<int64_t> port;
  if (arguments.values.count("port")) {
    port = WholeNumber(arguments.Value("port"), 1, 99);
    if (!port) {
      std::fprintf(stderr, "setup720-cli: --port: a COM number 1..99\n");
      return kExitUsage;
    }
  }

  Console console;
  console.Quiet = arguments.flags.count("quiet") > 0;
  console.Yes = arguments.flags.count("yes") > 0;
  SetBoxHook([&console](const BoxRequest& request) { return console.Box(request); });

  // The global data module as the program creates it, over the COM map of
  // the program folder's INI file.
  QtEventPump pump;
  auto backend = std::make_unique<PosixSerialBackend>();
  PosixSerialBackend* serial = backend.get();
  auto glb = std::make_unique<TGlb>(&pump, std::move(backend));
  Glb = glb.get();
  glb->InitProgramValues();
  serial->SetMap(ComPortMap(ReadPortEntries(glb->IniPath())));
  if (NeedsConfiguration(arguments)) LoadConfiguration();
  if (port) glb->ComPort = static_cast<int32_t>(*port);

  TextProgress progress;
  StderrLog log;
  if (arguments.flags.count("progress")) glb->Progress = &progress;
  if (arguments.flags.count("log")) glb->SetLog(&log);

  const int result = RunCommand(arguments, console);

  glb->SetLog(nullptr);
  glb->Progress = nullptr;
  Glb = nullptr;
  glb.reset();
  SetBoxHook({});
  return result;
}
