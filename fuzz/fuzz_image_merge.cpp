// The merge of data set and user data image into the upload list. The first
// input byte picks the variant (bit 0: a user data image exists, made of the
// second half of the rest; bit 1: the program image name carries no
// version); the rest is the data set file, written to a scratch file.
#include <QFile>

#include "fuzz_support.h"
#include "upload/image_files.h"
#include "util/files.h"

namespace {

constexpr qsizetype kDataSetMax = 65536;
constexpr qsizetype kUserDataMax = 16384;

// The data records a block of bytes gives, checked against the bytes.
void CheckRecords(const UploadList& list, qsizetype* at, const QByteArray& data, int32_t base) {
  for (qsizetype o = 0; o < data.size(); o += 16) {
    QByteArray block = data.mid(o, 16);
    block.append(QByteArray(16 - block.size(), '\xFF'));
    if (block.count('\xFF') == 16) continue;
    FUZZ_CHECK(*at < list.size());
    const Text& line = list[*at];
    ++*at;
    FUZZ_CHECK(line.size() == 43);
    FUZZ_CHECK(line == DataRecord(static_cast<int32_t>((base + o) & 0xFFFF), block.constData()));
    FUZZ_CHECK(RecordChecksum(line.mid(1, 40)) == line.right(2));
    FUZZ_CHECK(RecordBinary(line).mid(5, 16) == block);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const QByteArray rest = FuzzText(data + 1, size - 1);
  const bool withUser = flags & 1;
  const QByteArray dataSet = withUser ? rest.left(rest.size() / 2) : rest;
  const QByteArray userData = withUser ? rest.mid(rest.size() / 2) : QByteArray();

  const QString dir = FuzzScratch().path() + "/";
  ImageFiles files;
  files.HexFileName = (flags & 2) ? "orx720nt.h20" : "orx720nt_1_02.h20";
  files.HexFilePath = dir + files.HexFileName;
  files.BinFilePath = dir + "orx720nt.bin";
  files.UserBinPath = dir + "Userorx720nt.bin";
  files.DataDir = dir;
  FUZZ_CHECK(WriteWholeFile(files.BinFilePath, dataSet));
  QFile::remove(files.UserBinPath);
  if (withUser) FUZZ_CHECK(WriteWholeFile(files.UserBinPath, userData));

  const UploadList image = {":020000040000FA", ":0400000012345678E8", kEndRecord};
  UploadList list = image;
  UploadFileState state;
  FUZZ_CHECK(AppendDataRecords(list, files, state));
  FUZZ_CHECK(!state.UploadError);

  qsizetype at = image.size() - 1;
  FUZZ_CHECK(list.mid(0, at) == image.mid(0, at));
  CheckRecords(list, &at, dataSet.left(kDataSetMax), 0);
  if (withUser) {
    int32_t version = 100;
    const bool named = VersionFromName(FromQt(files.HexFileName), &version);
    if (!named) version += VersionDigitFromDataSet(dataSet.left(kDataSetMax));
    CheckRecords(list, &at, userData.left(kUserDataMax), UserDataBase(version, FromQt(files.HexFileName)));
  }
  FUZZ_CHECK(at == list.size() - 1);
  FUZZ_CHECK(list.last() == kEndRecord);

  QByteArray check;
  FUZZ_CHECK(ReadWholeFile(files.DataDir + kCheckFileName, &check));
  Text expected;
  for (const Text& line : list) expected += line + "\r\n";
  FUZZ_CHECK(check == expected);
  return 0;
}
