// The bootloader exchange and the start variants against the in-process
// instrument, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "sim_rig.h"
#include "test_support.h"
#include "upload/bootloader.h"
#include "util/helpers.h"
#include "util/settings_store.h"

namespace {

class RecordingUploadLog : public UploadLog {
 public:
  std::vector<Text> lines;
  int clears = 0;
  void Clear() override {
    lines.clear();
    ++clears;
  }
  void AddLine(const Text& line) override { lines.push_back(line); }
};

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

// The binary form the bootloader received, rebuilt from its decoded record.
QByteArray Binary(const SimRecord& r) {
  QByteArray b(1, ':');
  b.append(static_cast<char>(r.count));
  b.append(static_cast<char>(r.address >> 8));
  b.append(static_cast<char>(r.address & 0xFF));
  b.append(static_cast<char>(r.type));
  b.append(r.data);
  b.append(static_cast<char>(r.checksum));
  return b;
}

std::vector<QByteArray> Received(const SimInstrument& instrument) {
  std::vector<QByteArray> out;
  for (const SimRecord& r : instrument.Records()) out.push_back(Binary(r));
  return out;
}

std::vector<QByteArray> BinariesOf(const UploadList& lines) {
  std::vector<QByteArray> out;
  for (const Text& line : lines)
    if (HasText(line)) out.push_back(RecordBinary(line));
  return out;
}

bool Sent(const SimInstrument& instrument, const Text& command) {
  const auto& c = instrument.Commands();
  return std::find(c.begin(), c.end(), command) != c.end();
}

// The program image: two records, a blank line, a line of blanks, the end record.
UploadList ProgramLines() {
  const QByteArray a = Pattern(16, 1), b = Pattern(16, 2);
  return {DataRecord(0x1000, a.constData()), "", DataRecord(0x1010, b.constData()), "   ",
          kEndRecord};
}

// A SimRig with the firmware files of one release in a temporary folder.
struct Bench {
  explicit Bench(SimOptions options = {}) : rig(std::move(options)), sequence(&log) {
    Glb = rig.glb.get();
    TGlb& g = *rig.glb;
    g.ProgramDir = dir.Path() + "/";
    g.DataDir = dir.Path() + "/Daten/";
    QDir().mkpath(g.DataDir);
    QDir().mkpath(dir.Path() + "/fw");
    store = std::make_unique<SettingsStore>(dir.File("registry.ini"));
    g.Registry = store.get();
    SetImage("orx720nt.h20");
    Text hex;
    for (const Text& line : ProgramLines()) hex += line + "\r\n";
    WriteFile(g.HexFilePath, hex);
    WriteFile(g.BinFilePath, QByteArray(20, '\0'));
    ReadPrinterTextsHook = [this] {
      ++printerReads;
      return true;
    };
    Boxes::Clear();
    Modals::Clear();
  }
  ~Bench() {
    ReadPrinterTextsHook = {};
    Glb = nullptr;
  }
  void SetImage(const QString& name) {
    TGlb& g = *rig.glb;
    g.HexFileDir = dir.Path() + "/fw/";
    g.HexFileName = name;
    g.HexFilePath = g.HexFileDir + name;
    const CompanionPaths p = CompanionPathsFor(g.HexFileDir, name);
    g.BinFilePath = p.BinFilePath;
    g.UserBinPath = p.UserBinPath;
  }
  TGlb& g() { return *rig.glb; }

  TempDir dir;
  SimRig rig;
  std::unique_ptr<SettingsStore> store;
  RecordingUploadLog log;
  TUploadSequence sequence;
  int printerReads = 0;
};

// portClosed false: the port stays as the connection check left it.
void ExpectClosedAfter(Bench& b, bool portClosed = true) {
  if (portClosed) {
    EXPECT_FALSE(b.g().Serial.IsOpen);
    EXPECT_FALSE(b.g().Serial.HandleOpen());
  }
  EXPECT_EQ(b.g().ChannelMode, 0);
  EXPECT_FALSE(b.g().TransferBusy);
  EXPECT_FALSE(UploadRunning());
}

}  // namespace

TEST(Bootloader, AutoUploadSendsTheMergedListAndEndsClosed) {
  Bench b;
  ASSERT_TRUE(b.sequence.RunAuto());

  // Program lines but the last, the two data set records, the end record.
  UploadList expected = ProgramLines();
  expected.removeLast();
  const QByteArray zeros(16, '\0');
  QByteArray tail(16, '\xFF');
  tail.replace(0, 4, QByteArray(4, '\0'));
  expected << DataRecord(0x0000, zeros.constData()) << DataRecord(0x0010, tail.constData())
           << kEndRecord;
  EXPECT_EQ(b.sequence.Lines, expected);
  EXPECT_EQ(Received(b.rig.instrument), BinariesOf(expected));
  EXPECT_TRUE(b.rig.instrument.UploadComplete());
  for (const SimRecord& r : b.rig.instrument.Records()) EXPECT_TRUE(r.checksumOk);

  ASSERT_EQ(b.log.lines.size(), 8u);
  const std::vector<Text> head(b.log.lines.begin(), b.log.lines.begin() + 6);
  EXPECT_EQ(head, (std::vector<Text>{"orx720nt.h20 : 5 Zeilen geladen",
                                     "orx720nt.bin : 2 Zeilen geladen", "Initialisierung OK",
                                     "Speicher gel\xF6scht", "7 Zeilen gesendet", "Fertig"}));
  EXPECT_TRUE(QRegularExpression("^00:00:0\\d$").match(ToQt(b.log.lines[6])).hasMatch())
      << b.log.lines[6].toStdString();
  EXPECT_EQ(b.log.lines[7], kPressKeyLine);

  EXPECT_EQ(b.printerReads, 1);
  EXPECT_TRUE(Sent(b.rig.instrument, "W901"));
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_TRUE(Modals::Shown().empty());  // one candidate data set: nothing to choose
  ExpectClosedAfter(b);
  // Left at the bootloader's rate; the next opening starts at 9600 again.
  EXPECT_EQ(b.rig.backend->LastSettings().baudRate, kBootBaud);
  EXPECT_EQ(b.rig.progress.maximum, 7);
  EXPECT_EQ(b.rig.progress.steps, (std::vector<int32_t>{1, 0, 7}));
  EXPECT_GE(b.rig.progress.closes, 1);
  EXPECT_TRUE(QFile::exists(b.g().DataDir + "check.h20"));
}

TEST(Bootloader, ProgressEveryTenLinesAndTheBaudSwitchAfterTheAck) {
  SimOptions o;
  o.startInBootloader = true;
  Bench b(o);
  UploadList lines;
  for (int i = 0; i < 25; ++i) {
    const QByteArray data = Pattern(16, i);
    lines << DataRecord(i * 16, data.constData());
  }
  lines << kEndRecord;
  b.g().OpenPort(9600, false);
  EXPECT_TRUE(UploadHexLines(lines, &b.log));
  EXPECT_EQ(b.rig.progress.steps, (std::vector<int32_t>{1, 0, 10, 20, 26}));
  EXPECT_EQ(b.rig.instrument.MisBaudBytes(), 0);
  // 9600 for "Z" and ACK, then 57600 for "0" and the records.
  const QByteArray written = b.rig.backend->Written();
  ASSERT_GE(written.size(), 3);
  EXPECT_EQ(written.left(3), QByteArray("Z\x06" "0"));
  const auto& applied = b.rig.backend->AppliedSettings();
  ASSERT_FALSE(applied.empty());
  EXPECT_EQ(applied.back().baudRate, kBootBaud);
  ExpectClosedAfter(b);
}

TEST(Bootloader, EveryStepTheBootloaderStopsAtHasItsMessageAndTime) {
  struct Case {
    int32_t stopStep;
    int32_t eraseMs;
    std::vector<Text> log;
    int64_t minMs, maxMs;  // the exchange's duration
  };
  const Text init = "Initialisierung OK", erased = "Speicher gel\xF6scht", sent = "3 Zeilen gesendet";
  const std::vector<Case> cases = {
      {1, 1500, {"Fehler 1"}, 4900, 5200},
      {2, 1500, {"Fehler 2"}, 900, 1200},
      {3, 1500, {"Fehler 3"}, 900, 1200},
      {4, 1500, {init, "Fehler 3b"}, 9900, 10200},
      {5, 1500, {init, erased, sent, "Fehler 4"}, 2400, 2800},
      {6, 1500, {init, erased, sent, "Fehler 5"}, 2400, 2800},
      {0, 9000, {init, erased, sent, "Fertig"}, 9000, 9300},  // erasing within the 10 s
      {0, 10500, {init, "Fehler 3b"}, 9900, 10200},            // and beyond them
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stopStep * 100000 + c.eraseMs);
    SimOptions o;
    o.startInBootloader = true;
    o.bootStopStep = c.stopStep;
    o.eraseMs = c.eraseMs;
    Bench b(o);
    b.g().OpenPort(9600, false);
    const UploadList lines = {":00000001FF", "", ":00000001FF"};
    const int64_t start = b.rig.pump.NowMs();
    EXPECT_EQ(UploadHexLines(lines, &b.log), c.log.back() == "Fertig");
    const int64_t took = b.rig.pump.NowMs() - start;
    EXPECT_EQ(b.log.lines, c.log);
    EXPECT_GE(took, c.minMs);
    EXPECT_LE(took, c.maxMs);
    EXPECT_EQ(b.rig.progress.closes, 1);
    ExpectClosedAfter(b);
  }
}

TEST(Bootloader, AnyTwoVerdictBytesAreFertig) {
  SimOptions o;
  o.startInBootloader = true;
  Bench b(o);
  // The bootloader's verdicts say "bad checksum" and more: values are not judged.
  auto deliver = b.rig.instrument.output;
  b.rig.instrument.output = [deliver](const QByteArray& bytes) {
    deliver(bytes.size() == 2 ? QByteArray("\xEE\x13") : bytes);
  };
  b.g().OpenPort(9600, false);
  const UploadList lines = {":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF01", ":00000001FF"};
  EXPECT_TRUE(UploadHexLines(lines, &b.log));
  EXPECT_EQ(b.log.lines.back(), "Fertig");
  ASSERT_EQ(b.rig.instrument.Records().size(), 2u);
  EXPECT_FALSE(b.rig.instrument.Records()[0].checksumOk);
}

// A USB bridge that stays at 9600 whatever it is asked.
class PinnedBaud : public SerialBackend {
 public:
  explicit PinnedBaud(std::unique_ptr<SimSerialBackend> inner) : inner_(std::move(inner)) {}
  SimSerialBackend* Inner() { return inner_.get(); }
  bool Open(int32_t port) override { return inner_->Open(port); }
  bool IsHandleOpen() const override { return inner_->IsHandleOpen(); }
  bool Apply(const LineSettings& settings) override {
    LineSettings s = settings;
    s.baudRate = 9600;
    return inner_->Apply(s);
  }
  void Close() override { inner_->Close(); }
  int32_t Write(const char* data, int32_t count) override { return inner_->Write(data, count); }
  int32_t Read(char* data, int32_t count) override { return inner_->Read(data, count); }
  int32_t InQueue() override { return inner_->InQueue(); }
  int32_t OutQueue() override { return inner_->OutQueue(); }
  void SetQueueSizes(int32_t in, int32_t out) override { inner_->SetQueueSizes(in, out); }
  bool CanOpen(int32_t port) override { return inner_->CanOpen(port); }
  bool HasDefaultConfig(int32_t port) override { return inner_->HasDefaultConfig(port); }
  QString DeviceName(int32_t port) const override { return inner_->DeviceName(port); }

 private:
  std::unique_ptr<SimSerialBackend> inner_;
};

TEST(Bootloader, AHostThatDoesNotSwitchToTheBootRateGetsFehler3) {
  VirtualPump pump;
  SimOptions o;
  o.startInBootloader = true;
  SimInstrument instrument(o);
  instrument.SetClock(pump.Clock());
  auto pinned = std::make_unique<PinnedBaud>(std::make_unique<SimSerialBackend>(instrument, pump.Clock()));
  SimSerialBackend* inner = pinned->Inner();
  pump.Attach(inner);
  {
    TGlb glb(&pump, std::move(pinned));
    Glb = &glb;
    RecordingUploadLog log;
    glb.OpenPort(9600, false);
    EXPECT_FALSE(UploadHexLines({":00000001FF"}, &log));
    EXPECT_EQ(log.lines, std::vector<Text>{"Fehler 3"});
    EXPECT_GT(instrument.MisBaudBytes(), 0);  // the "0" came at the wrong rate
    EXPECT_FALSE(glb.Serial.IsOpen);
    EXPECT_EQ(glb.ChannelMode, 0);
    Glb = nullptr;
  }
  pump.Detach(inner);
}

TEST(Bootloader, EmergencyWithoutABootloaderFailsAfterFiveSecondsAndAsksForTheKey) {
  Bench b;  // the instrument runs its program: nobody answers "Z"
  const int64_t start = b.rig.pump.NowMs();
  ASSERT_TRUE(b.sequence.RunEmergency());
  EXPECT_GE(b.rig.pump.NowMs() - start, 5000);
  EXPECT_EQ(b.log.lines, (std::vector<Text>{"orx720nt.h20 : 5 Zeilen geladen",
                                            "orx720nt.bin : 2 Zeilen geladen", "Fehler 1",
                                            kPressKeyLine}));
  EXPECT_EQ(b.printerReads, 0);  // no backup, no connection check, no "W901"
  EXPECT_FALSE(Sent(b.rig.instrument, "W901"));
  EXPECT_FALSE(Sent(b.rig.instrument, "WARTUNG738"));
  ExpectClosedAfter(b);
}

TEST(Bootloader, EmergencyUploadsIntoAWaitingBootloader) {
  SimOptions o;
  o.startInBootloader = true;
  Bench b(o);
  ASSERT_TRUE(b.sequence.RunEmergency());
  EXPECT_EQ(b.log.lines.back(), kPressKeyLine);
  EXPECT_EQ(b.log.lines[b.log.lines.size() - 2], "Fertig");
  EXPECT_EQ(Received(b.rig.instrument), BinariesOf(b.sequence.Lines));
  EXPECT_FALSE(b.g().EmergencyMode);  // only the standard emergency variant sets it
}

TEST(Bootloader, StandardVariantsSendTheEstdDataSet) {
  struct Case {
    const char* name;
    bool (TUploadSequence::*run)();
    bool inBootloader;
    bool emergency;
  };
  const Case cases[] = {{"Standard", &TUploadSequence::RunStandard, false, false},
                        {"EmergencyStandard", &TUploadSequence::RunEmergencyStandard, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimOptions o;
    o.startInBootloader = c.inBootloader;
    Bench b(o);
    const QString estd = b.g().HexFileDir + "ORX720NT_ESTD.bin";
    const QByteArray standard = Pattern(16, 9);
    WriteFile(estd, standard);
    ASSERT_TRUE((b.sequence.*c.run)());
    EXPECT_EQ(b.log.lines[1], "ORX720NT_ESTD.bin : 1 Zeilen geladen");
    const auto& records = b.rig.instrument.Records();
    ASSERT_EQ(records.size(), 4u);  // two program records, the data set record, the end
    EXPECT_EQ(records[2].address, 0);
    EXPECT_EQ(records[2].data, standard);
    EXPECT_TRUE(b.rig.instrument.UploadComplete());
    EXPECT_EQ(b.g().BinFilePath, estd);  // until the image is applied again
    EXPECT_EQ(b.g().EmergencyMode, c.emergency);
    EXPECT_TRUE(Modals::Shown().empty());  // no region choice
    EXPECT_EQ(b.printerReads, c.emergency ? 0 : 1);
    ExpectClosedAfter(b);
  }
}

TEST(Bootloader, FileErrorsSendNothingAndReleaseThePort) {
  struct Case {
    const char* name;
    bool removeImage;
    std::function<std::vector<Text>(TGlb&)> log;  // before the elapsed time
  };
  const std::vector<Case> cases = {
      {"image", true, [](TGlb& g) { return std::vector<Text>{"Error in data! " + FromQt(g.HexFilePath)}; }},
      {"data set", false,
       [](TGlb& g) {
         return std::vector<Text>{"orx720nt.h20 : 5 Zeilen geladen",
                                  "Error in Data! " + FromQt(g.BinFilePath),
                                  "orx720nt.bin : 0 Zeilen geladen", "Error in data!"};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    QFile::remove(c.removeImage ? b.g().HexFilePath : b.g().BinFilePath);
    ASSERT_TRUE(b.sequence.RunAuto());
    const std::vector<Text> expected = c.log(b.g());
    ASSERT_EQ(b.log.lines.size(), expected.size() + 1);  // and the elapsed time, no key line
    EXPECT_EQ(std::vector<Text>(b.log.lines.begin(), b.log.lines.end() - 1), expected);
    EXPECT_TRUE(b.sequence.UploadError);
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
    EXPECT_TRUE(Boxes::Shown()[0].message.endsWith("!!"));
    EXPECT_TRUE(b.rig.instrument.Records().empty());
    EXPECT_EQ(b.rig.backend->Written().count('Z'), 0);
    ExpectClosedAfter(b);
  }
}

TEST(Bootloader, NormalUploadsStopBeforeTheBootloaderWhenAPreconditionFails) {
  struct Case {
    const char* name;
    std::function<void(Bench&)> arrange;
    bool box;
    int clears;
  };
  const std::vector<Case> cases = {
      {"no instrument", [](Bench& b) { b.rig.instrument.Options().silent = true; }, true, 0},
      {"printer read failed",
       [](Bench& b) {
         ReadPrinterTextsHook = [&b] {
           b.g().PrinterReadFailed = true;
           return false;
         };
       },
       false, 1},
      {"no printer backup", [](Bench&) { ReadPrinterTextsHook = {}; }, false, 1},
      {"region cancelled",
       [](Bench& b) {
         WriteFile(b.g().HexFileDir + "orx720nt_gb.bin", QByteArray(20, '\0'));
         Modals::OnNext([](QDialog* d) { d->reject(); });
       },
       false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    c.arrange(b);
    b.log.lines.push_back("old line");
    ASSERT_TRUE(b.sequence.RunAuto());
    EXPECT_EQ(b.log.clears, c.clears);
    EXPECT_EQ(b.log.lines.empty(), c.clears > 0);
    EXPECT_EQ(Boxes::Shown().size(), c.box ? 1u : 0u);
    if (c.box) {
      EXPECT_EQ(Boxes::Shown()[0].message, b.g().NoInstrumentText());
    }
    EXPECT_FALSE(Sent(b.rig.instrument, "W901"));
    EXPECT_FALSE(b.rig.instrument.InBootloader());
    ExpectClosedAfter(b, !c.box);
  }
}

TEST(Bootloader, ASecondStartWhileOneRunsIsRefused) {
  Bench b;
  std::vector<bool> second;
  // Clicks handled inside the waits: during the printer backup, during the erase.
  for (int64_t at : {0, 2500})
    b.rig.pump.At(b.rig.pump.NowMs() + at, [&] {
      second.push_back(b.sequence.RunAuto());
      second.push_back(b.sequence.RunEmergency());
      second.push_back(UploadHexLines({":00000001FF"}, &b.log));
    });
  ReadPrinterTextsHook = [&] {
    b.g().Delay(500);
    return true;
  };
  ASSERT_TRUE(b.sequence.RunAuto());
  EXPECT_EQ(second, std::vector<bool>(6, false));
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 1);
  EXPECT_EQ(std::count(b.log.lines.begin(), b.log.lines.end(), Text("Fertig")), 1);
  ExpectClosedAfter(b);
  // Another editor transferring also keeps an upload from starting.
  b.g().TransferBusy = true;
  EXPECT_FALSE(b.sequence.RunAuto());
  b.g().TransferBusy = false;
}

TEST(Bootloader, TheElapsedTimeCountsFromBeforeThePrinterBackup) {
  Bench b;
  ReadPrinterTextsHook = [&] {
    b.g().Delay(65000);
    return true;
  };
  ASSERT_TRUE(b.sequence.RunAuto());
  ASSERT_GE(b.log.lines.size(), 2u);
  EXPECT_TRUE(QRegularExpression("^00:01:0[5-9]$").match(ToQt(b.log.lines[b.log.lines.size() - 2])).hasMatch())
      << b.log.lines[b.log.lines.size() - 2].toStdString();
}
