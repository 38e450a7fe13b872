#include "terminal_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "link/glb.h"
#include "util/msgbox.h"

bool TerminalRepeat = false;

namespace {

QPointer<TFormTerminal> g_form;
constexpr int32_t kTerminalMode = 3;
constexpr int32_t kRepeatMs = 100;

}  // namespace

TFormTerminal::TFormTerminal(QWidget* parent)
    : TChildForm("FormTerminal", "Software\\ORX\\Setup720", "Termimal", parent) {
  setWindowTitle(QStringLiteral("Terminal"));
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setFont(fixed);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  EditInput = new QComboBox(this);
  EditInput->setObjectName("EditInput");
  EditInput->setEditable(true);
  EditInput->setInsertPolicy(QComboBox::NoInsert);  // the history is kept by the window
  EditInput->setFont(fixed);
  EditInput->setEnabled(false);
  BtSenden = new QPushButton(QStringLiteral("Senden"), this);
  BtSenden->setObjectName("BtSenden");
  BtSenden->setDefault(true);
  BtSenden->setEnabled(false);
  ButtonSERVICE = new QPushButton(QStringLiteral("WARTUNG738"), this);
  ButtonSERVICE->setObjectName("ButtonSERVICE");
  CheckBox1 = new QCheckBox(QStringLiteral("Befehl in Schleife"), this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setVisible(false);

  auto* row = new QHBoxLayout;
  row->addWidget(EditInput, 1);
  row->addWidget(BtSenden);
  row->addWidget(ButtonSERVICE);
  row->addWidget(CheckBox1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(Memo1, 1);
  layout->addLayout(row);
  resize(645, 333);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, &TFormTerminal::Timer1Timer);
  Timer1->start();

  connect(BtSenden, &QPushButton::clicked, this, &TFormTerminal::BtSendenClick);
  // Enter in the input presses "Senden" (the default button of a dialog).
  connect(EditInput->lineEdit(), &QLineEdit::returnPressed, BtSenden, &QPushButton::click);
  connect(ButtonSERVICE, &QPushButton::clicked, this, &TFormTerminal::ButtonSERVICEClick);
  connect(CheckBox1, &QCheckBox::clicked, this, &TFormTerminal::CheckBox1Click);
}

TFormTerminal::~TFormTerminal() {
  SavePlacementNow();
  Detach();
}

void TFormTerminal::Activate() {
  // Another exchange holds the port: checking now would reopen it under that
  // exchange. Opening the window again repeats the check.
  if (Glb->ChannelMode != 0 && Glb->ChannelMode != kTerminalMode) return;
  // A running terminal loop gives the port back first, or it would take the
  // check's answers for itself.
  Glb->TerminalMode = false;
  if (Glb->ChannelMode == kTerminalMode) Glb->ChannelMode = 0;
  if (!Glb->CheckConnection(Glb->ComPort)) {
    ShowInfo(Glb->NoInstrumentText());
    return;
  }
  QPointer<QPlainTextEdit> memo(Memo1);
  Glb->TerminalMemo = [memo](const Text& line) {
    if (memo) memo->appendPlainText(ToQt(line));
  };
  Glb->TerminalMode = true;
  detached_ = false;
}

void TFormTerminal::Timer1Timer() {
  const bool own = Glb && Glb->ChannelMode == kTerminalMode;
  BtSenden->setEnabled(own);
  EditInput->setEnabled(own);
}

void TFormTerminal::BtSendenClick() {
  const QString typed = EditInput->currentText();
  const Text t = FromQt(typed);
  if (EditInput->count() == 0) EditInput->addItem(typed);
  else if (EditInput->itemText(0) != typed) EditInput->insertItem(0, typed);
  EditInput->setEditText(typed);
  Memo1->appendPlainText(ToQt("< " + t));
  if (Glb->ChannelMode == kTerminalMode) Glb->Serial.WriteText(t + "\r");
  EditInput->setFocus();
  EditInput->lineEdit()->selectAll();

  if (repeating_) return;  // a click inside the repeat loop sends once
  repeating_ = true;
  QPointer<TFormTerminal> self(this);
  while (TerminalRepeat) {
    // Only into a port the terminal holds; another exchange must not get
    // these lines mixed into its own.
    if (Glb->ChannelMode == kTerminalMode) Glb->Serial.WriteText(t + "\r");
    // One line per tick: the terminal loop echoes the answers in between and
    // the instrument is not flooded.
    Glb->Delay(kRepeatMs);
    if (!self || detached_) return;
  }
  repeating_ = false;
}

void TFormTerminal::ButtonSERVICEClick() {
  if (Glb->ChannelMode != kTerminalMode) return;
  Memo1->appendPlainText(QStringLiteral("< WARTUNG738"));
  Glb->Serial.WriteText("WARTUNG738\r");
}

void TFormTerminal::CheckBox1Click() { TerminalRepeat = CheckBox1->isChecked(); }

void TFormTerminal::closeEvent(QCloseEvent* event) {
  TChildForm::closeEvent(event);
  if (event->isAccepted()) Detach();
}

void TFormTerminal::Detach() {
  if (detached_ || !Glb) return;
  detached_ = true;
  // The port stays open until the next exchange opens it again; only the
  // terminal's own claim on it is given up.
  if (Glb->ChannelMode == kTerminalMode) Glb->ChannelMode = 0;
  Glb->TerminalMode = false;
  Glb->TerminalMemo = nullptr;
}

TFormTerminal* OpenFormTerminal() {
  TFormTerminal* form = OpenSingle<TFormTerminal>(g_form, [] { return new TFormTerminal; });
  form->Activate();
  return form;
}
