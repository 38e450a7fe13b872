#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include "link/glb.h"
#include "link/posix_serial.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/settings_store.h"
#include "util/shell.h"
#include "virtual_pump.h"

namespace {

const Text kKeyf = "Software\\ORX\\Setup720\\keyf";
const Text kLang = "Software\\ORX\\Setup720\\lang";

class GlbSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Boxes::Clear();
    savedHome_ = qgetenv("SETUP720_HOME");
    qputenv("SETUP720_HOME", dir_.File("home").toLocal8Bit());
    ASSERT_TRUE(QDir().mkpath(dir_.File("home")));
    store_ = std::make_unique<SettingsStore>(dir_.File("registry.ini"));
    glb_ = std::make_unique<TGlb>(&pump_, std::make_unique<PosixSerialBackend>());
    glb_->Registry = store_.get();
    savedShell_ = SetShellOpenHook([this](const Text& path) {
      opened_.push_back(path);
      return 33;
    });
  }
  void TearDown() override {
    SetShellOpenHook(savedShell_);
    glb_.reset();
    if (savedHome_.isEmpty()) qunsetenv("SETUP720_HOME");
    else qputenv("SETUP720_HOME", savedHome_);
    Boxes::Clear();
  }
  QString Home(const QString& name) const { return dir_.File("home/" + name); }

  TempDir dir_;
  QByteArray savedHome_;
  VirtualPump pump_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<TGlb> glb_;
  ShellOpenHook savedShell_;
  std::vector<Text> opened_;
};

TEST_F(GlbSettingsTest, CreationStepWithoutAnyFile) {
  glb_->TextMemory[5] = 7;
  glb_->FuelMemory[16383] = 1;
  glb_->TextMemoryLength = 9;
  glb_->FuelMemoryLength = 9;
  glb_->FuelMemoryValid = true;
  glb_->OptionText = "alt";
  glb_->Busy = true;
  glb_->ComPort = 4;
  glb_->AutoCom = true;
  glb_->DisclaimerAccepted = true;
  glb_->LanguageName = "ENGLISH";
  glb_->UserLevel = 1;

  glb_->InitProgramValues();
  EXPECT_EQ(glb_->ProgramDir, dir_.File("home") + "/");
  EXPECT_EQ(glb_->DataDir, dir_.File("home") + "/Daten/");
  EXPECT_EQ(glb_->IniPath(), Home("Setup720.INI"));
  EXPECT_EQ(glb_->TextMemory, QByteArray(16384, '\0'));
  EXPECT_EQ(glb_->FuelMemory, QByteArray(16384, '\0'));
  EXPECT_EQ(glb_->TextMemoryLength, 0);
  EXPECT_EQ(glb_->FuelMemoryLength, 0);
  EXPECT_FALSE(glb_->FuelMemoryValid);
  EXPECT_TRUE(glb_->OptionText.isEmpty());
  EXPECT_FALSE(glb_->Busy);
  EXPECT_EQ(glb_->ComPort, 1);
  EXPECT_FALSE(glb_->AutoCom);
  EXPECT_FALSE(glb_->DisclaimerAccepted);
  EXPECT_TRUE(glb_->LanguageName.isEmpty());
  EXPECT_EQ(glb_->UserLevel, 0);  // no stored level
  EXPECT_FALSE(QFileInfo::exists(Home("Setup720.INI")));  // reading creates nothing
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(GlbSettingsTest, BaseSettingsReadAndWrittenKeepingTheRest) {
  ASSERT_TRUE(WriteWholeFile(Home("Setup720.INI"),
                             "; eigene Notiz\r\n"
                             "[SETUP720]\r\nLanguage=DEUTSCH\r\n"
                             "[konfig]\r\ncomport=5\r\nAutoCom=1\r\nHexFile=/daten/orx720NT.h20\r\n"
                             "[Main]\r\nDisclaim=1\r\n"
                             "[PORTS]\r\nCOM5=/dev/ttyUSB0\r\n"));
  glb_->InitProgramValues();
  EXPECT_EQ(glb_->LanguageName, "DEUTSCH");
  EXPECT_EQ(glb_->ComPort, 5);
  EXPECT_TRUE(glb_->AutoCom);
  EXPECT_TRUE(glb_->DisclaimerAccepted);

  glb_->LanguageName = "ENGLISH";
  glb_->ComPort = 7;
  glb_->AutoCom = false;
  ASSERT_TRUE(glb_->SaveBaseSettings());
  const IniFile ini(Home("Setup720.INI"));
  EXPECT_EQ(ini.ReadString("setup720", "language", ""), "ENGLISH");
  EXPECT_EQ(ini.ReadString("KONFIG", "Comport", ""), "7");
  EXPECT_EQ(ini.ReadString("KONFIG", "AutoCom", ""), "0");
  EXPECT_EQ(ini.ReadString("Main", "Disclaim", ""), "1");
  EXPECT_EQ(ini.ReadString("KONFIG", "HexFile", ""), "/daten/orx720NT.h20");
  EXPECT_EQ(ini.ReadString("PORTS", "COM5", ""), "/dev/ttyUSB0");
  QByteArray data;
  ASSERT_TRUE(ReadWholeFile(Home("Setup720.INI"), &data));
  EXPECT_TRUE(data.startsWith("; eigene Notiz\r\n"));
}

TEST_F(GlbSettingsTest, SaveBaseSettingsReportsWhatItCouldNotDo) {
  glb_->InitProgramValues();
  // An INI file that cannot be read is left as it is.
  ASSERT_TRUE(QDir().mkpath(Home("Setup720.INI")));
  EXPECT_FALSE(glb_->SaveBaseSettings());
  EXPECT_TRUE(QFileInfo(Home("Setup720.INI")).isDir());
  // A program folder that is not there.
  glb_->ProgramDir = dir_.File("missing/");
  EXPECT_FALSE(glb_->SaveBaseSettings());
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(GlbSettingsTest, StoredLevelAndLanguageItem) {
  const struct {
    std::optional<Text> fid;  // nullopt: no value
    std::optional<Text> set;
    int32_t levelBefore;
    int32_t levelAfter;
    bool item;
  } cases[] = {
      {"2", std::nullopt, 0, 2, false},
      {"3", "1", 1, 3, true},
      {"", std::nullopt, 1, 0, false},
      {std::nullopt, std::nullopt, 1, 0, false},
      {"abc", "1 ", 1, 1, false},  // not a number: the level stays; "1 " is not "1"
      {"9", std::nullopt, 1, 9, false},  // outside 0..3: shown with level 0's menus
      {"-1", std::nullopt, 1, -1, false},
      {"1x", std::nullopt, 1, 1, false},
      {"0", "1", 2, 2, false},  // level 2 and up is never lowered; nothing read
      {" 1", "0", 0, 1, false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(store_->DeleteKey("Software\\ORX\\Setup720"));
    if (c.fid) {
      ASSERT_TRUE(store_->WriteString(kKeyf, "FID", *c.fid));
    }
    if (c.set) {
      ASSERT_TRUE(store_->WriteString(kLang, "Set", *c.set));
    }
    glb_->UserLevel = c.levelBefore;
    glb_->ShowInstrumentLanguageItem = false;
    glb_->LoadRegistrySettings();
    const Text name = c.fid.value_or("(none)");
    EXPECT_EQ(glb_->UserLevel, c.levelAfter) << name.constData();
    EXPECT_EQ(glb_->ShowInstrumentLanguageItem, c.item) << name.constData();
  }
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(GlbSettingsTest, UnreadableStoreChangesNothing) {
  ASSERT_TRUE(QDir().mkpath(dir_.File("unreadable.ini")));
  SettingsStore unreadable(dir_.File("unreadable.ini"));
  glb_->Registry = &unreadable;
  glb_->UserLevel = 1;
  glb_->LoadRegistrySettings();
  EXPECT_EQ(glb_->UserLevel, 1);
  EXPECT_FALSE(glb_->ShowInstrumentLanguageItem);
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(GlbSettingsTest, HelpDocumentByLanguage) {
  const struct {
    Text language;
    Text topic;
    QStringList present;  // below Hilfe/
    QString opens;        // empty: an error box
    Text error;
  } cases[] = {
      {"GERMAN", "Setup720", {"Setup720.pdf", "Setup720_GB.pdf", "Setup720_GB.htm"}, "Setup720_GB.pdf", ""},
      {"DEUTSCH", "Setup720", {"Setup720.pdf", "Setup720.htm", "Setup720_GB.pdf"}, "Setup720.pdf", ""},
      {"DEUTSCH", "Setup720S", {"Setup720S.htm", "Setup720S_GB.pdf"}, "Setup720S.htm", ""},
      {"", "Setup720H", {"Setup720H_GB.htm"}, "Setup720H_GB.htm", ""},
      {"", "Setup720E", {"Setup720E.pdf"}, "", "Help file: Setup720E  not found"},
      {"DEUTSCH", "Setup720E", {"Setup720E_GB.pdf"}, "", "Hilfedatei: Setup720E nicht gefunden"},
      {"deutsch", "Setup720", {"Setup720.pdf"}, "", "Help file: Setup720  not found"},
  };
  glb_->InitProgramValues();
  for (const auto& c : cases) {
    QDir(Home("Hilfe")).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(Home("Hilfe")));
    for (const QString& name : c.present) ASSERT_TRUE(WriteWholeFile(Home("Hilfe/" + name), "%PDF"));
    opened_.clear();
    Boxes::Clear();
    glb_->LanguageName = c.language;
    glb_->ShowHelpFile(c.topic);
    if (c.opens.isEmpty()) {
      EXPECT_TRUE(opened_.empty()) << c.topic.constData();
      ASSERT_EQ(Boxes::Shown().size(), 1u) << c.topic.constData();
      EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
      EXPECT_EQ(Boxes::Shown()[0].message, c.error);
    } else {
      ASSERT_EQ(opened_.size(), 1u) << c.topic.constData();
      EXPECT_EQ(opened_[0], FromQt(Home("Hilfe/" + c.opens)));
      EXPECT_TRUE(Boxes::Shown().empty()) << c.topic.constData();
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << c.topic.constData();
  }
}

TEST_F(GlbSettingsTest, UserFileAndFolderOfPath) {
  glb_->SetUserFile("/daten/listen/Typlist2.txt");
  EXPECT_EQ(glb_->UserFileDir, "/daten/listen/");
  EXPECT_EQ(glb_->UserFileName, "Typlist2.txt");
  glb_->SetUserFile("Typlist.txt");
  EXPECT_EQ(glb_->UserFileDir, "");
  EXPECT_EQ(glb_->UserFileName, "Typlist.txt");

  EXPECT_TRUE(TGlb::FolderOfPathExists(dir_.File("noch-nicht.txt")));
  EXPECT_FALSE(TGlb::FolderOfPathExists(dir_.File("fehlt/datei.txt")));
  EXPECT_FALSE(TGlb::FolderOfPathExists("datei.txt"));
  EXPECT_FALSE(TGlb::FolderOfPathExists(""));
}

TEST_F(GlbSettingsTest, SharedFileDialogs) {
  Dialogs::Clear();
  EXPECT_EQ(glb_->OpenDialogTyp.DefaultExt, "TXT");
  EXPECT_EQ(glb_->SaveDialogtyp.DefaultExt, "TXT");
  EXPECT_EQ(glb_->SaveDialogtyp.Filter, "Textdatei (*.txt)|*.txt|Alle Dateien (*.*)|*.*");
  EXPECT_EQ(QtNameFilters(glb_->OpenDialogTyp.Filter).size(), 4);
  EXPECT_FALSE(glb_->OpenDialogTyp.Execute());  // the test main cancels
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].kind, FileDialogKind::Open);
  Dialogs::Clear();
}

}  // namespace
