// The simulated instrument: answers, memories and the bootloader exchange.
#include <cctype>

#include <gtest/gtest.h>

#include "sim_instrument.h"

namespace {

// An instrument with its output collected and a hand-driven clock.
struct Bench {
  explicit Bench(SimOptions o = {}) : inst(std::move(o)) {
    inst.SetClock([this] { return now; });
    inst.output = [this](const QByteArray& b) { out += b; };
  }
  // Sends bytes at the given baud rate and returns what came back at once.
  QByteArray Send(const QByteArray& bytes, int32_t baud = 9600) {
    out.clear();
    inst.Receive(bytes.constData(), static_cast<int>(bytes.size()), baud);
    return out;
  }
  QByteArray Cmd(const QByteArray& line) { return Send(line + "\r"); }
  SimInstrument inst;
  QByteArray out;
  int64_t now = 0;
};

QByteArray Hex(const QByteArray& bytes) { return bytes.toHex().toUpper(); }

// A record in its binary form, with a correct checksum unless told otherwise.
QByteArray Record(uint16_t address, uint8_t type, const QByteArray& data, int checksumError = 0) {
  QByteArray r;
  r.append(static_cast<char>(data.size()));
  r.append(static_cast<char>(address >> 8));
  r.append(static_cast<char>(address & 0xFF));
  r.append(static_cast<char>(type));
  r.append(data);
  uint8_t sum = 0;
  for (char c : r) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  r.append(static_cast<char>(static_cast<uint8_t>(-sum) + checksumError));
  return ":" + r;
}

TEST(SimInstrument, AnswerLineCountsPerCommand) {
  struct Case {
    QByteArray sent;
    int lines;
  };
  const std::vector<Case> cases = {
      {"WARTUNG738\r", 1},
      {"R001\r", 1},
      {"R001\r\r", 1},  // the transfer routines' extra CR is an empty line
      {"R002\r", 1},
      {"\r", 0},
      {"\n\r\n", 0},
      {"R101FFa000\r", 1},
      {"R101FF8010\r", 1},
      {"W104\r\r", 2},
      {"W103FFa000\r", 2},
      {"W103FF8000\r", 2},
      {"W1014142\r", 1},
      {"W102FFa000\r", 2},
      {"R10500F0\r", 1},
      {"W105000102\r", 1},
      {"W1060010\r", 2},
      {"W107\r", 1},
      {"R140\r", 1},
      {"W1401\r", 1},
      {"W1409\r", 1},
      {"R180\r", 1},
      {"R181\r", 1},
      {"R182\r", 1},
      {"W1800,2500 -0,00090  3 -5\r", 1},
      {"W1812009020042\r", 1},
      {"W181FEHLER\r", 1},
      {"W18258231\r", 1},
      {"W904\r", 0},
      {"XYZ\r", 1},       // unknown: "?"
      {"R101FFa0\r", 1},  // malformed address: "?"
      {"W101ABC\r", 1},   // odd hex: "?"
      {"WARTUNG738\rR001\r", 2},
  };
  for (const Case& c : cases) {
    Bench b;
    const QByteArray out = b.Send(c.sent);
    EXPECT_EQ(out.count('\r'), c.lines) << c.sent.toStdString();
    EXPECT_TRUE(out.isEmpty() || out.endsWith('\r')) << c.sent.toStdString();
  }
}

TEST(SimInstrument, AnswersCarryTheirContent) {
  Bench b;
  EXPECT_EQ(b.Cmd("R001"), "ORX 720 V3.21\r");
  EXPECT_EQ(b.Cmd("XYZ"), "?\r");
  EXPECT_EQ(b.Cmd("R140"), "\"Deutsch\",\"English\",\"Italiano\",\"Svenska\",0\r");
  EXPECT_EQ(b.Cmd("W1402"), "OK\r");
  EXPECT_EQ(b.inst.Language(), 2);
  b.Cmd("W1404");  // beyond the table: the choice stays
  EXPECT_EQ(b.inst.Language(), 2);
  EXPECT_EQ(b.Cmd("R180"), "0,2500 -0,00090  3 -5\r");
  EXPECT_EQ(b.Cmd("R181"), "2009020042\r");
  EXPECT_EQ(b.inst.Commands().back(), "R181");
}

TEST(SimInstrument, ParameterWriteLandsAtItsAddressAndWraps) {
  Bench b;
  const QByteArray block = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
  b.Cmd("W105" + Hex(block));
  EXPECT_EQ(b.Cmd("W1060040").count('\r'), 2);
  b.Cmd("W107");
  EXPECT_EQ(b.inst.ParameterMemory().mid(0x40, 16), block);
  EXPECT_EQ(b.Cmd("R1050040"), Hex(block) + "\r");
  // The neighbours are untouched.
  const QByteArray before = b.inst.ParameterMemory();
  b.Cmd("W105A1A2A3A4");
  b.Cmd("W10600FE");  // offsets wrap after 256
  const QByteArray& after = b.inst.ParameterMemory();
  EXPECT_EQ(static_cast<uint8_t>(after[0xFE]), 0xA1);
  EXPECT_EQ(static_cast<uint8_t>(after[0xFF]), 0xA2);
  EXPECT_EQ(static_cast<uint8_t>(after[0x00]), 0xA3);
  EXPECT_EQ(static_cast<uint8_t>(after[0x01]), 0xA4);
  EXPECT_EQ(after.mid(0x02, 0xFC), before.mid(0x02, 0xFC));
  // Stored data is used once: a second store without new data changes nothing.
  b.Cmd("W1060080");
  EXPECT_EQ(b.inst.ParameterMemory(), after);
}

TEST(SimInstrument, SeededOptionRecordIsValid) {
  Bench b;
  const QByteArray rec = QByteArray::fromHex(b.Cmd("R1050010").left(32));
  ASSERT_EQ(rec.size(), 16);
  const uint16_t stored = static_cast<uint8_t>(rec[14]) | static_cast<uint8_t>(rec[15]) << 8;
  uint32_t sum = 165;
  for (int i = 0; i < 14; ++i) sum += static_cast<uint8_t>(rec[i]);
  EXPECT_EQ(stored, sum & 0xFFFF);
  uint32_t serial = 0;
  for (int i = 3; i >= 0; --i) serial = serial << 8 | static_cast<uint8_t>(rec[i]);
  EXPECT_EQ(serial, 2009020042u);  // KRAB-0042
  EXPECT_EQ(static_cast<uint8_t>(rec[5]) & 0x80, 0x80);  // option bit 0
  EXPECT_EQ(static_cast<uint8_t>(rec[8]) & 0x01, 0);     // the unused last bit
  EXPECT_EQ(SimInstrument::OptionChecksum(QByteArray(14, '\0').constData()), 165);
}

TEST(SimInstrument, TextAndFuelMemory) {
  Bench b;
  EXPECT_EQ(b.inst.TextArea(), "FFa0");
  // Slot 0 holds 24 characters and its zero byte; slot 1 begins at 25.
  QByteArray text;
  for (int off = 0; off < 160; off += 16)
    text += QByteArray::fromHex(b.Cmd("R101FFa0" + Hex(QByteArray(1, char(off)))).left(32));
  EXPECT_EQ(text.mid(0, 25), QByteArray("Heizung & Sanit\xE4r Krabbe") + '\0');
  EXPECT_EQ(text.mid(25, 14), "Hauptstra\xDF" "e 12");

  const QByteArray header = QByteArray::fromHex(b.Cmd("R101FF8010").left(32));
  EXPECT_TRUE(header.startsWith("BRN_"));
  // Used fuel memory ends in erased bytes, after more than 500 bytes.
  int firstErased = -1;
  for (int block = 0; block < 128 && firstErased < 0; ++block) {
    const QByteArray addr = QByteArray::number(0xFF8000 + block * 16, 16).toUpper();
    if (b.Cmd("R101" + addr) == QByteArray(32, 'F') + "\r") firstErased = block * 16;
  }
  EXPECT_GT(firstErased, 500);

  // Erase, then write one block as the transfer routines do.
  b.Cmd("W104\r");
  b.Cmd("W103FFa000");
  EXPECT_EQ(b.inst.TextMemory(), QByteArray(256, '\xFF'));
  b.Cmd("W101" + Hex("Neu"));
  b.Cmd("W102FFa020");
  EXPECT_EQ(b.inst.TextMemory().mid(0x20, 4), QByteArray("Neu\xFF"));
  EXPECT_TRUE(b.inst.FuelMemory().mid(16).startsWith("BRN_"));  // the other area is unchanged
}

TEST(SimInstrument, TextAreaFollowsTheVersionAnswer) {
  SimOptions o;
  o.version = "V2.10";
  Bench b(o);
  EXPECT_EQ(b.inst.TextArea(), "FF80");
  EXPECT_EQ(b.inst.PrinterText(4), "Vielen Dank f\xFCr Ihren");
  EXPECT_EQ(b.Cmd("R101FF8000").left(8), Hex("Heiz"));
}

TEST(SimInstrument, AlvValuesWaitForTheStoreCode) {
  Bench b;
  b.Cmd("W1800,3000 -0,00100  1  2");
  b.Cmd("W1812010030007");
  EXPECT_EQ(b.Cmd("R180"), "0,2500 -0,00090  3 -5\r");
  EXPECT_EQ(b.Cmd("W18212345"), "ERR\r");
  EXPECT_EQ(b.inst.AlvSerial(), 2009020042);
  EXPECT_EQ(b.Cmd("W18258231"), "OK\r");
  EXPECT_EQ(b.inst.AlvLine(), "0,3000 -0,00100  1  2");
  EXPECT_EQ(b.inst.AlvSerial(), 2010030007);
  b.Cmd("W181FEHLER");
  b.Cmd("W18258231");
  EXPECT_EQ(b.inst.AlvSerial(), 2010030007);
}

TEST(SimInstrument, Knobs) {
  struct Case {
    const char* name;
    SimOptions options;
    QByteArray sent;
    QByteArray expected;
  };
  SimOptions echo, silent, echoSilent, noAnswer, ident;
  echo.echo = true;
  silent.silent = true;
  echoSilent.echo = echoSilent.silent = true;
  noAnswer.noAnswer = {"R001", "R10500"};
  ident.identity = "QV 99";
  const std::vector<Case> cases = {
      {"echo", echo, "R001\r", "R001\rORX 720 V3.21\r"},
      {"echo ignores empty lines", echo, "\r", ""},
      {"silent", silent, "WARTUNG738\rR001\r", ""},
      {"echo and silent", echoSilent, "R001\r", "R001\r"},
      {"not answered", noAnswer, "R001\rR1050010\rWARTUNG738\r", "WARTUNG OK\r"},
      {"identity", ident, "R001\r", "QV 99\r"},
  };
  for (const Case& c : cases) {
    Bench b(c.options);
    EXPECT_EQ(b.Send(c.sent), c.expected) << c.name;
  }

  SimOptions garbage;
  garbage.garbage = true;
  Bench g(garbage);
  const QByteArray out = g.Send("R1050000\rW104\r");
  EXPECT_EQ(out.count('\r'), 3);  // line counts hold, the content does not
  for (char c : out) EXPECT_FALSE(std::isxdigit(static_cast<unsigned char>(c))) << int(c);
  Bench g2(garbage);
  EXPECT_EQ(g2.Send("R1050000\rW104\r"), out);  // seeded

  SimOptions longLines;
  longLines.longLines = true;
  Bench l(longLines);
  const QByteArray line = l.Cmd("R001");
  EXPECT_EQ(line.size(), longLines.longLineBytes + 1);
  EXPECT_TRUE(line.startsWith("ORX 720 V3.21"));
}

TEST(SimInstrument, StalePartialInputIsDropped) {
  Bench b;
  b.Send("R00");
  b.now = 5000;
  EXPECT_EQ(b.Send("\r"), "");  // the lone CR ends nothing but the stale bytes
  EXPECT_EQ(b.Cmd("R001"), "ORX 720 V3.21\r");
  b.Send("R0");
  b.now += 10;
  EXPECT_EQ(b.Send("01\r"), "ORX 720 V3.21\r");  // fresh partial input is kept
  b.Send("R00");
  EXPECT_EQ(b.Send("\r"), "?\r");
}

TEST(SimInstrument, BootloaderExchange) {
  Bench b;
  b.Cmd("W901");
  ASSERT_TRUE(b.inst.InBootloader());
  EXPECT_EQ(b.Send("\r"), "");  // leftovers of the start command are ignored
  EXPECT_EQ(b.Send("Z"), "Z");
  EXPECT_EQ(b.Send("\x06"), "\x06");
  EXPECT_EQ(b.Send("0", 9600), "");  // the host did not switch to 57600
  EXPECT_EQ(b.inst.MisBaudBytes(), 1);
  EXPECT_EQ(b.Send("0", 57600), "0");
  EXPECT_EQ(b.inst.NextDueMs(), 1500);
  b.now = 1499;
  b.inst.Poll();
  EXPECT_EQ(b.out, "0");
  b.now = 1500;
  b.inst.Poll();
  EXPECT_EQ(b.out, "0\xC1");

  const QByteArray data = QByteArray::fromHex("0102030405060708090A0B0C0D0E0F10");
  // Split across writes, as a driver may deliver it.
  const QByteArray r1 = Record(0x1230, 0, data);
  EXPECT_EQ(b.Send(r1.left(7), 57600), "");
  EXPECT_EQ(b.Send(r1.mid(7), 57600), "");
  EXPECT_EQ(b.Send(Record(0xA000, 0, data), 57600), "");
  EXPECT_EQ(b.Send(Record(0, 1, {}), 57600), QByteArray("\x00\x00", 2));
  ASSERT_EQ(b.inst.Records().size(), 3u);
  const SimRecord& r = b.inst.Records()[0];
  EXPECT_EQ(r.address, 0x1230);
  EXPECT_EQ(r.count, 16);
  EXPECT_EQ(r.data, data);
  EXPECT_TRUE(r.checksumOk);
  EXPECT_EQ(b.inst.Records()[1].address, 0xA000);
  EXPECT_TRUE(b.inst.UploadComplete());
  EXPECT_FALSE(b.inst.InBootloader());
  EXPECT_EQ(b.Cmd("R001"), "ORX 720 V3.21\r");  // back at 9600
}

TEST(SimInstrument, BootloaderReportsAWrongRecordChecksum) {
  SimOptions o;
  o.startInBootloader = true;
  o.eraseMs = 0;
  Bench b(o);
  b.Send("Z");
  b.Send("\x06");
  b.Send("0", 57600);
  b.inst.Poll();
  b.Send(Record(0x0000, 0, QByteArray(16, '\x55'), 1), 57600);
  EXPECT_EQ(b.Send(Record(0, 1, {}), 57600), QByteArray("\x01\x00", 2));
  EXPECT_FALSE(b.inst.Records()[0].checksumOk);
}

TEST(SimInstrument, BootStopStep) {
  // What the host receives for the whole exchange when the bootloader stops at step N.
  struct Case {
    int step;
    QByteArray received;
  };
  const std::vector<Case> cases = {
      {0, QByteArray("Z\x06" "0\xC1\x00\x00", 6)},
      {1, ""},
      {2, "Z"},
      {3, "Z\x06"},
      {4, "Z\x06" "0"},
      {5, "Z\x06" "0\xC1"},
      {6, QByteArray("Z\x06" "0\xC1\x00", 5)},
  };
  for (const Case& c : cases) {
    SimOptions o;
    o.startInBootloader = true;
    o.bootStopStep = c.step;
    Bench b(o);
    QByteArray all = b.Send("Z");
    all += b.Send("\x06");
    all += b.Send("0", 57600);
    b.now = 2000;
    b.out.clear();
    b.inst.Poll();
    all += b.out;
    all += b.Send(Record(0x0000, 0, QByteArray(16, '\x55')), 57600);
    all += b.Send(Record(0, 1, {}), 57600);
    EXPECT_EQ(all, c.received) << "step " << c.step;
  }
}

}  // namespace
