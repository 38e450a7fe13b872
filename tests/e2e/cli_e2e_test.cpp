// setup720-cli against setup720-sim over a real pseudo-terminal: the program
// folder and settings store of a temporary folder, the COM port registered
// by the simulator in its Setup720.INI.
#include <signal.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include "editors/eeprom_dump.h"
#include "test_support.h"
#include "upload/image_files.h"
#include "sim_process.h"

namespace {

struct CliResult {
  int code = -1;
  QString out;
  QString err;
};

CliResult RunCli(const QString& home, const QStringList& arguments) {
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("SETUP720_HOME", home);
  env.insert("SETUP720_REGISTRY", home + "/reg.ini");
  env.remove("QT_QPA_PLATFORM");  // no display is needed, nor asked for
  cli.setProcessEnvironment(env);
  cli.setWorkingDirectory(home);
  cli.start(SETUP720_CLI_PATH, arguments);
  CliResult result;
  if (!cli.waitForStarted(5000) || !cli.waitForFinished(60000)) {
    cli.kill();
    cli.waitForFinished(1000);
    result.err = "did not finish";
    return result;
  }
  result.code = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
  result.out = QString::fromUtf8(cli.readAllStandardOutput());
  result.err = QString::fromUtf8(cli.readAllStandardError());
  return result;
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_EQ(file.write(data), data.size());
}

std::string Show(const CliResult& r) {
  return ("exit " + QString::number(r.code) + "\nstdout:\n" + r.out + "stderr:\n" + r.err).toStdString();
}

// A type list line: the name padded to 30, then the 250-character option string.
QByteArray TypeLine(const QByteArray& name, const QByteArray& bits, int displayCode, int printCode) {
  QByteArray s(250, ' ');
  s.replace(0, bits.size(), bits);
  for (int column = 1; column <= 3; ++column)
    for (int row = 1; row <= 8; ++row)
      s.replace(20 * column + 2 * row + 28, 2, QByteArray::number(displayCode).rightJustified(2, '0'));
  for (int row = 1; row <= 24; ++row)
    s.replace(2 * row + 128, 2, QByteArray::number(printCode).rightJustified(2, '0'));
  return name.leftJustified(30, ' ') + s;
}

}  // namespace

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
  WriteFile(File("b.dat"), DumpFileText(FormatDump(changed)));
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
  WriteFile(File("bad.dat"), bad);

  const CliResult write = Run({"eeprom", "write", "bad.dat"});
  EXPECT_EQ(write.code, 3) << Show(write);
  EXPECT_TRUE(write.err.contains("Fehler in Daten Syntax ($0020: G1)")) << Show(write);
  ASSERT_EQ(Run({"eeprom", "read", "after.dat"}).code, 0);
  EXPECT_EQ(ReadFile(File("after.dat")), good);
}

TEST_F(CliE2E, PrinterTextsWriteAndReadBackWithTheUserDataImage) {
  WriteFile(File("in.txt"),
            "Kopf eins\r\nKopfzeile zwei ist zu lang f\xFCr den Drucker\r\n\r\nFu\xDFzeile\r\n");
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
  WriteFile(File("Typlist.txt"), TypeLine("ORX 720 Basis", "1100000000000000000000000000001", 3, 4) +
                                     "\r\n" + TypeLine("ORX 720 Plus", "1111", 2, 2) + "\r\n");
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
  WriteFile(File("fw/orx720nt.h20"), DataRecord(0x4000, data.constData()) + "\r\n:00000001FF\r\n");
  WriteFile(File("fw/orx720nt.bin"), QByteArray(48, '\x5A'));

  const CliResult upload = Run({"upload", "--hex", "fw/orx720nt.h20"});
  ASSERT_EQ(upload.code, 0) << Show(upload);
  EXPECT_TRUE(upload.out.contains("orx720nt.h20 : 2 Zeilen geladen")) << Show(upload);
  EXPECT_TRUE(upload.out.contains("\nFertig\n")) << Show(upload);
  // The printer backup went into the user data image of this program image.
  EXPECT_EQ(ReadFile(File("fw/Userorx720nt.bin")).size(), 256);
  EXPECT_EQ(Run({"ident"}).code, 0);

  // Two regional data sets: a script must say which one.
  WriteFile(File("fw/orx720nt_gb.bin"), QByteArray(48, '\x47'));
  EXPECT_EQ(Run({"upload", "--hex", "fw/orx720nt.h20"}).code, 2);
  EXPECT_EQ(Run({"upload", "--hex", "fw/orx720nt.h20", "--region", "other.bin"}).code, 2);
  const CliResult regional = Run({"upload", "--hex", "fw/orx720nt.h20", "--region", "ORX720NT_GB.BIN"});
  ASSERT_EQ(regional.code, 0) << Show(regional);
  EXPECT_TRUE(regional.out.contains("orx720nt_gb.bin : 19 Zeilen geladen")) << Show(regional);
  EXPECT_TRUE(ReadFile(File("Setup720.INI")).contains("Region=1"));
}

TEST(CliExitCodes, NoInstrumentUsageAndFileErrors) {
  TempDir dir;
  WriteFile(dir.File("Setup720.INI"), "[PORTS]\r\nCOM1=" + dir.File("no-such-tty").toUtf8() + "\r\n");
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
  };
  for (const Case& c : cases) {
    const CliResult result = RunCli(dir.Path(), c.arguments);
    EXPECT_EQ(result.code, c.code) << c.what << "\n" << Show(result);
  }
}
