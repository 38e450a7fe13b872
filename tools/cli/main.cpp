// setup720-cli: the tool's instrument operations for production lines and
// scripts. It reads the same program folder, Setup720.INI, COM mapping and
// settings store as the program and runs the same logic, without a window.
#include <unistd.h>

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "arguments.h"
#include "commands.h"
#include "console.h"
#include "link/comports.h"
#include "link/configuration.h"
#include "link/glb.h"
#include "link/posix_serial.h"
#include "util/files.h"

namespace {

// The first word of a line that did not parse, for its JSON answer.
QString FirstWord(const QStringList& arguments) {
  for (const QString& arg : arguments)
    if (!arg.startsWith(QLatin1Char('-'))) return arg;
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("Setup720");

  const QStringList raw = QCoreApplication::arguments().mid(1);
  Console console;
  console.Json = WantsJson(raw);
  SetBoxHook([&console](const BoxRequest& request) { return console.Box(request); });

  Arguments arguments;
  QString error;
  if (!ParseArguments(raw, &arguments, &error)) {
    const int exit = console.Usage(error);
    console.PrintJson(FirstWord(raw), exit);
    return exit;
  }
  console.Quiet = arguments.Flag("quiet");
  console.Yes = arguments.Flag("yes");
  if (const std::optional<int> help = RunHelp(arguments, console)) {
    console.PrintJson(QStringLiteral("help"), *help);
    return *help;
  }
  if (arguments.words.isEmpty()) {
    std::fputs(UsageText().toUtf8().constData(), stderr);
    const int exit = console.Usage("no command");
    console.PrintJson({}, exit);
    return exit;
  }

  // "--log FILE": the folder must be there before anything is sent, so that
  // the log of the run is not lost at its end.
  QString logPath;
  if (arguments.values.count("log")) {
    const QString value = arguments.Value("log");
    if (value.isEmpty()) {
      const int exit = console.Usage("--log: a file, or \"-\" for stderr");
      console.PrintJson(CommandName(arguments), exit);
      return exit;
    }
    if (value != QLatin1String("-")) {
      logPath = QFileInfo(value).absoluteFilePath();
      if (!QFileInfo(logPath).absoluteDir().exists() || QFileInfo(logPath).isDir()) {
        console.Err(FromQt("--log: cannot write " + logPath));
        console.PrintJson(CommandName(arguments), kExitFile);
        return kExitFile;
      }
    }
  }

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

  // The bar is for a person watching: a terminal, or asked for; never in
  // the way of --quiet or of the JSON a program reads.
  TextProgress progress(console.ToStderr);
  const bool drawProgress =
      !console.Json && !console.Quiet && (isatty(STDERR_FILENO) == 1 || arguments.Flag("progress"));
  if (drawProgress) glb->Progress = &progress;
  StreamLog streamLog(console);
  CollectedLog fileLog;
  if (arguments.values.count("log")) glb->SetLog(logPath.isEmpty() ? static_cast<DiagnoseLog*>(&streamLog) : &fileLog);

  RunSetup setup;
  setup.map = serial->Map();
  setup.progress = drawProgress ? &progress : nullptr;
  int result = RunCommand(arguments, console, setup);

  glb->SetLog(nullptr);
  glb->Progress = nullptr;
  // The log is written also when the command failed: that is when it is read.
  if (!logPath.isEmpty()) {
    QString writeError;
    if (WriteWholeFile(logPath, fileLog.FileContents(), &writeError)) {
      console.Set("logFile", logPath);
    } else {
      console.Err(FromQt("--log: " + logPath + ": " + writeError));
      if (result == kExitOk) result = kExitFile;
    }
  }
  Glb = nullptr;
  glb.reset();
  console.PrintJson(CommandName(arguments), result);
  SetBoxHook({});
  return result;
}
