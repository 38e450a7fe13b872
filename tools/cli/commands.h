#pragma once
// The subcommands of setup720-cli. Each runs over the program's own logic
// (the global data module Glb, set up by main) and returns an ExitCode.
#include "arguments.h"
#include "console.h"

// The commands that use the file settings of the configuration
// ("KONFIG": firmware files, user data image).
bool NeedsConfiguration(const Arguments& arguments);

int RunCommand(const Arguments& arguments, const Console& console);
