#include "map_window.h"

#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "link/configuration.h"
#include "link/glb.h"
#include "util/dialogs.h"
#include "util/msgbox.h"

namespace {

QFont FixedPitchFont(const char* family) {
  QFont font(QString::fromLatin1(family));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);  // where the family is missing, a fixed-pitch one stands in
  return font;
}

void ReportSaveFailure() {
  if (!SaveConfiguration())
    ShowError("Die Konfiguration konnte nicht in " + FromQt(Glb->IniPath()) +
              " gespeichert werden.");
}

}  // namespace

TFormListe::TFormListe(QWidget* parent) : TChildForm("FormListe", "SETUP720", "PROGLISTEN", parent) {
  SetTranslated(false);
  setWindowTitle("Prog Listen");
  resize(488, 420);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameShape(QFrame::StyledPanel);
  Label1 = new QLabel("Speicheranalyse", panel);
  Label1->setObjectName("Label1");
  QFont titleFont = Label1->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
  Label1->setFont(titleFont);
  QPalette titlePalette = Label1->palette();
  titlePalette.setColor(QPalette::WindowText, QColor(128, 0, 0));
  Label1->setPalette(titlePalette);

  EditMapfile = new QLineEdit(panel);
  EditMapfile->setObjectName("EditMapfile");
  BtMapfile = new QToolButton(panel);
  BtMapfile->setObjectName("BtMapfile");
  BtMapfile->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  BtGerafft = new QPushButton("Gerafft", panel);
  BtGerafft->setObjectName("BtGerafft");
  BtDetails = new QPushButton("Details", panel);
  BtDetails->setObjectName("BtDetails");

  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->addWidget(Label1, 0, 0, 1, 4);
  grid->addWidget(EditMapfile, 1, 0);
  grid->addWidget(BtMapfile, 1, 1);
  grid->addWidget(BtGerafft, 1, 2);
  grid->addWidget(BtDetails, 1, 3);
  grid->setColumnStretch(0, 1);

  Memomap = new QPlainTextEdit(this);
  Memomap->setObjectName("Memomap");
  Memomap->setReadOnly(true);
  Memomap->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memomap->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memomap->setFont(FixedPitchFont("Fixedsys"));

  Timermap = new QTimer(this);
  Timermap->setObjectName("Timermap");
  Timermap->setInterval(1000);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(panel);
  layout->addWidget(Memomap, 1);

  connect(BtGerafft, &QPushButton::clicked, this, &TFormListe::BtGerafftClick);
  connect(BtDetails, &QPushButton::clicked, this, &TFormListe::BtDetailsClick);
  connect(BtMapfile, &QToolButton::clicked, this, &TFormListe::BrowseClick);
  connect(Timermap, &QTimer::timeout, this, &TFormListe::TimermapTimer);

  // Centred on the screen unless the workspace or a stored placement puts it elsewhere.
  if (!CurrentWindowHost())
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - rect().center());
}

void TFormListe::FirstShown() {
  LoadConfiguration();
  EditMapfile->setText(Glb->MapFileName);
  // Without a map file there is nothing to analyse yet (no error for that).
  if (!Glb->MapFileName.trimmed().isEmpty()) Analyse(MapReportMode::Condensed);
}

void TFormListe::Analyse(MapReportMode mode) {
  Memomap->clear();
  std::vector<Text> report;
  if (!LoadMapReport(EditMapfile->text(), mode, &report)) return;
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(report.size()));
  for (const Text& line : report) lines.append(ToQt(line));
  Memomap->setPlainText(lines.join(u'\n'));
}

void TFormListe::BrowseClick() {
  const QString current = EditMapfile->text();
  const QString path = RunFileDialog({FileDialogKind::Open, {},
                                      current.isEmpty() ? QString() : QFileInfo(current).path(),
                                      current, "Map-Datei (*.map)|*.map|Alle Dateien (*.*)|*.*",
                                      {}});
  if (path.isEmpty()) return;
  Glb->MapFileName = path;
  EditMapfile->setText(path);
  ReportSaveFailure();
  Countdown = kCountdown;
  Timermap->start();
}

void TFormListe::TimermapTimer() {
  if (Countdown > 0) {
    --Countdown;
    return;
  }
  // Stopped first: an error box would otherwise let the timer run on inside it.
  Timermap->stop();
  if (!Glb->MapFileName.isEmpty()) Analyse(MapReportMode::Condensed);
}

TFormListe* OpenFormListe() {
  static QPointer<TFormListe> window;
  return OpenSingle<TFormListe>(window, [] { return new TFormListe; });
}
