#include "eeprom_window.h"

#include <algorithm>
#include <optional>

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "editors/eeprom_dump.h"
#include "editors/serial_number.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/msgbox.h"
#include "util/msgtable.h"

namespace {

QPointer<TFormEEprom> g_form;

constexpr char kDumpFilter[] = "EEProm-Daten (*.dat)|*.dat|Alle Dateien (*.*)|*.*";
constexpr char kReadingTitle[] = "KR..-xxxx";
constexpr qint64 kMaxDumpFileSize = 1 << 20;


QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

}  // namespace

TFormEEprom::TFormEEprom(QWidget* parent)
    : TChildForm("FormEEprom", "Software\\ORX\\Setup720", "EEpromA", parent),
      OpenDialog(FileDialogKind::Open, "TXT", kDumpFilter),
      SaveDialog(FileDialogKind::Save, "TXT", kDumpFilter) {
  setWindowTitle(QStringLiteral("EEprom A Dataset"));
  // A system menu, no minimise or maximise buttons.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  StrHolderEEP = new MessageTable(this, "StrHolderEEP", {});
  QList<Text> texts;
  for (const char* text : kStrHolderEEP) texts.append(text);
  StrHolderEEP->SetItems(texts);

  BtClose = ToolbarButton(this, "BtClose", "", "Close window", QStyle::SP_DialogCloseButton);
  BtLoad = ToolbarButton(this, "BtLoad", "Load from\rfile", "Read from file", QStyle::SP_DialogOpenButton);
  BtStore = ToolbarButton(this, "BtStore", "Save to\rfile", "In Datei Speichern", QStyle::SP_DialogSaveButton);
  BtSend = ToolbarButton(this, "BtSend", "Send to\rORX720", "Zum Ger\xE4t senden", QStyle::SP_ArrowUp);
  BtReceive = ToolbarButton(this, "BtReceive", "Load from\rORX720", "Aus Ger\xE4t holen", QStyle::SP_ArrowDown);
  BtVergleichen = ToolbarButton(this, "BtVergleichen", "Compare to\rORX720", "",
                             QStyle::SP_FileDialogContentsView);
  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  for (QToolButton* b : {BtClose, BtLoad, BtStore, BtSend, BtReceive, BtVergleichen}) bar->addWidget(b);
  bar->addStretch();

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  QFont mono(QStringLiteral("Courier New"), 8);
  mono.setStyleHint(QFont::TypeWriter);
  Memo1->setFont(mono);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addLayout(bar);
  layout->addWidget(Memo1, 1);
  setMinimumSize(300, 300);
  resize(444, 359);

  SetDumpLines(SampleDump());

  connect(BtClose, &QToolButton::clicked, this, &QWidget::close);
  connect(BtLoad, &QToolButton::clicked, this, &TFormEEprom::BtLoadClick);
  connect(BtStore, &QToolButton::clicked, this, &TFormEEprom::BtStoreClick);
  connect(BtSend, &QToolButton::clicked, this, &TFormEEprom::BtSendClick);
  connect(BtReceive, &QToolButton::clicked, this, &TFormEEprom::BtReceiveClick);
  connect(BtVergleichen, &QToolButton::clicked, this, &TFormEEprom::BtVergleichenClick);
}

TFormEEprom::~TFormEEprom() { SavePlacementNow(); }

std::vector<Text> TFormEEprom::DumpLines() const { return DumpEditorLines(FromQt(Memo1->toPlainText())); }

void TFormEEprom::SetDumpLines(const std::vector<Text>& lines) {
  Text text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  Memo1->setPlainText(ToQt(text));
}

void TFormEEprom::SetTitleText(const Text& text) {
  setWindowTitle(ToQt(ReplaceTitleText(FromQt(windowTitle()), text)));
}

void TFormEEprom::SetExchanging(bool on) {
  // The transfers process window messages while they wait; a second click
  // must not start another transfer, nor the window close under it.
  exchanging_ = on;
  Glb->TransferBusy = on;
  for (QToolButton* b : {BtClose, BtLoad, BtStore, BtSend, BtReceive, BtVergleichen}) b->setEnabled(!on);
  Memo1->setReadOnly(on);
}

bool TFormEEprom::CanClose() { return !exchanging_ && TChildForm::CanClose(); }

void TFormEEprom::closeEvent(QCloseEvent* event) {
  TChildForm::closeEvent(event);
  // The port is left alone while the terminal (or anyone else) holds it.
  if (event->isAccepted() && Glb->ChannelMode == 0) {
    Glb->Serial.Close();
    Glb->Serial.ReleaseHandle();
  }
}

void TFormEEprom::BtReceiveClick() {
  if (exchanging_) return;
  if (!Glb->CheckConnection(Glb->ComPort)) {
    ShowInfo(Glb->NoInstrumentText());
    return;
  }
  SetExchanging(true);
  SetTitleText(kReadingTitle);
  Memo1->clear();
  QByteArray data(kEepromSize, '\0');
  if (!Glb->ReadParameterBlock(0, kEepromSize, data)) {
    ShowError(StrHolderEEP->Item(0));
  } else {
    Glb->SerialNumber = DumpSerialNumber(data);
    SerialText = SerialNumberToText(Glb->SerialNumber);
    SetTitleText(SerialText);
    SetDumpLines(FormatDump(data));
  }
  SetExchanging(false);
}

std::optional<QByteArray> TFormEEprom::CheckedDump() {
  DumpError error;
  std::optional<QByteArray> data = ParseDump(DumpLines(), &error);
  if (!data) ShowError(DumpErrorMessage(StrHolderEEP->Item(1), error));
  return data;
}

void TFormEEprom::BtSendClick() {
  if (exchanging_) return;
  // Every line is checked before a single byte goes to the instrument.
  const std::optional<QByteArray> data = CheckedDump();
  if (!data) return;
  SetExchanging(true);
  const bool written = Glb->WriteParameterBlock(0, kEepromSize, *data);
  SetExchanging(false);
  if (!written) ShowError(StrHolderEEP->Item(2));
}

void TFormEEprom::BtVergleichenClick() {
  if (exchanging_) return;
  SetExchanging(true);
  QByteArray instrument(kEepromSize, '\0');
  const bool read = Glb->ReadParameterBlock(0, kEepromSize, instrument);
  SetExchanging(false);
  if (!read) {
    ShowError(StrHolderEEP->Item(0));
    return;
  }
  const std::optional<QByteArray> data = CheckedDump();
  if (!data) return;
  const int32_t address = FirstDifference(*data, instrument.left(kEepromSize));
  if (address < 0) ShowInfo(StrHolderEEP->Item(3));
  else ShowError(DifferenceMessage(StrHolderEEP->Item(4), address));
}

void TFormEEprom::BtStoreClick() {
  if (exchanging_) return;
  if (SaveDialog.FileName.isEmpty()) {
    SaveDialog.InitialDir = OpenDialog.InitialDir;
    if (SaveDialog.InitialDir.isEmpty()) SaveDialog.InitialDir = Glb->ProgramDir;
  }
  SaveDialog.FileName = ToQt(DefaultDumpFileName(SerialText));
  if (!SaveDialog.Execute()) return;
  const QString path = SaveDialog.FileName;
  QString error;
  if (!WriteWholeFile(path, DumpFileText(DumpLines()), &error)) {
    ShowError(TrimBlanks(Glb->StrError->Item(10)) + " " + FromQt(path));
    return;
  }
  OpenDialog.FileName = path;
  OpenDialog.InitialDir = SaveDialog.InitialDir = FolderOf(path);
  SetTitleText(FromQt(QFileInfo(path).fileName()));
}

void TFormEEprom::BtLoadClick() {
  if (exchanging_) return;
  if (OpenDialog.InitialDir.isEmpty()) OpenDialog.InitialDir = Glb->ProgramDir;
  if (!OpenDialog.Execute()) return;
  const QString path = OpenDialog.FileName;
  QByteArray contents;
  // A dump is under a kilobyte; anything near a megabyte is no dump and
  // would only flood the editor.
  if (QFileInfo(path).size() > kMaxDumpFileSize || !ReadWholeFile(path, &contents)) {
    ShowError(TrimBlanks(Glb->StrError->Item(9)) + " " + FromQt(path));
    return;
  }
  SetDumpLines(DumpFileLines(contents));
  SaveDialog.FileName = path;
  OpenDialog.InitialDir = SaveDialog.InitialDir = FolderOf(path);
}

TFormEEprom* OpenFormEEprom() {
  TFormEEprom* form = OpenSingle<TFormEEprom>(g_form, [] { return new TFormEEprom; });
  form->BtReceiveClick();
  return form;
}
