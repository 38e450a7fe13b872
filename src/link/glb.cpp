#include "glb.h"

#include <algorithm>

#include "util/msgbox.h"

TGlb* Glb = nullptr;

TGlb::TGlb(EventPump* pump, std::unique_ptr<SerialBackend> backend, QObject* parent)
    : QObject(parent), Serial(std::move(backend)), pump_(pump) {
  setObjectName("Glb");
  StrGlobalmsg = new MessageTable(this, "StrGlobalmsg",
                                  {"FEHLER",
                                   "Fehler beim \xD6" "ffnen der Schnittstelle COM",
                                   "Fehler 1",
                                   "Fehler 2",
                                   "Fehler 3",
                                   "Initialisierung OK",
                                   "Fehler 3b",
                                   "Speicher gel\xF6scht",
                                   "Zeilen gesendet",
                                   "Fehler 4",
                                   "Fehler 5",
                                   "Fertig",
                                   "Hilfedatei",
                                   "nicht gefunden",
                                   "Unzul\xE4ssige Ger\xE4teNr"});
  CreateMainTables();
  TextMemory = QByteArray(16384, '\0');
  FuelMemory = QByteArray(16384, '\0');
  pump_->SetTickHandler([this] { Timer1Timer(); });
}

TGlb::~TGlb() {
  pump_->SetTickHandler({});
  Serial.Close();
  Serial.ReleaseHandle();
  if (Glb == this) Glb = nullptr;
}

void TGlb::Log(const Text& line) {
  if (Logging()) log_->AddLine(line);
}

void TGlb::OpenPort(int32_t baud, bool sendCR) {
  Delay(PortCloseDelay);
  if (Serial.IsOpen) {
    Delay(PortCloseDelay);
    Serial.Close();
  }
  // A handle whose configuration failed earlier is given back as well.
  Serial.ReleaseHandle();
  if (ComPort >= 1 && ComPort <= 99) {
    Serial.Port = ComPort;
    Serial.BaudRate = baud;
    Serial.KeepErrorBytes = true;
    Serial.Open();
    if (!Serial.Failed) Serial.Configure();
    if (Serial.Failed) {
      Serial.ReleaseHandle();
      ShowError(StrGlobalmsg->Item(1) + Text::number(ComPort));
    }
  }
  Serial.SetDtr(true);
  Serial.SetRts(true);
  if (sendCR) {
    Serial.WriteByte('\r');
    WaitSendDone();
    while (Serial.DataAvailable()) Serial.ReadByte();
  }
}

void TGlb::SendCommand(const Text& text) {
  Serial.WriteText(text + '\r');
  Log("S " + text);
}

bool TGlb::ReceiveByte(int32_t ticks) {
  LastByte = 0;
  TimeoutTicks = ticks;
  while (TimeoutTicks > 0) {
    if (Serial.DataAvailable()) {
      LastByte = Serial.ReadByte();
      break;
    }
    // Nothing will come from a device that went away: the wait ends as a time-out.
    if (Serial.Gone()) TimeoutTicks = 0;
    else ProcessMessages();
  }
  const bool ok = TimeoutTicks > 0;
  if (!ok) Log("Timeout");
  return ok;
}

bool TGlb::ReceiveLine(int32_t ticks) {
  LastByte = 0;
  LineBuffer.clear();
  TimeoutTicks = ticks;
  do {
    // Bytes already waiting are taken without sleeping; the pump sleeps
    // only while the receive queue is empty.
    if (!Serial.DataAvailable()) {
      if (Serial.Gone()) {
        TimeoutTicks = 0;
        break;
      }
      ProcessMessages();
    } else {
      pump_->ProcessPending();
    }
    if (Serial.DataAvailable()) {
      LastByte = Serial.ReadByte();
      if (LastByte == '\r') break;
      LineBuffer.append(static_cast<char>(LastByte));
    }
  } while (TimeoutTicks > 0);
  const bool ok = TimeoutTicks > 0;
  if (!ok) Log("Timeout");
  else if (!LineBuffer.isEmpty()) Log("R " + LineBuffer);
  return ok;
}

void TGlb::DiscardInput() {
  TimeoutTicks = 1;
  do {
    ProcessMessages();
    while (Serial.DataAvailable()) Serial.ReadByte();
  } while (TimeoutTicks > 0);
}

void TGlb::WaitSendDone() {
  // The queue drains at the line rate; sleep about as long as that takes
  // instead of spinning or waiting for the next tick. A queue that stops
  // draining for two seconds (a stalled driver) ends the wait.
  int32_t last = -1;
  int64_t since = pump_->NowMs();
  for (;;) {
    const int32_t pending = Serial.OutQueueCount();
    if (pending <= 0) return;
    if (pending != last) {
      last = pending;
      since = pump_->NowMs();
    } else if (pump_->NowMs() - since > kSendStallMs) {
      return;
    }
    const int32_t baud = std::max<int32_t>(Serial.BaudRate, 300);
    Delay(std::clamp<int32_t>(pending * 10000 / baud, 1, 100));
  }
}

void TGlb::ClosePort(bool withDelay) {
  if (withDelay) Delay(PortCloseDelay);
  Serial.Close();
  Serial.ReleaseHandle();
  ChannelMode = 0;
}

void TGlb::Timer1Timer() {
  if (TimeoutTicks > 0) --TimeoutTicks;
  if (!TerminalMode) return;
  if (ChannelMode == 0) {
    // Taken before OpenPort waits, so a tick inside that wait does not open again.
    ChannelMode = 3;
    OpenPort(9600, true);
    LineBuffer.clear();
  } else if (ChannelMode == 3) {
    while (Serial.DataAvailable()) {
      LastByte = Serial.ReadByte();
      if (LastByte == '\r') {
        if (TerminalMemo) TerminalMemo("> " + LineBuffer);
        LineBuffer.clear();
      } else {
        LineBuffer.append(static_cast<char>(LastByte));
      }
    }
  }
}
