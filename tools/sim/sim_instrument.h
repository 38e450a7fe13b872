#pragma once
// The stand-in instrument: its memories, its command handling and its
// bootloader, as pure logic. Host bytes go in through Receive(); answer bytes
// come out through `output`. Time comes from an injected clock; the model never
// sleeps and does no I/O. Latency and line-rate pacing of the answers are
// applied by whoever carries the bytes (SimSerialBackend, setup720-sim).
//
// Command lines end with CR; LF is ignored; an empty line gets no answer;
// partial input older than `staleInputMs` is dropped when the next byte comes,
// so the host's lone CR after a pause clears it. A line that is no known
// command (or a known one with malformed arguments) is answered with one line
// "?". Answer lines end with CR. "W103" erases the memory its address lies
// in (fills it with 0xFF), as before a flash write. A bootloader that was not
// taken to its end record stays in the bootloader until LeaveBootloader().
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include <QByteArray>

#include "util/text.h"

struct SimOptions {
  bool silent = false;           // answers no command line (the commands still act)
  bool echo = false;             // sends each command line back before its answer
  Text identity = "ORX 720 V3.21";  // answer to "R001"
  // Answer to "R002"; its third character selects the text area the model
  // uses: a digit 3..9 means "FFa0", anything else "FF80".
  Text version = "V03.21";
  // Command lines beginning with one of these are recorded, then ignored:
  // no answer, no effect ("R001", "R10500").
  std::vector<Text> noAnswer;
  int32_t latencyMs = 0;         // delay before an answer starts (carrier)
  bool paced = false;            // answers and host writes move at the line rate (carrier)
  int32_t bootStopStep = 0;      // bootloader answers nothing from this step on (0 = never)
  int32_t eraseMs = 1500;        // bootloader erase time before 0xC1
  bool startInBootloader = false;
  bool garbage = false;          // every answer line becomes random non-hex bytes
  uint32_t garbageSeed = 720;
  bool longLines = false;        // every answer line is padded with '0' to longLineBytes
  int32_t longLineBytes = 3000;
  int32_t staleInputMs = 1000;   // partial input older than this is dropped (0 = never)
  // The first N command lines are answered plainly; silent, echo, garbage and
  // longLines act from line N + 1 on (an instrument that fails mid-transfer).
  int32_t faultAfterLines = 0;
  bool bootEcho = false;         // the bootloader sends every byte back before acting on it
  int32_t bootGarbageStep = 0;   // bootloader answers a wrong byte from this step on (0 = never)
};

// One record the bootloader received, decoded from its binary form.
struct SimRecord {
  uint8_t count = 0;
  uint16_t address = 0;
  uint8_t type = 0;
  QByteArray data;
  uint8_t checksum = 0;
  bool checksumOk = false;
};

class SimInstrument {
 public:
  enum class Mode {
    Command,      // line commands at 9600
    BootStart,    // waits for 0x5A at 9600
    BootAck,      // waits for 0x06 at 9600
    BootBaud,     // waits for 0x30 at 57600
    BootErase,    // erasing; sends 0xC1 when done
    BootRecords,  // takes records at 57600 until the end record
  };

  // Bootloader steps for `bootStopStep`.
  static constexpr int32_t kStepStart = 1, kStepAck = 2, kStepBaud = 3, kStepErase = 4,
                           kStepResult1 = 5, kStepResult2 = 6;

  static constexpr uint32_t kFuelBase = 0xFF8000;
  static constexpr int32_t kFuelSize = 4096;
  static constexpr uint32_t kTextBaseA0 = 0xFFA000;
  static constexpr int32_t kTextSize = 256;
  static constexpr int32_t kParamSize = 256;
  static constexpr int32_t kStoreCode = 58231;

  explicit SimInstrument(SimOptions options = {});

  std::function<void(const QByteArray&)> output;
  void SetClock(std::function<int64_t()> clock);

  // Host bytes, received at the host's current baud rate.
  void Receive(const char* data, int n, int32_t hostBaud);
  // Sends the timed answers that are due (the erase marker).
  void Poll();
  // Time of the next timed answer, or -1.
  int64_t NextDueMs() const;
  // The time the bytes being passed to `output` were sent: the clock during
  // Receive, the due time during Poll.
  int64_t EmitTimeMs() const { return emitTime_; }

  SimOptions& Options() { return options_; }
  const SimOptions& Options() const { return options_; }

  // Memories. The text memory is the 256 bytes at the active area; with the
  // area "FF80" it shares its bytes with the start of the fuel memory, as the
  // addresses say.
  QByteArray& ParameterMemory() { return param_; }
  QByteArray& FuelMemory() { return fuel_; }  // FF8000..FF8FFF
  QByteArray TextMemory() const;
  void SetTextMemory(const QByteArray& bytes);  // from the area's start
  Text TextArea() const;                        // "FFa0" or "FF80"
  uint32_t TextBase() const;
  // The printer text of slot 0..5 without its padding.
  Text PrinterText(int slot) const;

  // Byte at a 24-bit address (0xFF outside the memories).
  uint8_t ReadAddress(uint32_t address) const;
  void WriteAddress(uint32_t address, uint8_t value);

  const std::vector<Text>& Languages() const { return languages_; }
  void SetLanguages(std::vector<Text> names, int32_t current);
  int32_t Language() const { return language_; }

  Text AlvLine() const { return alvLine_; }
  int32_t AlvSerial() const { return alvSerial_; }
  void SetAlv(const Text& line, int32_t serial);

  // Every complete non-empty command line received, in order.
  const std::vector<Text>& Commands() const { return commands_; }
  void ClearCommands() { commands_.clear(); }
  // Command lines received since the start; ClearCommands does not reset it.
  int64_t CommandCount() const { return commandCount_; }
  // Records of the last upload, and whether its end record came.
  const std::vector<SimRecord>& Records() const { return records_; }
  bool UploadComplete() const { return uploadComplete_; }
  int32_t UploadsCompleted() const { return uploadsCompleted_; }

  // Back to command mode, as after pressing the instrument's key.
  void LeaveBootloader();
  // Every fault knob off (silent, echo, garbage, long lines, unanswered
  // commands, the bootloader's stop, echo and garbage); back to command mode,
  // as after the technician switched the instrument off and on.
  void ClearFaults();

  Mode CurrentMode() const { return mode_; }
  bool InBootloader() const { return mode_ != Mode::Command; }
  // The baud rate the instrument listens at in its current mode.
  int32_t LineBaud() const;
  // Bytes dropped because they came at another baud rate, or while erasing.
  int32_t MisBaudBytes() const { return misBaud_; }
  int32_t LostWhileErasing() const { return lostWhileErasing_; }

  // The option record's checksum over its first 14 bytes.
  static uint16_t OptionChecksum(const char* record);
  // "KRAB-0042" and the like; 0 when the text does not follow the pattern.
  static int32_t SerialTextToNumber(const Text& text);

 private:
  struct Timed {
    int64_t due;
    std::function<void()> action;
  };

  void Seed();
  void CommandByte(char c);
  void HandleLine(const Text& line);
  std::vector<Text> Answer(const Text& line);
  void Emit(const QByteArray& bytes);
  void EmitLines(const std::vector<Text>& lines);
  Text Garbage();
  void EnterBootloader();
  void BootByte(uint8_t b, int32_t hostBaud);
  void RecordByte(uint8_t b);
  void FinishUpload();
  bool Answers(int32_t step) const;
  // The byte the bootloader sends at a step: nothing when it stops there,
  // a wrong one when it answers garbage from there on.
  QByteArray BootAnswer(int32_t step, char byte) const;
  int64_t Now() const { return clock_ ? clock_() : 0; }

  SimOptions options_;
  std::function<int64_t()> clock_;
  int64_t emitTime_ = 0;
  std::mt19937 rng_;

  QByteArray param_;
  QByteArray fuel_;
  QByteArray textA0_;
  QByteArray latchText_;   // "W101" data waiting for "W102"
  QByteArray latchParam_;  // "W105" data waiting for "W10600"

  std::vector<Text> languages_;
  int32_t language_ = 0;
  Text alvLine_;
  int32_t alvSerial_ = 0;
  Text pendingAlvLine_;
  bool hasPendingLine_ = false;
  int32_t pendingAlvSerial_ = 0;
  bool hasPendingSerial_ = false;

  Text line_;
  int64_t lastByteMs_ = 0;
  std::vector<Text> commands_;
  int64_t commandCount_ = 0;

  Mode mode_ = Mode::Command;
  std::vector<Timed> timed_;
  std::vector<SimRecord> records_;
  QByteArray recordBytes_;  // the record being received, after its ':'
  bool inRecord_ = false;
  bool badChecksum_ = false;
  bool badRecord_ = false;
  bool uploadComplete_ = false;
  int32_t uploadsCompleted_ = 0;
  int32_t misBaud_ = 0;
  int32_t lostWhileErasing_ = 0;
};
