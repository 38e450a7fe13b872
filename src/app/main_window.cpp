#include "main_window.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "app/info_windows.h"
#include "app/openers.h"
#include "editors/option_catalogue.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "link/konfig_window.h"
#include "util/dialogs.h"
#include "util/helpers.h"
#include "util/msgbox.h"
#include "util/msgtable.h"
#include "util/placement.h"
#include "util/settings_store.h"

namespace {

const Text kRootKey = "Software\\ORX\\Setup720";
const Text kLevelKey = "Software\\ORX\\Setup720\\keyf";
const Text kLoadProgKey = "Software\\ORX\\Setup720\\loadprog";
const Text kLanguageKey = "Software\\ORX\\Setup720\\lang";

// Windows-1252 literals at the widget boundary.
QString W(const char* text) { return ToWidgetText(Text(text)); }

QAction* NewItem(QMenu* menu, const char* name, const char* caption) {
  QAction* item = menu->addAction(W(caption));
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

QMenu* NewMenu(QMenuBar* bar, const char* name, const char* caption) {
  QMenu* menu = bar->addMenu(W(caption));
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

bool InRange(int32_t level) { return level >= 0 && level <= 3; }

QPointer<TFormMain> g_main;

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("FormMain");
  setWindowTitle("ORX Setup 720");
  resize(800, 600);

  MdiArea = new QMdiArea(this);
  MdiArea->setObjectName("MdiArea");
  MdiArea->setBackground(palette().dark());
  setCentralWidget(MdiArea);

  // The tables the editors quote; the language files reach them under this window.
  StrPrint = CreateStrPrint(this);
  StrDis = CreateStrDis(this);
  StrGlobalOpt = CreateStrGlobalOpt(this);

  BuildMenus();
  BuildToolBar();
  BuildStatusPanel();

  g_main = this;
  // Declining the disclaimer ends the tool, once its window is gone.
  QPointer<TFormMain> self(this);
  SetMainWindowCloser([self] {
    if (self) QMetaObject::invokeMethod(self, &QWidget::close, Qt::QueuedConnection);
  });
  // The port configuration shows its notes and the status panel through here.
  KonfigHooks& konfig = KonfigWindowHooks();
  konfig.ShowInfoList = [](QPoint at, const Text& text) { ShowInfoList(at.x(), at.y(), text); };
  konfig.ShowStatusPanel = [self](bool visible) {
    if (self) self->ShowStatusPanel(visible);
  };

  if (Glb) AttachGlb();
}

TFormMain* FormMain() { return g_main; }

TFormMain::~TFormMain() {
  if (CurrentWindowHost() == this) SetWindowHost(nullptr);
  // The module outlives the window in tests and keeps quoting its tables.
  if (glb_) {
    for (MessageTable* table : {StrMain, StrError, StrBRNmsg})
      if (table && table->parent() == this) table->setParent(glb_);
  }
}

void TFormMain::AttachGlb() {
  if (!Glb || glb_ == Glb) return;
  glb_ = Glb;
  StrMain = Glb->StrMain;
  StrError = Glb->StrError;
  StrBRNmsg = Glb->StrBRNmsg;
  for (MessageTable* table : {StrMain, StrError, StrBRNmsg})
    if (table) table->setParent(this);
  connect(Glb, &TGlb::statusTextChanged, this, &TFormMain::SetStatus);
  // The interface language names the help documents and the disclaimer print.
  Language().LanguageNameChanged = [](const Text& name) {
    if (Glb) Glb->LanguageName = name;
  };
  if (!Glb->StatusText.isEmpty()) SetStatus(ToQt(Glb->StatusText));
  // The NT family needs a pause before a port is closed and opened again.
  if (GetPlatformId() == kPlatformNT) Glb->PortCloseDelay = 500;
  SetWindowHost(this);
}

void TFormMain::BuildMenus() {
  QMenuBar* bar = menuBar();

  MnDatei1 = NewMenu(bar, "MnDatei1", "Datei");
  MnBeenden1 = NewItem(MnDatei1, "MnBeenden1", "Beenden");
  MnBeenden1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  connect(MnBeenden1, &QAction::triggered, this, &QWidget::close);

  MnAnwender1 = NewMenu(bar, "MnAnwender1", "Anwender");
  MnDruckerKopfFuss1 = NewItem(MnAnwender1, "MnDruckerKopfFuss1", "Drucker Kopf/Fu\xDF");
  connect(MnDruckerKopfFuss1, &QAction::triggered, this, [] { OpenPrinterTexts(); });

  MnService1 = NewMenu(bar, "MnService1", "Service");
  MnUpload1 = NewItem(MnService1, "MnUpload1", "Programm Upload");
  connect(MnUpload1, &QAction::triggered, this, [] { OpenUploadWindow(); });
  MnOptionen1 = NewItem(MnService1, "MnOptionen1", "Optionen");
  connect(MnOptionen1, &QAction::triggered, this, [] { OpenServiceOptionsEditor(); });
  SpracheMessgert1 = NewItem(MnService1, "SpracheMessgert1", "Sprache Messger\xE4t");
  connect(SpracheMessgert1, &QAction::triggered, this, [] { OpenInstrumentLanguage(); });

  MnHersteller1 = NewMenu(bar, "MnHersteller1", "Hersteller");
  MnUpload2 = NewItem(MnHersteller1, "MnUpload2", "Programm Upload");
  connect(MnUpload2, &QAction::triggered, this, [] { OpenUploadWindow(); });
  MnTerminal = NewItem(MnHersteller1, "MnTerminal", "Terminal");
  connect(MnTerminal, &QAction::triggered, this, [] { OpenTerminal(); });
  MnOptionen2 = NewItem(MnHersteller1, "MnOptionen2", "Optionen");
  connect(MnOptionen2, &QAction::triggered, this, &TFormMain::OptionClick);
  SpracheMessgert2 = NewItem(MnHersteller1, "SpracheMessgert2", "Sprache Messger\xE4t");
  connect(SpracheMessgert2, &QAction::triggered, this, [] { OpenInstrumentLanguage(); });
  MnBrennstoffe = NewItem(MnHersteller1, "MnBrennstoffe", "Brennstoffe");
  connect(MnBrennstoffe, &QAction::triggered, this, [] { OpenFuelTables(); });
  MnEEPromA1 = NewItem(MnHersteller1, "MnEEPromA1", "EEProm A");
  connect(MnEEPromA1, &QAction::triggered, this, [] { OpenEepromEditor(); });

  MnFenster1 = NewMenu(bar, "MnFenster1", "Fenster");
  MnUeberlappend1 = NewItem(MnFenster1, "MnUeberlappend1", "\xDC" "berlappend");
  connect(MnUeberlappend1, &QAction::triggered, this, &TFormMain::MnUeberlappend1Click);

  MnSonderfunktionen1 = NewMenu(bar, "MnSonderfunktionen1", "Sonderfunktionen");
  MnDiagnose1 = NewItem(MnSonderfunktionen1, "MnDiagnose1", "Diagnose");
  connect(MnDiagnose1, &QAction::triggered, this, [] { ShowDiagnose(); });
  MnKonfiguration1 = NewItem(MnSonderfunktionen1, "MnKonfiguration1", "Konfiguration");
  connect(MnKonfiguration1, &QAction::triggered, this, [] { OpenPortConfiguration(); });
  MnNotladen1 = NewItem(MnSonderfunktionen1, "MnNotladen1", "Not laden");
  connect(MnNotladen1, &QAction::triggered, this, &TFormMain::MnNotladen1Click);
  MnReadme1 = NewItem(MnSonderfunktionen1, "MnReadme1", "Readme");
  connect(MnReadme1, &QAction::triggered, this, [] { OpenTextEditor(); });
  MnDateizeigen1 = NewItem(MnSonderfunktionen1, "MnDateizeigen1", "Dateien Zeigen");
  connect(MnDateizeigen1, &QAction::triggered, this, [] { OpenFileList(); });
  mnProgListen1 = NewItem(MnSonderfunktionen1, "mnProgListen1", "Map file");
  connect(mnProgListen1, &QAction::triggered, this, [] { OpenMapViewer(); });
  Registrylschen1 =
      NewItem(MnSonderfunktionen1, "Registrylschen1", "Registry-Eintrag zur\xFC" "cksetzen");
  connect(Registrylschen1, &QAction::triggered, this, &TFormMain::Registrylschen1Click);
  // A developer's look at one transfer until the editors exist.
  MnDevReadParams = NewItem(MnSonderfunktionen1, "MnDevReadParams", "Entwickler: Parameter lesen");
  connect(MnDevReadParams, &QAction::triggered, this, &TFormMain::MnDevReadParamsClick);

  MnHilfe1 = NewMenu(bar, "MnHilfe1", "Hilfe");
  MnHilfe2 = NewItem(MnHilfe1, "MnHilfe2", "Hilfe");
  connect(MnHilfe2, &QAction::triggered, this, &TFormMain::MnHilfe2Click);
  MnInfo1 = NewItem(MnHilfe1, "MnInfo1", "Info");
  connect(MnInfo1, &QAction::triggered, this, &TFormMain::MnInfo1Click);

  MnFreigaben1 = NewMenu(bar, "MnFreigaben1", "Freigaben");
  MnFreigeben1 = NewItem(MnFreigaben1, "MnFreigeben1", "Freigabe \xE4ndern");
  connect(MnFreigeben1, &QAction::triggered, this, &TFormMain::MnFreigeben1Click);

  // Filled from the language files when the window is first translated.
  Sprache1 = NewMenu(bar, "Sprache1", "&Sprache");

  // Hidden when the window is created.
  for (QAction* item : {MnService1->menuAction(), SpracheMessgert1, MnHersteller1->menuAction(),
                        MnBrennstoffe, MnDiagnose1, MnNotladen1, MnReadme1, MnDateizeigen1,
                        mnProgListen1, MnDevReadParams, MnFreigaben1->menuAction()})
    item->setVisible(false);
  MnReadme1->setEnabled(false);
  MnDateizeigen1->setEnabled(false);
}

void TFormMain::BuildToolBar() {
  SpeedBar1 = new QToolBar(this);
  SpeedBar1->setObjectName("SpeedBar1");
  SpeedBar1->setMovable(false);
  SpeedBar1->setFloatable(false);
  SpeedBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  SpeedBar1->setIconSize(QSize(24, 24));
  // Two short lines under the image must fit the 60-pixel buttons.
  QFont small = SpeedBar1->font();
  small.setPixelSize(10);
  SpeedBar1->setFont(small);
  SpeedBar1->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  addToolBar(Qt::TopToolBarArea, SpeedBar1);

  QStyle* s = style();
  auto button = [&](const char* name, const char* caption, const char* hint,
                    QStyle::StandardPixmap image) {
    QAction* b = SpeedBar1->addAction(s->standardIcon(image), W(caption));
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(W(hint));
    if (QWidget* w = SpeedBar1->widgetForAction(b)) w->setFixedSize(60, 60);
    return b;
  };
  BtExit = button("BtExit", "\rEnde", "Programm beenden", QStyle::SP_DialogCloseButton);
  connect(BtExit, &QAction::triggered, this, &QWidget::close);
  BtDruckKopfFuss = button("BtDruckKopfFuss", "Drucker\rKopf/Fu\xDF", "Druckertexte einstellen",
                           QStyle::SP_FileDialogDetailedView);
  connect(BtDruckKopfFuss, &QAction::triggered, this, [] { OpenPrinterTexts(); });
  BtUpload = button("BtUpload", "Programm\rUpload", "Progamm laden starten", QStyle::SP_ArrowUp);
  connect(BtUpload, &QAction::triggered, this, [] { OpenUploadWindow(); });
  BtOption = button("BtOption", "\rOptionen", "Optionen verwalten", QStyle::SP_FileDialogListView);
  connect(BtOption, &QAction::triggered, this, &TFormMain::OptionClick);
  BtSprache = button("BtSprache", "Sprache\rORX 720n", "Ger\xE4tesprache einstellen",
                     QStyle::SP_MessageBoxInformation);
  connect(BtSprache, &QAction::triggered, this, [] { OpenInstrumentLanguage(); });
  BtEeProm = button("BtEeProm", "\rEEPromA", "EEProm-Daten auslesen / schreiben",
                    QStyle::SP_DialogSaveButton);
  connect(BtEeProm, &QAction::triggered, this, [] { OpenEepromEditor(); });
  BtAlv = button("BtAlv", "ALV", "BtAlv|", QStyle::SP_FileDialogContentsView);
  connect(BtAlv, &QAction::triggered, this, [] { OpenAlvParameters(); });

  for (QAction* b : {BtUpload, BtOption, BtSprache, BtEeProm, BtAlv}) b->setVisible(false);
}

void TFormMain::BuildStatusPanel() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::StyledPanel);
  Panel1->setFrameShadow(QFrame::Sunken);
  Panel1->setMinimumHeight(40);  // room for a two-line status text
  ProgressBar1 = new QProgressBar(Panel1);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setFixedWidth(150);
  ProgressBar1->setTextVisible(false);
  Label1 = new QLabel("...", Panel1);
  Label1->setObjectName("Label1");
  auto* row = new QHBoxLayout(Panel1);
  row->setContentsMargins(4, 2, 4, 2);
  row->addWidget(ProgressBar1);
  row->addWidget(Label1, 1);
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addWidget(Panel1, 1);
  ProgressBar1->hide();
  Label1->hide();
}

void TFormMain::SetStatus(const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  Label1->setText(shown);
}

void TFormMain::ShowStatusPanel(bool on) {
  ProgressBar1->setVisible(on);
  Label1->setVisible(on);
}

// ---- showing ----

void TFormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the window is up: the disclaimer waits in a loop of its own, and
  // declining it closes this window.
  QMetaObject::invokeMethod(this, &TFormMain::FormShow, Qt::QueuedConnection);
}

void TFormMain::FormShow() {
  shown_ = true;
  TranslateWindow(this);
  // Declining closes this window through the closer set in the constructor.
  if (Glb && !Glb->DisclaimerAccepted && !OpenDisclaimer()) return;
  if (TFormDisclaim* disclaimer = FormDisclaim()) disclaimer->hide();
  if (Glb && Glb->ShowInstrumentLanguageItem) SpracheMessgert1->setVisible(true);
  EvaluateCommandLine(arguments_.isEmpty() ? QCoreApplication::arguments() : arguments_);
  ApplyShowVisibility();
  if (Glb && Glb->AutoCom) ShowStatusPanel(true);
  if (Glb) RestorePlacement(this, Glb->Store(), kRootKey, "Main");
  setWindowState(windowState() | Qt::WindowMaximized);
}

void TFormMain::EvaluateCommandLine(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const Text argument = UpperAscii(FromQt(arguments[i]));
    if (argument == "/OSPRACHE") {
      SpracheMessgert1->setVisible(true);
    } else if (argument.startsWith("/F")) {
      const int32_t level = ParseInt(argument.mid(2, 1));
      if (InRange(level) && Glb) Glb->UserLevel = level;
    }
  }
}

void TFormMain::ApplyShowVisibility() {
  for (QAction* item : {MnDiagnose1, MnService1->menuAction(), MnHersteller1->menuAction(),
                        MnNotladen1, BtUpload, BtOption, BtAlv, BtEeProm, BtSprache, MnBrennstoffe,
                        MnFreigaben1->menuAction(), MnDateizeigen1, MnReadme1, mnProgListen1,
                        MnDevReadParams})
    item->setVisible(false);
  for (QAction* item : {MnDateizeigen1, MnReadme1, mnProgListen1, MnDevReadParams})
    item->setEnabled(false);

  int32_t level = Glb ? Glb->UserLevel : 0;
  if (!InRange(level)) level = 0;
  const bool service = level >= 1;
  const bool production = level >= 2;
  const bool development = level >= 3;
  for (QAction* item : {MnService1->menuAction(), MnNotladen1, BtUpload, BtOption})
    item->setVisible(service);
  for (QAction* item : {MnHersteller1->menuAction(), MnDiagnose1, BtAlv, BtEeProm, BtSprache})
    item->setVisible(production);
  MnFreigaben1->menuAction()->setVisible(development);
  for (QAction* item : {mnProgListen1, MnDevReadParams}) {
    item->setVisible(development);
    item->setEnabled(development);
  }
}

// ---- level change ----

void TFormMain::MnFreigeben1Click() {
  if (!Glb || !StrMain) return;
  const Text prompt = StrMain->Item(1) + " = 0;" + " " + StrMain->Item(2) + "= 1;" + "\r\r\r" +
                      StrMain->Item(3) + "= 2;" + " " + StrMain->Item(4) + "= 3;";
  // Cancelling gives back the preset answer.
  const InputBoxResult answer =
      InputBox(StrMain->Item(0), prompt, Text::number(Glb->UserLevel));
  Glb->UserLevel = ParseInt(answer.text);
  ApplyLevelEnabling();
}

void TFormMain::ApplyLevelEnabling() {
  if (!Glb) return;
  const int32_t level = Glb->UserLevel;
  if (!InRange(level)) return;
  for (QAction* item : {MnService1->menuAction(), BtUpload, BtOption, MnNotladen1})
    item->setEnabled(level >= 1);
  for (QAction* item : {MnHersteller1->menuAction(), BtAlv, MnDiagnose1})
    item->setEnabled(level >= 2);
  if (level != 1)
    for (QAction* item : {BtEeProm, BtSprache}) item->setEnabled(level >= 2);
  MnReadme1->setEnabled(level >= 2);
  if (level == 3) MnReadme1->setVisible(true);
  if (level != 0) MnDateizeigen1->setEnabled(level == 3);
  MnBrennstoffe->setEnabled(false);
  if (level != 0) MnBrennstoffe->setVisible(false);
  for (QAction* item : {mnProgListen1, MnDevReadParams}) {
    item->setEnabled(level == 3);
    if (level == 3) item->setVisible(true);
  }
}

// ---- the other items ----

void TFormMain::OptionClick() {
  if (Glb && Glb->UserLevel > 1) OpenOptionsEditor();
  else OpenServiceOptionsEditor();
}

QList<Text> TFormMain::InfoLines() const {
  QList<Text> lines;
  if (!Glb || !StrMain) return lines;
  const int32_t level = Glb->UserLevel;
  const Text levelName = InRange(level) ? StrMain->Item(5 + level) : Text();
  lines << StrMain->Item(10) + "\t" + FromQt(Glb->HexFileName)
        << StrMain->Item(12) + "\t" + FromQt(Glb->BinFilePath)
        << StrMain->Item(13) + "\t" + FromQt(Glb->UserBinPath)
        << StrMain->Item(14) + "\t" + FromQt(Glb->HexFileDir)
        << StrMain->Item(15) + "\t" + FromQt(Glb->UserFileName)
        << StrMain->Item(16) + "\t" + FromQt(Glb->UserFileDir)
        << StrMain->Item(17) + "\t" + FromQt(Glb->DataDir)
        << StrMain->Item(18) + "\t" + FromQt(Glb->ProgramDir)
        << StrMain->Item(19) + "\t" + levelName
        << StrMain->Item(9) + "\t" + Text::number(Glb->ComPort) << Text() << Text()
        << "E-Mail\tservice@orx-messtechnik.de"
        << "Fax\t+49 (0) 7000 4711-99"
        << "Tel.\t+49 (0) 7000 4711-0"
        << "D-70000 Musterstadt, Deutschland"
        << "ORX Messtechnik GmbH"
        << "V " + Glb->ProgramVersion << "Setup720 f\xFCr ORX 720 ";
  return lines;
}

void TFormMain::MnInfo1Click() { ShowAboutBox(InfoLines()); }

void TFormMain::MnUeberlappend1Click() {
  // Child 0 is the active one (top of the stack); it ends furthest down.
  QList<QMdiSubWindow*> children = MdiArea->subWindowList(QMdiArea::StackingOrder);
  std::reverse(children.begin(), children.end());
  if (QMdiSubWindow* active = MdiArea->activeSubWindow()) {
    children.removeOne(active);
    children.prepend(active);
  }
  const qsizetype n = children.size();
  for (qsizetype i = 0; i < n; ++i) {
    const int offset = static_cast<int>(20 * (n - 1 - i));
    children[i]->move(offset, offset);
  }
}

Text TFormMain::HelpTopic() const {
  switch (Glb ? Glb->UserLevel : 0) {
    case 1: return "Setup720S";
    case 2: return "Setup720H";
    case 3: return "Setup720E";
    default: return "Setup720";
  }
}

void TFormMain::MnHilfe2Click() {
  if (Glb) Glb->ShowHelpFile(HelpTopic());
}

void TFormMain::MnNotladen1Click() {
  if (!Glb) return;
  Glb->EmergencyMode = true;
  Glb->OpenPort(9600, false);
  OpenUploadWindow();
}

void TFormMain::Registrylschen1Click() {
  if (!Glb || !StrMain || !AskYesNo(StrMain->Item(22))) return;
  SettingsStore& store = Glb->Store();
  // Missing keys give empty values, which are written back as such.
  const Text fid = store.ReadString(kLevelKey, "FID");
  const Text id = store.ReadString(kLoadProgKey, "ID");
  const Text set = store.ReadString(kLanguageKey, "Set");
  bool ok = store.DeleteKey(kRootKey);
  ok = ok && store.WriteString(kLevelKey, "FID", fid);
  ok = ok && store.WriteString(kLoadProgKey, "ID", id);
  ok = ok && store.WriteString(kLanguageKey, "Set", set);
  // The stored level must not vanish unnoticed.
  if (!ok) ShowError(FromQt(store.LastError()));
}

void TFormMain::MnDevReadParamsClick() {
  if (!Glb || Glb->TransferBusy) return;
  ShowDiagnose();
  if (!Glb->Logging() && DiagnoseWindow) {
    DiagnoseWindow->show();
    DiagnoseWindow->raise();
  }
  if (!Glb->CheckConnection(Glb->ComPort)) {
    ShowInfo(Glb->NoInstrumentText());
    return;
  }
  MnDevReadParams->setEnabled(false);
  Glb->TransferBusy = true;
  QByteArray bytes;
  const bool ok = Glb->ReadParameterBlock(0, 256, bytes);
  Glb->TransferBusy = false;
  MnDevReadParams->setEnabled(true);
  if (!ok) {
    Glb->Log("Parameter lesen: Fehler");
    return;
  }
  for (int32_t address = 0; address < 256; address += 16) {
    Text line = HexByte(static_cast<uint8_t>(address)) + ":";
    for (int32_t i = 0; i < 16; ++i)
      line += " " + HexByte(static_cast<uint8_t>(bytes[address + i]));
    Glb->Log(line);
  }
}

// ---- the workspace ----

void TFormMain::AddChild(QWidget* window) {
  // The frame is sized around the window's own size (or its layout's wish).
  const QSize size = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
  QMdiSubWindow* sub = MdiArea->addSubWindow(window);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  // A window that closes itself takes its frame along.
  connect(window, &QObject::destroyed, sub, &QObject::deleteLater);
  if (size.isValid()) {
    const QMargins m = sub->contentsMargins();
    sub->resize(size + QSize(m.left() + m.right(), m.top() + m.bottom()));
  }
  sub->show();
  MdiArea->setActiveSubWindow(sub);
}

void TFormMain::Activate(QWidget* window) {
  auto* sub = qobject_cast<QMdiSubWindow*>(window ? window->parentWidget() : nullptr);
  if (!sub) {
    if (window) {
      window->show();
      window->raise();
      window->activateWindow();
    }
    return;
  }
  if (sub->isMinimized()) sub->showNormal();
  sub->show();
  MdiArea->setActiveSubWindow(sub);
  sub->raise();
}

// ---- closing ----

bool TFormMain::CloseChildren() {
  MdiArea->closeAllSubWindows();
  for (QMdiSubWindow* sub : MdiArea->subWindowList())
    if (sub->isVisible()) return false;
  return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  // A window in the middle of a transfer keeps the tool open, as it keeps itself.
  if ((Glb && Glb->TransferBusy) || !CloseChildren()) {
    event->ignore();
    return;
  }
  closed_ = true;
  if (Glb) {
    // Failures here are of no use to anyone any more: the tool ends.
    Glb->SaveBaseSettings();
    SavePlacement(this, Glb->Store(), kRootKey, "Main");
  }
  CloseDisclaimer();
  if (Glb) Glb->ReleaseInstrument();
  event->accept();
  emit Closed();
}
