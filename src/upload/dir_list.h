#pragma once
// The catalogue of firmware program images kept in "DirList.txt" in the data
// folder: three lines per entry (folder, folder name, file name), CR LF line
// ends, Windows-1252. Entries for the upload check file are never taken in.
#include <functional>

#include <QByteArray>
#include <QList>
#include <QString>

inline constexpr char kDirListFileName[] = "DirList.txt";

struct DirEntry {
  QString Folder;      // full folder path with a trailing separator
  QString FolderName;  // its last component (stored, not shown)
  QString FileName;    // without folder

  QString Path() const { return Folder + FileName; }
  bool operator==(const DirEntry&) const = default;
};

// A program image: the name from its first "." on is exactly ".h20".
bool IsProgramImage(const QString& fileName);

// The last component of a folder path, a final separator not counted
// ("C:\FW\V105\" and "/fw/V105/" give "V105"). Both separators count.
QString FolderNameOf(const QString& folder);

// The entry for a file path: its folder (with the trailing separator), the
// folder's name and the file name.
DirEntry EntryForFile(const QString& path);

// The upload check file, never catalogued.
bool IsCheckFile(const QString& fileName);

struct DirListContents {
  QList<DirEntry> entries;  // complete groups, check-file entries left out
  bool complete = true;     // false: the line count is not a multiple of three
};
DirListContents ParseDirList(const QByteArray& data);
QByteArray FormatDirList(const QList<DirEntry>& entries);

// The program images of folder and, depth first, of its subfolders whose
// names do not begin with "." (hidden folders are not entered; each folder is
// entered once, so links that lead back do not loop). Files and folders come
// in name order. pump runs after each folder's own files (the window keeps
// responding during a long scan).
QList<DirEntry> ScanFolder(const QString& folder, const std::function<void()>& pump = {});
