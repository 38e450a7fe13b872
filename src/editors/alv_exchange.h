#pragma once
// The ALV exchanges without widgets: the ALV window and the command line use
// these. Each is one service session (BeginExchange, service mode, the
// commands, EndExchange); the port is left open, as the window leaves it.
#include <cstdint>
#include <optional>

#include "editors/alv_params.h"
#include "util/text.h"

enum class AlvResult {
  Done,
  TimedOut,  // an answer did not come; Glb->ErrorText says so
  Refused,   // another exchange holds the port (Glb->Busy); nothing was sent
};

struct AlvReading {
  bool ParamsRead = false;  // "R180" answered: Params holds its line
  AlvParams Params;
  bool SerialRead = false;  // "R181" answered: SerialAnswer holds it
  Text SerialAnswer;
  std::optional<int32_t> Serial;  // the answer as a number, nothing when it is none
};

// "R182" (answer not used), "R180", "R181". After a time-out, what was read
// before it is in *reading.
AlvResult ReadAlv(AlvReading* reading);
// "W180" + parameter line, "W181" + the serial number of serialText, then
// "W182" + the store code; stops at the first time-out.
AlvResult WriteAlv(const AlvParams& params, const Text& serialText);
