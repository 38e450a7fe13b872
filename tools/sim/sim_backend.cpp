#include "sim_backend.h"

#include <algorithm>

SimSerialBackend::SimSerialBackend(SimInstrument& instrument, std::function<int64_t()> nowMs)
    : instrument_(instrument), now_(std::move(nowMs)) {
  instrument_.SetClock(now_);
  instrument_.output = [this](const QByteArray& bytes) { Deliver(bytes); };
}

SimSerialBackend::~SimSerialBackend() { instrument_.output = nullptr; }

void SimSerialBackend::SetHeld(int32_t port, bool held) {
  if (held)
    held_.insert(port);
  else
    held_.erase(port);
}

bool SimSerialBackend::Vanished() { return vanishAt_ >= 0 && now_() >= vanishAt_; }

bool SimSerialBackend::Connected() {
  if (!open_ || port_ != attached_) return false;
  if (Vanished()) {
    pending_.clear();
    return false;
  }
  return true;
}

int64_t SimSerialBackend::ByteUs() const {
  const int64_t baud = settings_.baudRate > 0 ? settings_.baudRate : 9600;
  return std::max<int64_t>(1, 10'000'000 / baud);
}

bool SimSerialBackend::Open(int32_t port) {
  instrument_.Poll();  // what fell due while the port was closed is lost
  if (open_ || !ports_.count(port) || held_.count(port)) return false;
  if (port == attached_ && Vanished()) return false;
  open_ = true;
  port_ = port;
  ++openCount_;
  pending_.clear();
  lineFreeUs_ = drainEndUs_ = 0;
  return true;
}

bool SimSerialBackend::Apply(const LineSettings& settings) {
  if (!open_ || (port_ == attached_ && Vanished())) return false;
  settings_ = settings;
  applied_.push_back(settings);
  return true;
}

void SimSerialBackend::Close() {
  instrument_.Poll();
  open_ = false;
  port_ = 0;
  pending_.clear();
  lineFreeUs_ = drainEndUs_ = 0;
}

void SimSerialBackend::Deliver(const QByteArray& bytes) {
  if (!Connected()) return;  // nobody listens: the answer is lost
  const SimOptions& o = instrument_.Options();
  int64_t start = instrument_.EmitTimeMs() * 1000 + std::max(0, o.latencyMs) * int64_t{1000};
  if (!pending_.empty()) start = std::max(start, pending_.back().dueUs);
  if (o.paced) {
    start = std::max(start, lineFreeUs_);
    const int64_t step = ByteUs();
    for (char c : bytes) {
      start += step;
      pending_.push_back({start, c});
    }
    lineFreeUs_ = start;
  } else {
    for (char c : bytes) pending_.push_back({start, c});
  }
}

int32_t SimSerialBackend::Write(const char* data, int32_t count) {
  if (!open_ || (port_ == attached_ && Vanished())) return -1;
  if (!data || count <= 0) return 0;
  if (instrument_.Options().paced)
    drainEndUs_ = std::max(drainEndUs_, NowUs()) + count * ByteUs();
  if (port_ == attached_) {
    written_.append(data, count);
    instrument_.Poll();  // answers that were due go out before the new bytes are seen
    instrument_.Receive(data, count, settings_.baudRate);
  }
  return count;
}

int32_t SimSerialBackend::DueCount() {
  instrument_.Poll();
  if (!Connected()) return 0;
  const int64_t now = NowUs();
  int32_t n = 0;
  for (const Delivery& d : pending_) {
    if (d.dueUs > now) break;
    ++n;
  }
  return n;
}

int32_t SimSerialBackend::Read(char* data, int32_t count) {
  if (!open_ || (port_ == attached_ && Vanished())) return -1;
  if (!data || count <= 0) return 0;
  const int32_t n = std::min(count, DueCount());
  for (int32_t i = 0; i < n; ++i) {
    data[i] = pending_.front().byte;
    pending_.pop_front();
  }
  return n;
}

int32_t SimSerialBackend::InQueue() { return DueCount(); }

int32_t SimSerialBackend::OutQueue() {
  if (!open_ || !instrument_.Options().paced) return 0;
  const int64_t left = drainEndUs_ - NowUs();
  if (left <= 0) return 0;
  const int64_t step = ByteUs();
  return static_cast<int32_t>((left + step - 1) / step);
}

void SimSerialBackend::SetQueueSizes(int32_t in, int32_t out) {
  inSize_ = in;
  outSize_ = out;
}

bool SimSerialBackend::CanOpen(int32_t port) {
  if ((open_ && port == port_) || !ports_.count(port) || held_.count(port)) return false;
  return !(port == attached_ && Vanished());
}

bool SimSerialBackend::HasDefaultConfig(int32_t port) {
  if (!ports_.count(port)) return false;
  return !(port == attached_ && Vanished());
}

QString SimSerialBackend::DeviceName(int32_t port) const {
  return ports_.count(port) ? QString("sim:COM%1").arg(port) : QString();
}

int64_t SimSerialBackend::NextEventMs() {
  const int64_t nowUs = NowUs();
  int64_t nextUs = -1;
  auto take = [&](int64_t us) {
    if (us > nowUs && (nextUs < 0 || us < nextUs)) nextUs = us;
  };
  instrument_.Poll();
  if (Connected()) {
    for (const Delivery& d : pending_)
      if (d.dueUs > nowUs) {
        take(d.dueUs);
        break;
      }
  }
  if (open_) take(drainEndUs_);
  const int64_t due = instrument_.NextDueMs();
  if (due >= 0) take(due * 1000);
  if (nextUs < 0) return -1;
  return (nextUs + 999) / 1000;
}
