// The program's INI file (Windows profile semantics). What is read must read
// the same after a write of the file.
#include "fuzz_support.h"
#include "util/files.h"
#include "util/inifile.h"

namespace {

void CheckSame(const IniFile& a, const IniFile& b) {
  const QList<Text> sections = a.ReadSections();
  FUZZ_CHECK(b.ReadSections() == sections);
  for (const Text& section : sections) {
    FUZZ_CHECK(b.SectionExists(section));
    const QList<Text> keys = a.ReadSection(section);
    FUZZ_CHECK(b.ReadSection(section) == keys);
    for (const Text& key : keys) {
      FUZZ_CHECK(a.ValueExists(section, key));
      FUZZ_CHECK(b.ReadString(section, key, "?") == a.ReadString(section, key, "?"));
      FUZZ_CHECK(b.ReadInteger(section, key, -7) == a.ReadInteger(section, key, -7));
      FUZZ_CHECK(b.ReadBool(section, key, true) == a.ReadBool(section, key, true));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = FuzzScratch().path() + "/Setup720.INI";
  const QByteArray file = FuzzText(data, size);
  IniFile ini(path, file);

  // Unchanged, the file is written back as read (line ends become CR LF).
  FUZZ_CHECK(ini.UpdateFile());
  CheckSame(ini, IniFile(path));

  // A change keeps everything else.
  ini.WriteInteger("KONFIG", "Comport", 3);
  ini.WriteString("Fuzz", "Key", file.left(40));
  FUZZ_CHECK(ini.UpdateFile());
  const IniFile changed(path);
  CheckSame(ini, changed);
  FUZZ_CHECK(changed.ReadInteger("KONFIG", "Comport", 0) == 3);
  ini.DeleteKey("KONFIG", "Comport");
  FUZZ_CHECK(!ini.ValueExists("KONFIG", "Comport"));
  ini.EraseSection("Fuzz");
  FUZZ_CHECK(!ini.SectionExists("Fuzz"));
  return 0;
}
