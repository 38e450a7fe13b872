#pragma once
// The text of the progress bar setup720-cli draws on a terminal:
//   [###############---------------]  128/256 bytes  50 %  0:02 left
// The transfers count in their own steps (bytes, 16-byte blocks, the
// upload's steps);
// `unit` names them.
#include <cstdint>

#include <QString>

// A duration as m:ss, or h:mm:ss from an hour on.
QString FormatDuration(int64_t ms);

// done of total steps after elapsedMs. A total of 0 or less, or one that
// done has passed (some transfers take more steps than they announce), is
// unknown: no fill, no percentage, no estimate, the time so far instead.
// The estimate assumes the rest goes at the rate so far and is rounded up
// to whole seconds, so it says "0:00 left" only at the end.
QString FormatProgress(int64_t done, int64_t total, int64_t elapsedMs, const QString& unit,
                       int barWidth = 30);
