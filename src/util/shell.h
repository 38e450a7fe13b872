#pragma once
// Opening documents and programs through the desktop.
#include <functional>

#include "text.h"

// The desktop's "open" verb. Returns a start code as the classic shell does:
// above 32 on success, otherwise an error code for ShellErrorText.
using ShellOpenHook = std::function<int32_t(const Text& path)>;
ShellOpenHook SetShellOpenHook(ShellOpenHook hook);

bool OpenDocument(const Text& path);
Text ShellErrorText(int32_t code);
