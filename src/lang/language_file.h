#pragma once
// Interface language files (".lng"): the widget-free part. A file is
// Windows-1252 text; line 1 names the language, "[Name]" opens the section of
// a window, and every other line of a section is an entry
// "Component.Property=Value". Files are read whole and written whole.
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "util/text.h"

struct LanguageSection {
  Text name;
  QList<Text> lines;
};

// The sections of the current language, in file order. The language manager
// window lists and edits this same structure.
struct LanguageSections {
  QList<LanguageSection> sections;
  // Line 1 of the file when it is not a section header. Written back in front
  // of the first section, so a saved file keeps its language name.
  std::optional<Text> nameLine;

  // Index of the section, names compared with plain ASCII upper-casing; -1 if none.
  qsizetype Find(const Text& name) const;
  // Appends an empty section and returns its index.
  qsizetype Add(const Text& name);
  void Clear();
};

// Lines ended by CR LF, LF or CR; a last line without an end counts, a final
// line end adds no empty line.
QList<Text> SplitFileLines(const QByteArray& data);

// Upper-casing of a..z only (umlauts keep their case).
Text UpperPlainAscii(const Text& text);

// Builds the sections from a file's bytes. firstLine receives line 1 (empty
// when the file has no line); it names the language.
LanguageSections ParseLanguageFile(const QByteArray& data, Text* firstLine = nullptr);
// The file's bytes: the name line (if kept), then "[" name "]" and the lines of
// each section, all ended by CR LF. A line break inside a line is written as
// the pilcrow, so it cannot split the line in the file.
QByteArray FormatLanguageFile(const LanguageSections& sections);

// False when the file does not exist or cannot be read; out stays untouched then.
bool ReadLanguageFile(const QString& path, LanguageSections* out, Text* firstLine = nullptr);
// Replaces the file atomically; false and error filled when it cannot be written.
bool WriteLanguageFile(const QString& path, const LanguageSections& sections,
                       QString* error = nullptr);

// ---- entry lines ----

inline constexpr char kLineBreakMark = '\xB6';  // the pilcrow stands for a line break

struct LanguageEntry {
  Text component;
  Text property;
  Text value;  // as written in the file (line breaks still as pilcrows)
};

// "." and "=" separate: the component is the first run free of them, the
// property the next run, the value the rest after the separators that follow.
LanguageEntry SplitEntry(const Text& line);

enum class EntryProperty { Caption, Hint, Item, Strings, Items, Other };
// Property names are compared after UpperAscii. For the indexed properties
// index receives the number read from the first three characters after "[".
EntryProperty ClassifyProperty(const Text& property, int32_t* index = nullptr);

// The text before the line's first "=" (the whole line without one).
Text EntryKey(const Text& line);

// Value of a file -> text: every pilcrow becomes CR LF.
Text ValueToText(const Text& value);
// Text -> value for a file: every CR becomes a pilcrow, every LF is dropped.
Text TextToValue(const Text& text);

// A window's name up to, not including, its first "_".
Text WindowBaseName(const Text& name);

// ---- file names, settings and the command line ----

// The program file's name in upper case up to its first ".EXE" ("SETUP720").
Text ProgramBaseName(const QString& programFile);

struct LanguageSwitches {
  QString languageFile;
  bool managerMode = false;
};

// The language switches of the command line, evaluated in order over
// arguments 1..n (element 0, the program, is skipped, as in
// QCoreApplication::arguments()): an argument whose fourth character is "_"
// selects programDir + argument (UpperAscii) + base name + ".LNG"; "-CL" sets
// manager mode; "-L" + file selects that file (at most 200 characters).
// languageFile is the value from the settings; the last switch naming a file wins.
LanguageSwitches EvaluateLanguageSwitches(const QStringList& arguments, const QString& languageFile,
                                          const QString& programDir, const Text& programBaseName);

// A name with a non-blank character and without a folder part is a file in
// the program folder.
QString CompleteLanguagePath(const QString& languageFile, const QString& programDir);

// The German file used when the chosen one does not exist: "DEU_" + base name + ".LNG".
QString FallbackLanguageFile(const QString& programDir, const Text& programBaseName);

// The path of an existing file: the path itself, or else a file in the same
// folder whose name differs only in case (the files come from systems whose
// names ignore case). Empty when there is none.
QString FindFileNoCase(const QString& path);

struct LanguageMenuEntry {
  Text name;         // line 1 of the file
  QString fileName;  // without folder, at most 255 characters
};

inline constexpr qsizetype kMaxLanguageFiles = 64;

// The language files ("*.lng", any case) of the folder, by name; files without
// any line are skipped, and no more than maxEntries are listed.
QList<LanguageMenuEntry> ScanLanguageFiles(const QString& programDir,
                                           qsizetype maxEntries = kMaxLanguageFiles);

// Section "Main" of the INI file: "Languagefile" and "Language".
struct LanguageSettings {
  QString languageFile;
  Text languageName;
};
LanguageSettings ReadLanguageSettings(const QString& iniPath);
bool WriteLanguageFileSetting(const QString& iniPath, const QString& languageFile,
                              QString* error = nullptr);
bool WriteLanguageSettings(const QString& iniPath, const QString& languageFile,
                           const Text& languageName, QString* error = nullptr);
