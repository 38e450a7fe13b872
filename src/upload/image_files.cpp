#include "image_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "link/glb.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/msgbox.h"

namespace {

constexpr int32_t kBlock = 16;
constexpr qsizetype kDataSetMax = 65536;  // two reads of 32,768 bytes
constexpr qsizetype kUserDataMax = 16384;
constexpr char kNoFile[] = "No such file or directory";

uint8_t PairValue(const Text& pair) { return static_cast<uint8_t>(ParseInt("$" + pair) & 0xFF); }

// The data set has always been opened for reading and writing, so a file
// marked read-only (no write permission) is refused like a locked one.
bool WriteProtected(const QString& path, QString* error) {
  const QFileInfo info(path);
  // The mode bits, not only access(): root may write anything.
  const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  if ((info.permissions() & writeBits) && info.isWritable()) return false;
  if (error) *error = QString::fromLocal8Bit(std::strerror(EACCES));
  return true;
}

// Reads a data file whole and keeps at most max bytes of it.
bool ReadDataFile(const QString& path, qsizetype max, bool needWrite, QByteArray* data,
                  QString* error) {
  if (path.isEmpty()) {  // QFile would name no file at all in its message
    *error = QString::fromLatin1(kNoFile);
    return false;
  }
  if (!ReadWholeFile(path, data, error)) return false;
  if (needWrite && WriteProtected(path, error)) return false;
  data->truncate(max);
  return true;
}

void ReportDataError(const QString& path, const QString& error, UploadFileState& state) {
  ShowInfo(FromQt(error) + "\r" + FromQt(path) + "!!");
  state.Log.append("Error in Data! " + FromQt(path));
  state.UploadError = true;
}

}  // namespace

// ---- naming rules ----

QString HexStem(const QString& hexFileName) {
  const qsizetype dot = hexFileName.indexOf('.');
  return dot < 0 ? QString() : hexFileName.left(dot);
}

CompanionPaths CompanionPathsFor(const QString& hexFileDir, const QString& hexFileName) {
  const QString stem = HexStem(hexFileName);
  return {hexFileDir + stem + ".bin", hexFileDir + "User" + stem + ".bin"};
}

QString StandardBinPath(const QString& hexFileDir, const QString& hexFileName,
                        const QString& binFilePath) {
  if (UpperAscii(FromQt(hexFileName)) == "ORX720NT.H20") return hexFileDir + "ORX720NT_ESTD.bin";
  if (hexFileName.contains('.')) return hexFileDir + HexStem(hexFileName) + "_ESTD.bin";
  return binFilePath;
}

void ApplyStandardDataSet(TGlb& glb) {
  glb.BinFilePath = StandardBinPath(glb.HexFileDir, glb.HexFileName, glb.BinFilePath);
}

bool IsRegionCandidate(const QString& fileName, const QString& hexFileName) {
  const QString stem = HexStem(hexFileName);
  if (fileName.size() < stem.size() + 4) return false;  // prefix and ".bin" must not overlap
  if (!fileName.startsWith(stem, Qt::CaseInsensitive)) return false;
  if (!fileName.endsWith(".bin", Qt::CaseInsensitive)) return false;
  return UpperAscii(FromQt(fileName)).startsWith("ORX720NT");
}

QStringList RegionCandidates(const QString& hexFileDir, const QString& hexFileName) {
  if (hexFileDir.isEmpty()) return {};  // QDir("") would be the working folder
  const QDir dir(hexFileDir);
  QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                    QDir::Name | QDir::IgnoreCase);
  names.removeIf([&](const QString& name) { return !IsRegionCandidate(name, hexFileName); });
  return names;
}

// ---- records ----

Text RecordChecksum(const Text& hex) {
  uint8_t sum = 0;
  for (qsizetype i = 0; i < hex.size(); i += 2) sum = static_cast<uint8_t>(sum + PairValue(hex.mid(i, 2)));
  return HexByte(static_cast<uint8_t>(-sum));
}

QByteArray RecordBinary(const Text& line) {
  QByteArray out(1, ':');
  for (qsizetype i = 1; i < line.size(); i += 2) out.append(static_cast<char>(PairValue(line.mid(i, 2))));
  return out;
}

Text DataRecord(int32_t address, const char* data) {
  const auto a = static_cast<uint32_t>(address);
  Text hex = "10" + HexByte(static_cast<uint8_t>(a >> 8)) + HexByte(static_cast<uint8_t>(a)) + "00";
  for (int32_t i = 0; i < kBlock; ++i) hex += HexByte(static_cast<uint8_t>(data[i]));
  return ":" + hex + RecordChecksum(hex);
}

void AppendBlockRecords(UploadList& list, const QByteArray& data, int32_t base) {
  for (qsizetype o = 0; o < data.size(); o += kBlock) {
    QByteArray block = data.mid(o, kBlock);
    block.append(QByteArray(kBlock - block.size(), '\xFF'));
    if (block.count('\xFF') == kBlock) continue;
    list.append(DataRecord(static_cast<int32_t>((base + o) & 0xFFFF), block.constData()));
  }
}

// ---- firmware version ----

bool VersionFromName(const Text& hexFileName, int32_t* version) {
  *version = 100;
  const qsizetype first = hexFileName.indexOf('_');
  if (first < 0) return false;
  const Text a = hexFileName.mid(first + 1, 100);
  const qsizetype second = a.indexOf('_');
  if (second < 0) return false;
  const Text b = a.mid(second + 1);
  // Computed wide: ParseInt may return up to 2^31 - 1.
  const int64_t v = int64_t{ParseInt(a)} * 100 + ParseInt(b);
  *version = static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  return true;
}

int32_t VersionDigitFromDataSet(const QByteArray& dataSet) {
  Text text;
  for (qsizetype i = 16; i <= 48; ++i) {
    const char c = i < dataSet.size() ? dataSet[i] : '\xFF';
    if (c != '\xFF') text += c;
  }
  if (text.isEmpty()) return 0;
  const qsizetype dot = text.indexOf('.');
  char digit = text[0];
  if (dot >= 0) digit = dot + 1 < text.size() ? text[dot + 1] : '\0';
  return ParseInt(Text(1, digit));
}

int32_t UserDataBase(int32_t version, const Text& hexFileName) {
  return (version >= 103 || hexFileName == kDefaultHexFileName) ? 0xA000 : 0x8000;
}

// ---- loading and merging ----

ImageFiles ImageFilesFromGlb(const TGlb& glb) {
  return {glb.HexFilePath, glb.HexFileName, glb.BinFilePath, glb.UserBinPath, glb.DataDir};
}

UploadList SplitLines(const QByteArray& text) {
  return SplitTextLines(text);
}

bool LoadProgramImage(const QString& hexFilePath, UploadList& list, UploadFileState& state) {
  QByteArray content;
  QString error;
  if (hexFilePath.isEmpty()) error = QString::fromLatin1(kNoFile);
  if (!error.isEmpty() || !ReadWholeFile(hexFilePath, &content, &error)) {
    ShowInfo(FromQt(error) + "!!");
    state.Log.append("Error in data! " + FromQt(hexFilePath));
    state.UploadError = true;
    return false;
  }
  list = SplitLines(content);
  return true;
}

bool AppendDataRecords(UploadList& list, const ImageFiles& files, UploadFileState& state) {
  UploadList merged = list;
  if (!merged.isEmpty()) merged.removeLast();  // the program image's end record

  const Text hexName = FromQt(files.HexFileName);
  int32_t version = 100;
  const bool versionInName = VersionFromName(hexName, &version);

  QByteArray dataSet;
  QString error;
  if (!ReadDataFile(files.BinFilePath, kDataSetMax, true, &dataSet, &error)) {
    ReportDataError(files.BinFilePath, error, state);
    return false;
  }
  if (!versionInName) version += VersionDigitFromDataSet(dataSet);
  AppendBlockRecords(merged, dataSet, 0);

  if (QFileInfo::exists(files.UserBinPath)) {
    QByteArray userData;
    if (!ReadDataFile(files.UserBinPath, kUserDataMax, false, &userData, &error)) {
      ReportDataError(files.UserBinPath, error, state);
      return false;
    }
    AppendBlockRecords(merged, userData, UserDataBase(version, hexName));
  }
  merged.append(kEndRecord);

  Text check;
  for (const Text& line : merged) check += line + "\r\n";
  const QString checkPath = files.DataDir + kCheckFileName;
  if (!WriteWholeFile(checkPath, check, &error)) {
    ShowError(FromQt(error) + "\r" + FromQt(checkPath));
    state.UploadError = true;
    return false;
  }
  list = std::move(merged);
  return true;
}

bool AppendDataRecords(UploadList& list, UploadFileState& state) {
  if (!Glb) {
    state.UploadError = true;
    return false;
  }
  return AppendDataRecords(list, ImageFilesFromGlb(*Glb), state);
}
