#include "dev_console.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/glb.h"

TFormDevConsole::TFormDevConsole(TGlb* glb, QWidget* parent)
    : QWidget(parent, Qt::Window), glb_(glb) {
  setObjectName("FormDevConsole");
  setWindowTitle("Setup720 - Befehl senden");
  command_ = new QLineEdit("R001", this);
  auto* send = new QPushButton("Senden", this);
  output_ = new QPlainTextEdit(this);
  output_->setReadOnly(true);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Befehl:", this));
  row->addWidget(command_, 1);
  row->addWidget(send);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(output_, 1);
  resize(480, 300);
  connect(send, &QPushButton::clicked, this, &TFormDevConsole::SendOne);
  connect(command_, &QLineEdit::returnPressed, this, &TFormDevConsole::SendOne);
}

void TFormDevConsole::SendOne() {
  if (glb_->ChannelMode != 0) return;
  setEnabled(false);
  glb_->ChannelMode = 6;
  glb_->OpenPort(9600, true);
  glb_->SendCommand("WARTUNG738");
  glb_->ReceiveLine(10);
  glb_->SendCommand(FromQt(command_->text()));
  bool any = false;
  // Collect every line of the answer until the instrument falls silent.
  while (glb_->ReceiveLine(any ? 3 : 10)) {
    any = true;
    output_->appendPlainText(ToQt(glb_->LineBuffer));
  }
  if (!any) output_->appendPlainText("Timeout");
  glb_->ClosePort(true);
  setEnabled(true);
}
