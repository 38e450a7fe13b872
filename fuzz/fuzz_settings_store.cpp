// The settings store file (registry.ini), hand-edited or not. A store that
// is written reads back with the same keys and values.
#include "fuzz_support.h"
#include "util/settings_store.h"

namespace {

void CheckSame(const SettingsStore& a, const SettingsStore& b) {
  const QList<Text> keys = a.SubKeys("");
  FUZZ_CHECK(b.SubKeys("") == keys);
  for (const Text& key : keys) {
    FUZZ_CHECK(b.KeyExists(key));
    const QList<Text> names = a.ValueNames(key);
    FUZZ_CHECK(b.ValueNames(key) == names);
    for (const Text& name : names) {
      bool found = false;
      FUZZ_CHECK(b.ReadString(key, name, &found) == a.ReadString(key, name));
      FUZZ_CHECK(found);
      FUZZ_CHECK(b.ReadInteger(key, name, -7) == a.ReadInteger(key, name, -7));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = FuzzScratch().path() + "/registry.ini";
  const QByteArray file = FuzzText(data, size);
  SettingsStore store(path, file);
  FUZZ_CHECK(store.Readable());
  for (const Text& key : store.SubKeys("")) {
    FUZZ_CHECK(SettingsStore::NormalizeKey(key) == key);
    store.SubKeys(key);
  }

  // Every write saves the whole store.
  FUZZ_CHECK(store.WriteString("Software\\ORX\\Setup720\\keyf", "FID", file.left(40)));
  const SettingsStore reread(path);
  FUZZ_CHECK(reread.Readable());
  CheckSame(store, reread);
  FUZZ_CHECK(reread.ReadString("Software\\ORX\\Setup720\\keyf", "FID") == file.left(40));
  FUZZ_CHECK(store.DeleteKey("Software"));
  FUZZ_CHECK(!store.KeyExists("Software\\ORX"));
  return 0;
}
