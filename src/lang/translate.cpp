#include "translate.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "util/helpers.h"
#include "util/msgtable.h"

namespace {

enum class Kind {
  Label,
  Button,  // push button, tool button, flat speed button
  CheckBox,
  GroupBox,
  Action,  // menu item or toolbar button
  Menu,    // menu item with sub-items
  TabPage,
  ComboBox,
  ListBox,
  Table,  // message table
  Other
};

struct Component {
  QObject* object;
  Text name;
  Text upperName;
  Kind kind;
};

QTabWidget* TabWidgetOf(QWidget* page) {
  auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
  auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
  return tabs && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

Kind KindOf(QObject* object) {
  if (qobject_cast<MessageTable*>(object)) return Kind::Table;
  if (qobject_cast<QAction*>(object)) return Kind::Action;
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return Kind::Other;
  if (qobject_cast<QMenu*>(widget)) return Kind::Menu;
  if (TabWidgetOf(widget)) return Kind::TabPage;
  if (qobject_cast<QLabel*>(widget)) return Kind::Label;
  if (qobject_cast<QCheckBox*>(widget)) return Kind::CheckBox;
  if (qobject_cast<QPushButton*>(widget) || qobject_cast<QToolButton*>(widget)) return Kind::Button;
  if (qobject_cast<QGroupBox*>(widget)) return Kind::GroupBox;
  if (qobject_cast<QComboBox*>(widget)) return Kind::ComboBox;
  if (qobject_cast<QListWidget*>(widget)) return Kind::ListBox;
  return Kind::Other;
}

// Windows inside a window (MDI children, dialogs) have components of their own.
bool IsOtherWindow(QObject* object) {
  if (qobject_cast<QMdiSubWindow*>(object)) return true;
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget || !widget->isWindow()) return false;
  const Qt::WindowType type = widget->windowType();
  return type == Qt::Window || type == Qt::Dialog || type == Qt::Sheet;
}

void AddComponents(QObject* parent, QList<Component>& out) {
  for (QObject* child : parent->children()) {
    if (IsOtherWindow(child)) continue;
    const QString name = child->objectName();
    // Qt's own helper objects carry names beginning with "qt_".
    if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) {
      const Text text = FromQt(name);
      out.append(Component{child, text, UpperPlainAscii(text), KindOf(child)});
    }
    AddComponents(child, out);
  }
}

// The components of a window in creation order (depth first).
QList<Component> Components(QObject* window) {
  QList<Component> out;
  AddComponents(window, out);
  return out;
}

const Component* FindComponent(const QList<Component>& components, const Text& name) {
  if (name.isEmpty()) return nullptr;
  const Text upper = UpperPlainAscii(name);
  for (const Component& component : components)
    if (component.upperName == upper) return &component;
  return nullptr;
}

bool InToolBar(QAction* action) {
  const QList<QObject*> owners = action->associatedObjects();
  return std::any_of(owners.begin(), owners.end(),
                     [](QObject* owner) { return qobject_cast<QToolBar*>(owner) != nullptr; });
}

// An action without a tool tip of its own reports its text; that is no hint.
QString OwnToolTip(QAction* action) {
  QAction plain(action->text());
  const QString tip = action->toolTip();
  return tip == plain.toolTip() ? QString() : tip;
}

void SetCaption(const Component& c, const QString& text) {
  switch (c.kind) {
    case Kind::Label: static_cast<QLabel*>(c.object)->setText(text); break;
    case Kind::Button:
    case Kind::CheckBox: static_cast<QAbstractButton*>(c.object)->setText(text); break;
    case Kind::GroupBox: static_cast<QGroupBox*>(c.object)->setTitle(text); break;
    case Kind::Action: static_cast<QAction*>(c.object)->setText(text); break;
    case Kind::Menu: static_cast<QMenu*>(c.object)->setTitle(text); break;
    case Kind::TabPage: {
      auto* page = static_cast<QWidget*>(c.object);
      QTabWidget* tabs = TabWidgetOf(page);
      tabs->setTabText(tabs->indexOf(page), text);
      break;
    }
    default: break;
  }
}

void SetHint(const Component& c, const QString& text) {
  switch (c.kind) {
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::GroupBox: static_cast<QWidget*>(c.object)->setToolTip(text); break;
    case Kind::Action: static_cast<QAction*>(c.object)->setToolTip(text); break;
    case Kind::Menu: static_cast<QMenu*>(c.object)->menuAction()->setToolTip(text); break;
    case Kind::TabPage: {
      auto* page = static_cast<QWidget*>(c.object);
      QTabWidget* tabs = TabWidgetOf(page);
      tabs->setTabToolTip(tabs->indexOf(page), text);
      break;
    }
    default: break;  // labels take no hint
  }
}

QString Caption(const Component& c) {
  switch (c.kind) {
    case Kind::Label: return static_cast<QLabel*>(c.object)->text();
    case Kind::Button:
    case Kind::CheckBox: return static_cast<QAbstractButton*>(c.object)->text();
    case Kind::GroupBox: return static_cast<QGroupBox*>(c.object)->title();
    case Kind::Action: return static_cast<QAction*>(c.object)->text();
    case Kind::Menu: return static_cast<QMenu*>(c.object)->title();
    case Kind::TabPage: {
      auto* page = static_cast<QWidget*>(c.object);
      QTabWidget* tabs = TabWidgetOf(page);
      return tabs->tabText(tabs->indexOf(page));
    }
    default: return QString();
  }
}

QString Hint(const Component& c) {
  switch (c.kind) {
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::GroupBox:
    case Kind::ComboBox: return static_cast<QWidget*>(c.object)->toolTip();
    case Kind::Action: return OwnToolTip(static_cast<QAction*>(c.object));
    default: return QString();
  }
}

void ApplyLine(const Text& line, QObject* window, const Text& baseName,
               const QList<Component>& components) {
  const LanguageEntry entry = SplitEntry(line);
  const Text value = ValueToText(entry.value);
  int32_t index = -1;
  const EntryProperty property = ClassifyProperty(entry.property, &index);
  if (property == EntryProperty::Caption && !baseName.isEmpty() && entry.component == baseName)
    if (auto* widget = qobject_cast<QWidget*>(window)) widget->setWindowTitle(ToWidgetText(value));
  const Component* c = FindComponent(components, entry.component);
  if (!c) return;
  switch (property) {
    case EntryProperty::Caption: SetCaption(*c, ToWidgetText(value)); break;
    case EntryProperty::Hint: SetHint(*c, ToWidgetText(value)); break;
    case EntryProperty::Item:
      if (c->kind == Kind::ComboBox) {
        auto* combo = static_cast<QComboBox*>(c->object);
        if (index >= 0 && index < combo->count()) combo->setItemText(index, ToWidgetText(value));
      }
      break;
    case EntryProperty::Strings:
      if (c->kind == Kind::Table) {
        auto* table = static_cast<MessageTable*>(c->object);
        if (index >= 0 && index < table->Count()) table->SetItem(index, value);
      }
      break;
    case EntryProperty::Items:
      if (c->kind == Kind::ListBox) {
        auto* list = static_cast<QListWidget*>(c->object);
        if (index >= 0 && index < list->count()) list->item(index)->setText(ToWidgetText(value));
      }
      break;
    case EntryProperty::Other: break;
  }
}

Text BaseNameOf(const QObject* window) { return WindowBaseName(FromQt(window->objectName())); }

QString WithSeparator(QString dir) {
  if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir;
}

}  // namespace

QString ToWidgetText(const Text& text) {
  QString s = ToQt(text);
  if (s.contains(QLatin1Char('\r'))) {
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  }
  return s;
}

Text FromWidgetText(const QString& text) {
  Text s = FromQt(text);
  if (s.contains('\r')) {
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
  }
  s.replace("\n", "\r\n");
  return s;
}

void LanguageManager::Configure(const QString& programDir, const QString& iniPath,
                                const QStringList& arguments, const Text& programBaseName) {
  programDir_ = WithSeparator(programDir);
  iniPath_ = iniPath;
  arguments_ = arguments;
  argumentsSet_ = true;
  programBaseName_ = programBaseName;
}

void LanguageManager::EnsureConfigured() {
  if (programDir_.isEmpty()) {
    const QString home = qEnvironmentVariable("SETUP720_HOME");
    programDir_ = WithSeparator(home.isEmpty() ? QCoreApplication::applicationDirPath() : home);
  }
  if (iniPath_.isEmpty()) iniPath_ = programDir_ + QStringLiteral("Setup720.INI");
  if (!argumentsSet_) {
    arguments_ = QCoreApplication::arguments();
    argumentsSet_ = true;
  }
  if (programBaseName_.isEmpty())
    programBaseName_ = ProgramBaseName(QCoreApplication::applicationFilePath());
}

const QString& LanguageManager::ProgramDir() {
  EnsureConfigured();
  return programDir_;
}

const QString& LanguageManager::IniPath() {
  EnsureConfigured();
  return iniPath_;
}

void LanguageManager::SetLanguageName(const Text& name) {
  LanguageName = name;
  if (LanguageNameChanged) LanguageNameChanged(LanguageName);
}

void LanguageManager::TranslateWindow(QObject* window) {
  if (!window) return;
  if (!SettingsLoaded) LoadLanguageSettings();
  const Text baseName = BaseNameOf(window);
  qsizetype section = baseName.isEmpty() ? -1 : Sections.Find(baseName);
  if (auto* main = qobject_cast<QMainWindow*>(window)) BuildLanguageMenu(main);
  if (ManagerMode) section = CollectTexts(window);
  if (section >= 0) ApplySection(window, section);
  // MDI children open inside this window get their own sections.
  const QList<QMdiArea*> areas = window->findChildren<QMdiArea*>();
  for (QMdiArea* area : areas) {
    const QList<QMdiSubWindow*> children = area->subWindowList();
    for (QMdiSubWindow* sub : children) {
      QWidget* child = sub->widget();
      if (!child) continue;
      const Text childBase = BaseNameOf(child);
      const qsizetype childSection = childBase.isEmpty() ? -1 : Sections.Find(childBase);
      if (childSection >= 0) ApplySection(child, childSection);
    }
  }
}

void LanguageManager::ApplySection(QObject* window, qsizetype section) {
  const Text baseName = BaseNameOf(window);
  const QList<Component> components = Components(window);
  // A copy: applying may run code that changes the sections.
  const QList<Text> lines = Sections.sections[section].lines;
  for (const Text& line : lines) ApplyLine(line, window, baseName, components);
}

void LanguageManager::ApplyEntry(const Text& line, QObject* window) {
  if (!window) return;
  ApplyLine(line, window, BaseNameOf(window), Components(window));
}

void LanguageManager::LoadLanguageSettings() { LoadSettings(std::nullopt); }

void LanguageManager::LoadSettings(const std::optional<QString>& fileSetting) {
  EnsureConfigured();
  SettingsLoaded = true;
  const LanguageSettings settings = ReadLanguageSettings(iniPath_);
  LanguageFile = fileSetting ? *fileSetting : settings.languageFile;
  SetLanguageName(settings.languageName);
  const LanguageSwitches switches =
      EvaluateLanguageSwitches(arguments_, LanguageFile, programDir_, programBaseName_);
  LanguageFile = CompleteLanguagePath(switches.languageFile, programDir_);
  if (switches.managerMode) ManagerMode = true;
  if (!LanguageFile.isEmpty()) {
    QString found = FindFileNoCase(LanguageFile);
    if (found.isEmpty()) {
      const QString fallback = FallbackLanguageFile(programDir_, programBaseName_);
      found = FindFileNoCase(fallback);
      if (found.isEmpty()) found = fallback;
    }
    LanguageFile = found;
  }
  LoadLanguageFile(LanguageFile);
  if (view_) view_->SetCaption(LanguageFile);
  if (ManagerMode && view_) view_->ShowManager();
}

bool LanguageManager::LoadLanguageFile(const QString& path) {
  const QString found = FindFileNoCase(path);
  if (found.isEmpty()) return false;
  LanguageSections loaded;
  Text firstLine;
  if (!ReadLanguageFile(found, &loaded, &firstLine)) return false;
  Sections = std::move(loaded);
  SetLanguageName(UpperPlainAscii(firstLine));
  if (view_) view_->SectionsLoaded();
  return true;
}

bool LanguageManager::SaveLanguageFile(const QString& path, QString* error) {
  return WriteLanguageFile(path, Sections, error);
}

bool LanguageManager::ChooseLanguage(QAction* item) {
  return item && ChooseLanguage(item->data().toInt());
}

bool LanguageManager::ChooseLanguage(int32_t tag) {
  if (tag < 1 || tag > MenuTable.size()) return false;
  const QString fileName = MenuTable[tag - 1].fileName;
  EnsureConfigured();
  const bool stored = WriteLanguageFileSetting(iniPath_, fileName);
  // Read back from the INI file, so a file named on the command line still
  // wins; when the file could not be written, the choice applies all the same.
  LoadSettings(stored ? std::nullopt : std::optional<QString>(fileName));
  const bool storedAll = WriteLanguageSettings(iniPath_, fileName, LanguageName);
  if (mainWindow_) TranslateWindow(mainWindow_.data());
  return stored && storedAll;
}

void LanguageManager::BuildLanguageMenu(QWidget* mainWindow) {
  if (!mainWindow) return;
  QMenuBar* bar = nullptr;
  if (auto* main = qobject_cast<QMainWindow*>(mainWindow))
    bar = qobject_cast<QMenuBar*>(main->menuWidget());
  if (!bar) bar = mainWindow->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
  if (!bar) return;
  QMenu* languageMenu = nullptr;
  const QList<QAction*> topItems = bar->actions();
  for (QAction* top : topItems) {
    QMenu* menu = top->menu();
    const Text caption = FromQt(top->text());
    if (menu && (caption == "&Sprache" || caption == "S&prache") && menu->actions().isEmpty()) {
      languageMenu = menu;
      break;
    }
  }
  if (!languageMenu) return;
  mainWindow_ = mainWindow;
  MenuTable = ScanLanguageFiles(ProgramDir());
  for (qsizetype i = MenuTable.size() - 1; i >= 0; --i) {
    QAction* item = languageMenu->addAction(ToWidgetText(MenuTable[i].name));
    item->setObjectName(QStringLiteral("MnSprache") + QString::number(i));
    item->setData(static_cast<int>(i + 1));
    QObject::connect(item, &QAction::triggered, item, [this, item] { ChooseLanguage(item); });
  }
}

qsizetype LanguageManager::CollectTexts(QObject* window) {
  if (!window) return -1;
  const Text baseName = BaseNameOf(window);
  if (baseName.isEmpty()) return -1;
  qsizetype section = Sections.Find(baseName);
  bool changed = false;
  if (section < 0) {
    section = Sections.Add(baseName);
    changed = true;
  }
  QList<Text>& lines = Sections.sections[section].lines;
  QSet<Text> keys;
  for (const Text& line : lines) keys.insert(EntryKey(line));
  auto add = [&](const Text& component, const Text& property, const Text& text) {
    const Text value = TextToValue(text);
    if (!HasText(value)) return;
    // Separators before a value are skipped on reading, so such a text would
    // come back changed (a "..." caption would come back empty).
    if (value.startsWith('.') || value.startsWith('=')) return;
    const Text key = component + "." + property;
    if (keys.contains(key)) return;
    keys.insert(key);
    lines.append(key + "=" + value);
    changed = true;
  };

  if (auto* widget = qobject_cast<QWidget*>(window))
    add(baseName, "Caption", FromWidgetText(widget->windowTitle()));
  const QList<Component> components = Components(window);
  auto each = [&](auto&& step) {
    for (const Component& c : components) step(c);
  };
  each([&](const Component& c) {
    if (c.kind == Kind::Label) add(c.name, "Caption", FromWidgetText(Caption(c)));
  });
  each([&](const Component& c) {
    const bool toolbarButton =
        c.kind == Kind::Action && InToolBar(static_cast<QAction*>(c.object));
    if (c.kind == Kind::Button || toolbarButton) {
      add(c.name, "Caption", FromWidgetText(Caption(c)));
      add(c.name, "Hint", FromWidgetText(Hint(c)));
    }
  });
  each([&](const Component& c) {
    if (c.kind == Kind::GroupBox) add(c.name, "Caption", FromWidgetText(Caption(c)));
  });
  each([&](const Component& c) {
    if (c.kind == Kind::Action && !static_cast<QAction*>(c.object)->isSeparator())
      add(c.name, "Caption", FromWidgetText(Caption(c)));
    else if (c.kind == Kind::Menu)
      add(c.name, "Caption", FromWidgetText(Caption(c)));
  });
  each([&](const Component& c) {
    if (c.kind == Kind::TabPage) add(c.name, "Caption", FromWidgetText(Caption(c)));
  });
  each([&](const Component& c) {
    if (c.kind == Kind::CheckBox) {
      add(c.name, "Hint", FromWidgetText(Hint(c)));
      add(c.name, "Caption", FromWidgetText(Caption(c)));
    }
  });
  each([&](const Component& c) {
    if (c.kind != Kind::ComboBox) return;
    auto* combo = static_cast<QComboBox*>(c.object);
    add(c.name, "Hint", FromWidgetText(Hint(c)));
    for (int i = 0; i < combo->count(); ++i)
      add(c.name, "Item[" + Text::number(i) + "]", FromWidgetText(combo->itemText(i)));
  });
  each([&](const Component& c) {
    if (c.kind != Kind::Table) return;
    auto* table = static_cast<MessageTable*>(c.object);
    for (int i = 0; i < table->Count(); ++i)
      add(c.name, "Strings[" + Text::number(i) + "]", table->Item(i));
  });
  each([&](const Component& c) {
    if (c.kind != Kind::ListBox) return;
    auto* list = static_cast<QListWidget*>(c.object);
    for (int i = 0; i < list->count(); ++i)
      add(c.name, "Items[" + Text::number(i) + "]", FromWidgetText(list->item(i)->text()));
  });
  if (changed && view_) view_->SectionsChanged();
  return section;
}

void LanguageManager::Reset() {
  Sections.Clear();
  LanguageFile.clear();
  LanguageName.clear();
  ManagerMode = false;
  SettingsLoaded = false;
  MenuTable.clear();
  LanguageNameChanged = nullptr;
  programDir_.clear();
  iniPath_.clear();
  arguments_.clear();
  argumentsSet_ = false;
  programBaseName_.clear();
  view_ = nullptr;
  mainWindow_.clear();
}

LanguageManager& Language() {
  static LanguageManager manager;
  return manager;
}

void TranslateWindow(QWidget* window) { Language().TranslateWindow(window); }
void TranslateWindow(QObject* window) { Language().TranslateWindow(window); }
