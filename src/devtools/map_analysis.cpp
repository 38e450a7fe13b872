#include "map_analysis.h"

#include <algorithm>

#include "util/files.h"
#include "util/helpers.h"
#include "util/msgbox.h"

namespace {

// Columns first..first+count-1 (1-based) of a line, blanks where the line is shorter.
Text Field(const Text& line, qsizetype first, qsizetype count) {
  return FixLength(line.mid(first - 1, count), static_cast<int32_t>(count));
}

// Sums can outgrow 32 bits only with absurd sizes; formatted like IntToStrWidth.
Text WidthText(int64_t value, qsizetype n) {
  Text s = Text::number(value);
  if (n > s.size()) s.prepend(Text(n - s.size(), ' '));
  return s;
}

qsizetype FindLine(const std::vector<Text>& lines, bool (*isMarker)(const Text&)) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (isMarker(lines[i])) return static_cast<qsizetype>(i);
  return -1;
}

bool IsLinkMapMarker(const Text& line) { return line == kLinkMapMarker; }
bool IsSymbolTableMarker(const Text& line) { return line.startsWith(kSymbolTableMarker); }

}  // namespace

std::vector<Text> MapFileLines(const Text& fileText) {
  const QList<Text> lines = SplitTextLines(fileText);
  return std::vector<Text>(lines.begin(), lines.end());
}

Text SectionOwner(const Text& line) {
  if (line.contains("*** Gap")) return "-Gap-";
  static const Text kRelease = "release\\";
  const qsizetype release = line.indexOf(kRelease);
  if (release >= 0) {
    const qsizetype from = release + kRelease.size();
    const qsizetype end = line.indexOf(".rel)", from);
    return end >= 0 ? line.mid(from, end - from) : Text();
  }
  if (line.contains(".lib)")) return "Bibl.";
  return "?";
}

MapAnalysis AnalyseMap(const std::vector<Text>& lines) {
  MapAnalysis analysis;
  const auto count = static_cast<qsizetype>(lines.size());

  for (const char* group : kSymbolGroups) analysis.Groups.push_back({Text(group)});
  const qsizetype symbols = FindLine(lines, IsSymbolTableMarker);
  if (symbols >= 0) {
    for (qsizetype i = symbols; i < count; ++i) {
      const Text& line = lines[static_cast<size_t>(i)];
      const Text name = line.mid(28);  // from column 29 on
      for (SymbolGroupRange& range : analysis.Groups) {
        if (!name.startsWith(range.Group)) continue;
        const int32_t address = ParseInt("$" + TrimBlanks(Field(line, 22, 6)));
        range.Lowest = std::min(range.Lowest, address);
        range.Highest = std::max(range.Highest, address);
      }
    }
  }

  const qsizetype linkMap = FindLine(lines, IsLinkMapMarker);
  if (linkMap >= 0) {
    for (qsizetype i = linkMap; i < count; ++i) {
      const Text& line = lines[static_cast<size_t>(i)];
      if (!line.startsWith(kSectionLinePrefix)) continue;
      MapSection section;
      section.Start = ParseInt("$" + Field(line, 39, 6));
      section.Size = ParseInt("$" + TrimBlanks(Field(line, 46, 10)));
      section.Name = TrimBlanks(Field(line, 57, 7));
      section.Owner = SectionOwner(line);
      if (section.Owner == "Bibl.") {
        analysis.Library += section.Size;
      } else if (section.Owner == "-Gap-") {
        // Small gaps are alignment padding inside the code; large ones are free space.
        if (section.Size < 100) analysis.Code += section.Size;
      } else if (section.Name == "f_data" || section.Name == "f_const") {
        analysis.Constants += section.Size;
      } else {
        analysis.Code += section.Size;
      }
      analysis.Sections.push_back(section);
    }
  }
  return analysis;
}

std::vector<Text> MapReport(const MapAnalysis& analysis, MapReportMode mode) {
  std::vector<Text> report;
  for (const SymbolGroupRange& range : analysis.Groups) {
    const int64_t size = int64_t{range.Highest} - range.Lowest + 1;
    report.push_back(FixLength(range.Group, 10) + HexLong(range.Lowest) + " - " +
                     HexLong(range.Highest) + " " + WidthText(size, 6) + " Byte");
  }
  report.push_back(Text());
  if (mode == MapReportMode::Details) {
    for (const MapSection& section : analysis.Sections)
      report.push_back(HexLong(section.Start).right(6) + " " + IntToStrWidth(section.Size, 10) +
                       " " + FixLength(section.Name, 8) + " " + section.Owner);
  }
  const int64_t total = analysis.Code + analysis.Constants + analysis.Library;
  report.push_back(Text());
  report.push_back("Code  " + WidthText(analysis.Code, 8));
  report.push_back("Const " + WidthText(analysis.Constants, 8));
  report.push_back("Bibl. " + WidthText(analysis.Library, 8));
  report.push_back("--------------");
  report.push_back("Ges.  " + WidthText(total, 8));
  report.push_back("Res.  " + WidthText(kProgramMemorySize - total, 8));
  return report;
}

bool LoadMapReport(const QString& path, MapReportMode mode, std::vector<Text>* report) {
  report->clear();
  QByteArray data;
  if (!ReadWholeFile(path, &data)) {
    ShowError("Datei " + FromQt(path) + " nicht gefunden");
    return false;
  }
  *report = MapReport(AnalyseMap(MapFileLines(data)), mode);
  return true;
}
