#include "comports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "util/helpers.h"
#include "util/inifile.h"

namespace {

struct Rule {
  const char* prefix;
  int32_t firstCom;
};
constexpr Rule kRules[] = {{"ttyS", 1}, {"ttyUSB", 21}, {"ttyACM", 41}};
constexpr int32_t kPerKind = 20;

}  // namespace

ComPortMap::ComPortMap(std::map<int32_t, QString> explicitEntries)
    : explicit_(std::move(explicitEntries)) {}

QString ComPortMap::RulePath(int32_t com) {
  for (const Rule& r : kRules)
    if (com >= r.firstCom && com < r.firstCom + kPerKind)
      return QString("/dev/%1%2").arg(r.prefix).arg(com - r.firstCom);
  return {};
}

int32_t ComPortMap::RuleCom(const QString& deviceName) {
  const QString name = QFileInfo(deviceName).fileName();
  for (const Rule& r : kRules) {
    const QString prefix = QString::fromLatin1(r.prefix);
    if (!name.startsWith(prefix)) continue;
    bool ok = false;
    const int n = name.mid(prefix.size()).toInt(&ok);
    if (ok && n >= 0 && n < kPerKind) return r.firstCom + n;
  }
  return 0;
}

QString ComPortMap::DevicePath(int32_t com) const {
  if (com < 1 || com > 99) return {};
  auto it = explicit_.find(com);
  if (it != explicit_.end()) return it->second;
  return RulePath(com);
}

int32_t ComPortMap::ComForDevice(const QString& path) const {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  auto same = [&](const QString& other) {
    if (other == path) return true;
    const QString c = QFileInfo(other).canonicalFilePath();
    return !c.isEmpty() && c == canonical;
  };
  for (const auto& [com, device] : explicit_)
    if (same(device)) return com;
  const int32_t rule = RuleCom(canonical.isEmpty() ? path : canonical);
  // A rule number taken by an explicit entry belongs to that entry.
  if (rule && !explicit_.count(rule)) return rule;
  return 0;
}

std::map<int32_t, QString> ReadPortEntries(const QString& iniPath) {
  std::map<int32_t, QString> entries;
  IniFile ini(iniPath);
  for (const Text& key : ini.ReadSection("PORTS")) {
    const Text upper = UpperAscii(TrimBlanks(key));
    if (!upper.startsWith("COM")) continue;
    const Text digits = upper.mid(3);
    bool ok = !digits.isEmpty();
    for (char c : digits) ok = ok && c >= '0' && c <= '9';
    const int32_t com = ok ? ParseInt(digits) : 0;
    const Text device = TrimBlanks(ini.ReadString("PORTS", key, ""));
    if (com >= 1 && com <= 99 && !device.isEmpty()) entries[com] = ToQt(device);
  }
  return entries;
}

bool WritePortEntry(const QString& iniPath, int32_t com, const QString& device) {
  if (com < 1 || com > 99) return false;
  IniFile ini(iniPath);
  ini.WriteString("PORTS", "COM" + Text::number(com), FromQt(device));
  return ini.UpdateFile();
}

bool RemovePortEntry(const QString& iniPath, int32_t com) {
  IniFile ini(iniPath);
  ini.DeleteKey("PORTS", "COM" + Text::number(com));
  return ini.UpdateFile();
}

namespace {

QString ReadAttr(const QString& dir, const char* name) {
  QFile f(dir + "/" + name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(f.readAll()).trimmed();
}

}  // namespace

QString FindUsbSerialComName(const ComPortMap& map, const QString& vendor,
                             const QString& product, int interfaceNumber,
                             const QString& serial, const QString& sysfsRoot) {
  const QStringList names = FindUsbSerialComNames(map, vendor, product, interfaceNumber, serial, sysfsRoot);
  return names.isEmpty() ? QString() : names.first();
}

QStringList FindUsbSerialComNames(const ComPortMap& map, const QString& vendor,
                                  const QString& product, int interfaceNumber,
                                  const QString& serial, const QString& sysfsRoot) {
  QStringList names;
  const QDir ttyClass(sysfsRoot + "/class/tty");
  const QStringList ttys = ttyClass.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
  for (const QString& tty : ttys) {
    // class/tty/<name>/device is the USB interface (ttyACM) or the port below
    // it (ttyUSB); walk up until an interface with bInterfaceNumber appears.
    QString dir = QFileInfo(ttyClass.filePath(tty) + "/device").canonicalFilePath();
    for (int up = 0; up < 3 && !dir.isEmpty(); ++up) {
      const QString ifNumber = ReadAttr(dir, "bInterfaceNumber");
      if (!ifNumber.isEmpty()) {
        const QString usbDevice = QFileInfo(dir + "/..").canonicalFilePath();
        bool ok = false;
        const int number = ifNumber.toInt(&ok, 16);
        if (ok && number == interfaceNumber &&
            ReadAttr(usbDevice, "idVendor").compare(vendor, Qt::CaseInsensitive) == 0 &&
            ReadAttr(usbDevice, "idProduct").compare(product, Qt::CaseInsensitive) == 0 &&
            ReadAttr(usbDevice, "serial") == serial) {
          const int32_t com = map.ComForDevice("/dev/" + tty);
          if (com) names << QString("COM%1").arg(com);
        }
        break;
      }
      dir = QFileInfo(dir + "/..").canonicalFilePath();
    }
  }
  return names;
}
