#pragma once
// The firmware file set and its merge into one upload list: program image
// (Intel HEX text), data set (raw bytes), optional user data image (the saved
// printer text memory). The program image lines are taken as they stand; only
// the records this code generates follow a fixed form.
#include <cstdint>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "util/text.h"

class TGlb;

// The lines sent to the bootloader, in order.
using UploadList = QList<Text>;

inline constexpr char kDefaultHexFileName[] = "orx720nt.h20";
inline constexpr char kDefaultBinFileName[] = "orx720nt.bin";
inline constexpr char kDefaultUserFileName[] = "userorx720nt.bin";
inline constexpr char kCheckFileName[] = "check.h20";
inline constexpr char kEndRecord[] = ":00000001FF";

// ---- naming rules ----

// HexFileName up to its first "."; a name without "." has an empty stem.
QString HexStem(const QString& hexFileName);

// The files that belong to a program image, derived whenever the image is applied.
struct CompanionPaths {
  QString BinFilePath;  // HexFileDir + stem + ".bin"
  QString UserBinPath;  // HexFileDir + "User" + stem + ".bin"
};
CompanionPaths CompanionPathsFor(const QString& hexFileDir, const QString& hexFileName);

// The "_ESTD" data set of the standard uploads; binFilePath is returned when
// the rule does not apply (a name without ".").
QString StandardBinPath(const QString& hexFileDir, const QString& hexFileName,
                        const QString& binFilePath);
// Applies the standard rule to Glb->BinFilePath.
void ApplyStandardDataSet(TGlb& glb);

// Whether fileName is a regional data set of the program image: it matches
// stem + "*.bin" without regard to case (release folders come from
// case-insensitive file systems) and its upper-case name begins with "ORX720NT".
bool IsRegionCandidate(const QString& fileName, const QString& hexFileName);
// The candidate names (no folder) in hexFileDir, any kind of entry (hidden
// files and folders too). Sorted by name without regard to case, so the stored
// "Region" position means the same file from one run to the next.
QStringList RegionCandidates(const QString& hexFileDir, const QString& hexFileName);

// ---- records ----

// Intel-HEX checksum of a record given as its hex digits without ":": the two's
// complement of the sum of its pairs, as two upper-case digits. Pairs are read
// leniently (ParseInt of "$" + pair); an odd last digit counts on its own.
Text RecordChecksum(const Text& hex);

// The bytes sent for a record line: ":" followed by one byte per pair of
// characters from the second character on (same lenient reading). Nothing is
// validated: an unusual line is sent as it stands and the bootloader judges it.
QByteArray RecordBinary(const Text& line);

// ":10" + address (4 digits) + "00" + 16 bytes + checksum. data must hold 16 bytes.
Text DataRecord(int32_t address, const char* data);

// Appends one record per 16-byte block of data (a last partial block is
// padded with 0xFF), addresses from base (modulo 65,536); blocks that are all
// 0xFF are left out.
void AppendBlockRecords(UploadList& list, const QByteArray& data, int32_t base);

// ---- firmware version and user data base address ----

// major * 100 + minor from a name such as orx720nt_1_05.h20. Returns false
// (version 100) when the name holds fewer than two "_".
bool VersionFromName(const Text& hexFileName, int32_t* version);
// The digit after the first "." of the version text stored at offsets 16..48
// of the data set (0xFF bytes left out); 0 when there is none.
int32_t VersionDigitFromDataSet(const QByteArray& dataSet);
// 0xA000 for version 103 and up or for the name "orx720nt.h20" exactly, else 0x8000.
int32_t UserDataBase(int32_t version, const Text& hexFileName);

// ---- loading and merging ----

// The paths the file steps use; filled from Glb by ImageFilesFromGlb().
struct ImageFiles {
  QString HexFilePath;
  QString HexFileName;
  QString BinFilePath;
  QString UserBinPath;
  QString DataDir;  // with a trailing separator; the check file goes here
};
ImageFiles ImageFilesFromGlb(const TGlb& glb);

// What the file steps report to the upload window. UploadError is set by any
// file error and stays set (the caller clears it before each preparation);
// while it is set nothing may be sent. Log holds lines for the window's log.
struct UploadFileState {
  bool UploadError = false;
  QList<Text> Log;
};

// Splits text into lines ended by CR LF, LF or CR; a last line without an
// ending counts, an ending at the very end adds no empty line.
UploadList SplitLines(const QByteArray& text);

// Loads the program image as lines, unchanged (blank ones included). On
// failure: an information box with the system's message + "!!", the log line
// "Error in data! " + path, UploadError set, list left as it was.
bool LoadProgramImage(const QString& hexFilePath, UploadList& list, UploadFileState& state);

// Merges data set and user data image into list (which holds the program image
// lines), ends it with the end record and writes DataDir + "check.h20".
// A data file error shows the information box (system's message + "\r" + path
// + "!!"), adds "Error in Data! " + path to the log and sets UploadError; a
// check file that cannot be written shows an error box and sets UploadError.
// On any failure the list is left as it was and no check file is written.
bool AppendDataRecords(UploadList& list, const ImageFiles& files, UploadFileState& state);
bool AppendDataRecords(UploadList& list, UploadFileState& state);  // paths from Glb
