#include "language_file.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

#include "util/files.h"
#include "util/helpers.h"
#include "util/inifile.h"

namespace {

constexpr char kMainSection[] = "Main";
constexpr char kFileKey[] = "Languagefile";
constexpr char kNameKey[] = "Language";
constexpr qsizetype kMaxSwitchFile = 200;
constexpr qsizetype kMaxMenuFileName = 255;

// A line break inside a line would split it in two when the file is read again.
Text OneLine(const Text& text) {
  return text.contains('\r') || text.contains('\n') ? TextToValue(text) : text;
}

bool HasFolderPart(const QString& path) {
  return path.contains(QLatin1Char('\\')) || path.contains(QLatin1Char('/'));
}

}  // namespace

qsizetype LanguageSections::Find(const Text& name) const {
  const Text wanted = UpperPlainAscii(name);
  for (qsizetype i = 0; i < sections.size(); ++i)
    if (UpperPlainAscii(sections[i].name) == wanted) return i;
  return -1;
}

qsizetype LanguageSections::Add(const Text& name) {
  sections.append(LanguageSection{name, {}});
  return sections.size() - 1;
}

void LanguageSections::Clear() {
  sections.clear();
  nameLine.reset();
}

QList<Text> SplitFileLines(const QByteArray& data) {
  return SplitTextLines(data);
}

Text UpperPlainAscii(const Text& text) {
  Text out = text;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

LanguageSections ParseLanguageFile(const QByteArray& data, Text* firstLine) {
  LanguageSections result;
  const QList<Text> lines = SplitFileLines(data);
  for (const Text& line : lines) {
    if (line.startsWith('[')) {
      // the text between the brackets: characters 2 to length - 1
      result.Add(line.mid(1, std::max<qsizetype>(line.size() - 2, 0)));
    } else if (!result.sections.isEmpty()) {
      result.sections.last().lines.append(line);
    }
  }
  if (!lines.isEmpty() && !lines.first().startsWith('[')) result.nameLine = lines.first();
  if (firstLine) *firstLine = lines.isEmpty() ? Text() : lines.first();
  return result;
}

QByteArray FormatLanguageFile(const LanguageSections& sections) {
  QByteArray out;
  if (sections.nameLine && !sections.nameLine->startsWith('['))
    out += OneLine(*sections.nameLine) + "\r\n";
  for (const LanguageSection& section : sections.sections) {
    out += "[" + OneLine(section.name) + "]\r\n";
    for (const Text& line : section.lines) out += OneLine(line) + "\r\n";
  }
  return out;
}

bool ReadLanguageFile(const QString& path, LanguageSections* out, Text* firstLine) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return false;
  QByteArray data;
  if (!ReadWholeFile(path, &data)) return false;
  Text name;
  LanguageSections sections = ParseLanguageFile(data, &name);
  if (out) *out = std::move(sections);
  if (firstLine) *firstLine = name;
  return true;
}

bool WriteLanguageFile(const QString& path, const LanguageSections& sections, QString* error) {
  if (path.isEmpty()) {
    if (error) *error = QStringLiteral("Kein Dateiname");
    return false;
  }
  return WriteWholeFile(path, FormatLanguageFile(sections), error);
}

LanguageEntry SplitEntry(const Text& line) {
  Tokenizer tokens;
  tokens.Start(line, MakeCharSet({'.', '='}));
  LanguageEntry entry;
  entry.component = tokens.Next();
  entry.property = tokens.Next();
  entry.value = tokens.Rest();
  return entry;
}

EntryProperty ClassifyProperty(const Text& property, int32_t* index) {
  const Text upper = UpperAscii(property);
  if (upper == "CAPTION") return EntryProperty::Caption;
  if (upper == "HINT") return EntryProperty::Hint;
  struct Indexed {
    const char* prefix;
    EntryProperty kind;
  };
  static constexpr Indexed kIndexed[] = {{"ITEM[", EntryProperty::Item},
                                         {"STRINGS[", EntryProperty::Strings},
                                         {"ITEMS[", EntryProperty::Items}};
  for (const Indexed& indexed : kIndexed) {
    const Text prefix(indexed.prefix);
    if (upper.startsWith(prefix)) {
      if (index) *index = ParseInt(upper.mid(prefix.size(), 3));
      return indexed.kind;
    }
  }
  return EntryProperty::Other;
}

Text EntryKey(const Text& line) {
  const qsizetype equal = line.indexOf('=');
  return equal < 0 ? line : line.left(equal);
}

Text ValueToText(const Text& value) {
  if (!value.contains(kLineBreakMark)) return value;
  Text out;
  out.reserve(value.size() + 8);
  for (char c : value) {
    if (c == kLineBreakMark) out += "\r\n";
    else out += c;
  }
  return out;
}

Text TextToValue(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r') out += kLineBreakMark;
    else if (c != '\n') out += c;
  }
  return out;
}

Text WindowBaseName(const Text& name) {
  const qsizetype underscore = name.indexOf('_');
  return underscore < 0 ? name : name.left(underscore);
}

Text ProgramBaseName(const QString& programFile) {
  const Text upper = UpperPlainAscii(FromQt(QFileInfo(programFile).fileName()));
  const qsizetype exe = upper.indexOf(".EXE");
  return exe < 0 ? upper : upper.left(exe);
}

LanguageSwitches EvaluateLanguageSwitches(const QStringList& arguments, const QString& languageFile,
                                          const QString& programDir, const Text& programBaseName) {
  LanguageSwitches result{languageFile, false};
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument.size() >= 4 && argument[3] == QLatin1Char('_'))
      result.languageFile =
          programDir + ToQt(UpperAscii(FromQt(argument)) + programBaseName + ".LNG");
    const Text upper = UpperAscii(FromQt(argument));
    if (upper == "-CL")
      result.managerMode = true;
    else if (upper.startsWith("-L"))
      result.languageFile = argument.mid(2, kMaxSwitchFile);
  }
  return result;
}

QString CompleteLanguagePath(const QString& languageFile, const QString& programDir) {
  if (HasText(FromQt(languageFile)) && !HasFolderPart(languageFile))
    return programDir + languageFile;
  return languageFile;
}

QString FallbackLanguageFile(const QString& programDir, const Text& programBaseName) {
  return programDir + ToQt("DEU_" + programBaseName + ".LNG");
}

QString FindFileNoCase(const QString& path) {
  if (path.isEmpty()) return QString();
  const QFileInfo info(path);
  if (info.isFile()) return path;
  const QDir dir = info.dir();
  if (!dir.exists()) return QString();
  const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
  for (const QString& name : names)
    if (name.compare(info.fileName(), Qt::CaseInsensitive) == 0) return dir.filePath(name);
  return QString();
}

QList<LanguageMenuEntry> ScanLanguageFiles(const QString& programDir, qsizetype maxEntries) {
  QList<LanguageMenuEntry> entries;
  QDir dir(programDir);
  dir.setNameFilters({QStringLiteral("*.lng")});
  // Sorted, so the menu does not depend on the order of the directory entries.
  const QFileInfoList files =
      dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& file : files) {
    if (entries.size() >= maxEntries) break;
    QByteArray data;
    if (!ReadWholeFile(file.filePath(), &data)) continue;
    const QList<Text> lines = SplitFileLines(data);
    if (lines.isEmpty()) continue;
    entries.append(LanguageMenuEntry{lines.first(), file.fileName().left(kMaxMenuFileName)});
  }
  return entries;
}

LanguageSettings ReadLanguageSettings(const QString& iniPath) {
  const IniFile ini(iniPath);
  return LanguageSettings{ToQt(ini.ReadString(kMainSection, kFileKey, Text())),
                          ini.ReadString(kMainSection, kNameKey, Text())};
}

bool WriteLanguageFileSetting(const QString& iniPath, const QString& languageFile,
                              QString* error) {
  IniFile ini(iniPath);
  ini.WriteString(kMainSection, kFileKey, FromQt(languageFile));
  return ini.UpdateFile(error);
}

bool WriteLanguageSettings(const QString& iniPath, const QString& languageFile,
                           const Text& languageName, QString* error) {
  IniFile ini(iniPath);
  ini.WriteString(kMainSection, kFileKey, FromQt(languageFile));
  ini.WriteString(kMainSection, kNameKey, languageName);
  return ini.UpdateFile(error);
}
