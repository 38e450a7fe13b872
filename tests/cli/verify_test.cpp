// --verify: every write of setup720-cli reads back through the read its
// command uses and names the first field that is not what was written. The
// instrument here "forgets" one byte between the write and the read-back.
#include <functional>

#include <gtest/gtest.h>

#include <QJsonArray>

#include "cli_rig.h"
#include "editors/eeprom_dump.h"

namespace {

// Runs `change` when the n-th transfer of the run starts (its Prepare), so
// the read-back sees an instrument that did not keep what was written.
class ChangeAtTransfer : public ProgressSink {
 public:
  ChangeAtTransfer(int n, std::function<void()> change) : n_(n), change_(std::move(change)) {}
  void Prepare(int32_t) override {
    if (++started_ == n_ && change_) {
      change_();
      changed_ = true;
    }
  }
  void Step(int32_t) override {}
  void Close() override {}
  int Started() const { return started_; }
  bool Changed() const { return changed_; }

 private:
  int n_;
  std::function<void()> change_;
  int started_ = 0;
  bool changed_ = false;
};

void Flip(QByteArray& memory, int address, char mask) { memory[address] = static_cast<char>(memory[address] ^ mask); }

}  // namespace

TEST(CliVerify, EveryWriteReadsBackAndNamesTheFirstDifference) {
  struct Case {
    const char* what;
    QStringList arguments;
    int transfer;  // the transfer that reads back
    std::function<void(SimInstrument&)> change;
    const char* message;
    int address;
  };
  const std::vector<Case> cases = {
      {"eeprom write", {"eeprom", "write", "in.dat", "--verify"}, 2,
       [](SimInstrument& s) { Flip(s.ParameterMemory(), 0x35, 0x5A); },
       "verify: EEPROM: Datensatz Unterschied an Adresse $0035", 0x35},
      {"options write: an option bit", {"options", "write", "--type-list", "Typlist.txt", "--type", "2",
                                        "--serial", "KRTC-0815", "--verify"}, 3,
       [](SimInstrument& s) { Flip(s.ParameterMemory(), 16 + 5, 0x10); },
       "verify: option 4: Datensatz Unterschied an Adresse $0015", 0x15},
      {"options write: the serial number", {"options", "write", "--type-list", "Typlist.txt", "--type", "2",
                                            "--serial", "KRTC-0815", "--verify"}, 3,
       [](SimInstrument& s) { Flip(s.ParameterMemory(), 16 + 1, 0x01); },
       "verify: serial number: Datensatz Unterschied an Adresse $0011", 0x11},
      {"options write: a printout row", {"options", "write", "--type-list", "Typlist.txt", "--type", "2",
                                         "--serial", "KRTC-0815", "--verify"}, 4,
       [](SimInstrument& s) { Flip(s.ParameterMemory(), 32 + 24 + 2, 0x01); },
       "verify: printout row 3: Datensatz Unterschied an Adresse $003A", 0x3A},
      {"lists write: a display row", {"lists", "write", "--type-list", "Typlist.txt", "--type", "1", "--verify"}, 3,
       [](SimInstrument& s) { Flip(s.ParameterMemory(), 32 + 9, 0x01); },
       "verify: display 2 row 2: Datensatz Unterschied an Adresse $0029", 0x29},
      {"printer write", {"printer", "write", "in.txt", "--verify"}, 2,
       [](SimInstrument& s) {
         QByteArray text = s.TextMemory();
         Flip(text, 25 + 3, 0x01);
         s.SetTextMemory(text);
       },
       "verify: printer text line 2 (header 2): Datensatz Unterschied an Adresse $001C", 0x1C},
      {"fuel write", {"fuel", "write", "in.bin", "--verify"}, 2,
       [](SimInstrument& s) { Flip(s.FuelMemory(), 100, 0x01); },
       "verify: fuel table: Datensatz Unterschied an Adresse $0064", 100},
  };
  for (const Case& c : cases) {
    for (const bool change : {false, true}) {
      CliRig rig;
      rig.Write("in.dat", DumpFileText(FormatDump(QByteArray(256, '\x21'))));
      rig.Write("Typlist.txt", TypeLine("ORX 720 Basis", "1100000000000000000000000000001", 3, 4) + "\r\n" +
                                   TypeLine("ORX 720 Plus", "1111", 2, 2) + "\r\n");
      rig.Write("in.txt", "Kopf eins\r\nKopf zwei\r\nKopf drei\r\nFuss eins\r\n");
      QByteArray fuel = rig.sim.instrument.FuelMemory().left(64);
      for (int i = 64; i < 600; ++i) fuel.append(static_cast<char>(i % 200));
      rig.Write("in.bin", fuel);
      ChangeAtTransfer changer(c.transfer, [&] {
        if (change) c.change(rig.sim.instrument);
      });
      rig.sim.glb->Progress = &changer;

      const CliRunResult r = rig.Run(c.arguments);
      EXPECT_GE(changer.Started(), c.transfer) << c.what << ": the read-back is that transfer\n" << Show(r);
      if (!change) {
        EXPECT_EQ(r.exit, 0) << c.what << "\n" << Show(r);
        EXPECT_EQ(r.json["verified"], true) << c.what << "\n" << Show(r);
        continue;
      }
      EXPECT_TRUE(changer.Changed()) << c.what;
      EXPECT_EQ(r.exit, 1) << c.what << "\n" << Show(r);
      EXPECT_TRUE(r.err.contains(c.message)) << c.what << "\n" << Show(r);
      EXPECT_EQ(r.json["verified"], false) << c.what;
      EXPECT_EQ(r.json["difference"].toObject()["address"].toInt(), c.address) << c.what;
      EXPECT_TRUE(r.json["error"].toString().contains(c.message)) << c.what << "\n" << Show(r);
    }
  }
}

TEST(CliVerify, WithoutTheFlagNothingIsReadBack) {
  CliRig rig;
  rig.Write("in.dat", DumpFileText(FormatDump(QByteArray(256, '\x21'))));
  ChangeAtTransfer count(0, {});
  rig.sim.glb->Progress = &count;
  const CliRunResult r = rig.Run({"eeprom", "write", "in.dat"});
  ASSERT_EQ(r.exit, 0) << Show(r);
  EXPECT_EQ(count.Started(), 1) << "the write only";
  EXPECT_FALSE(r.json.contains("verified"));
}

TEST(CliVerify, CommandsThatWriteNothingOrCannotReadBackRefuseTheFlag) {
  const std::vector<QStringList> lines = {
      {"eeprom", "read", "a.dat", "--verify"},  {"eeprom", "compare", "a.dat", "--verify"},
      {"printer", "read", "a.txt", "--verify"}, {"options", "show", "--verify"},
      {"language", "show", "--verify"},         {"alv", "show", "--verify"},
      {"fuel", "read", "a.bin", "--verify"},    {"upload", "--verify"},
      {"ident", "--verify"},                    {"ports", "--verify"},
  };
  for (const QStringList& line : lines) {
    CliRig rig;
    const CliRunResult r = rig.Run(line);
    EXPECT_EQ(r.exit, 2) << line.join(' ').toStdString() << "\n" << Show(r);
    EXPECT_TRUE(r.json["error"].toString().contains("verify")) << Show(r);
    EXPECT_TRUE(rig.sim.instrument.Commands().empty()) << line.join(' ').toStdString();
  }
  CliRig rig;
  EXPECT_TRUE(rig.Run({"upload", "--verify"}).json["error"].toString().contains("cannot read the program memory back"));
}

TEST(CliVerify, LanguageAndAlvSetAlwaysReadBack) {
  CliRig rig;
  CliRunResult r = rig.Run({"language", "set", "2", "--verify"});
  ASSERT_EQ(r.exit, 0) << Show(r);
  EXPECT_EQ(r.json["verified"], true);
  EXPECT_EQ(r.json["current"], 2);
  EXPECT_EQ(rig.sim.instrument.Language(), 2);

  r = rig.Run({"alv", "set", "--k1", "5", "--verify"});
  ASSERT_EQ(r.exit, 0) << Show(r);
  EXPECT_EQ(r.json["verified"], true);
  EXPECT_EQ(r.json["k1"], 5);
}
