// The firmware's linker map file (link map viewer).
#include "devtools/map_analysis.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<Text> lines = MapFileLines(FuzzText(data, size));
  const MapAnalysis analysis = AnalyseMap(lines);
  FUZZ_CHECK(analysis.Groups.size() == std::size(kSymbolGroups));
  FUZZ_CHECK(analysis.Sections.size() <= lines.size());
  for (const MapSection& section : analysis.Sections) {
    FUZZ_CHECK(section.Name.size() <= 7);
    SectionOwner(section.Name);
  }
  const std::vector<Text> condensed = MapReport(analysis, MapReportMode::Condensed);
  const std::vector<Text> details = MapReport(analysis, MapReportMode::Details);
  FUZZ_CHECK(details.size() == condensed.size() + analysis.Sections.size());
  return 0;
}
