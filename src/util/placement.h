#pragma once
// Window placements: every window restores where it was when it is shown and
// saves it when it closes. Stored as "Flags", "ShowCmd", "PixelsPerInch",
// "MinMaxPos" and "NormPos" ("left,top,right,bottom" of the normal rectangle),
// plus named component properties under component name + "_" + property
// ("list_dw1_Width"). The target is a key of the settings store (key + "\" +
// subkey) or a section of an INI file.
#include <functional>

#include <QList>
#include <QPair>
#include <QRect>
#include <QString>

#include "text.h"

class QWidget;
class SettingsStore;

// A component property stored with the placement.
struct PlacementProperty {
  Text name;  // value name: component + "_" + property
  std::function<Text()> get;
  std::function<void(const Text& value)> set;  // given only values that were stored
};
// The width of a component, under its objectName + "_Width".
PlacementProperty WidthProperty(QWidget* component);
// A text the window keeps in a variable (the last file name of a dialog).
PlacementProperty TextProperty(const Text& component, const Text& property, QString* value);

struct WindowPlacement {
  int32_t flags = 0;
  int32_t showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
  int32_t pixelsPerInch = 96;
  int32_t minMax[4] = {-1, -1, -1, -1};
  QRect normal;  // the normal rectangle, right and bottom exclusive as stored
};

WindowPlacement CapturePlacement(const QWidget* window);
// A rectangle off every screen keeps the window where it is; a minimised
// window comes back normal (it could not be found otherwise).
void ApplyPlacement(QWidget* window, const WindowPlacement& placement);

// The stored form of the values, and the way back (false: not a placement).
QList<QPair<Text, Text>> PlacementValues(const WindowPlacement& placement);
bool ParsePlacement(const std::function<Text(const Text& name, bool* found)>& read,
                    WindowPlacement* placement);

bool SavePlacement(QWidget* window, SettingsStore& store, const Text& key, const Text& subkey,
                   const QList<PlacementProperty>& extra = {});
// True when a stored placement was found and applied.
bool RestorePlacement(QWidget* window, const SettingsStore& store, const Text& key,
                      const Text& subkey, const QList<PlacementProperty>& extra = {});

bool SavePlacement(QWidget* window, const QString& iniPath, const Text& section,
                   const QList<PlacementProperty>& extra = {});
bool RestorePlacement(QWidget* window, const QString& iniPath, const Text& section,
                      const QList<PlacementProperty>& extra = {});

// The INI file named after the program file, next to the settings store
// ("<user config>/Setup720/Setup720.INI"): the home of the placement kept
// outside the store.
QString ProgramUserIniPath();
