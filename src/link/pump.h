#pragma once
// The single UI thread waits for the instrument by processing window messages.
// Everything that waits goes through one EventPump, so tests substitute a pump
// that runs in virtual time and a 5-second time-out costs microseconds.
#include <cstdint>
#include <functional>

class EventPump {
 public:
  virtual ~EventPump() = default;

  // One pass of a waiting loop: handle pending window messages and, when none
  // are pending, sleep until input arrives, a timer fires or the user acts.
  // Never spins: with nothing to do it blocks until the next 100 ms tick.
  virtual void ProcessMessages() = 0;
  // Handle only what is pending now; never sleeps.
  virtual void ProcessPending() = 0;
  // Wait the given milliseconds while windows stay responsive.
  virtual void Sleep(int32_t ms) = 0;
  // Monotonic milliseconds.
  virtual int64_t NowMs() = 0;
  // The program's 100 ms timer; the handler runs on every tick from now on.
  virtual void SetTickHandler(std::function<void()> handler) = 0;
};

// Real-time pump over the Qt event loop with a 100 ms QTimer.
class QtEventPump : public EventPump {
 public:
  QtEventPump();
  ~QtEventPump() override;
  void ProcessMessages() override;
  void ProcessPending() override;
  void Sleep(int32_t ms) override;
  int64_t NowMs() override;
  void SetTickHandler(std::function<void()> handler) override;

 private:
  struct Impl;
  Impl* d_;
};
