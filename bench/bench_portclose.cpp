// What PortCloseDelay needs on Linux: back-to-back exchanges (open, command,
// answer, close, reopen at once) against setup720-sim over a pseudo-terminal
// with no delay, and the time close() and a reopen take on the serial devices
// the machine has (nothing is written to them).
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include "link/glb.h"
#include "link/posix_serial.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QProcess sim;
  sim.start(SETUP720_SIM_PATH, {"--quiet"});
  if (!sim.waitForReadyRead(5000)) {
    std::fprintf(stderr, "setup720-sim did not start\n");
    return 1;
  }
  const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
  QtEventPump pump;
  TGlb glb(&pump, std::make_unique<PosixSerialBackend>(ComPortMap({{1, line.mid(4)}})));
  glb.ComPort = 1;
  glb.PortCloseDelay = 0;
  constexpr int kCycles = 200;
  int answered = 0;
  QElapsedTimer wall;
  wall.start();
  for (int i = 0; i < kCycles; ++i) {
    glb.OpenPort(9600, true);
    glb.SendCommand("R001");
    if (glb.ReceiveLine(10) && glb.LineBuffer.startsWith("ORX")) ++answered;
    glb.ClosePort(true);
  }
  std::printf("pseudo-terminal, PortCloseDelay 0: %d of %d back-to-back exchanges answered, "
              "%.1f ms each\n",
              answered, kCycles, wall.elapsed() / double(kCycles));
  ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
  sim.waitForFinished(3000);

  for (const QString& name : QDir("/dev").entryList({"ttyS*", "ttyUSB*", "ttyACM*"}, QDir::System)) {
    const QByteArray path = ("/dev/" + name).toLocal8Bit();
    QElapsedTimer t;
    t.start();
    int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) continue;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
      ::close(fd);
      continue;
    }
    const qint64 openNs = t.nsecsElapsed();
    t.restart();
    ::close(fd);
    const qint64 closeNs = t.nsecsElapsed();
    t.restart();
    fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const qint64 reopenNs = t.nsecsElapsed();
    if (fd >= 0) ::close(fd);
    std::printf("%s: open %.2f ms, close %.2f ms, reopen %s %.2f ms\n", path.constData(),
                openNs / 1e6, closeNs / 1e6, fd >= 0 ? "ok" : "FAILED", reopenNs / 1e6);
  }
  return 0;
}
