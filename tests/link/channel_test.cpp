// The command channel against the in-process instrument, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_rig.h"
#include "test_support.h"

namespace {

bool Logged(const SimRig& rig, const Text& line) {
  return std::find(rig.log.lines.begin(), rig.log.lines.end(), line) != rig.log.lines.end();
}

// Bytes from the instrument that no command asked for.
void Inject(SimRig& rig, const QByteArray& bytes) { rig.instrument.output(bytes); }

}  // namespace

TEST(CommandChannel, ShortAnswerLineIsReceivedAndLogged) {
  SimOptions o;
  o.identity = "OK";
  SimRig rig(o);
  rig.glb->OpenPort(9600, true);
  rig.glb->SendCommand("R001");
  ASSERT_TRUE(rig.glb->ReceiveLine(10));
  EXPECT_EQ(rig.glb->LineBuffer, Text("OK"));
  EXPECT_EQ(rig.glb->LastByte, '\r');
  EXPECT_TRUE(Logged(rig, "S R001"));
  EXPECT_TRUE(Logged(rig, "R OK"));
  EXPECT_EQ(rig.backend->Written(), QByteArray("\rR001\r"));
}

TEST(CommandChannel, EmptyLineIsTrueAndNotLogged) {
  SimRig rig;
  rig.glb->OpenPort(9600, true);
  rig.log.lines.clear();
  Inject(rig, "\r");
  EXPECT_TRUE(rig.glb->ReceiveLine(10));
  EXPECT_TRUE(rig.glb->LineBuffer.isEmpty());
  EXPECT_TRUE(rig.log.lines.empty());
}

TEST(CommandChannel, TimeOutKeepsPartialTextAndLogsTimeout) {
  SimRig rig;
  rig.glb->OpenPort(9600, true);
  Inject(rig, "OR");
  const int64_t start = rig.pump.NowMs();
  EXPECT_FALSE(rig.glb->ReceiveLine(10));
  const int64_t waited = rig.pump.NowMs() - start;
  EXPECT_GE(waited, 900);
  EXPECT_LE(waited, 1000);
  EXPECT_EQ(rig.glb->LineBuffer, Text("OR"));
  EXPECT_EQ(rig.log.lines.back(), Text("Timeout"));

  EXPECT_FALSE(rig.glb->ReceiveByte(50));
  EXPECT_GE(rig.pump.NowMs() - start - waited, 4900);
  EXPECT_EQ(rig.glb->LastByte, 0);
}

TEST(CommandChannel, LineFeedAfterCrBeginsTheNextLine) {
  SimRig rig;
  rig.glb->OpenPort(9600, true);
  Inject(rig, "AB\r\nCD\r");
  ASSERT_TRUE(rig.glb->ReceiveLine(10));
  EXPECT_EQ(rig.glb->LineBuffer, Text("AB"));
  ASSERT_TRUE(rig.glb->ReceiveLine(10));
  EXPECT_EQ(rig.glb->LineBuffer, Text("\nCD"));

  Inject(rig, "EF\r\nGH\r");
  ASSERT_TRUE(rig.glb->ReceiveLine(10));
  rig.glb->DiscardInput();
  EXPECT_FALSE(rig.glb->Serial.DataAvailable()) << "DiscardInput drops the rest";
}

TEST(CommandChannel, HiddenWindowLogsNothing) {
  SimRig rig;
  rig.log.visible = false;
  rig.glb->OpenPort(9600, true);
  rig.glb->SendCommand("R001");
  EXPECT_TRUE(rig.glb->ReceiveLine(10));
  EXPECT_FALSE(rig.glb->ReceiveLine(2));
  EXPECT_TRUE(rig.log.lines.empty());
}

TEST(CommandChannel, OpenPortOutsideTheRangeOnlyWaits) {
  for (int port : {0, 100}) {
    SimRig rig;
    Boxes::Clear();
    rig.glb->PortCloseDelay = 500;
    rig.glb->ComPort = port;
    const int64_t start = rig.pump.NowMs();
    rig.glb->OpenPort(9600, true);
    EXPECT_EQ(rig.pump.NowMs() - start, 500) << port;
    EXPECT_FALSE(rig.glb->Serial.IsOpen) << port;
    EXPECT_EQ(rig.backend->OpenCount(), 0) << port;
    EXPECT_TRUE(Boxes::Shown().empty()) << port;
  }
}

TEST(CommandChannel, ReopeningAnOpenPortWaitsTwiceAndSwitchesTheLinesOn) {
  SimRig rig;
  rig.glb->PortCloseDelay = 500;
  rig.glb->OpenPort(9600, false);
  ASSERT_TRUE(rig.glb->Serial.IsOpen);
  // Configure starts with both lines off; OpenPort then switches DTR and RTS on.
  ASSERT_GE(rig.backend->AppliedSettings().size(), 3u);
  EXPECT_FALSE(rig.backend->AppliedSettings()[0].dtr);
  EXPECT_FALSE(rig.backend->AppliedSettings()[0].rts);
  EXPECT_TRUE(rig.backend->LastSettings().dtr);
  EXPECT_TRUE(rig.backend->LastSettings().rts);
  EXPECT_EQ(rig.backend->LastSettings().baudRate, 9600);

  const int64_t start = rig.pump.NowMs();
  rig.glb->OpenPort(9600, false);
  EXPECT_EQ(rig.pump.NowMs() - start, 1000);
  EXPECT_EQ(rig.backend->OpenCount(), 2);
  EXPECT_TRUE(rig.glb->Serial.IsOpen);
}

TEST(CommandChannel, PortThatCannotBeOpenedShowsTheErrorOnce) {
  SimRig rig;
  Boxes::Clear();
  rig.backend->SetHeld(3, true);
  rig.glb->ComPort = 3;
  rig.glb->OpenPort(9600, true);
  EXPECT_FALSE(rig.glb->Serial.IsOpen);
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, Text("Fehler beim \xD6" "ffnen der Schnittstelle COM3"));
  rig.glb->SendCommand("R001");  // dropped
  EXPECT_FALSE(rig.glb->ReceiveLine(10));
}

TEST(CommandChannel, TerminalLoopHandsThePortBackAfterAnExchange) {
  SimRig rig;
  std::vector<Text> memo;
  rig.glb->TerminalMemo = [&](const Text& line) { memo.push_back(line); };
  rig.glb->TerminalMode = true;
  rig.pump.Sleep(150);  // the first tick opens the port for the terminal
  ASSERT_EQ(rig.glb->ChannelMode, 3);
  ASSERT_TRUE(rig.glb->Serial.IsOpen);

  rig.glb->Serial.WriteText("R001\r");
  rig.pump.Sleep(200);
  ASSERT_EQ(memo.size(), 1u);
  EXPECT_EQ(memo[0], Text("> ORX 720 V3.21"));

  // An exchange takes the port; the terminal leaves the input alone meanwhile.
  rig.glb->ChannelMode = 4;
  rig.glb->OpenPort(9600, true);
  rig.glb->SendCommand("R001");
  EXPECT_TRUE(rig.glb->ReceiveLine(10));
  EXPECT_EQ(memo.size(), 1u);
  rig.glb->ClosePort(false);
  EXPECT_EQ(rig.glb->ChannelMode, 0);

  rig.pump.Sleep(100);
  EXPECT_EQ(rig.glb->ChannelMode, 3);
  EXPECT_TRUE(rig.glb->Serial.IsOpen);
  const int32_t opens = rig.backend->OpenCount();
  rig.pump.Sleep(1000);
  EXPECT_EQ(rig.backend->OpenCount(), opens) << "the loop opens the port once";
}

TEST(CommandChannel, WaitSendDoneWaitsForTheLineRate) {
  SimOptions o;
  o.paced = true;
  SimRig rig(o);
  rig.glb->OpenPort(9600, false);
  rig.glb->Serial.WriteText(QByteArray(96, 'x'));  // 96 bytes = 100 ms at 9600 baud
  const int64_t start = rig.pump.NowMs();
  rig.glb->WaitSendDone();
  EXPECT_EQ(rig.glb->Serial.OutQueueCount(), 0);
  EXPECT_GE(rig.pump.NowMs() - start, 99);
  EXPECT_LE(rig.pump.NowMs() - start, 110);
}
