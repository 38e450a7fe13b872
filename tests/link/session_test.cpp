// The service session against the in-process instrument, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_rig.h"
#include "test_support.h"

namespace {

bool Received(const SimRig& rig, const Text& command) {
  const auto& c = rig.instrument.Commands();
  return std::find(c.begin(), c.end(), command) != c.end();
}

// A port that opens but for which the system holds no default configuration.
class UnconfigurablePort : public SerialBackend {
 public:
  bool open = false;
  bool Open(int32_t) override { return open = true; }
  bool IsHandleOpen() const override { return open; }
  bool Apply(const LineSettings&) override { return open; }
  void Close() override { open = false; }
  int32_t Write(const char*, int32_t count) override { return count; }
  int32_t Read(char*, int32_t) override { return 0; }
  int32_t InQueue() override { return 0; }
  int32_t OutQueue() override { return 0; }
  void SetQueueSizes(int32_t, int32_t) override {}
  bool CanOpen(int32_t) override { return true; }
  bool HasDefaultConfig(int32_t) override { return false; }
  QString DeviceName(int32_t) const override { return "fake"; }
};

}  // namespace

TEST(MainTables, EntriesKeepTheirIndexAndPaddedLength) {
  SimRig rig;
  TGlb& g = *rig.glb;
  ASSERT_EQ(g.StrMain->Count(), 24);
  ASSERT_EQ(g.StrError->Count(), 34);
  ASSERT_EQ(g.StrBRNmsg->Count(), 13);
  EXPECT_EQ(g.StrMain->objectName(), "StrMain");
  EXPECT_EQ(g.StrError->objectName(), "StrError");
  EXPECT_EQ(g.StrBRNmsg->objectName(), "StrBRNmsg");

  struct Case {
    int index;
    const char* text;
    int length;
  };
  const Case errors[] = {{0, "Error in Data!", 56},    {2, " not available", 56},
                         {5, "Port COM =", 58},         {12, "file", 55},
                         {13, " not found", 51},        {17, "Read error", 40},
                         {18, "No answer from Instrument", 41},
                         {29, "Ready, press key \"F\" on the instrument", 38},
                         {31, "Instrument found", 17},  {32, "No Instrument found", 19},
                         {33, "at Com", 6}};
  for (const Case& c : errors) {
    const Text item = g.StrError->Item(c.index);
    EXPECT_EQ(item.size(), c.length) << c.index;
    EXPECT_EQ(item.left(qstrlen(c.text)), Text(c.text)) << c.index;
    const qsizetype n = qstrlen(c.text);
    EXPECT_EQ(item.mid(n), Text(item.size() - n, ' ')) << c.index;
  }
  EXPECT_EQ(g.StrMain->Item(9), Text("Comport") + Text(10, ' ') + ":");
  EXPECT_EQ(g.StrMain->Item(11), Text("Hex File") + Text(9, ' '));
  EXPECT_EQ(g.StrMain->Item(13), Text("User Bin\xE4r File  "));
  EXPECT_EQ(g.StrMain->Item(22), Text("Schl\xFCssel SETUP 720 in Registry wirklich zur\xFC" "cksetzen ?"));
  EXPECT_EQ(g.StrBRNmsg->Item(12), Text("Fehler beim Speichern der Datei"));
  EXPECT_EQ(g.NoInstrumentText(),
            Text("No Instrument found \rBitte im Menu unter Sonderfunktionen =>Konfiguration den "
                 "richtigen Comport ausw\xE4hlen"));
}

TEST(Session, IdentityAnswersAreRecognisedByFamily) {
  struct Case {
    const char* identity;
    bool echo;
    bool recognised;
    const char* ident;  // InstrumentIdent afterwards
  };
  const Case cases[] = {
      {" orx 720 V3.21", false, true, "orx 720 V3.21"},
      {"  O R X720", false, true, "O R X720"},
      {"QV 400", false, true, "QV 400"},
      {"tal-5", false, true, "tal-5"},
      {"ORX 720", true, false, "R001"},  // the echo of the command comes first
      {"ROX 720", false, false, "ROX 720"},
      {"", false, false, ""},
  };
  for (const Case& c : cases) {
    SimOptions o;
    o.identity = c.identity;
    o.echo = c.echo;
    SimRig rig(o);
    rig.backend->SetAttachedPort(3);
    std::vector<QString> emitted;
    QObject::connect(rig.glb.get(), &TGlb::statusTextChanged,
                     [&](const QString& text) { emitted.push_back(text); });

    EXPECT_EQ(rig.glb->CheckConnection(3), c.recognised) << c.identity;
    EXPECT_EQ(rig.glb->InstrumentIdent, Text(c.ident)) << c.identity;
    const Text status = c.recognised ? Text(c.ident) + " at Com 3 Instrument found "
                                     : rig.glb->NoInstrumentText();
    EXPECT_EQ(rig.glb->StatusText, status) << c.identity;
    ASSERT_FALSE(emitted.empty()) << c.identity;
    EXPECT_EQ(emitted.back(), ToQt(status)) << c.identity;
    EXPECT_FALSE(rig.glb->Serial.IsOpen) << c.identity;
    EXPECT_FALSE(rig.glb->Serial.HandleOpen()) << c.identity;
    EXPECT_EQ(rig.glb->ComPort, 3);
    // The two commands are written directly, behind a lone CR.
    EXPECT_EQ(rig.backend->Written(), QByteArray("\rWARTUNG738\rR001\r")) << c.identity;
  }
}

TEST(Session, NoAnswerToTheServiceCommandAsksForThePort) {
  SimOptions o;
  o.silent = true;
  SimRig rig(o);
  rig.glb->SetStatusText("...");
  EXPECT_FALSE(rig.glb->CheckConnection(1));
  EXPECT_EQ(rig.glb->StatusText, rig.glb->NoInstrumentText());
  EXPECT_FALSE(Received(rig, "R001"));
}

TEST(Session, NoAnswerToTheIdentityLeavesTheStatus) {
  SimOptions o;
  o.noAnswer = {"R001"};
  SimRig rig(o);
  rig.glb->SetStatusText("...");
  rig.glb->InstrumentIdent = "ORX old";
  EXPECT_FALSE(rig.glb->CheckConnection(1));
  EXPECT_EQ(rig.glb->StatusText, Text("..."));
  EXPECT_EQ(rig.glb->InstrumentIdent, Text("ORX old"));
  EXPECT_TRUE(Received(rig, "R001"));
}

TEST(Session, PortOutsideTheRangeOpensNothing) {
  for (int port : {0, 100}) {
    SimRig rig;
    const int64_t start = rig.pump.NowMs();
    EXPECT_FALSE(rig.glb->CheckConnection(port)) << port;
    const int64_t waited = rig.pump.NowMs() - start;
    EXPECT_GE(waited, 900) << port;
    EXPECT_LE(waited, 1100) << port;
    EXPECT_EQ(rig.backend->OpenCount(), 0) << port;
    EXPECT_EQ(rig.glb->StatusText, rig.glb->NoInstrumentText()) << port;
  }
}

TEST(Session, ReopenPortLeavesTheLinesOffOrReleasesAnUnconfigurablePort) {
  SimRig rig;
  rig.glb->ReopenPort();
  EXPECT_TRUE(rig.glb->Serial.IsOpen);
  EXPECT_FALSE(rig.backend->LastSettings().dtr);
  EXPECT_FALSE(rig.backend->LastSettings().rts);

  VirtualPump pump;
  auto owned = std::make_unique<UnconfigurablePort>();
  UnconfigurablePort* port = owned.get();
  TGlb glb(&pump, std::move(owned));
  glb.ComPort = 2;
  glb.ReopenPort();
  EXPECT_FALSE(glb.Serial.IsOpen);
  EXPECT_FALSE(port->open) << "the handle is given back";
}

TEST(Session, QueryInstrumentAlwaysLeavesThePortClosed) {
  struct Case {
    std::vector<Text> noAnswer;
    bool silent;
    bool ok;
  };
  const Case cases[] = {{{}, false, true}, {{}, true, false}, {{"R140"}, false, false}};
  for (const Case& c : cases) {
    SimOptions o;
    o.noAnswer = c.noAnswer;
    o.silent = c.silent;
    SimRig rig(o);
    rig.instrument.SetLanguages({"Deutsch", "English"}, 1);
    int32_t modeInside = -1;
    rig.pump.At(50, [&] { modeInside = rig.glb->ChannelMode; });
    Text answer = "stale";
    EXPECT_EQ(rig.glb->QueryInstrument("R140", &answer), c.ok);
    EXPECT_EQ(answer, c.ok ? Text("\"Deutsch\",\"English\",1") : Text());
    EXPECT_EQ(modeInside, 6);
    EXPECT_EQ(rig.glb->ChannelMode, 0);
    EXPECT_FALSE(rig.glb->Serial.IsOpen);
    EXPECT_EQ(Received(rig, "R140"), !c.silent);
  }
}

TEST(Session, ReleaseInstrumentSendsTheClosingCommandOnlyToAnInstrument) {
  for (bool present : {true, false}) {
    SimOptions o;
    o.silent = !present;
    SimRig rig(o);
    rig.glb->ReleaseInstrument();
    EXPECT_EQ(Received(rig, "W904"), present);
    EXPECT_EQ(rig.backend->Written().contains("W904"), present);
    if (present) {
      EXPECT_EQ(rig.instrument.Commands().back(), Text("W904"));
      EXPECT_FALSE(rig.glb->Serial.IsOpen);
    }
  }
}

TEST(Session, ReadAnswerReportsTimeOutThroughTicksAndErrorText) {
  SimRig rig;
  rig.glb->BeginExchange("Test", 1);
  EXPECT_TRUE(rig.glb->Busy);
  rig.glb->EnterServiceMode();
  EXPECT_TRUE(rig.glb->Serial.IsOpen);
  EXPECT_EQ(rig.glb->LastAnswer, Text("WARTUNG OK"));
  EXPECT_TRUE(rig.glb->ErrorText.isEmpty());
  EXPECT_EQ(rig.log.lines.back(), Text("WARTUNG OK")) << "logged without a mark";

  rig.glb->Serial.WriteText("R001\r");
  EXPECT_EQ(rig.glb->ReadAnswer(), Text("ORX 720 V3.21"));
  EXPECT_GT(rig.glb->TimeoutTicks, 0);

  rig.instrument.Options().silent = true;
  rig.instrument.output("OR");  // a partial line, then nothing
  const int64_t start = rig.pump.NowMs();
  EXPECT_EQ(rig.glb->ReadAnswer(), Text("OR"));
  EXPECT_GE(rig.pump.NowMs() - start, 1900);
  EXPECT_EQ(rig.glb->TimeoutTicks, 0);
  EXPECT_EQ(rig.glb->ErrorText, rig.glb->StrError->Item(18));
  EXPECT_EQ(rig.glb->LastAnswer, Text("OR"));

  rig.glb->BeginExchange("Test", 1);
  EXPECT_TRUE(rig.glb->ErrorText.isEmpty());
  rig.glb->EndExchange();
  EXPECT_FALSE(rig.glb->Busy);
}
