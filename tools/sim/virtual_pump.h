#pragma once
// An EventPump in virtual milliseconds for the tests. Time starts at 0 and
// moves only when a wait has nothing to do: ProcessMessages jumps straight to
// the next tick (every multiple of 100 ms), the next byte an attached
// SimSerialBackend delivers, or the next scheduled callback. A 5-second
// time-out therefore costs microseconds and always ends the same way.
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "link/pump.h"

class SimSerialBackend;

class VirtualPump : public EventPump {
 public:
  static constexpr int64_t kTickMs = 100;
  // ProcessMessages calls without time moving on before the pump gives up.
  static constexpr int64_t kSpinLimit = 1'000'000;

  void ProcessMessages() override;
  void ProcessPending() override;
  void Sleep(int32_t ms) override;
  int64_t NowMs() override { return now_; }
  void SetTickHandler(std::function<void()> handler) override;

  // Runs `action` once virtual time reaches `ms` (a user's click in the middle
  // of a wait); a time already past runs at the next pass.
  void At(int64_t ms, std::function<void()> action);
  // The pump asks attached backends for waiting input and their next event.
  // A backend must be detached before it is destroyed.
  void Attach(SimSerialBackend* backend);
  void Detach(SimSerialBackend* backend);

  // A clock for SimSerialBackend and SimInstrument.
  std::function<int64_t()> Clock() {
    return [this] { return now_; };
  }
  int64_t Ticks() const { return ticks_; }

 private:
  bool InputWaiting();
  int64_t NextEvent();
  void RunDue();
  void AdvanceTo(int64_t target);
  void Moved();

  int64_t now_ = 0;
  int64_t nextTick_ = kTickMs;
  int64_t ticks_ = 0;
  bool inTick_ = false;
  std::function<void()> tick_;
  std::multimap<int64_t, std::function<void()>> callbacks_;
  std::vector<SimSerialBackend*> backends_;
  int64_t spins_ = 0;
};
