#include "option_catalogue.h"

#include <algorithm>

#include <QList>

#include "util/helpers.h"

const std::array<const char*, kOptionBitCount + 1> kStrGlobalOptItems = {
    "",
    "LTA 1",
    "Speicher 256K",
    "n.b.",
    "Sp\xFClpumpe",
    "Drucksensor",
    "O2",
    "CO A3MEF",
    "TYP T",
    "COH2",
    "NO",
    "NO2",
    "SO2",
    "NOx",
    "n.b.",
    "n.b.",
    "Dichtheitspr\xFC" "fung",
    "TYP F",
    "Sprachumschaltung",
    "Bentone",
    "Italien",
    "Typ i",
    "T-Gas 10tel",
    "Bezug-O2",
    "Eingabeblock",
    "Russzahleingabe",
    "Varnek",
    "Brennwertber.",
    "BA Satronic",
    "BA L&S",
    "O2 Longlife",
    "V6",
};

// "-" and 15 blanks: the padding is part of the text.
#define EMPTY_ROW "-               "

const std::array<const char*, kDisplayCodeCount> kStrDisItems = {
    EMPTY_ROW,         // 00
    "TRaum",           // 01
    "TGas",            // 02
    "CO2",             // 03
    "CO",              // 04
    "NO",              // 05
    "Druck",           // 06
    "CO2",             // 07
    "QA",              // 08
    "Eta",             // 09
    "Lambda",          // 10
    "SO2",             // 11
    "NO2",             // 12
    "NOx",             // 13
    "CO unv.",         // 14
    "NO unv.",         // 15
    "SO2 unv.",        // 16
    "NO2 unv.",        // 17
    "NOx unv.",        // 18
    "CO mg",           // 19
    "NO mg",           // 20
    "SO2 mg",          // 21
    "NO2 mg",          // 22
    "NOx mg",          // 23
    "CO mg*",          // 24
    "NO mg*",          // 25
    "SO2 mg*",         // 26
    "NO2 mg*",         // 27
    "NOx mg*",         // 28
    "TTau",            // 29
    "TKessel",         // 30
    "O2 Bezug",        // 31
    "-",               // 32 the display's blank row
    "Kesselleistung",  // 33
    "Verbrauch",       // 34
    "QA_ohne",         // 35
    "ETA_ohne",        // 36
    "QA_BW",           // 37
    "ETA_BW",          // 38
    "VGI",             // 39
    "L\xF6schen",      // 40
    "Co Raum",         // 41
};

const std::array<const char*, kPrintCodeCount> kStrPrintItems = {
    EMPTY_ROW,          // 00
    "TRaum",            // 01
    "TGas",             // 02
    "CO2",              // 03
    "CO",               // 04
    "NO",               // 05
    "Druck",            // 06
    "CO2",              // 07
    "QA",               // 08
    "Eta",              // 09
    "Lambda",           // 10
    "SO2",              // 11
    "NO2",              // 12
    "NOx",              // 13
    "CO unv.",          // 14
    "NO unv.",          // 15
    "SO2 unv.",         // 16
    "NO2 unv.",         // 17
    "NOx unv.",         // 18
    "CO mg",            // 19
    "NO mg",            // 20
    "SO2 mg",           // 21
    "NO2 mg",           // 22
    "NOx mg",           // 23
    "CO mg*",           // 24
    "NO mg*",           // 25
    "SO2 mg*",          // 26
    "NO2 mg*",          // 27
    "NOx mg*",          // 28
    "TTau",             // 29
    "TKessel",          // 30
    "RZ 1",             // 31
    "RZ 2",             // 32
    "RZ 3",             // 33
    "RZ Mittelwert",    // 34
    "\xD6l derivative", // 35
    "O2 Bezug",         // 36
    "Leerzeile",        // 37
    "Kesselleistung",   // 38
    "Verbrauch",        // 39
    "QA_ohne",          // 40
    "ETA_ohne",         // 41
    "QA_BW",            // 42
    "ETA_BW",           // 43
    "VGI",              // 44
    "L\xF6schen",       // 45
    "Co Raum",          // 46
};

#undef EMPTY_ROW

const std::array<const char*, kPrintCodeCount> kValueNames = {
    "-",              // 00
    "TRaum",          // 01
    "TGas",           // 02
    "O2",             // 03
    "CO",             // 04
    "NO",             // 05
    "Druck",          // 06
    "CO2",            // 07
    "QA",             // 08
    "Eta",            // 09
    "Lambda",         // 10
    "SO2",            // 11
    "NO2",            // 12
    "NOx",            // 13
    "CO unv.",        // 14
    "NO unv.",        // 15
    "SO2 unv.",       // 16
    "NO2 unv.",       // 17
    "NOx unv.",       // 18
    "CO mg",          // 19
    "NO mg",          // 20
    "SO2 mg",         // 21
    "NO2 mg",         // 22
    "NOx mg",         // 23
    "CO mg*",         // 24
    "NO mg*",         // 25
    "SO2 mg*",        // 26
    "NO2 mg*",        // 27
    "NOx mg*",        // 28
    "TTau",           // 29
    "TKessel",        // 30
    "RZ 1",           // 31
    "RZ 2",           // 32
    "RZ 3",           // 33
    "RZ Mittel",      // 34
    "\xD6lderiv.",    // 35
    "O2 Bezug",       // 36
    "Leerzeile",      // 37
    "Kesselleistung", // 38
    "Verbrauch",      // 39
    "QA_ohne",        // 40
    "ETA_ohne",       // 41
    "QA_BW",          // 42
    "ETA_BW",         // 43
    "VGI",            // 44
    "L\xF6schen",     // 45
    "Co Raum",        // 46
};

namespace {

template <std::size_t N>
MessageTable* CreateTable(QObject* owner, const char* name, const std::array<const char*, N>& items) {
  auto* table = new MessageTable(owner, name, {});
  QList<Text> list;
  list.reserve(static_cast<qsizetype>(N));
  for (const char* item : items) list.append(Text(item));
  table->SetItems(list);
  return table;
}

}  // namespace

MessageTable* CreateStrGlobalOpt(QObject* owner) {
  return CreateTable(owner, "StrGlobalOpt", kStrGlobalOptItems);
}
MessageTable* CreateStrDis(QObject* owner) { return CreateTable(owner, "StrDis", kStrDisItems); }
MessageTable* CreateStrPrint(QObject* owner) {
  return CreateTable(owner, "StrPrint", kStrPrintItems);
}

Text ValueName(int32_t printCode) {
  return Text(kValueNames[static_cast<std::size_t>(LimitInt(printCode, 0, kPrintCodeCount - 1))]);
}

Text DisplayValueName(int32_t displayCode) {
  // Display codes from 31 on skip the five printout-only values RZ 1 .. Öl derivative.
  const int64_t index = displayCode <= 30 ? int64_t{displayCode} : int64_t{displayCode} + 5;
  return ValueName(static_cast<int32_t>(std::min<int64_t>(index, kPrintCodeCount - 1)));
}

bool IsUnassignedLabel(const Text& label, const Text& unassigned, bool trimmed) {
  return trimmed ? TrimBlanks(label) == TrimBlanks(unassigned) : label == unassigned;
}

uint8_t DisplayCodeToValue(int32_t code) {
  if (code >= 1 && code <= 30) return static_cast<uint8_t>(code - 1);
  if (code == 31) return 35;
  if (code == kDisplayBlankRowCode) return 31;
  if (code >= 33 && code <= 39) return static_cast<uint8_t>(code + 3);
  if (code == 41) return 43;
  return kEmptyValue;  // 00, and whatever cannot stand in a list
}

int32_t ValueToDisplayCode(uint8_t value) {
  if (value == kEmptyValue) return 0;
  if (value == 35) return 31;
  if (value >= 36 && value <= 42) return value - 3;
  if (value >= 43 && value <= 253) return value - 2;
  return value + 1;  // 0..34 and 254
}

uint8_t PrintCodeToValue(int32_t code) {
  if (code >= 1 && code <= 36) return static_cast<uint8_t>(code - 1);
  if (code == 37) return kBlankLineValue;
  if (code >= 38 && code <= 44) return static_cast<uint8_t>(code - 2);
  if (code == 46) return 43;
  return kEmptyValue;
}

int32_t ValueToPrintCode(uint8_t value) {
  if (value == kEmptyValue) return 0;
  if (value == kBlankLineValue) return 37;
  if (value <= 35) return value + 1;
  if (value == 43) return 46;
  return value + 2;  // 36..42 and 44..253
}

Text CodeCell(int32_t code, const Text& name) { return IntToStrZero(code, 2) + ' ' + name; }

int32_t CellCode(const Text& cell) {
  // Only the part before the first blank: a name may itself contain digits or "$".
  const qsizetype blank = cell.indexOf(' ');
  return ParseInt(blank >= 0 ? cell.left(blank) : cell);
}

Text DisplayCell(const MessageTable& strDis, int32_t code) {
  return CodeCell(code, strDis.Item(LimitInt(code, 0, kDisplayCodeCount - 1)));
}

Text PrintCell(const MessageTable& strPrint, int32_t code) {
  return CodeCell(code, strPrint.Item(LimitInt(code, 0, kPrintCodeCount - 1)));
}

Text DisplayValueCell(int32_t code) { return CodeCell(code, DisplayValueName(code)); }

Text PrintValueCell(int32_t code) { return CodeCell(code, ValueName(code)); }
