#include "configuration.h"

#include <QDir>
#include <QFileInfo>

#include "comports.h"
#include "glb.h"
#include "posix_serial.h"
#include "util/busy_cursor.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/inifile.h"

namespace {

const Text kSection = "KONFIG";

QString FolderOf(const QString& path) { return path.left(path.lastIndexOf(u'/') + 1); }
QString FileNameOf(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }
bool IsFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

// The firmware files come with names written in any case ("orx720NT.h20" on
// disk, "orx720nt.h20" in the defaults); the file system here tells case
// apart, so a name is matched without case. The name as it is on disk, or
// empty when base holds no such file.
QString NameOnDisk(const QString& base, const QString& name) {
  if (name.isEmpty()) return {};
  if (IsFile(base + name)) return name;
  if (name.contains(u'/')) return {};
  const QStringList files = QDir(base).entryList(QDir::Files | QDir::Hidden);
  for (const QString& file : files)
    if (file.compare(name, Qt::CaseInsensitive) == 0) return file;
  return {};
}
// base + the name as it is on disk, or base + name when there is none.
QString PathInFolder(const QString& base, const QString& name) {
  const QString onDisk = NameOnDisk(base, name);
  return base + (onDisk.isEmpty() ? name : onDisk);
}

QString ReadPath(const IniFile& ini, const char* key, const QString& def) {
  return ToQt(ini.ReadString(kSection, key, FromQt(def)));
}
void WritePath(IniFile& ini, const char* key, const QString& value) {
  ini.WriteString(kSection, key, FromQt(value));
}

// An INI file that is there but cannot be read would lose its other sections
// when written back.
bool MayWrite(const QString& path) {
  return !QFileInfo::exists(path) || ReadWholeFile(path, nullptr);
}

QString& Shown() {
  static QString shown;
  return shown;
}
std::function<void(const QString&)>& View() {
  static std::function<void(const QString&)> view;
  return view;
}
UsbCableLookup& Lookup() {
  static UsbCableLookup lookup;
  return lookup;
}

void ReleasePort(TSerial& serial) {
  serial.Close();
  serial.ReleaseHandle();
}

}  // namespace

// ---- configuration file ----

QString ShownHexFile() { return Shown(); }

void ShowHexFile(const QString& path) {
  Shown() = path;
  if (View()) View()(path);
}

void SetHexFileView(std::function<void(const QString&)> view) { View() = std::move(view); }

void ApplyHexFile(const QString& path) {
  TGlb& g = *Glb;
  g.ComPort = g.SavedPort;
  g.HexFileDir = FolderOf(path);
  g.HexFilePath = path;
  g.HexFileName = FileNameOf(path);
  const QString stem = g.HexFileName.left(g.HexFileName.indexOf(u'.'));
  g.BinFilePath = g.HexFileDir + stem + ".bin";
  g.UserBinPath = g.HexFileDir + "User" + stem + ".bin";
  ShowHexFile(path);
}

void LoadConfiguration() {
  TGlb& g = *Glb;
  if (!QFileInfo(g.ProgramDir + "Daten").isDir()) {
    RepairConfiguration(false);
    // The field must name the repaired file: OK would otherwise make an
    // empty field the firmware file.
    ShowHexFile(g.HexFilePath);
    return;
  }
  const IniFile ini(g.IniPath());
  ShowHexFile(ReadPath(ini, "HexFile", {}));
  g.ComPort = g.SavedPort = ini.ReadInteger(kSection, "Comport", 1);
  g.HexFilePath = ReadPath(ini, "HexFile", {});
  g.BinFilePath = ReadPath(ini, "BinFile", {});
  g.UserBinPath = ReadPath(ini, "UserFile", {});
  g.UserFileName = ReadPath(ini, "TypListe", "Typlist.txt");
  g.UserFileDir = ReadPath(ini, "InitDir", g.DataDir);
  g.HexFileName = ReadPath(ini, "HexFileName", "orx720NT.h20");
  g.HexFileDir = ReadPath(ini, "HexInitDir", g.DataDir);
  g.MapFileName = ReadPath(ini, "MAPFILE", {});
  g.AutoCom = ini.ReadBool(kSection, "AutoCom", false);
  if (TrimBlanks(FromQt(ShownHexFile())).isEmpty()) RepairConfiguration(true);
  ApplyHexFile(g.HexFilePath);
}

bool RepairConfiguration(bool useDataDir) {
  TGlb& g = *Glb;
  const QString base = useDataDir ? g.DataDir : g.ProgramDir;
  const QString path = g.IniPath();
  const bool mayWrite = MayWrite(path);
  IniFile ini(path);

  // Without an INI file every key reads as its default, which rebuilds a
  // complete set of file names from the base.
  g.SavedPort = ini.ReadInteger(kSection, "Comport", 1);
  g.UserFileDir = base;
  g.HexFileName = ReadPath(ini, "HexFileName", {});
  const QString onDisk = NameOnDisk(base, g.HexFileName);
  if (onDisk.isEmpty()) {
    g.HexFileName = NameOnDisk(base, "orx720nt.h20");
    if (g.HexFileName.isEmpty()) g.HexFileName = "orx720nt.h20";
    ShowHexFile(base + g.HexFileName);
  } else {
    g.HexFileName = onDisk;
  }
  g.HexFilePath = ReadPath(ini, "HexFile", g.HexFilePath);
  if (!IsFile(g.HexFilePath)) g.HexFilePath = base + g.HexFileName;
  g.BinFilePath = ReadPath(ini, "BinFile", g.BinFilePath);
  if (!IsFile(g.BinFilePath)) g.BinFilePath = PathInFolder(base, "orx720nt.bin");
  g.UserBinPath = ReadPath(ini, "UserFile", g.UserBinPath);
  if (!IsFile(g.UserBinPath)) g.UserBinPath = PathInFolder(base, "userorx720nt.bin");
  if (g.HexFileName.isEmpty()) g.HexFileName = "orx720NT.h20";
  g.HexFileDir = base;
  g.UserFileDir = base;

  WritePath(ini, "HexFileName", g.HexFileName);
  WritePath(ini, "HexFile", g.HexFilePath);
  WritePath(ini, "BinFile", g.BinFilePath);
  WritePath(ini, "UserFile", g.UserBinPath);
  ini.WriteInteger(kSection, "Comport", g.ComPort == 0 ? 1 : g.ComPort);
  WritePath(ini, "Typliste", g.UserFileName);
  WritePath(ini, "InitDir", base);
  WritePath(ini, "HexInitDir", g.HexFileDir);
  const bool written = mayWrite && ini.UpdateFile();

  g.DataDir = base;
  return written;
}

bool SaveConfiguration() {
  TGlb& g = *Glb;
  ApplyHexFile(g.HexFilePath);
  const QString path = g.IniPath();
  if (!MayWrite(path)) return false;
  IniFile ini(path);
  WritePath(ini, "HexFileName", g.HexFileName);
  WritePath(ini, "HexFile", g.HexFilePath);
  WritePath(ini, "BinFile", g.BinFilePath);
  WritePath(ini, "UserFile", g.UserBinPath);
  ini.WriteInteger(kSection, "Comport", g.ComPort);
  WritePath(ini, "Typliste", g.UserFileName);
  WritePath(ini, "HexInitDir", g.HexFileDir);
  WritePath(ini, "InitDir", g.DataDir);
  WritePath(ini, "MAPFILE", g.MapFileName);
  ini.WriteBool(kSection, "AutoCom", g.AutoCom);
  return ini.UpdateFile();
}

// ---- ports ----

UsbCableLookup SetUsbCableLookup(UsbCableLookup lookup) {
  UsbCableLookup previous = std::move(Lookup());
  Lookup() = std::move(lookup);
  return previous;
}

Text FindUsbCablePort(const Text& vendor, const Text& product, const Text& serial) {
  if (Lookup()) return Lookup()(vendor, product, serial);
  if (!Glb) return {};
  // The cable's bridge presents interface 0 as the serial port.
  auto* posix = dynamic_cast<PosixSerialBackend*>(&Glb->Serial.Backend());
  if (!posix) return {};
  return FromQt(FindUsbSerialComName(posix->Map(), ToQt(vendor), ToQt(product), 0, ToQt(serial)));
}

int32_t EntryPort(const Text& entry) {
  const qsizetype at = entry.indexOf("COM");
  if (at < 0) return 0;
  return ParseInt(entry.mid(at + 3, 2));
}

PortList FillPortList() {
  TGlb& g = *Glb;
  PortList list;
  const Text name = FindUsbCablePort(kUsbVendor, kUsbProduct, kUsbSerial);
  if (!name.isEmpty()) {
    const int32_t port = ParseInt(name.mid(3, 4));
    list.UsbPort = (port >= 1 && port <= 99) ? port : 0;
  }
  // Another exchange has the port: closing it would break that exchange, and
  // ending our own would clear its Busy mark.
  if (!g.Busy) {
    g.BeginExchange("", 0);
    ReleasePort(g.Serial);
    const int32_t previousPort = g.Serial.Port;
    int32_t first = 0;
    for (int32_t port = 1; port <= 99; ++port) {
      g.Serial.Port = port;
      if (!g.Serial.CanOpen()) continue;
      if (port == list.UsbPort) {
        list.entries.append("COM" + Text::number(port) + " ORX720 USB");
        list.UsbFound = true;
      } else {
        list.entries.append("COM" + Text::number(port));
      }
      if (!first) first = port;
    }
    g.Serial.Port = previousPort;
    if (g.ComPort == 0 && !list.entries.isEmpty()) g.ComPort = list.UsbFound ? list.UsbPort : first;
    g.EndExchange();
  }
  list.label = list.UsbFound ? "USB-Kabel (COM" + Text::number(list.UsbPort) + ")"
                             : Text("Kein USB-Kabel");
  return list;
}

bool ProbePort(int32_t port) {
  TGlb& g = *Glb;
  TSerial& serial = g.Serial;
  ReleasePort(serial);
  serial.Port = port;
  serial.BaudRate = 9600;  // an upload may have left the bootloader's rate
  serial.Open();
  if (serial.Failed) {
    ReleasePort(serial);
    return false;
  }
  serial.Configure();
  if (!serial.IsOpen) {
    ReleasePort(serial);
    return false;
  }
  serial.SetDtr(true);
  g.ProcessMessages();
  g.Delay(200);
  g.DiscardInput();
  g.DrainInput();
  serial.WriteText("\r");
  g.DrainInput();
  serial.WriteText("WARTUNG738\r");
  bool found = false;
  g.ReadAnswer();
  if (g.TimeoutTicks != 0) {
    serial.WriteText("R001\r");
    g.ReadAnswer();
    // An echo of the command is a loop-back cable or a terminal, not the instrument.
    found = g.TimeoutTicks != 0 && g.LastAnswer.left(4) != "R001";
  }
  ReleasePort(serial);
  return found;
}

PortTestResult TestPort(int32_t port) {
  TGlb& g = *Glb;
  PortTestResult result;
  if (g.Busy) {
    result.refused = true;
    result.message = kPortBusyText;
    return result;
  }
  g.BeginExchange("", 0);
  {
    BusyCursor busy;
    result.found = ProbePort(port);
  }
  g.EndExchange();
  const Text head = "COM" + Text::number(port) + ": ";
  result.message = result.found ? head + g.LastAnswer : head + kNoDeviceText;
  return result;
}

PortSearchResult SearchPorts(const QList<Text>& entries, const std::function<void(int index)>& choose,
                             const std::function<bool(const Text& question)>& accept) {
  TGlb& g = *Glb;
  PortSearchResult result;
  if (g.Busy) {
    result.refused = true;
    return result;
  }
  g.BeginExchange("", 0);
  {
    BusyCursor busy;
    ReleasePort(g.Serial);
    for (int i = 0; i < entries.size() && result.chosen == 0; ++i) {
      const int32_t port = EntryPort(entries[i]);
      if (choose) choose(i);
      if (!ProbePort(port)) continue;
      const Text question =
          "COM" + Text::number(port) + ": " + g.LastAnswer + "\r" + "\xDC" "bernehmen ?";
      if (accept && accept(question)) result.chosen = port;
    }
  }
  g.EndExchange();
  return result;
}
