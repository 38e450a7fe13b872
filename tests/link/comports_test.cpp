#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "link/comports.h"
#include "test_support.h"
#include "util/inifile.h"

TEST(ComPortMap, RuleAndExplicitEntries) {
  ComPortMap map({{5, "/dev/ttyUSB0"}, {21, "/dev/pts/7"}});
  struct Case {
    int com;
    const char* path;
  } cases[] = {
      {1, "/dev/ttyS0"},  {20, "/dev/ttyS19"}, {5, "/dev/ttyUSB0"},
      {21, "/dev/pts/7"}, {22, "/dev/ttyUSB1"}, {41, "/dev/ttyACM0"},
      {61, ""},           {0, ""},             {100, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(map.DevicePath(c.com), QString(c.path)) << c.com;
  EXPECT_EQ(map.ComForDevice("/dev/ttyUSB0"), 5) << "an explicit entry wins over the rule";
  EXPECT_EQ(map.ComForDevice("/dev/ttyUSB1"), 22);
  EXPECT_EQ(map.ComForDevice("/dev/ttyACM3"), 44);
  EXPECT_EQ(ComPortMap().ComForDevice("/dev/ttyUSB0"), 21);
  EXPECT_EQ(map.ComForDevice("/dev/ttyUSB99"), 0);
}

TEST(ComPortMap, PortEntriesInTheIniFile) {
  TempDir dir;
  const QString ini = dir.File("Setup720.INI");
  {
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[KONFIG]\r\nComport=7\r\n[Ports]\r\ncom7 = /dev/pts/4\r\nCOMX=/dev/x\r\nCOM0=/dev/y\r\n");
  }
  auto entries = ReadPortEntries(ini);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[7], "/dev/pts/4");
  ASSERT_TRUE(WritePortEntry(ini, 9, "/dev/pts/9"));
  ASSERT_TRUE(RemovePortEntry(ini, 7));
  entries = ReadPortEntries(ini);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[9], "/dev/pts/9");
  EXPECT_EQ(IniFile(ini).ReadInteger("KONFIG", "Comport", 0), 7) << "other settings are kept";
}

namespace {
void Write(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(text + "\n");
}
// A sysfs tree with one USB device holding a bridge on interface 0.
void MakeUsbTty(const QString& root, const QString& tty, const char* vendor,
                const char* product, const char* serial, const char* iface) {
  const QString dev = root + "/devices/usb1/1-1";
  const QString intf = dev + "/1-1:1." + tty;
  Write(dev + "/idVendor", vendor);
  Write(dev + "/idProduct", product);
  Write(dev + "/serial", serial);
  Write(intf + "/bInterfaceNumber", iface);
  QDir().mkpath(intf + "/" + tty);
  QDir().mkpath(root + "/class/tty/" + tty);
  QFile::link(intf + "/" + tty, root + "/class/tty/" + tty + "/device");
}
}  // namespace

TEST(ComPortMap, UsbCableIsFoundBySysfsIdentity) {
  struct Case {
    const char* vendor;
    const char* product;
    const char* serial;
    const char* iface;
    const char* expected;
  } cases[] = {
      {"10c4", "8075", "0001", "00", "COM22"},
      {"10C4", "8075", "0001", "00", "COM22"},
      {"10c4", "8075", "0002", "00", ""},
      {"10c4", "ea60", "0001", "00", ""},
      {"10c4", "8075", "0001", "01", ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    MakeUsbTty(dir.Path(), "ttyUSB1", c.vendor, c.product, c.serial, c.iface);
    EXPECT_EQ(FindUsbSerialComName(ComPortMap(), "10C4", "8075", 0, "0001", dir.Path()),
              QString(c.expected))
        << c.vendor << c.product << c.serial << c.iface;
  }
  TempDir empty;
  EXPECT_EQ(FindUsbSerialComName(ComPortMap(), "10C4", "8075", 0, "0001", empty.Path()), "");
}
