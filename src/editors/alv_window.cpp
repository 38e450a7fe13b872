#include "alv_window.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "editors/alv_exchange.h"
#include "editors/serial_number.h"
#include "link/glb.h"
#include "util/busy_cursor.h"
#include "util/helpers.h"
#include "util/msgbox.h"

namespace {

QPointer<TFormALV> g_form;
// The busy cursor of the running exchange (one at a time).
std::optional<BusyCursor> g_cursor;

QToolButton* FlatButton(QWidget* owner, const char* name, const char* caption, const char* hint,
                        QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(owner);
  button->setObjectName(name);
  button->setText(QString::fromLatin1(caption));
  button->setToolTip(QString::fromLatin1(hint));
  button->setIcon(owner->style()->standardIcon(icon));
  button->setAutoRaise(true);
  button->setToolButtonStyle(*caption ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
  return button;
}

QLabel* FieldLabel(QWidget* owner, const char* name, const char* caption) {
  auto* label = new QLabel(QString::fromLatin1(caption), owner);
  label->setObjectName(name);
  return label;
}

QLineEdit* Field(QWidget* owner, const char* name) {
  auto* edit = new QLineEdit(owner);
  edit->setObjectName(name);
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

char LocaleSeparator() {
  const QString point = QLocale().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

}  // namespace

TFormALV::TFormALV(QWidget* parent)
    : TChildForm("FormALV", "Software\\ORX\\ORX720Tools", "ALV", parent) {
  setWindowTitle(QStringLiteral("ALV"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  separator_ = LocaleSeparator();

  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::StyledPanel);
  BtExit = FlatButton(Panel1, "BtExit", "", "Close window", QStyle::SP_DialogCloseButton);
  BtRefresh = FlatButton(Panel1, "BtRefresh", "Refresh", "Reload from ORX 720", QStyle::SP_BrowserReload);
  BtSend = FlatButton(Panel1, "BtSend", "ORX 720", "Send to ORX 720", QStyle::SP_ArrowUp);
  auto* bar = new QHBoxLayout(Panel1);
  bar->setContentsMargins(2, 2, 2, 2);
  bar->addWidget(BtExit);
  bar->addWidget(BtRefresh);
  bar->addWidget(BtSend);
  bar->addStretch();

  Label1 = FieldLabel(this, "Label1", "Seriennr");
  Labelsernr = FieldLabel(this, "Labelsernr", "");
  Labelsernr->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  EditSernr = new QLineEdit(this);
  EditSernr->setObjectName("EditSernr");
  // "KR", year and month letter (upper case), "-", four digits; "." marks a blank.
  EditSernr->setInputMask(QStringLiteral("KR>aa-0000;."));
  Label2 = FieldLabel(this, "Label2", "Kal. B");
  Editb = Field(this, "Editb");
  Label3 = FieldLabel(this, "Label3", "Kal. A");
  EditA = Field(this, "EditA");
  Label4 = FieldLabel(this, "Label4", "Kal K1");
  EditK1 = Field(this, "EditK1");
  Label5 = FieldLabel(this, "Label5", "Kal K2");
  Editk2 = Field(this, "Editk2");

  auto* grid = new QGridLayout;
  grid->setContentsMargins(8, 2, 8, 4);
  grid->setVerticalSpacing(3);
  grid->addWidget(Labelsernr, 0, 1);
  grid->addWidget(Label1, 1, 0);
  grid->addWidget(EditSernr, 1, 1);
  grid->addWidget(Label2, 2, 0);
  grid->addWidget(Editb, 2, 1);
  grid->addWidget(Label3, 3, 0);
  grid->addWidget(EditA, 3, 1);
  grid->addWidget(Label4, 4, 0);
  grid->addWidget(EditK1, 4, 1);
  grid->addWidget(Label5, 5, 0);
  grid->addWidget(Editk2, 5, 1);
  grid->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(Panel1);
  layout->addLayout(grid);
  layout->addStretch();
  setFixedSize(255, 220);

  ShowParams(params_);
  connect(Editb, &QLineEdit::textEdited, this, [this] { typedB_ = true; });
  connect(EditA, &QLineEdit::textEdited, this, [this] { typedA_ = true; });
  connect(EditK1, &QLineEdit::textEdited, this, [this] { typedK1_ = true; });
  connect(Editk2, &QLineEdit::textEdited, this, [this] { typedK2_ = true; });
  for (QLineEdit* edit : {Editb, EditA, EditK1, Editk2})
    connect(edit, &QLineEdit::editingFinished, this, &TFormALV::TakeTypedValues);
  connect(BtExit, &QToolButton::clicked, this, &QWidget::close);
  connect(BtRefresh, &QToolButton::clicked, this, &TFormALV::BtRefreshClick);
  connect(BtSend, &QToolButton::clicked, this, &TFormALV::BtSendClick);
}

TFormALV::~TFormALV() { SavePlacementNow(); }

// The window lives inside the exchange's waits; it must not go away there.
bool TFormALV::CanClose() { return !exchanging_ && TChildForm::CanClose(); }

void TFormALV::ShowParams(const AlvParams& params) {
  params_ = params;
  Editb->setText(ToQt(AlvFieldText(params.B, kAlvShownDecimalsB, separator_)));
  EditA->setText(ToQt(AlvFieldText(params.A, kAlvShownDecimalsA, separator_)));
  EditK1->setText(ToQt(AlvFieldText(params.K1, 0, separator_)));
  Editk2->setText(ToQt(AlvFieldText(params.K2, 0, separator_)));
  typedB_ = typedA_ = typedK1_ = typedK2_ = false;
}

void TFormALV::TakeTypedValues() {
  if (!(typedB_ || typedA_ || typedK1_ || typedK2_)) return;
  AlvParams params = params_;
  if (typedB_) params.B = ParseReal(FromQt(Editb->text()));
  if (typedA_) params.A = ParseReal(FromQt(EditA->text()));
  if (typedK1_) params.K1 = LimitAlvK(ParseReal(FromQt(EditK1->text())));
  if (typedK2_) params.K2 = LimitAlvK(ParseReal(FromQt(Editk2->text())));
  ShowParams(LimitAlvParams(params));
}

AlvParams TFormALV::Params() {
  TakeTypedValues();
  return params_;
}

Text TFormALV::SerialFieldText() const {
  Text text = FromQt(EditSernr->displayText());
  text.replace('.', ' ');
  return text;
}

void TFormALV::CommonStart() {
  exchanging_ = true;
  timedOut_ = false;
  Panel1->setEnabled(false);
  g_cursor.emplace();
}

void TFormALV::CommonEnd() {
  g_cursor.reset();
  Panel1->setEnabled(true);
  exchanging_ = false;
  if (timedOut_) ShowInfo(Glb->ErrorText);
}

void TFormALV::BtRefreshClick() {
  if (Glb->Busy || exchanging_) return;
  CommonStart();
  AlvReading reading;
  timedOut_ = ReadAlv(&reading) == AlvResult::TimedOut;
  std::optional<Text> conversionError;
  if (reading.ParamsRead) ShowParams(reading.Params);
  if (reading.SerialRead) {
    Labelsernr->setText(ToQt(reading.SerialAnswer));
    if (reading.Serial)
      EditSernr->setText(ToQt(SerialNumberToText(*reading.Serial)));
    else
      conversionError = AlvSerialAnswerError(reading.SerialAnswer);
  }
  CommonEnd();
  if (conversionError) ShowError(*conversionError);
}

void TFormALV::BtSendClick() {
  // Two exchanges at once would read each other's answers.
  if (Glb->Busy || exchanging_) return;
  const AlvParams params = Params();
  const Text serial = SerialFieldText();
  CommonStart();
  timedOut_ = WriteAlv(params, serial) == AlvResult::TimedOut;
  CommonEnd();
}

TFormALV* OpenFormALV() {
  TFormALV* form = OpenSingle<TFormALV>(g_form, [] { return new TFormALV; });
  form->BtRefreshClick();
  return form;
}
