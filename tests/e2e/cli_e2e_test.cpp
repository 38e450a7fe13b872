// setup720-cli against setup720-sim over a real pseudo-terminal: the program
// folder and settings store of a temporary folder, the COM port registered
// by the simulator in its Setup720.INI.
#include <signal.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QProcessEnvironment>

#include "editors/eeprom_dump.h"
#include "test_support.h"
#include "upload/image_files.h"
#include "cli_process.h"
#include "sim_process.h"

class CliE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = std::make_unique<SimProcess>(
        QStringList{"--register", "1", "--home", dir_.Path(), "--quiet", "--erase-ms", "300"});
    ASSERT_TRUE(sim_->Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;
  }
  void TearDown() override { sim_.reset(); }

  CliResult Run(const QStringList& arguments) { return RunCli(dir_.Path(), arguments); }
  QString File(const QString& name) const { return dir_.File(name); }

  TempDir dir_;  // outlives the simulator, which tidies its INI entry on exit
  std::unique_ptr<SimProcess> sim_;
};

TEST_F(CliE2E, IdentAndEepromReadCompareWriteRoundTrip) {
  const CliResult ident = Run({"ident"});
  ASSERT_EQ(ident.code, 0) << Show(ident);
  EXPECT_EQ(ident.out.trimmed(), "ORX 720 V3.21");

  const CliResult read = Run({"eeprom", "read", "a.dat"});
  ASSERT_EQ(read.code, 0) << Show(read);
  const std::vector<Text> lines = DumpFileLines(ReadFile(File("a.dat")));
  ASSERT_EQ(lines.size(), 16u);
  const std::optional<QByteArray> original = ParseDump(lines);
  ASSERT_TRUE(original);

  const CliResult same = Run({"eeprom", "compare", "a.dat"});
  EXPECT_EQ(same.code, 0) << Show(same);
  EXPECT_TRUE(same.out.contains(QString::fromUtf8("Datens\u00e4tze sind gleich"))) << Show(same);

  // One byte changed at 0x35, written, then read back through a second file.
  QByteArray changed = *original;
  changed[0x35] = static_cast<char>(static_cast<uint8_t>(changed[0x35]) ^ 0x5A);
  ASSERT_TRUE(WriteFile(File("b.dat"), DumpFileText(FormatDump(changed))));
  const CliResult write = Run({"eeprom", "write", "b.dat"});
  ASSERT_EQ(write.code, 0) << Show(write);

  const CliResult differs = Run({"eeprom", "compare", "a.dat"});
  EXPECT_EQ(differs.code, 1) << Show(differs);
  EXPECT_TRUE(differs.out.contains("Adresse $0035")) << Show(differs);
  ASSERT_EQ(Run({"eeprom", "read", "c.dat"}).code, 0);
  EXPECT_EQ(ParseDump(DumpFileLines(ReadFile(File("c.dat")))), changed);
}

TEST_F(CliE2E, MalformedDumpIsRefusedBeforeAnythingIsWritten) {
  ASSERT_EQ(Run({"eeprom", "read", "a.dat"}).code, 0);
  const QByteArray good = ReadFile(File("a.dat"));
  // A typo in a byte pair of line 0x20: once read leniently it became 0x00.
  QByteArray bad = good;
  const qsizetype line = bad.indexOf("0020 ");
  ASSERT_GE(line, 0);
  bad.replace(line + 5, 2, "G1");
  ASSERT_TRUE(WriteFile(File("bad.dat"), bad));

  const CliResult write = Run({"eeprom", "write", "bad.dat"});
  EXPECT_EQ(write.code, 3) << Show(write);
  EXPECT_TRUE(write.err.contains("Fehler in Daten Syntax ($0020: G1)")) << Show(write);
  ASSERT_EQ(Run({"eeprom", "read", "after.dat"}).code, 0);
  EXPECT_EQ(ReadFile(File("after.dat")), good);
}

TEST_F(CliE2E, PrinterTextsWriteAndReadBackWithTheUserDataImage) {
  ASSERT_TRUE(WriteFile(File("in.txt"),
            "Kopf eins\r\nKopfzeile zwei ist zu lang f\xFCr den Drucker\r\n\r\nFu\xDFzeile\r\n"));
  const CliResult write = Run({"printer", "write", "in.txt"});
  ASSERT_EQ(write.code, 0) << Show(write);

  const CliResult read = Run({"printer", "read", "out.txt"});
  ASSERT_EQ(read.code, 0) << Show(read);
  // 24 characters a line; the file keeps the Windows-1252 bytes.
  EXPECT_EQ(ReadFile(File("out.txt")),
            QByteArray("Kopf eins\r\nKopfzeile zwei ist zu la\r\n\r\nFu\xDFzeile\r\n\r\n\r\n"));
  // The read saved the text memory as the user data image for the next upload.
  const QByteArray image = ReadFile(File(kDefaultUserFileName));
  ASSERT_EQ(image.size(), 256);
  EXPECT_EQ(image.left(25), QByteArray("Kopf eins").leftJustified(24, ' ') + '\0');
}

TEST_F(CliE2E, OptionsWriteFromATypeListThenShowAndLanguageSetAndShow) {
  ASSERT_TRUE(WriteFile(File("Typlist.txt"), TypeLine("ORX 720 Basis", "1100000000000000000000000000001", 3, 4) +
                                     "\r\n" + TypeLine("ORX 720 Plus", "1111", 2, 2) + "\r\n"));
  const CliResult write =
      Run({"options", "write", "--type-list", "Typlist.txt", "--type", "2", "--serial", "krtc-0815"});
  ASSERT_EQ(write.code, 0) << Show(write);

  const CliResult show = Run({"options", "show"});
  ASSERT_EQ(show.code, 0) << Show(show);
  EXPECT_TRUE(show.out.contains("Seriennummer: KRTC-0815 (2003030815)")) << Show(show);
  EXPECT_TRUE(show.out.contains(QString::fromUtf8("Ger\u00e4tetyp: 02"))) << Show(show);
  EXPECT_TRUE(show.out.contains("   4 [x] ")) << Show(show);
  EXPECT_TRUE(show.out.contains("   5 [ ] ")) << Show(show);
  EXPECT_TRUE(show.out.contains("Display 3:\n   1 02 ")) << Show(show);

  const CliResult set = Run({"language", "set", "2"});
  ASSERT_EQ(set.code, 0) << Show(set);
  const CliResult languages = Run({"language", "show"});
  ASSERT_EQ(languages.code, 0) << Show(languages);
  EXPECT_TRUE(languages.out.contains("* 2\tItaliano")) << Show(languages);
  EXPECT_EQ(Run({"language", "set", "9"}).code, 2);  // the instrument has four
}

TEST_F(CliE2E, UploadOfATinyImageEndsWithFertigAndTheInstrumentAnswersAgain) {
  QDir().mkpath(File("fw"));
  QByteArray data(16, '\0');
  for (int k = 0; k < 16; ++k) data[k] = static_cast<char>(k);
  ASSERT_TRUE(WriteFile(File("fw/orx720nt.h20"), DataRecord(0x4000, data.constData()) + "\r\n:00000001FF\r\n"));
  ASSERT_TRUE(WriteFile(File("fw/orx720nt.bin"), QByteArray(48, '\x5A')));

  const CliResult upload = Run({"upload", "--hex", "fw/orx720nt.h20"});
  ASSERT_EQ(upload.code, 0) << Show(upload);
  EXPECT_TRUE(upload.out.contains("orx720nt.h20 : 2 Zeilen geladen")) << Show(upload);
  EXPECT_TRUE(upload.out.contains("\nFertig\n")) << Show(upload);
  // The printer backup went into the user data image of this program image.
  EXPECT_EQ(ReadFile(File("fw/Userorx720nt.bin")).size(), 256);
  EXPECT_EQ(Run({"ident"}).code, 0);

  // Two regional data sets: a script must say which one.
  ASSERT_TRUE(WriteFile(File("fw/orx720nt_gb.bin"), QByteArray(48, '\x47')));
  EXPECT_EQ(Run({"upload", "--hex", "fw/orx720nt.h20"}).code, 2);
  EXPECT_EQ(Run({"upload", "--hex", "fw/orx720nt.h20", "--region", "other.bin"}).code, 2);
  const CliResult regional =
      Run({"--json", "upload", "--hex", "fw/orx720nt.h20", "--region", "ORX720NT_GB.BIN"});
  ASSERT_EQ(regional.code, 0) << Show(regional);
  const QJsonObject json = regional.Json();
  EXPECT_EQ(json["result"], "completed") << Show(regional);
  EXPECT_EQ(json["completed"], true);
  EXPECT_EQ(json["hex"], File("fw/orx720nt.h20"));
  const QJsonArray log = json["log"].toArray();
  EXPECT_TRUE(log.contains("orx720nt_gb.bin : 19 Zeilen geladen")) << Show(regional);
  EXPECT_TRUE(log.contains("Fertig")) << Show(regional);
  EXPECT_TRUE(ReadFile(File("Setup720.INI")).contains("Region=1"));
}

TEST(CliExitCodes, NoInstrumentUsageAndFileErrors) {
  TempDir dir;
  ASSERT_TRUE(WriteFile(dir.File("Setup720.INI"), "[PORTS]\r\nCOM1=" + dir.File("no-such-tty").toUtf8() + "\r\n"));
  struct Case {
    const char* what;
    QStringList arguments;
    int code;
  };
  const std::vector<Case> cases = {
      {"no instrument", {"ident"}, 1},
      {"no instrument before a write", {"printer", "write", "Setup720.INI"}, 1},
      {"unknown command", {"bogus"}, 2},
      {"unknown option", {"ident", "--bogus"}, 2},
      {"missing file argument", {"eeprom", "read"}, 2},
      {"port out of range", {"--port", "0", "ident"}, 2},
      {"option of another command", {"ident", "--details"}, 2},
      {"missing dump file", {"eeprom", "write", "none.dat"}, 3},
      {"missing map file", {"mapfile", "none.map"}, 3},
      {"a log file in no folder", {"ident", "--log", "no/such/folder/x.log"}, 3},
  };
  for (const Case& c : cases) {
    const CliResult result = RunCli(dir.Path(), c.arguments);
    EXPECT_EQ(result.code, c.code) << c.what << "\n" << Show(result);
    // The same line with --json: one object on stdout, with the same exit
    // (the time-outs of the no-instrument lines are waited for once, below).
    if (c.code == 1) continue;
    const CliResult json = RunCli(dir.Path(), QStringList{"--json"} + c.arguments);
    const QJsonObject object = json.Json();
    EXPECT_EQ(json.code, c.code) << c.what << "\n" << Show(json);
    EXPECT_EQ(object["ok"], false) << c.what << "\n" << Show(json);
    EXPECT_EQ(object["exit"], c.code) << c.what << "\n" << Show(json);
    EXPECT_FALSE(object["error"].toString().isEmpty()) << c.what << "\n" << Show(json);
    // The message is on stderr too, as without --json.
    EXPECT_TRUE(json.err.contains(object["error"].toString().section(u'\n', 0, 0))) << c.what << "\n" << Show(json);
  }
  const QJsonObject noInstrument = RunCli(dir.Path(), {"--json", "ident"}).Json();
  EXPECT_TRUE(noInstrument["error"].toString().startsWith("No Instrument found")) << noInstrument["error"].toString().toStdString();
  EXPECT_EQ(noInstrument["command"], "ident");
  EXPECT_EQ(noInstrument["port"], 1);
  EXPECT_EQ(RunCli(dir.Path(), {"--json", "--bogus"}).Json()["error"], "unknown option \"--bogus\"");
}

TEST_F(CliE2E, JsonResultsOfTheMainPaths) {
  const CliResult ports = Run({"--json", "ports"});
  ASSERT_EQ(ports.code, 0) << Show(ports);
  bool listed = false;
  for (const QJsonValue& port : ports.Json()["ports"].toArray()) {
    const QJsonObject p = port.toObject();
    if (p["com"] == 1) listed = p["device"] == sim_->Path() && p["usb"] == false;
  }
  EXPECT_TRUE(listed) << Show(ports);

  const CliResult ident = Run({"--json", "ident"});
  ASSERT_EQ(ident.code, 0) << Show(ident);
  EXPECT_EQ(ident.Json(), (QJsonObject{{"ok", true}, {"command", "ident"}, {"exit", 0}, {"port", 1},
                                       {"device", sim_->Path()}, {"identity", "ORX 720 V3.21"}}))
      << Show(ident);

  const QJsonObject read = Run({"--json", "eeprom", "read", "a.dat"}).Json();
  EXPECT_EQ(read["ok"], true);
  EXPECT_EQ(read["action"], "read");
  EXPECT_EQ(read["file"], File("a.dat"));
  EXPECT_EQ(read["bytes"], 256);
  const std::optional<QByteArray> original = ParseDump(DumpFileLines(ReadFile(File("a.dat"))));
  ASSERT_TRUE(original);
  EXPECT_EQ(read["serialNumber"].toInteger(), DumpSerialNumber(*original));

  QByteArray changed = *original;
  changed[0x35] = static_cast<char>(changed[0x35] ^ 0x01);
  changed[0x80] = static_cast<char>(changed[0x80] ^ 0x01);
  ASSERT_TRUE(WriteFile(File("b.dat"), DumpFileText(FormatDump(changed))));
  const CliResult write = Run({"--json", "--verify", "eeprom", "write", "b.dat"});
  EXPECT_EQ(write.code, 0) << Show(write);
  EXPECT_EQ(write.Json()["verified"], true) << Show(write);

  const CliResult compare = Run({"--json", "eeprom", "compare", "a.dat"});
  const QJsonObject differs = compare.Json();
  EXPECT_EQ(compare.code, 1) << Show(compare);
  EXPECT_EQ(differs["ok"], false);
  EXPECT_EQ(differs["exit"], 1);
  EXPECT_EQ(differs["equal"], false);
  EXPECT_EQ(differs["first"], 0x35);
  EXPECT_EQ(differs["differences"], (QJsonArray{0x35, 0x80}));
  EXPECT_EQ(differs["error"], QString::fromUtf8("Datensatz Unterschied an Adresse $0035"));
  EXPECT_TRUE(compare.err.contains("Adresse $0035")) << Show(compare);

  const QJsonObject options = Run({"--json", "options", "show"}).Json();
  EXPECT_EQ(options["ok"], true);
  EXPECT_EQ(options["serial"], "KRAB-0042");
  EXPECT_EQ(options["bits"].toArray().size(), 31);
  EXPECT_EQ(options["bits"].toArray()[0].toObject()["bit"], 1);
  EXPECT_EQ(options["display"].toArray().size(), 3);
  EXPECT_EQ(options["display"].toArray()[2].toArray().size(), 8);
  EXPECT_EQ(options["print"].toArray().size(), 24);
}

TEST_F(CliE2E, LogFileProgressBarAndTheStderrLog) {
  const CliResult logged = Run({"eeprom", "read", "a.dat", "--log", "diag.log"});
  ASSERT_EQ(logged.code, 0) << Show(logged);
  const QString log = QString::fromUtf8(ReadFile(File("diag.log")));
  EXPECT_TRUE(log.contains("S R1050000\n")) << log.toStdString();
  EXPECT_TRUE(log.contains("S R10500F0\n")) << log.toStdString();
  EXPECT_TRUE(log.contains("\nR WARTUNG OK\n")) << log.toStdString();
  EXPECT_FALSE(logged.err.contains("Diagnose")) << "the lines go to the file only";

  const CliResult stderrLog = Run({"ident", "--log", "-"});
  ASSERT_EQ(stderrLog.code, 0) << Show(stderrLog);
  EXPECT_TRUE(stderrLog.err.contains("Diagnose: R ORX 720 V3.21")) << Show(stderrLog);

  // stderr is a pipe here: no bar unless asked for, and never with --json.
  const CliResult plain = Run({"eeprom", "read", "b.dat"});
  EXPECT_FALSE(plain.err.contains("bytes")) << Show(plain);
  const CliResult bar = Run({"eeprom", "read", "b.dat", "--progress"});
  EXPECT_TRUE(bar.err.contains("[")) << Show(bar);
  EXPECT_TRUE(bar.err.contains("/256 bytes")) << Show(bar);
  EXPECT_TRUE(bar.err.contains("  50 %  ")) << Show(bar);
  const CliResult json = Run({"eeprom", "read", "b.dat", "--progress", "--json"});
  EXPECT_FALSE(json.err.contains("bytes")) << Show(json);
  EXPECT_EQ(json.Json()["ok"], true) << Show(json);
}

TEST(CliSilentInstrument, FailsWithTheMessageAndKeepsTheLogOfTheTry) {
  TempDir dir;
  SimProcess sim({"--register", "1", "--home", dir.Path(), "--silent"});
  ASSERT_TRUE(sim.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;
  ASSERT_TRUE(WriteFile(dir.File("good.dat"), DumpFileText(FormatDump(QByteArray(256, '\x11')))));

  const CliResult write = RunCli(dir.Path(), {"--json", "eeprom", "write", "good.dat", "--log", "try.log"});
  EXPECT_EQ(write.code, 1) << Show(write);
  const QJsonObject object = write.Json();
  EXPECT_EQ(object["ok"], false);
  EXPECT_TRUE(object["error"].toString().startsWith("No Instrument found")) << Show(write);
  EXPECT_TRUE(write.err.contains("No Instrument found")) << Show(write);
  EXPECT_EQ(object["logFile"], dir.File("try.log"));
  EXPECT_TRUE(ReadFile(dir.File("try.log")).contains("Timeout")) << "written although the command failed";
  // The instrument heard the connection check, never a write.
  EXPECT_TRUE(sim.LogShows("< WARTUNG738", 2000)) << sim.Log().toStdString();
  EXPECT_FALSE(sim.LogShows("< W105", 300)) << sim.Log().toStdString();
}

TEST(CliHelp, ProgramAndCommandHelp) {
  TempDir dir;
  const CliResult program = RunCli(dir.Path(), {"--help"});
  ASSERT_EQ(program.code, 0) << Show(program);
  for (const char* command : {"ports", "find", "test", "ident", "eeprom", "printer", "options", "lists",
                              "language", "alv", "fuel", "upload", "mapfile", "help"})
    EXPECT_TRUE(program.out.contains(QStringLiteral("\n  %1 ").arg(command))) << command << "\n" << Show(program);
  EXPECT_EQ(RunCli(dir.Path(), {"help"}).out, program.out);

  const CliResult eeprom = RunCli(dir.Path(), {"eeprom", "--help"});
  ASSERT_EQ(eeprom.code, 0) << Show(eeprom);
  EXPECT_TRUE(eeprom.out.startsWith("Usage:\n  setup720-cli eeprom read FILE.dat\n")) << Show(eeprom);
  EXPECT_TRUE(eeprom.out.contains("setup720-cli eeprom write FILE.dat [--verify]")) << Show(eeprom);
  EXPECT_EQ(RunCli(dir.Path(), {"help", "eeprom"}).out, eeprom.out);
  EXPECT_EQ(RunCli(dir.Path(), {"eeprom", "write", "x.dat", "--help"}).out, eeprom.out);
  EXPECT_EQ(RunCli(dir.Path(), {"--json", "help", "eeprom"}).Json()["help"], eeprom.out);

  const CliResult unknown = RunCli(dir.Path(), {"help", "bogus"});
  EXPECT_EQ(unknown.code, 2) << Show(unknown);
  EXPECT_TRUE(unknown.err.contains("unknown command \"bogus\"")) << Show(unknown);
  EXPECT_EQ(RunCli(dir.Path(), {}).code, 2);
}
