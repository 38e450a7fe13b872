#include "bootloader.h"

#include <algorithm>

#include <QFileInfo>
#include <QTime>

#include "link/glb.h"
#include "util/helpers.h"
#include "util/msgbox.h"
#include "util/msgtable.h"
#include "upload/region_window.h"

std::function<bool()> ReadPrinterTextsHook;
std::function<bool()> ChooseRegionHook;

namespace {

// StrGlobalmsg entries of the exchange.
enum : int {
  kError1 = 2,
  kError2 = 3,
  kError3 = 4,
  kInitOk = 5,
  kError3b = 6,
  kErased = 7,
  kLinesSent = 8,
  kError4 = 9,
  kError5 = 10,
  kDone = 11,
};

constexpr uint8_t kStartByte = 0x5A;  // "Z"
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kBaudByte = 0x30;  // "0"
constexpr uint8_t kErasedByte = 0xC1;

// Waits in ticks of 100 ms.
constexpr int32_t kStartTicks = 50;
constexpr int32_t kAnswerTicks = 10;
constexpr int32_t kEraseTicks = 100;

bool g_sequenceRunning = false;  // a start variant runs
bool g_exchangeRunning = false;  // UploadHexLines runs

// Sets a flag for the length of a scope.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

// While the port is the bootloader's: editors refuse to close and block
// transfers started from other windows are refused, since they would reopen
// the port at 9600 in the middle of the exchange.
class PortScope {
 public:
  explicit PortScope(TGlb& glb)
      : glb_(glb), busy_(glb.TransferBusy), running_(glb.TransferRunning) {
    glb_.TransferBusy = true;
    glb_.TransferRunning = true;
  }
  ~PortScope() {
    glb_.TransferBusy = busy_;
    glb_.TransferRunning = running_;
  }
  PortScope(const PortScope&) = delete;
  PortScope& operator=(const PortScope&) = delete;

 private:
  TGlb& glb_;
  bool busy_;
  bool running_;
};

Text FileNameOf(const QString& path) { return FromQt(QFileInfo(path).fileName()); }

bool ChooseRegion() { return ChooseRegionHook ? ChooseRegionHook() : FormRegion()->ChooseRegion(); }

// The closing step of a normal upload that sent nothing: the port opened for
// "W901" is not left held.
void ReleasePortIfUnused(TGlb& glb) {
  if (glb.Serial.IsOpen || glb.Serial.HandleOpen()) glb.ClosePort(false);
}

// Time of day text of a duration: 65 s give 00:01:05.
Text ElapsedText(int64_t ms) {
  constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;
  const int64_t inDay = ((ms % kDayMs) + kDayMs) % kDayMs;
  return FromQt(QTime::fromMSecsSinceStartOfDay(static_cast<int>(inDay)).toString("HH:mm:ss"));
}

// Steps 3..13 of the exchange; false at the first missing answer.
bool Exchange(TGlb& g, const UploadList& lines, UploadLog* log) {
  auto add = [&](int index) {
    if (log) log->AddLine(g.StrGlobalmsg->Item(index));
  };
  auto answered = [&](int32_t ticks, uint8_t expected) {
    return g.ReceiveByte(ticks) && g.LastByte == expected;
  };

  g.Serial.WriteByte(kStartByte);
  g.WaitSendDone();
  if (!answered(kStartTicks, kStartByte)) {
    add(kError1);
    return false;
  }
  g.Serial.WriteByte(kAck);
  if (!answered(kAnswerTicks, kAck)) {
    add(kError2);
    return false;
  }
  // The ACK must have left at 9600 before the line changes speed.
  g.WaitSendDone();
  g.Serial.BaudRate = kBootBaud;
  g.Serial.Configure();
  g.Serial.WriteByte(kBaudByte);
  g.WaitSendDone();
  if (!answered(kAnswerTicks, kBaudByte)) {
    add(kError3);
    return false;
  }
  add(kInitOk);
  if (!answered(kEraseTicks, kErasedByte)) {
    add(kError3b);
    return false;
  }
  add(kErased);

  const auto count = static_cast<int32_t>(std::min<qsizetype>(lines.size(), INT32_MAX));
  if (g.Progress) g.Progress->Prepare(count);
  for (int32_t i = 0; i < count; ++i) {
    if (i % 10 == 0 && g.Progress) g.Progress->Step(i);
    const Text& line = lines[i];
    if (!HasText(line)) continue;
    const QByteArray binary = RecordBinary(line);
    // A record goes out in one write. Only a line longer than the transmit
    // queue (no record is) is split, so that none of it is dropped.
    const qsizetype piece = std::max<qsizetype>(g.Serial.OutQueueSize, 64);
    for (qsizetype at = 0; at < binary.size(); at += piece) {
      g.Serial.WriteBuffer(binary.constData() + at,
                           static_cast<int32_t>(std::min(piece, binary.size() - at)));
      g.WaitSendDone();
    }
  }
  if (log) log->AddLine(Text::number(count) + " " + g.StrGlobalmsg->Item(kLinesSent));
  if (g.Progress) g.Progress->Step(count);

  if (!g.ReceiveByte(kAnswerTicks)) {
    add(kError4);
    return false;
  }
  if (!g.ReceiveByte(kAnswerTicks)) {
    add(kError5);
    return false;
  }
  add(kDone);
  return true;
}

void EndExchange(TGlb& g) {
  g.WaitSendDone();
  g.Serial.Close();
  g.Serial.ReleaseHandle();
  g.ChannelMode = 0;
  if (g.Progress) g.Progress->Close();
}

}  // namespace

bool UploadRunning() { return g_sequenceRunning || g_exchangeRunning; }

bool UploadMayStart() { return !UploadRunning() && !(Glb && Glb->TransferBusy); }

bool UploadHexLines(UploadList lines, UploadLog* log) {
  // The list is held by value: a click handled inside a wait may reload the
  // window's list, and the lines being sent must stay as they were.
  if (!Glb || g_exchangeRunning) return false;
  FlagScope running(g_exchangeRunning);
  TGlb& g = *Glb;

  if (g.Progress) {
    g.Progress->Prepare(10);
    g.Progress->Step(1);
  }
  g.ChannelMode = 1;
  bool done = false;
  try {
    done = Exchange(g, lines, log);
  } catch (...) {
    EndExchange(g);
    throw;
  }
  EndExchange(g);
  return done;
}

// ---- TUploadSequence ----

void TUploadSequence::Add(const Text& line) {
  if (log_) log_->AddLine(line);
}

Text TUploadSequence::LinesLoadedText() const {
  return StrLaden ? StrLaden->Item(0) : Text(kLinesLoaded);
}

void TUploadSequence::PrepareAndSend() {
  if (!Glb || g_exchangeRunning) return;
  TGlb& g = *Glb;
  Completed = false;
  if (log_) log_->Clear();

  UploadFileState files;
  const bool loaded = LoadProgramImage(g.HexFilePath, Lines, files);
  for (const Text& line : files.Log) Add(line);
  files.Log.clear();
  if (!loaded) {
    UploadError = true;
    return;
  }
  const qsizetype n = Lines.size();
  Add(FileNameOf(g.HexFilePath) + " : " + Text::number(n) + " " + LinesLoadedText());

  if (HasText(FromQt(g.BinFilePath))) {
    AppendDataRecords(Lines, files);
    for (const Text& line : files.Log) Add(line);
    Add(FileNameOf(g.BinFilePath) + " : " + Text::number(Lines.size() - n) + " " +
        LinesLoadedText());
  }
  if (files.UploadError) UploadError = true;
  if (UploadError) {
    Add("Error in data!");
    return;
  }
  Completed = UploadHexLines(Lines, log_);
}

bool TUploadSequence::RunNormal(bool chooseRegion) {
  if (!Glb || !UploadMayStart()) return false;
  Completed = false;
  FlagScope running(g_sequenceRunning);
  TGlb& g = *Glb;

  if (!g.CheckConnection(g.ComPort)) {
    ShowInfo(g.NoInstrumentText());
    return true;
  }
  UploadError = false;
  if (chooseRegion && !ChooseRegion()) {
    if (log_) log_->Clear();
    return true;
  }
  const int64_t start = g.Pump().NowMs();

  // The printer texts are saved first: the merge puts the saved image back.
  const bool saved = ReadPrinterTextsHook && ReadPrinterTextsHook();
  if (log_) log_->Clear();
  if (ShowWindow) ShowWindow();
  if (!saved || g.PrinterReadFailed) return true;

  PortScope port(g);
  g.OpenPort(9600, true);
  g.Serial.WriteText("W901\r");
  g.Delay(g.PortCloseDelay);
  g.Delay(200);
  if (chooseRegion) {
    g.WaitSendDone();
    g.DiscardInput();
  } else {
    g.DiscardInput();
    ApplyStandardDataSet(g);
    g.WaitSendDone();
  }
  PrepareAndSend();
  if (UploadError) ReleasePortIfUnused(g);

  Add(ElapsedText(g.Pump().NowMs() - start));
  if (!UploadError) Add(kPressKeyLine);
  return true;
}

bool TUploadSequence::RunAuto() { return RunNormal(true); }

bool TUploadSequence::RunStandard() { return RunNormal(false); }

bool TUploadSequence::RunEmergency() {
  if (!Glb || !UploadMayStart()) return false;
  Completed = false;
  FlagScope running(g_sequenceRunning);
  TGlb& g = *Glb;
  PortScope port(g);

  // The instrument already waits in its bootloader: no check, no "W901".
  g.OpenPort(9600, false);
  UploadError = false;
  if (!ChooseRegion()) {
    if (log_) log_->Clear();
    return true;
  }
  g.Delay(100);
  g.WaitSendDone();
  g.DiscardInput();
  PrepareAndSend();
  if (!UploadError) Add(kPressKeyLine);
  if (Repaint) Repaint();
  return true;
}

bool TUploadSequence::RunEmergencyStandard() {
  if (!Glb || !UploadMayStart()) return false;
  Completed = false;
  FlagScope running(g_sequenceRunning);
  TGlb& g = *Glb;
  PortScope port(g);

  g.EmergencyMode = true;
  g.OpenPort(9600, false);
  UploadError = false;
  g.Delay(200);
  g.WaitSendDone();
  g.DiscardInput();
  ApplyStandardDataSet(g);
  PrepareAndSend();
  if (!UploadError) Add(kPressKeyLine);
  if (Repaint) Repaint();
  return true;
}
