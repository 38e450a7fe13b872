#pragma once
// The fuel table exchange and file without widgets: the fuel table window
// and the command line use these. The table lives in Glb->FuelMemory; the
// tool moves it unchanged.
#include <cstdint>
#include <functional>

#include <QByteArray>
#include <QString>

#include "util/text.h"

inline constexpr int32_t kFuelImageSize = 16384;
inline constexpr int32_t kFuelHeaderLength = 64;
inline constexpr int32_t kFuelTableLength = 2048;
inline constexpr int32_t kFuelNameOffset = 16;
inline constexpr int32_t kFuelNameLength = 48;
inline constexpr char kInstalledFuelPrefix[] = "BRN_";

// The receive sequence: the header, the check for an installed table's
// "BRN_" name, then the table. Every protocol line (StrBRNmsg) goes to
// addLine. The caller has checked the connection. True when an installed
// table was read.
bool ReadFuelTable(const std::function<void(const Text& line)>& addLine);

// A fuel table file into Glb->FuelMemory: its first 16 KB, with the length
// and the valid flag (valid when at least one byte was loaded). False, with
// the memory unchanged, when the file cannot be read.
bool LoadFuelImage(const QString& path, QString* error = nullptr);

// The file contents: the valid bytes of Glb->FuelMemory, header first.
QByteArray FuelImageFileBytes();
