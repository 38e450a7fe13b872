#pragma once
// The start of the program: the single-instance check before any window,
// the global data module with its creation step, the always-present windows,
// then the event loop.
#include <QString>

#include "util/text.h"

// The message of a second start, by the user's Windows locale id.
Text AlreadyRunningMessage(const Text& locale);

// The per-user lock of the single-instance check: "<runtime folder>/<program
// file name>.lock". A lock left by a crashed instance is taken over.
QString InstanceLockPath();

int RunSetup720(int argc, char** argv);
