#include "serial.h"

#include <algorithm>

#include "posix_serial.h"

TSerial::TSerial() : TSerial(std::make_unique<PosixSerialBackend>()) {}

TSerial::TSerial(std::unique_ptr<SerialBackend> backend) : backend_(std::move(backend)) {}

TSerial::~TSerial() {
  Close();
  ReleaseHandle();
}

void TSerial::Open() {
  Failed = false;
  if (IsOpen) {
    Failed = true;
    return;
  }
  // A handle left by a failed Configure is given back before the next try.
  ReleaseHandle();
  if (!backend_->Open(Port)) {
    Failed = true;
    return;
  }
  backend_->SetQueueSizes(InQueueSize, OutQueueSize);
  FlowLimitBase = InQueueSize;
}

void TSerial::Configure() {
  LineSettings s;
  s.baudRate = BaudRate;
  s.dataBits = DataBits;
  s.parity = Parity;
  s.stopBits = StopBits;
  s.handshake = Handshake;
  s.xonLimit = static_cast<uint16_t>(FlowLimitBase / 4);
  s.xoffLimit = static_cast<uint16_t>(FlowLimitBase - FlowLimitBase / 4);
  s.parityCheck = Parity != 0;
  s.replaceErrorBytes = !KeepErrorBytes;
  // Without DTR/DSR or RTS/CTS handshake both lines start off.
  s.dtr = false;
  s.rts = false;
  Settings = s;
  if (backend_->IsHandleOpen() && backend_->Apply(Settings)) {
    IsOpen = true;
    Failed = false;
  } else {
    Failed = true;
  }
}

void TSerial::Close() {
  if (IsOpen) backend_->Close();
  IsOpen = false;
}

bool TSerial::HandleOpen() const { return backend_->IsHandleOpen(); }

void TSerial::ReleaseHandle() {
  if (!IsOpen && backend_->IsHandleOpen()) backend_->Close();
}

void TSerial::WriteText(const Text& text) {
  WriteBuffer(text.constData(), static_cast<int32_t>(text.size()));
}

void TSerial::WriteByte(uint8_t byte) {
  const char c = static_cast<char>(byte);
  WriteBuffer(&c, 1);
}

void TSerial::WriteBuffer(const char* buffer, int32_t count) {
  if (!IsOpen || count <= 0) return;
  backend_->Write(buffer, count);
}

uint8_t TSerial::ReadByte() {
  char c = 0;
  if (!IsOpen) return 0;
  return backend_->Read(&c, 1) == 1 ? static_cast<uint8_t>(c) : 0;
}

int32_t TSerial::ReadBuffer(char* buffer, int32_t count) {
  if (!IsOpen || count <= 0) return 0;
  return std::max<int32_t>(0, backend_->Read(buffer, count));
}

bool TSerial::DataAvailable() { return InQueueCount() > 0; }

int32_t TSerial::InQueueCount() { return IsOpen ? backend_->InQueue() : 0; }

int32_t TSerial::OutQueueCount() { return IsOpen ? backend_->OutQueue() : 0; }

bool TSerial::Gone() { return IsOpen && backend_->Gone(); }

void TSerial::SetDtr(bool on) {
  if (!IsOpen) return;
  Settings.dtr = on;
  backend_->Apply(Settings);
}

void TSerial::SetRts(bool on) {
  if (!IsOpen) return;
  Settings.rts = on;
  backend_->Apply(Settings);
}

bool TSerial::CanOpen() {
  return backend_->CanOpen(Port);
}

bool TSerial::HasDefaultConfig() { return backend_->HasDefaultConfig(Port); }
