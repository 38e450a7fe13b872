#include "port_choice.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include "link/configuration.h"

namespace {

std::optional<int32_t> ComNumber(const QString& text) {
  QString digits = text.trimmed();
  if (digits.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) digits = digits.mid(3);
  for (QChar ch : digits)
    if (!ch.isDigit()) return std::nullopt;
  const std::optional<int64_t> n = WholeNumber(digits, 1, 99);
  if (!n) return std::nullopt;
  return static_cast<int32_t>(*n);
}

}  // namespace

PortChoice ChoosePort(const Arguments& arguments, const ComPortMap& map, const QString& sysfsRoot) {
  PortChoice choice;
  const bool byPort = arguments.values.count("port") > 0;
  const bool bySerial = arguments.values.count("usb") > 0;
  if (byPort && bySerial) {
    choice.exit = 2;
    choice.error = QStringLiteral("--port and --usb: give one of them");
    return choice;
  }
  if (!byPort && !bySerial) return choice;

  QString serial = QString::fromLatin1(kUsbSerial);
  if (byPort) {
    const QString value = arguments.Value("port");
    if (value.trimmed().compare(QLatin1String("usb"), Qt::CaseInsensitive) != 0) {
      const std::optional<int32_t> port = ComNumber(value);
      if (!port) {
        choice.exit = 2;
        choice.error = QStringLiteral("--port: a COM number 1..99 (\"3\" or \"COM3\") or \"usb\"");
        return choice;
      }
      choice.port = *port;
      return choice;
    }
  } else {
    serial = arguments.Value("usb").trimmed();
    if (serial.isEmpty()) {
      choice.exit = 2;
      choice.error = QStringLiteral("--usb: the serial number of the USB cable");
      return choice;
    }
  }

  const QStringList names = FindUsbSerialComNames(map, QString::fromLatin1(kUsbVendor),
                                                  QString::fromLatin1(kUsbProduct), 0, serial, sysfsRoot);
  const QString identity = QStringLiteral("%1:%2 serial %3")
                               .arg(QString::fromLatin1(kUsbVendor), QString::fromLatin1(kUsbProduct), serial);
  if (names.isEmpty()) {
    choice.exit = 1;
    choice.error = QStringLiteral("no USB cable %1 with a COM port found").arg(identity);
    return choice;
  }
  if (names.size() > 1) {
    choice.exit = 1;
    choice.error = QStringLiteral("%1 USB cables %2 found (%3); choose one with --port N or --usb SERIAL")
                       .arg(names.size())
                       .arg(identity, names.join(QStringLiteral(", ")));
    return choice;
  }
  choice.port = *ComNumber(names.first());
  choice.usb = true;
  return choice;
}

PortClaim::PortClaim() = default;
PortClaim::~PortClaim() = default;

QString PortClaim::LockPath(const QString& device) {
  if (!device.startsWith(u'/')) return {};
  const QString canonical = QFileInfo(device).canonicalFilePath();
  QString name = canonical.isEmpty() ? device : canonical;
  name.replace(u'/', u'_');
  name = QStringLiteral("setup720-port") + name + QStringLiteral(".lock");
  // Without XDG_RUNTIME_DIR Qt would warn on stderr and make a folder of its
  // own; a name of this user's own in the temporary folder does as well.
  const QString folder = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                             ? QString()
                             : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) return QDir::tempPath() + "/" + QString::number(getuid()) + "-" + name;
  return folder + "/" + name;
}

bool PortClaim::Claim(SerialBackend& backend, int32_t port, Text* error) {
  const QString device = backend.DeviceName(port);
  const Text busy = Text(kPortBusyText) + " (COM" + Text::number(port) + ", " + FromQt(device) + ")";
  const QString lockPath = LockPath(device);
  if (!lockPath.isEmpty()) {
    lock_ = std::make_unique<QLockFile>(lockPath);
    // Never stale by age (an upload takes minutes); a dead owner's is taken over.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
      const bool held = lock_->error() == QLockFile::LockFailedError;
      lock_.reset();
      if (held) {
        *error = busy + ": another setup720-cli";
        return false;
      }
      // A lock that cannot be made at all does not stop the run.
    }
  }
  if (backend.CanOpen(port)) return true;
  if (!lockPath.isEmpty() && QFileInfo::exists(device)) {
    const QFileInfo info(device);
    if (!info.isReadable() || !info.isWritable()) {
      lock_.reset();
      *error = "COM" + Text::number(port) + ": " + FromQt(device) + ": no permission to open it";
      return false;
    }
  }
  // There but not to be had: held by another program.
  if (backend.HasDefaultConfig(port) || (!lockPath.isEmpty() && QFileInfo::exists(device))) {
    lock_.reset();
    *error = busy;
    return false;
  }
  return true;
}
