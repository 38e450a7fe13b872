// The failure paths of setup720-cli's commands, in process and in virtual
// time: an instrument that answers nothing, files that are not what they
// should be, lines that are not what the commands take, a port held by
// another program. Each ends with its exit code and a message, and none of
// them changes the instrument.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "cli_rig.h"
#include "editors/eeprom_dump.h"
#include "upload/image_files.h"

namespace {

void WriteInputs(const CliRig& rig) {
  rig.Write("good.dat", DumpFileText(FormatDump(QByteArray(256, '\x11'))));
  rig.Write("in.txt", "Kopf\r\n");
  rig.Write("Typlist.txt", TypeLine("ORX 720 Basis", "11", 3, 4) + "\r\n");
  rig.Write("in.bin", QByteArray(100, '\x42'));
  QDir().mkpath(rig.File("fw"));
  rig.Write("fw/orx720nt.h20", DataRecord(0x4000, QByteArray(16, '\x01').constData()) + "\r\n:00000001FF\r\n");
  rig.Write("fw/orx720nt.bin", QByteArray(48, '\x5A'));
}

}  // namespace

TEST(CliFailures, AnInstrumentThatAnswersNothing) {
  struct Case {
    QStringList arguments;
    const char* message;
  };
  const char* none = "No Instrument found";
  const std::vector<Case> cases = {
      {{"ident"}, none},
      {{"test"}, "Kein Ger\u00e4t gefunden!"},
      {{"eeprom", "read", "out.dat"}, none},
      {{"eeprom", "write", "good.dat"}, none},
      {{"eeprom", "compare", "good.dat"}, none},
      {{"printer", "read", "out.txt"}, none},
      {{"printer", "write", "in.txt"}, none},
      {{"options", "show"}, none},
      {{"options", "write", "--type-list", "Typlist.txt", "--type", "1", "--serial", "KRTC-0815"}, none},
      {{"lists", "write", "--type-list", "Typlist.txt", "--type", "1"}, none},
      {{"language", "show"}, none},
      {{"language", "set", "1"}, none},
      {{"alv", "show"}, ""},
      {{"alv", "set", "--k1", "3"}, ""},
      {{"fuel", "read", "out.bin"}, none},
      {{"fuel", "write", "in.bin"}, none},
      {{"upload", "--hex", "fw/orx720nt.h20"}, ""},
  };
  for (const Case& c : cases) {
    SimOptions silent;
    silent.silent = true;
    CliRig rig(silent);
    WriteInputs(rig);
    const std::string line = c.arguments.join(' ').toStdString();
    const CliRunResult r = rig.Run(c.arguments);
    EXPECT_EQ(r.exit, 1) << line << "\n" << Show(r);
    EXPECT_EQ(r.json["ok"], false) << line;
    const QString error = r.json["error"].toString();
    EXPECT_FALSE(error.isEmpty()) << line << "\n" << Show(r);
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << line << "\n" << Show(r);
    // The same message went to stderr.
    EXPECT_TRUE(r.err.contains(error.section(u'\n', 0, 0))) << line << "\n" << Show(r);
    EXPECT_FALSE(QFileInfo::exists(rig.File("out.dat")) || QFileInfo::exists(rig.File("out.txt")) ||
                 QFileInfo::exists(rig.File("out.bin")))
        << line << ": nothing read, nothing saved";
  }
}

TEST(CliFailures, FilesThatCannotBeUsedAreRefusedBeforeTheInstrumentIsWritten) {
  struct Case {
    const char* what;
    QStringList arguments;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"a bad byte pair", {"eeprom", "write", "typo.dat"}, "Fehler in Daten Syntax ($0020: G1)"},
      {"a bad byte pair, compared", {"eeprom", "compare", "typo.dat"}, "Fehler in Daten Syntax ($0020: G1)"},
      {"a line missing", {"eeprom", "write", "short.dat"}, "Fehler in Daten Syntax"},
      {"a wrong address column", {"eeprom", "write", "shifted.dat"}, "Fehler in Daten Syntax (0010)"},
      {"no dump at all", {"eeprom", "write", "none.dat"}, "no such file"},
      {"no printer text file", {"printer", "write", "none.txt"}, "no such file"},
      {"no type list", {"options", "write", "--type-list", "none.txt", "--type", "1"}, "none.txt"},
      {"no type list for the lists", {"lists", "write", "--type-list", "none.txt", "--type", "1"}, "none.txt"},
      {"an empty fuel table file", {"fuel", "write", "empty.bin"}, "Keine Datei geladen"},
      {"no program image", {"upload", "--hex", "none.h20"}, "none.h20"},
      {"no link map", {"mapfile", "none.map"}, "none.map"},
  };
  for (const Case& c : cases) {
    CliRig rig;
    const QByteArray good = DumpFileText(FormatDump(QByteArray(256, '\x11')));
    QByteArray typo = good;
    typo.replace(typo.indexOf("0020 ") + 5, 2, "G1");
    rig.Write("typo.dat", typo);
    rig.Write("short.dat", good.left(good.lastIndexOf("00F0")));
    QByteArray shifted = good;
    shifted.replace(shifted.indexOf("0010 "), 4, "0011");
    rig.Write("shifted.dat", shifted);
    rig.Write("empty.bin", {});
    const CliRunResult r = rig.Run(c.arguments);
    EXPECT_EQ(r.exit, 3) << c.what << "\n" << Show(r);
    EXPECT_TRUE(r.json["error"].toString().contains(c.message)) << c.what << "\n" << Show(r);
    EXPECT_FALSE(rig.AnythingWritten()) << c.what;
  }
}

TEST(CliFailures, LinesTheCommandsDoNotTakeAreUsageErrors) {
  const std::vector<QStringList> lines = {
      {"bogus"},
      {"ports", "extra"},
      {"ident", "--details"},
      {"ident", "--port", "0"},
      {"ident", "--port", "100"},
      {"ident", "--port", "usbx"},
      {"ident", "--port", "3", "--usb", "0001"},
      {"ident", "--usb", " "},
      {"eeprom"},
      {"eeprom", "read"},
      {"eeprom", "read", "a.dat", "b.dat"},
      {"eeprom", "erase", "a.dat"},
      {"printer", "print", "a.txt"},
      {"options"},
      {"options", "show", "--type", "2"},
      {"options", "write", "--type", "2"},
      {"options", "write", "--type-list", "Typlist.txt", "--type", "0"},
      {"options", "write", "--type-list", "Typlist.txt", "--type", "7"},
      {"options", "write", "--type-list", "Typlist.txt", "--type", "1", "--serial", "KRTC-08"},
      {"lists", "show"},
      {"language", "set", "x"},
      {"language", "set", "9"},
      {"alv", "set"},
      {"alv", "set", "--a", "1"},
      {"alv", "set", "--k1", "21"},
      {"fuel", "erase", "a.bin"},
      {"upload", "--standard", "--emergency"},
      {"upload", "--standard", "--region", "x.bin"},
      {"mapfile"},
  };
  for (const QStringList& line : lines) {
    CliRig rig;
    WriteInputs(rig);
    const CliRunResult r = rig.Run(line);
    EXPECT_EQ(r.exit, 2) << line.join(' ').toStdString() << "\n" << Show(r);
    EXPECT_FALSE(r.json["error"].toString().isEmpty()) << line.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains("Try \"setup720-cli --help\".")) << line.join(' ').toStdString();
    EXPECT_FALSE(rig.AnythingWritten()) << line.join(' ').toStdString();
  }
}

TEST(CliFailures, APortHeldByAnotherProgramIsRefusedAtOnce) {
  const std::vector<QStringList> lines = {
      {"ident"}, {"test"}, {"eeprom", "read", "a.dat"}, {"alv", "show"}, {"language", "show"},
      {"upload", "--hex", "fw/orx720nt.h20"},
  };
  for (const QStringList& line : lines) {
    CliRig rig;
    WriteInputs(rig);
    rig.sim.backend->SetHeld(1, true);
    const int64_t start = rig.sim.pump.NowMs();
    const CliRunResult r = rig.Run(line);
    EXPECT_EQ(r.exit, 1) << line.join(' ').toStdString() << "\n" << Show(r);
    EXPECT_TRUE(r.json["error"].toString().startsWith("Schnittstelle belegt (COM1, sim:COM1)"))
        << line.join(' ').toStdString() << "\n" << Show(r);
    EXPECT_EQ(rig.sim.pump.NowMs(), start) << line.join(' ').toStdString() << ": no time-out was waited for";
    EXPECT_TRUE(rig.sim.instrument.Commands().empty()) << line.join(' ').toStdString();
  }
}
