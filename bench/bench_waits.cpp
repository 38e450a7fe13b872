// CPU used by the process while the command channel waits on a silent
// pseudo-terminal: a 5-second ReceiveLine time-out and the bootloader's
// 5-second wait for its first byte. The waits must sleep, not spin.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "link/glb.h"
#include "link/posix_serial.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <typename F>
void Measure(const char* name, F&& wait) {
  QElapsedTimer wall;
  const double cpu0 = CpuSeconds();
  wall.start();
  const bool result = wait();
  const double secs = wall.elapsed() / 1000.0;
  const double cpu = CpuSeconds() - cpu0;
  std::printf("%-40s wall %6.3f s  cpu %7.4f s  = %5.2f %% of one core  (result %s)\n", name,
              secs, cpu, 100.0 * cpu / secs, result ? "true" : "false");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master);
  unlockpt(master);
  const QString slave = QString::fromLocal8Bit(ptsname(master));
  const int keep = ::open(ptsname(master), O_RDWR | O_NOCTTY);
  termios tio{};
  tcgetattr(keep, &tio);
  cfmakeraw(&tio);
  tcsetattr(keep, TCSANOW, &tio);

  QtEventPump pump;
  TGlb glb(&pump, std::make_unique<PosixSerialBackend>(ComPortMap({{1, slave}})));
  glb.ComPort = 1;
  glb.OpenPort(9600, true);
  std::printf("silent instrument on %s\n", qPrintable(slave));
  Measure("ReceiveLine(50) time-out", [&] { return glb.ReceiveLine(50); });
  Measure("ReceiveByte(50) bootloader first byte", [&] { return glb.ReceiveByte(50); });
  glb.ClosePort(false);
  ::close(keep);
  ::close(master);
  return 0;
}
