#pragma once
// The tool speaks of COM 1..99. On Linux a COM number maps to a device path:
// first the explicit entries (section [PORTS] of Setup720.INI, "COM5=/dev/ttyUSB0"),
// then a fixed rule by device kind and index, so plugging in another kind of
// device never renumbers a port:
//   /dev/ttyS<n>   -> COM n+1   (n 0..19:  COM1..COM20)
//   /dev/ttyUSB<n> -> COM n+21  (n 0..19:  COM21..COM40)
//   /dev/ttyACM<n> -> COM n+41  (n 0..19:  COM41..COM60)
// A COM number with an explicit entry never falls back to the rule.
#include <cstdint>
#include <map>
#include <vector>

#include <QString>
#include <QStringList>

class ComPortMap {
 public:
  ComPortMap() = default;
  explicit ComPortMap(std::map<int32_t, QString> explicitEntries);

  void SetExplicit(std::map<int32_t, QString> entries) { explicit_ = std::move(entries); }
  const std::map<int32_t, QString>& Explicit() const { return explicit_; }

  // Device path of a COM number ("" outside 1..99 or when nothing maps to it).
  QString DevicePath(int32_t com) const;
  // COM number of a device path (0 when none); symlinks are resolved.
  int32_t ComForDevice(const QString& path) const;

  // The rule alone.
  static QString RulePath(int32_t com);
  static int32_t RuleCom(const QString& deviceName);  // "ttyUSB0" or "/dev/ttyUSB0"

 private:
  std::map<int32_t, QString> explicit_;
};

// Reads and writes the [PORTS] section of an INI file.
std::map<int32_t, QString> ReadPortEntries(const QString& iniPath);
bool WritePortEntry(const QString& iniPath, int32_t com, const QString& device);
bool RemovePortEntry(const QString& iniPath, int32_t com);

// The USB cable's bridge: finds the tty whose USB interface matches vendor,
// product, interface number and serial in sysfs, and returns its COM name
// ("COM7") through the map, or "" when there is none.
QString FindUsbSerialComName(const ComPortMap& map, const QString& vendor,
                             const QString& product, int interfaceNumber,
                             const QString& serial,
                             const QString& sysfsRoot = "/sys");
// Every such tty that has a COM number, in the order sysfs lists them (the
// first is the one above), so that a caller can tell two cables apart.
QStringList FindUsbSerialComNames(const ComPortMap& map, const QString& vendor,
                                  const QString& product, int interfaceNumber,
                                  const QString& serial,
                                  const QString& sysfsRoot = "/sys");
