#include "virtual_pump.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sim_backend.h"

void VirtualPump::SetTickHandler(std::function<void()> handler) { tick_ = std::move(handler); }

void VirtualPump::At(int64_t ms, std::function<void()> action) {
  callbacks_.emplace(ms, std::move(action));
}

void VirtualPump::Attach(SimSerialBackend* backend) {
  if (backend && std::find(backends_.begin(), backends_.end(), backend) == backends_.end())
    backends_.push_back(backend);
}

void VirtualPump::Detach(SimSerialBackend* backend) {
  backends_.erase(std::remove(backends_.begin(), backends_.end(), backend), backends_.end());
}

bool VirtualPump::InputWaiting() {
  for (SimSerialBackend* b : backends_)
    if (b->IsHandleOpen() && b->InQueue() > 0) return true;
  return false;
}

// The earliest future moment something happens; the next tick at the latest.
int64_t VirtualPump::NextEvent() {
  int64_t next = nextTick_;
  if (!callbacks_.empty()) next = std::min(next, std::max(now_, callbacks_.begin()->first));
  for (SimSerialBackend* b : backends_) {
    const int64_t t = b->NextEventMs();
    if (t > now_) next = std::min(next, t);
  }
  return next;
}

// Ticks and callbacks that are due, in time order. A tick handler that waits
// (and so pumps) is not entered again; its missed ticks are skipped, as a
// timer does not fire into its own handler.
void VirtualPump::RunDue() {
  for (;;) {
    const bool tickDue = nextTick_ <= now_;
    const bool callbackDue = !callbacks_.empty() && callbacks_.begin()->first <= now_;
    if (!tickDue && !callbackDue) return;
    if (callbackDue && (!tickDue || callbacks_.begin()->first < nextTick_)) {
      auto it = callbacks_.begin();
      std::function<void()> action = std::move(it->second);
      callbacks_.erase(it);
      action();
      continue;
    }
    nextTick_ += kTickMs;
    ++ticks_;
    if (tick_ && !inTick_) {
      inTick_ = true;
      std::function<void()> handler = tick_;  // the handler may replace itself
      handler();
      inTick_ = false;
    }
  }
}

void VirtualPump::Moved() { spins_ = 0; }

void VirtualPump::AdvanceTo(int64_t target) {
  for (;;) {
    int64_t next = nextTick_;
    if (!callbacks_.empty()) next = std::min(next, callbacks_.begin()->first);
    if (next > target) break;
    if (next > now_) {
      now_ = next;
      Moved();
    }
    RunDue();
  }
  if (target > now_) {
    now_ = target;
    Moved();
  }
}

void VirtualPump::ProcessMessages() {
  if (++spins_ >= kSpinLimit) {
    std::fprintf(stderr,
                 "VirtualPump: ProcessMessages was called %lld times at %lld ms without time "
                 "moving on; a waiting loop spins (it never reads the waiting input or never "
                 "ends).\n",
                 static_cast<long long>(spins_), static_cast<long long>(now_));
    std::fflush(stderr);
    std::abort();
  }
  RunDue();
  if (InputWaiting()) return;
  AdvanceTo(NextEvent());
}

void VirtualPump::ProcessPending() { RunDue(); }

void VirtualPump::Sleep(int32_t ms) { AdvanceTo(now_ + std::max<int32_t>(0, ms)); }
