// Several setup720-cli runs at the same time: one per instrument works side
// by side (the single-instance rule is the window program's only); a second
// run on a port that is in use fails at once with the port-busy message.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include "cli_process.h"
#include "editors/eeprom_dump.h"
#include "link/posix_serial.h"
#include "sim_process.h"
#include "test_support.h"

TEST(CliParallel, TwoInstrumentsOnTwoPortsAtTheSameTime) {
  TempDir dir;
  // Answers a little slow, so that the two runs overlap.
  SimProcess first({"--register", "1", "--home", dir.Path(), "--quiet", "--latency", "20"});
  SimProcess second({"--register", "2", "--home", dir.Path(), "--quiet", "--latency", "20"});
  ASSERT_TRUE(first.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;
  ASSERT_TRUE(second.Path().startsWith("/dev/pts/"));

  CliProcess one(dir.Path(), SETUP720_CLI_PATH, {"--port", "1", "eeprom", "read", "one.dat"});
  CliProcess two(dir.Path(), SETUP720_CLI_PATH, {"--port", "COM2", "eeprom", "read", "two.dat"});
  const CliResult a = one.Finish();
  const CliResult b = two.Finish();
  EXPECT_EQ(a.code, 0) << Show(a);
  EXPECT_EQ(b.code, 0) << Show(b);
  EXPECT_EQ(ParseDump(DumpFileLines(ReadFile(dir.File("one.dat")))),
            ParseDump(DumpFileLines(ReadFile(dir.File("two.dat")))))
      << "two instruments of the same kind, read whole";
  EXPECT_TRUE(ParseDump(DumpFileLines(ReadFile(dir.File("one.dat")))));
}

TEST(CliParallel, APortHeldByAnotherProgramIsBusyAtOnce) {
  TempDir dir;
  SimProcess sim({"--register", "1", "--home", dir.Path(), "--quiet"});
  ASSERT_TRUE(sim.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;

  // This test process holds the port as the program itself would.
  PosixSerialBackend holder(ComPortMap({{1, sim.Path()}}));
  ASSERT_TRUE(holder.Open(1));
  const CliResult busy = RunCli(dir.Path(), {"--json", "ident"});
  EXPECT_EQ(busy.code, 1) << Show(busy);
  const QString message = "Schnittstelle belegt (COM1, " + sim.Path() + ")";
  EXPECT_TRUE(busy.err.contains(message)) << Show(busy);
  EXPECT_EQ(busy.Json()["error"], message) << Show(busy);
  // At once: not after the second the connection check waits for an answer.
  EXPECT_LT(busy.ms, 1000) << Show(busy);

  holder.Close();
  const CliResult free = RunCli(dir.Path(), {"ident"});
  EXPECT_EQ(free.code, 0) << Show(free);
}

TEST(CliParallel, ASecondRunOnTheSamePortIsBusyWhileTheFirstRuns) {
  TempDir dir;
  // Slow answers: the first run takes a few seconds.
  SimProcess sim({"--register", "1", "--home", dir.Path(), "--latency", "60"});
  ASSERT_TRUE(sim.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;

  CliProcess first(dir.Path(), SETUP720_CLI_PATH, {"eeprom", "read", "first.dat"});
  // The first run has the port once the instrument hears from it.
  ASSERT_TRUE(sim.LogShows("< WARTUNG738", 5000)) << sim.Log().toStdString();
  const CliResult second = RunCli(dir.Path(), {"eeprom", "read", "second.dat"});
  const CliResult done = first.Finish();

  EXPECT_EQ(second.code, 1) << Show(second);
  EXPECT_TRUE(second.err.contains("Schnittstelle belegt (COM1, " + sim.Path() + ")")) << Show(second);
  EXPECT_LT(second.ms, 1000) << Show(second);
  EXPECT_FALSE(QFileInfo::exists(dir.File("second.dat")));
  EXPECT_EQ(done.code, 0) << "the first run was not disturbed\n" << Show(done);
  EXPECT_TRUE(ParseDump(DumpFileLines(ReadFile(dir.File("first.dat")))));
}
