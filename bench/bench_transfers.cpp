// Wall time of the memory transfers against setup720-sim --paced (the bytes
// move at 9600 baud both ways, 10 bits per byte) over a pseudo-terminal,
// compared with the line-rate minimum of each routine:
//
//   minimum = (bytes sent + bytes received) x 10 / 9600 s
//           + PortCloseDelay x (1 for OpenPort, + 1 for the close step of the
//             text and parameter routines)
//           + (DiscardInput calls - 1) x 100 ms
//
// Each DiscardInput lasts until the next 100 ms tick, so consecutive ones end
// on consecutive ticks; the first may end at once.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include "link/glb.h"
#include "link/posix_serial.h"

namespace {

// Counts the bytes that cross the line in both directions.
class CountingBackend : public SerialBackend {
 public:
  explicit CountingBackend(std::unique_ptr<SerialBackend> inner) : inner_(std::move(inner)) {}
  int64_t sent = 0;
  int64_t received = 0;

  bool Open(int32_t port) override { return inner_->Open(port); }
  bool IsHandleOpen() const override { return inner_->IsHandleOpen(); }
  bool Apply(const LineSettings& s) override { return inner_->Apply(s); }
  void Close() override { inner_->Close(); }
  int32_t Write(const char* data, int32_t count) override {
    const int32_t n = inner_->Write(data, count);
    if (n > 0) sent += n;
    return n;
  }
  int32_t Read(char* data, int32_t count) override {
    const int32_t n = inner_->Read(data, count);
    if (n > 0) received += n;
    return n;
  }
  int32_t InQueue() override { return inner_->InQueue(); }
  int32_t OutQueue() override { return inner_->OutQueue(); }
  void SetQueueSizes(int32_t in, int32_t out) override { inner_->SetQueueSizes(in, out); }
  bool CanOpen(int32_t port) override { return inner_->CanOpen(port); }
  bool HasDefaultConfig(int32_t port) override { return inner_->HasDefaultConfig(port); }
  QString DeviceName(int32_t port) const override { return inner_->DeviceName(port); }

 private:
  std::unique_ptr<SerialBackend> inner_;
};

// Time-stamped "Diagnose" lines: "S " + command when it is sent, "R " + line
// when an answer line is complete.
class TimedLog : public DiagnoseLog {
 public:
  struct Line {
    int64_t ns;
    Text text;
  };
  std::vector<Line> lines;
  bool Logging() const override { return true; }
  void AddLine(const Text& line) override { lines.push_back({clock_.nsecsElapsed(), line}); }
  void Restart() {
    lines.clear();
    clock_.start();
  }

 private:
  QElapsedTimer clock_;
};

// Where the wall time beyond the received bytes' line time goes: the pauses
// between an answer and the next command (DiscardInput waiting for its tick),
// and the lateness of each answer line beyond its own line time.
struct Breakdown {
  double discardMs = 0;
  double lineLateMs = 0;
  int lines = 0;
};

Breakdown Analyse(const std::vector<TimedLog::Line>& log) {
  Breakdown b;
  for (size_t i = 1; i < log.size(); ++i) {
    const double gapMs = (log[i].ns - log[i - 1].ns) / 1e6;
    const Text& text = log[i].text;
    if (text.startsWith("S ")) {
      if (log[i - 1].text.startsWith("R ")) b.discardMs += gapMs;
    } else if (text.startsWith("R ")) {
      const double lineMs = (text.size() - 2 + 1) * 10.0 / 9600.0 * 1000.0;
      b.lineLateMs += gapMs - lineMs;
      ++b.lines;
    }
  }
  return b;
}

struct Routine {
  const char* name;
  std::function<bool(TGlb&)> run;
  int discards;       // DiscardInput calls in the preamble
  bool closeDelay;    // the close step waits PortCloseDelay
};

constexpr int kRuns = 5;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QProcess sim;
  sim.setProgram(SETUP720_SIM_PATH);
  sim.setArguments({"--paced", "--quiet"});
  sim.start();
  if (!sim.waitForStarted(5000)) {
    std::fprintf(stderr, "cannot start %s\n", SETUP720_SIM_PATH);
    return 1;
  }
  QElapsedTimer started;
  started.start();
  while (!sim.canReadLine() && started.elapsed() < 5000) sim.waitForReadyRead(100);
  const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
  if (!line.startsWith("PTY ")) {
    std::fprintf(stderr, "no PTY line from the simulator\n");
    return 1;
  }

  QtEventPump pump;
  auto owned = std::make_unique<CountingBackend>(
      std::make_unique<PosixSerialBackend>(ComPortMap({{1, line.mid(4)}})));
  CountingBackend* counter = owned.get();
  TGlb glb(&pump, std::move(owned));
  glb.ComPort = 1;
  TimedLog log;
  glb.SetLog(&log);

  QByteArray buffer;
  const QByteArray data(256, '\x5A');
  const std::vector<Routine> routines = {
      {"ReadParameterBlock(0, 256)", [&](TGlb& g) { return g.ReadParameterBlock(0, 256, buffer); }, 1, true},
      {"WriteParameterBlock(0, 256)", [&](TGlb& g) { return g.WriteParameterBlock(0, 256, data); }, 1, true},
      {"ReadTextMemory", [](TGlb& g) { return g.ReadTextMemory(); }, 3, true},
      {"ReadFuelMemory(2048)", [](TGlb& g) { return g.ReadFuelMemory(2048); }, 3, false},
  };

  std::printf("setup720-sim --paced on %s, PortCloseDelay %d ms, median of %d runs\n\n",
              qPrintable(line.mid(4)), glb.PortCloseDelay, kRuns);
  std::printf("| routine | sent | received | wall ms | minimum ms | wall / minimum | waits after answers ms | answer lines late ms (lines) |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const Routine& r : routines) {
    std::vector<double> walls;
    int64_t sent = 0, received = 0;
    std::vector<std::pair<double, Breakdown>> runs;
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
      counter->sent = counter->received = 0;
      log.Restart();
      QElapsedTimer wall;
      wall.start();
      ok = r.run(glb) && ok;
      runs.push_back({wall.nsecsElapsed() / 1e6, Analyse(log.lines)});
      sent = counter->sent;
      received = counter->received;
    }
    std::sort(runs.begin(), runs.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    const double median = runs[runs.size() / 2].first;
    const Breakdown& parts = runs[runs.size() / 2].second;
    const double waits = glb.PortCloseDelay * (r.closeDelay ? 2.0 : 1.0) + (r.discards - 1) * 100.0;
    const double minimum = (sent + received) * 10.0 / 9600.0 * 1000.0 + waits;
    std::printf("| %s%s | %lld | %lld | %.0f | %.0f | %.2f | %.0f | %.0f (%d) |\n",
                r.name, ok ? "" : " (FAILED)", static_cast<long long>(sent),
                static_cast<long long>(received), median, minimum, median / minimum, parts.discardMs, parts.lineLateMs, parts.lines);
    std::fflush(stdout);
  }

  ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
  sim.waitForFinished(3000);
  return 0;
}
