// Faults of the line under the memory transfers and the firmware upload, end
// to end: setup720-sim behind a real pseudo-terminal, the program's own serial
// backend and event pump, real time. One case = one routine, one fault, one
// step at which it strikes. Each case checks what the routine reports, that
// the port ends closed with ChannelMode 0, how long the call took, that files
// are kept whole, and that the next exchange works again.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include "editors/printer_window.h"
#include "link/comports.h"
#include "link/glb.h"
#include "link/posix_serial.h"
#include "sim_instrument.h"
#include "sim_process.h"
#include "sim_rig.h"
#include "test_support.h"
#include "upload/bootloader.h"
#include "upload/image_files.h"
#include "util/msgtable.h"
#include "util/settings_store.h"

namespace {

constexpr int32_t kCom = 1;

enum class Routine { ReadText, WriteText, ReadFuel, WriteFuel, ReadParams, WriteParams, Upload, Auto };

// Silent..Vanish strike at `step`: after that many command lines answered
// plainly (the upload: the bootloader step of --boot-stop and --boot-garbage,
// or the bytes taken before the line vanishes). The two holders have the port
// open before the routine starts: a second copy of this program (its lock and
// the exclusive mark) or a terminal program (the exclusive mark alone).
enum class Fault { Silent, Garbage, LongLines, Echo, Vanish, HeldByTool, HeldByTerminal };

// What an upload ends with beyond its "Fehler"/"Fertig" line.
constexpr char kNoInstrument[] = "no instrument";   // the connection check failed
constexpr char kPrinterFailed[] = "printer read";   // the backup of the printer texts failed

struct Case {
  Routine routine;
  Fault fault;
  int step;
  bool ok;             // the routine's result
  int good;            // reads: leading blocks that hold the instrument's bytes
  const char* report;  // upload: its last exchange line, or one of the two above
  int waitMs;          // the time-outs the routine must sit out
};

const char* RoutineName(Routine r) {
  switch (r) {
    case Routine::ReadText: return "ReadText";
    case Routine::WriteText: return "WriteText";
    case Routine::ReadFuel: return "ReadFuel";
    case Routine::WriteFuel: return "WriteFuel";
    case Routine::ReadParams: return "ReadParams";
    case Routine::WriteParams: return "WriteParams";
    case Routine::Upload: return "Upload";
    case Routine::Auto: return "AutoUpload";
  }
  return "?";
}

const char* FaultName(Fault f) {
  switch (f) {
    case Fault::Silent: return "Silent";
    case Fault::Garbage: return "Garbage";
    case Fault::LongLines: return "LongLines";
    case Fault::Echo: return "Echo";
    case Fault::Vanish: return "Vanish";
    case Fault::HeldByTool: return "HeldByTool";
    case Fault::HeldByTerminal: return "HeldByTerminal";
  }
  return "?";
}

bool IsHeld(Fault f) { return f == Fault::HeldByTool || f == Fault::HeldByTerminal; }
bool IsRead(Routine r) { return r == Routine::ReadText || r == Routine::ReadFuel || r == Routine::ReadParams; }
bool IsWrite(Routine r) { return r == Routine::WriteText || r == Routine::WriteFuel || r == Routine::WriteParams; }

// Blocks a complete read transfers.
int BlocksOf(Routine r) {
  switch (r) {
    case Routine::ReadText: return 10;
    case Routine::ReadFuel: return 3;    // ReadFuelMemory(32)
    case Routine::ReadParams: return 3;  // ReadParameterBlock(32, 48)
    default: return 0;
  }
}

using R = Routine;
using F = Fault;
constexpr bool kOk = true, kFails = false;

// Command lines, in order (the answer lines each reads in brackets):
//   ReadText    WARTUNG738 (RL20), R001, R002, R101 x 10
//   WriteText   WARTUNG738 (RL20), R001, R002, W104 (RL20 x 2), W103 (RL20 x 2), W101, W102 (x 2)
//   ReadFuel    WARTUNG738 (RL20), WARTUNG738 and R001 (one RL), R002, R101 x 3
//   WriteFuel   as WriteText
//   ReadParams  WARTUNG738 (RL30), R002, R10500 x 3
//   WriteParams WARTUNG738 (RL20), R002, W105, W10600 (x 2), W107
//   AutoUpload  WARTUNG738, R001 (the connection check), the printer read
//               (lines 3..15, as ReadText), W901, then the bootloader
// RL without ticks is RL10. The writes send one block of 16 bytes.
const Case kCases[] = {
    // ---- silent from a step on ----
    {R::ReadText, F::Silent, 0, kFails, 0, nullptr, 2000},
    {R::ReadText, F::Silent, 1, kFails, 0, nullptr, 1000},
    {R::ReadText, F::Silent, 2, kFails, 0, nullptr, 1000},
    {R::ReadText, F::Silent, 3, kFails, 0, nullptr, 1000},
    {R::ReadText, F::Silent, 12, kFails, 9, nullptr, 1000},
    {R::WriteText, F::Silent, 0, kFails, 0, nullptr, 2000},
    {R::WriteText, F::Silent, 1, kFails, 0, nullptr, 1000},
    {R::WriteText, F::Silent, 2, kFails, 0, nullptr, 1000},
    {R::WriteText, F::Silent, 3, kFails, 0, nullptr, 4000},
    {R::WriteText, F::Silent, 4, kFails, 0, nullptr, 4000},
    {R::WriteText, F::Silent, 5, kFails, 0, nullptr, 3000},  // the block is still placed
    {R::WriteText, F::Silent, 6, kFails, 0, nullptr, 2000},
    {R::ReadFuel, F::Silent, 0, kFails, 0, nullptr, 2000},
    {R::ReadFuel, F::Silent, 1, kFails, 0, nullptr, 1000},
    {R::ReadFuel, F::Silent, 3, kFails, 0, nullptr, 1000},
    {R::ReadFuel, F::Silent, 4, kFails, 0, nullptr, 1000},
    {R::ReadFuel, F::Silent, 6, kFails, 2, nullptr, 1000},
    {R::WriteFuel, F::Silent, 0, kFails, 0, nullptr, 2000},
    {R::WriteFuel, F::Silent, 1, kFails, 0, nullptr, 1000},
    {R::WriteFuel, F::Silent, 2, kFails, 0, nullptr, 1000},
    {R::WriteFuel, F::Silent, 3, kFails, 0, nullptr, 4000},
    {R::WriteFuel, F::Silent, 4, kFails, 0, nullptr, 4000},
    {R::WriteFuel, F::Silent, 5, kFails, 0, nullptr, 3000},
    {R::WriteFuel, F::Silent, 6, kFails, 0, nullptr, 2000},
    {R::ReadParams, F::Silent, 0, kFails, 0, nullptr, 3000},
    {R::ReadParams, F::Silent, 1, kFails, 0, nullptr, 1000},
    {R::ReadParams, F::Silent, 2, kFails, 0, nullptr, 1000},
    {R::ReadParams, F::Silent, 4, kFails, 2, nullptr, 1000},
    {R::WriteParams, F::Silent, 0, kFails, 0, nullptr, 2000},
    {R::WriteParams, F::Silent, 1, kFails, 0, nullptr, 1000},
    {R::WriteParams, F::Silent, 2, kFails, 0, nullptr, 4000},
    {R::WriteParams, F::Silent, 3, kFails, 0, nullptr, 3000},
    {R::WriteParams, F::Silent, 4, kFails, 0, nullptr, 1000},
    {R::Upload, F::Silent, 1, kFails, 0, "Fehler 1", 5000},
    {R::Upload, F::Silent, 2, kFails, 0, "Fehler 2", 1000},
    {R::Upload, F::Silent, 3, kFails, 0, "Fehler 3", 1000},
    {R::Upload, F::Silent, 4, kFails, 0, "Fehler 3b", 10000},
    {R::Upload, F::Silent, 5, kFails, 0, "Fehler 4", 1000},
    {R::Upload, F::Silent, 6, kFails, 0, "Fehler 5", 1000},
    {R::Auto, F::Silent, 0, kOk, 0, kNoInstrument, 1000},
    {R::Auto, F::Silent, 1, kOk, 0, kNoInstrument, 1000},
    {R::Auto, F::Silent, 2, kOk, 0, kPrinterFailed, 2000},
    {R::Auto, F::Silent, 7, kOk, 0, kPrinterFailed, 1000},

    // ---- garbage lines (read leniently: no hex digit reads as 0) ----
    {R::ReadText, F::Garbage, 0, kOk, 0, nullptr, 0},
    {R::ReadText, F::Garbage, 5, kOk, 2, nullptr, 0},
    // From W104 on: the version answer chooses the text area, the rest only has to come.
    {R::WriteText, F::Garbage, 3, kOk, 0, nullptr, 0},
    {R::ReadFuel, F::Garbage, 0, kOk, 0, nullptr, 0},
    {R::ReadFuel, F::Garbage, 5, kOk, 1, nullptr, 0},
    {R::WriteFuel, F::Garbage, 0, kOk, 0, nullptr, 0},
    {R::ReadParams, F::Garbage, 0, kOk, 0, nullptr, 0},
    {R::ReadParams, F::Garbage, 3, kOk, 1, nullptr, 0},
    {R::WriteParams, F::Garbage, 0, kOk, 0, nullptr, 0},
    // A wrong byte counts like a missing one; the verdict bytes are not judged.
    {R::Upload, F::Garbage, 1, kFails, 0, "Fehler 1", 0},
    {R::Upload, F::Garbage, 2, kFails, 0, "Fehler 2", 0},
    {R::Upload, F::Garbage, 3, kFails, 0, "Fehler 3", 0},
    {R::Upload, F::Garbage, 4, kFails, 0, "Fehler 3b", 0},
    {R::Upload, F::Garbage, 5, kOk, 0, "Fertig", 0},
    {R::Auto, F::Garbage, 0, kOk, 0, kNoInstrument, 0},

    // ---- over-long lines: the data is at their start ----
    {R::ReadText, F::LongLines, 0, kOk, 10, nullptr, 0},
    {R::WriteText, F::LongLines, 0, kOk, 0, nullptr, 0},
    {R::ReadFuel, F::LongLines, 0, kOk, 3, nullptr, 0},
    {R::WriteFuel, F::LongLines, 0, kOk, 0, nullptr, 0},
    {R::ReadParams, F::LongLines, 0, kOk, 3, nullptr, 0},
    {R::WriteParams, F::LongLines, 0, kOk, 0, nullptr, 0},
    {R::Auto, F::LongLines, 0, kOk, 0, "Fertig", 0},

    // ---- every command echoed, from a step on ----
    {R::ReadText, F::Echo, 0, kFails, 0, nullptr, 0},
    {R::ReadText, F::Echo, 5, kFails, 2, nullptr, 0},
    {R::WriteText, F::Echo, 0, kFails, 0, nullptr, 0},
    {R::WriteText, F::Echo, 5, kFails, 0, nullptr, 0},
    {R::ReadFuel, F::Echo, 0, kFails, 0, nullptr, 0},
    {R::ReadFuel, F::Echo, 5, kFails, 1, nullptr, 0},
    {R::WriteFuel, F::Echo, 0, kFails, 0, nullptr, 0},
    {R::WriteFuel, F::Echo, 5, kFails, 0, nullptr, 0},
    {R::ReadParams, F::Echo, 0, kFails, 0, nullptr, 0},
    {R::ReadParams, F::Echo, 3, kFails, 1, nullptr, 0},
    {R::WriteParams, F::Echo, 0, kFails, 0, nullptr, 0},
    {R::WriteParams, F::Echo, 2, kFails, 0, nullptr, 0},
    {R::Upload, F::Echo, 0, kFails, 0, "Fehler 2", 0},  // the second "Z" comes for the ACK
    {R::Auto, F::Echo, 0, kOk, 0, kNoInstrument, 0},

    // ---- the pseudo-terminal vanishes (upload: after `step` bytes) ----
    {R::ReadText, F::Vanish, 1, kFails, 0, nullptr, 0},
    {R::ReadText, F::Vanish, 3, kFails, 0, nullptr, 0},
    {R::ReadText, F::Vanish, 8, kFails, 5, nullptr, 0},
    {R::ReadText, F::Vanish, 12, kFails, 9, nullptr, 0},
    {R::WriteText, F::Vanish, 1, kFails, 0, nullptr, 0},
    {R::WriteText, F::Vanish, 3, kFails, 0, nullptr, 0},
    {R::WriteText, F::Vanish, 5, kFails, 0, nullptr, 0},
    {R::WriteText, F::Vanish, 6, kFails, 0, nullptr, 0},
    {R::ReadFuel, F::Vanish, 1, kFails, 0, nullptr, 0},
    {R::ReadFuel, F::Vanish, 4, kFails, 0, nullptr, 0},
    {R::ReadFuel, F::Vanish, 6, kFails, 2, nullptr, 0},
    {R::WriteFuel, F::Vanish, 1, kFails, 0, nullptr, 0},
    {R::WriteFuel, F::Vanish, 4, kFails, 0, nullptr, 0},
    {R::WriteFuel, F::Vanish, 6, kFails, 0, nullptr, 0},
    {R::ReadParams, F::Vanish, 1, kFails, 0, nullptr, 0},
    {R::ReadParams, F::Vanish, 3, kFails, 1, nullptr, 0},
    {R::WriteParams, F::Vanish, 2, kFails, 0, nullptr, 0},
    {R::WriteParams, F::Vanish, 3, kFails, 0, nullptr, 0},
    {R::WriteParams, F::Vanish, 4, kFails, 0, nullptr, 0},
    {R::Upload, F::Vanish, 1, kFails, 0, "Fehler 2", 0},
    {R::Upload, F::Vanish, 2, kFails, 0, "Fehler 3", 0},
    {R::Upload, F::Vanish, 3, kFails, 0, "Fehler 3b", 0},    // while erasing
    {R::Upload, F::Vanish, 113, kFails, 0, "Fehler 4", 0},   // after 5 of 20 records
    {R::Upload, F::Vanish, 448, kFails, 0, "Fehler 4", 0},   // inside the end record
    {R::Auto, F::Vanish, 1, kOk, 0, kNoInstrument, 0},
    {R::Auto, F::Vanish, 7, kOk, 0, kPrinterFailed, 0},
    {R::Auto, F::Vanish, 16, kOk, 0, "Fehler 1", 0},  // right after "W901"

    // ---- another program holds the port ----
    {R::ReadText, F::HeldByTool, 0, kFails, 0, nullptr, 2000},
    {R::WriteText, F::HeldByTool, 0, kFails, 0, nullptr, 2000},
    {R::ReadFuel, F::HeldByTool, 0, kFails, 0, nullptr, 2000},
    {R::WriteFuel, F::HeldByTool, 0, kFails, 0, nullptr, 2000},
    {R::ReadParams, F::HeldByTool, 0, kFails, 0, nullptr, 3000},
    {R::WriteParams, F::HeldByTool, 0, kFails, 0, nullptr, 2000},
    {R::Upload, F::HeldByTool, 0, kFails, 0, "Fehler 1", 5000},
    {R::Auto, F::HeldByTool, 0, kOk, 0, kNoInstrument, 1000},
    {R::ReadParams, F::HeldByTerminal, 0, kFails, 0, nullptr, 3000},
    {R::WriteParams, F::HeldByTerminal, 0, kFails, 0, nullptr, 2000},
    {R::Auto, F::HeldByTerminal, 0, kOk, 0, kNoInstrument, 1000},
};

std::string NameOf(const Case& c) {
  return std::string(RoutineName(c.routine)) + "_" + FaultName(c.fault) + "_" + std::to_string(c.step);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return NameOf(info.param); }

void PrintTo(const Case& c, std::ostream* os) { *os << NameOf(c); }

QStringList SimArguments(const Case& c, const QString& home) {
  QStringList a = {"--register", QString::number(kCom), "--home", home, "--erase-ms", "100"};
  const bool boot = c.routine == Routine::Upload;
  if (boot) a << "--bootloader";
  const QString n = QString::number(c.step);
  switch (c.fault) {
    case Fault::Silent: a << (boot ? QStringList{"--boot-stop", n} : QStringList{"--silent", "--fault-after", n}); break;
    case Fault::Garbage: a << (boot ? QStringList{"--boot-garbage", n} : QStringList{"--garbage", "--fault-after", n}); break;
    case Fault::LongLines: a << "--long-lines" << "--fault-after" << n; break;
    case Fault::Echo: a << (boot ? QStringList{"--boot-echo"} : QStringList{"--echo", "--fault-after", n}); break;
    case Fault::Vanish: a << (boot ? "--vanish-after-bytes" : "--vanish-after-lines") << n; break;
    case Fault::HeldByTool:
    case Fault::HeldByTerminal: break;
  }
  return a;
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

QByteArray Pattern(int n, int seed) {
  QByteArray b(n, '\0');
  for (int i = 0; i < n; ++i) b[i] = static_cast<char>((i * 13 + seed) & 0xFF);
  return b;
}

bool LogHas(const std::vector<Text>& lines, const Text& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Another program with the port open, until it lets go.
class PortHolder {
 public:
  PortHolder(const QString& path, bool lock) {
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    holds_ = (!lock || flock(fd_, LOCK_EX | LOCK_NB) == 0) && ioctl(fd_, TIOCEXCL) == 0;
  }
  ~PortHolder() {
    if (fd_ < 0) return;
    (void)ioctl(fd_, TIOCNXCL);
    ::close(fd_);
  }
  PortHolder(const PortHolder&) = delete;
  PortHolder& operator=(const PortHolder&) = delete;
  bool Holds() const { return holds_; }

 private:
  int fd_ = -1;
  bool holds_ = false;
};

class LinesLog : public UploadLog {
 public:
  std::vector<Text> lines;
  void Clear() override { lines.clear(); }
  void AddLine(const Text& line) override { lines.push_back(line); }
};

// The progress window's calls in order: 'p'repare, 's'tep, 'c'lose.
class ProgressTrace : public ProgressSink {
 public:
  std::string calls;
  void Prepare(int32_t) override { calls += 'p'; }
  void Step(int32_t) override { calls += 's'; }
  void Close() override { calls += 'c'; }
};

// 20 program records of 16 bytes and the end record.
UploadList ProgramLines() {
  UploadList lines;
  for (int i = 0; i < 20; ++i) {
    const QByteArray data = Pattern(16, i);
    lines << DataRecord(0x4000 + 16 * i, data.constData());
  }
  lines << Text(kEndRecord);
  return lines;
}

class FaultLine : public ::testing::TestWithParam<Case> {
 protected:
  void TearDown() override {
    ReadPrinterTextsHook = {};
    ChooseRegionHook = {};
    Glb = nullptr;
  }
};

TEST_P(FaultLine, ReportsClosesTheLineAndTheNextExchangeWorks) {
  const Case& c = GetParam();
  SimInstrument seeded;  // the memories every simulator starts with
  TempDir dir;
  const QString ini = dir.File("Setup720.INI");
  auto sim = std::make_unique<SimProcess>(SimArguments(c, dir.Path()));
  ASSERT_TRUE(sim->Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;

  QtEventPump pump;
  auto backend = std::make_unique<PosixSerialBackend>(ComPortMap(ReadPortEntries(ini)));
  PosixSerialBackend* port = backend.get();
  ASSERT_EQ(port->Map().DevicePath(kCom), sim->Path()) << "registered by the simulator";
  TGlb glb(&pump, std::move(backend));
  Glb = &glb;
  glb.ComPort = kCom;
  glb.ProgramDir = dir.Path() + "/";
  glb.DataDir = dir.Path() + "/Daten/";
  QDir().mkpath(glb.DataDir);
  SettingsStore store(dir.File("registry.ini"));
  glb.Registry = &store;
  glb.HexFileDir = dir.Path() + "/";
  glb.HexFileName = kDefaultHexFileName;
  glb.HexFilePath = glb.HexFileDir + glb.HexFileName;
  glb.BinFilePath.clear();  // the program image alone
  glb.UserBinPath = dir.File("Userorx720nt.bin");
  RecordingLog diagnose;
  glb.SetLog(&diagnose);
  ProgressTrace progress;
  glb.Progress = &progress;

  const UploadList program = ProgramLines();
  Text hex;
  for (const Text& line : program) hex += line + "\r\n";
  WriteFile(glb.HexFilePath, hex);
  // The user data image of an earlier printer read.
  const QByteArray oldImage = Pattern(kUserImageSize, 99);
  WriteFile(glb.UserBinPath, oldImage);

  std::unique_ptr<PortHolder> holder;
  if (IsHeld(c.fault)) {
    holder = std::make_unique<PortHolder>(sim->Path(), c.fault == Fault::HeldByTool);
    ASSERT_TRUE(holder->Holds());
  }

  const QByteArray textData = Pattern(16, 1);
  const QByteArray fuelData = Pattern(16, 2);
  const QByteArray paramData = Pattern(16, 3);
  glb.TextMemory.fill(' ');
  glb.FuelMemory.fill(' ');
  QByteArray params(48, '\x55');
  LinesLog log;
  TUploadSequence sequence(&log);
  Boxes::Clear();
  if (c.routine == Routine::Upload) {
    glb.OpenPort(9600, false);  // the emergency variant's start: the bootloader waits
    glb.DiscardInput();
  }
  diagnose.lines.clear();

  bool ok = false;
  QElapsedTimer clock;
  clock.start();
  switch (c.routine) {
    case Routine::ReadText:
      ok = ReadPrinterMemory();  // the read that also saves the user data image
      break;
    case Routine::WriteText:
      glb.TextMemory.replace(0, 16, textData);
      glb.TextMemoryLength = 16;
      ok = glb.WriteTextMemory();
      break;
    case Routine::ReadFuel:
      ok = glb.ReadFuelMemory(32);
      break;
    case Routine::WriteFuel:
      glb.FuelMemory.replace(0, 16, fuelData);
      glb.FuelMemoryLength = 16;
      ok = glb.WriteFuelMemory();
      break;
    case Routine::ReadParams:
      ok = glb.ReadParameterBlock(32, 48, params);
      break;
    case Routine::WriteParams:
      ok = glb.WriteParameterBlock(16, 16, paramData);
      break;
    case Routine::Upload:
      ok = UploadHexLines(program, &log);
      break;
    case Routine::Auto:
      ReadPrinterTextsHook = [] { return ReadPrinterMemory(); };
      ChooseRegionHook = [] { return true; };
      ok = sequence.RunAuto();
      break;
  }
  const qint64 took = clock.elapsed();
  const std::vector<BoxRequest> boxes = Boxes::Shown();

  // The result and the message.
  EXPECT_EQ(ok, c.ok);
  const Text report = c.report ? Text(c.report) : Text();
  const bool failed = c.routine == Routine::Auto ? report != "Fertig" : !c.ok;
  const bool timesOut = c.fault == Fault::Silent || c.fault == Fault::Vanish || IsHeld(c.fault);
  EXPECT_EQ(LogHas(diagnose.lines, "Timeout"), timesOut && failed) << "the Diagnose log";
  const bool noInstrument = report == kNoInstrument;
  const bool openFails = IsHeld(c.fault) && !noInstrument;
  if (openFails) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, BoxKind::Error);
    EXPECT_EQ(boxes[0].message, glb.StrGlobalmsg->Item(1) + Text::number(kCom));
  } else if (noInstrument) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, BoxKind::Info);
    EXPECT_EQ(boxes[0].message, glb.NoInstrumentText());
    // An unanswered identity leaves the status label as it was.
    const bool identityUnanswered =
        (c.fault == Fault::Silent || c.fault == Fault::Vanish) && c.step == 1;
    EXPECT_EQ(glb.StatusText, identityUnanswered ? Text() : glb.NoInstrumentText());
  } else {
    EXPECT_TRUE(boxes.empty()) << boxes.front().message.toStdString();
  }
  if (c.routine == Routine::Upload || c.routine == Routine::Auto) {
    int errors = 0;
    for (const Text& line : log.lines) errors += line.startsWith("Fehler") ? 1 : 0;
    if (noInstrument || report == kPrinterFailed) {
      EXPECT_TRUE(log.lines.empty()) << log.lines.front().toStdString();
    } else {
      ASSERT_FALSE(log.lines.empty());
      EXPECT_EQ(errors, report.startsWith("Fehler") ? 1 : 0);
      EXPECT_TRUE(LogHas(log.lines, report)) << log.lines.back().toStdString();
      if (c.routine == Routine::Upload) {
        EXPECT_EQ(log.lines.back(), report);
      } else {
        ASSERT_GE(log.lines.size(), 3u);
        EXPECT_EQ(log.lines[log.lines.size() - 3], report);
        EXPECT_EQ(log.lines.back(), kPressKeyLine);
      }
    }
    if (c.routine == Routine::Auto) {
      EXPECT_EQ(sequence.Completed, report == "Fertig");
      EXPECT_EQ(glb.PrinterReadFailed, report == kPrinterFailed);
    }
  }

  // The line is given back.
  EXPECT_FALSE(glb.Serial.IsOpen);
  EXPECT_FALSE(glb.Serial.HandleOpen());
  EXPECT_EQ(glb.ChannelMode, 0);
  EXPECT_FALSE(glb.TransferRunning);
  EXPECT_FALSE(glb.TransferBusy);
  if (!progress.calls.empty()) {
    EXPECT_EQ(progress.calls.back(), 'c') << progress.calls;
  }

  // No hang: the time-outs the routine must sit out, and not much more.
  const qint64 lowMs = c.waitMs * 9 / 10 - 50;
  const qint64 highMs = c.waitMs + (c.routine == Routine::Auto ? 4500 : 2500);
  EXPECT_GE(took, lowMs);
  EXPECT_LE(took, highMs);

  // What was read, and the user data image kept whole.
  const bool printerRead = c.routine == Routine::ReadText ||
                           (c.routine == Routine::Auto && !noInstrument);
  const bool printerReadOk = c.routine == Routine::ReadText ? ok : report.startsWith("F");
  if (printerRead && printerReadOk) {
    EXPECT_EQ(ReadFile(glb.UserBinPath), glb.TextMemory.left(kUserImageSize));
    EXPECT_EQ(glb.PrinterReadFailed, false);
  } else {
    EXPECT_EQ(ReadFile(glb.UserBinPath), oldImage) << "the saved printer texts are kept";
  }
  if (c.routine == Routine::Auto && printerReadOk) {
    EXPECT_EQ(glb.TextMemory.left(160), seeded.TextMemory().left(160));
  }
  if (IsRead(c.routine)) {
    const int read = c.ok ? BlocksOf(c.routine) : c.good;
    const int goodBytes = 16 * c.good, readBytes = 16 * read;
    QByteArray got, expected;
    switch (c.routine) {
      case Routine::ReadText:
        EXPECT_EQ(glb.TextMemoryLength, readBytes);
        EXPECT_EQ(glb.PrinterReadFailed, !ok);
        got = glb.TextMemory.left(readBytes + 64);
        expected = seeded.TextMemory().left(goodBytes);
        break;
      case Routine::ReadFuel:
        EXPECT_EQ(glb.FuelMemoryLength, readBytes);
        EXPECT_EQ(glb.FuelMemoryValid, ok);
        got = glb.FuelMemory.left(readBytes + 64);
        expected = seeded.FuelMemory().left(goodBytes);
        break;
      default:
        got = params;
        expected = seeded.ParameterMemory().mid(32, goodBytes);
        break;
    }
    // The instrument's bytes, then what garbage reads as, then what no
    // answer filled: blanks in the images, the old bytes in the caller's buffer.
    expected += QByteArray(readBytes - goodBytes, '\0');
    expected += QByteArray(got.size() - readBytes, c.routine == Routine::ReadParams ? '\x55' : ' ');
    EXPECT_EQ(got.toHex(), expected.toHex());
  }

  // The other program lets go; the vanished line comes back as a new
  // pseudo-terminal under the same COM number; any other fault is switched off.
  holder.reset();
  if (c.fault == Fault::Vanish) {
    ASSERT_TRUE(sim->Ended(3000)) << "the simulator's line did not vanish";
    if (noInstrument || report == kPrinterFailed) {
      EXPECT_TRUE(sim->LogShows("setup720-sim: ended", 2000));
      EXPECT_FALSE(sim->Log().contains("< W901")) << "nothing is sent without the backup";
    }
    sim = std::make_unique<SimProcess>(QStringList{"--register", QString::number(kCom), "--home", dir.Path()});
    ASSERT_TRUE(sim->Path().startsWith("/dev/pts/"));
    port->SetMap(ComPortMap(ReadPortEntries(ini)));
    ASSERT_EQ(port->Map().DevicePath(kCom), sim->Path());
  } else {
    ASSERT_TRUE(sim->SwitchFaultsOff());
  }
  Boxes::Clear();
  QByteArray next(16, '\0');
  EXPECT_TRUE(glb.ReadParameterBlock(0, 16, next)) << "the next exchange";
  EXPECT_EQ(next.toHex(), seeded.ParameterMemory().left(16).toHex());
  EXPECT_FALSE(glb.Serial.IsOpen);
  EXPECT_EQ(glb.ChannelMode, 0);
  EXPECT_TRUE(Boxes::Shown().empty());
  if ((noInstrument || report == kPrinterFailed) && c.fault != Fault::Vanish) {
    ASSERT_TRUE(sim->LogShows("< R1050000", 2000));
    EXPECT_FALSE(sim->Log().contains("< W901")) << "nothing is sent without the backup";
  }
  if (report == "Fertig" && c.routine == Routine::Auto) {
    EXPECT_TRUE(sim->LogShows("bootloader: 21 records received, 0 with a wrong checksum", 2000))
        << sim->Log().toStdString();
  }

  // A write that reported success reached the instrument.
  if (IsWrite(c.routine) && ok) {
    QByteArray back(16, '\0');
    switch (c.routine) {
      case Routine::WriteText:
        ASSERT_TRUE(glb.ReadTextMemory());
        back = glb.TextMemory.left(16);
        EXPECT_EQ(back.toHex(), textData.toHex());
        break;
      case Routine::WriteFuel:
        ASSERT_TRUE(glb.ReadFuelMemory(16));
        back = glb.FuelMemory.left(16);
        EXPECT_EQ(back.toHex(), fuelData.toHex());
        break;
      default:
        ASSERT_TRUE(glb.ReadParameterBlock(16, 16, back));
        EXPECT_EQ(back.toHex(), paramData.toHex());
        break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FaultLine, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
