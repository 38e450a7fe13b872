#include "language_window.h"

#include <algorithm>
#include <vector>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "editors/instrument_language.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "util/msgbox.h"

namespace {

QPointer<TFormSprache> g_form;


}  // namespace

TFormSprache::TFormSprache(QWidget* parent)
    : TChildForm("FormSprache", "Software\\ORX\\Setup720", "Sprache", parent) {
  setWindowTitle(ToQt("Sprache im Messger\xE4t"));

  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  BtClose = ToolbarButton(this, "BtClose", "", "Fenster schliessen", QStyle::SP_DialogCloseButton);
  Btholen = ToolbarButton(this, "Btholen", "Sprache \rholen",
                       "Sprachtabelle und \raktuelle Auswahl \raus Ger\xE4t lesen.",
                       QStyle::SP_ArrowDown);
  BtSend = ToolbarButton(this, "BtSend", "Sprache\rSenden", "Ausgew\xE4hlte Sprache\rim Ger\xE4t einstellen",
                      QStyle::SP_ArrowUp);
  BtSend->setEnabled(false);
  bar->addWidget(BtClose);
  bar->addWidget(Btholen);
  bar->addWidget(BtSend);
  bar->addStretch();

  Label1 = new QLabel(QStringLiteral("Auswahl"), this);
  Label1->setObjectName("Label1");
  ListBoxSprache = new QListWidget(this);
  ListBoxSprache->setObjectName("ListBoxSprache");
  ListBoxSprache->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Label2 = new QLabel(ToQt("Sprache im Ger\xE4t"), this);
  Label2->setObjectName("Label2");
  EditSpracheakt = new QLineEdit(this);
  EditSpracheakt->setObjectName("EditSpracheakt");
  EditSpracheakt->setReadOnly(true);
  QFont bold = EditSpracheakt->font();
  bold.setBold(true);
  EditSpracheakt->setFont(bold);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 8);
  layout->addLayout(bar);
  layout->addWidget(Label1);
  layout->addWidget(ListBoxSprache, 1);
  layout->addWidget(Label2);
  layout->addWidget(EditSpracheakt);
  resize(260, 340);

  Timerdelay = new QTimer(this);
  Timerdelay->setObjectName("Timerdelay");
  Timerdelay->setSingleShot(true);
  Timerdelay->setInterval(400);

  connect(BtClose, &QToolButton::clicked, this, &QWidget::close);
  connect(Btholen, &QToolButton::clicked, this, &TFormSprache::BtholenClick);
  connect(BtSend, &QToolButton::clicked, this, &TFormSprache::BtSendClick);
  connect(ListBoxSprache, &QListWidget::itemDoubleClicked, this, [this] { BtSendClick(); });
  connect(Timerdelay, &QTimer::timeout, this, &TFormSprache::TimerdelayTimer);
  Timerdelay->start();
}

bool TFormSprache::CanClose() { return !exchanging_ && TChildForm::CanClose(); }

void TFormSprache::SetExchanging(bool on) {
  // A click taken while an exchange waits would start a second one on the same port.
  exchanging_ = on;
  Btholen->setEnabled(!on);
  BtSend->setEnabled(!on && sendEnabled_);
  ListBoxSprache->setEnabled(!on);
}

void TFormSprache::TimerdelayTimer() {
  Timerdelay->stop();
  if (exchanging_) {
    Timerdelay->start();  // read once the running exchange is over
    return;
  }
  BtholenClick();
}

void TFormSprache::BtholenClick() {
  if (exchanging_) return;
  // The check itself reopens the port, so it must not run while another
  // exchange holds the channel.
  if (Glb->ChannelMode != 0) return;
  if (!Glb->CheckConnection(Glb->ComPort)) {
    ShowInfo(Glb->NoInstrumentText());
    return;
  }
  if (Glb->ChannelMode != 0) return;
  Glb->TransferBusy = true;
  SetExchanging(true);
  Text answer;
  const bool answered = Glb->QueryInstrument(kReadLanguageCommand, &answer);
  if (answered) {
    const LanguageTable table = LanguageTableFromAnswer(answer);
    ListBoxSprache->clear();
    for (const Text& name : table.Names) ListBoxSprache->addItem(ToQt(name));
    EditSpracheakt->clear();
    if (table.Current >= 0) {
      EditSpracheakt->setText(ToQt(table.CurrentName()));
      ListBoxSprache->setCurrentRow(table.Current);
    }
    sendEnabled_ = true;
    SetExchanging(false);
    Glb->TransferBusy = false;
    return;
  }
  ListBoxSprache->clear();
  ListBoxSprache->addItem(QString::fromLatin1(kLanguageErrorItem));
  ShowError(Glb->StrBRNmsg->Item(1));
  sendEnabled_ = false;
  SetExchanging(false);
  Glb->TransferBusy = false;
  // Below the development level a window without a language table is no use.
  if (Glb->UserLevel < 3) close();
}

void TFormSprache::BtSendClick() {
  if (exchanging_ || Glb->ChannelMode != 0) return;
  std::vector<Text> items;
  for (int i = 0; i < ListBoxSprache->count(); ++i) items.push_back(FromQt(ListBoxSprache->item(i)->text()));
  const std::optional<Text> command = SetLanguageCommandFor(items, ListBoxSprache->currentRow());
  if (!command) return;
  SetExchanging(true);
  const bool answered = Glb->QueryInstrument(*command, nullptr);
  SetExchanging(false);
  if (answered) Timerdelay->start();  // read the choice back
  else ShowError(Glb->StrBRNmsg->Item(8));
}

TFormSprache* OpenFormSprache() {
  if (Glb->ChannelMode > 0) return g_form;
  TFormSprache* form = OpenSingle<TFormSprache>(g_form, [] { return new TFormSprache; });
  form->Timerdelay->start();
  return form;
}
