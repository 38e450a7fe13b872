// The language table at the start of a region file (header formats 3 and 4).
#include "fuzz_support.h"
#include "upload/region_window.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray header = FuzzText(data, size);
  const auto byteAt = [&](qsizetype i) -> uint8_t {
    return i < header.size() ? static_cast<uint8_t>(header[i]) : 0xFF;
  };
  QList<Text> names{"untouched"};
  const bool ok = RegionLanguages(header, &names);
  const uint8_t format = byteAt(2);
  FUZZ_CHECK(ok == (format == 3 || format == 4));
  if (!ok) {
    FUZZ_CHECK(names == QList<Text>{"untouched"});
    return 0;
  }
  FUZZ_CHECK(names.size() == byteAt(64));
  for (const Text& name : names) {
    FUZZ_CHECK(!name.contains('\0'));
    FUZZ_CHECK(name.isEmpty() || header.left(kRegionHeaderSize).contains(name));
  }
  return 0;
}
