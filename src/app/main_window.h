#pragma once
// TFormMain: the frame of the tool. Its menus and toolbar open every other
// window (as children of its workspace), it decides by the access level
// UserLevel what a user sees, and it carries the shared message tables.
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include "link/child_window.h"
#include "util/text.h"

class MessageTable;
class QAction;
class QFrame;
class QLabel;
class QMdiArea;
class QMenu;
class QProgressBar;
class QToolBar;
class TGlb;

class TFormMain : public QMainWindow, public WindowHost {
  Q_OBJECT
 public:
  explicit TFormMain(QWidget* parent = nullptr);
  ~TFormMain() override;

  // Joins the global data module: takes over its tables, follows its status
  // text, sets the port close delay and becomes the host of the child
  // windows. The constructor does it when Glb exists already; at start-up the
  // main window comes first and is attached once Glb is made.
  void AttachGlb();

  // The command line (argument 0 is the program); QCoreApplication's unless set.
  void SetArguments(const QStringList& arguments) { arguments_ = arguments; }

  // The start logic, run once when the window is first shown: translation,
  // disclaimer, command line, menus for the level, status panel, maximised.
  void FormShow();
  // Menus and buttons for Glb->UserLevel, as fixed at show time.
  void ApplyShowVisibility();
  // "/OSPRACHE" and "/F" + digit.
  void EvaluateCommandLine(const QStringList& arguments);
  // Enabled states after a level change ("Freigabe ändern").
  void ApplyLevelEnabling();
  // The progress bar and status text, shown while AutoCom is on.
  void ShowStatusPanel(bool on);
  // The lines of the "Info" box, in the caller's order.
  QList<Text> InfoLines() const;
  // The help topic of the current level.
  Text HelpTopic() const;

  // Menu and button handlers.
  void MnFreigeben1Click();
  void MnInfo1Click();
  void MnUeberlappend1Click();
  void MnHilfe2Click();
  void MnNotladen1Click();
  void Registrylschen1Click();
  void MnDevReadParamsClick();
  void OptionClick();

  // WindowHost: the workspace.
  void AddChild(QWidget* window) override;
  void Activate(QWidget* window) override;

  // The "Diagnose" window, shown by the developer read when the opener does not.
  QPointer<QWidget> DiagnoseWindow;

  QMdiArea* MdiArea = nullptr;
  QToolBar* SpeedBar1 = nullptr;
  QFrame* Panel1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label1 = nullptr;

  MessageTable* StrMain = nullptr;
  MessageTable* StrError = nullptr;
  MessageTable* StrBRNmsg = nullptr;
  MessageTable* StrPrint = nullptr;
  MessageTable* StrDis = nullptr;
  MessageTable* StrGlobalOpt = nullptr;

  // Top-level menus (their menuAction() carries the same name).
  QMenu* MnDatei1 = nullptr;
  QMenu* MnAnwender1 = nullptr;
  QMenu* MnService1 = nullptr;
  QMenu* MnHersteller1 = nullptr;
  QMenu* MnFenster1 = nullptr;
  QMenu* MnSonderfunktionen1 = nullptr;
  QMenu* MnHilfe1 = nullptr;
  QMenu* MnFreigaben1 = nullptr;
  QMenu* Sprache1 = nullptr;

  QAction* MnBeenden1 = nullptr;
  QAction* MnDruckerKopfFuss1 = nullptr;
  QAction* MnUpload1 = nullptr;
  QAction* MnOptionen1 = nullptr;
  QAction* SpracheMessgert1 = nullptr;  // "Sprache Messgerät" in "Service"
  QAction* MnUpload2 = nullptr;
  QAction* MnTerminal = nullptr;
  QAction* MnOptionen2 = nullptr;
  QAction* SpracheMessgert2 = nullptr;  // "Sprache Messgerät" in "Hersteller"
  QAction* MnBrennstoffe = nullptr;
  QAction* MnEEPromA1 = nullptr;
  QAction* MnUeberlappend1 = nullptr;
  QAction* MnDiagnose1 = nullptr;
  QAction* MnKonfiguration1 = nullptr;
  QAction* MnNotladen1 = nullptr;
  QAction* MnReadme1 = nullptr;
  QAction* MnDateizeigen1 = nullptr;
  QAction* mnProgListen1 = nullptr;
  QAction* Registrylschen1 = nullptr;
  QAction* MnDevReadParams = nullptr;
  QAction* MnHilfe2 = nullptr;
  QAction* MnInfo1 = nullptr;
  QAction* MnFreigeben1 = nullptr;

  // Toolbar buttons.
  QAction* BtExit = nullptr;
  QAction* BtDruckKopfFuss = nullptr;
  QAction* BtUpload = nullptr;
  QAction* BtOption = nullptr;
  QAction* BtSprache = nullptr;
  QAction* BtEeProm = nullptr;
  QAction* BtAlv = nullptr;

 signals:
  // The window has closed: the tool ends.
  void Closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusPanel();
  void SetStatus(const QString& text);
  bool CloseChildren();

  QPointer<TGlb> glb_;  // the module whose tables this window holds
  QStringList arguments_;
  bool shown_ = false;
  bool closed_ = false;
};

// The main window, or null before it is made and after it is gone.
TFormMain* FormMain();
