#pragma once
// Firmware upload: the byte exchange with the instrument's bootloader and the
// four ways of starting an upload (the upload window's buttons). No widgets
// here; the window gives a log and shows itself through callbacks.
//
// The bootloader speaks single bytes: "Z" (echoed), ACK (echoed), then "0" at
// 57600 baud (echoed), 0xC1 once its memory is erased, the records in their
// binary form back to back, and two verdict bytes at the end.
#include <cstdint>
#include <functional>

#include "image_files.h"
#include "util/text.h"

class MessageTable;

// Where an upload writes its progress lines: the upload window's log.
class UploadLog {
 public:
  virtual ~UploadLog() = default;
  virtual void Clear() = 0;
  virtual void AddLine(const Text& line) = 0;
};

inline constexpr char kPressKeyLine[] = "Press Key \"F\" on ORX 720";
inline constexpr char kLinesLoaded[] = "Zeilen geladen";
inline constexpr int32_t kBootBaud = 57600;

// Saves the printer texts before a normal upload: opens the printer texts
// window, reads from the instrument and brings the window to the front; true
// on success. The printer window lives above this layer, so whoever knows it
// (the start-up) sets this. Unset, a normal upload stops before sending:
// without the backup the instrument's printer texts would be lost.
extern std::function<bool()> ReadPrinterTextsHook;
// The region choice before an upload (true: go on). Unset, the region window
// asks; the command line sets its own, which never shows a window.
extern std::function<bool()> ChooseRegionHook;

// True while an upload runs (any start variant or the exchange itself).
bool UploadRunning();
// An upload may start: none runs and no editor is transferring.
bool UploadMayStart();

// The bootloader exchange for the given lines, over Glb's port. Lines without
// a non-blank character are skipped but counted. Messages go to log (none when
// null). Always ends with the port closed, ChannelMode 0 and the progress
// window closed. Returns true when both verdict bytes came ("Fertig"); false
// on any "Fehler" and when refused because an exchange already runs.
bool UploadHexLines(UploadList lines, UploadLog* log);

// One upload window's sequence: its upload list, UploadError and the start
// variants. Every variant returns false when it was refused because an
// upload runs or an editor transfers, true when it ran (whatever its outcome).
class TUploadSequence {
 public:
  explicit TUploadSequence(UploadLog* log) : log_(log) {}

  UploadList Lines;  // the upload list
  bool UploadError = false;
  // The last start's exchange ended with both verdict bytes ("Fertig").
  bool Completed = false;
  // The window's table; entry 0 is "Zeilen geladen" (the built-in text when unset).
  const MessageTable* StrLaden = nullptr;
  // Shows the upload window and brings it to the front.
  std::function<void()> ShowWindow;
  std::function<void()> Repaint;

  bool RunAuto();                // BtAuto and the file watch
  bool RunStandard();            // BtDefault
  bool RunEmergency();           // BtSend
  bool RunEmergencyStandard();   // BtDefaultNot

  // Loads the program image, merges the data files, logs the loading lines
  // and, without a file error, runs the exchange.
  void PrepareAndSend();

 private:
  bool RunNormal(bool chooseRegion);
  void Add(const Text& line);
  Text LinesLoadedText() const;

  UploadLog* log_;
};
