#pragma once
// TFormlang, "Sprachverwaltung": the translator's window over the sections of
// the current language. It edits Language().Sections in place, so a change
// is used the next time a window is shown. Created once at start and hidden;
// the language manager shows it in manager mode ("-CL"). "Ende" and the close
// box only hide it.
#include <QList>
#include <QWidget>

#include "translate.h"
#include "util/dialogs.h"
#include "util/text.h"

class QAction;
class QListWidget;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;

class TFormlang : public QWidget, public LanguageView {
  Q_OBJECT
 public:
  // Registers itself as the language manager's view.
  explicit TFormlang(QWidget* parent = nullptr);
  ~TFormlang() override;

  // LanguageView
  void SectionsLoaded() override;
  void SectionsChanged() override;
  void SetCaption(const QString& languageFile) override;
  void ShowManager() override;

  bool Modified() const { return modified_; }
  // The selected section's index, -1 when none is selected.
  int SelectedSection() const;
  // The text area's lines as they would be copied back.
  QList<Text> MemoLines() const;

  QMenuBar* MainMenu;
  QMenu* Datei1;
  QMenu* Text1;
  QMenu* Liste1;
  QAction* ffnen1;
  QAction* Speichernals1;
  QAction* Speichernals2;
  QAction* N1;
  QAction* Ende1;
  QAction* MnUpdate;
  QAction* Eintraglschen1;
  QListWidget* FormList;
  QSplitter* Splitter1;
  QPlainTextEdit* Memo;
  TFileDialog OpenDialogx{FileDialogKind::Open, "lng",
                          "Sprach-Datei -*.lng|*.lng|Alle Dateien|*.*"};
  TFileDialog SaveDialog{FileDialogKind::Save, "lng",
                         "Sprach-Datei -*.lng|*.lng|Alle Dateien|*.*"};

 public slots:
  void FormListClick();
  void UpdateClick();      // "Updaten"
  void DeleteClick();      // "Eintrag löschen"
  void OpenClick();        // "Öffnen"
  void SaveClick();        // "Speichern"
  void SaveAsClick();      // "Speichern als"
  void EndClick();         // "Ende"

 private:
  void RebuildList(int select);
  void ShowSection(int index);
  bool SaveTo(const QString& path);

  QString programDir_;
  bool modified_ = false;
  bool filling_ = false;  // the list or the text area is being filled by the program
};

// The one manager window (created at start); null before that.
TFormlang* Formlang();
// Creates the window, hidden, unless it exists.
TFormlang* CreateFormlang(QWidget* parent = nullptr);
// Creates it if needed and shows it.
TFormlang* OpenFormlang();
