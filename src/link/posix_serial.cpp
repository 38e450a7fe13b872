#include "posix_serial.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {

speed_t SpeedCode(int32_t baud) {
  switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return 0;
  }
}

void SetModemLine(int fd, int line, bool on) {
  // Pseudo-terminals have no modem lines; the error is of no interest.
  (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

}  // namespace

PosixSerialBackend::PosixSerialBackend(ComPortMap map) : map_(std::move(map)) {}

PosixSerialBackend::~PosixSerialBackend() { Close(); }

int PosixSerialBackend::OpenExclusive(const QString& path) {
  if (path.isEmpty()) return -1;
  const QByteArray native = path.toLocal8Bit();
  const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
#ifdef TIOCGEXCL
  // A terminal program marks its port exclusive without taking the lock;
  // root passes that mark, so it is looked at here.
  int exclusive = 0;
  if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
    ::close(fd);
    return -1;
  }
#endif
  // Keeps out openers that do not take the lock (non-root programs).
  (void)ioctl(fd, TIOCEXCL);
  return fd;
}

bool PosixSerialBackend::Open(int32_t port) {
  if (fd_ >= 0) return false;
  path_ = map_.DevicePath(port);
  fd_ = OpenExclusive(path_);
  if (fd_ < 0) return false;
  hungUp_ = false;
  if (QCoreApplication::instance()) {
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    // The notifier only wakes a waiting loop; it switches itself off so that a
    // loop which is not reading (a plain wait) does not spin on pending input.
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [n = notifier_.get()] { n->setEnabled(false); });
  }
  return true;
}

bool PosixSerialBackend::Apply(const LineSettings& s) {
  if (fd_ < 0) return false;
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return false;
  const speed_t speed = SpeedCode(s.baudRate);
  if (speed == 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, speed);
  cfsetospeed(&tio, speed);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
  switch (s.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
  }
  switch (s.parity) {
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (s.stopBits != 0) tio.c_cflag |= CSTOPB;  // POSIX has no 1.5: two stop bits
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
  if (s.parityCheck) tio.c_iflag |= INPCK;
  if (s.parityCheck && !s.replaceErrorBytes) tio.c_iflag |= IGNPAR;
  if (s.handshake == 1) {
    tio.c_iflag |= IXON | IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
  }
  if (s.handshake == 2) tio.c_cflag |= CRTSCTS;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) return false;
  if (s.handshake != 3) SetModemLine(fd_, TIOCM_DTR, s.dtr);
  if (s.handshake != 2) SetModemLine(fd_, TIOCM_RTS, s.rts);
  return true;
}

void PosixSerialBackend::Close() {
  notifier_.reset();
  if (fd_ >= 0) {
    // Unsent bytes would make close() wait for the drain; a hung-up device never drains.
    if (hungUp_) tcflush(fd_, TCIOFLUSH);
    // The exclusive mark outlives this descriptor while another one stays open
    // (the simulator holds its slave), which would lock us out of the next open.
    (void)ioctl(fd_, TIOCNXCL);
    ::close(fd_);
  }
  fd_ = -1;
  hungUp_ = false;
}

int32_t PosixSerialBackend::Write(const char* data, int32_t count) {
  if (fd_ < 0 || hungUp_ || count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(count - done));
    if (n > 0) {
      done += static_cast<int32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // The driver's buffer is full: wait for room, bounded so a stalled
      // line cannot hold the program.
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, 2000) > 0 && !(p.revents & (POLLHUP | POLLERR))) continue;
    }
    if (n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) hungUp_ = true;
    break;
  }
  return done;
}

int32_t PosixSerialBackend::Read(char* data, int32_t count) {
  if (fd_ < 0 || hungUp_ || count <= 0) return 0;
  const ssize_t n = ::read(fd_, data, static_cast<size_t>(count));
  if (n > 0) return static_cast<int32_t>(n);
  if (n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) hungUp_ = true;
  return 0;
}

bool PosixSerialBackend::CheckHangUp() {
  // Called with nothing waiting: a hang-up now means the device is gone.
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) hungUp_ = true;
  return hungUp_;
}

void PosixSerialBackend::ArmNotifier() {
  if (notifier_ && !hungUp_ && !notifier_->isEnabled()) notifier_->setEnabled(true);
}

int32_t PosixSerialBackend::InQueue() {
  if (fd_ < 0 || hungUp_) return 0;
  int waiting = 0;
  if (ioctl(fd_, TIOCINQ, &waiting) != 0) waiting = 0;
  if (waiting == 0 && !CheckHangUp()) ArmNotifier();  // the caller is about to wait
  return waiting;
}

bool PosixSerialBackend::Gone() {
  if (fd_ < 0) return false;
  if (hungUp_) return true;
  int waiting = 0;
  if (ioctl(fd_, TIOCINQ, &waiting) == 0 && waiting > 0) return false;
  return CheckHangUp();
}

int32_t PosixSerialBackend::OutQueue() {
  if (fd_ < 0 || hungUp_) return 0;
  int pending = 0;
  if (ioctl(fd_, TIOCOUTQ, &pending) != 0) return 0;
  return pending;
}

bool PosixSerialBackend::CanOpen(int32_t port) {
  const int fd = OpenExclusive(map_.DevicePath(port));
  if (fd < 0) return false;
  // The mark would outlive this descriptor (see Close) and refuse the open
  // that follows the probe.
  (void)ioctl(fd, TIOCNXCL);
  ::close(fd);
  return true;
}

bool PosixSerialBackend::HasDefaultConfig(int32_t port) {
  const QString path = map_.DevicePath(port);
  if (path.isEmpty()) return false;
  if (fd_ >= 0 && path == path_) return isatty(fd_) == 1;
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool tty = isatty(fd) == 1;
  ::close(fd);
  return tty;
}
