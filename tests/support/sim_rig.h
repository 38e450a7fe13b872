#pragma once
// The in-process instrument for tests: a TGlb over SimSerialBackend, driven by
// a VirtualPump, with a recording "Diagnose" log and progress sink.
#include <memory>
#include <vector>

#include "link/glb.h"
#include "sim_backend.h"
#include "sim_instrument.h"
#include "virtual_pump.h"

class RecordingLog : public DiagnoseLog {
 public:
  bool visible = true;
  std::vector<Text> lines;
  bool Logging() const override { return visible; }
  void AddLine(const Text& line) override { lines.push_back(line); }
};

class RecordingProgress : public ProgressSink {
 public:
  int32_t maximum = -1;
  std::vector<int32_t> steps;
  int32_t prepares = 0;
  int32_t closes = 0;
  void Prepare(int32_t max) override {
    maximum = max;
    ++prepares;
  }
  void Step(int32_t position) override { steps.push_back(position); }
  void Close() override { ++closes; }
};

struct SimRig {
  explicit SimRig(SimOptions options = {});
  ~SimRig();

  VirtualPump pump;
  SimInstrument instrument;
  SimSerialBackend* backend;  // owned by glb's TSerial
  std::unique_ptr<TGlb> glb;
  RecordingLog log;
  RecordingProgress progress;
};
