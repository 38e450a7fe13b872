#pragma once
// SerialBackend over POSIX terminals (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*,
// pseudo-terminals). Opens exclusively (TIOCEXCL plus an flock, so a second
// opener in this or another process fails, root included), never blocks on a
// read, and reports the driver's queue levels (TIOCINQ / TIOCOUTQ).
#include <memory>

#include "comports.h"
#include "serial_backend.h"

class QSocketNotifier;

class PosixSerialBackend : public SerialBackend {
 public:
  explicit PosixSerialBackend(ComPortMap map = {});
  ~PosixSerialBackend() override;

  void SetMap(ComPortMap map) { map_ = std::move(map); }
  const ComPortMap& Map() const { return map_; }

  bool Open(int32_t port) override;
  bool IsHandleOpen() const override { return fd_ >= 0; }
  bool Apply(const LineSettings& settings) override;
  void Close() override;
  int32_t Write(const char* data, int32_t count) override;
  int32_t Read(char* data, int32_t count) override;
  int32_t InQueue() override;
  int32_t OutQueue() override;
  bool Gone() override;
  void SetQueueSizes(int32_t, int32_t) override {}  // the kernel's buffers are fixed
  bool CanOpen(int32_t port) override;
  bool HasDefaultConfig(int32_t port) override;
  QString DeviceName(int32_t port) const override { return map_.DevicePath(port); }

  // True after the device went away under an open handle (pulled cable, the
  // other end of a pseudo-terminal closed).
  bool HungUp() const { return hungUp_; }

 private:
  static int OpenExclusive(const QString& path);
  void ArmNotifier();
  bool CheckHangUp();

  ComPortMap map_;
  int fd_ = -1;
  QString path_;
  bool hungUp_ = false;
  std::unique_ptr<QSocketNotifier> notifier_;
};
