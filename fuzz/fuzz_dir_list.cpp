// DirList.txt, the catalogue of program images in the data folder.
#include "fuzz_support.h"
#include "upload/dir_list.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const DirListContents contents = ParseDirList(FuzzText(data, size));
  for (const DirEntry& entry : contents.entries) {
    FUZZ_CHECK(!IsCheckFile(entry.FileName));
    entry.Path();
    IsProgramImage(entry.FileName);
    FolderNameOf(entry.Folder);
  }
  // A written catalogue reads back as the same entries, complete.
  const DirListContents reread = ParseDirList(FormatDirList(contents.entries));
  FUZZ_CHECK(reread.complete);
  FUZZ_CHECK(reread.entries == contents.entries);
  return 0;
}
