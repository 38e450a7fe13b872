// Memory block transfers against the in-process instrument, in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "sim_rig.h"
#include "test_support.h"

namespace {

using Routine = std::function<bool(TGlb&)>;

QByteArray Pattern(int n, int seed) {
  QByteArray b(n, '\0');
  for (int i = 0; i < n; ++i) b[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return b;
}

std::vector<Text> WithPrefix(const SimRig& rig, const Text& prefix) {
  std::vector<Text> out;
  for (const Text& c : rig.instrument.Commands())
    if (c.startsWith(prefix)) out.push_back(c);
  return out;
}

bool AnyBlockCommand(const SimRig& rig) {
  for (const char* p : {"R101", "W101", "W102", "R10500", "W105", "W107"})
    if (!WithPrefix(rig, p).empty()) return true;
  return false;
}

// A block answer: 32 hex digits and CR.
bool IsBlockAnswer(const QByteArray& bytes) {
  if (bytes.size() != 33 || !bytes.endsWith('\r')) return false;
  return std::all_of(bytes.begin(), bytes.end() - 1,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// Routes the instrument's answers through `map` before they reach the line.
void MapAnswers(SimRig& rig, std::function<QByteArray(const QByteArray&)> map) {
  auto deliver = rig.instrument.output;
  rig.instrument.output = [deliver, map](const QByteArray& bytes) {
    const QByteArray out = map(bytes);
    if (!out.isEmpty()) deliver(out);
  };
}

// The instrument answers `blocks` block reads and then falls silent.
void SilentAfterBlocks(SimRig& rig, int blocks) {
  auto answered = std::make_shared<int>(0);
  MapAnswers(rig, [answered, blocks, &rig](const QByteArray& bytes) {
    if (IsBlockAnswer(bytes) && ++*answered == blocks) rig.instrument.Options().silent = true;
    return bytes;
  });
}

}  // namespace

TEST(Transfer, CommandsProgressAndWaitsOfEveryRoutine) {
  struct Case {
    const char* name;
    Routine run;
    QByteArray written;  // everything the instrument received, CRs included
    int32_t maximum;
    std::vector<int32_t> steps;
    int64_t ms;  // one tick per DiscardInput with an instant instrument
  };
  const Text block = Text("0123456789ABCDEF00112233445566FF");
  const Case cases[] = {
      {"ReadText", [](TGlb& g) { return g.ReadTextMemory(); },
       "\rWARTUNG738\rR001\r\rR002\r\rR101FFa000\rR101FFa010\rR101FFa020\rR101FFa030\rR101FFa040\r"
       "R101FFa050\rR101FFa060\rR101FFa070\rR101FFa080\rR101FFa090\r",
       10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 300},
      {"WriteText",
       [](TGlb& g) {
         g.TextMemory.replace(0, 2, "AB");
         g.TextMemoryLength = 2;
         return g.WriteTextMemory();
       },
       "\rWARTUNG738\rR001\r\rR002\rW104\r\rW103FFa000\rW1014142\rW102FFa000\r", 14, {1, 2, 3, 3},
       300},
      {"ReadFuel", [](TGlb& g) { return g.ReadFuelMemory(64); },
       "\rWARTUNG738\rWARTUNG738\r\rR001\r\rR002\r\rR101FF8000\rR101FF8010\rR101FF8020\r"
       "R101FF8030\rR101FF8040\r",
       100, {1, 2, 3, 4, 5}, 300},
      {"WriteFuel",
       [](TGlb& g) {
         g.FuelMemory.replace(0, 2, "\x01\xFE");
         g.FuelMemoryLength = 2;
         return g.WriteFuelMemory();
       },
       "\rWARTUNG738\rR001\r\rR002\rW104\r\rW103FF8000\rW10101FE\rW102FF8000\r", 14, {1, 2, 3, 3},
       300},
      {"ReadParameters",
       [](TGlb& g) {
         QByteArray b;
         return g.ReadParameterBlock(32, 48, b);
       },
       "\rWARTUNG738\rR002\rR1050020\rR1050030\rR1050040\r", 48, {0, 16, 32}, 100},
      {"WriteParameters",
       [block](TGlb& g) { return g.WriteParameterBlock(16, 16, QByteArray::fromHex(block)); },
       "\rWARTUNG738\rR002\rW105" + block + "\rW1060010\rW107\r", 16, {0}, 100},
  };
  for (const Case& c : cases) {
    SimRig rig;
    int32_t modeInside = -1;
    rig.pump.At(50, [&] { modeInside = rig.glb->ChannelMode; });
    const int64_t start = rig.pump.NowMs();
    EXPECT_TRUE(c.run(*rig.glb)) << c.name;
    EXPECT_EQ(rig.pump.NowMs() - start, c.ms) << c.name;
    EXPECT_EQ(rig.backend->Written(), c.written) << c.name;
    EXPECT_EQ(rig.progress.prepares, 1) << c.name;
    EXPECT_EQ(rig.progress.maximum, c.maximum) << c.name;
    EXPECT_EQ(rig.progress.steps, c.steps) << c.name;
    EXPECT_EQ(rig.progress.closes, 1) << c.name;
    const bool parameters = Text(c.name).contains("Parameters");
    EXPECT_EQ(modeInside, parameters ? 4 : 2) << c.name;
    EXPECT_EQ(rig.glb->ChannelMode, 0) << c.name;
    EXPECT_FALSE(rig.glb->Serial.IsOpen) << c.name;
    EXPECT_FALSE(rig.glb->TransferRunning) << c.name;
  }
}

TEST(Transfer, CloseDelayOnlyForTextAndParameterRoutines) {
  struct Case {
    const char* name;
    Routine run;
    int64_t extraMs;  // OpenPort waits once, the close step once more
  };
  const Case cases[] = {
      {"ReadText", [](TGlb& g) { return g.ReadTextMemory(); }, 1000},
      {"WriteText", [](TGlb& g) { return g.WriteTextMemory(); }, 1000},
      {"ReadFuel", [](TGlb& g) { return g.ReadFuelMemory(16); }, 500},
      {"WriteFuel", [](TGlb& g) { return g.WriteFuelMemory(); }, 500},
      {"ReadParameters", [](TGlb& g) { QByteArray b; return g.ReadParameterBlock(0, 16, b); }, 1000},
      {"WriteParameters", [](TGlb& g) { return g.WriteParameterBlock(0, 16, QByteArray(16, 'x')); }, 1000},
  };
  for (const Case& c : cases) {
    int64_t took[2] = {};
    for (int delayed = 0; delayed < 2; ++delayed) {
      SimRig rig;
      rig.glb->PortCloseDelay = delayed ? 500 : 0;
      const int64_t start = rig.pump.NowMs();
      EXPECT_TRUE(c.run(*rig.glb)) << c.name;
      took[delayed] = rig.pump.NowMs() - start;
    }
    EXPECT_EQ(took[1] - took[0], c.extraMs) << c.name;
  }
}

TEST(Transfer, PreambleTimeOutStopsBeforeAnyBlock) {
  struct Case {
    const char* name;
    Routine run;
    std::vector<const char*> silentOn;  // each on its own
  };
  const Case cases[] = {
      {"ReadText", [](TGlb& g) { return g.ReadTextMemory(); }, {"WARTUNG738", "R001", "R002"}},
      {"WriteText",
       [](TGlb& g) {
         g.TextMemoryLength = 32;
         return g.WriteTextMemory();
       },
       {"WARTUNG738", "R001", "R002", "W104", "W103"}},
      // R001's line is taken from the second "WARTUNG738" sent with it.
      {"ReadFuel", [](TGlb& g) { return g.ReadFuelMemory(64); }, {"WARTUNG738", "R002"}},
      {"WriteFuel",
       [](TGlb& g) {
         g.FuelMemoryLength = 32;
         return g.WriteFuelMemory();
       },
       {"WARTUNG738", "R001", "R002", "W104", "W103"}},
      {"ReadParameters", [](TGlb& g) { QByteArray b(32, 'k'); return g.ReadParameterBlock(0, 32, b) || b != QByteArray(32, 'k'); },
       {"WARTUNG738", "R002"}},
      {"WriteParameters", [](TGlb& g) { return g.WriteParameterBlock(0, 32, QByteArray(32, 'x')); },
       {"WARTUNG738", "R002"}},
  };
  for (const Case& c : cases) {
    for (const char* command : c.silentOn) {
      SimOptions o;
      o.noAnswer = {command};
      SimRig rig(o);
      rig.glb->TextMemoryLength = 7;
      rig.glb->FuelMemoryLength = 7;
      rig.glb->FuelMemoryValid = true;
      const QByteArray textBefore = rig.glb->TextMemory;
      EXPECT_FALSE(c.run(*rig.glb)) << c.name << " " << command;
      EXPECT_FALSE(AnyBlockCommand(rig)) << c.name << " " << command;
      EXPECT_EQ(rig.glb->ChannelMode, 0) << c.name << " " << command;
      EXPECT_FALSE(rig.glb->Serial.IsOpen) << c.name << " " << command;
      EXPECT_EQ(rig.progress.closes, 1) << c.name << " " << command;
      EXPECT_EQ(rig.glb->TextMemory, textBefore) << c.name << " " << command;
      if (Text(c.name) == "ReadText") {
        EXPECT_EQ(rig.glb->TextMemoryLength, 7) << command;
      }
      if (Text(c.name) == "ReadFuel") {
        EXPECT_EQ(rig.glb->FuelMemoryLength, 7) << command;
        EXPECT_FALSE(rig.glb->FuelMemoryValid) << command;
      }
    }
  }
}

TEST(Transfer, TextAreaFollowsTheThirdCharacterOfTheVersion) {
  struct Case {
    const char* version;
    const char* area;
  };
  const Case cases[] = {{"V03.21", "FFa0"}, {"V09", "FFa0"}, {"V02.10", "FF80"},
                        {"V0A", "FF80"},    {"V0", "FF80"},  {"", "FF80"}};
  for (const Case& c : cases) {
    SimOptions o;
    o.version = c.version;
    SimRig rig(o);
    rig.instrument.SetTextMemory(Pattern(160, 3));
    ASSERT_TRUE(rig.glb->ReadTextMemory()) << c.version;
    const auto reads = WithPrefix(rig, "R101");
    ASSERT_EQ(reads.size(), 10u) << c.version;
    EXPECT_EQ(reads.front(), Text("R101") + c.area + "00") << c.version;
    EXPECT_EQ(reads.back(), Text("R101") + c.area + "90") << c.version;
    EXPECT_EQ(rig.glb->TextMemoryLength, 160);
    EXPECT_EQ(rig.glb->TextMemory.left(160), Pattern(160, 3)) << c.version;
    EXPECT_EQ(rig.glb->TextMemory.mid(160, 100), QByteArray(100, ' ')) << c.version;
  }
}

TEST(Transfer, ShortOrMalformedAnswerLinesFillZero) {
  SimRig rig;
  MapAnswers(rig, [](const QByteArray& bytes) {
    return IsBlockAnswer(bytes) ? QByteArray("0A4Z\r") : bytes;
  });
  QByteArray buffer(16, '\x77');
  ASSERT_TRUE(rig.glb->ReadParameterBlock(0, 16, buffer));
  QByteArray expected(16, '\0');
  expected[0] = '\x0A';
  expected[1] = '\x04';  // the readable leading digit
  EXPECT_EQ(buffer, expected);
}

TEST(Transfer, WriteTextMemoryPadsToEvenAndWritesEveryBlock) {
  {
    SimRig rig;
    rig.glb->TextMemoryLength = 0;
    EXPECT_TRUE(rig.glb->WriteTextMemory());
    EXPECT_TRUE(WithPrefix(rig, "W101").empty());
    EXPECT_FALSE(WithPrefix(rig, "W103").empty());
  }
  SimRig rig;
  const QByteArray data = Pattern(161, 1) + "x";
  rig.glb->TextMemory.replace(0, 162, data);
  rig.glb->TextMemoryLength = 161;
  ASSERT_TRUE(rig.glb->WriteTextMemory());
  EXPECT_EQ(rig.glb->TextMemoryLength, 162);
  const auto blocks = WithPrefix(rig, "W101");
  ASSERT_EQ(blocks.size(), 11u);
  EXPECT_EQ(blocks.back(), "W101" + data.mid(160, 2).toHex().toUpper());
  const auto places = WithPrefix(rig, "W102");
  ASSERT_EQ(places.size(), 11u);
  EXPECT_EQ(places[1], Text("W102FFa010"));
  EXPECT_EQ(places.back(), Text("W102FFa0A0"));
  EXPECT_EQ(rig.instrument.TextMemory().left(162), data);
  EXPECT_EQ(rig.instrument.TextMemory().at(162), '\xFF') << "erased by W103, not written";
  EXPECT_EQ(rig.progress.steps.back(), 13);
}

TEST(Transfer, WriteFuelMemoryUsesThreeDigitOffsets) {
  SimRig rig;
  const QByteArray data = Pattern(2050, 5);
  rig.glb->FuelMemory.replace(0, 2050, data);
  rig.glb->FuelMemoryLength = 2049;
  ASSERT_TRUE(rig.glb->WriteFuelMemory());
  EXPECT_EQ(rig.glb->FuelMemoryLength, 2050);
  const auto places = WithPrefix(rig, "W102");
  ASSERT_EQ(places.size(), 129u);
  EXPECT_EQ(places[0], Text("W102FF8000"));
  EXPECT_EQ(places[16], Text("W102FF8100"));
  EXPECT_EQ(places.back(), Text("W102FF8800"));
  EXPECT_EQ(rig.instrument.FuelMemory().left(2050), data);
  EXPECT_EQ(rig.instrument.FuelMemory().at(2050), '\xFF');
}

TEST(Transfer, FuelReadBlockCountAndEarlyStop) {
  struct Case {
    int32_t length;
    int erasedBlock;     // one erased block further up
    int erasedFrom;      // the instrument's memory is 0xFF from here on
    int32_t readLength;  // FuelMemoryLength afterwards
  };
  // An erased block among the first 31 (up to 496 bytes) does not stop the read.
  const Case cases[] = {{64, 1, 4096, 80},    {2048, 1, 600, 624}, {2048, 30, 496, 512},
                        {16, 1, 4096, 32},    {0, 1, 4096, 16}};
  for (const Case& c : cases) {
    SimRig rig;
    QByteArray& fuel = rig.instrument.FuelMemory();
    fuel = Pattern(4096, 9);
    for (int i = 0; i < 16; ++i) fuel[c.erasedBlock * 16 + i] = '\xFF';
    for (int i = c.erasedFrom; i < 4096; ++i) fuel[i] = '\xFF';
    ASSERT_TRUE(rig.glb->ReadFuelMemory(c.length)) << c.length;
    EXPECT_TRUE(rig.glb->FuelMemoryValid);
    EXPECT_EQ(rig.glb->FuelMemoryLength, c.readLength) << c.length;
    const auto reads = WithPrefix(rig, "R101");
    EXPECT_EQ(static_cast<int32_t>(reads.size()), c.readLength / 16) << c.length;
    EXPECT_EQ(rig.glb->FuelMemory.left(c.readLength), fuel.left(c.readLength)) << c.length;
    EXPECT_EQ(rig.glb->FuelMemory.at(c.readLength), ' ') << c.length;
  }
}

TEST(Transfer, ParameterOffsetsAndRoundTrip) {
  struct Case {
    int32_t start;
    int32_t count;
    std::vector<Text> offsets;
  };
  const Case cases[] = {
      {32, 48, {"20", "30", "40"}},
      {0, 256, {"00", "10", "20", "30", "40", "50", "60", "70", "80", "90", "A0", "B0", "C0", "D0", "E0", "F0"}},
      {16, 5, {"10"}},
  };
  for (const Case& c : cases) {
    SimRig rig;
    const QByteArray before = rig.instrument.ParameterMemory();
    QByteArray buffer;
    ASSERT_TRUE(rig.glb->ReadParameterBlock(c.start, c.count, buffer)) << c.start;
    ASSERT_EQ(buffer.size(), c.count);
    EXPECT_EQ(buffer, before.mid(c.start, c.count)) << c.start;
    std::vector<Text> sent;
    for (const Text& r : WithPrefix(rig, "R10500")) sent.push_back(r.mid(6));
    EXPECT_EQ(sent, c.offsets) << c.start;

    rig.instrument.ClearCommands();
    const QByteArray data = Pattern(c.count, c.start);
    ASSERT_TRUE(rig.glb->WriteParameterBlock(c.start, c.count, data)) << c.start;
    QByteArray expected = before;
    expected.replace(c.start, c.count, data);
    EXPECT_EQ(rig.instrument.ParameterMemory(), expected) << c.start;
    std::vector<Text> placed;
    for (const Text& w : WithPrefix(rig, "W10600")) placed.push_back(w.mid(6));
    EXPECT_EQ(placed, c.offsets) << c.start;
    EXPECT_EQ(WithPrefix(rig, "W107").size(), c.offsets.size()) << c.start;
  }
}

TEST(Transfer, ReadInterruptedByTimeOutKeepsTheBlocksSoFar) {
  struct Case {
    const char* name;
    std::function<void(SimRig&)> run;
  };
  const Case cases[] = {
      {"ReadText",
       [](SimRig& rig) {
         const QByteArray text = rig.instrument.TextMemory();
         EXPECT_FALSE(rig.glb->ReadTextMemory());
         EXPECT_EQ(rig.glb->TextMemoryLength, 48);
         EXPECT_EQ(rig.glb->TextMemory.left(48), text.left(48));
         EXPECT_EQ(rig.glb->TextMemory.mid(48, 200), QByteArray(200, ' '));
       }},
      {"ReadFuel",
       [](SimRig& rig) {
         rig.glb->FuelMemoryValid = true;
         EXPECT_FALSE(rig.glb->ReadFuelMemory(2048));
         EXPECT_FALSE(rig.glb->FuelMemoryValid);
         EXPECT_EQ(rig.glb->FuelMemoryLength, 48);
         EXPECT_EQ(rig.glb->FuelMemory.left(48), rig.instrument.FuelMemory().left(48));
         EXPECT_EQ(rig.glb->FuelMemory.mid(48, 200), QByteArray(200, ' '));
       }},
      {"ReadParameters",
       [](SimRig& rig) {
         QByteArray buffer(256, '\x55');
         EXPECT_FALSE(rig.glb->ReadParameterBlock(0, 256, buffer));
         EXPECT_EQ(buffer.left(48), rig.instrument.ParameterMemory().left(48));
         EXPECT_EQ(buffer.mid(48), QByteArray(208, '\x55'));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimRig rig;
    SilentAfterBlocks(rig, 3);
    c.run(rig);
    EXPECT_EQ(WithPrefix(rig, "R10").size(), 4u) << "no block after the time-out";
    EXPECT_EQ(rig.glb->ChannelMode, 0);
    EXPECT_FALSE(rig.glb->Serial.IsOpen);
  }
}

TEST(Transfer, WriteTimeOutMarksFalseButSendsEveryBlock) {
  struct Case {
    const char* name;
    Routine run;
    const char* unanswered;
    const char* blockCommand;
  };
  const Case cases[] = {
      {"WriteText",
       [](TGlb& g) {
         g.TextMemoryLength = 48;
         return g.WriteTextMemory();
       },
       "W102FFa010", "W101"},
      {"WriteFuel",
       [](TGlb& g) {
         g.FuelMemoryLength = 48;
         return g.WriteFuelMemory();
       },
       "W102FF8010", "W101"},
      {"WriteParameters", [](TGlb& g) { return g.WriteParameterBlock(0, 48, QByteArray(48, 'x')); },
       "W1060010", "W107"},
  };
  for (const Case& c : cases) {
    SimOptions o;
    o.noAnswer = {c.unanswered};
    SimRig rig(o);
    EXPECT_FALSE(c.run(*rig.glb)) << c.name;
    EXPECT_EQ(WithPrefix(rig, c.blockCommand).size(), 3u) << c.name;
    EXPECT_EQ(rig.glb->ChannelMode, 0) << c.name;
  }
}

TEST(Transfer, BadArgumentsNeverReadOutsideTheData) {
  SimRig rig;
  QByteArray buffer;
  EXPECT_FALSE(rig.glb->WriteParameterBlock(0, 32, QByteArray(16, 'x'))) << "data shorter than count";
  EXPECT_FALSE(rig.glb->ReadParameterBlock(0, 100000, buffer));
  EXPECT_TRUE(buffer.isEmpty());
  EXPECT_EQ(rig.backend->OpenCount(), 0);

  // Lengths beyond the buffer or the address form are clipped and reported.
  rig.glb->TextMemoryLength = 20000;
  EXPECT_FALSE(rig.glb->WriteTextMemory());
  EXPECT_EQ(WithPrefix(rig, "W101").size(), 16u);
  EXPECT_EQ(WithPrefix(rig, "W102").back(), Text("W102FFa0F0"));
  rig.instrument.ClearCommands();
  rig.instrument.FuelMemory() = Pattern(4096, 2);  // no erased block to stop at
  EXPECT_FALSE(rig.glb->ReadFuelMemory(1 << 30));
  EXPECT_EQ(WithPrefix(rig, "R101").back(), Text("R101FF8FF0"));
  EXPECT_TRUE(rig.glb->ReadFuelMemory(-5));
  EXPECT_EQ(rig.glb->FuelMemoryLength, 16);
}

TEST(Transfer, TransferStartedInsideAnotherOneIsRefused) {
  const std::vector<Routine> inner = {
      [](TGlb& g) { return g.ReadTextMemory(); },
      [](TGlb& g) { return g.WriteTextMemory(); },
      [](TGlb& g) { return g.ReadFuelMemory(64); },
      [](TGlb& g) { return g.WriteFuelMemory(); },
      [](TGlb& g) { QByteArray b; return g.ReadParameterBlock(0, 16, b); },
      [](TGlb& g) { return g.WriteParameterBlock(0, 16, QByteArray(16, 'x')); },
  };
  for (size_t i = 0; i < inner.size(); ++i) {
    SimRig rig;
    rig.glb->TextMemoryLength = 32;
    rig.glb->FuelMemoryLength = 32;
    bool innerResult = true, refused = false, running = false, open = false;
    int32_t mode = -1, prepares = -1, opens = -1, modeAfter = -1;
    rig.pump.At(50, [&] {
      mode = rig.glb->ChannelMode;
      opens = rig.backend->OpenCount();
      innerResult = inner[i](*rig.glb);
      refused = rig.glb->TransferRefused;
      running = rig.glb->TransferRunning;
      modeAfter = rig.glb->ChannelMode;
      open = rig.glb->Serial.IsOpen;
      prepares = rig.progress.prepares;
    });
    QByteArray buffer;
    EXPECT_TRUE(rig.glb->ReadParameterBlock(0, 256, buffer)) << i;
    EXPECT_FALSE(innerResult) << i;
    EXPECT_TRUE(refused) << i;
    EXPECT_TRUE(running) << i;
    EXPECT_EQ(mode, 4) << i;
    EXPECT_EQ(modeAfter, 4) << i;
    EXPECT_TRUE(open) << i;
    EXPECT_EQ(prepares, 1) << i;
    EXPECT_EQ(rig.backend->OpenCount(), opens) << i;
    EXPECT_EQ(WithPrefix(rig, "R101").size() + WithPrefix(rig, "W10").size(), 0u) << i;
    EXPECT_FALSE(rig.glb->TransferRunning) << i;

    // The next transfer runs normally and clears the mark.
    EXPECT_TRUE(inner[i](*rig.glb)) << i;
    EXPECT_FALSE(rig.glb->TransferRefused) << i;
  }
}
