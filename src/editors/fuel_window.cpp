#include "fuel_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "editors/fuel_table.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "util/files.h"
#include "util/msgbox.h"
#include "util/msgtable.h"
#include "util/placement.h"

namespace {

QPointer<TFormBrennstoffe> g_form;


Text Msg(int index) { return Glb->StrBRNmsg->Item(index); }

}  // namespace

TFormBrennstoffe::TFormBrennstoffe(QWidget* parent)
    : TChildForm("FormBrennstoffe", "Software\\ORX\\Setup720", "Brennstoffe", parent),
      OpenDialog(FileDialogKind::Open, "TXT", "Textdatei (*.BIN)|*.BIN|Alle Dateien (*.*)|*.*"),
      SaveDialog(FileDialogKind::Save, "TXT", "Textdatei (*.bin)|*.bin|Alle Dateien (*.*)|*.*") {
  setWindowTitle(QStringLiteral("Brennstofftabelle"));

  BtClose = ToolbarButton(this, "BtClose", "", "BtClose|", QStyle::SP_DialogCloseButton);
  BtClear = ToolbarButton(this, "BtClear", "Protokoll\rleeren", "Eingaben l\xF6schen", QStyle::SP_TrashIcon);
  BtLoad = ToolbarButton(this, "BtLoad", "Aus Datei\rladen", "Aus Datei laden", QStyle::SP_DialogOpenButton);
  BtStore = ToolbarButton(this, "BtStore", "In Datei\rspeichern", "In Datei Speichern", QStyle::SP_DialogSaveButton);
  BtSend = ToolbarButton(this, "BtSend", "Zum Ger\xE4t\rsenden", "Zum Ger\xE4t senden", QStyle::SP_ArrowUp);
  BtReceive = ToolbarButton(this, "BtReceive", "Aus Ger\xE4t \rholen", "Aus Ger\xE4t holen", QStyle::SP_ArrowDown);
  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  for (QToolButton* b : {BtClose, BtClear, BtLoad, BtStore, BtSend, BtReceive}) bar->addWidget(b);
  bar->addStretch();

  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setReadOnly(true);
  QFont bold = Memo->font();
  bold.setBold(true);
  Memo->setFont(bold);
  QPalette colours = Memo->palette();
  colours.setColor(QPalette::Base, colours.color(QPalette::ToolTipBase));
  colours.setColor(QPalette::Text, colours.color(QPalette::ToolTipText));
  Memo->setPalette(colours);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addLayout(bar);
  layout->addWidget(Memo, 1);
  resize(420, 300);

  AddPlacementProperty(TextProperty("OpenDialog", "FileName", &OpenDialog.FileName));
  AddPlacementProperty(TextProperty("SaveDialog", "FileName", &SaveDialog.FileName));

  connect(BtClose, &QToolButton::clicked, this, &QWidget::close);
  connect(BtClear, &QToolButton::clicked, this, &TFormBrennstoffe::BtClearClick);
  connect(BtLoad, &QToolButton::clicked, this, &TFormBrennstoffe::BtLoadClick);
  connect(BtStore, &QToolButton::clicked, this, &TFormBrennstoffe::BtStoreClick);
  connect(BtSend, &QToolButton::clicked, this, &TFormBrennstoffe::BtSendClick);
  connect(BtReceive, &QToolButton::clicked, this, &TFormBrennstoffe::BtReceiveClick);
}

// The stored file names point into this object; they are saved before it goes.
TFormBrennstoffe::~TFormBrennstoffe() { SavePlacementNow(); }

void TFormBrennstoffe::AddLine(const Text& line) { Memo->appendPlainText(ToQt(line)); }

void TFormBrennstoffe::SetExchanging(bool on) {
  // The transfers process window messages while they wait and do not refuse
  // a second call; the buttons stay off until the transfer is over.
  exchanging_ = on;
  Glb->TransferBusy = on;
  for (QToolButton* b : {BtClose, BtClear, BtLoad, BtStore, BtReceive}) b->setEnabled(!on);
  BtSend->setEnabled(!on && sendEnabled_);
}

bool TFormBrennstoffe::CanClose() { return !exchanging_ && TChildForm::CanClose(); }

void TFormBrennstoffe::closeEvent(QCloseEvent* event) {
  TChildForm::closeEvent(event);
  // The port is left alone while the terminal (or anyone else) holds it.
  if (event->isAccepted() && Glb->ChannelMode == 0) {
    Glb->Serial.Close();
    Glb->Serial.ReleaseHandle();
  }
}

void TFormBrennstoffe::BtReceiveClick() {
  if (exchanging_) return;
  sendEnabled_ = false;
  BtSend->setEnabled(false);
  if (ReceiveSequence()) sendEnabled_ = true;
  BtSend->setEnabled(sendEnabled_);
}

bool TFormBrennstoffe::ReceiveSequence() {
  if (!Glb->CheckConnection(Glb->ComPort)) {
    ShowInfo(Glb->NoInstrumentText());
    return false;
  }
  SetExchanging(true);
  const bool ok = ReadFuelTable([this](const Text& line) { AddLine(line); });
  SetExchanging(false);
  return ok;
}

void TFormBrennstoffe::BtSendClick() {
  if (exchanging_) return;
  if (!Glb->FuelMemoryValid) {
    ShowError(Msg(6));
    return;
  }
  AddLine(Msg(7));
  repaint();
  Glb->Pump().ProcessPending();
  SetExchanging(true);
  const bool written = Glb->WriteFuelMemory();
  SetExchanging(false);
  if (written) {
    AddLine(Msg(9));
    Glb->Pump().ProcessPending();
  } else {
    ShowError(Msg(8));
    AddLine(Msg(8));
  }
}

void TFormBrennstoffe::BtLoadClick() {
  if (exchanging_) return;
  if (OpenDialog.FileName.isEmpty()) OpenDialog.InitialDir = Glb->ProgramDir;
  if (!OpenDialog.Execute()) return;
  const QString path = OpenDialog.FileName;
  SaveDialog.FileName = path;
  AddLine(Msg(10) + " " + FromQt(QFileInfo(path).fileName()));
  if (!LoadFuelImage(path)) return;
  AddLine(Text::number(Glb->FuelMemoryLength) + " " + Msg(11));
}

void TFormBrennstoffe::BtStoreClick() {
  if (exchanging_) return;
  if (SaveDialog.FileName.isEmpty()) {
    SaveDialog.InitialDir = OpenDialog.InitialDir;
    if (SaveDialog.InitialDir.isEmpty()) SaveDialog.InitialDir = Glb->ProgramDir;
  }
  if (!SaveDialog.Execute()) return;
  const QString path = SaveDialog.FileName;
  OpenDialog.FileName = path;
  // Written whole or not at all: a short file never replaces a good one.
  if (!WriteWholeFile(path, FuelImageFileBytes())) ShowError(Msg(12) + " " + FromQt(path));
}

void TFormBrennstoffe::BtClearClick() { Memo->clear(); }

TFormBrennstoffe* OpenFormBrennstoffe() {
  return OpenSingle<TFormBrennstoffe>(g_form, [] { return new TFormBrennstoffe; });
}
