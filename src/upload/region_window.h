#pragma once
// TFormRegion ("Sprachregion wählen"): before an upload the user picks which
// regional variant of the binary firmware to load. The window lists the
// candidate files next to the program image, shows the display languages of
// the one selected (from the language table at the start of the file) and
// makes the chosen file the binary firmware file. It exists from the start
// of the program to its end and is shown modally for each choice.
#include <cstdint>

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include "util/text.h"

class QLabel;
class QListWidget;
class QPushButton;

// ---- the region file header without widgets ----

// How much of a region file the language table may address.
inline constexpr qsizetype kRegionHeaderSize = 65536;

// The language names of a region file, from its first bytes (at most
// kRegionHeaderSize are looked at). Header format at offset 2 (3: table at 67,
// 4 bytes an entry; 4: table at 70, 6 bytes an entry), count at offset 64;
// an entry's first two bytes are the name's offset, little-endian; a name
// ends at a zero byte or at the end of the data. An empty name repeats the
// one before (an empty line for the first). False for any other format.
bool RegionLanguages(const QByteArray& header, QList<Text>* names);

// ---- the choice without widgets ----

// The candidates of the region choice: RegionCandidates of Glb->HexFileDir.
QStringList RegionChoiceCandidates();
// Step 6 of the choice: candidates[row] in HexFileDir becomes
// Glb->BinFilePath and row is stored as "KONFIG"/"Region" (not when the INI
// file is there but unreadable). False, with nothing changed, for a row
// outside the list.
bool ApplyRegionChoice(const QStringList& candidates, int32_t row);
// The choice by file name (the command line): the candidate of that name,
// compared without regard to case as the candidates are found. False when it
// is none.
bool ApplyRegionChoice(const QString& fileName);

// ---- the window ----

class TFormRegion : public QDialog {
  Q_OBJECT
 public:
  explicit TFormRegion(QWidget* parent = nullptr);

  // The region choice: true when the upload may go on (a file was chosen, or
  // there were fewer than two to choose from), false when the user cancelled.
  // A chosen file becomes Glb->BinFilePath and its position is stored as
  // "KONFIG"/"Region" in the program's INI file.
  bool ChooseRegion();

  // Shows the languages of the entry selected in ListBoxRegionMain.
  void ShowSelectedLanguages();

  QLabel* Label1;
  QLabel* Label2;
  QListWidget* ListBoxRegionMain;
  QListWidget* ListBoxRegion;
  QPushButton* BitBtnOK;
  QPushButton* BitBtn2;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  bool shownOnce_ = false;
};

// The one region window, created on first use.
TFormRegion* FormRegion();
