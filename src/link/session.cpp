// The service session: connection check and identity, the short query, the
// closing command and the exchange helpers of the configuration and ALV
// windows.
#include "glb.h"
#include "util/busy_cursor.h"
#include "util/helpers.h"

namespace {

// Closes the port and gives back a handle left by a failed configuration.
void ReleasePort(TSerial& serial) {
  serial.Close();
  serial.ReleaseHandle();
}

// One pass of a byte-reading wait: bytes already waiting are taken without
// sleeping; the pump sleeps only while the receive queue is empty.
void PumpOnce(TGlb& glb) {
  if (glb.Serial.DataAvailable())
    glb.Pump().ProcessPending();
  else
    glb.ProcessMessages();
}

bool IsFamilyIdentity(const Text& answer) {
  const Text folded = UpperAscii(RemoveBlanks(answer));
  return folded.startsWith("ORX") || folded.startsWith("QV") || folded.startsWith("TAL");
}

}  // namespace

void TGlb::SetStatusText(const Text& text) {
  StatusText = text;
  emit statusTextChanged(ToQt(text));
}

void TGlb::ReopenPort() {
  if (Serial.IsOpen) Serial.Close();
  Serial.ReleaseHandle();
  if (ComPort >= 1 && ComPort <= 99) {
    Serial.Port = ComPort;
    Serial.BaudRate = 9600;
    Serial.KeepErrorBytes = true;
    Serial.Open();
    if (!Serial.Failed && Serial.HasDefaultConfig()) {
      // Configured with DTR and RTS off.
      Serial.Configure();
      if (Serial.IsOpen) return;
    }
  }
  Serial.SetDtr(true);
  // A device that opened but could not be configured is not usable and must
  // not stay held against other programs.
  Serial.ReleaseHandle();
}

bool TGlb::CheckConnection(int32_t port) {
  DiscardInput();
  ComPort = port;
  Serial.BaudRate = 9600;
  ReopenPort();
  Serial.WriteText("\r");
  Serial.WriteText("WARTUNG738\r");
  // Whoever gets false gives up on the instrument: a port kept open would
  // only stay locked against every other program.
  if (!ReceiveLine(10)) {
    ReleasePort(Serial);
    SetStatusText(NoInstrumentText());
    return false;
  }
  DiscardInput();
  Serial.WriteText("R001\r");
  if (!ReceiveLine(10)) {
    ReleasePort(Serial);
    return false;
  }
  DiscardInput();
  WaitSendDone();

  InstrumentIdent = TrimLeading(LineBuffer);
  const bool recognised = IsFamilyIdentity(LineBuffer);
  if (recognised) {
    DiscardInput();
    SetStatusText(InstrumentIdent + " " + StrError->Item(33) + " " + Text::number(ComPort) + " " +
                  StrError->Item(31));
  }
  DiscardInput();
  if (Serial.IsOpen) {
    WaitSendDone();
    ReleasePort(Serial);
  }
  if (!recognised) SetStatusText(NoInstrumentText());
  return recognised;
}

bool TGlb::QueryInstrument(const Text& command, Text* answer) {
  if (answer) answer->clear();
  BusyCursor busy;
  ChannelMode = 6;
  OpenPort(9600, true);
  Delay(10);
  DiscardInput();
  bool ok = false;
  SendCommand("WARTUNG738");
  if (ReceiveLine(5)) {
    SendCommand(command);
    if (ReceiveLine(10)) {
      if (answer) *answer = LineBuffer;
      ok = true;
    }
  }
  ClosePort(false);
  return ok;
}

void TGlb::ReleaseInstrument() {
  if (!CheckConnection(ComPort)) return;
  if (!Serial.IsOpen) OpenPort(9600, true);
  Serial.WriteText("W904\r");
  Delay(200);
  ReleasePort(Serial);
}

void TGlb::BeginExchange(const Text& /*label*/, int32_t /*count*/) {
  Busy = true;
  ErrorText.clear();
  DrainInput();
}

void TGlb::EndExchange() { Busy = false; }

void TGlb::DrainInput() {
  TimeoutTicks = 1;
  if (!Serial.IsOpen) return;
  do {
    PumpOnce(*this);
    if (Serial.DataAvailable()) Serial.ReadByte();
  } while (TimeoutTicks > 0);
}

void TGlb::EnterServiceMode() {
  if (!Serial.IsOpen) OpenPort(9600, true);
  DrainInput();
  Serial.WriteText("WARTUNG738\r");
  ReadAnswer();
  DrainInput();
}

Text TGlb::ReadAnswer() {
  TimeoutTicks = 20;
  Text line;
  do {
    if (!Serial.DataAvailable() && Serial.Gone()) {
      TimeoutTicks = 0;  // a device that went away never answers
      break;
    }
    PumpOnce(*this);
    if (Serial.DataAvailable()) {
      const uint8_t byte = Serial.ReadByte();
      if (byte == '\r') break;
      line.append(static_cast<char>(byte));
    }
  } while (TimeoutTicks > 0);
  if (TimeoutTicks == 0)
    ErrorText = StrError->Item(18);
  else
    Log(line);
  LastAnswer = line;
  return line;
}
