#pragma once
// Which COM port a command talks to, and holding it for the run.
#include <cstdint>
#include <memory>

#include <QList>
#include <QString>

#include "arguments.h"
#include "link/comports.h"
#include "link/serial_backend.h"
#include "util/text.h"

class QLockFile;

struct PortChoice {
  int32_t port = 0;  // 0: none given, the configured port stays
  bool usb = false;  // found as a USB cable
  int exit = 0;      // kExitUsage for bad syntax, kExitFailed for no or several cables
  QString error;
};

// --port N or --port COMn (1..99), --port usb (the instrument's cable: the
// vendor, product and serial the configuration window looks for), --usb
// SERIAL (the cable with that serial number). The cable is looked up in the
// sysfs tree below sysfsRoot and named through the COM map; no cable or
// more than one is a failure that names what was found.
PortChoice ChoosePort(const Arguments& arguments, const ComPortMap& map, const QString& sysfsRoot);

// The port of one run. Another setup720-cli run on the same device finds it
// taken for the whole run (a lock file of this user's, in the runtime folder,
// named after the device), not only while an exchange has it open; another
// program that holds the device open is seen when it cannot be opened.
class PortClaim {
 public:
  PortClaim();
  ~PortClaim();
  PortClaim(const PortClaim&) = delete;
  PortClaim& operator=(const PortClaim&) = delete;

  // False with *error ("Schnittstelle belegt ...") when the port is held.
  // A port whose device does not exist is not refused here: the connection
  // check then tells that no instrument answered.
  bool Claim(SerialBackend& backend, int32_t port, Text* error);

  // The lock file of a device path ("" for a device that is no path).
  static QString LockPath(const QString& device);

 private:
  std::unique_ptr<QLockFile> lock_;
};
