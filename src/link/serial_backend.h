#pragma once
// The device layer under TSerial: one implementation over POSIX terminals,
// one in-process stand-in for tests (tools/sim).
#include <cstdint>
#include <memory>

#include <QString>

// Line settings as TSerial builds them in Configure.
struct LineSettings {
  int32_t baudRate = 9600;
  int32_t dataBits = 8;
  int32_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int32_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  int32_t handshake = 0; // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 DTR/DSR
  uint16_t xonLimit = 0;
  uint16_t xoffLimit = 0;
  char xonChar = 0x11;
  char xoffChar = 0x13;
  char errorChar = '?';
  char eofChar = 0x1A;
  char eventChar = 0;
  bool parityCheck = false;
  bool replaceErrorBytes = false;
  bool dtr = false;  // line level
  bool rts = false;
};

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // Opens the device of a COM number exclusively; false when it is missing,
  // held by another opener or otherwise unusable.
  virtual bool Open(int32_t port) = 0;
  virtual bool IsHandleOpen() const = 0;
  virtual bool Apply(const LineSettings& settings) = 0;
  virtual void Close() = 0;
  // Never blocks; returns the bytes handed to the driver (or -1 on error).
  virtual int32_t Write(const char* data, int32_t count) = 0;
  // Never blocks; returns the bytes read (0 when none are waiting).
  virtual int32_t Read(char* data, int32_t count) = 0;
  virtual int32_t InQueue() = 0;
  virtual int32_t OutQueue() = 0;
  // The device went away under the open handle (pulled cable): it will never
  // answer again, so a wait for it can end at once.
  virtual bool Gone() { return false; }
  virtual void SetQueueSizes(int32_t in, int32_t out) = 0;
  // Opens and closes again at once; changes nothing.
  virtual bool CanOpen(int32_t port) = 0;
  // The device of the COM number exists and is a terminal.
  virtual bool HasDefaultConfig(int32_t port) = 0;
  // Device path of a COM number, for messages and diagnostics ("" if unmapped).
  virtual QString DeviceName(int32_t port) const = 0;
};
