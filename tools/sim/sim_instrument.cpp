#include "sim_instrument.h"

#include <algorithm>
#include <limits>

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr int kMaxLine = 4096;  // longer input is cut; the CR still ends the line
constexpr int32_t kCommandBaud = 9600;
constexpr int32_t kBootBaud = 57600;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whole text as hex pairs; false on an odd length or a non-hex character.
bool ParseHexBytes(const Text& text, QByteArray& out) {
  out.clear();
  if (text.size() % 2 != 0) return false;
  for (int i = 0; i < text.size(); i += 2) {
    const int hi = HexDigit(text[i]);
    const int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.append(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

// Exactly `digits` hex digits.
bool ParseHexNumber(const Text& text, int digits, uint32_t& value) {
  if (text.size() != digits) return false;
  value = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return true;
}

// A plain non-negative decimal that fits in int32.
bool ParseDecimal(const Text& text, int32_t& value) {
  if (text.isEmpty() || text.size() > 10) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int32_t>(v);
  return true;
}

Text HexOf(const QByteArray& bytes) { return bytes.toHex().toUpper(); }

void PutSlot(QByteArray& memory, int offset, const Text& text) {
  const Text slot = text.left(24).leftJustified(24, ' ');
  for (int i = 0; i < 24; ++i) memory[offset + i] = slot[i];
  memory[offset + 24] = '\0';
}

const Text kPrinterTexts[6] = {
    "Heizung & Sanit\xE4r Krabbe",  // exactly 24 characters
    "Hauptstra\xDF" "e 12",
    "12345 Musterstadt",
    "Tel. 01234/56789",
    "Vielen Dank f\xFCr Ihren",
    "Auftrag!",
};

}  // namespace

SimInstrument::SimInstrument(SimOptions options)
    : options_(std::move(options)), rng_(options_.garbageSeed) {
  Seed();
  if (options_.startInBootloader) EnterBootloader();
}

void SimInstrument::SetClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }

// A plausible instrument: a valid option record, display and printout lists,
// printer texts, an installed alternative fuel table and the ALV constants.
void SimInstrument::Seed() {
  param_ = QByteArray(kParamSize, '\0');
  for (int i = 0; i < kParamSize; ++i) param_[i] = static_cast<char>((i * 29 + 7) & 0xFF);

  // Option record at 16: serial number, device type, option bits, checksum.
  const int32_t serial = SerialTextToNumber("KRAB-0042");
  char rec[16] = {};
  for (int i = 0; i < 4; ++i) rec[i] = static_cast<char>((static_cast<uint32_t>(serial) >> (8 * i)) & 0xFF);
  rec[4] = 5;  // device type
  // Bits 0, 5, 6, 9, 10, 15 and 17, most significant bit first.
  for (int bit : {0, 5, 6, 9, 10, 15, 17}) rec[5 + bit / 8] = static_cast<char>(rec[5 + bit / 8] | (0x80 >> (bit % 8)));
  const uint16_t sum = OptionChecksum(rec);
  rec[14] = static_cast<char>(sum & 0xFF);
  rec[15] = static_cast<char>(sum >> 8);
  for (int i = 0; i < 16; ++i) param_[16 + i] = rec[i];

  // List record at 32: three displays of 8 rows and a printout of 24 rows.
  const uint8_t lists[48] = {
      0, 1, 2, 3, 6, 7, 8, 9,                // display 1
      4, 11, 12, 31, 35, 255, 255, 255,      // display 2 (31 = blank row)
      18, 19, 255, 255, 255, 255, 255, 255,  // display 3
      0, 1, 2, 6, 3, 7, 8, 9, 254, 30, 31, 32, 33, 254, 36, 37,
      255, 255, 255, 255, 255, 255, 255, 255};  // printout
  for (int i = 0; i < 48; ++i) param_[32 + i] = static_cast<char>(lists[i]);

  // Fuel table: 16 header bytes, the table name at 16, table data up to 1232,
  // then erased memory.
  fuel_ = QByteArray(kFuelSize, '\xFF');
  for (int i = 0; i < 16; ++i) fuel_[i] = static_cast<char>(0x10 + i);
  const Text name = Text("BRN_Holzpellets Test 01").leftJustified(48, ' ');
  for (int i = 0; i < 48; ++i) fuel_[16 + i] = name[i];
  for (int i = 64; i < 1232; ++i) fuel_[i] = static_cast<char>((i * 37 + 11) & 0x7F);

  // Printer texts: six slots of 25 bytes in the text area, blanks after them.
  textA0_ = QByteArray(kTextSize, ' ');
  for (int s = 0; s < 6; ++s) PutSlot(textA0_, 25 * s, kPrinterTexts[s]);
  if (TextBase() == kFuelBase)
    for (int i = 0; i < 160; ++i) fuel_[i] = textA0_[i];

  languages_ = {"Deutsch", "English", "Italiano", "Svenska"};
  language_ = 0;
  alvLine_ = "0,2500 -0,00090  3 -5";
  alvSerial_ = serial;
}

uint16_t SimInstrument::OptionChecksum(const char* record) {
  uint32_t sum = 123;
  for (int i = 0; i < 14; ++i) sum += static_cast<uint8_t>(record[i]) + 3u;
  return static_cast<uint16_t>(sum & 0xFFFF);
}

int32_t SimInstrument::SerialTextToNumber(const Text& text) {
  static const Text years = "PRSTUWXYZABCDEFHJKLMN";
  static const Text months = "ABCDEFHJKLMN";
  if (text.size() != 9 || !text.startsWith("KR") || text[4] != '-') return 0;
  const int y = years.indexOf(text[2]);
  const int m = months.indexOf(text[3]);
  int32_t n = 0;
  if (y < 0 || m < 0 || !ParseDecimal(text.mid(5), n)) return 0;
  return (2000 + y) * 1000000 + (m + 1) * 10000 + n;
}

Text SimInstrument::TextArea() const {
  const Text& v = options_.version;
  return v.size() > 2 && v[2] >= '3' && v[2] <= '9' ? Text("FFa0") : Text("FF80");
}

uint32_t SimInstrument::TextBase() const { return TextArea() == "FFa0" ? kTextBaseA0 : kFuelBase; }

QByteArray SimInstrument::TextMemory() const {
  QByteArray out(kTextSize, '\0');
  for (int i = 0; i < kTextSize; ++i) out[i] = static_cast<char>(ReadAddress(TextBase() + i));
  return out;
}

void SimInstrument::SetTextMemory(const QByteArray& bytes) {
  for (int i = 0; i < std::min<int>(bytes.size(), kTextSize); ++i)
    WriteAddress(TextBase() + i, static_cast<uint8_t>(bytes[i]));
}

Text SimInstrument::PrinterText(int slot) const {
  if (slot < 0 || slot > 5) return {};
  Text t = TextMemory().mid(25 * slot, 24);
  while (!t.isEmpty() && static_cast<uint8_t>(t.back()) <= ' ') t.chop(1);
  return t;
}

uint8_t SimInstrument::ReadAddress(uint32_t address) const {
  if (address >= kFuelBase && address < kFuelBase + kFuelSize)
    return static_cast<uint8_t>(fuel_[address - kFuelBase]);
  if (address >= kTextBaseA0 && address < kTextBaseA0 + kTextSize)
    return static_cast<uint8_t>(textA0_[address - kTextBaseA0]);
  return 0xFF;
}

void SimInstrument::WriteAddress(uint32_t address, uint8_t value) {
  if (address >= kFuelBase && address < kFuelBase + kFuelSize)
    fuel_[address - kFuelBase] = static_cast<char>(value);
  else if (address >= kTextBaseA0 && address < kTextBaseA0 + kTextSize)
    textA0_[address - kTextBaseA0] = static_cast<char>(value);
}

void SimInstrument::SetLanguages(std::vector<Text> names, int32_t current) {
  languages_ = std::move(names);
  language_ = current;
}

void SimInstrument::SetAlv(const Text& line, int32_t serial) {
  alvLine_ = line;
  alvSerial_ = serial;
}

int32_t SimInstrument::LineBaud() const {
  switch (mode_) {
    case Mode::Command:
    case Mode::BootStart:
    case Mode::BootAck:
      return kCommandBaud;
    default:
      return kBootBaud;
  }
}

void SimInstrument::Receive(const char* data, int n, int32_t hostBaud) {
  if (!data) return;
  emitTime_ = Now();
  for (int i = 0; i < n; ++i) {
    const uint8_t b = static_cast<uint8_t>(data[i]);
    // An echoing bootloader sends the byte back whatever it then makes of it.
    if (mode_ != Mode::Command && options_.bootEcho) Emit(QByteArray(1, static_cast<char>(b)));
    if (mode_ == Mode::BootErase) {
      ++lostWhileErasing_;
      continue;
    }
    // A byte sent at another rate arrives as noise; the model drops it.
    if (hostBaud != LineBaud()) {
      ++misBaud_;
      continue;
    }
    if (mode_ == Mode::Command)
      CommandByte(static_cast<char>(b));
    else
      BootByte(b, hostBaud);
  }
}

void SimInstrument::Poll() {
  const int64_t now = Now();
  for (;;) {
    auto it = std::min_element(timed_.begin(), timed_.end(),
                               [](const Timed& a, const Timed& b) { return a.due < b.due; });
    if (it == timed_.end() || it->due > now) break;
    Timed t = std::move(*it);
    timed_.erase(it);
    emitTime_ = t.due;
    t.action();
  }
  emitTime_ = now;
}

int64_t SimInstrument::NextDueMs() const {
  int64_t next = -1;
  for (const Timed& t : timed_)
    if (next < 0 || t.due < next) next = t.due;
  return next;
}

void SimInstrument::Emit(const QByteArray& bytes) {
  if (!bytes.isEmpty() && output) output(bytes);
}

// ---- command mode ----------------------------------------------------------

void SimInstrument::CommandByte(char c) {
  const int64_t now = Now();
  if (!line_.isEmpty() && options_.staleInputMs > 0 && now - lastByteMs_ > options_.staleInputMs)
    line_.clear();
  lastByteMs_ = now;
  if (c == kLF) return;
  if (c != kCR) {
    if (line_.size() < kMaxLine) line_.append(c);
    return;
  }
  const Text line = line_;
  line_.clear();
  if (!line.isEmpty()) HandleLine(line);
}

void SimInstrument::HandleLine(const Text& line) {
  commands_.push_back(line);
  ++commandCount_;
  for (const Text& prefix : options_.noAnswer)
    if (!prefix.isEmpty() && line.startsWith(prefix)) return;

  const bool faulty = commandCount_ > options_.faultAfterLines;
  QByteArray out;
  if (options_.echo && faulty) out = line + kCR;
  const std::vector<Text> lines = Answer(line);  // also runs the command's effect
  if (!(options_.silent && faulty)) {
    for (const Text& l : lines) {
      Text t = options_.garbage && faulty ? Garbage() : l;
      if (options_.longLines && faulty && t.size() < options_.longLineBytes)
        t = t.leftJustified(options_.longLineBytes, '0');
      out += t + kCR;
    }
  }
  Emit(out);
  // The bootloader takes over after the command's answer (if any) went out.
  if (line == "W901") EnterBootloader();
}

Text SimInstrument::Garbage() {
  std::uniform_int_distribution<int> length(0, 300);
  std::uniform_int_distribution<int> byte(1, 255);
  Text t;
  const int n = length(rng_);
  while (t.size() < n) {
    const char c = static_cast<char>(byte(rng_));
    if (c == kCR || HexDigit(c) >= 0) continue;
    t.append(c);
  }
  return t;
}

std::vector<Text> SimInstrument::Answer(const Text& line) {
  const std::vector<Text> bad = {"?"};
  QByteArray bytes;
  uint32_t value = 0;

  if (line == "WARTUNG738") return {"WARTUNG OK"};
  if (line == "R001") return {options_.identity};
  if (line == "R002") return {options_.version};
  if (line == "W904") return {};
  if (line == "W901") return {};
  if (line == "W104") return {"W104", "OK"};
  if (line == "W107") return {"OK"};

  // Text and fuel memory: 24-bit addresses, six hex digits.
  if (line.startsWith("R101")) {
    if (!ParseHexNumber(line.mid(4), 6, value)) return bad;
    QByteArray block(16, '\0');
    for (int i = 0; i < 16; ++i) block[i] = static_cast<char>(ReadAddress(value + i));
    return {HexOf(block)};
  }
  if (line.startsWith("W103")) {
    // Erases the memory the address lies in.
    if (!ParseHexNumber(line.mid(4), 6, value)) return bad;
    if (value >= kFuelBase && value < kFuelBase + kFuelSize) fuel_.fill('\xFF');
    if (value >= kTextBaseA0 && value < kTextBaseA0 + kTextSize) textA0_.fill('\xFF');
    return {"W103", "OK"};
  }
  if (line.startsWith("W101")) {
    if (!ParseHexBytes(line.mid(4), bytes) || bytes.isEmpty() || bytes.size() > 16) return bad;
    latchText_ = bytes;
    return {"OK"};
  }
  if (line.startsWith("W102")) {
    if (!ParseHexNumber(line.mid(4), 6, value)) return bad;
    for (int i = 0; i < latchText_.size(); ++i) WriteAddress(value + i, static_cast<uint8_t>(latchText_[i]));
    latchText_.clear();
    return {line.mid(4), "OK"};
  }

  // Parameter memory: 8-bit offsets that wrap.
  if (line.startsWith("R10500")) {
    if (!ParseHexNumber(line.mid(6), 2, value)) return bad;
    QByteArray block(16, '\0');
    for (int i = 0; i < 16; ++i) block[i] = param_[(value + i) % kParamSize];
    return {HexOf(block)};
  }
  if (line.startsWith("W10600")) {
    if (!ParseHexNumber(line.mid(6), 2, value)) return bad;
    for (int i = 0; i < latchParam_.size(); ++i) param_[(value + i) % kParamSize] = latchParam_[i];
    latchParam_.clear();
    return {line.mid(6), "OK"};
  }
  if (line.startsWith("W105")) {
    if (!ParseHexBytes(line.mid(4), bytes) || bytes.isEmpty() || bytes.size() > 16) return bad;
    latchParam_ = bytes;
    return {"OK"};
  }

  // Display language.
  if (line == "R140") {
    Text list;
    for (const Text& name : languages_) list += "\"" + name + "\",";
    return {list + Text::number(language_)};
  }
  if (line.startsWith("W140")) {
    int32_t n = 0;
    if (!ParseDecimal(line.mid(4), n)) return bad;
    if (n >= static_cast<int32_t>(languages_.size())) return {"ERR"};
    language_ = n;
    return {"OK"};
  }

  // ALV constants and serial number; written values wait for the store code.
  if (line == "R180") return {alvLine_};
  if (line == "R181") return {Text::number(alvSerial_)};
  if (line == "R182") return {"ALV 1.0"};
  if (line.startsWith("W180")) {
    pendingAlvLine_ = line.mid(4);
    hasPendingLine_ = true;
    return {"OK"};
  }
  if (line.startsWith("W181")) {
    int32_t n = 0;
    if (!ParseDecimal(line.mid(4), n)) return {"ERR"};
    pendingAlvSerial_ = n;
    hasPendingSerial_ = true;
    return {"OK"};
  }
  if (line.startsWith("W182")) {
    if (line.mid(4) != Text::number(kStoreCode)) return {"ERR"};
    if (hasPendingLine_) alvLine_ = pendingAlvLine_;
    if (hasPendingSerial_) alvSerial_ = pendingAlvSerial_;
    hasPendingLine_ = hasPendingSerial_ = false;
    return {"OK"};
  }
  return bad;
}

// ---- bootloader --------------------------------------------------------------

bool SimInstrument::Answers(int32_t step) const {
  return options_.bootStopStep <= 0 || step < options_.bootStopStep;
}

QByteArray SimInstrument::BootAnswer(int32_t step, char byte) const {
  if (!Answers(step)) return {};
  const bool wrong = options_.bootGarbageStep > 0 && step >= options_.bootGarbageStep;
  return QByteArray(1, wrong ? static_cast<char>(byte ^ 0xA5) : byte);
}

void SimInstrument::ClearFaults() {
  options_.silent = options_.echo = options_.garbage = options_.longLines = false;
  options_.noAnswer.clear();
  options_.faultAfterLines = 0;
  options_.bootStopStep = options_.bootGarbageStep = 0;
  options_.bootEcho = false;
  if (InBootloader()) LeaveBootloader();
}

void SimInstrument::EnterBootloader() {
  mode_ = Mode::BootStart;
  line_.clear();
  timed_.clear();
  records_.clear();
  recordBytes_.clear();
  inRecord_ = false;
  badChecksum_ = badRecord_ = false;
  uploadComplete_ = false;
}

void SimInstrument::LeaveBootloader() {
  mode_ = Mode::Command;
  timed_.clear();
  inRecord_ = false;
  line_.clear();
}

void SimInstrument::BootByte(uint8_t b, int32_t /*hostBaud*/) {
  switch (mode_) {
    case Mode::BootStart:
      if (b == 0x5A) {
        mode_ = Mode::BootAck;
        Emit(BootAnswer(kStepStart, '\x5A'));
      }
      break;
    case Mode::BootAck:
      if (b == 0x5A) {  // the host starts over
        Emit(BootAnswer(kStepStart, '\x5A'));
      } else if (b == 0x06) {
        mode_ = Mode::BootBaud;
        Emit(BootAnswer(kStepAck, '\x06'));
      }
      break;
    case Mode::BootBaud:
      if (b == 0x30) {
        mode_ = Mode::BootErase;
        Emit(BootAnswer(kStepBaud, '\x30'));
        timed_.push_back({emitTime_ + std::max(0, options_.eraseMs), [this] {
                            mode_ = Mode::BootRecords;
                            Emit(BootAnswer(kStepErase, '\xC1'));
                          }});
      }
      break;
    case Mode::BootRecords:
      RecordByte(b);
      break;
    default:
      break;
  }
}

// Binary record: ':' count addrHi addrLo type data[count] checksum.
void SimInstrument::RecordByte(uint8_t b) {
  if (!inRecord_) {
    if (b == ':') {
      inRecord_ = true;
      recordBytes_.clear();
    }
    return;
  }
  recordBytes_.append(static_cast<char>(b));
  const int count = static_cast<uint8_t>(recordBytes_[0]);
  if (recordBytes_.size() < count + 5) return;

  SimRecord r;
  r.count = static_cast<uint8_t>(count);
  r.address = static_cast<uint16_t>(static_cast<uint8_t>(recordBytes_[1]) << 8 |
                                    static_cast<uint8_t>(recordBytes_[2]));
  r.type = static_cast<uint8_t>(recordBytes_[3]);
  r.data = recordBytes_.mid(4, count);
  r.checksum = static_cast<uint8_t>(recordBytes_[4 + count]);
  uint8_t sum = 0;
  for (char c : recordBytes_) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  r.checksumOk = sum == 0;
  if (!r.checksumOk) badChecksum_ = true;
  if (r.type > 5) badRecord_ = true;
  records_.push_back(r);
  inRecord_ = false;
  recordBytes_.clear();
  if (r.type == 1) FinishUpload();
}

// Verdicts: the first byte on the record checksums, the second on the record
// types; 0x00 means good.
void SimInstrument::FinishUpload() {
  QByteArray result = BootAnswer(kStepResult1, badChecksum_ ? '\x01' : '\x00');
  if (!result.isEmpty()) result += BootAnswer(kStepResult2, badRecord_ ? '\x01' : '\x00');
  uploadComplete_ = true;
  ++uploadsCompleted_;
  mode_ = Mode::Command;
  line_.clear();
  Emit(result);
}
