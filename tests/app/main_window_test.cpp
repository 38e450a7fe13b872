// The main window: its menus and toolbar, what each level sees and may use,
// the command line, the level change, the settings reset and closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>

#include "app/info_windows.h"
#include "app/main_window.h"
#include "lang/translate.h"
#include "link/konfig_window.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/msgtable.h"
#include "util/settings_store.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->DataDir = dir.Path() + "/Daten/";
    store = std::make_unique<SettingsStore>(dir.File("registry.ini"));
    rig.glb->Registry = store.get();
    rig.glb->DisclaimerAccepted = true;
    Language().Reset();
    Language().Configure(dir.Path(), dir.File("Setup720.INI"), {"Setup720"}, "SETUP720");
    Boxes::Clear();
    Dialogs::Clear();
    Modals::Clear();
  }
  void TearDown() override {
    window.reset();
    Language().Reset();
    Glb = nullptr;
  }

  // A main window shown at the given level with the given arguments.
  TFormMain& Show(int32_t level, const QStringList& arguments = {}) {
    rig.glb->UserLevel = level;
    window = std::make_unique<TFormMain>();
    window->SetArguments(QStringList{"Setup720"} + arguments);
    window->FormShow();
    return *window;
  }

  QAction* Item(const char* name) {
    QAction* item = window->findChild<QAction*>(name);
    EXPECT_TRUE(item) << name;
    return item;
  }

  SimRig rig;
  TempDir dir;
  std::unique_ptr<SettingsStore> store;
  std::unique_ptr<TFormMain> window;
};

TEST_F(MainWindowTest, EveryMenuItemAndButtonCarriesItsName) {
  window = std::make_unique<TFormMain>();
  EXPECT_EQ(window->objectName(), "FormMain");
  EXPECT_EQ(window->windowTitle(), "ORX Setup 720");
  EXPECT_TRUE(qobject_cast<QMdiArea*>(window->centralWidget()));

  const struct {
    const char* menu;
    const char* caption;
    std::vector<std::pair<const char*, const char*>> items;
  } menus[] = {
      {"MnDatei1", "Datei", {{"MnBeenden1", "Beenden"}}},
      {"MnAnwender1", "Anwender", {{"MnDruckerKopfFuss1", "Drucker Kopf/Fu\xDF"}}},
      {"MnService1",
       "Service",
       {{"MnUpload1", "Programm Upload"},
        {"MnOptionen1", "Optionen"},
        {"SpracheMessgert1", "Sprache Messger\xE4t"}}},
      {"MnHersteller1",
       "Hersteller",
       {{"MnUpload2", "Programm Upload"},
        {"MnTerminal", "Terminal"},
        {"MnOptionen2", "Optionen"},
        {"SpracheMessgert2", "Sprache Messger\xE4t"},
        {"MnBrennstoffe", "Brennstoffe"},
        {"MnEEPromA1", "EEProm A"}}},
      {"MnFenster1", "Fenster", {{"MnUeberlappend1", "\xDC" "berlappend"}}},
      {"MnSonderfunktionen1",
       "Sonderfunktionen",
       {{"MnDiagnose1", "Diagnose"},
        {"MnKonfiguration1", "Konfiguration"},
        {"MnNotladen1", "Not laden"},
        {"MnReadme1", "Readme"},
        {"MnDateizeigen1", "Dateien Zeigen"},
        {"mnProgListen1", "Map file"},
        {"Registrylschen1", "Registry-Eintrag zur\xFC" "cksetzen"},
        {"MnDevReadParams", "Entwickler: Parameter lesen"}}},
      {"MnHilfe1", "Hilfe", {{"MnHilfe2", "Hilfe"}, {"MnInfo1", "Info"}}},
      {"MnFreigaben1", "Freigaben", {{"MnFreigeben1", "Freigabe \xE4ndern"}}},
      {"Sprache1", "&Sprache", {}},
  };
  const QList<QAction*> bar = window->menuBar()->actions();
  ASSERT_EQ(bar.size(), static_cast<qsizetype>(std::size(menus)));
  for (size_t m = 0; m < std::size(menus); ++m) {
    const auto& want = menus[m];
    QMenu* menu = window->findChild<QMenu*>(want.menu);
    ASSERT_TRUE(menu) << want.menu;
    EXPECT_EQ(bar[m], menu->menuAction()) << want.menu << " in menu bar order";
    EXPECT_EQ(menu->menuAction()->objectName(), want.menu);
    EXPECT_EQ(FromQt(menu->title()), want.caption);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(want.items.size())) << want.menu;
    for (size_t i = 0; i < want.items.size(); ++i) {
      EXPECT_EQ(items[i]->objectName(), want.items[i].first) << want.menu;
      EXPECT_EQ(FromQt(items[i]->text()), want.items[i].second);
    }
  }
  EXPECT_EQ(Item("MnBeenden1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));

  const struct {
    const char* name;
    const char* caption;
    const char* hint;
  } buttons[] = {
      {"BtExit", "\nEnde", "Programm beenden"},
      {"BtDruckKopfFuss", "Drucker\nKopf/Fu\xDF", "Druckertexte einstellen"},
      {"BtUpload", "Programm\nUpload", "Progamm laden starten"},
      {"BtOption", "\nOptionen", "Optionen verwalten"},
      {"BtSprache", "Sprache\nORX 720n", "Ger\xE4tesprache einstellen"},
      {"BtEeProm", "\nEEPromA", "EEProm-Daten auslesen / schreiben"},
      {"BtAlv", "ALV", "BtAlv|"},
  };
  QToolBar* speedBar = window->findChild<QToolBar*>("SpeedBar1");
  ASSERT_TRUE(speedBar);
  const QList<QAction*> tools = speedBar->actions();
  ASSERT_EQ(tools.size(), static_cast<qsizetype>(std::size(buttons)));
  for (size_t i = 0; i < std::size(buttons); ++i) {
    EXPECT_EQ(tools[i]->objectName(), buttons[i].name);
    EXPECT_EQ(FromQt(tools[i]->text()), buttons[i].caption);
    EXPECT_EQ(FromQt(tools[i]->toolTip()), buttons[i].hint);
    QWidget* button = speedBar->widgetForAction(tools[i]);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->size(), QSize(60, 60)) << buttons[i].name;
  }

  const struct {
    const char* name;
    int count;
  } tables[] = {{"StrMain", 24}, {"StrError", 34}, {"StrBRNmsg", 13},
                {"StrPrint", 47}, {"StrDis", 42},  {"StrGlobalOpt", 32}};
  for (const auto& t : tables) {
    auto* table = window->findChild<MessageTable*>(t.name, Qt::FindDirectChildrenOnly);
    ASSERT_TRUE(table) << t.name;
    EXPECT_EQ(table->Count(), t.count) << t.name;
  }
  EXPECT_EQ(window->StrMain, rig.glb->StrMain);

  auto* label = window->findChild<QLabel*>("Label1");
  ASSERT_TRUE(label);
  EXPECT_EQ(label->text(), "...");
  EXPECT_TRUE(window->findChild<QProgressBar*>("ProgressBar1"));
}

TEST_F(MainWindowTest, TablesOutliveTheWindowInTheModule) {
  window = std::make_unique<TFormMain>();
  EXPECT_EQ(rig.glb->StrMain->parent(), window.get());
  window.reset();
  ASSERT_EQ(rig.glb->StrMain->parent(), rig.glb.get());
  EXPECT_EQ(rig.glb->StrMain->Item(22),
            "Schl\xFCssel SETUP 720 in Registry wirklich zur\xFC" "cksetzen ?");
}

// The items the level rules touch, and what each level shows at show time.
const char* const kRuled[] = {"MnService1",  "MnNotladen1", "BtUpload",    "BtOption",
                              "MnHersteller1", "MnDiagnose1", "BtAlv",     "BtEeProm",
                              "BtSprache",   "MnFreigaben1", "mnProgListen1", "MnDevReadParams",
                              "MnReadme1",   "MnDateizeigen1", "MnBrennstoffe"};

TEST_F(MainWindowTest, ShowTimeVisibilityFollowsTheLevel) {
  const std::set<std::string> service = {"MnService1", "MnNotladen1", "BtUpload", "BtOption"};
  std::set<std::string> production = service;
  production.insert({"MnHersteller1", "MnDiagnose1", "BtAlv", "BtEeProm", "BtSprache"});
  std::set<std::string> development = production;
  development.insert({"MnFreigaben1", "mnProgListen1", "MnDevReadParams"});
  const struct {
    int32_t level;
    std::set<std::string> shown;
  } cases[] = {{0, {}}, {1, service}, {2, production}, {3, development}, {7, {}}, {-1, {}}};

  for (const auto& c : cases) {
    Show(c.level);
    for (const char* name : kRuled) {
      QAction* item = Item(name);
      EXPECT_EQ(item->isVisible(), c.shown.count(name) > 0) << "level " << c.level << ": " << name;
    }
    EXPECT_EQ(Item("mnProgListen1")->isEnabled(), c.level == 3);
    EXPECT_FALSE(Item("MnReadme1")->isEnabled());
    EXPECT_FALSE(Item("MnDateizeigen1")->isEnabled());
    EXPECT_FALSE(Item("SpracheMessgert1")->isVisible()) << "no level rule shows it";
    EXPECT_TRUE(Item("SpracheMessgert2")->isVisible());
    EXPECT_TRUE(Item("BtExit")->isVisible());
    EXPECT_TRUE(Item("BtDruckKopfFuss")->isVisible());
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
  }
}

TEST_F(MainWindowTest, CommandLineSetsLevelAndInstrumentLanguageItem) {
  const struct {
    const char* fid;  // stored level
    QStringList arguments;
    int32_t level;
    bool languageItem;
  } cases[] = {
      {"3", {"/F1"}, 1, false},
      {"2", {"/f2"}, 2, false},
      {"2", {"/F"}, 0, false},
      {"2", {"/Fx"}, 0, false},
      {"2", {"/F7"}, 2, false},
      {"0", {"/F3", "/F7"}, 3, false},
      {"0", {"/osprache"}, 0, true},
      {"1", {"/OSprache", "-L", "unknown"}, 1, true},
      {"", {"/F2"}, 2, false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(store->WriteString("Software\\ORX\\Setup720\\keyf", "FID", c.fid));
    rig.glb->UserLevel = 0;
    rig.glb->LoadRegistrySettings();
    window = std::make_unique<TFormMain>();
    window->SetArguments(QStringList{"Setup720"} + c.arguments);
    window->FormShow();
    EXPECT_EQ(rig.glb->UserLevel, c.level) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(Item("SpracheMessgert1")->isVisible(), c.languageItem);
    EXPECT_EQ(Item("MnService1")->isVisible(), c.level >= 1);
  }
}

TEST_F(MainWindowTest, DisclaimerDecidesWhetherTheToolStarts) {
  for (bool accept : {false, true}) {
    rig.glb->DisclaimerAccepted = false;
    rig.glb->UserLevel = 3;
    window = std::make_unique<TFormMain>();
    window->SetArguments({"Setup720"});
    int closed = 0;
    QObject::connect(window.get(), &TFormMain::Closed, [&] { ++closed; });
    Modals::Clear();
    if (accept) {
      Modals::OnNext([](QDialog* dialog) {
        auto* disclaimer = qobject_cast<TFormDisclaim*>(dialog);
        ASSERT_TRUE(disclaimer);
        disclaimer->Edit1()->setText("ok");
        disclaimer->Edit1Change();
        disclaimer->BtDisclaimOKClick();
      });
    }
    window->FormShow();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(Modals::Shown().size(), 1u);
    EXPECT_EQ(Modals::Shown()[0], "FormDisclaim");
    EXPECT_EQ(closed, accept ? 0 : 1);
    EXPECT_EQ(Item("MnFreigaben1")->isVisible(), accept) << "the start goes on only when accepted";
    if (accept) {
      ASSERT_TRUE(FormDisclaim());
      EXPECT_FALSE(FormDisclaim()->isVisible());
    }
    CloseDisclaimer();
  }
}

TEST_F(MainWindowTest, ShowingTranslatesAndFillsTheLanguageMenu) {
  ASSERT_TRUE(WriteWholeFile(dir.File("ENG_SETUP720.lng"),
                             "English\r\n"
                             "[FormMain]\r\n"
                             "FormMain.Caption=ORX Setup 720 EN\r\n"
                             "mnservice1.Caption=Service EN\r\n"
                             "BtDruckKopfFuss.Caption=Printer\xB6Header\r\n"
                             "StrMain.Strings[22]=Really reset?\r\n"));
  IniFile ini(dir.File("Setup720.INI"));
  ini.WriteString("Main", "Languagefile", "ENG_SETUP720.lng");
  ASSERT_TRUE(ini.UpdateFile());
  Show(1);
  EXPECT_EQ(window->windowTitle(), "ORX Setup 720 EN");
  EXPECT_EQ(window->MnService1->title(), "Service EN");
  EXPECT_EQ(Item("BtDruckKopfFuss")->text(), "Printer\nHeader");
  EXPECT_EQ(rig.glb->StrMain->Item(22), "Really reset?");
  EXPECT_EQ(rig.glb->LanguageName, "ENGLISH");
  const QList<QAction*> languages = window->Sprache1->actions();
  ASSERT_EQ(languages.size(), 1);
  EXPECT_EQ(languages[0]->objectName(), "MnSprache0");
  EXPECT_EQ(languages[0]->text(), "English");
}

TEST_F(MainWindowTest, StoredSwitchShowsTheInstrumentLanguageItem) {
  rig.glb->ShowInstrumentLanguageItem = true;
  Show(0);
  EXPECT_TRUE(Item("SpracheMessgert1")->isVisible());
}

TEST_F(MainWindowTest, LevelChangeAsksAndSetsTheEnabledStates) {
  Show(3);
  Dialogs::AnswerInput(true, "0");
  Item("MnFreigeben1")->trigger();
  ASSERT_EQ(Dialogs::Inputs().size(), 1u);
  const InputBoxRequest& asked = Dialogs::Inputs()[0];
  EXPECT_EQ(asked.caption, "Freigabe \xE4ndern");
  EXPECT_EQ(asked.prompt,
            "Anwender = 0;  = 0; Service = 1= 1;\r\r\rFertigung = 2;= 2; Entwicklung = 3= 3;");
  EXPECT_EQ(asked.defaultText, "3");
  EXPECT_EQ(rig.glb->UserLevel, 0);
  EXPECT_FALSE(Item("MnService1")->isEnabled());
  EXPECT_TRUE(Item("MnService1")->isVisible()) << "disabled, not hidden";
  EXPECT_FALSE(Item("MnHersteller1")->isEnabled());
  EXPECT_TRUE(Item("MnHersteller1")->isVisible());

  Dialogs::AnswerInput(true, "3");
  Item("MnFreigeben1")->trigger();
  EXPECT_EQ(rig.glb->UserLevel, 3);
  EXPECT_TRUE(Item("MnService1")->isEnabled());
  EXPECT_TRUE(Item("MnHersteller1")->isEnabled());
  EXPECT_TRUE(Item("MnReadme1")->isVisible() && Item("MnReadme1")->isEnabled());
  EXPECT_FALSE(Item("MnDateizeigen1")->isVisible()) << "hidden at show time stays hidden";
  Item("MnDateizeigen1")->setVisible(true);  // a hidden action reports itself disabled
  EXPECT_TRUE(Item("MnDateizeigen1")->isEnabled());

  // Cancelling gives the preset back: the level stays and its enabling is applied again.
  Item("BtUpload")->setEnabled(false);
  Item("MnFreigeben1")->trigger();
  EXPECT_EQ(Dialogs::Inputs().back().defaultText, "3");
  EXPECT_EQ(rig.glb->UserLevel, 3);
  EXPECT_TRUE(Item("BtUpload")->isEnabled());
}

TEST_F(MainWindowTest, LevelChangeEnablingTable) {
  // From each starting state (everything enabled or everything disabled) to a
  // new level: enabled and visible afterwards, '=' for "unchanged".
  struct Expect {
    const char* name;
    char enabled[4];  // levels 0..3: '1', '0' or '=' (kept)
  };
  const Expect table[] = {
      {"MnService1", {'0', '1', '1', '1'}},    {"BtUpload", {'0', '1', '1', '1'}},
      {"BtOption", {'0', '1', '1', '1'}},      {"MnNotladen1", {'0', '1', '1', '1'}},
      {"MnHersteller1", {'0', '0', '1', '1'}}, {"BtAlv", {'0', '0', '1', '1'}},
      {"MnDiagnose1", {'0', '0', '1', '1'}},   {"BtEeProm", {'0', '=', '1', '1'}},
      {"BtSprache", {'0', '=', '1', '1'}},     {"MnReadme1", {'0', '0', '1', '1'}},
      {"MnDateizeigen1", {'=', '0', '0', '1'}}, {"MnBrennstoffe", {'0', '0', '0', '0'}},
      {"mnProgListen1", {'0', '0', '0', '1'}},
  };
  for (bool before : {true, false}) {
    for (int32_t level = 0; level <= 3; ++level) {
      Show(3);
      for (const Expect& e : table) {
        Item(e.name)->setEnabled(before);
        Item(e.name)->setVisible(true);
      }
      Dialogs::AnswerInput(true, Text::number(level));
      window->MnFreigeben1Click();
      for (const Expect& e : table) {
        const char want = e.enabled[level];
        const bool enabled = want == '=' ? before : want == '1';
        EXPECT_EQ(Item(e.name)->isEnabled(), enabled)
            << e.name << " at level " << level << " from " << before;
      }
      EXPECT_EQ(Item("MnBrennstoffe")->isVisible(), level == 0) << "hidden from level 1 on";
    }
  }
  // A level outside 0..3 changes the level and nothing else.
  Show(3);
  Item("MnService1")->setEnabled(false);
  Dialogs::AnswerInput(true, "7");
  window->MnFreigeben1Click();
  EXPECT_EQ(rig.glb->UserLevel, 7);
  EXPECT_FALSE(Item("MnService1")->isEnabled());
  EXPECT_TRUE(Item("BtAlv")->isEnabled());
  Dialogs::AnswerInput(true, "Stufe");
  window->MnFreigeben1Click();
  EXPECT_EQ(rig.glb->UserLevel, 0) << "no number gives 0";
}

TEST_F(MainWindowTest, ResetKeepsTheThreeValuesAndDropsTheRest) {
  const Text root = "Software\\ORX\\Setup720";
  ASSERT_TRUE(store->WriteString(root + "\\keyf", "FID", "2"));
  ASSERT_TRUE(store->WriteString(root + "\\loadprog", "ID", "A-17"));
  ASSERT_TRUE(store->WriteString(root + "\\loadprog", "ShowCmd", "1"));
  ASSERT_TRUE(store->WriteString(root + "\\Drucker", "NormPos", "1,2,3,4"));
  ASSERT_TRUE(store->WriteString(root + "\\Main", "ShowCmd", "3"));
  ASSERT_TRUE(store->WriteString("Software\\ORX\\TQN\\Textedit", "ShowCmd", "1"));
  Show(0);

  Boxes::AnswerNext(false);
  Item("Registrylschen1")->trigger();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Question);
  EXPECT_EQ(Boxes::Shown()[0].message, rig.glb->StrMain->Item(22));
  EXPECT_TRUE(store->ValueExists(root + "\\Drucker", "NormPos")) << "No keeps everything";

  Boxes::AnswerNext(true);
  Item("Registrylschen1")->trigger();
  SettingsStore reread(dir.File("registry.ini"));
  EXPECT_EQ(reread.ReadString(root + "\\keyf", "FID"), "2");
  EXPECT_EQ(reread.ReadString(root + "\\loadprog", "ID"), "A-17");
  bool found = false;
  EXPECT_EQ(reread.ReadString(root + "\\lang", "Set", &found), "");
  EXPECT_TRUE(found) << "a missing value comes back empty";
  EXPECT_FALSE(reread.ValueExists(root + "\\loadprog", "ShowCmd"));
  EXPECT_FALSE(reread.KeyExists(root + "\\Drucker"));
  EXPECT_FALSE(reread.KeyExists(root + "\\Main"));
  EXPECT_TRUE(reread.ValueExists("Software\\ORX\\TQN\\Textedit", "ShowCmd")) << "other keys stay";
}

TEST_F(MainWindowTest, ClosingSavesTheBaseSettingsAndReleasesTheInstrument) {
  Show(2);
  rig.glb->ComPort = 1;
  rig.glb->AutoCom = true;
  rig.glb->LanguageName = "ENGLISH";
  rig.instrument.ClearCommands();
  int closed = 0;
  QObject::connect(window.get(), &TFormMain::Closed, [&] { ++closed; });
  EXPECT_TRUE(window->close());
  EXPECT_EQ(closed, 1);

  const IniFile ini(rig.glb->IniPath());
  EXPECT_EQ(ini.ReadString("setup720", "language", ""), "ENGLISH");
  EXPECT_EQ(ini.ReadInteger("KONFIG", "Comport", 0), 1);
  EXPECT_TRUE(ini.ReadBool("KONFIG", "AutoCom", false));
  EXPECT_TRUE(ini.ReadBool("Main", "Disclaim", false));
  const std::vector<Text>& commands = rig.instrument.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "W904"), commands.end());
  EXPECT_FALSE(rig.glb->Serial.IsOpen);
  EXPECT_TRUE(store->KeyExists("Software\\ORX\\Setup720\\Main")) << "placement saved";
}

TEST_F(MainWindowTest, ClosingWithoutInstrumentStillEnds) {
  rig.instrument.Options().silent = true;
  Show(0);
  EXPECT_TRUE(window->close());
  const std::vector<Text>& commands = rig.instrument.Commands();
  EXPECT_EQ(std::find(commands.begin(), commands.end(), "W904"), commands.end());
  EXPECT_TRUE(QFileInfo::exists(rig.glb->IniPath()));
}

TEST_F(MainWindowTest, ClosingWaitsForARunningTransfer) {
  Show(0);
  rig.glb->TransferBusy = true;
  EXPECT_FALSE(window->close());
  rig.glb->TransferBusy = false;
  EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, CascadePutsTheActiveChildFurthest) {
  Show(0);
  window->MnUeberlappend1Click();  // no children: nothing to do
  std::vector<QPointer<QMdiSubWindow>> subs;
  for (int i = 0; i < 3; ++i) {
    auto* child = new QWidget;
    child->resize(200, 100);
    window->AddChild(child);
    subs.push_back(qobject_cast<QMdiSubWindow*>(child->parentWidget()));
    ASSERT_TRUE(subs.back());
    subs.back()->move(300, 300);
  }
  window->MdiArea->setActiveSubWindow(subs[1]);
  window->MnUeberlappend1Click();
  EXPECT_EQ(subs[1]->pos(), QPoint(40, 40));
  EXPECT_EQ(subs[2]->pos(), QPoint(20, 20)) << "the one below the active";
  EXPECT_EQ(subs[0]->pos(), QPoint(0, 0));
  EXPECT_EQ(subs[0]->size(), subs[1]->size()) << "sizes unchanged";
}

TEST_F(MainWindowTest, HostedChildrenOpenAtTheirSizeAndLeaveWithTheirFrame) {
  Show(0);
  auto* child = new QWidget;
  child->setAttribute(Qt::WA_DeleteOnClose);
  child->resize(300, 150);
  window->AddChild(child);
  auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
  ASSERT_TRUE(sub);
  EXPECT_EQ(child->size(), QSize(300, 150));
  EXPECT_EQ(window->MdiArea->activeSubWindow(), sub);

  auto* other = new QWidget;
  window->AddChild(other);
  window->Activate(child);
  EXPECT_EQ(window->MdiArea->activeSubWindow(), sub);

  QPointer<QMdiSubWindow> frame(sub);
  child->close();  // as its own "Ende" button does
  for (int pass = 0; pass < 2; ++pass)  // the window, then its frame
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(frame.isNull());
  EXPECT_EQ(window->MdiArea->subWindowList().size(), 1);
}

TEST_F(MainWindowTest, InfoLinesAndHelpTopicFollowTheLevel) {
  Show(0);
  rig.glb->HexFileName = "orx720NT.h20";
  rig.glb->ComPort = 4;
  const struct {
    int32_t level;
    Text levelName;
    Text topic;
  } cases[] = {{0, "Anwender", "Setup720"},    {1, "Service", "Setup720S"},
               {2, "Hersteller", "Setup720H"}, {3, "Entwicklung", "Setup720E"},
               {7, "", "Setup720"},            {-2, "", "Setup720"}};
  for (const auto& c : cases) {
    rig.glb->UserLevel = c.level;
    const QList<Text> lines = window->InfoLines();
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines[0], "Hex File Name \torx720NT.h20");
    EXPECT_EQ(lines[8], "Benutzerebene \t" + c.levelName);
    EXPECT_EQ(lines[9], "Comport          :\t4");
    EXPECT_TRUE(lines[10].isEmpty() && lines[11].isEmpty());
    EXPECT_EQ(lines[17], "V 1.4,001-t2q");
    EXPECT_EQ(lines[18], "Setup720 f\xFCr ORX 720 ");

    Modals::Clear();
    Modals::OnNext([&](QDialog* box) {
      auto* list = box->findChild<QListWidget*>("ListBox");
      ASSERT_TRUE(list);
      ASSERT_EQ(list->count(), 19);
      EXPECT_EQ(FromQt(list->item(0)->text()), lines[18]) << "the product line comes first";
    });
    Item("MnInfo1")->trigger();
    ASSERT_EQ(Modals::Shown().size(), 1u);
    EXPECT_EQ(Modals::Shown()[0], "AboutBox");

    Boxes::Clear();
    window->MnHilfe2Click();  // no help documents here
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].message, "Help file: " + c.topic + "  not found");
  }
}

TEST_F(MainWindowTest, StatusTextAndPanel) {
  rig.glb->AutoCom = false;
  Show(0);
  EXPECT_FALSE(window->Label1->isVisibleTo(window.get()));
  EXPECT_FALSE(window->ProgressBar1->isVisibleTo(window.get()));
  rig.glb->SetStatusText(rig.glb->NoInstrumentText());
  EXPECT_EQ(window->Label1->text(), ToQt(rig.glb->StrError->Item(32) + " \n" +
                                         rig.glb->StrMain->Item(21)));

  // The port configuration's OK switches the panel through its hook.
  ASSERT_TRUE(KonfigWindowHooks().ShowStatusPanel);
  KonfigWindowHooks().ShowStatusPanel(true);
  EXPECT_TRUE(window->Label1->isVisibleTo(window.get()));
  EXPECT_TRUE(window->ProgressBar1->isVisibleTo(window.get()));

  rig.glb->AutoCom = true;
  Show(0);
  EXPECT_TRUE(window->Label1->isVisibleTo(window.get()));
  EXPECT_TRUE(window->ProgressBar1->isVisibleTo(window.get()));
}

TEST_F(MainWindowTest, EmergencyUploadOpensThePortWithoutCR) {
  Show(1);
  rig.glb->ComPort = 1;
  const qsizetype before = rig.backend->Written().size();
  Item("MnNotladen1")->trigger();
  EXPECT_TRUE(rig.glb->EmergencyMode);
  EXPECT_TRUE(rig.glb->Serial.IsOpen);
  EXPECT_EQ(rig.backend->LastSettings().baudRate, 9600);
  EXPECT_EQ(rig.backend->Written().size(), before) << "no lone CR";
}

TEST_F(MainWindowTest, DeveloperReadShowsTheParameterBytes) {
  Show(3);
  QByteArray& memory = rig.instrument.ParameterMemory();
  for (int i = 0; i < 256; ++i) memory[i] = static_cast<char>(i);
  rig.log.lines.clear();
  Item("MnDevReadParams")->trigger();
  const auto has = [&](const Text& line) {
    return std::find(rig.log.lines.begin(), rig.log.lines.end(), line) != rig.log.lines.end();
  };
  EXPECT_TRUE(has("00: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"));
  EXPECT_TRUE(has("F0: F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF"));
  EXPECT_FALSE(rig.glb->TransferBusy);

  rig.instrument.Options().silent = true;
  Boxes::Clear();
  Item("MnDevReadParams")->trigger();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].message, rig.glb->NoInstrumentText());
}

}  // namespace
