#include "option1_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "editors/option_transfer.h"
#include "editors/records.h"
#include "editors/serial_number.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "util/msgbox.h"

TFormOption1::TFormOption1(QWidget* parent)
    : TOptionFormBase("FormOption1", "Options1", 460, 482, parent) {
  StrOpt1 = new MessageTable(this, "StrOpt1",
                             {"Options-Satz fehlerhaft", "Ger\xE4te Texte", "Ger\xE4teoptionen",
                              "\xC4nderungen speichern ?", "Keine", "Sende Fehler", "Datei",
                              "kann nicht geladen werden!?'"});

  BtClose = MakeToolButton("BtClose", Text(), "Fenster schliessen", QStyle::SP_DialogCloseButton);
  BtSend = MakeToolButton("BtSend", "Zum Ger\xE4t\rsenden", "Zum Ger\xE4t senden", QStyle::SP_ArrowUp);
  BtReceive = MakeToolButton("BtReceive", "Vom Ger\xE4t\rholen", "Aus Ger\xE4t holen",
                             QStyle::SP_ArrowDown);
  // Only a valid option record makes sending possible.
  BtSend->setEnabled(false);

  Label1 = new QLabel(QStringLiteral("Seriennummer"), Body());
  Label1->setObjectName("Label1");
  EditSernr = MakeSerialEdit(Body(), true);
  AddListPages();

  auto* body = new QVBoxLayout(Body());
  body->setContentsMargins(8, 4, 0, 0);
  auto* serial = new QHBoxLayout;
  serial->addWidget(Label1);
  serial->addSpacing(6);
  serial->addWidget(EditSernr);
  serial->addStretch(1);
  body->addLayout(serial);
  body->addSpacing(4);
  body->addWidget(PageControl1, 1);
  SetSizeRule(330, 300, 330, 300);

  connect(BtClose, &QToolButton::clicked, this, &TFormOption1::BtCloseClick);
  connect(BtSend, &QToolButton::clicked, this, &TFormOption1::BtSendClick);
  connect(BtReceive, &QToolButton::clicked, this, &TFormOption1::BtReceiveClick);
  connect(EditSernr, &QLineEdit::textChanged, this, &TFormOption1::EditSernrChange);
}

void TFormOption1::FirstShown() {
  TOptionFormBase::FirstShown();
  ShowPage(TabDisplay);
}

void TFormOption1::EditSernrChange() {
  const Text text = SerialFieldValue();
  Glb->SerialNumberText = text;
  SerialTextToNumber(text);
  if (PageControl1->currentWidget() == TabDisplay) GridDisplay->setFocus();
}

void TFormOption1::BtReceiveClick() {
  if (OtherTransferRunning() || !CheckInstrument()) return;
  bool valid = false;
  {
    TransferScope busy(this);
    const QByteArray bytes = ReadParameterRecord(OptionRecord::kAddress, OptionRecord::kSize);
    valid = OptionRecord::ChecksumValid(bytes);
    if (!valid) {
      ShowError(StrOpt1->Item(0));
      EditSernr->setText(ToQt(kEmptySerialText));
      BtSend->setEnabled(false);
    } else {
      const OptionRecord record = OptionRecord::FromBytes(bytes);
      typeNumber_ = record.TypeNumber;
      Glb->SerialNumber = record.SerialNumber;
      BtSend->setEnabled(true);
      EditSernr->setText(ToQt(SerialNumberToText(record.SerialNumber)));
      ReadListRecord();
    }
  }
  // Service staff do not work on an instrument whose record is broken.
  if (!valid && Glb->UserLevel < 3) close();
}

void TFormOption1::BtSendClick() {
  if (OtherTransferRunning()) return;
  TransferScope busy(this);
  if (!SendListRecord()) ShowError(StrOpt1->Item(5));
}

TFormOption1* OpenFormOption1() {
  static QPointer<TFormOption1> window;
  TFormOption1* form = OpenSingle<TFormOption1>(window, [] { return new TFormOption1(); });
  form->LayoutWindow();
  return form;
}
