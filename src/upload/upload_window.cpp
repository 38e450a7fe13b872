#include "upload_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "lang/translate.h"
#include "link/diagnose_window.h"
#include "link/glb.h"
#include "util/msgtable.h"

namespace {

QToolButton* MakeButton(QWidget* parent, const char* name, const Text& caption, const Text& hint,
                        QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setFixedSize(60, 60);
  button->setAutoRaise(true);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setIconSize(QSize(20, 20));
  // Two caption lines must fit the 60 pixels.
  QFont font = button->font();
  font.setPixelSize(10);
  button->setFont(font);
  if (caption.isEmpty()) {
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  } else {
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setText(ToWidgetText(caption));
  }
  if (!hint.isEmpty()) button->setToolTip(ToWidgetText(hint));
  return button;
}

}  // namespace

TFormloadProg::TFormloadProg(QWidget* parent)
    : TChildForm("FormloadProg", "Software\\ORX\\Setup720", "loadprog", parent),
      sequence_(this),
      stamp_(QDateTime::currentDateTime()) {
  StrLaden = new MessageTable(this, "StrLaden", {kLinesLoaded, "Programm laden"});
  setWindowTitle(ToQt(StrLaden->Item(1)));
  setMinimumSize(300, 300);
  resize(415, 268);  // raised to the minimum height

  ToolBar1 = new QWidget(this);
  ToolBar1->setObjectName("ToolBar1");
  BtClose = MakeButton(ToolBar1, "BtClose", {}, "Fenster schliessen", QStyle::SP_DialogCloseButton);
  BtAuto = MakeButton(ToolBar1, "BtAuto", "Programm \nladen",
                      "Programm + Programmdatensatz\r\nzum Ger\xE4t senden.\r\n"
                      "Start automatisch aus Programmlauf",
                      QStyle::SP_ArrowUp);
  BtDefault = MakeButton(ToolBar1, "BtDefault", "Laden \nStandard ", {}, QStyle::SP_DialogApplyButton);
  BtDefaultNot =
      MakeButton(ToolBar1, "BtDefaultNot", "Not Laden\nStandard", {}, QStyle::SP_MessageBoxWarning);
  BtSend = MakeButton(ToolBar1, "BtSend", "Programm\nNot laden",
                      "Programm + Programmdatensatz\r\nzum Ger\xE4t senden\r\n"
                      "Start nach 20 Sek. F und !",
                      QStyle::SP_MessageBoxCritical);
  Btwatch = MakeButton(ToolBar1, "Btwatch", {}, "Dateiversion \xFC" "berwachen",
                       QStyle::SP_FileDialogContentsView);
  Btwatch->setCheckable(true);
  for (QToolButton* b : {BtDefault, BtDefaultNot, BtSend, Btwatch}) b->setVisible(false);

  auto* bar = new QHBoxLayout(ToolBar1);
  bar->setContentsMargins(2, 2, 2, 2);
  bar->setSpacing(1);
  bar->addWidget(BtClose);
  bar->addWidget(BtAuto);
  bar->addWidget(BtDefault);
  bar->addWidget(BtDefaultNot);
  bar->addSpacing(16);
  bar->addWidget(BtSend);
  bar->addWidget(Btwatch);
  bar->addStretch(1);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setFocusPolicy(Qt::NoFocus);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font = Memo1->font();
  font.setPixelSize(13);
  Memo1->setFont(font);
  QPalette palette = Memo1->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
  palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
  Memo1->setPalette(palette);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar1);
  layout->addWidget(Memo1, 1);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  Timer2 = new QTimer(this);
  Timer2->setObjectName("Timer2");
  Timer2->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &TFormloadProg::Timer1Timer);
  connect(Timer2, &QTimer::timeout, this, &TFormloadProg::Timer2Timer);
  Timer1->start();
  Timer2->start();

  connect(BtClose, &QToolButton::clicked, this, &TFormloadProg::BtCloseClick);
  connect(BtAuto, &QToolButton::clicked, this, &TFormloadProg::BtAutoClick);
  connect(BtDefault, &QToolButton::clicked, this, &TFormloadProg::BtDefaultClick);
  connect(BtDefaultNot, &QToolButton::clicked, this, &TFormloadProg::BtDefaultNotClick);
  connect(BtSend, &QToolButton::clicked, this, &TFormloadProg::BtSendClick);

  sequence_.StrLaden = StrLaden;
  sequence_.ShowWindow = [this] { BringToFront(); };
  sequence_.Repaint = [this] { update(); };

  if (!CurrentWindowHost()) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect box = frameGeometry();
      box.moveCenter(screen->availableGeometry().center());
      move(box.topLeft());
    }
  }
}

TFormloadProg::~TFormloadProg() = default;

void TFormloadProg::Clear() { Memo1->clear(); }

void TFormloadProg::AddLine(const Text& line) { Memo1->appendPlainText(ToQt(line)); }

Text TFormloadProg::CaptionText() const {
  const QString name = Glb ? Glb->HexFileName : QString();
  return StrLaden->Item(1) + " [ " + FromQt(name) + " ]";
}

void TFormloadProg::ApplyVisibility() {
  if (!Glb) return;
  if (Glb->EmergencyMode) BtSend->setVisible(true);
  if (Glb->UserLevel == 2) {
    BtDefault->setVisible(true);
    BtDefaultNot->setVisible(true);
  }
  if (Glb->UserLevel == 3) Btwatch->setVisible(true);
}

void TFormloadProg::showEvent(QShowEvent* event) {
  TChildForm::showEvent(event);  // translation and placement
  ApplyVisibility();
  setWindowTitle(ToQt(CaptionText()));
}

bool TFormloadProg::CanClose() { return !UploadRunning() && TChildForm::CanClose(); }

void TFormloadProg::closeEvent(QCloseEvent* event) {
  TChildForm::closeEvent(event);
  if (event->isAccepted() && Glb) Glb->EmergencyMode = false;
}

void TFormloadProg::BringToFront() {
  if (WindowHost* host = CurrentWindowHost()) {
    host->Activate(this);
    return;
  }
  show();
  raise();
  activateWindow();
}

void TFormloadProg::Run(bool (TUploadSequence::*variant)()) {
  const QList<QToolButton*> starts = {BtClose, BtAuto, BtDefault, BtDefaultNot, BtSend};
  for (QToolButton* b : starts) b->setEnabled(false);
  // The window cannot close while the upload runs (CanClose), so it still
  // exists when the variant returns.
  (sequence_.*variant)();
  for (QToolButton* b : starts) b->setEnabled(true);
  // The emergency standard variant sets EmergencyMode.
  if (Glb && Glb->EmergencyMode) BtSend->setVisible(true);
}

void TFormloadProg::BtCloseClick() {
  sequence_.UploadError = false;
  close();
}

void TFormloadProg::BtAutoClick() { Run(&TUploadSequence::RunAuto); }
void TFormloadProg::BtDefaultClick() { Run(&TUploadSequence::RunStandard); }
void TFormloadProg::BtDefaultNotClick() { Run(&TUploadSequence::RunEmergencyStandard); }
void TFormloadProg::BtSendClick() { Run(&TUploadSequence::RunEmergency); }

void TFormloadProg::Timer1Timer() { setWindowTitle(ToQt(CaptionText())); }

void TFormloadProg::Timer2Timer() {
  if (!Btwatch->isChecked() || !Glb) return;
  Timer2->stop();
  // A change seen while another upload or transfer runs is left for a later
  // tick: the stamp is taken only when the upload can start.
  QFile file(Glb->HexFilePath);
  if (!Glb->HexFilePath.isEmpty() && UploadMayStart() && file.open(QIODevice::ReadOnly)) {
    const QDateTime modified = QFileInfo(file).lastModified();
    file.close();
    if (modified.isValid() && modified > stamp_) {
      stamp_ = modified;
      BringToFront();
      Run(&TUploadSequence::RunAuto);
    }
  }
  Timer2->start();
}

TFormloadProg* OpenFormloadProg() {
  static QPointer<TFormloadProg> slot;
  TFormloadProg* window = OpenSingle<TFormloadProg>(slot, [] { return new TFormloadProg; });
  if (Glb && Glb->EmergencyMode) window->BtSend->setVisible(true);
  // The "Diagnose" window is translated now, so that the lines the upload
  // writes there while it is visible appear in the current language.
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* diagnose = qobject_cast<TFormDiagnose*>(top)) TranslateWindow(diagnose);
  return window;
}

TFormloadProg* OpenFormloadProgEmergency() {
  if (Glb) {
    Glb->EmergencyMode = true;
    Glb->OpenPort(9600, false);
  }
  return OpenFormloadProg();
}
