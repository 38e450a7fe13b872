#pragma once
// TGlb: the global data module. It owns the one serial port, the command
// channel with its 100 ms tick, the shared memory images and the program-wide
// values, and it lives from start to end. The "Diagnose" window is a separate
// thin widget (TFormDiagnose) that shows the channel's log.
#include <cstdint>
#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "pump.h"
#include "serial.h"
#include "util/dialogs.h"
#include "util/msgtable.h"
#include "util/text.h"

class SettingsStore;

// Where the channel logs: the "Diagnose" window, which logs only while visible.
class DiagnoseLog {
 public:
  virtual ~DiagnoseLog() = default;
  virtual bool Logging() const = 0;
  virtual void AddLine(const Text& line) = 0;
};

// The progress window of the transfers (a window in the program, text on the
// command line).
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void Prepare(int32_t maximum) = 0;
  virtual void Step(int32_t position) = 0;
  virtual void Close() = 0;
};

class TGlb : public QObject {
  Q_OBJECT
 public:
  TGlb(EventPump* pump, std::unique_ptr<SerialBackend> backend, QObject* parent = nullptr);
  ~TGlb() override;

  // ---- command channel ----
  TSerial Serial;
  Text LineBuffer;
  uint8_t LastByte = 0;
  int32_t TimeoutTicks = 0;

  int32_t ComPort = 1;
  int32_t ChannelMode = 0;  // 0 nobody, 1 upload, 2 text/fuel, 3 terminal, 4 parameters, 6 query
  bool TerminalMode = false;
  std::function<void(const Text& line)> TerminalMemo;  // empty: no terminal memo
  int32_t PortCloseDelay = 0;                          // ms

  MessageTable* StrGlobalmsg = nullptr;

  void OpenPort(int32_t baud, bool sendCR);
  void SendCommand(const Text& text);
  bool ReceiveByte(int32_t ticks);
  bool ReceiveLine(int32_t ticks);
  void DiscardInput();
  void WaitSendDone();
  static constexpr int64_t kSendStallMs = 2000;
  // The 100 ms tick: counts TimeoutTicks down and runs the terminal's receive loop.
  void Timer1Timer();
  // The close step of the exchanges: optionally wait PortCloseDelay, close, ChannelMode 0.
  void ClosePort(bool withDelay);

  // Waiting with window messages processed (all waits go through the pump).
  void ProcessMessages() { pump_->ProcessMessages(); }
  void Delay(int32_t ms) { pump_->Sleep(ms); }
  EventPump& Pump() { return *pump_; }

  void SetLog(DiagnoseLog* log) { log_ = log; }
  DiagnoseLog* LogSink() const { return log_; }
  bool Logging() const { return log_ && log_->Logging(); }
  void Log(const Text& line);

  // ---- the main window's shared message tables (main_tables.cpp) ----
  // Created with TGlb; the main window takes them over as its children so the
  // language files reach them under its name.
  MessageTable* StrMain = nullptr;
  MessageTable* StrError = nullptr;
  MessageTable* StrBRNmsg = nullptr;
  void CreateMainTables();  // from the constructor
  // The no-instrument message: StrError[32] + " " + CR + StrMain[21].
  Text NoInstrumentText() const;

  // ---- service session (session.cpp) ----
  bool Busy = false;
  Text LastAnswer;
  Text ErrorText;
  Text InstrumentIdent;

  bool CheckConnection(int32_t port);
  void ReopenPort();
  bool QueryInstrument(const Text& command, Text* answer);
  void ReleaseInstrument();
  void BeginExchange(const Text& label, int32_t count);
  void EndExchange();
  void DrainInput();
  void EnterServiceMode();
  Text ReadAnswer();

  // The main window's status label Label1; the session writes it.
  Text StatusText;
  void SetStatusText(const Text& text);

  // ---- memory images and transfers (transfer.cpp) ----
  QByteArray TextMemory;
  int32_t TextMemoryLength = 0;
  QByteArray FuelMemory;
  int32_t FuelMemoryLength = 0;
  bool FuelMemoryValid = false;
  ProgressSink* Progress = nullptr;

  bool ReadTextMemory();
  bool WriteTextMemory();
  bool ReadFuelMemory(int32_t length);
  bool WriteFuelMemory();
  // buffer is grown (zero-filled) to at least count bytes.
  bool ReadParameterBlock(int32_t start, int32_t count, QByteArray& buffer);
  bool WriteParameterBlock(int32_t start, int32_t count, const QByteArray& data);
  // A transfer started while another one waits (a click processed inside the
  // wait) is refused: it returns false at once and sets TransferRefused.
  bool TransferRunning = false;
  bool TransferRefused = false;

  // ---- program-wide values and settings (settings.cpp) ----
  QString ProgramDir;  // with a trailing separator
  QString DataDir;     // ProgramDir + "Daten" + separator
  QString HexFilePath;
  QString HexFileName;
  QString HexFileDir;
  QString BinFilePath;
  QString UserBinPath;
  QString UserFileName = "Typlist.txt";
  QString UserFileDir;
  QString MapFileName;
  Text ProgramVersion = "1.4,001-t2q";
  Text LanguageName;
  bool DisclaimerAccepted = false;
  bool AutoCom = false;
  int32_t UserLevel = 0;
  int32_t SavedPort = 1;
  bool TransferBusy = false;
  bool PrinterReadFailed = false;
  bool EmergencyMode = false;
  Text OptionText;
  int32_t SerialNumber = 0;  // the instrument's serial number and its text (editors/serial_number.h)
  Text SerialNumberText;
  // "Set" = "1" in the settings store shows "Sprache Messgerät" in the Service menu.
  bool ShowInstrumentLanguageItem = false;

  QString IniPath() const { return ProgramDir + "Setup720.INI"; }
  // The creation step: folders (SETUP720_HOME or the program's folder),
  // cleared images and option text, stored level, base settings, Busy off.
  void InitProgramValues();
  // The settings store; null means the user's own (SettingsStore::DefaultPath()).
  SettingsStore* Registry = nullptr;
  SettingsStore& Store();
  void LoadBaseSettings();
  // False when the INI file could not be written (or read, so as not to lose it).
  bool SaveBaseSettings();
  void LoadRegistrySettings();
  void ShowHelpFile(const Text& topic);
  void SetUserFile(const QString& path);
  static bool FolderOfPathExists(const QString& path);
  // The shared file dialogs the editor windows borrow.
  TFileDialog OpenDialogTyp{FileDialogKind::Open, "TXT",
                            "Textdatei (*.txt)|*.txt|Brennstofftabelle(BRN_*.bin)|BRN_*.bin|"
                            "Hauptprogramm(*.bin)|*.bin|Alle Dateien (*.*)|*.*"};
  TFileDialog SaveDialogtyp{FileDialogKind::Save, "TXT",
                            "Textdatei (*.txt)|*.txt|Alle Dateien (*.*)|*.*"};

 signals:
  void statusTextChanged(const QString& text);

 private:
  EventPump* pump_;
  DiagnoseLog* log_ = nullptr;
};

// The one instance, created at start (tests create their own).
extern TGlb* Glb;
