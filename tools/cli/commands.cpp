#include "commands.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QFileInfo>
#include <QObject>

#include "devtools/map_analysis.h"
#include "editors/alv_exchange.h"
#include "editors/eeprom_dump.h"
#include "editors/fuel_table.h"
#include "editors/instrument_language.h"
#include "editors/option_catalogue.h"
#include "editors/option_transfer.h"
#include "editors/printer_window.h"
#include "editors/records.h"
#include "editors/serial_number.h"
#include "editors/type_list.h"
#include "link/configuration.h"
#include "link/glb.h"
#include "upload/bootloader.h"
#include "upload/region_window.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/msgtable.h"

namespace {

// A dump is under a kilobyte; anything near a megabyte is no dump.
constexpr qint64 kMaxDumpFileSize = 1 << 20;
constexpr qint64 kMaxPrinterFileSize = 1 << 20;

// The windows' own texts for the same failures.
const Text kReceiveError = "Empfangsfehler";  // StrDrucker 0
const Text kSendError = "Sendefehler";        // StrDrucker 1
const Text kOptionRecordBad = "Options-Satz fehlerhaft";
const Text kOptionSendError = "Sende Fehler";

struct Context {
  const Arguments& args;
  const Console& console;

  QString Word(qsizetype i) const { return args.words.value(i); }
};

using Handler = std::function<int(Context&)>;

Text Q2T(const QString& s) { return FromQt(s); }

int Usage(const Context& c, const QString& message) {
  c.console.Err(Q2T("setup720-cli: " + message));
  c.console.Err("Try \"setup720-cli --help\".");
  return kExitUsage;
}

QString AbsolutePath(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

// Exactly the words the command takes: command, action, then `files` more.
bool WordCount(const Context& c, qsizetype count, int* exit) {
  if (c.args.words.size() == count) return true;
  *exit = Usage(c, c.args.words.size() < count ? QStringLiteral("%1: missing argument").arg(c.Word(0))
                                               : QStringLiteral("%1: too many arguments").arg(c.Word(0)));
  return false;
}

bool CheckInstrument(const Context& c) {
  if (Glb->CheckConnection(Glb->ComPort)) return true;
  c.console.Err(TrimBlanks(Glb->NoInstrumentText()));
  return false;
}

bool ReadFileWithLimit(const Context& c, const QString& path, qint64 limit, QByteArray* data) {
  const QFileInfo info(path);
  QString error;
  if (!info.isFile()) {
    error = QStringLiteral("no such file");
  } else if (info.size() > limit) {
    error = QStringLiteral("file too large");
  } else if (ReadWholeFile(path, data, &error)) {
    return true;
  }
  c.console.Err(TrimBlanks(Glb->StrError->Item(9)) + " " + Q2T(path) + ": " + Q2T(error));
  return false;
}

bool WriteFile(const Context& c, const QString& path, const QByteArray& data) {
  QString error;
  if (WriteWholeFile(path, data, &error)) return true;
  c.console.Err(TrimBlanks(Glb->StrError->Item(10)) + " " + Q2T(path) + ": " + Q2T(error));
  return false;
}

// "KRTC-0815": the serial pattern with a running number of at least 1.
std::optional<int32_t> SerialArgument(const QString& text) {
  const Text field = SerialFieldText(Q2T(text.trimmed()));
  if (field.size() != kSerialTextLength || !field.startsWith("KR") || field[4] != '-') return std::nullopt;
  for (int i = 5; i < kSerialTextLength; ++i)
    if (field[i] < '0' || field[i] > '9') return std::nullopt;
  int32_t number = 0;
  const Text error = "\x01";
  if (SerialTextToNumber(field, &number, error) == error) return std::nullopt;
  return number;
}

// ---- ports ----

int Ports(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  const PortList list = FillPortList();
  for (const Text& entry : list.entries) {
    const int32_t port = EntryPort(entry);
    Text line = "COM" + Text::number(port) + "\t" + Q2T(Glb->Serial.Backend().DeviceName(port));
    if (list.UsbFound && port == list.UsbPort) line += "\tORX720 USB";
    c.console.Out(line);
  }
  c.console.Note(list.label);
  return kExitOk;
}

int Find(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  const PortList list = FillPortList();
  const PortSearchResult result = SearchPorts(
      list.entries,
      [&](int index) { c.console.Info("COM" + Text::number(EntryPort(list.entries[index])) + " ..."); },
      // The first instrument that answers is taken.
      [](const Text&) { return true; });
  if (result.refused) {
    c.console.Err(kPortBusyText);
    return kExitFailed;
  }
  if (result.chosen == 0) {
    c.console.Err(kSearchNoDeviceText);
    return kExitFailed;
  }
  c.console.Out("COM" + Text::number(result.chosen) + "\t" + Glb->LastAnswer);
  return kExitOk;
}

int Test(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  const PortTestResult result = TestPort(Glb->ComPort);
  if (result.refused) {
    c.console.Err(kPortBusyText);
    return kExitFailed;
  }
  c.console.Out(result.message);
  return result.found ? kExitOk : kExitFailed;
}

int Ident(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  if (!CheckInstrument(c)) return kExitFailed;
  c.console.Out(Glb->InstrumentIdent);
  return kExitOk;
}

// ---- EEPROM ----

// The dump file's 256 bytes; nothing after the syntax message was printed.
std::optional<QByteArray> ReadDump(const Context& c, const QString& path) {
  QByteArray contents;
  if (!ReadFileWithLimit(c, path, kMaxDumpFileSize, &contents)) return std::nullopt;
  DumpError error;
  std::optional<QByteArray> data = ParseDump(DumpFileLines(contents), &error);
  if (!data) c.console.Err(DumpErrorMessage(kStrHolderEEP[1], error) + " (" + Q2T(path) + ")");
  return data;
}

bool ReadEeprom(const Context& c, QByteArray* data) {
  *data = QByteArray(kEepromSize, '\0');
  if (Glb->ReadParameterBlock(0, kEepromSize, *data)) {
    *data = data->left(kEepromSize);
    return true;
  }
  c.console.Err(kStrHolderEEP[0]);
  return false;
}

int Eeprom(Context& c) {
  int exit = 0;
  if (!WordCount(c, 3, &exit)) return exit;
  const QString action = c.Word(1);
  const QString path = AbsolutePath(c.Word(2));
  if (action == "read") {
    if (!CheckInstrument(c)) return kExitFailed;
    QByteArray data;
    if (!ReadEeprom(c, &data)) return kExitFailed;
    Glb->SerialNumber = DumpSerialNumber(data);
    const Text serial = SerialNumberToText(Glb->SerialNumber);
    if (!WriteFile(c, path, DumpFileText(FormatDump(data)))) return kExitFile;
    c.console.Note(serial + " -> " + Q2T(path));
    return kExitOk;
  }
  if (action == "write" || action == "compare") {
    // Every line is checked before the instrument is even asked.
    const std::optional<QByteArray> dump = ReadDump(c, path);
    if (!dump) return kExitFile;
    if (!CheckInstrument(c)) return kExitFailed;
    if (action == "write") {
      if (!Glb->WriteParameterBlock(0, kEepromSize, *dump)) {
        c.console.Err(kStrHolderEEP[2]);
        return kExitFailed;
      }
      c.console.Note(DumpSerialText(*dump) + " <- " + Q2T(path));
      return kExitOk;
    }
    QByteArray instrument;
    if (!ReadEeprom(c, &instrument)) return kExitFailed;
    const int32_t address = FirstDifference(*dump, instrument);
    if (address < 0) {
      c.console.Out(kStrHolderEEP[3]);
      return kExitOk;
    }
    c.console.Out(DifferenceMessage(kStrHolderEEP[4], address));
    return kExitFailed;
  }
  return Usage(c, "eeprom: read, write or compare");
}

// ---- printer texts ----

int Printer(Context& c) {
  int exit = 0;
  if (!WordCount(c, 3, &exit)) return exit;
  const QString action = c.Word(1);
  const QString path = AbsolutePath(c.Word(2));
  if (action == "read") {
    if (!CheckInstrument(c)) return kExitFailed;
    const bool read = ReadPrinterMemory();
    // The window sends the closing command when it closes.
    if (!read) {
      c.console.Err(kReceiveError);
      Glb->ReleaseInstrument();
      return kExitFailed;
    }
    const QList<Text> lines = PrinterTextsFromMemory(Glb->TextMemory);
    Glb->ReleaseInstrument();
    if (!WriteFile(c, path, PrinterTextFile(lines))) return kExitFile;
    for (const Text& line : lines) c.console.Note(line);
    return kExitOk;
  }
  if (action == "write") {
    QByteArray contents;
    if (!ReadFileWithLimit(c, path, kMaxPrinterFileSize, &contents)) return kExitFile;
    const QList<Text> lines = PrinterTextsFromFile(contents);
    if (!CheckInstrument(c)) return kExitFailed;
    const bool written = WritePrinterMemory(lines);
    Glb->ReleaseInstrument();
    if (!written) {
      c.console.Err(kSendError);
      return kExitFailed;
    }
    // What went out, cut to the slots.
    for (const Text& line : PrinterTextsFromMemory(Glb->TextMemory)) c.console.Note(line);
    return kExitOk;
  }
  return Usage(c, "printer: read or write");
}

// ---- options and lists ----

// The main window's tables, built in (the command line has no main window).
struct OptionTables {
  QObject owner;
  MessageTable* strGlobalOpt = CreateStrGlobalOpt(&owner);
  MessageTable* strDis = CreateStrDis(&owner);
  MessageTable* strPrint = CreateStrPrint(&owner);
};

// The option record, checked; false after the reason was printed.
bool ReadOptionRecord(const Context& c, OptionRecord* record) {
  bool ok = false;
  const QByteArray bytes = ReadParameterRecord(OptionRecord::kAddress, OptionRecord::kSize, &ok);
  if (!ok) {
    c.console.Err(TrimBlanks(Glb->StrError->Item(17)));
    return false;
  }
  if (!OptionRecord::ChecksumValid(bytes)) {
    c.console.Err(kOptionRecordBad);
    return false;
  }
  *record = OptionRecord::FromBytes(bytes);
  return true;
}

// The type list and the type number the command names.
bool TypeArguments(const Context& c, TTypeList* list, int32_t* type, int* exit) {
  if (!c.args.values.count("type-list") || !c.args.values.count("type")) {
    *exit = Usage(c, c.Word(0) + ": --type-list FILE and --type N are needed");
    return false;
  }
  const std::optional<int64_t> number = WholeNumber(c.args.Value("type"), 1, 255);
  if (!number) {
    *exit = Usage(c, "--type: a type number 1..255");
    return false;
  }
  const QString path = AbsolutePath(c.args.Value("type-list"));
  QString error;
  if (list->Load(path, &error) != TTypeList::LoadStatus::Loaded) {
    if (error.isEmpty()) error = QStringLiteral("no such file");
    c.console.Err(TrimBlanks(Glb->StrError->Item(9)) + " " + Q2T(path) + ": " + Q2T(error));
    *exit = kExitFile;
    return false;
  }
  *type = static_cast<int32_t>(*number);
  if (!list->HasName(*type)) {
    *exit = Usage(c, QStringLiteral("type %1 is not in %2").arg(*type).arg(path));
    return false;
  }
  return true;
}

Text TypeTitle(const TTypeList& list, int32_t type) {
  return IntToStrZero(type, 2) + " " + TrimBlanks(list.TypeName(type));
}

int OptionsShow(Context& c) {
  if (!CheckInstrument(c)) return kExitFailed;
  OptionRecord record;
  if (!ReadOptionRecord(c, &record)) return kExitFailed;
  bool ok = false;
  const QByteArray bytes = ReadParameterRecord(ListRecord::kAddress, ListRecord::kSize, &ok);
  if (!ok) {
    c.console.Err(TrimBlanks(Glb->StrError->Item(17)));
    return kExitFailed;
  }
  const ListRecord lists = ListRecord::FromBytes(bytes);
  const OptionTables tables;

  c.console.Out("Seriennummer: " + SerialNumberToText(record.SerialNumber) + " (" +
                Text::number(record.SerialNumber) + ")");
  c.console.Out("Ger\xE4tetyp: " + IntToStrZero(record.TypeNumber, 2));
  c.console.Out("Optionen:");
  for (int32_t bit = 0; bit < kOptionBitCount; ++bit)
    c.console.Out(IntToStrWidth(bit + 1, 4) + (record.Bits[static_cast<size_t>(bit)] ? " [x] " : " [ ] ") +
                  tables.strGlobalOpt->Item(bit + 1));
  const DisplayCodes display = lists.DisplayCodesOf();
  for (int32_t column = 0; column < kDisplayCount; ++column) {
    c.console.Out("Display " + Text::number(column + 1) + ":");
    for (int32_t row = 0; row < kDisplayRows; ++row)
      c.console.Out(IntToStrWidth(row + 1, 4) + " " +
                    DisplayCell(*tables.strDis, display[static_cast<size_t>(column)][static_cast<size_t>(row)]));
  }
  const PrintCodes print = lists.PrintCodesOf();
  c.console.Out("Drucken:");
  for (int32_t row = 0; row < kPrintRows; ++row)
    c.console.Out(IntToStrWidth(row + 1, 4) + " " + PrintCell(*tables.strPrint, print[static_cast<size_t>(row)]));
  return kExitOk;
}

int OptionsWrite(Context& c) {
  int exit = 0;
  TTypeList list;
  int32_t type = 0;
  if (!TypeArguments(c, &list, &type, &exit)) return exit;
  std::optional<int32_t> serial;
  if (c.args.values.count("serial")) {
    serial = SerialArgument(c.args.Value("serial"));
    if (!serial) return Usage(c, "--serial: KR + year letter + month letter + \"-\" + four digits");
  }
  if (!CheckInstrument(c)) return kExitFailed;
  if (!serial) {
    // The instrument keeps its serial number; it is taken from its record.
    OptionRecord record;
    if (!ReadOptionRecord(c, &record)) {
      c.console.Err("--serial is needed for this instrument");
      return kExitFailed;
    }
    serial = record.SerialNumber;
  }
  Glb->SerialNumber = *serial;
  const OptionRecords records = MakeOptionRecords(*serial, type, TypeContent(list, type));
  if (!WriteOptionRecords(records)) {
    c.console.Err(kOptionSendError);
    return kExitFailed;
  }
  c.console.Note(TypeTitle(list, type) + ", " + SerialNumberToText(*serial));
  return kExitOk;
}

int Options(Context& c) {
  const QString action = c.Word(1);
  int exit = 0;
  if (action == "show") {
    if (!WordCount(c, 2, &exit)) return exit;
    return OptionsShow(c);
  }
  if (action == "write") {
    if (!WordCount(c, 2, &exit)) return exit;
    return OptionsWrite(c);
  }
  return Usage(c, "options: show or write");
}

int Lists(Context& c) {
  int exit = 0;
  if (c.Word(1) != "write") return Usage(c, "lists: write");
  if (!WordCount(c, 2, &exit)) return exit;
  TTypeList list;
  int32_t type = 0;
  if (!TypeArguments(c, &list, &type, &exit)) return exit;
  if (!CheckInstrument(c)) return kExitFailed;
  // The service editor sends only to an instrument whose option record is sound.
  OptionRecord record;
  if (!ReadOptionRecord(c, &record)) return kExitFailed;
  const OptionRecords records = MakeOptionRecords(record.SerialNumber, type, TypeContent(list, type));
  if (!WriteListRecord(records.Lists)) {
    c.console.Err(kOptionSendError);
    return kExitFailed;
  }
  c.console.Note(TypeTitle(list, type) + ", " + SerialNumberToText(record.SerialNumber));
  return kExitOk;
}

// ---- instrument language ----

bool ReadLanguages(const Context& c, LanguageTable* table) {
  Text answer;
  if (!Glb->QueryInstrument(kReadLanguageCommand, &answer)) {
    c.console.Err(Glb->StrBRNmsg->Item(1));
    return false;
  }
  *table = LanguageTableFromAnswer(answer);
  return true;
}

int Language(Context& c) {
  const QString action = c.Word(1);
  int exit = 0;
  if (action == "show") {
    if (!WordCount(c, 2, &exit)) return exit;
    if (!CheckInstrument(c)) return kExitFailed;
    LanguageTable table;
    if (!ReadLanguages(c, &table)) return kExitFailed;
    for (size_t i = 0; i < table.Names.size(); ++i)
      c.console.Out(Text(static_cast<int32_t>(i) == table.Current ? "* " : "  ") +
                    Text::number(static_cast<qulonglong>(i)) + "\t" + table.Names[i]);
    return kExitOk;
  }
  if (action == "set") {
    if (!WordCount(c, 3, &exit)) return exit;
    const std::optional<int64_t> number = WholeNumber(c.Word(2), 0, 999);
    if (!number) return Usage(c, "language set: the number of a language (see \"language show\")");
    const auto position = static_cast<int32_t>(*number);
    if (!CheckInstrument(c)) return kExitFailed;
    LanguageTable table;
    if (!ReadLanguages(c, &table)) return kExitFailed;
    const std::optional<Text> command = SetLanguageCommandFor(table.Names, position);
    if (!command) return Usage(c, QStringLiteral("the instrument has no language %1").arg(position));
    if (!Glb->QueryInstrument(*command, nullptr)) {
      c.console.Err(Glb->StrBRNmsg->Item(8));
      return kExitFailed;
    }
    // Read back as the window does after its delay.
    Glb->Delay(400);
    if (!ReadLanguages(c, &table)) return kExitFailed;
    if (table.Current != position) {
      c.console.Err("Sprache im Ger\xE4t: " + table.CurrentName());
      return kExitFailed;
    }
    c.console.Note(table.CurrentName());
    return kExitOk;
  }
  return Usage(c, "language: show or set N");
}

// ---- ALV ----

void ShowAlv(const Context& c, const AlvReading& reading) {
  if (reading.Serial)
    c.console.Out("Seriennr: " + SerialNumberToText(*reading.Serial) + " (" + reading.SerialAnswer + ")");
  else
    c.console.Out("Seriennr: " + reading.SerialAnswer);
  c.console.Out("Kal. B: " + AlvFieldText(reading.Params.B, 4, '.'));
  c.console.Out("Kal. A: " + AlvFieldText(reading.Params.A, 5, '.'));
  c.console.Out("Kal K1: " + Text::number(reading.Params.K1));
  c.console.Out("Kal K2: " + Text::number(reading.Params.K2));
}

bool AlvDone(const Context& c, AlvResult result) {
  if (result == AlvResult::Done) return true;
  c.console.Err(result == AlvResult::Refused ? Text(kPortBusyText) : TrimBlanks(Glb->ErrorText));
  return false;
}

int Alv(Context& c) {
  const QString action = c.Word(1);
  int exit = 0;
  if (action == "show") {
    if (!WordCount(c, 2, &exit)) return exit;
    AlvReading reading;
    if (!AlvDone(c, ReadAlv(&reading))) return kExitFailed;
    ShowAlv(c, reading);
    if (!reading.Serial) {
      c.console.Err(AlvSerialAnswerError(reading.SerialAnswer));
      return kExitFailed;
    }
    return kExitOk;
  }
  if (action != "set") return Usage(c, "alv: show or set");
  if (!WordCount(c, 2, &exit)) return exit;

  std::optional<double> b, a;
  std::optional<int64_t> k1, k2;
  std::optional<int32_t> serial;
  if (c.args.values.count("b") && !(b = RealNumber(c.args.Value("b"))))
    return Usage(c, "--b: a number");
  if (c.args.values.count("a")) {
    a = RealNumber(c.args.Value("a"));
    if (!a || *a < kAlvAMin || *a > kAlvAMax) return Usage(c, "--a: a number from -0.002 to 0");
  }
  if (c.args.values.count("k1") && !(k1 = WholeNumber(c.args.Value("k1"), kAlvKMin, kAlvKMax)))
    return Usage(c, "--k1: a whole number from -20 to 20");
  if (c.args.values.count("k2") && !(k2 = WholeNumber(c.args.Value("k2"), kAlvKMin, kAlvKMax)))
    return Usage(c, "--k2: a whole number from -20 to 20");
  if (c.args.values.count("serial") && !(serial = SerialArgument(c.args.Value("serial"))))
    return Usage(c, "--serial: KR + year letter + month letter + \"-\" + four digits");
  if (!b && !a && !k1 && !k2 && !serial) return Usage(c, "alv set: nothing to set");

  // What is not given stays as the instrument has it.
  AlvReading reading;
  if (!AlvDone(c, ReadAlv(&reading))) return kExitFailed;
  if (!serial && !reading.Serial) {
    c.console.Err(AlvSerialAnswerError(reading.SerialAnswer) + " (--serial)");
    return kExitFailed;
  }
  AlvParams params = reading.Params;
  if (b) params.B = *b;
  if (a) params.A = *a;
  if (k1) params.K1 = static_cast<int32_t>(*k1);
  if (k2) params.K2 = static_cast<int32_t>(*k2);
  params = LimitAlvParams(params);
  const int32_t serialNumber = serial ? *serial : *reading.Serial;
  if (!AlvDone(c, WriteAlv(params, SerialNumberToText(serialNumber)))) return kExitFailed;

  // The instrument's own answer tells whether it took the values.
  AlvReading back;
  if (!AlvDone(c, ReadAlv(&back))) return kExitFailed;
  if (AlvParameterLine(back.Params) != AlvParameterLine(params) || back.Serial != serialNumber) {
    c.console.Err("ALV: das Ger\xE4t meldet andere Werte");
    ShowAlv(c, back);
    return kExitFailed;
  }
  if (!c.console.Quiet) ShowAlv(c, back);
  return kExitOk;
}

// ---- fuel table ----

int Fuel(Context& c) {
  int exit = 0;
  if (!WordCount(c, 3, &exit)) return exit;
  const QString action = c.Word(1);
  const QString path = AbsolutePath(c.Word(2));
  const auto protocol = [&](const Text& line) { c.console.Note(line); };
  if (action == "read") {
    if (!CheckInstrument(c)) return kExitFailed;
    if (!ReadFuelTable(protocol)) return kExitFailed;
    if (!WriteFile(c, path, FuelImageFileBytes())) return kExitFile;
    return kExitOk;
  }
  if (action == "write") {
    QString error;
    protocol(Glb->StrBRNmsg->Item(10) + " " + Q2T(QFileInfo(path).fileName()));
    if (!QFileInfo(path).isFile()) error = QStringLiteral("no such file");
    if (!error.isEmpty() || !LoadFuelImage(path, &error)) {
      c.console.Err(TrimBlanks(Glb->StrError->Item(9)) + " " + Q2T(path) + ": " + Q2T(error));
      return kExitFile;
    }
    protocol(Text::number(Glb->FuelMemoryLength) + " " + Glb->StrBRNmsg->Item(11));
    if (!Glb->FuelMemoryValid) {
      c.console.Err(Glb->StrBRNmsg->Item(6));
      return kExitFile;
    }
    if (!CheckInstrument(c)) return kExitFailed;
    protocol(Glb->StrBRNmsg->Item(7));
    if (!Glb->WriteFuelMemory()) {
      c.console.Err(Glb->StrBRNmsg->Item(8));
      return kExitFailed;
    }
    protocol(Glb->StrBRNmsg->Item(9));
    return kExitOk;
  }
  return Usage(c, "fuel: read or write");
}

// ---- upload ----

class ConsoleUploadLog : public UploadLog {
 public:
  explicit ConsoleUploadLog(const Console& console) : console_(console) {}
  void Clear() override {}
  void AddLine(const Text& line) override { console_.Note(line); }

 private:
  const Console& console_;
};

// Restores a hook when the upload is over.
template <typename T>
class HookScope {
 public:
  HookScope(T& hook, T value) : hook_(hook), saved_(std::move(hook)) { hook_ = std::move(value); }
  ~HookScope() { hook_ = std::move(saved_); }
  HookScope(const HookScope&) = delete;
  HookScope& operator=(const HookScope&) = delete;

 private:
  T& hook_;
  T saved_;
};

int Upload(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  const size_t variants = c.args.flags.count("standard") + c.args.flags.count("emergency") +
                          c.args.flags.count("emergency-standard");
  if (variants > 1) return Usage(c, "upload: one of --standard, --emergency, --emergency-standard");
  const bool standard = c.args.flags.count("standard") || c.args.flags.count("emergency-standard");
  if (standard && c.args.values.count("region"))
    return Usage(c, "upload: the standard uploads take the standard data set, no --region");

  if (c.args.values.count("hex")) {
    const QString hex = AbsolutePath(c.args.Value("hex"));
    if (!QFileInfo(hex).isFile()) {
      c.console.Err(TrimBlanks(Glb->StrError->Item(8)) + ": " + Q2T(hex));
      return kExitFile;
    }
    const int32_t port = Glb->ComPort;
    ApplyHexFile(hex);
    Glb->ComPort = port;  // --port stays in force
  }

  // The region is settled before the instrument is touched.
  QString region;
  if (!standard) {
    const QStringList candidates = RegionChoiceCandidates();
    if (c.args.values.count("region")) {
      const QFileInfo given(c.args.Value("region"));
      region = given.fileName();
      // The data sets are taken from the program image's folder only.
      if (c.args.Value("region").contains(u'/') &&
          given.absolutePath() != QFileInfo(Glb->HexFileDir + "x").absolutePath())
        return Usage(c, QStringLiteral("--region: the data set must be in %1").arg(Glb->HexFileDir));
      bool known = false;
      for (const QString& name : candidates) known = known || name.compare(region, Qt::CaseInsensitive) == 0;
      if (!known)
        return Usage(c, QStringLiteral("--region: %1 is no regional data set of %2 (%3)")
                            .arg(region, Glb->HexFileName, candidates.join(QStringLiteral(", "))));
    } else if (candidates.size() >= 2) {
      return Usage(c, QStringLiteral("upload: choose the regional data set with --region (%1)")
                          .arg(candidates.join(QStringLiteral(", "))));
    }
  }
  HookScope<std::function<bool()>> regionHook(ChooseRegionHook, [region] {
    return region.isEmpty() || ApplyRegionChoice(region);
  });
  // The printer texts are saved before a normal upload, without the window.
  HookScope<std::function<bool()>> printerHook(ReadPrinterTextsHook, [&c] {
    if (!Glb->CheckConnection(Glb->ComPort)) {
      Glb->PrinterReadFailed = true;
      return false;
    }
    if (!ReadPrinterMemory()) {
      c.console.Err(kReceiveError);
      return false;
    }
    c.console.Info("Druckertexte -> " + Q2T(Glb->UserBinPath));
    return true;
  });

  ConsoleUploadLog log(c.console);
  TUploadSequence sequence(&log);
  bool ran = false;
  if (c.args.flags.count("standard"))
    ran = sequence.RunStandard();
  else if (c.args.flags.count("emergency"))
    ran = sequence.RunEmergency();
  else if (c.args.flags.count("emergency-standard"))
    ran = sequence.RunEmergencyStandard();
  else
    ran = sequence.RunAuto();
  if (!ran) {
    c.console.Err(kPortBusyText);
    return kExitFailed;
  }
  if (sequence.UploadError) return kExitFile;
  return sequence.Completed ? kExitOk : kExitFailed;
}

// ---- link map ----

int MapFile(Context& c) {
  int exit = 0;
  if (!WordCount(c, 2, &exit)) return exit;
  std::vector<Text> report;
  const MapReportMode mode = c.args.flags.count("details") ? MapReportMode::Details : MapReportMode::Condensed;
  if (!LoadMapReport(AbsolutePath(c.Word(1)), mode, &report)) return kExitFile;
  for (const Text& line : report) c.console.Out(line);
  return kExitOk;
}

struct Command {
  Handler run;
  std::set<QString> options;  // besides the global ones
  bool needsConfiguration = false;
};

const std::map<QString, Command>& Commands() {
  static const std::map<QString, Command> commands = {
      {"ports", {Ports, {}}},
      {"find", {Find, {}}},
      {"test", {Test, {}}},
      {"ident", {Ident, {}}},
      {"eeprom", {Eeprom, {}}},
      {"printer", {Printer, {}, true}},
      {"options", {Options, {"type-list", "type", "serial"}}},
      {"lists", {Lists, {"type-list", "type"}}},
      {"language", {Language, {}}},
      {"alv", {Alv, {"b", "a", "k1", "k2", "serial"}}},
      {"fuel", {Fuel, {}}},
      {"upload", {Upload, {"standard", "emergency", "emergency-standard", "hex", "region"}, true}},
      {"mapfile", {MapFile, {"details"}}},
  };
  return commands;
}

}  // namespace

bool NeedsConfiguration(const Arguments& arguments) {
  const auto it = Commands().find(arguments.words.value(0));
  return it != Commands().end() && it->second.needsConfiguration;
}

int RunCommand(const Arguments& arguments, const Console& console) {
  Context c{arguments, console};
  if (arguments.words.isEmpty()) return Usage(c, "no command");
  const auto it = Commands().find(arguments.words[0]);
  if (it == Commands().end()) return Usage(c, QStringLiteral("unknown command \"%1\"").arg(arguments.words[0]));
  QString error;
  if (!OnlyOptions(arguments, it->second.options, &error)) return Usage(c, arguments.words[0] + ": " + error);
  if (arguments.words[0] == "options" && arguments.words.value(1) == "show" &&
      (arguments.Has("type-list") || arguments.Has("type") || arguments.Has("serial")))
    return Usage(c, "options show takes no --type-list, --type or --serial");
  return it->second.run(c);
}
