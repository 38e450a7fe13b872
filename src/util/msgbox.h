#pragma once
// The three standard message boxes. Every box goes through one replaceable hook
// so that tests answer boxes and read what was shown; no test blocks on a modal.
#include <functional>

#include "text.h"

// OkCancel: a question answered with OK (true) or Cancel.
enum class BoxKind { Error, Info, Question, Plain, OkCancel };

struct BoxRequest {
  BoxKind kind;
  Text caption;
  Text message;
};

// Returns true for "&Ja" (questions); the value is ignored for the other kinds.
using BoxHook = std::function<bool(const BoxRequest&)>;

// Installs a hook and returns the previous one; an empty hook restores the
// real Qt message boxes.
BoxHook SetBoxHook(BoxHook hook);

bool ShowBox(const BoxRequest& request);
bool AskYesNo(const Text& message);
void ShowError(const Text& message);
void ShowInfo(const Text& message);
// A box with only an OK button and no caption of its own (single-instance message).
void ShowPlain(const Text& message);
// OK and Cancel under a caption of the caller's; true for OK.
bool AskOkCancel(const Text& caption, const Text& message);
