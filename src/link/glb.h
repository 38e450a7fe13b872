#pragma once
// TGlb: the global data module. It owns the one serial port, the command
// channel with its 100 ms tick, the shared memory images and the program-wide
// values, and it lives from start to end. The "Diagnose" window is a separate
// thin widget (TFormDiagnose) that shows the channel's log.
#include <cstdint>
#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "pump.h"
#include "serial.h"
#include "util/msgtable.h"
#include "util/text.h"

// Where the channel logs: the "Diagnose" window, which logs only while visible.
class DiagnoseLog {
 public:
  virtual ~DiagnoseLog() = default;
  virtual bool Logging() const = 0;
  virtual void AddLine(const Text& line) = 0;
};

// The progress window of the transfers (a window in the program, text on the
// command line).
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void Prepare(int32_t maximum) = 0;
  virtual void Step(int32_t position) = 0;
  virtual void Close() = 0;
};

class TGlb : public QObject {
  Q_OBJECT
 public:
  TGlb(EventPump* pump, std::unique_ptr<SerialBackend> backend, QObject* parent = nullptr);
  ~TGlb() override;

  // ---- command channel ----
  TSerial Serial;
  Text LineBuffer;
  uint8_t LastByte = 0;
  int32_t TimeoutTicks = 0;

  int32_t ComPort = 1;
  int32_t ChannelMode = 0;  // 0 nobody, 1 upload, 2 text/fuel, 3 terminal, 4 parameters, 6 query
  bool TerminalMode = false;
  std::function<void(const Text& line)> TerminalMemo;  // empty: no terminal memo
  int32_t PortCloseDelay = 0;                          // ms

  MessageTable* StrGlobalmsg = nullptr;

  void OpenPort(int32_t baud, bool sendCR);
  void SendCommand(const Text& text);
  bool ReceiveByte(int32_t ticks);
  bool ReceiveLine(int32_t ticks);
  void DiscardInput();
  void WaitSendDone();
  static constexpr int64_t kSendStallMs = 2000;
  // The 100 ms tick: counts TimeoutTicks down and runs the terminal's receive loop.
  void Timer1Timer();
  // The close step of the exchanges: optionally wait PortCloseDelay, close, ChannelMode 0.
  void ClosePort(bool withDelay);

  // Waiting with window messages processed (all waits go through the pump).
  void ProcessMessages() { pump_->ProcessMessages(); }
  void Delay(int32_t ms) { pump_->Sleep(ms); }
  EventPump& Pump() { return *pump_; }

  void SetLog(DiagnoseLog* log) { log_ = log; }
  bool Logging() const { return log_ && log_->Logging(); }
  void Log(const Text& line);

  // ---- service session (session.cpp) ----
  bool Busy = false;
  Text LastAnswer;
  Text ErrorText;
  Text InstrumentIdent;

  // ---- memory images (transfer.cpp) ----
  QByteArray TextMemory;
  int32_t TextMemoryLength = 0;
  QByteArray FuelMemory;
  int32_t FuelMemoryLength = 0;
  bool FuelMemoryValid = false;
  ProgressSink* Progress = nullptr;

 private:
  EventPump* pump_;
  DiagnoseLog* log_ = nullptr;
};

// The one instance, created at start (tests create their own).
extern TGlb* Glb;
