#pragma once
// A SerialBackend over the simulated instrument, in the time of an injected
// clock (VirtualPump in the tests). Host writes reach the instrument at once;
// its answers become readable at emit time + latency (+ 10 bits per byte at
// the host's baud rate when pacing is on). Ports other than the attached one
// exist but are silent.
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <vector>

#include "link/serial_backend.h"
#include "sim_instrument.h"

class SimSerialBackend : public SerialBackend {
 public:
  // The instrument must outlive the backend; the backend takes its output.
  SimSerialBackend(SimInstrument& instrument, std::function<int64_t()> nowMs);
  ~SimSerialBackend() override;

  // Configuration.
  void SetPorts(std::set<int32_t> ports) { ports_ = std::move(ports); }
  void SetAttachedPort(int32_t port) { attached_ = port; }
  int32_t AttachedPort() const { return attached_; }
  // A port "held by another program": Open and CanOpen fail.
  void SetHeld(int32_t port, bool held);
  // The attached device disappears from this time on (-1: never), like a
  // pulled USB cable: reads and writes fail, Open fails.
  void VanishAt(int64_t ms) { vanishAt_ = ms; }
  bool Vanished();

  // SerialBackend.
  bool Open(int32_t port) override;
  bool IsHandleOpen() const override { return open_; }
  bool Apply(const LineSettings& settings) override;
  void Close() override;
  int32_t Write(const char* data, int32_t count) override;
  int32_t Read(char* data, int32_t count) override;
  int32_t InQueue() override;
  int32_t OutQueue() override;
  bool Gone() override { return open_ && port_ == attached_ && Vanished(); }
  void SetQueueSizes(int32_t in, int32_t out) override;
  bool CanOpen(int32_t port) override;
  bool HasDefaultConfig(int32_t port) override;
  QString DeviceName(int32_t port) const override;

  // The time of the next delivery or of the end of the transmit drain, or -1.
  int64_t NextEventMs();

  // For the tests.
  SimInstrument& Instrument() { return instrument_; }
  int32_t OpenPortNumber() const { return open_ ? port_ : 0; }
  const LineSettings& LastSettings() const { return settings_; }
  const std::vector<LineSettings>& AppliedSettings() const { return applied_; }
  int32_t OpenCount() const { return openCount_; }
  int32_t InQueueSize() const { return inSize_; }
  int32_t OutQueueSize() const { return outSize_; }
  // Everything the host wrote to the attached port while it was open.
  const QByteArray& Written() const { return written_; }

 private:
  struct Delivery {
    int64_t dueUs;
    char byte;
  };

  bool Connected();  // open on the attached port and not vanished
  void Deliver(const QByteArray& bytes);
  int64_t NowUs() const { return now_() * 1000; }
  int64_t ByteUs() const;
  int32_t DueCount();

  SimInstrument& instrument_;
  std::function<int64_t()> now_;
  std::set<int32_t> ports_{1, 2, 3, 4};
  std::set<int32_t> held_;
  int32_t attached_ = 1;
  int64_t vanishAt_ = -1;

  bool open_ = false;
  int32_t port_ = 0;
  LineSettings settings_;
  std::vector<LineSettings> applied_;
  int32_t openCount_ = 0;
  int32_t inSize_ = 0;
  int32_t outSize_ = 0;

  std::deque<Delivery> pending_;  // in due order
  int64_t lineFreeUs_ = 0;        // when the instrument's transmitter is free
  int64_t drainEndUs_ = 0;        // when the host's transmit queue is empty
  QByteArray written_;
};
