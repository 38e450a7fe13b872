// The production-line example script of the README, run as it is against
// setup720-sim: the whole station in one go, then the same station with an
// instrument that does not answer.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include "cli_process.h"
#include "editors/eeprom_dump.h"
#include "editors/option_transfer.h"
#include "editors/records.h"
#include "editors/type_list.h"
#include "sim_instrument.h"
#include "sim_process.h"
#include "test_support.h"
#include "upload/image_files.h"

namespace {

const QString kScript = SETUP720_SOURCE_DIR "/tools/cli/production-line.sh";
constexpr int kType = 2;

// The station's files: program image and data set, type list, printer
// texts, and the dump the instrument must hold at the end: the memory it
// came with, its serial number kept, type 2 applied.
void WriteStationFiles(const TempDir& dir) {
  QDir().mkpath(dir.File("fw"));
  Text hex;
  for (int i = 0; i < 3; ++i) {
    QByteArray data(16, '\0');
    for (int k = 0; k < 16; ++k) data[k] = static_cast<char>(i * 16 + k);
    hex += DataRecord(0x4000 + i * 16, data.constData()) + "\r\n";
  }
  ASSERT_TRUE(WriteFile(dir.File("fw/orx720nt.h20"), hex + ":00000001FF\r\n"));
  ASSERT_TRUE(WriteFile(dir.File("fw/orx720nt.bin"), QByteArray(48, '\x5A')));
  ASSERT_TRUE(WriteFile(dir.File("Typlist.txt"), TypeLine("ORX 720 Basis", "1100000000000000000000000000001", 3, 4) +
                                                     "\r\n" + TypeLine("ORX 720 Plus", "1111", 2, 2) + "\r\n"));
  ASSERT_TRUE(WriteFile(dir.File("printer.txt"),
                        "Heizung Muster GmbH\r\nMusterweg 1\r\n12345 Musterstadt\r\n\r\nVielen Dank\r\n"));

  QByteArray expected = SimInstrument().ParameterMemory();
  TTypeList list;
  ASSERT_EQ(list.Load(dir.File("Typlist.txt")), TTypeList::LoadStatus::Loaded);
  const int32_t serial = OptionRecord::FromBytes(expected.mid(OptionRecord::kAddress, OptionRecord::kSize)).SerialNumber;
  const OptionRecords records = MakeOptionRecords(serial, kType, TypeContent(list, kType));
  expected.replace(OptionRecord::kAddress, OptionRecord::kSize, records.Option.ToBytes());
  expected.replace(ListRecord::kAddress, ListRecord::kSize, records.Lists.ToBytes());
  ASSERT_EQ(static_cast<uint8_t>(expected[OptionRecord::kAddress + 4]), kType);
  ASSERT_EQ(static_cast<uint8_t>(expected[OptionRecord::kAddress + 5]), 0xF0) << "options 1..4 of \"1111\"";
  ASSERT_TRUE(WriteFile(dir.File("reference.dat"), DumpFileText(FormatDump(expected))));
}

CliResult RunStation(const TempDir& dir) {
  return CliProcess(dir.Path(), "/bin/sh",
                    {kScript, "fw/orx720nt.h20", "Typlist.txt", QString::number(kType), "printer.txt", "reference.dat"})
      .Finish();
}

}  // namespace

TEST(CliProductionLine, TheExampleScriptTakesAnInstrumentThroughTheStation) {
  TempDir dir;
  SimProcess sim({"--register", "1", "--home", dir.Path(), "--erase-ms", "300"});
  ASSERT_TRUE(sim.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;
  WriteStationFiles(dir);

  const CliResult station = RunStation(dir);
  ASSERT_EQ(station.code, 0) << Show(station);
  EXPECT_TRUE(station.err.contains("done: COM1\tORX 720 V3.21")) << Show(station);

  // What the instrument received: a complete upload with sound records ...
  EXPECT_TRUE(sim.LogShows("records received, 0 with a wrong checksum", 3000)) << sim.Log().toStdString();
  // ... the device type ...
  const QJsonObject options = RunCli(dir.Path(), {"--json", "options", "show"}).Json();
  EXPECT_EQ(options["type"], kType) << QJsonDocument(options).toJson().toStdString();
  const QJsonArray bits = options["bits"].toArray();
  ASSERT_EQ(bits.size(), 31);
  for (int bit = 0; bit < 31; ++bit)
    EXPECT_EQ(bits[bit].toObject()["set"], bit < 4) << "option " << bit + 1;
  // ... and the printer texts.
  const QJsonObject printer = RunCli(dir.Path(), {"--json", "printer", "read", "back.txt"}).Json();
  EXPECT_EQ(printer["lines"], (QJsonArray{"Heizung Muster GmbH", "Musterweg 1", "12345 Musterstadt", "",
                                          "Vielen Dank", ""}))
      << QJsonDocument(printer).toJson().toStdString();
}

TEST(CliProductionLine, AnInstrumentThatDoesNotAnswerStopsTheStation) {
  TempDir dir;
  SimProcess sim({"--register", "1", "--home", dir.Path(), "--silent"});
  ASSERT_TRUE(sim.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;
  WriteStationFiles(dir);

  const CliResult station = RunStation(dir);
  EXPECT_EQ(station.code, 1) << Show(station);
  EXPECT_TRUE(station.err.contains(QString::fromUtf8("Kein Ger\u00e4t gefunden !"))) << Show(station);
  EXPECT_FALSE(sim.LogShows("< W1", 300)) << "nothing was written\n" << sim.Log().toStdString();
}
