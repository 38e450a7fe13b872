// A whole Auto upload against setup720-sim --paced (bytes move at the line
// rate both ways; 57600 baud once the bootloader switched): connection check,
// printer texts read, the waits before the exchange, then a program image of
// 2100 records plus a full 64 KB data set and the printer-text user data.
//
// A pseudo-terminal buffers some 20 KB between the two ends and reports none
// of it as the host's transmit queue, so on its own it would let the host run
// seconds ahead of the line. The simulator therefore keeps the number of
// bytes it has taken off the line in a shared file, and the host's port
// reports what is still on its way as its transmit queue, less the 16 bytes a
// UART's FIFO holds beyond the driver's queue: the queue a 16550 driver
// reports. Record phase and line-rate minimum: bytes of all records x 10 /
// 57600.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "editors/printer_window.h"
#include "link/glb.h"
#include "link/posix_serial.h"
#include "upload/bootloader.h"
#include "upload/image_files.h"
#include "util/files.h"
#include "util/helpers.h"

namespace {

constexpr int32_t kFifoBytes = 16;

class LineQueueBackend : public SerialBackend {
 public:
  LineQueueBackend(std::unique_ptr<PosixSerialBackend> inner, const int64_t* taken)
      : inner_(std::move(inner)), taken_(taken) {}

  bool Open(int32_t port) override {
    const bool ok = inner_->Open(port);
    // Nothing written before is still on its way once the port reopens.
    written_ = Taken();
    return ok;
  }
  bool IsHandleOpen() const override { return inner_->IsHandleOpen(); }
  bool Apply(const LineSettings& settings) override { return inner_->Apply(settings); }
  void Close() override { inner_->Close(); }
  int32_t Write(const char* data, int32_t count) override {
    const int32_t n = inner_->Write(data, count);
    if (n > 0) written_ += n;
    return n;
  }
  int32_t Read(char* data, int32_t count) override { return inner_->Read(data, count); }
  int32_t InQueue() override { return inner_->InQueue(); }
  int32_t OutQueue() override {
    return static_cast<int32_t>(std::max<int64_t>(0, written_ - Taken() - kFifoBytes));
  }
  void SetQueueSizes(int32_t in, int32_t out) override { inner_->SetQueueSizes(in, out); }
  bool CanOpen(int32_t port) override { return inner_->CanOpen(port); }
  bool HasDefaultConfig(int32_t port) override { return inner_->HasDefaultConfig(port); }
  QString DeviceName(int32_t port) const override { return inner_->DeviceName(port); }

  int64_t Written() const { return written_; }
  int64_t Taken() const { return __atomic_load_n(taken_, __ATOMIC_ACQUIRE); }

 private:
  std::unique_ptr<PosixSerialBackend> inner_;
  const int64_t* taken_;
  int64_t written_ = 0;
};

class TimedLog : public UploadLog {
 public:
  explicit TimedLog(const QElapsedTimer& clock) : clock_(clock) {}
  QList<QPair<double, Text>> lines;
  void Clear() override {}
  void AddLine(const Text& line) override { lines.append({Ms(), line}); }
  double Ms() const { return clock_.nsecsElapsed() / 1e6; }
  // Time of the last line holding part.
  double At(const Text& part) const {
    for (auto l = lines.crbegin(); l != lines.crend(); ++l)
      if (l->second.contains(part)) return l->first;
    return -1;
  }

 private:
  const QElapsedTimer& clock_;
};

bool Write(const QString& path, const QByteArray& data) {
  QString error;
  if (WriteWholeFile(path, data, &error)) return true;
  std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(error));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  const QString folder = home.path() + "/";
  QDir(folder).mkpath("Daten");

  // Program image: 2100 records; data set: 64 KB without an erased block.
  QByteArray image;
  char data[16];
  for (int i = 0; i < 2100; ++i) {
    for (int b = 0; b < 16; ++b) data[b] = static_cast<char>((i * 7 + b) & 0x7F);
    image += DataRecord((0x4000 + i * 16) & 0xFFFF, data) + "\r\n";
  }
  image += QByteArray(kEndRecord) + "\r\n";
  QByteArray dataSet(65536, '\0');
  for (int i = 0; i < dataSet.size(); ++i) dataSet[i] = static_cast<char>((i * 13) & 0x7F);
  if (!Write(folder + "orx720nt_1_05.h20", image) || !Write(folder + "orx720nt_1_05.bin", dataSet))
    return 1;

  const QString countPath = folder + "line-count";
  QProcess sim;
  sim.start(SETUP720_SIM_PATH, {"--quiet", "--paced", "--line-count", countPath});
  if (!sim.waitForReadyRead(5000)) {
    std::fprintf(stderr, "setup720-sim did not start\n");
    return 1;
  }
  const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed().mid(4);
  const int fd = ::open(countPath.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
  void* map = fd >= 0 ? ::mmap(nullptr, sizeof(int64_t), PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
  if (map == MAP_FAILED) {
    std::fprintf(stderr, "cannot map %s\n", qPrintable(countPath));
    return 1;
  }
  ::close(fd);

  QtEventPump pump;
  auto backend = std::make_unique<LineQueueBackend>(
      std::make_unique<PosixSerialBackend>(ComPortMap({{1, pty}})), static_cast<const int64_t*>(map));
  LineQueueBackend* line = backend.get();
  TGlb glb(&pump, std::move(backend));
  Glb = &glb;
  glb.ComPort = 1;
  glb.ProgramDir = folder;
  glb.DataDir = folder + "Daten/";
  glb.HexFileName = "orx720nt_1_05.h20";
  glb.HexFileDir = folder;
  glb.HexFilePath = folder + glb.HexFileName;
  const CompanionPaths paths = CompanionPathsFor(folder, glb.HexFileName);
  glb.BinFilePath = paths.BinFilePath;
  glb.UserBinPath = paths.UserBinPath;

  QElapsedTimer clock;
  TimedLog log(clock);
  double printerFrom = -1, printerTo = -1;
  ChooseRegionHook = [] { return true; };  // the one data set of the folder
  ReadPrinterTextsHook = [&] {
    printerFrom = log.Ms();
    const bool ok = glb.CheckConnection(glb.ComPort) && ReadPrinterMemory();
    printerTo = log.Ms();
    return ok;
  };

  TUploadSequence sequence(&log);
  clock.start();
  sequence.RunAuto();
  const double total = log.Ms();

  qint64 bytes = 0;
  for (const Text& l : sequence.Lines)
    if (HasText(l)) bytes += RecordBinary(l).size();

  std::printf("Auto upload through %s: %s\n", qPrintable(pty), sequence.Completed ? "Fertig" : "FAILED");
  std::printf("  %8.1f ms  printer texts read from the instrument\n", printerFrom);
  for (const auto& l : log.lines)
    std::printf("  %8.1f ms  %s\n", l.first, ToQt(l.second).toLocal8Bit().constData());
  const double erased = log.At("Speicher gel\xF6scht");
  const double sentAt = log.At("Zeilen gesendet");
  const double initOk = log.At("Initialisierung OK");
  const double loaded = log.At("Zeilen geladen");
  const double done = log.At("Fertig");
  const double phase = sentAt - erased;
  const double minimum = bytes * 10.0 / 57600.0 * 1000.0;
  std::printf("records: %lld lines, %lld bytes in binary form; host wrote %lld bytes, simulator took %lld\n",
              static_cast<long long>(sequence.Lines.size()), static_cast<long long>(bytes),
              static_cast<long long>(line->Written()), static_cast<long long>(line->Taken()));
  std::printf("connection check            %8.0f ms\n", printerFrom);
  std::printf("printer texts (check + read) %8.0f ms\n", printerTo - printerFrom);
  std::printf("W901, mandated waits, files  %8.0f ms (to the last \"Zeilen geladen\")\n",
              log.lines.isEmpty() ? 0.0 : loaded - printerTo);
  std::printf("bootloader handshake         %8.0f ms\n", initOk - loaded);
  std::printf("erase (the instrument's)     %8.0f ms\n", erased - initOk);
  std::printf("record phase                 %8.0f ms, line-rate minimum %.0f ms, ratio %.3f\n", phase,
              minimum, phase / minimum);
  std::printf("verdict bytes                %8.0f ms\n", done - sentAt);
  std::printf("whole Auto variant           %8.0f ms\n", total);
  ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
  sim.waitForFinished(3000);
  return sequence.Completed ? 0 : 1;
}
