#pragma once
// TFormListe, "Prog Listen": the developer's view of the firmware's link map
// (map_analysis.h does the work). The map file's name is the configuration
// value MAPFILE; a file chosen with the browse button is saved there and
// analysed a few seconds later, when the timer's countdown has run out.
#include "link/child_window.h"
#include "map_analysis.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;

class TFormListe : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormListe(QWidget* parent = nullptr);

  QLabel* Label1;  // the panel title "Speicheranalyse"
  QLineEdit* EditMapfile;
  QToolButton* BtMapfile;  // the browse button of EditMapfile
  QPushButton* BtGerafft;
  QPushButton* BtDetails;
  QPlainTextEdit* Memomap;
  QTimer* Timermap;
  int Countdown = 0;  // seconds left before the chosen file is analysed

  static constexpr int kCountdown = 5;

 public slots:
  // Reads the file named in EditMapfile and shows its report.
  void Analyse(MapReportMode mode);
  void BtGerafftClick() { Analyse(MapReportMode::Condensed); }
  void BtDetailsClick() { Analyse(MapReportMode::Details); }
  void BrowseClick();
  void TimermapTimer();

 protected:
  void FirstShown() override;
};

TFormListe* OpenFormListe();
