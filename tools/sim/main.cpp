// setup720-sim: the simulated instrument behind a pseudo-terminal. The tool
// opens the slave path as its COM port; this program answers on the master.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include <QDir>
#include <QString>

#include "link/comports.h"
#include "sim_instrument.h"
#include "util/text.h"

namespace {

int g_signalPipe[2] = {-1, -1};

// One byte per signal into the pipe: 1 ends the program, 2 switches the faults off.
void OnSignal(int sig) {
  const char c = sig == SIGUSR1 ? 2 : 1;
  const int saved = errno;
  (void)!::write(g_signalPipe[1], &c, 1);
  errno = saved;
}

void Usage(FILE* to) {
  std::fputs(
      "Usage: setup720-sim [options]\n"
      "Simulates the instrument on a pseudo-terminal. The first line on stdout is\n"
      "\"PTY <slave path>\"; the tool opens that path as its serial port.\n"
      "\n"
      "  --register N     write COMN=<slave path> into [PORTS] of <home>/Setup720.INI\n"
      "                   (removed again on exit)\n"
      "  --home DIR       folder of Setup720.INI (default $SETUP720_HOME, else the\n"
      "                   current folder)\n"
      "  --silent         answer no command\n"
      "  --echo           send every command line back before its answer\n"
      "  --ident TEXT     answer to R001 (default \"ORX 720 V3.21\")\n"
      "  --r002 TEXT      answer to R002; its third character selects the text area\n"
      "                   (3..9: FFa0, else FF80; default \"V03.21\")\n"
      "  --no-answer CMD  ignore commands beginning with CMD (repeatable)\n"
      "  --latency MS     delay before each answer\n"
      "  --paced          send answers at the line rate (10 bits per byte)\n"
      "  --boot-stop N    bootloader answers nothing from step N on (1 start byte,\n"
      "                   2 ACK, 3 baud byte, 4 erase marker, 5/6 result bytes)\n"
      "  --erase-ms MS    bootloader erase time (default 1500)\n"
      "  --bootloader     start in the bootloader (emergency upload)\n"
      "  --garbage        answer with random non-hex lines\n"
      "  --seed N         seed for --garbage\n"
      "  --long-lines     pad every answer line to 3000 bytes\n"
      "  --stale-ms MS    drop partial input older than MS (default 1000, 0 never)\n"
      "  --line-count FILE  keep the number of bytes taken off the line in FILE\n"
      "                   (8 bytes, native order, updated as they arrive), so a\n"
      "                   measuring host can tell what is still on its way\n"
      "  --fault-after N  answer the first N command lines plainly; --silent, --echo,\n"
      "                   --garbage and --long-lines act from line N+1 on\n"
      "  --boot-echo      the bootloader sends every byte back before acting on it\n"
      "  --boot-garbage N bootloader answers a wrong byte from step N on (steps as\n"
      "                   for --boot-stop)\n"
      "  --vanish-after-lines N  once N command lines are answered, the pseudo-\n"
      "                   terminal disappears like a pulled cable: both ends are\n"
      "                   closed, later input is lost and the program ends\n"
      "  --vanish-after-bytes N  the same once N bytes were taken off the line and\n"
      "                   what they were answered with is sent\n"
      "  --quiet          no log on stderr\n"
      "  --help           this text\n"
      "\n"
      "SIGUSR1 switches every fault off (also the vanishing) and leaves the\n"
      "bootloader, as after switching the instrument off and on; \"FAULTS OFF\" on\n"
      "stdout confirms it.\n",
      to);
}

int32_t BaudOf(speed_t s) {
  switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
  }
}

int64_t NowUs() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return duration_cast<microseconds>(steady_clock::now() - start).count();
}

// 10 bits per byte.
int64_t ByteTimeNs(int32_t baud) { return 10'000'000'000LL / (baud > 0 ? baud : 9600); }

bool ParseNumber(const char* text, int64_t lo, int64_t hi, int64_t& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (errno || *end || v < lo || v > hi) return false;
  value = v;
  return true;
}

Text Arg(const char* s) { return FromQt(QString::fromLocal8Bit(s)); }

struct Byte {
  int64_t dueUs;
  char c;
};

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  int64_t registerCom = 0;
  QString home = qEnvironmentVariableIsSet("SETUP720_HOME") ? qEnvironmentVariable("SETUP720_HOME")
                                                            : QDir::currentPath();
  bool quiet = false;
  QString lineCountPath;
  int64_t vanishLines = -1;  // -1: never
  int64_t vanishBytes = -1;
  int64_t vanishSinceUs = -1;  // when the line was ready to vanish
  int64_t emptySinceUs = -1;   // since when the host has had nothing unread

  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "setup720-sim: %s needs %s\n", a.c_str(), what);
        std::exit(2);
      }
      return argv[++i];
    };
    auto number = [&](int64_t lo, int64_t hi) {
      int64_t v = 0;
      const char* text = value("a number");
      if (!ParseNumber(text, lo, hi, v)) {
        std::fprintf(stderr, "setup720-sim: %s: bad number \"%s\"\n", a.c_str(), text);
        std::exit(2);
      }
      return v;
    };
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return 0;
    } else if (a == "--register") {
      registerCom = number(1, 99);
    } else if (a == "--home") {
      home = QString::fromLocal8Bit(value("a folder"));
    } else if (a == "--silent") {
      options.silent = true;
    } else if (a == "--echo") {
      options.echo = true;
    } else if (a == "--ident") {
      options.identity = Arg(value("a text"));
    } else if (a == "--r002") {
      options.version = Arg(value("a text"));
    } else if (a == "--no-answer") {
      options.noAnswer.push_back(Arg(value("a command")));
    } else if (a == "--latency") {
      options.latencyMs = static_cast<int32_t>(number(0, 600000));
    } else if (a == "--paced") {
      options.paced = true;
    } else if (a == "--boot-stop") {
      options.bootStopStep = static_cast<int32_t>(number(0, 6));
    } else if (a == "--erase-ms") {
      options.eraseMs = static_cast<int32_t>(number(0, 600000));
    } else if (a == "--bootloader") {
      options.startInBootloader = true;
    } else if (a == "--garbage") {
      options.garbage = true;
    } else if (a == "--seed") {
      options.garbageSeed = static_cast<uint32_t>(number(0, 0xFFFFFFFFll));
    } else if (a == "--long-lines") {
      options.longLines = true;
    } else if (a == "--stale-ms") {
      options.staleInputMs = static_cast<int32_t>(number(0, 600000));
    } else if (a == "--line-count") {
      lineCountPath = QString::fromLocal8Bit(value("a file"));
    } else if (a == "--fault-after") {
      options.faultAfterLines = static_cast<int32_t>(number(0, 1000000));
    } else if (a == "--boot-echo") {
      options.bootEcho = true;
    } else if (a == "--boot-garbage") {
      options.bootGarbageStep = static_cast<int32_t>(number(0, 6));
    } else if (a == "--vanish-after-lines") {
      vanishLines = number(0, 1000000000);
    } else if (a == "--vanish-after-bytes") {
      vanishBytes = number(0, 1000000000000ll);
    } else if (a == "--quiet") {
      quiet = true;
    } else {
      std::fprintf(stderr, "setup720-sim: unknown option \"%s\"\n", a.c_str());
      Usage(stderr);
      return 2;
    }
  }

  // Shared with a measuring host: bytes the instrument has taken off the line.
  int64_t* lineCount = nullptr;
  if (!lineCountPath.isEmpty()) {
    const int fd = ::open(lineCountPath.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    void* map = MAP_FAILED;
    if (fd >= 0 && ::ftruncate(fd, sizeof(int64_t)) == 0)
      map = ::mmap(nullptr, sizeof(int64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (fd >= 0) ::close(fd);
    if (map == MAP_FAILED) {
      std::fprintf(stderr, "setup720-sim: %s: %s\n", lineCountPath.toLocal8Bit().constData(),
                   std::strerror(errno));
      return 1;
    }
    lineCount = static_cast<int64_t*>(map);
    __atomic_store_n(lineCount, 0, __ATOMIC_RELEASE);
  }
  int64_t taken = 0;
  auto countTaken = [&](int64_t n) {
    taken += n;
    if (lineCount) __atomic_store_n(lineCount, taken, __ATOMIC_RELEASE);
  };

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::fprintf(stderr, "setup720-sim: no pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }
  const char* name = ptsname(master);
  if (!name) {
    std::fprintf(stderr, "setup720-sim: ptsname: %s\n", std::strerror(errno));
    return 1;
  }
  const std::string slavePath = name;
  // Holding the slave open ourselves: the tool's closing the port then never
  // hangs up the master, and its settings stay readable here.
  const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave < 0) {
    std::fprintf(stderr, "setup720-sim: %s: %s\n", slavePath.c_str(), std::strerror(errno));
    return 1;
  }
  termios tio{};
  if (tcgetattr(slave, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave, TCSANOW, &tio);
  }
  auto slaveBaud = [&]() -> int32_t {
    termios t{};
    return tcgetattr(slave, &t) == 0 ? BaudOf(cfgetospeed(&t)) : 0;
  };

  if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::fprintf(stderr, "setup720-sim: pipe: %s\n", std::strerror(errno));
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  sigaction(SIGUSR1, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  const QString iniPath = QDir(home).filePath("Setup720.INI");
  if (registerCom > 0) {
    if (!WritePortEntry(iniPath, static_cast<int32_t>(registerCom), QString::fromStdString(slavePath))) {
      std::fprintf(stderr, "setup720-sim: cannot write %s\n", iniPath.toLocal8Bit().constData());
      return 1;
    }
  }

  std::printf("PTY %s\n", slavePath.c_str());
  std::fflush(stdout);
  if (!quiet) {
    std::fprintf(stderr, "setup720-sim: instrument on %s", slavePath.c_str());
    if (registerCom > 0)
      std::fprintf(stderr, " (COM%lld in %s)", static_cast<long long>(registerCom),
                   iniPath.toLocal8Bit().constData());
    std::fprintf(stderr, "\n");
  }

  SimInstrument instrument(options);
  instrument.SetClock([] { return NowUs() / 1000; });

  std::deque<Byte> out;
  // Line time is kept in nanoseconds: a byte at 57600 baud lasts 173.6 us,
  // and whole microseconds would make the line 0.35 % fast.
  int64_t lineFreeNs = 0;
  int32_t baud = slaveBaud();
  instrument.output = [&](const QByteArray& bytes) {
    int64_t start = instrument.EmitTimeMs() * 1000 + int64_t{options.latencyMs} * 1000;
    if (!out.empty()) start = std::max(start, out.back().dueUs);
    int64_t atNs = start * 1000;
    const int64_t stepNs = ByteTimeNs(baud);
    if (options.paced) atNs = std::max(atNs, lineFreeNs);
    for (char c : bytes) {
      if (options.paced) atNs += stepNs;
      out.push_back({atNs / 1000, c});
    }
    if (options.paced) lineFreeNs = atNs;
  };

  size_t logged = 0;
  SimInstrument::Mode lastMode = instrument.CurrentMode();
  int32_t lastUploads = 0;
  auto log = [&] {
    if (quiet) return;
    const auto& commands = instrument.Commands();
    for (; logged < commands.size(); ++logged)
      std::fprintf(stderr, "< %s\n", ToQt(commands[logged]).toLocal8Bit().constData());
    if (instrument.UploadsCompleted() != lastUploads) {
      lastUploads = instrument.UploadsCompleted();
      int bad = 0;
      for (const SimRecord& r : instrument.Records()) bad += r.checksumOk ? 0 : 1;
      std::fprintf(stderr, "bootloader: %zu records received, %d with a wrong checksum\n",
                   instrument.Records().size(), bad);
    }
    if (instrument.CurrentMode() != lastMode) {
      lastMode = instrument.CurrentMode();
      static const char* names[] = {"command mode", "bootloader: waiting for start byte",
                                    "bootloader: waiting for ACK", "bootloader: waiting for 57600",
                                    "bootloader: erasing", "bootloader: taking records"};
      std::fprintf(stderr, "%s\n", names[static_cast<int>(lastMode)]);
    }
    if (instrument.Commands().size() > 10000) {
      instrument.ClearCommands();
      logged = 0;
    }
  };

  // Once the line is to vanish, nothing beyond its last byte or line reaches
  // the instrument, so its answer to a later command is never made.
  auto cutOff = [&] {
    return (vanishBytes >= 0 && taken >= vanishBytes) ||
           (vanishLines >= 0 && instrument.CommandCount() >= vanishLines);
  };
  auto feed = [&](const char* data, int n) {
    if (vanishBytes < 0 && vanishLines < 0) {
      countTaken(n);
      instrument.Receive(data, n, baud);
      return;
    }
    for (int i = 0; i < n && !cutOff(); ++i) {
      countTaken(1);
      instrument.Receive(data + i, 1, baud);
    }
  };

  // With pacing, the host's bytes also take their line time to arrive: a
  // pseudo-terminal would hand them over at once, and the instrument would
  // answer before a real one could have heard the command.
  std::deque<Byte> in;
  int64_t rxFreeNs = 0;
  auto feedDue = [&] {
    const int64_t now = NowUs();
    QByteArray due;
    while (!in.empty() && in.front().dueUs <= now) {
      due.append(in.front().c);
      in.pop_front();
    }
    if (due.isEmpty()) return;
    feed(due.constData(), static_cast<int>(due.size()));
  };

  int rc = 0;
  bool blocked = false;  // the slave's input buffer is full
  for (;;) {
    feedDue();
    instrument.Poll();
    log();
    // Send what is due.
    blocked = false;
    const int64_t now = NowUs();
    while (!out.empty() && out.front().dueUs <= now) {
      char buf[512];
      size_t n = 0;
      while (n < sizeof buf && n < out.size() && out[n].dueUs <= now) {
        buf[n] = out[n].c;
        ++n;
      }
      const ssize_t w = ::write(master, buf, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        blocked = true;
        break;
      }
      out.erase(out.begin(), out.begin() + w);
    }
    // Gone once its last answer is out and the host has read it, so that the
    // step at which the line vanishes does not depend on how fast the host
    // reads (a hang-up discards what is still unread). What was written
    // reaches the slave's queue a moment later, so the queue must have stayed
    // empty for a while. A bootloader that is erasing has nothing to send.
    bool waitForHost = false;
    if (cutOff() && out.empty()) {
      int unread = 0;
      if (ioctl(slave, TIOCINQ, &unread) != 0) unread = 0;
      const int64_t nowUs = NowUs();
      if (vanishSinceUs < 0) vanishSinceUs = nowUs;
      if (unread > 0 || emptySinceUs < 0) emptySinceUs = nowUs;
      if (nowUs - emptySinceUs >= 30'000 || nowUs - vanishSinceUs > 2'000'000) {
        if (!quiet) std::fprintf(stderr, "setup720-sim: the pseudo-terminal vanishes\n");
        break;
      }
      waitForHost = true;
    } else {
      emptySinceUs = -1;
    }

    int64_t wakeUs = -1;
    if (!out.empty() && !blocked) wakeUs = out.front().dueUs;
    const int64_t due = instrument.NextDueMs();
    if (due >= 0 && (wakeUs < 0 || due * 1000 < wakeUs)) wakeUs = due * 1000;
    if (!in.empty() && (wakeUs < 0 || in.front().dueUs < wakeUs)) wakeUs = in.front().dueUs;
    int timeout = -1;
    if (wakeUs >= 0) timeout = static_cast<int>(std::clamp<int64_t>((wakeUs - NowUs() + 999) / 1000, 0, 60000));
    if (blocked) timeout = timeout < 0 ? 50 : std::min(timeout, 50);
    if (waitForHost) timeout = timeout < 0 ? 2 : std::min(timeout, 2);

    // Paced, the instrument takes bytes off the line no faster than they can
    // arrive: the rest waits in the terminal's buffer, so the host's writes
    // meet back-pressure as on a real line.
    const bool take = !options.paced || in.size() < 64;
    pollfd fds[2] = {{master, static_cast<short>((take ? POLLIN : 0) | (blocked ? POLLOUT : 0)), 0},
                     {g_signalPipe[0], POLLIN, 0}};
    const int r = ::poll(fds, 2, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "setup720-sim: poll: %s\n", std::strerror(errno));
      rc = 1;
      break;
    }
    if (fds[1].revents & POLLIN) {
      char kinds[16];
      const ssize_t got = ::read(g_signalPipe[0], kinds, sizeof kinds);
      if (got > 0 && std::memchr(kinds, 1, static_cast<size_t>(got))) break;
      if (got > 0) {
        instrument.ClearFaults();
        vanishLines = vanishBytes = -1;
        if (!quiet) std::fprintf(stderr, "setup720-sim: faults off\n");
        std::printf("FAULTS OFF\n");
        std::fflush(stdout);
      }
      continue;
    }
    if (fds[0].revents & POLLIN) {
      char buf[4096];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) {
        baud = slaveBaud();
        if (options.paced) {
          const int64_t stepNs = ByteTimeNs(baud);
          int64_t t = std::max(NowUs() * 1000, rxFreeNs);
          for (ssize_t i = 0; i < n; ++i) {
            t += stepNs;
            in.push_back({t / 1000, buf[i]});
          }
          rxFreeNs = t;
        } else {
          feed(buf, static_cast<int>(n));
        }
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        std::fprintf(stderr, "setup720-sim: read: %s\n", std::strerror(errno));
        rc = 1;
        break;
      }
    } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      // Not expected while we hold the slave; never spin on it.
      std::fprintf(stderr, "setup720-sim: the pseudo-terminal hung up\n");
      rc = 1;
      break;
    }
  }

  if (registerCom > 0) RemovePortEntry(iniPath, static_cast<int32_t>(registerCom));
  ::close(slave);
  ::close(master);
  if (!quiet) std::fprintf(stderr, "setup720-sim: ended\n");
  return rc;
}
