#pragma once
// The instrument's equipment vocabulary: the 31 option bit labels, the display
// and printout value codes with their names, and the conversion between the
// tool's codes and the instrument's one-byte value numbers.
#include <array>
#include <cstdint>

#include <QObject>

#include "util/msgtable.h"
#include "util/text.h"

inline constexpr int32_t kOptionBitCount = 31;
inline constexpr int32_t kDisplayCount = 3;      // display pages
inline constexpr int32_t kDisplayRows = 8;       // rows per display page
inline constexpr int32_t kPrintRows = 24;        // printout rows
inline constexpr int32_t kDisplayCodeCount = 42; // codes 00..41
inline constexpr int32_t kPrintCodeCount = 47;   // codes 00..46
inline constexpr int32_t kDisplayDeleteCode = 40;  // "Löschen": a chooser command, never in a list
inline constexpr int32_t kPrintDeleteCode = 45;
inline constexpr int32_t kDisplayBlankRowCode = 32;
inline constexpr uint8_t kEmptyValue = 255;      // an empty row
inline constexpr uint8_t kBlankLineValue = 254;  // a blank printout line

using OptionBits = std::array<bool, kOptionBitCount>;
// [column 0..2][row 0..7]
using DisplayCodes = std::array<std::array<int32_t, kDisplayRows>, kDisplayCount>;
using PrintCodes = std::array<int32_t, kPrintRows>;

// Table data; the main window owns StrGlobalOpt, StrDis and StrPrint as
// message tables so the language files can replace their entries by index.
// StrGlobalOpt entry k labels bit k - 1; entry 0 labels nothing.
extern const std::array<const char*, kOptionBitCount + 1> kStrGlobalOptItems;
extern const std::array<const char*, kDisplayCodeCount> kStrDisItems;
extern const std::array<const char*, kPrintCodeCount> kStrPrintItems;
// Built in and not translatable; indexed by printout code.
extern const std::array<const char*, kPrintCodeCount> kValueNames;

MessageTable* CreateStrGlobalOpt(QObject* owner);
MessageTable* CreateStrDis(QObject* owner);
MessageTable* CreateStrPrint(QObject* owner);

// The ValueNames text of a printout code, the code limited to 0..46.
Text ValueName(int32_t printCode);
// The ValueNames text of a display code: index d up to 30, d + 5 above,
// limited to 0..46.
Text DisplayValueName(int32_t displayCode);

// A bit is unassigned when its label equals the "n.b." text. The options
// editor compares trimmed when deciding whether a clear bit may be ticked and
// untrimmed when deciding whether a set bit is locked.
bool IsUnassignedLabel(const Text& label, const Text& unassigned, bool trimmed);

// Code <-> value number. Codes that cannot stand in a list (the "Löschen"
// commands, codes outside the vocabulary) are written as an empty row.
uint8_t DisplayCodeToValue(int32_t code);
int32_t ValueToDisplayCode(uint8_t value);
uint8_t PrintCodeToValue(int32_t code);
int32_t ValueToPrintCode(uint8_t value);

// A list cell: the code with at least two digits, a blank and the name.
Text CodeCell(int32_t code, const Text& name);
// Only the leading number of a cell counts; a cell without one reads as 00.
int32_t CellCode(const Text& cell);

// Cells named from the translatable tables (chooser lists, instrument reads)...
Text DisplayCell(const MessageTable& strDis, int32_t code);
Text PrintCell(const MessageTable& strPrint, int32_t code);
// ...and from ValueNames (entries applied from the type list).
Text DisplayValueCell(int32_t code);
Text PrintValueCell(int32_t code);
