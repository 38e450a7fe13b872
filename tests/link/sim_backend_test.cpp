// The in-process serial backend over the simulated instrument, and the
// virtual-time pump that drives it.
#include <gtest/gtest.h>

#include "sim_backend.h"
#include "sim_instrument.h"
#include "virtual_pump.h"

namespace {

struct Rig {
  explicit Rig(SimOptions o = {}) : inst(std::move(o)) { pump.Attach(&port); }
  ~Rig() { pump.Detach(&port); }

  bool OpenAt(int32_t com, int32_t baud = 9600) {
    if (!port.Open(com)) return false;
    LineSettings s;
    s.baudRate = baud;
    s.dtr = s.rts = true;
    return port.Apply(s);
  }
  void Baud(int32_t baud) {
    LineSettings s = port.LastSettings();
    s.baudRate = baud;
    port.Apply(s);
  }
  int32_t Write(const QByteArray& bytes) {
    return port.Write(bytes.constData(), static_cast<int32_t>(bytes.size()));
  }
  // Everything that arrives until the given virtual time.
  QByteArray ReadUntil(int64_t ms) {
    QByteArray got;
    while (pump.NowMs() < ms) {
      char buf[64];
      int32_t n;
      while ((n = port.Read(buf, sizeof buf)) > 0) got.append(buf, n);
      pump.ProcessMessages();
    }
    char buf[64];
    int32_t n;
    while ((n = port.Read(buf, sizeof buf)) > 0) got.append(buf, n);
    return got;
  }

  VirtualPump pump;
  SimInstrument inst;
  SimSerialBackend port{inst, pump.Clock()};
};

TEST(SimSerialBackend, OpensExclusivelyAndRefusesHeldAndMissingPorts) {
  Rig r;
  r.port.SetHeld(2, true);
  EXPECT_FALSE(r.port.Open(9));  // no such port
  EXPECT_FALSE(r.port.CanOpen(9));
  EXPECT_FALSE(r.port.Open(2));  // held by another program
  EXPECT_FALSE(r.port.CanOpen(2));
  EXPECT_TRUE(r.port.HasDefaultConfig(2));
  EXPECT_TRUE(r.port.Open(1));
  EXPECT_FALSE(r.port.Open(1));  // a second open while open
  EXPECT_FALSE(r.port.CanOpen(1));
  EXPECT_TRUE(r.port.CanOpen(3));
  EXPECT_EQ(r.port.OpenPortNumber(), 1);
  r.port.Close();
  EXPECT_FALSE(r.port.IsHandleOpen());
  r.port.SetHeld(2, false);
  EXPECT_TRUE(r.port.Open(2));
  EXPECT_EQ(r.port.DeviceName(9), "");
}

TEST(SimSerialBackend, OnlyTheAttachedPortAnswers) {
  Rig r;
  r.port.SetAttachedPort(3);
  ASSERT_TRUE(r.OpenAt(1));
  EXPECT_EQ(r.Write("R001\r"), 5);
  EXPECT_EQ(r.ReadUntil(1000), "");
  EXPECT_TRUE(r.inst.Commands().empty());
  r.port.Close();
  ASSERT_TRUE(r.OpenAt(3));
  r.Write("R001\r");
  EXPECT_EQ(r.ReadUntil(2000), "ORX 720 V3.21\r");
}

TEST(SimSerialBackend, ClosingDropsUndeliveredAnswersAndClosedWritesAreLost) {
  SimOptions o;
  o.latencyMs = 50;
  Rig r(o);
  ASSERT_TRUE(r.OpenAt(1));
  r.Write("R001\r");
  r.pump.Sleep(20);
  EXPECT_EQ(r.port.InQueue(), 0);
  r.port.Close();
  EXPECT_EQ(r.Write("R002\r"), -1);
  ASSERT_TRUE(r.OpenAt(1));
  EXPECT_EQ(r.ReadUntil(500), "");
  EXPECT_EQ(r.inst.Commands(), std::vector<Text>{"R001"});
}

TEST(SimSerialBackend, LatencyAndLineRate) {
  SimOptions o;
  o.latencyMs = 30;
  o.paced = true;
  Rig r(o);
  ASSERT_TRUE(r.OpenAt(1));
  r.Write("R001\r");
  EXPECT_EQ(r.port.OutQueue(), 5);  // 5 bytes of 1.04 ms at 9600 still to go
  // The first answer byte is due at 30 ms + one byte time.
  while (r.port.InQueue() == 0) r.pump.ProcessMessages();
  EXPECT_EQ(r.pump.NowMs(), 32);
  EXPECT_EQ(r.port.OutQueue(), 0);
  EXPECT_EQ(r.port.InQueue(), 1);
  // 14 bytes at 9600: the line is complete at 30 + 14 x 1.04 ms.
  QByteArray line;
  char c = 0;
  while (!line.endsWith('\r')) {
    if (r.port.Read(&c, 1) == 1) line.append(c);
    else r.pump.ProcessMessages();
  }
  EXPECT_EQ(line, "ORX 720 V3.21\r");
  EXPECT_EQ(r.pump.NowMs(), 45);
  EXPECT_EQ(r.port.NextEventMs(), -1);
}

TEST(SimSerialBackend, WrongBaudRateGetsNoAnswerAndSettingsAreRecorded) {
  Rig r;
  ASSERT_TRUE(r.OpenAt(1, 57600));
  EXPECT_TRUE(r.port.LastSettings().dtr);
  EXPECT_TRUE(r.port.LastSettings().rts);
  r.Write("R001\r");
  EXPECT_EQ(r.ReadUntil(500), "");
  r.Baud(9600);
  r.Write("R001\r");
  EXPECT_EQ(r.ReadUntil(1000), "ORX 720 V3.21\r");
  ASSERT_EQ(r.port.AppliedSettings().size(), 2u);
  EXPECT_EQ(r.port.AppliedSettings()[0].baudRate, 57600);
}

TEST(SimSerialBackend, VanishedDeviceFailsLikeAPulledCable) {
  Rig r;
  r.port.VanishAt(1000);
  ASSERT_TRUE(r.OpenAt(1));
  r.Write("WARTUNG738\r");
  EXPECT_EQ(r.ReadUntil(500), "WARTUNG OK\r");
  r.pump.Sleep(500);
  char c;
  EXPECT_EQ(r.Write("R001\r"), -1);
  EXPECT_EQ(r.port.Read(&c, 1), -1);
  EXPECT_EQ(r.port.InQueue(), 0);
  EXPECT_FALSE(r.port.Apply(LineSettings{}));
  r.port.Close();
  EXPECT_FALSE(r.port.Open(1));
  EXPECT_FALSE(r.port.CanOpen(1));
  EXPECT_FALSE(r.port.HasDefaultConfig(1));
  EXPECT_TRUE(r.port.Open(2));  // the other ports stay
}

TEST(SimSerialBackend, BootloaderEraseRunsInVirtualTime) {
  Rig r;
  ASSERT_TRUE(r.OpenAt(1));
  r.Write("W901\r");
  r.Write("Z");
  EXPECT_EQ(r.ReadUntil(100), "Z");
  r.Write("\x06");
  EXPECT_EQ(r.ReadUntil(200), "\x06");
  r.Baud(57600);
  r.Write("0");
  EXPECT_EQ(r.ReadUntil(300), "0");
  while (r.port.InQueue() == 0) r.pump.ProcessMessages();
  EXPECT_EQ(r.pump.NowMs(), 1700);  // 200 ms + the 1500 ms erase
  EXPECT_EQ(r.ReadUntil(1700), "\xC1");
}

TEST(VirtualPump, FiveSecondWaitRunsInVirtualTime) {
  VirtualPump pump;
  int ticksLeft = 50;  // a 5-second time-out in 100 ms ticks
  pump.SetTickHandler([&] {
    if (ticksLeft > 0) --ticksLeft;
  });
  int64_t clickedAt = -1;
  pump.At(2550, [&] { clickedAt = pump.NowMs(); });
  int passes = 0;
  while (ticksLeft > 0) {
    pump.ProcessMessages();
    ++passes;
  }
  EXPECT_EQ(pump.NowMs(), 5000);
  EXPECT_EQ(clickedAt, 2550);
  EXPECT_LE(passes, 52);  // one pass per tick and one for the click: no spinning
  pump.ProcessPending();
  EXPECT_EQ(pump.NowMs(), 5000);
  pump.Sleep(250);
  EXPECT_EQ(pump.NowMs(), 5250);
  EXPECT_EQ(pump.Ticks(), 52);
}

TEST(VirtualPump, WaitingInputReturnsAtOnce) {
  Rig r;
  ASSERT_TRUE(r.OpenAt(1));
  r.Write("R001\r");
  r.pump.ProcessMessages();
  EXPECT_EQ(r.pump.NowMs(), 0);  // the answer is waiting: no time passes
  char c;
  while (r.port.Read(&c, 1) == 1) {
  }
  r.pump.ProcessMessages();
  EXPECT_EQ(r.pump.NowMs(), 100);  // nothing waiting: on to the next tick
}

TEST(VirtualPumpDeathTest, SpinningLoopAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        Rig r;
        r.OpenAt(1);
        r.Write("R001\r");
        for (;;) r.pump.ProcessMessages();  // never reads the waiting answer
      },
      "spins");
}

}  // namespace
