#pragma once
// setup720-cli's commands in process: the simulated instrument behind Glb in
// virtual time, the console's streams and JSON object collected.
#include <memory>

#include <QDir>
#include <QFile>
#include <QJsonObject>

#include "arguments.h"
#include "commands.h"
#include "console.h"
#include "sim_rig.h"
#include "test_support.h"

struct CliRunResult {
  int exit = -1;
  QString out;
  QString err;
  QJsonObject json;
};

class CliRig {
 public:
  explicit CliRig(SimOptions options = {}) : sim(std::move(options)) {
    Glb = sim.glb.get();
    sim.glb->ProgramDir = dir.Path() + "/";
    sim.glb->DataDir = dir.Path() + "/";
    sim.glb->UserBinPath = dir.File("userorx720nt.bin");
    setup.sysfsRoot = dir.File("no-sysfs");
  }
  ~CliRig() {
    Boxes::Install();
    Glb = nullptr;
  }

  // Runs one command line as setup720-cli would after its start, with
  // --json on, so every run also gives its JSON object.
  CliRunResult Run(const QStringList& arguments) {
    CliRunResult result;
    Arguments parsed;
    QString error;
    if (!ParseArguments(arguments, &parsed, &error)) {
      result.err = error;
      return result;
    }
    Console console;
    console.Json = true;
    console.Quiet = parsed.Flag("quiet");
    QByteArray out, err;
    console.ToStdout = [&out](const QByteArray& b) { out += b; };
    console.ToStderr = [&err](const QByteArray& b) { err += b; };
    SetBoxHook([&console](const BoxRequest& r) { return console.Box(r); });
    const QString home = QDir::currentPath();
    QDir::setCurrent(dir.Path());  // relative file names as a script in its folder gives them
    result.exit = RunCommand(parsed, console, setup);
    QDir::setCurrent(home);
    Boxes::Install();
    result.json = console.JsonObject(CommandName(parsed), result.exit);
    result.out = QString::fromUtf8(out);
    result.err = QString::fromUtf8(err);
    return result;
  }

  QString File(const QString& name) const { return dir.File(name); }
  void Write(const QString& name, const QByteArray& data) const {
    QFile file(dir.File(name));
    if (file.open(QIODevice::WriteOnly)) file.write(data);
  }
  // Whether any command that changes an instrument memory went out.
  bool AnythingWritten() const {
    for (const Text& command : sim.instrument.Commands())
      if (command.startsWith("W10") || command.startsWith("W14") || command.startsWith("W18")) return true;
    return false;
  }

  TempDir dir;
  SimRig sim;
  RunSetup setup;
};

std::string Show(const CliRunResult& r);

// A type list line: the name padded to 30, then the 250-character option string.
QByteArray TypeLine(const QByteArray& name, const QByteArray& bits, int displayCode, int printCode);
