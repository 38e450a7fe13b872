#include "dir_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "image_files.h"
#include "lang/language_file.h"
#include "util/text.h"

namespace {

bool IsSeparator(QChar c) { return c == u'/' || c == u'\\'; }

QString WithSeparator(const QString& folder) {
  if (folder.isEmpty() || IsSeparator(folder.back())) return folder;
  return folder + u'/';
}

void Scan(const QString& folder, QList<DirEntry>* out, QSet<QString>* entered,
          const std::function<void()>& pump) {
  const QFileInfo info(folder);
  const QString canonical = info.canonicalFilePath();
  if (canonical.isEmpty() || entered->contains(canonical)) return;
  entered->insert(canonical);

  QDir dir(folder);
  const QString base = WithSeparator(folder);
  const QStringList files =
      dir.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : files)
    if (IsProgramImage(name) && !IsCheckFile(name)) out->append({base, FolderNameOf(base), name});
  if (pump) pump();
  // Hidden folders (a leading "." here) are not entered.
  const QStringList folders =
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : folders)
    if (!name.startsWith(u'.')) Scan(base + name, out, entered, pump);
}

}  // namespace

bool IsCheckFile(const QString& fileName) { return fileName == QLatin1String(kCheckFileName); }

bool IsProgramImage(const QString& fileName) {
  const qsizetype dot = fileName.indexOf(u'.');
  return dot >= 0 && fileName.mid(dot) == u".h20";
}

QString FolderNameOf(const QString& folder) {
  qsizetype end = folder.size();
  if (end > 0 && IsSeparator(folder[end - 1])) --end;
  qsizetype start = end;
  while (start > 0 && !IsSeparator(folder[start - 1])) --start;
  return folder.mid(start, end - start);
}

DirEntry EntryForFile(const QString& path) {
  qsizetype cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  const QString folder = path.left(cut);
  return {folder, FolderNameOf(folder), path.mid(cut)};
}

DirListContents ParseDirList(const QByteArray& data) {
  DirListContents result;
  const QList<Text> lines = SplitFileLines(data);
  const qsizetype groups = lines.size() / 3;
  for (qsizetype i = 0; i < groups; ++i) {
    DirEntry entry{ToQt(lines[3 * i]), ToQt(lines[3 * i + 1]), ToQt(lines[3 * i + 2])};
    if (!IsCheckFile(entry.FileName)) result.entries.append(std::move(entry));
  }
  result.complete = lines.size() % 3 == 0;
  return result;
}

QByteArray FormatDirList(const QList<DirEntry>& entries) {
  QByteArray out;
  for (const DirEntry& entry : entries)
    out += FromQt(entry.Folder) + "\r\n" + FromQt(entry.FolderName) + "\r\n" +
           FromQt(entry.FileName) + "\r\n";
  return out;
}

QList<DirEntry> ScanFolder(const QString& folder, const std::function<void()>& pump) {
  QList<DirEntry> out;
  QSet<QString> entered;
  if (!folder.isEmpty()) Scan(folder, &out, &entered, pump);
  return out;
}
