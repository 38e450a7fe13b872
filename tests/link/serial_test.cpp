// TSerial over real pseudo-terminals: the POSIX backend as the program uses it.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QString>

#include "link/posix_serial.h"
#include "link/serial.h"

namespace {

// The instrument's end of a pseudo-terminal; the tool opens the slave path.
class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    grantpt(master_);
    unlockpt(master_);
    slave_ = QString::fromLocal8Bit(ptsname(master_));
    // Holding the slave open keeps the master from seeing a hang-up between opens.
    keep_ = ::open(slave_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(keep_, &tio);
    cfmakeraw(&tio);  // no echo of what the instrument sends
    tcsetattr(keep_, TCSANOW, &tio);
  }
  ~Pty() {
    if (keep_ >= 0) ::close(keep_);
    if (master_ >= 0) ::close(master_);
  }
  const QString& Slave() const { return slave_; }
  void Send(const QByteArray& bytes) { (void)::write(master_, bytes.constData(), bytes.size()); }
  QByteArray Received(int waitMs = 200) {
    QByteArray out;
    pollfd p{master_, POLLIN, 0};
    while (poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN)) {
      char buf[256];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<int>(n));
      waitMs = 20;
    }
    return out;
  }
  speed_t SlaveSpeed() const {
    termios tio{};
    tcgetattr(master_, &tio);  // the master reports the slave's settings
    return cfgetospeed(&tio);
  }
  void HangUp() {
    ::close(keep_);
    keep_ = -1;
    ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int keep_ = -1;
  QString slave_;
};

std::unique_ptr<TSerial> SerialOn(int com, const QString& device) {
  return std::make_unique<TSerial>(
      std::make_unique<PosixSerialBackend>(ComPortMap({{com, device}})));
}

void WaitForInput(TSerial& s) {
  for (int i = 0; i < 200 && !s.DataAvailable(); ++i) usleep(1000);
}

}  // namespace

TEST(SerialPort, OpenConfigureMovesBytesBothWays) {
  Pty pty;
  auto s = SerialOn(3, pty.Slave());
  s->Port = 3;
  s->Open();
  ASSERT_FALSE(s->Failed);
  EXPECT_FALSE(s->IsOpen) << "open but not configured is not IsOpen";
  s->Configure();
  ASSERT_TRUE(s->IsOpen);
  EXPECT_EQ(s->FlowLimitBase, 2048);
  EXPECT_EQ(s->Settings.xonLimit, 512);
  EXPECT_EQ(s->Settings.xoffLimit, 1536);
  EXPECT_FALSE(s->Settings.dtr);
  EXPECT_FALSE(s->Settings.rts);

  s->WriteText("R001\r");
  EXPECT_EQ(pty.Received(), QByteArray("R001\r"));

  pty.Send("ORX\r\xFF");
  WaitForInput(*s);
  EXPECT_EQ(s->InQueueCount(), 5);
  EXPECT_EQ(s->ReadByte(), 'O');
  char buf[8] = {};
  EXPECT_EQ(s->ReadBuffer(buf, 8), 4);
  EXPECT_EQ(static_cast<uint8_t>(buf[3]), 0xFF) << "8-bit bytes pass unchanged";
  EXPECT_EQ(s->ReadByte(), 0) << "a read with nothing waiting returns at once";
}

TEST(SerialPort, OpenTwiceFailsAndKeepsThePort) {
  Pty pty;
  auto s = SerialOn(1, pty.Slave());
  s->Open();
  s->Configure();
  ASSERT_TRUE(s->IsOpen);
  s->Open();
  EXPECT_TRUE(s->Failed);
  EXPECT_TRUE(s->IsOpen);
  s->WriteByte('x');
  EXPECT_EQ(pty.Received(), QByteArray("x"));
}

TEST(SerialPort, SecondOpenerIsRefusedUntilTheFirstCloses) {
  Pty pty;
  auto first = SerialOn(12, pty.Slave());  // ports 10 and above work the same
  auto second = SerialOn(12, pty.Slave());
  first->Port = second->Port = 12;
  first->Open();
  first->Configure();
  ASSERT_TRUE(first->IsOpen);
  EXPECT_FALSE(second->CanOpen());
  second->Open();
  EXPECT_TRUE(second->Failed);
  first->Close();
  EXPECT_TRUE(second->CanOpen());
  second->Open();
  EXPECT_FALSE(second->Failed);
}

TEST(SerialPort, ClosedPortReadsNothingAndDropsWrites) {
  Pty pty;
  auto s = SerialOn(1, pty.Slave());
  pty.Send("abc");
  EXPECT_EQ(s->InQueueCount(), 0);
  EXPECT_FALSE(s->DataAvailable());
  EXPECT_EQ(s->OutQueueCount(), 0);
  char buf[4];
  EXPECT_EQ(s->ReadBuffer(buf, 4), 0);
  s->WriteText("lost");
  s->Close();  // closing a closed port does nothing
  EXPECT_EQ(pty.Received(50), QByteArray());
}

TEST(SerialPort, MissingOrUnmappedPortFails) {
  for (int com : {0, 5, 100}) {
    auto s = SerialOn(5, "/dev/does-not-exist");
    s->Port = com;
    s->Open();
    EXPECT_TRUE(s->Failed) << com;
    EXPECT_FALSE(s->CanOpen()) << com;
    EXPECT_FALSE(s->HasDefaultConfig()) << com;
    s->Configure();
    EXPECT_FALSE(s->IsOpen) << "configuring a port whose open failed fails";
  }
}

TEST(SerialPort, BaudChangeOnAnOpenPortKeepsItOpen) {
  Pty pty;
  auto s = SerialOn(1, pty.Slave());
  s->Open();
  s->Configure();
  EXPECT_EQ(pty.SlaveSpeed(), static_cast<speed_t>(B9600));
  s->WriteText("Z");
  for (int i = 0; i < 100 && s->OutQueueCount() > 0; ++i) usleep(1000);
  s->BaudRate = 57600;
  s->Configure();
  EXPECT_TRUE(s->IsOpen);
  EXPECT_EQ(pty.SlaveSpeed(), static_cast<speed_t>(B57600));
  s->WriteText("0");
  EXPECT_EQ(pty.Received(), QByteArray("Z0"));
}

TEST(SerialPort, LineSwitchesOnAPseudoTerminalAreHarmless) {
  Pty pty;
  auto s = SerialOn(1, pty.Slave());
  s->SetDtr(true);  // not open: nothing happens
  EXPECT_FALSE(s->Settings.dtr);
  s->Open();
  s->Configure();
  EXPECT_TRUE(s->HasDefaultConfig());
  s->SetDtr(true);
  s->SetRts(true);
  EXPECT_TRUE(s->Settings.dtr);
  EXPECT_TRUE(s->Settings.rts);
  EXPECT_TRUE(s->IsOpen);
}

TEST(SerialPort, VanishedDeviceReadsNothingAndDoesNotHang) {
  auto pty = std::make_unique<Pty>();
  auto s = SerialOn(1, pty->Slave());
  s->Open();
  s->Configure();
  pty->HangUp();
  EXPECT_EQ(s->InQueueCount(), 0);
  EXPECT_EQ(s->ReadByte(), 0);
  s->WriteText("W904\r");  // dropped, no error raised
  EXPECT_EQ(s->OutQueueCount(), 0);
  s->Close();
  EXPECT_FALSE(s->IsOpen);
}
