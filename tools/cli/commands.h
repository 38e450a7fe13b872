#pragma once
// The subcommands of setup720-cli. Each runs over the program's own logic
// (the global data module Glb, set up by main or a test) and returns an
// ExitCode; results go to the console, and into its JSON object.
#include <optional>
#include <set>

#include <QString>
#include <QStringList>

#include "arguments.h"
#include "console.h"
#include "link/comports.h"

// The commands that use the file settings of the configuration
// ("KONFIG": firmware files, user data image).
bool NeedsConfiguration(const Arguments& arguments);

// What a run needs from the process besides Glb.
struct RunSetup {
  ComPortMap map;              // the COM map the USB cable is named through
  QString sysfsRoot = "/sys";  // where the cable is looked up
  TextProgress* progress = nullptr;  // the bar, when one is drawn
};

int RunCommand(const Arguments& arguments, Console& console, const RunSetup& setup);

// "help", "help COMMAND", "--help", "COMMAND --help": the exit code when the
// line asks for help (the text is printed), nothing otherwise.
std::optional<int> RunHelp(const Arguments& arguments, Console& console);

// The command's name for the JSON object ("" when the line names none).
QString CommandName(const Arguments& arguments);

// The commands RunCommand knows, and the options each takes besides the
// global ones (for the help and the manual page to be checked against).
QStringList RunnableCommands();
std::set<QString> CommandOptions(const QString& command);
