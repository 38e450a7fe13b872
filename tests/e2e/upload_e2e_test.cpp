// A firmware upload (the "Programm laden" button's sequence) against
// setup720-sim over a real pseudo-terminal, in real time, through the
// program's own serial backend.
#include <signal.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include "link/glb.h"
#include "link/posix_serial.h"
#include "test_support.h"
#include "upload/bootloader.h"
#include "util/settings_store.h"
#include "sim_process.h"

namespace {

class LinesLog : public UploadLog {
 public:
  std::vector<Text> lines;
  void Clear() override { lines.clear(); }
  void AddLine(const Text& line) override { lines.push_back(line); }
};

void WriteFile(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_EQ(file.write(data), data.size());
}

}  // namespace

class UploadE2E : public ::testing::TestWithParam<bool> {};

TEST_P(UploadE2E, AutoUploadThroughTheBootloaderOverAPseudoTerminal) {
  // Paced: the bytes move at the line rate both ways, as on a real cable.
  QStringList arguments = {"--erase-ms", "300"};
  if (GetParam()) arguments << "--paced";
  SimProcess sim(arguments);
  ASSERT_TRUE(sim.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;

  TempDir dir;
  QtEventPump pump;
  TGlb glb(&pump, std::make_unique<PosixSerialBackend>(ComPortMap({{1, sim.Path()}})));
  Glb = &glb;
  glb.ComPort = 1;
  glb.ProgramDir = dir.Path() + "/";
  glb.DataDir = dir.Path() + "/Daten/";
  QDir().mkpath(glb.DataDir);
  SettingsStore store(dir.File("registry.ini"));
  glb.Registry = &store;
  glb.HexFileDir = dir.Path() + "/";
  glb.HexFileName = "orx720nt.h20";
  glb.HexFilePath = glb.HexFileDir + glb.HexFileName;
  const CompanionPaths paths = CompanionPathsFor(glb.HexFileDir, glb.HexFileName);
  glb.BinFilePath = paths.BinFilePath;
  glb.UserBinPath = paths.UserBinPath;

  // Program: 40 records and the end record; data set: 3 records; printer texts: 1.
  Text hex;
  for (int i = 0; i < 40; ++i) {
    QByteArray data(16, '\0');
    for (int k = 0; k < 16; ++k) data[k] = static_cast<char>(i * 16 + k);
    hex += DataRecord(0x4000 + i * 16, data.constData()) + "\r\n";
  }
  hex += ":00000001FF\r\n";
  WriteFile(glb.HexFilePath, hex);
  WriteFile(glb.BinFilePath, QByteArray(48, '\x5A'));
  WriteFile(glb.UserBinPath, QByteArray(16, 'T'));
  ReadPrinterTextsHook = [] { return true; };

  LinesLog log;
  TUploadSequence sequence(&log);
  ASSERT_TRUE(sequence.RunAuto());
  ReadPrinterTextsHook = {};
  Glb = nullptr;

  ASSERT_GE(log.lines.size(), 4u);
  EXPECT_EQ(log.lines[0], "orx720nt.h20 : 41 Zeilen geladen");
  EXPECT_EQ(log.lines[1], "orx720nt.bin : 4 Zeilen geladen");
  EXPECT_EQ(log.lines[log.lines.size() - 3], "Fertig");
  EXPECT_EQ(log.lines.back(), kPressKeyLine);
  EXPECT_FALSE(glb.Serial.IsOpen);
  EXPECT_EQ(glb.ChannelMode, 0);
  // 40 program records, 3 data set records, 1 printer text record, the end record.
  EXPECT_TRUE(sim.LogShows("bootloader: 45 records received, 0 with a wrong checksum", 3000))
      << sim.Log().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Lines, UploadE2E, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Paced" : "Instant"; });
