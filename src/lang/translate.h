#pragma once
// Form translation: every translated window calls TranslateWindow when it is
// shown. The window's section (named after its objectName up to the first
// "_") is applied to the window and to its components, found by objectName
// without regard to case. The current language lives in one LanguageManager.
#include <cstdint>
#include <functional>
#include <optional>

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "language_file.h"
#include "util/text.h"

class QAction;
class QObject;
class QWidget;

// The language manager window, as far as the translation needs it.
class LanguageView {
 public:
  virtual ~LanguageView() = default;
  // New sections were loaded: select the first one and show its lines.
  virtual void SectionsLoaded() {}
  // Sections were added by collecting texts.
  virtual void SectionsChanged() {}
  virtual void SetCaption(const QString& /*languageFile*/) {}
  virtual void ShowManager() {}
};

class LanguageManager {
 public:
  // Where the program lives. Unset values are taken from the running program
  // on first use: SETUP720_HOME or the program's folder, "Setup720.INI" there,
  // QCoreApplication::arguments() and the program file's base name.
  void Configure(const QString& programDir, const QString& iniPath, const QStringList& arguments,
                 const Text& programBaseName);
  const QString& ProgramDir();
  const QString& IniPath();

  // ---- the current language ----
  LanguageSections Sections;
  QString LanguageFile;
  Text LanguageName;
  bool ManagerMode = false;
  bool SettingsLoaded = false;
  // The language menu table: entry i has the tag i + 1.
  QList<LanguageMenuEntry> MenuTable;

  // Told whenever LanguageName changes (the program-wide value lives above this layer).
  std::function<void(const Text& languageName)> LanguageNameChanged;
  void SetView(LanguageView* view) { view_ = view; }
  LanguageView* View() const { return view_; }

  void TranslateWindow(QObject* window);
  void LoadLanguageSettings();
  // False when there is no such file or it cannot be read; nothing changes then.
  bool LoadLanguageFile(const QString& path);
  bool SaveLanguageFile(const QString& path, QString* error = nullptr);
  // The handler of the language menu items (the tag is the item's data). False
  // when the tag is unknown or the choice could not be stored in the INI
  // file; a choice that could not be stored still applies to this run.
  bool ChooseLanguage(QAction* item);
  bool ChooseLanguage(int32_t tag);
  // Fills the main window's empty "Sprache" menu from the language files.
  void BuildLanguageMenu(QWidget* mainWindow);
  void ApplyEntry(const Text& line, QObject* window);
  // Adds the window's missing texts to its section; the section's index, -1
  // for a window without a name.
  qsizetype CollectTexts(QObject* window);

  QWidget* MainWindow() const { return mainWindow_; }

  // Back to the state at start (for tests); the configuration is dropped too.
  void Reset();

 private:
  void EnsureConfigured();
  void SetLanguageName(const Text& name);
  void LoadSettings(const std::optional<QString>& fileSetting);
  void ApplySection(QObject* window, qsizetype section);

  QString programDir_;
  QString iniPath_;
  QStringList arguments_;
  Text programBaseName_;
  bool argumentsSet_ = false;
  LanguageView* view_ = nullptr;
  QPointer<QWidget> mainWindow_;
};

// The program's one language manager.
LanguageManager& Language();

void TranslateWindow(QWidget* window);
void TranslateWindow(QObject* window);  // owners that are not widgets (no caption)

// Texts at the widget boundary: CR LF (and a lone CR) become the newline that
// widgets break lines on, and back.
QString ToWidgetText(const Text& text);
Text FromWidgetText(const QString& text);
