#pragma once
// A Windows-style profile file: section and key names compared without case,
// values as text, booleans "1"/"0", integers decimal. Unknown sections, keys and
// comment lines are kept when the file is written. The file is Windows-1252 with
// CR LF line ends and is read whole and written whole and atomically.
#include <cstdint>
#include <QList>
#include <QString>

#include "text.h"

class IniFile {
 public:
  // Reads the file at once; a missing or unreadable file reads as empty.
  explicit IniFile(const QString& path);
  // The same from the file's bytes, without reading the file (UpdateFile
  // still writes to path).
  IniFile(const QString& path, const QByteArray& data);

  const QString& Path() const { return path_; }

  Text ReadString(const Text& section, const Text& key, const Text& def) const;
  // A value that is not a decimal whole number (blanks around it allowed) gives def.
  int32_t ReadInteger(const Text& section, const Text& key, int32_t def) const;
  // Any whole number but 0 is true; no or a non-numeric value gives def.
  bool ReadBool(const Text& section, const Text& key, bool def) const;
  bool SectionExists(const Text& section) const;
  bool ValueExists(const Text& section, const Text& key) const;
  QList<Text> ReadSection(const Text& section) const;  // key names in file order
  QList<Text> ReadSections() const;

  void WriteString(const Text& section, const Text& key, const Text& value);
  void WriteInteger(const Text& section, const Text& key, int32_t value);
  void WriteBool(const Text& section, const Text& key, bool value);
  void DeleteKey(const Text& section, const Text& key);
  void EraseSection(const Text& section);

  // Writes the whole file atomically (the old file stays intact on failure).
  // Returns false and fills error when it could not be written.
  bool UpdateFile(QString* error = nullptr);

 private:
  struct Line {
    Text raw;      // the line as read (kept for comments and unknown lines)
    Text key;      // empty for non key lines
    Text value;
  };
  struct Section {
    Text name;     // empty name: lines before the first section header
    Text header;   // raw header line
    QList<Line> lines;
  };
  void Parse(const QByteArray& data);
  Section* FindSection(const Text& name);
  const Section* FindSection(const Text& name) const;
  QString path_;
  QList<Section> sections_;
};
