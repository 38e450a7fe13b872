// Which port setup720-cli talks to: --port N, --port usb, --usb SERIAL, the
// USB cables looked up in a sysfs tree made here; and holding the port.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "cli_rig.h"
#include "link/posix_serial.h"
#include "port_choice.h"

namespace {

void WriteAttr(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(text + "\n");
}

// One USB device (bus port `usbPort`) with a serial bridge on interface 0,
// whose tty is `tty`, as the kernel lays it out.
void AddUsbTty(const QString& root, const QString& usbPort, const QString& tty, const char* vendor,
               const char* product, const char* serial) {
  const QString dev = root + "/devices/pci0000:00/usb1/" + usbPort;
  const QString intf = dev + "/" + usbPort + ":1.0";
  WriteAttr(dev + "/idVendor", vendor);
  WriteAttr(dev + "/idProduct", product);
  WriteAttr(dev + "/serial", serial);
  WriteAttr(intf + "/bInterfaceNumber", "00");
  QDir().mkpath(intf + "/" + tty + "/tty/" + tty);
  QDir().mkpath(root + "/class/tty/" + tty);
  QFile::link(intf + "/" + tty, root + "/class/tty/" + tty + "/device");
}

PortChoice Choose(const QStringList& line, const QString& sysfs, const ComPortMap& map = {}) {
  Arguments arguments;
  QString error;
  EXPECT_TRUE(ParseArguments(line, &arguments, &error)) << error.toStdString();
  return ChoosePort(arguments, map, sysfs);
}

}  // namespace

TEST(CliPortChoice, NumbersAndTheirSyntax) {
  TempDir sysfs;
  struct Case {
    QStringList line;
    int port;
    int exit;
  } cases[] = {
      {{"ident"}, 0, 0},
      {{"--port", "3"}, 3, 0},
      {{"--port=99"}, 99, 0},
      {{"--port", "COM7"}, 7, 0},
      {{"--port", "com12"}, 12, 0},
      {{"--port", "0"}, 0, 2},
      {{"--port", "100"}, 0, 2},
      {{"--port", "3x"}, 0, 2},
      {{"--port", "COM"}, 0, 2},
      {{"--port", "-3"}, 0, 2},
      {{"--port", "usbx"}, 0, 2},
      {{"--usb", ""}, 0, 2},
      {{"--port", "3", "--usb", "0001"}, 0, 2},
  };
  for (const Case& c : cases) {
    const PortChoice choice = Choose(c.line, sysfs.Path());
    EXPECT_EQ(choice.port, c.port) << c.line.join(' ').toStdString();
    EXPECT_EQ(choice.exit, c.exit) << c.line.join(' ').toStdString();
    EXPECT_EQ(choice.error.isEmpty(), c.exit == 0) << c.line.join(' ').toStdString();
  }
}

TEST(CliPortChoice, TheUsbCableIsFoundThroughSysfsAndTheComMap) {
  struct Cable {
    const char* usbPort;
    const char* tty;
    const char* vendor;
    const char* product;
    const char* serial;
  };
  struct Case {
    const char* what;
    std::vector<Cable> cables;
    QStringList line;
    int port;
    int exit;
    const char* error;  // part of it
  };
  const Cable first = {"1-1", "ttyUSB1", "10c4", "8075", "0001"};
  const Cable second = {"1-2", "ttyUSB2", "10c4", "8075", "0001"};
  const Cable other = {"1-2", "ttyUSB2", "10c4", "8075", "0002"};
  const Cable foreign = {"1-3", "ttyUSB0", "10c4", "ea60", "0001"};
  const std::vector<Case> cases = {
      {"no cable at all", {}, {"--port", "usb"}, 0, 1, "no USB cable 10C4:8075 serial 0001"},
      {"another maker's bridge only", {foreign}, {"--port", "usb"}, 0, 1, "no USB cable"},
      {"the one cable", {foreign, first}, {"--port", "usb"}, 22, 0, ""},
      {"written in capitals", {first}, {"--port", "USB"}, 22, 0, ""},
      {"two cables", {first, second}, {"--port", "usb"}, 0, 1, "2 USB cables 10C4:8075 serial 0001 found ("},
      {"two cables, one with another serial", {first, other}, {"--port", "usb"}, 22, 0, ""},
      {"chosen by its serial", {first, other}, {"--usb", "0002"}, 23, 0, ""},
      {"a serial no cable has", {first, other}, {"--usb", "0003"}, 0, 1, "no USB cable 10C4:8075 serial 0003"},
  };
  for (const Case& c : cases) {
    TempDir sysfs;
    for (const Cable& cable : c.cables)
      AddUsbTty(sysfs.Path(), cable.usbPort, cable.tty, cable.vendor, cable.product, cable.serial);
    const PortChoice choice = Choose(c.line, sysfs.Path());
    EXPECT_EQ(choice.port, c.port) << c.what;
    EXPECT_EQ(choice.exit, c.exit) << c.what;
    EXPECT_EQ(choice.usb, c.exit == 0) << c.what;
    EXPECT_TRUE(choice.error.contains(c.error)) << c.what << ": " << choice.error.toStdString();
    if (QString(c.error).startsWith("2")) {
      EXPECT_TRUE(choice.error.contains("(COM22, COM23)")) << "both are named: " << choice.error.toStdString();
    }
  }
  // An explicit entry of the INI file names the cable's tty as another COM number.
  TempDir sysfs;
  AddUsbTty(sysfs.Path(), first.usbPort, first.tty, first.vendor, first.product, first.serial);
  const PortChoice mapped = Choose({"--port", "usb"}, sysfs.Path(), ComPortMap({{5, "/dev/ttyUSB1"}}));
  EXPECT_EQ(mapped.port, 5);
}

TEST(CliPortChoice, TheUsbPortIsTheOneTheCommandTalksTo) {
  CliRig rig;
  AddUsbTty(rig.File("sys"), "1-1", "ttyUSB0", "10c4", "8075", "0001");
  rig.setup.sysfsRoot = rig.File("sys");
  rig.sim.backend->SetPorts({1, 2, 21});
  rig.sim.backend->SetAttachedPort(21);
  const CliRunResult r = rig.Run({"ident", "--port", "usb"});
  ASSERT_EQ(r.exit, 0) << Show(r);
  EXPECT_EQ(r.json["port"], 21);
  EXPECT_EQ(r.json["usb"], true);
  EXPECT_EQ(r.json["identity"], "ORX 720 V3.21");

  const CliRunResult none = rig.Run({"ident", "--usb", "0002"});
  EXPECT_EQ(none.exit, 1) << Show(none);
  EXPECT_TRUE(none.err.contains("no USB cable 10C4:8075 serial 0002")) << Show(none);
}

TEST(CliPortClaim, APortIsHeldForTheWholeRunAndAHeldOneIsRefused) {
  // A real terminal device: the lock is named after it.
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const QString slave = QString::fromLocal8Bit(ptsname(master));
  PosixSerialBackend backend(ComPortMap({{1, slave}, {2, "/dev/no-such-tty"}}));
  EXPECT_FALSE(PortClaim::LockPath(slave).isEmpty());
  EXPECT_TRUE(PortClaim::LockPath("sim:COM1").isEmpty());

  Text error;
  {
    PortClaim first;
    ASSERT_TRUE(first.Claim(backend, 1, &error)) << error.toStdString();
    PortClaim second;
    EXPECT_FALSE(second.Claim(backend, 1, &error)) << "another run holds it";
    EXPECT_TRUE(error.startsWith("Schnittstelle belegt (COM1, " + FromQt(slave) + ")")) << error.toStdString();
  }
  {
    PortClaim after;
    EXPECT_TRUE(after.Claim(backend, 1, &error)) << "free again when the first run ended";
  }

  // Another program with the device open (exclusively, as this tool opens it).
  PosixSerialBackend other(ComPortMap({{1, slave}}));
  ASSERT_TRUE(other.Open(1));
  PortClaim third;
  EXPECT_FALSE(third.Claim(backend, 1, &error));
  EXPECT_TRUE(error.startsWith("Schnittstelle belegt")) << error.toStdString();
  other.Close();

  // A device that is not there is left to the connection check.
  PortClaim missing;
  EXPECT_TRUE(missing.Claim(backend, 2, &error));
  ::close(master);
}
