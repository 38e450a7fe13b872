#include "sim_rig.h"

SimRig::SimRig(SimOptions options) : instrument(std::move(options)) {
  instrument.SetClock(pump.Clock());
  auto owned = std::make_unique<SimSerialBackend>(instrument, pump.Clock());
  backend = owned.get();
  pump.Attach(backend);
  glb = std::make_unique<TGlb>(&pump, std::move(owned));
  glb->SetLog(&log);
  glb->Progress = &progress;
  glb->ComPort = 1;
}

SimRig::~SimRig() {
  pump.Detach(backend);
  glb.reset();
}
