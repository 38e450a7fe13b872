// Parameter memory read and write against setup720-sim over a real
// pseudo-terminal, in real time, through the program's own serial backend.
#include <signal.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include "link/glb.h"
#include "link/posix_serial.h"
#include "sim_instrument.h"
#include "sim_process.h"

TEST(ParameterE2E, ReadWriteAndReadBackOverAPseudoTerminal) {
  SimProcess sim;
  ASSERT_TRUE(sim.Path().startsWith("/dev/pts/")) << "no PTY line from " SETUP720_SIM_PATH;

  QtEventPump pump;
  TGlb glb(&pump, std::make_unique<PosixSerialBackend>(ComPortMap({{1, sim.Path()}})));
  glb.ComPort = 1;

  const QByteArray seeded = SimInstrument().ParameterMemory();  // what the sim starts with
  QByteArray buffer;
  ASSERT_TRUE(glb.ReadParameterBlock(0, 256, buffer));
  EXPECT_EQ(buffer, seeded);
  EXPECT_FALSE(glb.Serial.IsOpen);
  EXPECT_EQ(glb.ChannelMode, 0);

  QByteArray record(48, '\0');
  for (int i = 0; i < 48; ++i) record[i] = static_cast<char>(255 - 3 * i);
  ASSERT_TRUE(glb.WriteParameterBlock(32, 48, record));

  QByteArray back;
  ASSERT_TRUE(glb.ReadParameterBlock(0, 256, back));
  QByteArray expected = seeded;
  expected.replace(32, 48, record);
  EXPECT_EQ(back, expected);
}
