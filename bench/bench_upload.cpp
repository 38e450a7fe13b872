// The record phase of a firmware upload against setup720-sim --paced (bytes
// move at the line rate both ways; 57600 baud once the bootloader switched):
// a program image of 2100 records plus a full 64 KB data set. Compared with
// the line-rate minimum: bytes of all records x 10 / 57600.
#include <signal.h>

#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include "link/glb.h"
#include "link/posix_serial.h"
#include "upload/bootloader.h"
#include "upload/image_files.h"

namespace {

class TimedLog : public UploadLog {
 public:
  QElapsedTimer clock;
  QList<QPair<qint64, Text>> lines;
  TimedLog() { clock.start(); }
  void Clear() override {}
  void AddLine(const Text& line) override { lines.append({clock.nsecsElapsed(), line}); }
  qint64 At(const Text& start) const {
    for (const auto& l : lines)
      if (l.second.startsWith(start) || l.second.endsWith(start)) return l.first;
    return -1;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QProcess sim;
  sim.start(SETUP720_SIM_PATH, {"--quiet", "--paced", "--bootloader", "--erase-ms", "300"});
  if (!sim.waitForReadyRead(5000)) {
    std::fprintf(stderr, "setup720-sim did not start\n");
    return 1;
  }
  const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed().mid(4);

  UploadList lines;
  char data[16];
  for (int i = 0; i < 2100 + 4096; ++i) {
    for (int b = 0; b < 16; ++b) data[b] = static_cast<char>((i * 7 + b) & 0xFF);
    lines.append(DataRecord((i * 16) & 0xFFFF, data));
  }
  lines.append(":00000001FF");
  qint64 bytes = 0;
  for (const Text& l : lines) bytes += RecordBinary(l).size();

  QtEventPump pump;
  TGlb glb(&pump, std::make_unique<PosixSerialBackend>(ComPortMap({{1, pty}})));
  Glb = &glb;
  glb.ComPort = 1;
  glb.OpenPort(9600, false);
  TimedLog log;
  QElapsedTimer wall;
  wall.start();
  const bool ok = UploadHexLines(lines, &log);
  const double total = wall.nsecsElapsed() / 1e6;
  const qint64 from = log.At("Speicher gel\xF6scht");
  const qint64 to = log.At("Zeilen gesendet");
  const double phase = (to - from) / 1e6;
  const double minimum = bytes * 10.0 / 57600.0 * 1000.0;
  std::printf("upload of %lld records (%lld bytes in binary form) through %s: %s\n",
              static_cast<long long>(lines.size()), static_cast<long long>(bytes),
              qPrintable(pty), ok ? "Fertig" : "FAILED");
  for (const auto& l : log.lines)
    std::printf("  %8.1f ms  %s\n", l.first / 1e6, ToQt(l.second).toLocal8Bit().constData());
  std::printf("record phase %.0f ms, line-rate minimum %.0f ms, ratio %.3f; whole exchange %.0f ms\n",
              phase, minimum, phase / minimum, total);
  ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
  sim.waitForFinished(3000);
  return ok ? 0 : 1;
}
