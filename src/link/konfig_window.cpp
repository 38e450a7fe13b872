#include "konfig_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

#include "glb.h"
#include "lang/translate.h"
#include "util/dialogs.h"
#include "util/helpers.h"
#include "util/msgbox.h"

namespace {

const Text kHexFilter = "Hex-Datei (*.H20)|*.H20|Hex-Datei (*.HEX)|*.HEX|Alle Dateien (*.*)|*.*";

QString FolderOf(const QString& path) { return path.left(path.lastIndexOf(u'/') + 1); }

QPointer<TFormKonfig>& Instance() {
  static QPointer<TFormKonfig> instance;
  return instance;
}

QToolButton* ImageButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                         const char* hint) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setToolTip(hint);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

KonfigHooks& KonfigWindowHooks() {
  static KonfigHooks hooks;
  return hooks;
}

TFormKonfig::TFormKonfig(QWidget* parent) : QDialog(parent) {
  setObjectName("FormKonfig");
  setWindowTitle("Konfiguration");
  setFixedSize(557, 225);

  Label2 = new QLabel("Com-Port", this);
  Label2->setObjectName("Label2");
  Label2->setGeometry(16, 10, 220, 18);

  sEditComport = new QComboBox(this);
  sEditComport->setObjectName("sEditComport");
  sEditComport->setEditable(false);
  sEditComport->setGeometry(16, 30, 190, 28);

  BtVerbTest = new QPushButton("&Verbindung &Testen", this);
  BtVerbTest->setObjectName("BtVerbTest");
  BtVerbTest->setGeometry(218, 29, 140, 30);
  BtVerbTest->setAutoDefault(false);  // Enter in the file name field starts no test

  BtVerbSuchen = new QPushButton("Verbindung &Suchen", this);
  BtVerbSuchen->setObjectName("BtVerbSuchen");
  BtVerbSuchen->setGeometry(366, 29, 140, 30);
  BtVerbSuchen->setAutoDefault(false);

  imageinfo = ImageButton(this, "imageinfo", QStyle::SP_MessageBoxInformation, "INFO");
  imageinfo->setGeometry(514, 25, 38, 38);
  imageinfo->setIconSize(QSize(32, 32));

  CBAutocheck = new QCheckBox("Automatische suche nach Verbindung beim Programmstart", this);
  CBAutocheck->setObjectName("CBAutocheck");
  CBAutocheck->setToolTip(
      ToWidgetText("Verbindung Suchen bei jedem\rProgrammstart automatisch\rausf\xFChren."));
  CBAutocheck->setGeometry(16, 68, 500, 22);

  Label1 = new QLabel("Prog-Datei", this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(16, 100, 200, 18);

  EditHexFile = new QLineEdit(this);
  EditHexFile->setObjectName("EditHexFile");
  EditHexFile->setGeometry(16, 120, 490, 26);

  BtHexFile = ImageButton(this, "BtHexFile", QStyle::SP_DirOpenIcon, "");
  BtHexFile->setGeometry(512, 119, 28, 28);

  Label3 = new QLabel(ToWidgetText("Firmware - Datei f\xFCr Upload"), this);
  Label3->setObjectName("Label3");
  Label3->setGeometry(16, 150, 300, 18);

  BtCancel = ImageButton(this, "BtCancel", QStyle::SP_DialogCancelButton, "Cancel");
  BtCancel->setGeometry(420, 178, 56, 40);
  BtCancel->setIconSize(QSize(28, 28));

  BtOK = ImageButton(this, "BtOK", QStyle::SP_DialogOkButton, "OK");
  BtOK->setGeometry(484, 178, 56, 40);
  BtOK->setIconSize(QSize(28, 28));

  strinfo = new MessageTable(this, "strinfo",
                             {"ACHTUNG! ",
                              "  Voraussetzung f\xFCr eine Verbindung zum Ger\xE4t ist:",
                              "  - das dieses Instrument mit einem daf\xFCr vorgesehenem ",
                              "    Kabel an den Computer angeschlossen ist.",
                              "  - das Instrument muss eingeschaltet sein",
                              "",
                              "Verbindung Testen ",
                              "  - testet ob das Programm mit ",
                              "    der ausgew\xE4hlten Schnittstelle",
                              "    eine Verbindung zum Ger\xE4t aufbauen",
                              "    kann.",
                              "",
                              "Verbindung Suchen:",
                              "  - sucht ob das Programm mit ",
                              "    einer der zur Verf\xFCgung stehenden Schnittstellen",
                              "    eine Verbindung zum Ger\xE4t aufbauen",
                              "    kann."});

  connect(BtVerbTest, &QPushButton::clicked, this, &TFormKonfig::BtVerbTestClick);
  connect(BtVerbSuchen, &QPushButton::clicked, this, &TFormKonfig::BtVerbSuchenClick);
  connect(imageinfo, &QToolButton::clicked, this, &TFormKonfig::imageinfoClick);
  connect(BtHexFile, &QToolButton::clicked, this, &TFormKonfig::BtHexFileClick);
  connect(BtOK, &QToolButton::clicked, this, &TFormKonfig::BtOKClick);
  connect(BtCancel, &QToolButton::clicked, this, &TFormKonfig::BtCancelClick);

  EditHexFile->setText(ShownHexFile());
  SetHexFileView([self = QPointer<TFormKonfig>(this)](const QString& path) {
    if (self) self->EditHexFile->setText(path);
  });
}

TFormKonfig::~TFormKonfig() = default;

void TFormKonfig::ShowPortList(const PortList& list) {
  UsbPort = list.UsbPort;
  UsbFound = list.UsbFound;
  list_ = list;
  listShown_ = true;
  FillControls();
  sEditComport->setCurrentIndex(-1);
}

void TFormKonfig::FillControls() {
  sEditComport->clear();
  for (const Text& entry : list_.entries) sEditComport->addItem(ToQt(entry));
  Label2->setText(ToQt(list_.label));
}

int32_t TFormKonfig::ChosenPort() const {
  if (sEditComport->currentIndex() < 0) return 0;
  return EntryPort(FromQt(sEditComport->currentText()));
}

Text TFormKonfig::InfoText() const { return strinfo->Items().join("\r\n"); }

void TFormKonfig::Centre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect box = frameGeometry();
  box.moveCenter(screen->availableGeometry().center());
  move(box.topLeft());
}

void TFormKonfig::showEvent(QShowEvent* event) {
  TranslateWindow(this);
  // The port list and the cable status are facts, not texts to translate.
  if (listShown_) FillControls();
  const bool fileRow = Glb && Glb->UserLevel >= 1 && Glb->UserLevel <= 3;
  Label1->setVisible(fileRow);
  EditHexFile->setVisible(fileRow);
  BtHexFile->setVisible(fileRow);
  Label3->setVisible(fileRow);
  if (Glb) {
    CBAutocheck->setChecked(Glb->AutoCom);
    int chosen = -1;
    for (int i = 0; i < sEditComport->count(); ++i) {
      if (ParseInt(FromQt(sEditComport->itemText(i))) == Glb->ComPort) {
        chosen = i;
        break;
      }
    }
    sEditComport->setCurrentIndex(chosen);
  }
  Centre();
  QDialog::showEvent(event);
}

void TFormKonfig::BtVerbTestClick() {
  const PortTestResult result = TestPort(ChosenPort());
  if (result.refused)
    ShowError(kPortBusyText);
  else
    ShowInfo(result.message);
}

void TFormKonfig::BtVerbSuchenClick() {
  // Refused before the list is rebuilt: listing would close the port under
  // the running exchange.
  if (Glb->Busy) {
    ShowError(kPortBusyText);
    return;
  }
  const PortList list = FillPortList();
  ShowPortList(list);
  const PortSearchResult result = SearchPorts(
      list.entries, [this](int index) { sEditComport->setCurrentIndex(index); },
      [](const Text& question) { return AskYesNo(question); });
  if (result.refused)
    ShowError(kPortBusyText);
  else if (result.chosen == 0)
    ShowError(kSearchNoDeviceText);
}

void TFormKonfig::imageinfoClick() {
  const QPoint at = imageinfo->mapToGlobal(QPoint(0, 0));
  if (KonfigWindowHooks().ShowInfoList)
    KonfigWindowHooks().ShowInfoList(at, InfoText());
  else
    ShowInfo(InfoText());
}

void TFormKonfig::BtHexFileClick() {
  FileDialogRequest request;
  request.kind = FileDialogKind::Open;
  request.folder = FolderOf(EditHexFile->text());
  if (request.folder.isEmpty() && Glb) request.folder = Glb->HexFileDir;
  request.fileName = EditHexFile->text().mid(EditHexFile->text().lastIndexOf(u'/') + 1);
  request.filter = kHexFilter;
  const QString path = RunFileDialog(request);
  if (!path.isEmpty()) EditHexFile->setText(path);
}

void TFormKonfig::BtOKClick() {
  TGlb& g = *Glb;
  g.AutoCom = CBAutocheck->isChecked();
  if (KonfigWindowHooks().ShowStatusPanel) KonfigWindowHooks().ShowStatusPanel(g.AutoCom);
  // Without a chosen entry the port stays as it was.
  if (sEditComport->currentIndex() >= 0) g.ComPort = ChosenPort();
  g.SavedPort = g.ComPort;
  ApplyHexFile(EditHexFile->text());
  if (!SaveConfiguration())
    ShowError("Die Konfiguration konnte nicht in " + FromQt(g.IniPath()) +
              " gespeichert werden.");
  accept();
}

void TFormKonfig::BtCancelClick() { reject(); }

void TFormKonfig::reject() {
  // Escape and the close box cancel as the button does.
  if (Glb) CBAutocheck->setChecked(Glb->AutoCom);
  // An edited file name is dropped with the rest of the dialog.
  EditHexFile->setText(ShownHexFile());
  QDialog::reject();
}

TFormKonfig* FormKonfig(QWidget* parent) {
  QPointer<TFormKonfig>& instance = Instance();
  if (!instance) instance = new TFormKonfig(parent);
  return instance;
}

void ShowPortConfiguration() {
  // Listing and the final reopening would close the port under the running
  // exchange.
  if (Glb->Busy) {
    ShowError(kPortBusyText);
    return;
  }
  TFormKonfig* form = FormKonfig();
  const PortList list = FillPortList();
  form->ShowPortList(list);
  const int result = RunModal(form);
  if (result == QDialog::Accepted) {
    if (form->sEditComport->currentIndex() >= 0) Glb->ComPort = form->ChosenPort();
    SaveConfiguration();
  }
  Glb->ReopenPort();
}
