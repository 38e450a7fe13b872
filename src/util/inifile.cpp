#include "inifile.h"

#include "files.h"

namespace {

// Blanks and tabs around names and values do not count, as in Windows profiles.
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

Text Trim(const Text& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.mid(begin, end - begin);
}

bool SameName(const Text& a, const Text& b) {
  return a.size() == b.size() && ToQt(a).compare(ToQt(b), Qt::CaseInsensitive) == 0;
}

// A line break inside a name or value would split it into two lines of the file.
Text OneLine(const Text& text) {
  Text s = text;
  s.replace('\r', ' ');
  s.replace('\n', ' ');
  return s;
}

QList<Text> SplitLines(const QByteArray& data) {
  return SplitTextLines(data);
}

bool ParseDecimal(const Text& text, int32_t* value) {
  const Text s = Trim(text);
  qsizetype i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i >= s.size()) return false;
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > limit) return false;
  }
  *value = static_cast<int32_t>(negative ? -v : v);
  return true;
}

}  // namespace

IniFile::IniFile(const QString& path) : path_(path) {
  QByteArray data;
  if (!ReadWholeFile(path, &data)) data.clear();
  Parse(data);
}

IniFile::IniFile(const QString& path, const QByteArray& data) : path_(path) { Parse(data); }

void IniFile::Parse(const QByteArray& data) {
  sections_ = {Section{}};  // lines in front of the first header
  for (const Text& raw : SplitLines(data)) {
    const Text trimmed = Trim(raw);
    if (trimmed.startsWith('[')) {
      const qsizetype close = trimmed.indexOf(']');
      if (close > 0) {
        sections_.append(Section{Trim(trimmed.mid(1, close - 1)), raw, {}});
        continue;
      }
    }
    Line line{raw, {}, {}};
    const qsizetype eq = trimmed.indexOf('=');
    if (!trimmed.startsWith(';') && eq > 0) {
      line.key = Trim(trimmed.left(eq));
      line.value = Trim(trimmed.mid(eq + 1));
    }
    sections_.last().lines.append(line);
  }
}

IniFile::Section* IniFile::FindSection(const Text& name) {
  for (qsizetype i = 1; i < sections_.size(); ++i)
    if (SameName(sections_[i].name, name)) return &sections_[i];
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(const Text& name) const {
  for (qsizetype i = 1; i < sections_.size(); ++i)
    if (SameName(sections_[i].name, name)) return &sections_[i];
  return nullptr;
}

Text IniFile::ReadString(const Text& section, const Text& key, const Text& def) const {
  if (const Section* s = FindSection(section))
    for (const Line& line : s->lines)
      if (!line.key.isEmpty() && SameName(line.key, key)) return line.value;
  return def;
}

int32_t IniFile::ReadInteger(const Text& section, const Text& key, int32_t def) const {
  int32_t value = 0;
  return ParseDecimal(ReadString(section, key, Text()), &value) ? value : def;
}

bool IniFile::ReadBool(const Text& section, const Text& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(const Text& section) const { return FindSection(section) != nullptr; }

bool IniFile::ValueExists(const Text& section, const Text& key) const {
  if (const Section* s = FindSection(section))
    for (const Line& line : s->lines)
      if (!line.key.isEmpty() && SameName(line.key, key)) return true;
  return false;
}

QList<Text> IniFile::ReadSection(const Text& section) const {
  QList<Text> keys;
  const Section* s = FindSection(section);
  if (!s) return keys;
  for (const Line& line : s->lines) {
    if (line.key.isEmpty()) continue;
    bool seen = false;
    for (const Text& k : keys) seen = seen || SameName(k, line.key);
    if (!seen) keys.append(line.key);
  }
  return keys;
}

QList<Text> IniFile::ReadSections() const {
  QList<Text> names;
  for (qsizetype i = 1; i < sections_.size(); ++i) {
    bool seen = false;
    for (const Text& n : names) seen = seen || SameName(n, sections_[i].name);
    if (!seen) names.append(sections_[i].name);
  }
  return names;
}

void IniFile::WriteString(const Text& section, const Text& key, const Text& value) {
  const Text name = Trim(OneLine(key));
  if (name.isEmpty()) return;  // would not read back as a key
  const Text text = OneLine(value);
  Section* s = FindSection(section);
  if (!s) {
    const Text title = OneLine(section);
    sections_.append(Section{title, "[" + title + "]", {}});
    s = &sections_.last();
  }
  qsizetype insertAt = 0;  // after the last key line, else after the last non-blank line
  bool haveKey = false;
  for (qsizetype i = 0; i < s->lines.size(); ++i) {
    Line& line = s->lines[i];
    if (!line.key.isEmpty()) {
      if (SameName(line.key, name)) {
        line.value = Trim(text);
        line.raw = line.key + "=" + text;
        return;
      }
      insertAt = i + 1;
      haveKey = true;
    } else if (!haveKey && !Trim(line.raw).isEmpty()) {
      insertAt = i + 1;
    }
  }
  s->lines.insert(insertAt, Line{name + "=" + text, name, Trim(text)});
}

void IniFile::WriteInteger(const Text& section, const Text& key, int32_t value) {
  WriteString(section, key, Text::number(value));
}

void IniFile::WriteBool(const Text& section, const Text& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(const Text& section, const Text& key) {
  // Every copy goes, so an older duplicate cannot reappear.
  if (Section* s = FindSection(section))
    s->lines.removeIf([&](const Line& line) { return !line.key.isEmpty() && SameName(line.key, key); });
}

void IniFile::EraseSection(const Text& section) {
  for (qsizetype i = sections_.size() - 1; i >= 1; --i)
    if (SameName(sections_[i].name, section)) sections_.removeAt(i);
}

bool IniFile::UpdateFile(QString* error) {
  QByteArray data;
  for (qsizetype i = 0; i < sections_.size(); ++i) {
    const Section& s = sections_[i];
    if (i > 0) data += s.header + "\r\n";
    for (const Line& line : s.lines) data += line.raw + "\r\n";
  }
  return WriteWholeFile(path_, data, error);
}
