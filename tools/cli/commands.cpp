#include "commands.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
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
#include "port_choice.h"
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
  Console& console;
  PortClaim& claim;
  bool claimed = false;

  QString Word(qsizetype i) const { return args.words.value(i); }
  bool Verify() const { return args.Flag("verify"); }
};

using Handler = std::function<int(Context&)>;

Text Q2T(const QString& s) { return FromQt(s); }

int Usage(Context& c, const QString& message) { return c.console.Usage(message); }

QString AbsolutePath(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

// Exactly the words the command takes: command, action, then `files` more.
bool WordCount(Context& c, qsizetype count, int* exit) {
  if (c.args.words.size() == count) return true;
  *exit = Usage(c, c.args.words.size() < count ? QStringLiteral("%1: missing argument").arg(c.Word(0))
                                               : QStringLiteral("%1: too many arguments").arg(c.Word(0)));
  return false;
}

// --verify on a command or action that writes nothing.
bool NoVerify(Context& c, const QString& what, int* exit) {
  if (!c.Verify()) return true;
  *exit = Usage(c, QStringLiteral("%1: --verify applies to writes only").arg(what));
  return false;
}

// The port is taken before the first byte goes out, and kept to the end.
bool ClaimPort(Context& c) {
  if (c.claimed) return true;
  Text error;
  if (!c.claim.Claim(Glb->Serial.Backend(), Glb->ComPort, &error)) {
    c.console.Err(error);
    return false;
  }
  c.claimed = true;
  return true;
}

bool CheckInstrument(Context& c) {
  if (!ClaimPort(c)) return false;
  if (Glb->CheckConnection(Glb->ComPort)) return true;
  c.console.Err(TrimBlanks(Glb->NoInstrumentText()));
  return false;
}

bool ReadFileWithLimit(Context& c, const QString& path, qint64 limit, QByteArray* data) {
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

bool WriteFile(Context& c, const QString& path, const QByteArray& data) {
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

// Every address at which the two differ, by the rule of FirstDifference.
QJsonArray Differences(const QByteArray& a, const QByteArray& b) {
  QJsonArray addresses;
  for (qsizetype from = 0;;) {
    const int32_t at = FirstDifference(a.mid(from), b.mid(from));
    if (at < 0) break;
    addresses.append(static_cast<int>(from + at));
    from += at + 1;
  }
  return addresses;
}

// The failed read-back: "verify: <what>: Datensatz Unterschied an Adresse $xxxx".
int VerifyFailed(Context& c, const Text& what, int32_t address) {
  c.console.Err("verify: " + what + ": " + DifferenceMessage(kStrHolderEEP[4], address));
  c.console.Set("verified", false);
  c.console.Set("difference", QJsonObject{{"address", address}, {"field", ToQt(what)}});
  return kExitFailed;
}

// ---- ports ----

int Ports(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  const PortList list = FillPortList();
  QJsonArray ports;
  for (const Text& entry : list.entries) {
    const int32_t port = EntryPort(entry);
    const QString device = Glb->Serial.Backend().DeviceName(port);
    const bool usb = list.UsbFound && port == list.UsbPort;
    Text line = "COM" + Text::number(port) + "\t" + Q2T(device);
    if (usb) line += "\tORX720 USB";
    c.console.Out(line);
    ports.append(QJsonObject{{"com", port}, {"device", device}, {"usb", usb}});
  }
  c.console.Note(list.label);
  c.console.Set("ports", ports);
  c.console.Set("usbCable", list.UsbPort ? QJsonValue(QJsonObject{{"com", list.UsbPort}}) : QJsonValue());
  c.console.Set("status", JsonText(list.label));
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
  c.console.Set("port", result.chosen);
  c.console.Set("device", Glb->Serial.Backend().DeviceName(result.chosen));
  c.console.Set("identity", JsonText(Glb->LastAnswer));
  return kExitOk;
}

int Test(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  if (!ClaimPort(c)) return kExitFailed;
  const PortTestResult result = TestPort(Glb->ComPort);
  if (result.refused) {
    c.console.Err(kPortBusyText);
    return kExitFailed;
  }
  c.console.Out(result.message);
  c.console.Set("found", result.found);
  c.console.Set("message", JsonText(result.message));
  if (result.found) c.console.Set("identity", JsonText(Glb->LastAnswer));
  if (!result.found) c.console.SetFailure(result.message);
  return result.found ? kExitOk : kExitFailed;
}

int Ident(Context& c) {
  int exit = 0;
  if (!WordCount(c, 1, &exit)) return exit;
  if (!CheckInstrument(c)) return kExitFailed;
  c.console.Out(Glb->InstrumentIdent);
  c.console.Set("identity", JsonText(Glb->InstrumentIdent));
  return kExitOk;
}

// ---- EEPROM ----

// The dump file's 256 bytes; nothing after the syntax message was printed.
std::optional<QByteArray> ReadDump(Context& c, const QString& path) {
  QByteArray contents;
  if (!ReadFileWithLimit(c, path, kMaxDumpFileSize, &contents)) return std::nullopt;
  DumpError error;
  std::optional<QByteArray> data = ParseDump(DumpFileLines(contents), &error);
  if (!data) c.console.Err(DumpErrorMessage(kStrHolderEEP[1], error) + " (" + Q2T(path) + ")");
  return data;
}

bool ReadEeprom(Context& c, QByteArray* data) {
  *data = QByteArray(kEepromSize, '\0');
  if (Glb->ReadParameterBlock(0, kEepromSize, *data)) {
    *data = data->left(kEepromSize);
    return true;
  }
  c.console.Err(kStrHolderEEP[0]);
  return false;
}

void SetSerial(Context& c, int32_t number) {
  c.console.Set("serial", JsonText(SerialNumberToText(number)));
  c.console.Set("serialNumber", number);
}

int Eeprom(Context& c) {
  int exit = 0;
  if (!WordCount(c, 3, &exit)) return exit;
  const QString action = c.Word(1);
  const QString path = AbsolutePath(c.Word(2));
  if (action != "read" && action != "write" && action != "compare")
    return Usage(c, "eeprom: read, write or compare");
  if (action != "write" && !NoVerify(c, "eeprom " + action, &exit)) return exit;
  c.console.Set("file", path);
  if (action == "read") {
    if (!CheckInstrument(c)) return kExitFailed;
    QByteArray data;
    if (!ReadEeprom(c, &data)) return kExitFailed;
    Glb->SerialNumber = DumpSerialNumber(data);
    const Text serial = SerialNumberToText(Glb->SerialNumber);
    SetSerial(c, Glb->SerialNumber);
    if (!WriteFile(c, path, DumpFileText(FormatDump(data)))) return kExitFile;
    c.console.Note(serial + " -> " + Q2T(path));
    c.console.Set("bytes", static_cast<int>(data.size()));
    return kExitOk;
  }
  // Every line is checked before the instrument is even asked.
  const std::optional<QByteArray> dump = ReadDump(c, path);
  if (!dump) return kExitFile;
  if (!CheckInstrument(c)) return kExitFailed;
  if (action == "write") {
    SetSerial(c, DumpSerialNumber(*dump));
    if (!Glb->WriteParameterBlock(0, kEepromSize, *dump)) {
      c.console.Err(kStrHolderEEP[2]);
      return kExitFailed;
    }
    c.console.Note(DumpSerialText(*dump) + " <- " + Q2T(path));
    if (!c.Verify()) return kExitOk;
    QByteArray back;
    if (!ReadEeprom(c, &back)) return kExitFailed;
    const int32_t address = FirstDifference(*dump, back);
    if (address >= 0) return VerifyFailed(c, "EEPROM", address);
    c.console.Set("verified", true);
    return kExitOk;
  }
  QByteArray instrument;
  if (!ReadEeprom(c, &instrument)) return kExitFailed;
  const int32_t address = FirstDifference(*dump, instrument);
  c.console.Set("equal", address < 0);
  c.console.Set("differences", Differences(*dump, instrument));
  if (address < 0) {
    c.console.Out(kStrHolderEEP[3]);
    return kExitOk;
  }
  const Text message = DifferenceMessage(kStrHolderEEP[4], address);
  c.console.Set("first", address);
  c.console.Out(message);
  c.console.SetFailure(message);
  return kExitFailed;
}

// ---- printer texts ----

// "line 2 (header 2)": where a byte of the six slots lies.
Text PrinterField(int32_t offset) {
  const int32_t slot = offset / kPrinterSlotSize;
  const int32_t half = kPrinterLines / 2;
  return "line " + Text::number(slot + 1) + (slot < half ? " (header " : " (footer ") +
         Text::number(slot % half + 1) + ")";
}

int Printer(Context& c) {
  int exit = 0;
  if (!WordCount(c, 3, &exit)) return exit;
  const QString action = c.Word(1);
  const QString path = AbsolutePath(c.Word(2));
  if (action != "read" && action != "write") return Usage(c, "printer: read or write");
  if (action == "read" && !NoVerify(c, "printer read", &exit)) return exit;
  c.console.Set("file", path);
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
    c.console.Set("lines", JsonLines(lines));
    if (!WriteFile(c, path, PrinterTextFile(lines))) return kExitFile;
    for (const Text& line : lines) c.console.Note(line);
    return kExitOk;
  }
  QByteArray contents;
  if (!ReadFileWithLimit(c, path, kMaxPrinterFileSize, &contents)) return kExitFile;
  const QList<Text> lines = PrinterTextsFromFile(contents);
  if (!CheckInstrument(c)) return kExitFailed;
  if (!WritePrinterMemory(lines)) {
    Glb->ReleaseInstrument();
    c.console.Err(kSendError);
    return kExitFailed;
  }
  // What went out, cut to the slots.
  const QByteArray sent = Glb->TextMemory.left(kPrinterLines * kPrinterSlotSize);
  const QList<Text> shown = PrinterTextsFromMemory(sent);
  c.console.Set("lines", JsonLines(shown));
  for (const Text& line : shown) c.console.Note(line);
  if (!c.Verify()) {
    Glb->ReleaseInstrument();
    return kExitOk;
  }
  // Read back as "printer read" reads (which also saves the user data image).
  const bool read = ReadPrinterMemory();
  const QByteArray back = Glb->TextMemory.left(sent.size());
  Glb->ReleaseInstrument();
  if (!read) {
    c.console.Err("verify: " + kReceiveError);
    return kExitFailed;
  }
  const int32_t address = FirstDifference(sent, back);
  if (address >= 0) {
    c.console.Set("readBack", JsonLines(PrinterTextsFromMemory(back)));
    return VerifyFailed(c, "printer text " + PrinterField(address), address);
  }
  c.console.Set("verified", true);
  return kExitOk;
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
bool ReadOptionRecord(Context& c, OptionRecord* record) {
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
bool TypeArguments(Context& c, TTypeList* list, int32_t* type, int* exit) {
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

void SetType(Context& c, const TTypeList& list, int32_t type, int32_t serial) {
  c.console.Set("type", type);
  c.console.Set("typeName", JsonText(TrimBlanks(list.TypeName(type))));
  SetSerial(c, serial);
}

// The field of the option record (16 bytes at parameter address 16) a byte
// belongs to; for the option bits the first bit that differs.
Text OptionRecordField(int32_t offset, const QByteArray& expected, const QByteArray& actual) {
  constexpr int32_t kBitsOffset = 5;
  constexpr int32_t kBitsEnd = kBitsOffset + (kOptionBitCount + 7) / 8;
  if (offset < 4) return "serial number";
  if (offset == 4) return "device type";
  if (offset < kBitsEnd) {
    const uint8_t a = offset < expected.size() ? static_cast<uint8_t>(expected[offset]) : 0;
    const uint8_t b = offset < actual.size() ? static_cast<uint8_t>(actual[offset]) : 0;
    for (int k = 0; k < 8; ++k) {
      const int32_t bit = (offset - kBitsOffset) * 8 + k;
      if (((a ^ b) & (0x80u >> k)) && bit < kOptionBitCount) return "option " + Text::number(bit + 1);
    }
    return "unused option bit";
  }
  if (offset < OptionRecord::kChecksumOffset) return "unused byte";
  return "option record checksum";
}

// The row of the list record (48 bytes at parameter address 32).
Text ListRecordField(int32_t offset) {
  if (offset < ListRecord::kPrintOffset)
    return "display " + Text::number(offset / kDisplayRows + 1) + " row " + Text::number(offset % kDisplayRows + 1);
  return "printout row " + Text::number(offset - ListRecord::kPrintOffset + 1);
}

// Reads the records back through the same reads as "options show" and names
// the first field that is not what was written.
int VerifyRecords(Context& c, const OptionRecords& records, bool withOption) {
  if (withOption) {
    const QByteArray expected = records.Option.ToBytes();
    bool ok = false;
    const QByteArray back = ReadParameterRecord(OptionRecord::kAddress, OptionRecord::kSize, &ok);
    if (!ok) {
      c.console.Err("verify: " + TrimBlanks(Glb->StrError->Item(17)));
      return kExitFailed;
    }
    const int32_t offset = FirstDifference(expected, back);
    if (offset >= 0)
      return VerifyFailed(c, OptionRecordField(offset, expected, back), OptionRecord::kAddress + offset);
  }
  const QByteArray expected = records.Lists.ToBytes();
  bool ok = false;
  const QByteArray back = ReadParameterRecord(ListRecord::kAddress, ListRecord::kSize, &ok);
  if (!ok) {
    c.console.Err("verify: " + TrimBlanks(Glb->StrError->Item(17)));
    return kExitFailed;
  }
  const int32_t offset = FirstDifference(expected, back);
  if (offset >= 0) return VerifyFailed(c, ListRecordField(offset), ListRecord::kAddress + offset);
  c.console.Set("verified", true);
  return kExitOk;
}

int OptionsShow(Context& c) {
  int exit = 0;
  if (!NoVerify(c, "options show", &exit)) return exit;
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

  SetSerial(c, record.SerialNumber);
  c.console.Set("type", record.TypeNumber);
  c.console.Out("Seriennummer: " + SerialNumberToText(record.SerialNumber) + " (" +
                Text::number(record.SerialNumber) + ")");
  c.console.Out("Ger\xE4tetyp: " + IntToStrZero(record.TypeNumber, 2));
  c.console.Out("Optionen:");
  QJsonArray bits;
  for (int32_t bit = 0; bit < kOptionBitCount; ++bit) {
    const bool set = record.Bits[static_cast<size_t>(bit)];
    const Text name = tables.strGlobalOpt->Item(bit + 1);
    c.console.Out(IntToStrWidth(bit + 1, 4) + (set ? " [x] " : " [ ] ") + name);
    bits.append(QJsonObject{{"bit", bit + 1}, {"set", set}, {"name", ToQt(name)}});
  }
  c.console.Set("bits", bits);
  const DisplayCodes display = lists.DisplayCodesOf();
  QJsonArray displays;
  for (int32_t column = 0; column < kDisplayCount; ++column) {
    c.console.Out("Display " + Text::number(column + 1) + ":");
    QJsonArray rows;
    for (int32_t row = 0; row < kDisplayRows; ++row) {
      const int32_t code = display[static_cast<size_t>(column)][static_cast<size_t>(row)];
      const Text cell = DisplayCell(*tables.strDis, code);
      c.console.Out(IntToStrWidth(row + 1, 4) + " " + cell);
      rows.append(QJsonObject{{"code", code}, {"name", ToQt(cell)}});
    }
    displays.append(rows);
  }
  c.console.Set("display", displays);
  const PrintCodes print = lists.PrintCodesOf();
  c.console.Out("Drucken:");
  QJsonArray prints;
  for (int32_t row = 0; row < kPrintRows; ++row) {
    const int32_t code = print[static_cast<size_t>(row)];
    const Text cell = PrintCell(*tables.strPrint, code);
    c.console.Out(IntToStrWidth(row + 1, 4) + " " + cell);
    prints.append(QJsonObject{{"code", code}, {"name", ToQt(cell)}});
  }
  c.console.Set("print", prints);
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
  SetType(c, list, type, *serial);
  const OptionRecords records = MakeOptionRecords(*serial, type, TypeContent(list, type));
  if (!WriteOptionRecords(records)) {
    c.console.Err(kOptionSendError);
    return kExitFailed;
  }
  c.console.Note(TypeTitle(list, type) + ", " + SerialNumberToText(*serial));
  return c.Verify() ? VerifyRecords(c, records, true) : kExitOk;
}

int Options(Context& c) {
  const QString action = c.Word(1);
  int exit = 0;
  if (action == "show") {
    if (!WordCount(c, 2, &exit)) return exit;
    if (c.args.Has("type-list") || c.args.Has("type") || c.args.Has("serial"))
      return Usage(c, "options show takes no --type-list, --type or --serial");
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
  SetType(c, list, type, record.SerialNumber);
  const OptionRecords records = MakeOptionRecords(record.SerialNumber, type, TypeContent(list, type));
  if (!WriteListRecord(records.Lists)) {
    c.console.Err(kOptionSendError);
    return kExitFailed;
  }
  c.console.Note(TypeTitle(list, type) + ", " + SerialNumberToText(record.SerialNumber));
  return c.Verify() ? VerifyRecords(c, records, false) : kExitOk;
}

// ---- instrument language ----

bool ReadLanguages(Context& c, LanguageTable* table) {
  Text answer;
  if (!Glb->QueryInstrument(kReadLanguageCommand, &answer)) {
    c.console.Err(Glb->StrBRNmsg->Item(1));
    return false;
  }
  *table = LanguageTableFromAnswer(answer);
  return true;
}

void SetLanguages(Context& c, const LanguageTable& table) {
  QJsonArray names;
  for (const Text& name : table.Names) names.append(ToQt(name));
  c.console.Set("languages", names);
  c.console.Set("current", table.Current);
  c.console.Set("name", JsonText(table.CurrentName()));
}

int Language(Context& c) {
  const QString action = c.Word(1);
  int exit = 0;
  if (action == "show") {
    if (!WordCount(c, 2, &exit)) return exit;
    if (!NoVerify(c, "language show", &exit)) return exit;
    if (!CheckInstrument(c)) return kExitFailed;
    LanguageTable table;
    if (!ReadLanguages(c, &table)) return kExitFailed;
    for (size_t i = 0; i < table.Names.size(); ++i)
      c.console.Out(Text(static_cast<int32_t>(i) == table.Current ? "* " : "  ") +
                    Text::number(static_cast<qulonglong>(i)) + "\t" + table.Names[i]);
    SetLanguages(c, table);
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
    // Read back as the window does after its delay: this is the verification.
    Glb->Delay(400);
    if (!ReadLanguages(c, &table)) return kExitFailed;
    SetLanguages(c, table);
    if (table.Current != position) {
      c.console.Err("verify: Sprache im Ger\xE4t: " + table.CurrentName());
      c.console.Set("verified", false);
      return kExitFailed;
    }
    c.console.Set("verified", true);
    c.console.Note(table.CurrentName());
    return kExitOk;
  }
  return Usage(c, "language: show or set N");
}

// ---- ALV ----

void ShowAlv(Context& c, const AlvReading& reading) {
  if (reading.Serial)
    c.console.Out("Seriennr: " + SerialNumberToText(*reading.Serial) + " (" + reading.SerialAnswer + ")");
  else
    c.console.Out("Seriennr: " + reading.SerialAnswer);
  c.console.Out("Kal. B: " + AlvFieldText(reading.Params.B, 4, '.'));
  c.console.Out("Kal. A: " + AlvFieldText(reading.Params.A, 5, '.'));
  c.console.Out("Kal K1: " + Text::number(reading.Params.K1));
  c.console.Out("Kal K2: " + Text::number(reading.Params.K2));
  c.console.Set("serial", reading.Serial ? JsonText(SerialNumberToText(*reading.Serial)) : QJsonValue());
  c.console.Set("serialAnswer", JsonText(reading.SerialAnswer));
  c.console.Set("b", reading.Params.B);
  c.console.Set("a", reading.Params.A);
  c.console.Set("k1", reading.Params.K1);
  c.console.Set("k2", reading.Params.K2);
}

bool AlvDone(Context& c, AlvResult result) {
  if (result == AlvResult::Done) return true;
  c.console.Err(result == AlvResult::Refused ? Text(kPortBusyText) : TrimBlanks(Glb->ErrorText));
  return false;
}

int Alv(Context& c) {
  const QString action = c.Word(1);
  int exit = 0;
  if (action == "show") {
    if (!WordCount(c, 2, &exit)) return exit;
    if (!NoVerify(c, "alv show", &exit)) return exit;
    if (!ClaimPort(c)) return kExitFailed;
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
  if (!ClaimPort(c)) return kExitFailed;

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

  // The instrument's own answer tells whether it took the values: this is
  // the verification.
  AlvReading back;
  if (!AlvDone(c, ReadAlv(&back))) return kExitFailed;
  const bool same = AlvParameterLine(back.Params) == AlvParameterLine(params) && back.Serial == serialNumber;
  if (!c.console.Quiet || !same) ShowAlv(c, back);
  c.console.Set("verified", same);
  if (!same) {
    c.console.Err("verify: ALV: das Ger\xE4t meldet andere Werte");
    return kExitFailed;
  }
  return kExitOk;
}

// ---- fuel table ----

int Fuel(Context& c) {
  int exit = 0;
  if (!WordCount(c, 3, &exit)) return exit;
  const QString action = c.Word(1);
  const QString path = AbsolutePath(c.Word(2));
  if (action != "read" && action != "write") return Usage(c, "fuel: read or write");
  if (action == "read" && !NoVerify(c, "fuel read", &exit)) return exit;
  c.console.Set("file", path);
  QList<Text> log;
  const auto protocol = [&](const Text& line) {
    log.append(line);
    c.console.Note(line);
    c.console.Set("log", JsonLines(log));
  };
  if (action == "read") {
    if (!CheckInstrument(c)) return kExitFailed;
    if (!ReadFuelTable(protocol)) {
      // The protocol's last line says why; it is the error, on stderr too.
      c.console.Err(log.isEmpty() ? Text(kReceiveError) : log.last());
      return kExitFailed;
    }
    const QByteArray bytes = FuelImageFileBytes();
    c.console.Set("bytes", static_cast<int>(bytes.size()));
    if (!WriteFile(c, path, bytes)) return kExitFile;
    return kExitOk;
  }
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
  // The write may have taken one byte more to make the length even.
  const QByteArray sent = Glb->FuelMemory.left(Glb->FuelMemoryLength);
  c.console.Set("bytes", static_cast<int>(sent.size()));
  if (!c.Verify()) return kExitOk;
  // The memory read of "fuel read", over the length written.
  if (!Glb->ReadFuelMemory(static_cast<int32_t>(sent.size()))) {
    c.console.Err("verify: " + Glb->StrBRNmsg->Item(1));
    return kExitFailed;
  }
  const QByteArray back = Glb->FuelMemory.left(std::min<qsizetype>(Glb->FuelMemoryLength, sent.size()));
  const int32_t address = FirstDifference(sent, back);
  if (address >= 0 && address >= back.size()) {
    // The read stops at an erased block after the header, as "fuel read" does.
    c.console.Err("verify: the read stops at the erased block at " + HexWord(static_cast<int32_t>(back.size())) +
                  "; " + Text::number(static_cast<qsizetype>(sent.size() - back.size())) +
                  " bytes after it cannot be read back");
    c.console.Set("verified", false);
    return kExitFailed;
  }
  if (address >= 0) return VerifyFailed(c, "fuel table", address);
  c.console.Set("verified", true);
  return kExitOk;
}

// ---- upload ----

class ConsoleUploadLog : public UploadLog {
 public:
  explicit ConsoleUploadLog(Console& console) : console_(console) {}
  void Clear() override { lines_.clear(); }
  void AddLine(const Text& line) override {
    lines_.append(line);
    console_.Note(line);
  }
  const QList<Text>& Lines() const { return lines_; }

 private:
  Console& console_;
  QList<Text> lines_;
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
  if (c.Verify())
    return Usage(c, "upload: --verify does not apply; the bootloader cannot read the program memory back");
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
  c.console.Set("hex", Glb->HexFilePath);

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
  if (!ClaimPort(c)) return kExitFailed;
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
    // The file error was reported; without the backup nothing is sent.
    if (!UserImageSaved()) return false;
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
  c.console.Set("log", JsonLines(log.Lines()));
  c.console.Set("completed", sequence.Completed);
  c.console.Set("uploadError", sequence.UploadError);
  c.console.Set("result", !ran                    ? "refused"
                          : sequence.UploadError  ? "file error"
                          : sequence.Completed    ? "completed"
                                                  : "failed");
  if (!ran) {
    c.console.Err(kPortBusyText);
    return kExitFailed;
  }
  if (sequence.Completed && !sequence.UploadError) return kExitOk;
  // The upload log's last line says why ("Fehler 3", a file that is missing).
  if (!log.Lines().isEmpty()) c.console.Err(log.Lines().last());
  return sequence.UploadError ? kExitFile : kExitFailed;
}

// ---- link map ----

int MapFile(Context& c) {
  int exit = 0;
  if (!WordCount(c, 2, &exit)) return exit;
  std::vector<Text> report;
  const MapReportMode mode = c.args.flags.count("details") ? MapReportMode::Details : MapReportMode::Condensed;
  const QString path = AbsolutePath(c.Word(1));
  c.console.Set("file", path);
  if (!LoadMapReport(path, mode, &report)) return kExitFile;
  QJsonArray lines;
  for (const Text& line : report) {
    c.console.Out(line);
    lines.append(ToQt(line));
  }
  c.console.Set("report", lines);
  return kExitOk;
}

struct Command {
  Handler run;
  std::set<QString> options;  // besides the global ones
  bool needsConfiguration = false;
  bool usesPort = true;
  const char* progressUnit = nullptr;  // what the transfer's steps count
  bool hasAction = true;
};

const std::map<QString, Command>& Commands() {
  static const std::map<QString, Command> commands = {
      {"ports", {Ports, {}, false, false, nullptr, false}},
      {"find", {Find, {}, false, false, nullptr, false}},
      {"test", {Test, {}, false, true, nullptr, false}},
      {"ident", {Ident, {}, false, true, nullptr, false}},
      {"eeprom", {Eeprom, {"verify"}, false, true, "bytes"}},
      {"printer", {Printer, {"verify"}, true, true, "blocks"}},
      {"options", {Options, {"type-list", "type", "serial", "verify"}, false, true, "bytes"}},
      {"lists", {Lists, {"type-list", "type", "verify"}, false, true, "bytes"}},
      {"language", {Language, {"verify"}}},
      {"alv", {Alv, {"b", "a", "k1", "k2", "serial", "verify"}}},
      {"fuel", {Fuel, {"verify"}, false, true, "blocks"}},
      {"upload",
       {Upload, {"standard", "emergency", "emergency-standard", "hex", "region", "verify"}, true, true, "steps",
        false}},
      {"mapfile", {MapFile, {"details"}, false, false, nullptr, false}},
  };
  return commands;
}

}  // namespace

bool NeedsConfiguration(const Arguments& arguments) {
  const auto it = Commands().find(arguments.words.value(0));
  return it != Commands().end() && it->second.needsConfiguration;
}

QString CommandName(const Arguments& arguments) { return arguments.words.value(0); }

QStringList RunnableCommands() {
  QStringList names;
  for (const auto& [name, command] : Commands()) names << name;
  return names;
}

std::set<QString> CommandOptions(const QString& command) {
  const auto it = Commands().find(command);
  return it == Commands().end() ? std::set<QString>() : it->second.options;
}

std::optional<int> RunHelp(const Arguments& arguments, Console& console) {
  const bool helpWord = arguments.words.value(0) == QLatin1String("help");
  if (!helpWord && !arguments.Flag("help")) return std::nullopt;
  const QString topic = helpWord ? arguments.words.value(1) : arguments.words.value(0);
  if (helpWord && arguments.words.size() > 2) return console.Usage("help: one command at a time");
  QString text = UsageText();
  if (!topic.isEmpty()) {
    text = CommandHelp(topic);
    if (text.isEmpty()) return console.Usage(QStringLiteral("unknown command \"%1\"").arg(topic));
  }
  console.Print(text);
  console.Set("help", text);
  if (!topic.isEmpty()) console.Set("topic", topic);
  return kExitOk;
}

int RunCommand(const Arguments& arguments, Console& console, const RunSetup& setup) {
  if (arguments.words.isEmpty()) return console.Usage("no command");
  const auto it = Commands().find(arguments.words[0]);
  if (it == Commands().end())
    return console.Usage(QStringLiteral("unknown command \"%1\"").arg(arguments.words[0]));
  const Command& command = it->second;
  QString error;
  if (!OnlyOptions(arguments, command.options, &error)) return console.Usage(arguments.words[0] + ": " + error);
  if (command.hasAction && arguments.words.size() > 1) console.Set("action", arguments.words[1]);

  const PortChoice choice = ChoosePort(arguments, setup.map, setup.sysfsRoot);
  if (choice.exit == kExitUsage) return console.Usage(choice.error);
  if (choice.exit != kExitOk) {
    console.Err(FromQt(choice.error));
    return choice.exit;
  }
  if (choice.port) Glb->ComPort = choice.port;
  if (command.usesPort) {
    console.Set("port", Glb->ComPort);
    console.Set("device", Glb->Serial.Backend().DeviceName(Glb->ComPort));
    if (choice.usb) console.Set("usb", true);
  }
  if (setup.progress && command.progressUnit) setup.progress->SetUnit(QString::fromLatin1(command.progressUnit));

  PortClaim claim;
  Context c{arguments, console, claim};
  return command.run(c);
}
