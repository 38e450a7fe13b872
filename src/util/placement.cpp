#include "placement.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "files.h"
#include "inifile.h"
#include "settings_store.h"

namespace {

[[maybe_unused]] constexpr int32_t kShowNormal = 1;  // the value a normal window stores
constexpr int32_t kShowMinimized = 2;
constexpr int32_t kShowMaximized = 3;
constexpr int32_t kRestoreToMaximized = 2;  // flag: a minimised window was maximised before
constexpr int kMaxExtent = 32767;
constexpr int32_t kMaxCoordinate = 1000000;

bool ParseWhole(const Text& text, int32_t* value) {
  const Text s = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > 2147483647LL) return false;
  }
  *value = static_cast<int32_t>(negative ? -v : v);
  return true;
}

bool ParseFour(const Text& text, int32_t out[4]) {
  const QList<QByteArray> parts = text.split(',');
  if (parts.size() != 4) return false;
  for (int i = 0; i < 4; ++i)
    if (!ParseWhole(parts[i], &out[i])) return false;
  return true;
}

Text JoinFour(const int32_t v[4]) {
  return Text::number(v[0]) + ',' + Text::number(v[1]) + ',' + Text::number(v[2]) + ',' +
         Text::number(v[3]);
}

void ApplyExtras(const QList<PlacementProperty>& extra,
                 const std::function<Text(const Text& name, bool* found)>& read) {
  for (const PlacementProperty& p : extra) {
    bool found = false;
    const Text value = read(p.name, &found);
    if (found && p.set) p.set(value);
  }
}

QList<QPair<Text, Text>> AllValues(QWidget* window, const QList<PlacementProperty>& extra) {
  QList<QPair<Text, Text>> values = PlacementValues(CapturePlacement(window));
  for (const PlacementProperty& p : extra)
    if (p.get) values.append({p.name, p.get()});
  return values;
}

}  // namespace

PlacementProperty WidthProperty(QWidget* component) {
  return PlacementProperty{
      FromQt(component->objectName()) + "_Width",
      [component] { return Text::number(component->width()); },
      [component](const Text& value) {
        int32_t width = 0;
        if (ParseWhole(value, &width) && width > 0 && width <= kMaxExtent)
          component->resize(width, component->height());
      }};
}

PlacementProperty TextProperty(const Text& component, const Text& property, QString* value) {
  return PlacementProperty{component + "_" + property, [value] { return FromQt(*value); },
                           [value](const Text& text) { *value = ToQt(text); }};
}

WindowPlacement CapturePlacement(const QWidget* window) {
  WindowPlacement p;
  const Qt::WindowStates state = window->windowState();
  if (state & Qt::WindowMinimized) {
    p.showCmd = kShowMinimized;
    if (state & Qt::WindowMaximized) p.flags = kRestoreToMaximized;
  } else if (state & Qt::WindowMaximized) {
    p.showCmd = kShowMaximized;
    p.minMax[2] = window->geometry().x();
    p.minMax[3] = window->geometry().y();
  }
  if (const QScreen* screen = window->screen()) p.pixelsPerInch = qRound(screen->logicalDotsPerInch());
  // Child windows have no normal geometry of their own; their rectangle is it.
  QRect r = window->isWindow() ? window->normalGeometry() : QRect();
  if (r.isEmpty()) r = window->geometry();
  p.normal = r;
  return p;
}

void ApplyPlacement(QWidget* window, const WindowPlacement& placement) {
  const QRect r = placement.normal;
  if (r.width() > 0 && r.height() > 0 && r.width() <= kMaxExtent && r.height() <= kMaxExtent) {
    bool onScreen = !window->isWindow();
    if (!onScreen)
      for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(r);
    const bool fixedSize = window->minimumSize() == window->maximumSize();
    if (onScreen) {
      if (fixedSize) window->move(r.topLeft());
      else window->setGeometry(r);
    } else if (!fixedSize) {
      window->resize(r.size());
    }
  }
  Qt::WindowStates state = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (placement.showCmd == kShowMaximized ||
      (placement.showCmd == kShowMinimized && (placement.flags & kRestoreToMaximized)))
    state |= Qt::WindowMaximized;
  window->setWindowState(state);
}

QList<QPair<Text, Text>> PlacementValues(const WindowPlacement& placement) {
  const QRect& r = placement.normal;
  const int32_t norm[4] = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
  return {{"Flags", Text::number(placement.flags)},
          {"ShowCmd", Text::number(placement.showCmd)},
          {"PixelsPerInch", Text::number(placement.pixelsPerInch)},
          {"MinMaxPos", JoinFour(placement.minMax)},
          {"NormPos", JoinFour(norm)}};
}

bool ParsePlacement(const std::function<Text(const Text& name, bool* found)>& read,
                    WindowPlacement* placement) {
  bool found = false;
  int32_t norm[4];
  if (!ParseFour(read("NormPos", &found), norm) || !found) return false;
  // Right and bottom are exclusive. Coordinates far off any desktop are not
  // a placement (and would overflow the rectangle).
  for (int32_t v : norm)
    if (v < -kMaxCoordinate || v > kMaxCoordinate) return false;
  if (norm[2] - norm[0] <= 0 || norm[2] - norm[0] > kMaxExtent || norm[3] - norm[1] <= 0 ||
      norm[3] - norm[1] > kMaxExtent)
    return false;
  WindowPlacement p;
  p.normal = QRect(norm[0], norm[1], norm[2] - norm[0], norm[3] - norm[1]);
  int32_t value = 0;
  if (ParseWhole(read("Flags", &found), &value)) p.flags = value;
  if (ParseWhole(read("ShowCmd", &found), &value)) p.showCmd = value;
  if (ParseWhole(read("PixelsPerInch", &found), &value)) p.pixelsPerInch = value;
  int32_t minMax[4];
  if (ParseFour(read("MinMaxPos", &found), minMax)) std::copy(minMax, minMax + 4, p.minMax);
  *placement = p;
  return true;
}

bool SavePlacement(QWidget* window, SettingsStore& store, const Text& key, const Text& subkey,
                   const QList<PlacementProperty>& extra) {
  return store.WriteStrings(key + '\\' + subkey, AllValues(window, extra));
}

bool RestorePlacement(QWidget* window, const SettingsStore& store, const Text& key,
                      const Text& subkey, const QList<PlacementProperty>& extra) {
  const Text path = key + '\\' + subkey;
  const auto read = [&](const Text& name, bool* found) { return store.ReadString(path, name, found); };
  WindowPlacement p;
  const bool placed = ParsePlacement(read, &p);
  if (placed) ApplyPlacement(window, p);
  ApplyExtras(extra, read);
  return placed;
}

bool SavePlacement(QWidget* window, const QString& iniPath, const Text& section,
                   const QList<PlacementProperty>& extra) {
  // A file that is there but cannot be read is not replaced by one section.
  if (QFileInfo::exists(iniPath) && !ReadWholeFile(iniPath, nullptr)) return false;
  IniFile ini(iniPath);
  for (const auto& [name, value] : AllValues(window, extra)) ini.WriteString(section, name, value);
  if (!QDir().mkpath(QFileInfo(iniPath).absolutePath())) return false;
  return ini.UpdateFile();
}

bool RestorePlacement(QWidget* window, const QString& iniPath, const Text& section,
                      const QList<PlacementProperty>& extra) {
  const IniFile ini(iniPath);
  const auto read = [&](const Text& name, bool* found) {
    *found = ini.ValueExists(section, name);
    return ini.ReadString(section, name, Text());
  };
  WindowPlacement p;
  const bool placed = ParsePlacement(read, &p);
  if (placed) ApplyPlacement(window, p);
  ApplyExtras(extra, read);
  return placed;
}

QString ProgramUserIniPath() {
  const QString folder = QFileInfo(SettingsStore::DefaultPath()).absolutePath();
  QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
  if (name.isEmpty()) name = QStringLiteral("Setup720");
  return folder + "/" + name + ".INI";
}
