#include "settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "files.h"

namespace {

constexpr char kSeparator = '\\';

bool SameName(const Text& a, const Text& b) {
  return a.size() == b.size() && ToQt(a).compare(ToQt(b), Qt::CaseInsensitive) == 0;
}

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

QList<QByteArray> SplitLines(const QByteArray& data) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < data.size(); ++i) {
    if (data[i] == '\r' || data[i] == '\n') {
      lines.append(data.mid(start, i - start));
      if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < data.size()) lines.append(data.mid(start));
  return lines;
}

int HexDigit(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - '0';
  if (c >= u'a' && c <= u'f') return c.unicode() - 'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - 'A' + 10;
  return -1;
}

// A quoted token starting at line[*pos] == '"'; *pos ends after the closing
// quote (or at the end of the line when it is missing).
Text ParseQuoted(const QString& line, qsizetype* pos) {
  QString out;
  qsizetype i = *pos + 1;
  while (i < line.size() && line[i] != u'"') {
    QChar c = line[i++];
    if (c == u'\\' && i < line.size()) {
      const QChar e = line[i++];
      if (e == u'r') c = u'\r';
      else if (e == u'n') c = u'\n';
      else if (e == u't') c = u'\t';
      else if (e == u'x' && i + 1 < line.size() && HexDigit(line[i]) >= 0 && HexDigit(line[i + 1]) >= 0) {
        c = Win1252ToUnicode(static_cast<unsigned char>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1])));
        i += 2;
      } else {
        c = e;  // \\ and \" and anything else stand for the character itself
      }
    }
    out += c;
  }
  *pos = i < line.size() ? i + 1 : i;
  return FromQt(out);
}

QString Quote(const Text& text) {
  QString out = QStringLiteral("\"");
  for (char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    switch (b) {
      case '\\': out += QStringLiteral("\\\\"); break;
      case '"': out += QStringLiteral("\\\""); break;
      case '\r': out += QStringLiteral("\\r"); break;
      case '\n': out += QStringLiteral("\\n"); break;
      case '\t': out += QStringLiteral("\\t"); break;
      default: {
        const QChar c = Win1252ToUnicode(b);
        if (b < 0x20 || b == 0x7F || (c.unicode() >= 0x80 && c.unicode() < 0xA0))
          out += QStringLiteral("\\x") + QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        else
          out += c;
      }
    }
  }
  out += u'"';
  return out;
}

bool ParseDecimal(const Text& text, int32_t* value) {
  const Text s = text.trimmed();
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

bool IsBelow(const Text& path, const Text& key) {
  if (key.isEmpty()) return !path.isEmpty();
  return path.size() > key.size() && path[key.size()] == kSeparator && SameName(path.left(key.size()), key);
}

}  // namespace

SettingsStore::SettingsStore(const QString& path) : path_(path) { Reload(); }

SettingsStore::SettingsStore(const QString& path, const QByteArray& data) : path_(path) { Parse(data); }

QString SettingsStore::DefaultPath() {
  const QString env = qEnvironmentVariable("SETUP720_REGISTRY");
  if (!env.isEmpty()) return env;
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         "/Setup720/registry.ini";
}

Text SettingsStore::NormalizeKey(const Text& key) {
  Text out;
  for (const QByteArray& part : key.split(kSeparator)) {
    const Text name = Text(part).replace('\r', ' ').replace('\n', ' ');
    if (name.isEmpty()) continue;
    if (!out.isEmpty()) out += kSeparator;
    out += name;
  }
  return out;
}

void SettingsStore::Reload() {
  keys_.clear();
  readable_ = true;
  error_.clear();
  QByteArray data;
  if (!ReadWholeFile(path_, &data, &error_)) {
    // Missing is empty; present but unreadable must not be overwritten.
    readable_ = !QFileInfo(path_).exists();
    if (readable_) error_.clear();
    return;
  }
  Parse(data);
}

void SettingsStore::Parse(const QByteArray& data) {
  keys_.clear();
  Key* current = nullptr;
  for (const QByteArray& raw : SplitLines(data)) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#')) continue;
    if (line.startsWith(u'[') && line.endsWith(u']')) {
      const Text path = NormalizeKey(FromQt(line.mid(1, line.size() - 2)));
      current = path.isEmpty() ? nullptr : &MakeKey(path);
      continue;
    }
    if (!current) continue;  // values before the first key belong nowhere
    Text name;
    qsizetype pos = 0;
    if (line.startsWith(u'"')) {
      name = ParseQuoted(line, &pos);
      while (pos < line.size() && IsBlank(line[pos])) ++pos;
      if (pos >= line.size() || line[pos] != u'=') continue;
    } else {
      pos = line.indexOf(u'=');
      if (pos < 0) continue;
      name = FromQt(line.left(pos).trimmed());
    }
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    const Text data = pos < line.size() && line[pos] == u'"' ? ParseQuoted(line, &pos)
                                                            : FromQt(line.mid(pos));
    bool replaced = false;
    for (Value& v : current->values) {
      if (SameName(v.name, name)) {
        v.data = data;
        replaced = true;
      }
    }
    if (!replaced) current->values.append(Value{name, data});
  }
}

SettingsStore::Key* SettingsStore::FindKey(const Text& normalized) {
  for (Key& k : keys_)
    if (SameName(k.path, normalized)) return &k;
  return nullptr;
}

const SettingsStore::Key* SettingsStore::FindKey(const Text& normalized) const {
  for (const Key& k : keys_)
    if (SameName(k.path, normalized)) return &k;
  return nullptr;
}

SettingsStore::Key& SettingsStore::MakeKey(const Text& normalized) {
  if (Key* k = FindKey(normalized)) return *k;
  keys_.append(Key{normalized, {}});
  return keys_.last();
}

bool SettingsStore::KeyExists(const Text& key) const {
  const Text path = NormalizeKey(key);
  if (path.isEmpty()) return readable_;
  for (const Key& k : keys_)
    if (SameName(k.path, path) || IsBelow(k.path, path)) return true;
  return false;
}

bool SettingsStore::ValueExists(const Text& key, const Text& name) const {
  bool found = false;
  ReadString(key, name, &found);
  return found;
}

Text SettingsStore::ReadString(const Text& key, const Text& name, bool* found) const {
  if (found) *found = false;
  if (const Key* k = FindKey(NormalizeKey(key))) {
    for (const Value& v : k->values) {
      if (SameName(v.name, name)) {
        if (found) *found = true;
        return v.data;
      }
    }
  }
  return Text();
}

int32_t SettingsStore::ReadInteger(const Text& key, const Text& name, int32_t def) const {
  bool found = false;
  const Text text = ReadString(key, name, &found);
  int32_t value = 0;
  return found && ParseDecimal(text, &value) ? value : def;
}

QList<Text> SettingsStore::ValueNames(const Text& key) const {
  QList<Text> names;
  if (const Key* k = FindKey(NormalizeKey(key)))
    for (const Value& v : k->values) names.append(v.name);
  return names;
}

QList<Text> SettingsStore::SubKeys(const Text& key) const {
  QList<Text> paths;
  const Text path = NormalizeKey(key);
  for (const Key& k : keys_)
    if (IsBelow(k.path, path)) paths.append(k.path);
  return paths;
}

bool SettingsStore::CreateKey(const Text& key) {
  const Text path = NormalizeKey(key);
  if (!readable_) return false;
  if (path.isEmpty() || FindKey(path)) return true;
  const QList<Key> before = keys_;
  MakeKey(path);
  return Save(before);
}

bool SettingsStore::WriteString(const Text& key, const Text& name, const Text& value) {
  return WriteStrings(key, {{name, value}});
}

bool SettingsStore::WriteStrings(const Text& key, const QList<QPair<Text, Text>>& values) {
  const Text path = NormalizeKey(key);
  if (!readable_ || path.isEmpty()) return false;
  const QList<Key> before = keys_;
  Key& k = MakeKey(path);
  for (const auto& [name, value] : values) {
    bool replaced = false;
    for (Value& v : k.values) {
      if (SameName(v.name, name)) {
        v.data = value;
        replaced = true;
      }
    }
    if (!replaced) k.values.append(Value{name, value});
  }
  return Save(before);
}

bool SettingsStore::WriteInteger(const Text& key, const Text& name, int32_t value) {
  return WriteString(key, name, Text::number(value));
}

bool SettingsStore::DeleteValue(const Text& key, const Text& name) {
  if (!readable_) return false;
  // The copy first: a key found before it would point into data the copy
  // shares, and the removal would reach the copy too.
  const QList<Key> before = keys_;
  Key* k = FindKey(NormalizeKey(key));
  if (!k) return true;
  if (k->values.removeIf([&](const Value& v) { return SameName(v.name, name); }) == 0) return true;
  return Save(before);
}

bool SettingsStore::DeleteKey(const Text& key) {
  if (!readable_) return false;
  const Text path = NormalizeKey(key);
  const QList<Key> before = keys_;
  const auto removed = keys_.removeIf(
      [&](const Key& k) { return SameName(k.path, path) || IsBelow(k.path, path); });
  if (removed == 0) return true;
  return Save(before);
}

bool SettingsStore::Save(const QList<Key>& before) {
  QString text = QStringLiteral("; Setup720 settings (UTF-8)\n");
  for (const Key& k : keys_) {
    text += u'\n';
    text += u'[' + ToQt(k.path) + QStringLiteral("]\n");
    for (const Value& v : k.values) text += Quote(v.name) + u'=' + Quote(v.data) + u'\n';
  }
  error_.clear();
  const QFileInfo info(path_);
  if (!QDir().mkpath(info.absolutePath())) {
    error_ = QStringLiteral("cannot create ") + info.absolutePath();
    keys_ = before;
    return false;
  }
  if (!WriteWholeFile(path_, text.toUtf8(), &error_)) {
    keys_ = before;
    return false;
  }
  return true;
}

// ---- the user's locale ----

Text WindowsLocaleId(const Text& posixLocale) {
  // "ll_CC.codeset@modifier": only language and country matter.
  Text name = posixLocale;
  for (char stop : {'.', '@'}) {
    const qsizetype at = name.indexOf(stop);
    if (at >= 0) name.truncate(at);
  }
  name = name.toLower().replace('-', '_');
  const qsizetype bar = name.indexOf('_');
  const Text language = bar >= 0 ? name.left(bar) : name;
  const Text country = bar >= 0 ? name.mid(bar + 1) : Text();

  struct Entry {
    const char* language;
    const char* country;  // nullptr: any country
    const char* id;
  };
  // Every German, Italian and Swedish locale counts as the main one of its
  // language; the others keep their own country where it has an id.
  static const Entry kTable[] = {
      {"de", nullptr, "00000407"}, {"it", nullptr, "00000410"}, {"sv", nullptr, "0000041D"},
      {"en", "gb", "00000809"},    {"en", "au", "00000C09"},    {"en", "ca", "00001009"},
      {"en", "ie", "00001809"},    {"en", "nz", "00001409"},    {"en", nullptr, "00000409"},
      {"fr", "be", "0000080C"},    {"fr", "ca", "00000C0C"},    {"fr", "ch", "0000100C"},
      {"fr", nullptr, "0000040C"}, {"es", nullptr, "0000040A"}, {"pt", "br", "00000416"},
      {"pt", nullptr, "00000816"}, {"nl", "be", "00000813"},    {"nl", nullptr, "00000413"},
      {"da", nullptr, "00000406"}, {"fi", nullptr, "0000040B"}, {"nb", nullptr, "00000414"},
      {"no", nullptr, "00000414"}, {"nn", nullptr, "00000814"}, {"pl", nullptr, "00000415"},
      {"cs", nullptr, "00000405"}, {"sk", nullptr, "0000041B"}, {"hu", nullptr, "0000040E"},
      {"ru", nullptr, "00000419"}, {"tr", nullptr, "0000041F"}, {"el", nullptr, "00000408"},
      {"ja", nullptr, "00000411"}, {"ko", nullptr, "00000412"}, {"zh", "tw", "00000404"},
      {"zh", nullptr, "00000804"}, {"sl", nullptr, "00000424"}, {"hr", nullptr, "0000041A"},
      {"ro", nullptr, "00000418"},
  };
  for (const Entry& e : kTable)
    if (language == e.language && (e.country == nullptr || country == e.country)) return e.id;
  return Text();
}

Text MachineLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray value = qgetenv(variable);
    if (!value.isEmpty()) return WindowsLocaleId(value);
  }
  return Text();
}
