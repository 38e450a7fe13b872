// Block transfers of the instrument's text, fuel and parameter memories: one
// complete conversation per call, 16 bytes per command line as hex text.
#include <algorithm>

#include "glb.h"
#include "util/helpers.h"

namespace {

constexpr int32_t kBlock = 16;
constexpr int32_t kImageSize = 16384;
// What the address forms reach: two hex digits in the text and parameter
// areas, three in the fuel area. Beyond that an offset would wrap onto the
// start of the area.
constexpr int32_t kTextSpan = 256;
constexpr int32_t kFuelSpan = 4096;
constexpr int32_t kParamSize = 256;
constexpr int32_t kFuelStopLength = 500;

constexpr int32_t kModeMemory = 2;
constexpr int32_t kModeParameters = 4;

// Refuses a transfer started from inside the wait of another one.
class TransferGuard {
 public:
  explicit TransferGuard(TGlb& glb) : glb_(glb), entered_(!glb.TransferRunning) {
    glb_.TransferRefused = !entered_;
    if (entered_) glb_.TransferRunning = true;
  }
  ~TransferGuard() {
    if (entered_) glb_.TransferRunning = false;
  }
  TransferGuard(const TransferGuard&) = delete;
  TransferGuard& operator=(const TransferGuard&) = delete;
  bool Entered() const { return entered_; }

 private:
  TGlb& glb_;
  bool entered_;
};

void Begin(TGlb& glb, int32_t maximum, int32_t mode) {
  if (glb.Progress) glb.Progress->Prepare(maximum);
  glb.ChannelMode = mode;
  glb.OpenPort(9600, true);
}

void Step(TGlb& glb, int32_t position) {
  if (glb.Progress) glb.Progress->Step(position);
}

bool Finish(TGlb& glb, bool result, bool withCloseDelay) {
  glb.ClosePort(withCloseDelay);
  if (glb.Progress) glb.Progress->Close();
  return result;
}

// The command coming back as it was sent is a line that echoes, not the
// instrument's answer: taken as one, every later answer would be read one
// line late and the data read would be wrong.
bool IsEcho(const Text& line, Text command) {
  while (command.endsWith('\r')) command.chop(1);
  return !line.isEmpty() && line == command;
}

bool Ask(TGlb& glb, const Text& command, int32_t ticks) {
  glb.SendCommand(command);
  return glb.ReceiveLine(ticks) && !IsEcho(glb.LineBuffer, command);
}

// Commands answered with two lines: both are awaited even when the first
// does not come.
bool AskTwo(TGlb& glb, const Text& command, int32_t ticks) {
  glb.SendCommand(command);
  const bool first = glb.ReceiveLine(ticks);
  const bool second = glb.ReceiveLine(ticks);
  return first && second;
}

// Byte `index` of an answer line; a missing or malformed pair gives 0 (or
// the value of its readable leading digit).
uint8_t DecodeByte(const Text& line, int32_t index) {
  return static_cast<uint8_t>(ParseInt("$" + line.mid(2 * index, 2)));
}

Text EncodeBytes(const QByteArray& bytes, int32_t from, int32_t count) {
  Text out;
  out.reserve(2 * count);
  for (int32_t i = 0; i < count; ++i) out += HexByte(static_cast<uint8_t>(bytes[from + i]));
  return out;
}

// The third character of the "R002" answer selects the text area.
Text TextArea(const Text& versionAnswer) {
  const int32_t generation = versionAnswer.size() >= 3 ? ParseInt(versionAnswer.mid(2, 1)) : 0;
  return generation >= 3 ? "FFa0" : "FF80";
}

Text TextOffset(int32_t position) { return HexByte(static_cast<uint8_t>(position & 0xFF)); }

Text FuelOffset(int32_t position) { return HexWord(position).right(3); }

Text ParamOffset(int32_t start, int32_t position) {
  const uint32_t address = static_cast<uint32_t>(start) + static_cast<uint32_t>(position);
  return HexByte(static_cast<uint8_t>(address & 0xFF));
}

// An image buffer that is at least as large as the memory images are made.
void FillBlank(QByteArray& image) {
  image.fill(' ', std::max<qsizetype>(image.size(), kImageSize));
}

// "W101" + data, "W102" + area + offset per block, from `image`. Every block
// is sent even after a time-out. Bytes the offsets cannot reach are not sent
// and make the result false.
bool WriteMemoryBlocks(TGlb& glb, QByteArray& image, int32_t& length, const Text& area,
                       int32_t span, Text (*offset)(int32_t)) {
  length = std::clamp<int32_t>(length, 0, static_cast<int32_t>(image.size()));
  if (length % 2 != 0 && length < image.size()) ++length;
  bool ok = length <= span;
  const int32_t end = std::min(length, span);
  for (int32_t pos = 0; pos < end; pos += kBlock) {
    Step(glb, pos / kBlock + 3);
    const int32_t n = std::min(kBlock, end - pos);
    if (!Ask(glb, "W101" + EncodeBytes(image, pos, n), 10)) ok = false;
    if (!AskTwo(glb, "W102" + area + offset(pos), 10)) ok = false;
  }
  return ok;
}

}  // namespace

bool TGlb::ReadTextMemory() {
  TransferGuard guard(*this);
  if (!guard.Entered()) return false;
  Begin(*this, 10, kModeMemory);
  Text area;
  const bool preamble = [&] {
    if (!Ask(*this, "WARTUNG738", 20)) return false;
    DiscardInput();
    if (!Ask(*this, "R001\r", 10)) return false;
    DiscardInput();
    if (!Ask(*this, "R002\r", 10)) return false;
    area = TextArea(LineBuffer);
    DiscardInput();
    return true;
  }();
  if (!preamble) return Finish(*this, false, true);

  bool ok = true;
  TextMemoryLength = 0;
  FillBlank(TextMemory);
  for (int32_t block = 0; block < 10; ++block) {
    Step(*this, block + 1);
    if (!Ask(*this, "R101" + area + HexByte(static_cast<uint8_t>(block * kBlock)), 10)) {
      ok = false;
      break;
    }
    for (int32_t j = 0; j < kBlock; ++j)
      TextMemory[TextMemoryLength + j] = static_cast<char>(DecodeByte(LineBuffer, j));
    TextMemoryLength += kBlock;
  }
  return Finish(*this, ok, true);
}

bool TGlb::WriteTextMemory() {
  TransferGuard guard(*this);
  if (!guard.Entered()) return false;
  Begin(*this, 14, kModeMemory);
  Text area;
  const bool preamble = [&] {
    if (!Ask(*this, "WARTUNG738", 20)) return false;
    DiscardInput();
    if (!Ask(*this, "R001\r", 10)) return false;
    Step(*this, 1);
    DiscardInput();
    if (!Ask(*this, "R002", 10)) return false;
    area = TextArea(LineBuffer);
    DiscardInput();
    if (!AskTwo(*this, "W104\r", 20)) return false;
    Step(*this, 2);
    if (!AskTwo(*this, "W103" + area + "00", 20)) return false;
    Step(*this, 3);
    return true;
  }();
  if (!preamble) return Finish(*this, false, true);
  const bool ok = WriteMemoryBlocks(*this, TextMemory, TextMemoryLength, area, kTextSpan, TextOffset);
  return Finish(*this, ok, true);
}

bool TGlb::ReadFuelMemory(int32_t length) {
  TransferGuard guard(*this);
  if (!guard.Entered()) return false;
  Begin(*this, 100, kModeMemory);
  const bool preamble = [&] {
    if (!Ask(*this, "WARTUNG738", 20)) return false;
    DiscardInput();
    SendCommand("WARTUNG738\r");
    if (!Ask(*this, "R001\r", 10)) return false;
    DiscardInput();
    if (!Ask(*this, "R002\r", 10)) return false;
    DiscardInput();
    return true;
  }();
  bool ok = preamble;
  if (preamble) {
    FuelMemoryLength = 0;
    FillBlank(FuelMemory);
    // One block more than the length asks for; never past what the
    // three-digit offsets reach.
    const int32_t wanted = std::max<int32_t>(length, 0);
    const int32_t blocks = std::min(wanted / kBlock + 1, kFuelSpan / kBlock);
    bool stoppedEarly = false;
    for (int32_t k = 0; k < blocks; ++k) {
      Step(*this, k + 1);
      if (!Ask(*this, "R101FF8" + FuelOffset(k * kBlock), 10)) {
        ok = false;
        break;
      }
      bool erased = true;
      for (int32_t j = 0; j < kBlock; ++j) {
        const uint8_t byte = DecodeByte(LineBuffer, j);
        FuelMemory[FuelMemoryLength + j] = static_cast<char>(byte);
        erased = erased && byte == 0xFF;
      }
      FuelMemoryLength += kBlock;
      if (erased && FuelMemoryLength > kFuelStopLength) {
        stoppedEarly = true;
        break;
      }
    }
    if (ok && !stoppedEarly && wanted > kFuelSpan) ok = false;
  }
  Finish(*this, ok, false);
  FuelMemoryValid = ok;
  return ok;
}

bool TGlb::WriteFuelMemory() {
  TransferGuard guard(*this);
  if (!guard.Entered()) return false;
  Begin(*this, 14, kModeMemory);
  const bool preamble = [&] {
    if (!Ask(*this, "WARTUNG738", 20)) return false;
    DiscardInput();
    if (!Ask(*this, "R001\r", 10)) return false;
    Step(*this, 1);
    DiscardInput();
    if (!Ask(*this, "R002", 10)) return false;
    DiscardInput();
    if (!AskTwo(*this, "W104\r", 20)) return false;
    Step(*this, 2);
    if (!AskTwo(*this, "W103FF8000", 20)) return false;
    Step(*this, 3);
    return true;
  }();
  if (!preamble) return Finish(*this, false, false);
  const bool ok = WriteMemoryBlocks(*this, FuelMemory, FuelMemoryLength, "FF8", kFuelSpan, FuelOffset);
  return Finish(*this, ok, false);
}

bool TGlb::ReadParameterBlock(int32_t start, int32_t count, QByteArray& buffer) {
  // More than the whole memory would only read it again from the start.
  if (count > kParamSize) return false;
  TransferGuard guard(*this);
  if (!guard.Entered()) return false;
  if (buffer.size() < count) buffer.append(QByteArray(count - buffer.size(), '\0'));
  Begin(*this, count, kModeParameters);
  const bool preamble = [&] {
    if (!Ask(*this, "WARTUNG738", 30)) return false;
    DiscardInput();
    return Ask(*this, "R002", 10);
  }();
  if (!preamble) return Finish(*this, false, true);

  bool ok = true;
  for (int32_t i = 0; i < count; i += kBlock) {
    Step(*this, i);
    if (!Ask(*this, "R10500" + ParamOffset(start, i), 10)) {
      ok = false;
      break;
    }
    const int32_t n = std::min(kBlock, count - i);
    for (int32_t j = 0; j < n; ++j) buffer[i + j] = static_cast<char>(DecodeByte(LineBuffer, j));
  }
  return Finish(*this, ok, true);
}

bool TGlb::WriteParameterBlock(int32_t start, int32_t count, const QByteArray& data) {
  // Bytes the caller did not supply are not invented, and a second pass over
  // the memory would overwrite what this call wrote first.
  if (count > kParamSize || count > data.size()) return false;
  TransferGuard guard(*this);
  if (!guard.Entered()) return false;
  Begin(*this, count, kModeParameters);
  const bool preamble = [&] {
    if (!Ask(*this, "WARTUNG738", 20)) return false;
    if (!Ask(*this, "R002", 10)) return false;
    DiscardInput();
    return true;
  }();
  if (!preamble) return Finish(*this, false, true);

  bool ok = true;
  for (int32_t i = 0; i < count; i += kBlock) {
    Step(*this, i);
    const int32_t n = std::min(kBlock, count - i);
    if (!Ask(*this, "W105" + EncodeBytes(data, i, n), 10)) ok = false;
    if (!AskTwo(*this, "W10600" + ParamOffset(start, i), 10)) ok = false;
    if (!Ask(*this, "W107", 10)) ok = false;
  }
  return Finish(*this, ok, true);
}
