// The port configuration window: its controls, showing, OK and Cancel, test,
// search and the information image, against the in-process instrument.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "lang/translate.h"
#include "link/konfig_window.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/settings_store.h"

namespace {

class KonfigWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Boxes::Clear();
    Dialogs::Clear();
    Modals::Clear();
    Glb = rig_.glb.get();
    g().ProgramDir = dir_.Path() + "/";
    g().DataDir = g().ProgramDir + "Daten/";
    ASSERT_TRUE(QDir().mkpath(dir_.File("Daten")));
    store_ = std::make_unique<SettingsStore>(dir_.File("registry.ini"));
    g().Registry = store_.get();
    previousLookup_ = SetUsbCableLookup([this](const Text&, const Text&, const Text&) { return usb_; });
    KonfigWindowHooks() = {};
    g().SavedPort = g().ComPort = 1;
    g().HexFilePath = "/fw/orx720NT.h20";
    form_ = FormKonfig();
  }
  void TearDown() override {
    delete form_;
    KonfigWindowHooks() = {};
    SetUsbCableLookup(previousLookup_);
    ShowHexFile({});
    Glb = nullptr;
    Boxes::Clear();
    Dialogs::Clear();
    Modals::Clear();
  }

  TGlb& g() { return *rig_.glb; }
  Text IniValue(const Text& key) { return IniFile(g().IniPath()).ReadString("KONFIG", key, "<none>"); }
  std::vector<Text> Messages(BoxKind kind) {
    std::vector<Text> out;
    for (const BoxRequest& b : Boxes::Shown())
      if (b.kind == kind) out.push_back(b.message);
    return out;
  }
  // Runs the window as the "Konfiguration" item does, the script acting on it.
  void RunConfiguration(std::function<void(TFormKonfig&)> script) {
    Modals::OnNext([script](QDialog* dialog) { script(*static_cast<TFormKonfig*>(dialog)); });
    ShowPortConfiguration();
  }
  void Choose(TFormKonfig& form, const QString& entry) {
    const int index = form.sEditComport->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    form.sEditComport->setCurrentIndex(index);
  }

  SimRig rig_;
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
  UsbCableLookup previousLookup_;
  Text usb_;
  TFormKonfig* form_ = nullptr;
};

TEST_F(KonfigWindowTest, ControlsCarryTheirNamesCaptionsAndHints) {
  EXPECT_EQ(form_->objectName(), "FormKonfig");
  EXPECT_EQ(form_->windowTitle(), "Konfiguration");
  EXPECT_EQ(form_->size(), QSize(557, 225));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  struct Case {
    const char* name;
    const char* className;
    QString caption;
    QString hint;
  };
  const std::vector<Case> cases = {
      {"Label2", "QLabel", "Com-Port", ""},
      {"sEditComport", "QComboBox", "", ""},
      {"BtVerbTest", "QPushButton", "&Verbindung &Testen", ""},
      {"BtVerbSuchen", "QPushButton", "Verbindung &Suchen", ""},
      {"imageinfo", "QToolButton", "", "INFO"},
      {"CBAutocheck", "QCheckBox", "Automatische suche nach Verbindung beim Programmstart",
       QString::fromUtf8("Verbindung Suchen bei jedem\nProgrammstart automatisch\nausführen.")},
      {"Label1", "QLabel", "Prog-Datei", ""},
      {"EditHexFile", "QLineEdit", "", ""},
      {"Label3", "QLabel", QString::fromUtf8("Firmware - Datei für Upload"), ""},
      {"BtCancel", "QToolButton", "", "Cancel"},
      {"BtOK", "QToolButton", "", "OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* w = form_->findChild<QWidget*>(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->metaObject()->className(), c.className);
    QString caption;
    if (auto* label = qobject_cast<QLabel*>(w)) caption = label->text();
    if (auto* push = qobject_cast<QPushButton*>(w)) caption = push->text();
    if (auto* box = qobject_cast<QCheckBox*>(w)) caption = box->text();
    EXPECT_EQ(caption, c.caption);
    EXPECT_EQ(w->toolTip(), c.hint);
  }
  EXPECT_FALSE(form_->sEditComport->isEditable());
  auto* table = form_->findChild<MessageTable*>("strinfo");
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->Count(), 17);
  EXPECT_EQ(table->Item(0), "ACHTUNG! ");
  EXPECT_EQ(table->Item(5), "");
  EXPECT_EQ(table->Item(14), "    einer der zur Verf\xFCgung stehenden Schnittstellen");
  EXPECT_EQ(table->Item(16), "    kann.");
  EXPECT_EQ(FormKonfig(), form_);  // one window, kept
}

TEST_F(KonfigWindowTest, ShowingFollowsLevelAutoComAndComPort) {
  rig_.backend->SetPorts({1, 3, 7});
  usb_ = "COM7";
  form_->ShowPortList(FillPortList());
  EXPECT_EQ(form_->Label2->text(), "USB-Kabel (COM7)");
  EXPECT_TRUE(form_->UsbFound);
  struct Case {
    int32_t level;
    bool fileRow;
    int32_t comPort;
    int chosen;
    bool autoCom;
  };
  for (const Case& c : {Case{0, false, 7, 2, true}, Case{1, true, 3, 1, false},
                        Case{2, true, 1, 0, true}, Case{3, true, 5, -1, false},
                        Case{7, false, 1, 0, false}}) {
    SCOPED_TRACE(c.level);
    g().UserLevel = c.level;
    g().ComPort = c.comPort;
    g().AutoCom = c.autoCom;
    form_->show();
    EXPECT_EQ(form_->EditHexFile->isVisible(), c.fileRow);
    EXPECT_EQ(form_->Label1->isVisible(), c.fileRow);
    EXPECT_EQ(form_->Label3->isVisible(), c.fileRow);
    EXPECT_EQ(form_->BtHexFile->isVisible(), c.fileRow);
    EXPECT_EQ(form_->sEditComport->currentIndex(), c.chosen);
    EXPECT_EQ(form_->CBAutocheck->isChecked(), c.autoCom);
    form_->hide();
  }
}

TEST_F(KonfigWindowTest, OkStoresTheChosenPortWithTwoDigits) {
  rig_.backend->SetPorts({1, 12});
  usb_ = "COM12";
  std::optional<bool> panel;
  KonfigWindowHooks().ShowStatusPanel = [&](bool visible) { panel = visible; };
  RunConfiguration([&](TFormKonfig& form) {
    Choose(form, "COM12 ORX720 USB");
    form.CBAutocheck->setChecked(true);
    form.BtOK->click();
  });
  EXPECT_EQ(Modals::Shown(), (std::vector<QString>{"FormKonfig"}));
  EXPECT_EQ(g().ComPort, 12);
  EXPECT_EQ(g().SavedPort, 12);
  EXPECT_TRUE(g().AutoCom);
  EXPECT_EQ(panel, std::optional<bool>(true));
  EXPECT_EQ(IniValue("Comport"), "12");
  EXPECT_EQ(IniValue("AutoCom"), "1");
  // The configured port is opened again afterwards.
  EXPECT_EQ(rig_.backend->OpenPortNumber(), 12);
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(KonfigWindowTest, OkTakesTheFileNameField) {
  g().UserLevel = 2;
  RunConfiguration([](TFormKonfig& form) {
    form.EditHexFile->setText("/neu/fw2.h20");
    form.BtOK->click();
  });
  EXPECT_EQ(g().HexFilePath, "/neu/fw2.h20");
  EXPECT_EQ(g().BinFilePath, "/neu/fw2.bin");
  EXPECT_EQ(g().UserBinPath, "/neu/Userfw2.bin");
  EXPECT_EQ(IniValue("HexFile"), "/neu/fw2.h20");
  EXPECT_EQ(IniValue("HexInitDir"), "/neu/");
}

TEST_F(KonfigWindowTest, OkWithoutAnEntryKeepsThePort) {
  rig_.backend->SetPorts({});
  g().SavedPort = g().ComPort = 4;
  std::optional<bool> panel;
  KonfigWindowHooks().ShowStatusPanel = [&](bool visible) { panel = visible; };
  RunConfiguration([](TFormKonfig& form) {
    EXPECT_EQ(form.sEditComport->count(), 0);
    EXPECT_EQ(form.Label2->text(), "Kein USB-Kabel");
    form.BtOK->click();
  });
  EXPECT_EQ(g().ComPort, 4);
  EXPECT_EQ(IniValue("Comport"), "4");
  EXPECT_EQ(panel, std::optional<bool>(false));
}

TEST_F(KonfigWindowTest, CancelChangesNothing) {
  rig_.backend->SetPorts({1, 3});
  g().AutoCom = false;
  RunConfiguration([](TFormKonfig& form) {
    form.sEditComport->setCurrentIndex(1);
    form.CBAutocheck->setChecked(true);
    form.EditHexFile->setText("/anders.h20");
    form.BtCancel->click();
  });
  EXPECT_EQ(g().ComPort, 1);
  EXPECT_FALSE(g().AutoCom);
  EXPECT_FALSE(form_->CBAutocheck->isChecked());
  EXPECT_EQ(form_->EditHexFile->text(), ShownHexFile());
  EXPECT_FALSE(QFileInfo::exists(g().IniPath()));
  EXPECT_EQ(rig_.backend->OpenPortNumber(), 1);  // reopened in every case
  // Closing the window is a Cancel too.
  RunConfiguration([](TFormKonfig& form) { form.CBAutocheck->setChecked(true); });
  EXPECT_FALSE(form_->CBAutocheck->isChecked());
  EXPECT_FALSE(QFileInfo::exists(g().IniPath()));
}

TEST_F(KonfigWindowTest, ConfigurationRefusedWhileAnExchangeRuns) {
  g().Busy = true;
  RunConfiguration([](TFormKonfig& form) { form.BtOK->click(); });
  EXPECT_TRUE(Modals::Shown().empty());
  EXPECT_EQ(Messages(BoxKind::Error), (std::vector<Text>{"Schnittstelle belegt"}));
  EXPECT_TRUE(g().Busy);
}

TEST_F(KonfigWindowTest, TestButtonReportsTheChosenPort) {
  struct Case {
    const char* what;
    bool echo;
    bool busy;
    BoxKind kind;
    Text message;
  };
  const std::vector<Case> cases = {
      {"instrument", false, false, BoxKind::Info, "COM1: ORX 720 V3.21"},
      {"echo", true, false, BoxKind::Info, "COM1: Kein Ger\xE4t gefunden!"},
      {"busy", false, true, BoxKind::Error, "Schnittstelle belegt"},
  };
  rig_.backend->SetPorts({1, 2});
  form_->ShowPortList(FillPortList());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Boxes::Clear();
    rig_.instrument.ClearCommands();
    rig_.instrument.Options().echo = c.echo;
    rig_.instrument.Options().silent = c.echo;
    g().Busy = c.busy;
    Choose(*form_, "COM1");
    form_->BtVerbTest->click();
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, c.kind);
    EXPECT_EQ(Boxes::Shown()[0].message, c.message);
    EXPECT_EQ(rig_.instrument.Commands().empty(), c.busy);
    EXPECT_EQ(g().Busy, c.busy);
    EXPECT_EQ(g().ComPort, 1);
  }
}

TEST_F(KonfigWindowTest, SearchChoosesTheAcceptedPortAndOkTakesIt) {
  rig_.backend->SetPorts({1, 3, 7});
  rig_.backend->SetAttachedPort(7);
  usb_ = "COM7";
  RunConfiguration([](TFormKonfig& form) {
    Boxes::AnswerNext(true);
    form.BtVerbSuchen->click();
    EXPECT_EQ(form.sEditComport->currentText(), "COM7 ORX720 USB");
    form.BtOK->click();
  });
  EXPECT_EQ(Messages(BoxKind::Question),
            (std::vector<Text>{"COM7: ORX 720 V3.21\r\xDC" "bernehmen ?"}));
  EXPECT_TRUE(Messages(BoxKind::Error).empty());
  EXPECT_EQ(g().ComPort, 7);
  EXPECT_EQ(IniValue("Comport"), "7");
}

TEST_F(KonfigWindowTest, SearchWithoutAnAcceptedInstrument) {
  rig_.backend->SetPorts({1, 3});
  rig_.backend->SetAttachedPort(3);
  form_->ShowPortList(FillPortList());
  Boxes::AnswerNext(false);
  form_->BtVerbSuchen->click();
  EXPECT_EQ(Messages(BoxKind::Question).size(), 1u);
  EXPECT_EQ(Messages(BoxKind::Error), (std::vector<Text>{"Kein Ger\xE4t gefunden !"}));
  EXPECT_EQ(form_->sEditComport->currentIndex(), 1);  // the last one tried

  // While another exchange runs the list is not even rebuilt.
  Boxes::Clear();
  rig_.backend->SetPorts({1, 3, 5});
  g().Busy = true;
  form_->BtVerbSuchen->click();
  EXPECT_EQ(Messages(BoxKind::Error), (std::vector<Text>{"Schnittstelle belegt"}));
  EXPECT_EQ(form_->sEditComport->count(), 2);
  EXPECT_TRUE(g().Busy);
}

TEST_F(KonfigWindowTest, InfoImageShowsTheInformationText) {
  std::vector<std::pair<QPoint, Text>> shown;
  form_->imageinfo->click();  // without the information list: a box
  ASSERT_EQ(Messages(BoxKind::Info).size(), 1u);
  const Text text = Messages(BoxKind::Info)[0];
  EXPECT_TRUE(text.startsWith("ACHTUNG! \r\n  Voraussetzung f\xFCr eine Verbindung"));
  EXPECT_TRUE(text.endsWith("Verbindung zum Ger\xE4t aufbauen\r\n    kann."));
  EXPECT_EQ(text.count("\r\n"), 16);

  KonfigWindowHooks().ShowInfoList = [&](QPoint at, const Text& t) { shown.push_back({at, t}); };
  form_->show();
  form_->imageinfo->click();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, form_->imageinfo->mapToGlobal(QPoint(0, 0)));
  EXPECT_EQ(shown[0].second, text);
}

TEST_F(KonfigWindowTest, BrowseFillsTheFileNameField) {
  ShowHexFile("/fw/orx720NT.h20");
  EXPECT_EQ(form_->EditHexFile->text(), "/fw/orx720NT.h20");
  Dialogs::AnswerFile("/neu/fw3.H20");
  form_->BtHexFile->click();
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].filter,
            "Hex-Datei (*.H20)|*.H20|Hex-Datei (*.HEX)|*.HEX|Alle Dateien (*.*)|*.*");
  EXPECT_EQ(Dialogs::Files()[0].folder, "/fw/");
  EXPECT_EQ(form_->EditHexFile->text(), "/neu/fw3.H20");
  // Cancelling the dialog leaves the field.
  form_->BtHexFile->click();
  EXPECT_EQ(form_->EditHexFile->text(), "/neu/fw3.H20");
}

TEST_F(KonfigWindowTest, TranslationLeavesThePortListAndCableStatus) {
  Language().Reset();
  Language().Configure(dir_.Path(), g().IniPath(), {"Setup720"}, "SETUP720");
  ASSERT_TRUE(WriteWholeFile(dir_.File("eng.lng"),
                             "English\r\n[FormKonfig]\r\nFormKonfig.Caption=Configuration\r\n"
                             "Label2.Caption=Port\r\nBtVerbTest.Caption=&Test\r\n"
                             "sEditComport.Items[0]=COM99\r\n"));
  ASSERT_TRUE(Language().LoadLanguageFile(dir_.File("eng.lng")));
  rig_.backend->SetPorts({1, 7});
  usb_ = "COM7";
  form_->ShowPortList(FillPortList());
  form_->show();
  EXPECT_EQ(form_->windowTitle(), "Configuration");
  EXPECT_EQ(form_->BtVerbTest->text(), "&Test");
  EXPECT_EQ(form_->Label2->text(), "USB-Kabel (COM7)");
  EXPECT_EQ(form_->sEditComport->itemText(0), "COM1");
  EXPECT_EQ(form_->sEditComport->currentIndex(), 0);
  Language().Reset();
}

TEST_F(KonfigWindowTest, Screenshot) {
  rig_.backend->SetPorts({1, 3, 7});
  usb_ = "COM7";
  g().UserLevel = 3;
  ShowHexFile("/opt/setup720/Daten/orx720NT.h20");
  form_->ShowPortList(FillPortList());
  form_->show();
  EXPECT_TRUE(form_->grab().save("/tmp/konfig.png"));
}

}  // namespace
