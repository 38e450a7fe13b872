#include "type_list.h"

#include <algorithm>

#include <QFileInfo>

#include "util/files.h"
#include "util/helpers.h"

namespace {

const char kStoreFailed[] = "Typliste!!\r";

Text ListIndexError(int32_t type) {
  return Text("Listenindex au\xDF" "erhalb des g\xFC" "ltigen Bereichs (") + Text::number(int64_t{type} - 1) + ')';
}

bool IsControlOrBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u <= 0x20 || u == 0x7F;
}

// Reads a type list file whole; refuses what cannot be a type list (a folder,
// a device, a huge file) before reading it.
bool ReadTypeListFile(const QString& path, Text* content, QString* error) {
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    if (error) *error = QStringLiteral("Keine Datei: %1").arg(path);
    return false;
  }
  if (info.exists() && info.size() > kMaxTypeListFileSize) {
    if (error) *error = QStringLiteral("Datei zu gro\u00DF f\u00FCr eine Typliste: %1").arg(path);
    return false;
  }
  return ReadWholeFile(path, content, error);
}

}  // namespace

OptionContent ReadOptionString(const Text& optionString) {
  const Text s = FixLength(optionString, kOptionStringLength);
  OptionContent content;
  for (int32_t bit = 0; bit < kOptionBitCount; ++bit) {
    const char c = s[bit];
    content.Bits[static_cast<std::size_t>(bit)] = c != ' ' && c != '0';
  }
  for (int32_t column = 1; column <= kDisplayCount; ++column)
    for (int32_t row = 1; row <= kDisplayRows; ++row)
      content.Display[static_cast<std::size_t>(column - 1)][static_cast<std::size_t>(row - 1)] =
          ParseInt(s.mid(DisplayCodePosition(column, row) - 1, 2));
  for (int32_t row = 1; row <= kPrintRows; ++row)
    content.Print[static_cast<std::size_t>(row - 1)] = ParseInt(s.mid(PrintCodePosition(row) - 1, 2));
  return content;
}

Text MakeOptionString(const OptionContent& content) {
  auto code = [](int32_t value) { return IntToStrZero(value >= 0 && value <= 99 ? value : 0, 2); };
  Text s(kOptionStringLength, ' ');
  for (int32_t bit = 0; bit < kOptionBitCount; ++bit)
    s[bit] = content.Bits[static_cast<std::size_t>(bit)] ? '1' : '0';
  for (int32_t column = 1; column <= kDisplayCount; ++column)
    for (int32_t row = 1; row <= kDisplayRows; ++row)
      s = PutField(code(content.Display[static_cast<std::size_t>(column - 1)][static_cast<std::size_t>(row - 1)]),
                   s, DisplayCodePosition(column, row), 2);
  for (int32_t row = 1; row <= kPrintRows; ++row)
    s = PutField(code(content.Print[static_cast<std::size_t>(row - 1)]), s, PrintCodePosition(row), 2);
  return s;
}

QList<Text> SplitTypeLines(const Text& content) {
  QList<Text> lines;
  qsizetype start = 0;
  const qsizetype size = content.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char c = content[i];
    if (c != '\r' && c != '\n') continue;
    lines.append(content.mid(start, i - start));
    if (c == '\r' && i + 1 < size && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < size) lines.append(content.mid(start));
  return lines;
}

Text JoinTypeLines(const QList<Text>& lines) {
  Text out;
  qsizetype total = 0;
  for (const Text& line : lines) total += line.size() + 2;
  out.reserve(total);
  for (const Text& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

TTypeList::LoadStatus TTypeList::Load(const QString& path, QString* error) {
  lines_.clear();
  if (!QFileInfo::exists(path)) return LoadStatus::Missing;
  Text content;
  if (!ReadTypeListFile(path, &content, error)) return LoadStatus::Failed;
  lines_ = SplitTypeLines(content);
  return LoadStatus::Loaded;
}

bool TTypeList::LoadOther(const QString& path, QString* error) {
  Text content;
  if (!ReadTypeListFile(path, &content, error)) return false;
  lines_ = SplitTypeLines(content);
  while (lines_.size() < kPaddedTypeLines) lines_.append(Text());
  return true;
}

bool TTypeList::Save(const QString& path, QString* error) const {
  return WriteWholeFile(path, JoinTypeLines(lines_), error);
}

Text TTypeList::Line(int32_t type) const {
  return HasLine(type) ? lines_[type - 1] : Text();
}

Text TTypeList::TypeName(int32_t type) const { return Line(type).left(kTypeNameLength); }

bool TTypeList::HasName(int32_t type) const {
  const Text name = TypeName(type);
  return std::any_of(name.begin(), name.end(), [](char c) { return !IsControlOrBlank(c); });
}

Text TTypeList::OptionStringOf(int32_t type) const {
  return FixLength(Line(type).mid(kTypeNameLength, 255), kOptionStringLength);
}

bool TTypeList::StoreEntry(int32_t type, const OptionContent& content, Text* message) {
  if (!HasLine(type)) {
    if (message) *message = kStoreFailed + ListIndexError(type);
    return false;
  }
  Text& line = lines_[type - 1];
  line = FixLength(line.left(kTypeNameLength), kTypeNameLength) + MakeOptionString(content);
  return true;
}

int32_t TTypeList::NextTypeNumber() const {
  qsizetype count = lines_.size();
  while (count > 0 && lines_[count - 1].isEmpty()) --count;
  return static_cast<int32_t>(count) + 1;
}

Text TTypeList::DefaultNewName() const { return IntToStrFill(NextTypeNumber(), 2, '0') + " Test"; }

int32_t TTypeList::AddEntry(const Text& name) {
  // Only the trailing empty lines go: removing one in the middle would give
  // every later type a new number, and instruments carry those numbers.
  while (!lines_.isEmpty() && lines_.last().isEmpty()) lines_.removeLast();
  Text line = name;
  line.replace('\r', ' ').replace('\n', ' ');
  lines_.append(line);
  return Count();
}

bool TTypeList::DeleteEntry(int32_t type, Text* message) {
  if (!HasLine(type)) {
    if (message) *message = ListIndexError(type);
    return false;
  }
  lines_.removeAt(type - 1);
  return true;
}
