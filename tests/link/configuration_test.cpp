// The configuration file part and the port list, test and search against the
// in-process instrument, in virtual time.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "link/configuration.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/settings_store.h"

namespace {

class ConfigurationTest : public ::testing::Test {
 protected:
  explicit ConfigurationTest(SimOptions options = {}) : rig_(std::move(options)) {}

  void SetUp() override {
    Boxes::Clear();
    Glb = rig_.glb.get();
    g().ProgramDir = dir_.Path() + "/";
    g().DataDir = g().ProgramDir + "Daten/";
    store_ = std::make_unique<SettingsStore>(dir_.File("registry.ini"));
    g().Registry = store_.get();
    previousLookup_ = SetUsbCableLookup([this](const Text& vendor, const Text& product,
                                               const Text& serial) {
      asked_.push_back(vendor + "/" + product + "/" + serial);
      return usbName_;
    });
  }
  void TearDown() override {
    SetUsbCableLookup(previousLookup_);
    ShowHexFile({});
    Glb = nullptr;
    Boxes::Clear();
  }

  TGlb& g() { return *rig_.glb; }
  QString Prog(const QString& name) const { return dir_.Path() + "/" + name; }
  void Touch(const QString& path) { ASSERT_TRUE(WriteWholeFile(path, "x")); }
  void MakeDataDir() { ASSERT_TRUE(QDir().mkpath(Prog("Daten"))); }
  void WriteIni(const QByteArray& text) { ASSERT_TRUE(WriteWholeFile(g().IniPath(), text)); }
  Text IniValue(const Text& key) { return IniFile(g().IniPath()).ReadString("KONFIG", key, "<none>"); }

  SimRig rig_;
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
  UsbCableLookup previousLookup_;
  Text usbName_;
  std::vector<Text> asked_;
};

// ---- the configuration file ----

TEST_F(ConfigurationTest, ApplyHexFileDerivesTheBinaryFiles) {
  struct Case {
    QString path, dir, name, bin, user;
  };
  const std::vector<Case> cases = {
      {"/fw/orx720NT.h20", "/fw/", "orx720NT.h20", "/fw/orx720NT.bin", "/fw/Userorx720NT.bin"},
      // The stem ends at the first dot.
      {"/fw/a.b.hex", "/fw/", "a.b.hex", "/fw/a.bin", "/fw/Usera.bin"},
      {"/fw/noext", "/fw/", "noext", "/fw/noext.bin", "/fw/Usernoext.bin"},
      {"plain.h20", "", "plain.h20", "plain.bin", "Userplain.bin"},
  };
  for (const Case& c : cases) {
    g().SavedPort = 5;
    g().ComPort = 9;
    ApplyHexFile(c.path);
    EXPECT_EQ(g().HexFilePath, c.path);
    EXPECT_EQ(g().HexFileDir, c.dir) << c.path.toStdString();
    EXPECT_EQ(g().HexFileName, c.name);
    EXPECT_EQ(g().BinFilePath, c.bin);
    EXPECT_EQ(g().UserBinPath, c.user);
    EXPECT_EQ(g().ComPort, 5);
    EXPECT_EQ(ShownHexFile(), c.path);
  }
}

TEST_F(ConfigurationTest, LoadReadsEveryKey) {
  MakeDataDir();
  WriteIni("[KONFIG]\r\nComport=4\r\nHexFile=/fw/orx720NT.h20\r\nBinFile=/x/old.bin\r\n"
           "UserFile=/x/user.bin\r\nTypliste=Meine.txt\r\nInitDir=/types/\r\n"
           "HexFileName=orx720NT.h20\r\nHexInitDir=/fw/\r\nMAPFILE=/map/a.map\r\nAutoCom=1\r\n");
  g().ComPort = 1;
  LoadConfiguration();
  EXPECT_EQ(g().ComPort, 4);
  EXPECT_EQ(g().SavedPort, 4);
  EXPECT_EQ(g().HexFilePath, "/fw/orx720NT.h20");
  // ApplyHexFile derives the binary files again from the firmware file.
  EXPECT_EQ(g().BinFilePath, "/fw/orx720NT.bin");
  EXPECT_EQ(g().UserBinPath, "/fw/Userorx720NT.bin");
  EXPECT_EQ(g().UserFileName, "Meine.txt");  // written "Typliste", read "TypListe"
  EXPECT_EQ(g().UserFileDir, "/types/");
  EXPECT_EQ(g().MapFileName, "/map/a.map");
  EXPECT_TRUE(g().AutoCom);
  EXPECT_EQ(ShownHexFile(), "/fw/orx720NT.h20");
  EXPECT_EQ(g().DataDir, Prog("Daten/"));
}

TEST_F(ConfigurationTest, SaveAndLoadRoundTripKeepsTheRestOfTheFile) {
  MakeDataDir();
  WriteIni("; comment\r\n[PORTS]\r\nCOM5=/dev/pts/3\r\n[Main]\r\nDisclaim=1\r\n");
  g().SavedPort = g().ComPort = 12;
  g().HexFilePath = "/fw/orx720NT.h20";
  g().UserFileName = "Liste.txt";
  g().MapFileName = "/m/x.map";
  g().AutoCom = true;
  ASSERT_TRUE(SaveConfiguration());
  EXPECT_EQ(IniValue("Comport"), "12");
  EXPECT_EQ(IniValue("Typliste"), "Liste.txt");
  EXPECT_EQ(IniValue("InitDir"), FromQt(Prog("Daten/")));
  EXPECT_EQ(IniValue("HexInitDir"), "/fw/");
  EXPECT_EQ(IniValue("BinFile"), "/fw/orx720NT.bin");
  EXPECT_EQ(IniValue("AutoCom"), "1");
  const IniFile ini(g().IniPath());
  EXPECT_EQ(ini.ReadString("PORTS", "COM5", ""), "/dev/pts/3");
  EXPECT_TRUE(ini.ReadBool("Main", "Disclaim", false));

  g().ComPort = g().SavedPort = 1;
  g().HexFilePath.clear();
  g().UserFileName.clear();
  g().MapFileName.clear();
  g().AutoCom = false;
  LoadConfiguration();
  EXPECT_EQ(g().ComPort, 12);
  EXPECT_EQ(g().HexFilePath, "/fw/orx720NT.h20");
  EXPECT_EQ(g().UserFileName, "Liste.txt");
  EXPECT_EQ(g().UserFileDir, Prog("Daten/"));
  EXPECT_EQ(g().MapFileName, "/m/x.map");
  EXPECT_TRUE(g().AutoCom);
}

TEST_F(ConfigurationTest, SaveReportsAnIniItCannotWrite) {
  ASSERT_TRUE(QDir().mkpath(g().IniPath()));  // there, but no file
  g().HexFilePath = "/fw/orx720NT.h20";
  EXPECT_FALSE(SaveConfiguration());
  EXPECT_TRUE(QFileInfo(g().IniPath()).isDir());
  EXPECT_FALSE(RepairConfiguration(true));
}

TEST_F(ConfigurationTest, MissingDataFolderMakesTheProgramFolderTheBase) {
  // No "Daten": everything is rebuilt from the program folder.
  Touch(Prog("orx720NT.h20"));
  Touch(Prog("orx720nt.bin"));
  WriteIni("[KONFIG]\r\nComport=3\r\nHexFile=/gone/orx720NT.h20\r\nHexFileName=orx720NT.h20\r\n"
           "BinFile=/gone/orx720nt.bin\r\nUserFile=/gone/u.bin\r\nInitDir=/gone/\r\n");
  g().ComPort = 3;
  LoadConfiguration();
  const QString base = Prog("");
  EXPECT_EQ(g().DataDir, base);
  EXPECT_EQ(g().SavedPort, 3);
  EXPECT_EQ(g().HexFileName, "orx720NT.h20");
  EXPECT_EQ(g().HexFilePath, base + "orx720NT.h20");
  EXPECT_EQ(g().BinFilePath, base + "orx720nt.bin");
  EXPECT_EQ(g().UserBinPath, base + "userorx720nt.bin");
  EXPECT_EQ(g().HexFileDir, base);
  EXPECT_EQ(g().UserFileDir, base);
  // The field names the repaired file, so OK keeps it.
  EXPECT_EQ(ShownHexFile(), base + "orx720NT.h20");
  EXPECT_EQ(IniValue("HexFile"), FromQt(base + "orx720NT.h20"));
  EXPECT_EQ(IniValue("BinFile"), FromQt(base + "orx720nt.bin"));
  EXPECT_EQ(IniValue("UserFile"), FromQt(base + "userorx720nt.bin"));
  EXPECT_EQ(IniValue("InitDir"), FromQt(base));
  EXPECT_EQ(IniValue("HexInitDir"), FromQt(base));
  EXPECT_EQ(IniValue("Comport"), "3");
}

TEST_F(ConfigurationTest, RepairKeepsFilesThatExist) {
  MakeDataDir();
  const QString hex = Prog("elsewhere/fw1.h20");
  ASSERT_TRUE(QDir().mkpath(Prog("elsewhere")));
  Touch(hex);
  Touch(Prog("elsewhere/b.bin"));
  Touch(Prog("Daten/fw1.h20"));
  WriteIni(Text("[KONFIG]\r\nComport=2\r\nHexFileName=fw1.h20\r\nHexFile=") + FromQt(hex) +
           "\r\nBinFile=" + FromQt(Prog("elsewhere/b.bin")) + "\r\n");
  g().ComPort = 0;
  g().UserFileName = "Typlist.txt";
  ASSERT_TRUE(RepairConfiguration(true));
  EXPECT_EQ(g().HexFileName, "fw1.h20");
  EXPECT_EQ(g().HexFilePath, hex);
  EXPECT_EQ(g().BinFilePath, Prog("elsewhere/b.bin"));
  EXPECT_EQ(g().UserBinPath, Prog("Daten/userorx720nt.bin"));
  EXPECT_EQ(g().HexFileDir, Prog("Daten/"));
  EXPECT_EQ(g().SavedPort, 2);
  EXPECT_EQ(IniValue("Comport"), "1");  // a ComPort of 0 is written as 1
  EXPECT_EQ(IniValue("Typliste"), "Typlist.txt");
}

TEST_F(ConfigurationTest, NoIniFileGivesACompleteConfiguration) {
  MakeDataDir();
  Touch(Prog("Daten/ORX720NT.H20"));
  LoadConfiguration();
  const QString data = Prog("Daten/");
  // The default names are found whatever their case on disk.
  EXPECT_EQ(g().HexFilePath, data + "ORX720NT.H20");
  EXPECT_EQ(IniValue("HexFile"), FromQt(data + "ORX720NT.H20"));
  EXPECT_EQ(IniValue("BinFile"), FromQt(data + "orx720nt.bin"));
  EXPECT_EQ(IniValue("UserFile"), FromQt(data + "userorx720nt.bin"));
  EXPECT_EQ(IniValue("InitDir"), FromQt(data));
  EXPECT_EQ(IniValue("Comport"), "1");
  EXPECT_EQ(g().ComPort, 1);
}

TEST_F(ConfigurationTest, BlankFirmwareEntryIsRepairedFromTheDataFolder) {
  MakeDataDir();
  WriteIni("[KONFIG]\r\nComport=6\r\nHexFile=   \r\nHexFileName=\r\n");
  LoadConfiguration();
  EXPECT_EQ(g().HexFilePath, Prog("Daten/orx720nt.h20"));
  EXPECT_EQ(g().HexFileName, "orx720nt.h20");
  EXPECT_EQ(g().ComPort, 6);
  EXPECT_EQ(IniValue("HexFile"), FromQt(Prog("Daten/orx720nt.h20")));
}

// ---- the port list ----

TEST_F(ConfigurationTest, PortListMarksTheUsbCable) {
  struct Case {
    const char* what;
    std::set<int32_t> ports;
    std::set<int32_t> held;
    Text usb;
    int32_t comPort;
    QList<Text> entries;
    Text label;
    int32_t usbPort;
    int32_t comAfter;
  };
  const std::vector<Case> cases = {
      {"cable on 7", {1, 3, 7}, {}, "COM7", 1,
       {"COM1", "COM3", "COM7 ORX720 USB"}, "USB-Kabel (COM7)", 7, 1},
      {"no cable", {1, 3, 7}, {}, "", 1, {"COM1", "COM3", "COM7"}, "Kein USB-Kabel", 0, 1},
      {"cable port cannot be opened", {1, 3}, {}, "COM9", 1, {"COM1", "COM3"},
       "Kein USB-Kabel", 9, 1},
      {"cable port held elsewhere", {1, 7}, {7}, "COM7", 1, {"COM1"}, "Kein USB-Kabel", 7, 1},
      {"two digits", {2, 12}, {}, "COM12", 2, {"COM2", "COM12 ORX720 USB"},
       "USB-Kabel (COM12)", 12, 2},
      {"out of range", {1}, {}, "COM150", 1, {"COM1"}, "Kein USB-Kabel", 0, 1},
      {"garbage name", {1}, {}, "COMxy", 1, {"COM1"}, "Kein USB-Kabel", 0, 1},
      {"port 0 takes the cable", {1, 3, 7}, {}, "COM7", 0,
       {"COM1", "COM3", "COM7 ORX720 USB"}, "USB-Kabel (COM7)", 7, 7},
      {"port 0 takes the lowest", {3, 7}, {}, "", 0, {"COM3", "COM7"}, "Kein USB-Kabel", 0, 3},
      {"port 0 without ports", {}, {}, "COM7", 0, {}, "Kein USB-Kabel", 7, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rig_.backend->SetPorts(c.ports);
    for (int32_t p = 1; p <= 99; ++p) rig_.backend->SetHeld(p, c.held.count(p) > 0);
    usbName_ = c.usb;
    g().ComPort = c.comPort;
    const PortList list = FillPortList();
    EXPECT_EQ(list.entries, c.entries);
    EXPECT_EQ(list.label, c.label);
    EXPECT_EQ(list.UsbPort, c.usbPort);
    EXPECT_EQ(list.UsbFound, c.label.startsWith("USB"));
    EXPECT_EQ(g().ComPort, c.comAfter);
    EXPECT_FALSE(g().Busy);
    EXPECT_EQ(rig_.backend->OpenPortNumber(), 0);
  }
  EXPECT_EQ(asked_.front(), "10C4/8075/0001");
}

TEST_F(ConfigurationTest, PortListLeavesARunningExchangeAlone) {
  rig_.backend->SetPorts({1, 3});
  g().OpenPort(9600, true);
  g().Busy = true;
  const PortList list = FillPortList();
  EXPECT_TRUE(list.entries.isEmpty());
  EXPECT_TRUE(g().Busy);
  EXPECT_TRUE(g().Serial.IsOpen);
  g().Busy = false;
  g().ClosePort(false);
}

TEST_F(ConfigurationTest, NoCableWithoutTheTerminalBackend) {
  SetUsbCableLookup(nullptr);
  EXPECT_TRUE(FindUsbCablePort(kUsbVendor, kUsbProduct, kUsbSerial).isEmpty());
}

TEST(ConfigurationEntries, EntryPortReadsTwoDigits) {
  const std::vector<std::pair<Text, int32_t>> cases = {
      {"COM1", 1}, {"COM7 ORX720 USB", 7}, {"COM12", 12}, {"COM12 ORX720 USB", 12},
      {"COM123", 12}, {"", 0}, {"xyz", 0}};
  for (const auto& [entry, port] : cases) EXPECT_EQ(EntryPort(entry), port) << entry.constData();
}

// ---- test and search ----

struct ProbeCase {
  const char* what;
  SimOptions options;
  std::set<int32_t> ports;
  int32_t port;
  bool found;
  Text message;
};

void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.what; }

class PortTestTest : public ::testing::TestWithParam<ProbeCase> {};

SimOptions Options(bool silent, bool echo, std::vector<Text> noAnswer = {}) {
  SimOptions o;
  o.silent = silent;
  o.echo = echo;
  o.noAnswer = std::move(noAnswer);
  return o;
}

TEST_P(PortTestTest, ReportsWhatAnswered) {
  const ProbeCase& c = GetParam();
  SimRig rig(c.options);
  Glb = rig.glb.get();
  rig.backend->SetPorts(c.ports);
  rig.backend->SetAttachedPort(1);
  rig.glb->ComPort = 4;
  const int64_t start = rig.pump.NowMs();
  const PortTestResult result = TestPort(c.port);
  EXPECT_FALSE(result.refused);
  EXPECT_EQ(result.found, c.found);
  EXPECT_EQ(result.message, c.message);
  EXPECT_EQ(rig.glb->ComPort, 4);
  EXPECT_FALSE(rig.glb->Busy);
  EXPECT_EQ(rig.backend->OpenPortNumber(), 0);
  if (c.ports.count(c.port)) {
    // The instrument gets 200 ms after DTR before it is spoken to.
    EXPECT_GE(rig.pump.NowMs() - start, 200);
    EXPECT_TRUE(rig.backend->LastSettings().dtr);
    EXPECT_FALSE(rig.backend->LastSettings().rts);
    EXPECT_EQ(rig.backend->LastSettings().baudRate, 9600);
  }
  Glb = nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortTestTest,
    ::testing::Values(
        ProbeCase{"instrument", {}, {1, 2}, 1, true, "COM1: ORX 720 V3.21"},
        ProbeCase{"echo only", Options(true, true), {1}, 1, false,
                  "COM1: Kein Ger\xE4t gefunden!"},
        ProbeCase{"silent", Options(true, false), {1}, 1, false, "COM1: Kein Ger\xE4t gefunden!"},
        ProbeCase{"no identity", Options(false, false, {"R001"}), {1}, 1, false,
                  "COM1: Kein Ger\xE4t gefunden!"},
        ProbeCase{"another port", {}, {1, 2}, 2, false, "COM2: Kein Ger\xE4t gefunden!"},
        ProbeCase{"missing port", {}, {1}, 5, false, "COM5: Kein Ger\xE4t gefunden!"},
        ProbeCase{"no entry", {}, {1}, 0, false, "COM0: Kein Ger\xE4t gefunden!"}));

TEST_F(ConfigurationTest, TestSpeaksTheWakeUpAndIdentityCommands) {
  rig_.instrument.ClearCommands();
  const PortTestResult result = TestPort(1);
  ASSERT_TRUE(result.found);
  EXPECT_EQ(rig_.instrument.Commands(), (std::vector<Text>{"WARTUNG738", "R001"}));
}

TEST_F(ConfigurationTest, BusyRefusesTestAndSearch) {
  g().Busy = true;
  rig_.instrument.ClearCommands();
  const PortTestResult test = TestPort(1);
  EXPECT_TRUE(test.refused);
  EXPECT_EQ(test.message, "Schnittstelle belegt");
  int tried = 0;
  const PortSearchResult search =
      SearchPorts({"COM1"}, [&](int) { ++tried; }, [](const Text&) { return true; });
  EXPECT_TRUE(search.refused);
  EXPECT_EQ(tried, 0);
  EXPECT_TRUE(g().Busy);
  EXPECT_TRUE(rig_.instrument.Commands().empty());
}

TEST_F(ConfigurationTest, SearchAsksAndStopsAtTheAcceptedPort) {
  rig_.backend->SetPorts({1, 3, 7});
  rig_.backend->SetAttachedPort(3);
  struct Case {
    bool yes;
    int32_t chosen;
    std::vector<int> tried;
  };
  for (const Case& c : {Case{true, 3, {0, 1}}, Case{false, 0, {0, 1, 2}}}) {
    std::vector<int> tried;
    std::vector<Text> questions;
    const PortSearchResult result = SearchPorts(
        {"COM1", "COM3", "COM7"}, [&](int i) { tried.push_back(i); },
        [&](const Text& q) {
          questions.push_back(q);
          return c.yes;
        });
    EXPECT_FALSE(result.refused);
    EXPECT_EQ(result.chosen, c.chosen);
    EXPECT_EQ(tried, c.tried);
    EXPECT_EQ(questions, (std::vector<Text>{"COM3: ORX 720 V3.21\r\xDC" "bernehmen ?"}));
    EXPECT_FALSE(g().Busy);
    EXPECT_EQ(rig_.backend->OpenPortNumber(), 0);
  }
}

}  // namespace
