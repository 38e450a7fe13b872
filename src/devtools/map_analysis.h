#pragma once
// Analysis of the firmware's linker map: address ranges of a few symbol
// groups and the linked section sizes summed into code, constants and
// library code, against the 192 KB of program memory.
#include <cstdint>
#include <vector>

#include <QString>

#include "util/text.h"

inline constexpr char kLinkMapMarker[] = "  Link map";          // the whole line
inline constexpr char kSymbolTableMarker[] = "  Symbol table ";  // the first 15 characters
inline constexpr char kSectionLinePrefix[] = "    code.l";
inline constexpr int32_t kProgramMemorySize = 0x30000;  // 196,608 bytes
inline constexpr int32_t kNoLowestAddress = 0xFFFFFF;

// Reported in this order.
inline constexpr const char* kSymbolGroups[] = {"f_code", "f_data", "f_area",
                                                "f_RAMPart", "io_", "inttbl"};

enum class MapReportMode { Condensed, Details };

struct SymbolGroupRange {
  Text Group;
  int32_t Lowest = kNoLowestAddress;  // stays FFFFFF when the group has no symbol
  int32_t Highest = 0;
};

struct MapSection {
  int32_t Start = 0;
  int32_t Size = 0;
  Text Name;   // "f_code", "f_data", "f_const", ...
  Text Owner;  // object module, "-Gap-", "Bibl." or "?"
};

struct MapAnalysis {
  std::vector<SymbolGroupRange> Groups;  // one per kSymbolGroups entry
  std::vector<MapSection> Sections;      // in file order
  int64_t Code = 0;
  int64_t Constants = 0;
  int64_t Library = 0;
};

// Lines of the map file: CR LF, LF or a lone CR ends a line.
std::vector<Text> MapFileLines(const Text& fileText);

// The owner of a section line, found anywhere in the line.
Text SectionOwner(const Text& line);

// Fields are read from fixed columns; columns past the end of a line read as
// blanks, and fields that are not hexadecimal count as 0.
MapAnalysis AnalyseMap(const std::vector<Text>& lines);

// The report: one line per symbol group, an empty line, in details mode one
// line per section, then the totals. All sizes decimal.
std::vector<Text> MapReport(const MapAnalysis& analysis, MapReportMode mode);

// Reads and analyses the named map file. When it cannot be read, shows the
// error box "Datei <name> nicht gefunden" and returns false with an empty
// report.
bool LoadMapReport(const QString& path, MapReportMode mode, std::vector<Text>* report);
