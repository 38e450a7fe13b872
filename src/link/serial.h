#pragma once
// TSerial: a thin object over one COM port. It knows nothing of the command
// protocol; it opens, applies line settings, moves bytes and reports queues.
#include <cstdint>
#include <memory>

#include "serial_backend.h"
#include "util/text.h"

class TSerial {
 public:
  TSerial();  // over the POSIX terminal backend with the default COM map
  explicit TSerial(std::unique_ptr<SerialBackend> backend);
  ~TSerial();
  TSerial(const TSerial&) = delete;
  TSerial& operator=(const TSerial&) = delete;

  // Fields in declaration order; only Port, BaudRate and KeepErrorBytes are
  // changed from outside.
  bool IsOpen = false;
  bool Failed = false;
  int32_t Port = 1;
  int32_t BaudRate = 9600;
  int16_t DataBits = 8;
  int16_t Parity = 0;
  int16_t StopBits = 0;
  uint8_t Handshake = 0;
  int32_t InQueueSize = 2048;
  int32_t OutQueueSize = 2048;
  bool KeepErrorBytes = true;
  int32_t FlowLimitBase = 0;
  LineSettings Settings;  // the record last built by Configure

  void Open();
  void Configure();
  void Close();
  void WriteText(const Text& text);
  void WriteByte(uint8_t byte);
  void WriteBuffer(const char* buffer, int32_t count);
  uint8_t ReadByte();
  int32_t ReadBuffer(char* buffer, int32_t count);
  bool DataAvailable();
  int32_t InQueueCount();
  int32_t OutQueueCount();
  // The open port's device went away (pulled cable); see SerialBackend::Gone.
  bool Gone();
  void SetDtr(bool on);
  void SetRts(bool on);
  bool CanOpen();
  bool HasDefaultConfig();

  // The device handle is held (Open succeeded) whether or not Configure did.
  bool HandleOpen() const;
  // Releases a device whose Open succeeded but whose Configure failed, so a
  // failed configuration never leaves the port held.
  void ReleaseHandle();
  SerialBackend& Backend() { return *backend_; }

 private:
  std::unique_ptr<SerialBackend> backend_;
};
