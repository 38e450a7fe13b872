// The instrument file list window: loading and saving "DirList.txt", the
// first-use prompt with the folder scan, choosing an image, adding and deleting.
#include <gtest/gtest.h>

#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>

#include "link/configuration.h"
#include "sim_rig.h"
#include "test_support.h"
#include "upload/file_list.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/settings_store.h"

namespace {

const QString kNamenlos = QString::fromUtf8("Dateien f\u00FCr ORX 720 [ Namenlos ]");

QString Caption(const QString& file) {
  return QString::fromUtf8("Dateien f\u00FCr ORX 720 [ ") + file + " ]";
}

class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Boxes::Clear();
    Dialogs::Clear();
    Glb = rig_.glb.get();
    g().ProgramDir = dir_.Path() + "/";
    g().DataDir = g().ProgramDir + "Daten/";
    ASSERT_TRUE(QDir().mkpath(dir_.File("Daten")));
    store_ = std::make_unique<SettingsStore>(dir_.File("registry.ini"));
    g().Registry = store_.get();
    g().HexFileName = "orx720NT.h20";
    g().SavedPort = g().ComPort = 3;
  }
  void TearDown() override {
    delete window_.data();
    ShowHexFile({});
    Glb = nullptr;
    Boxes::Clear();
    Dialogs::Clear();
  }

  TGlb& g() { return *rig_.glb; }
  QString DirList() const { return dir_.File("Daten/DirList.txt"); }
  void WriteDirList(const QByteArray& data) { ASSERT_TRUE(WriteWholeFile(DirList(), data)); }
  QByteArray ReadDirList() {
    QByteArray data;
    EXPECT_TRUE(ReadWholeFile(DirList(), &data));
    return data;
  }
  TFormDatei* Open() {
    window_ = OpenFormDatei();
    return window_;
  }
  QTreeWidget* Tree() const { return window_->TreeViewDatei; }
  QStringList TopCaptions() const {
    QStringList out;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i) out.append(Tree()->topLevelItem(i)->text(0));
    return out;
  }
  void Press(QTreeWidgetItem* item) {
    QWidget* viewport = Tree()->viewport();
    const QPointF pos = Tree()->visualItemRect(item).center();
    QMouseEvent press(QEvent::MouseButtonPress, pos, viewport->mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &press);
  }
  std::vector<BoxRequest> Kind(BoxKind kind) const {
    std::vector<BoxRequest> out;
    for (const BoxRequest& b : Boxes::Shown())
      if (b.kind == kind) out.push_back(b);
    return out;
  }

  const QByteArray twoEntries_ = "/fw/V104/\r\nV104\r\norx720nt_1_04.h20\r\n"
                                 "/fw/V105/\r\nV105\r\norx720nt_1_05.h20\r\n";
  SimRig rig_;
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
  QPointer<TFormDatei> window_;
};

TEST_F(FileListTest, ComponentsCarryTheirNames) {
  TFormDatei window;
  EXPECT_EQ(window.objectName(), "FormDatei");
  EXPECT_EQ(window.windowTitle(), kNamenlos);
  EXPECT_EQ(window.TButtonNeu->text(), "Neu");
  EXPECT_EQ(window.TButtonDelete->text(), QString::fromUtf8("L\u00F6schen"));
  EXPECT_EQ(window.TButtonDelete->toolTip(), QString::fromUtf8("L\u00F6schen aktivieren"));
  EXPECT_TRUE(window.TButtonDelete->isCheckable());
  EXPECT_TRUE(window.TButtonExit->text().isEmpty());
  EXPECT_EQ(window.findChild<QTreeWidget*>("TreeViewDatei"), window.TreeViewDatei);
  EXPECT_TRUE(window.StatusBar1->currentMessage().isEmpty());
  EXPECT_EQ(window.StrDateien->Item(0), "Eintrage wirklich l\xF6schen?");
  EXPECT_EQ(window.size(), QSize(353, 330));
}

TEST_F(FileListTest, ShowsTheCatalogueAsFolderNodesWithTheirFile) {
  WriteDirList(twoEntries_);
  Open();
  EXPECT_EQ(TopCaptions(), QStringList({"/fw/V104/", "/fw/V105/"}));
  ASSERT_EQ(Tree()->topLevelItem(1)->childCount(), 1);
  EXPECT_EQ(Tree()->topLevelItem(1)->child(0)->text(0), "orx720nt_1_05.h20");
  EXPECT_FALSE(Tree()->topLevelItem(0)->icon(0).isNull());
  EXPECT_EQ(window_->windowTitle(), Caption("orx720NT.h20"));
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(FileListTest, SevenLinesGiveTwoEntriesAndAnErrorAndKeepTheCaption) {
  WriteDirList(twoEntries_ + "/fw/V106/\r\n");
  Open();
  EXPECT_EQ(TopCaptions(), QStringList({"/fw/V104/", "/fw/V105/"}));
  ASSERT_EQ(Kind(BoxKind::Error).size(), 1u);
  EXPECT_TRUE(Kind(BoxKind::Error)[0].message.contains(FromQt(DirList())));
  EXPECT_EQ(window_->windowTitle(), kNamenlos);
}

TEST_F(FileListTest, FirstUseScansTheChosenFolderWithoutWritingTheCatalogue) {
  const QString root = dir_.File("fw");
  for (const char* file : {"V1/a.h20", "V1/check.h20", "V2/sub/b.h20", "V3/readme.txt"}) {
    const QString path = root + "/" + file;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(WriteWholeFile(path, "x"));
  }
  Boxes::AnswerNext(true);
  Dialogs::AnswerFile(root);
  Open();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::OkCancel);
  EXPECT_EQ(Boxes::Shown()[0].caption, FromQt(QCoreApplication::applicationFilePath()));
  EXPECT_EQ(Boxes::Shown()[0].message, "Eintr\xE4ge noch nicht vorhanden!\rDatenpfad angeben");
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].kind, FileDialogKind::Folder);
  EXPECT_EQ(Dialogs::Files()[0].caption, "W\xE4hlen Sie einen Verzeichnis aus:");
  EXPECT_EQ(TopCaptions(), QStringList({root + "/V1/", root + "/V2/sub/"}));
  EXPECT_EQ(window_->Entries()[1], (DirEntry{root + "/V2/sub/", "sub", "b.h20"}));
  EXPECT_FALSE(QFileInfo::exists(DirList()));
  EXPECT_EQ(window_->windowTitle(), Caption("orx720NT.h20"));

  window_->TButtonExit->click();
  EXPECT_EQ(ParseDirList(ReadDirList()).entries.size(), 2);
}

TEST_F(FileListTest, FirstUseCancelledLeavesTheTreeEmpty) {
  for (const bool okThenCancelledBrowser : {false, true}) {
    SCOPED_TRACE(okThenCancelledBrowser);
    delete window_.data();
    Boxes::Clear();
    Dialogs::Clear();
    Boxes::AnswerNext(okThenCancelledBrowser);
    Open();
    EXPECT_EQ(Dialogs::Files().size(), okThenCancelledBrowser ? 1u : 0u);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(DirList()));
  }
}

TEST_F(FileListTest, TheFirstSelectionChangeIsIgnoredThenATopNodeBecomesTheImage) {
  WriteDirList(twoEntries_);
  Open();
  Tree()->setCurrentItem(Tree()->topLevelItem(1));
  EXPECT_EQ(g().HexFileName, "orx720NT.h20");  // ignored
  EXPECT_EQ(window_->windowTitle(), Caption("orx720NT.h20"));

  Tree()->setCurrentItem(Tree()->topLevelItem(0));
  EXPECT_EQ(g().HexFilePath, "/fw/V104/orx720nt_1_04.h20");
  EXPECT_EQ(g().HexFileName, "orx720nt_1_04.h20");
  EXPECT_EQ(g().HexFileDir, "/fw/V104/");
  EXPECT_EQ(g().BinFilePath, "/fw/V104/orx720nt_1_04.bin");
  EXPECT_EQ(g().UserBinPath, "/fw/V104/Userorx720nt_1_04.bin");
  EXPECT_EQ(window_->windowTitle(), Caption("orx720nt_1_04.h20"));
  const IniFile ini(g().IniPath());
  EXPECT_EQ(ini.ReadString("KONFIG", "HexFile", ""), "/fw/V104/orx720nt_1_04.h20");
  EXPECT_EQ(ini.ReadString("KONFIG", "BinFile", ""), "/fw/V104/orx720nt_1_04.bin");
  EXPECT_EQ(ini.ReadInteger("KONFIG", "Comport", 0), 3);

  // A child node does nothing.
  Tree()->setCurrentItem(Tree()->topLevelItem(1)->child(0));
  EXPECT_EQ(g().HexFileName, "orx720nt_1_04.h20");
}

TEST_F(FileListTest, NewAddsAnyFileButTheCheckFileAndAlwaysSaves) {
  WriteDirList(twoEntries_);
  Open();
  struct Case {
    QString answer;
    int entries;
  };
  const std::vector<Case> cases = {
      {"/other/Test/firmware.H20", 3},  // not a program image, but it can be added
      {"/other/Test/check.h20", 3},
      {"", 3},  // cancelled
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.toStdString());
    ASSERT_TRUE(QFile::remove(DirList()));
    Dialogs::AnswerFile(c.answer);
    window_->TButtonNeu->click();
    EXPECT_EQ(Dialogs::Files().back().folder, g().DataDir);
    EXPECT_EQ(Dialogs::Files().back().filter, "Datendatei (*.h20)|*.h20|Alle Datein (*.*)|*.*");
    const DirListContents saved = ParseDirList(ReadDirList());
    ASSERT_EQ(saved.entries.size(), c.entries);
    EXPECT_EQ(saved.entries.last(), (DirEntry{"/other/Test/", "Test", "firmware.H20"}));
  }
}

TEST_F(FileListTest, DeletingAsksAndTheCloseBoxKeepsTheOldCatalogue) {
  WriteDirList(twoEntries_);
  Open();
  window_->TButtonDelete->setChecked(true);
  Boxes::AnswerNext(false);
  Press(Tree()->topLevelItem(0));
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::OkCancel);
  EXPECT_EQ(Boxes::Shown()[0].message, "Eintrage wirklich l\xF6schen?");
  EXPECT_EQ(Tree()->topLevelItemCount(), 2);

  Boxes::AnswerNext(true);
  Press(Tree()->topLevelItem(0));
  EXPECT_EQ(TopCaptions(), QStringList({"/fw/V105/"}));
  EXPECT_EQ(g().HexFileName, "orx720NT.h20");  // a press in delete mode chooses nothing

  window_->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window_.isNull());
  EXPECT_EQ(ReadDirList(), twoEntries_);
  EXPECT_TRUE(store_->ValueExists("Software\\ORX\\Setup720\\Dateien", "NormPos"));
}

TEST_F(FileListTest, ADeletedChildLeavesAnEntryThatIsNeitherChosenNorSaved) {
  WriteDirList(twoEntries_);
  Open();
  Tree()->setCurrentItem(Tree()->topLevelItem(1));  // the ignored first change
  window_->TButtonDelete->setChecked(true);
  Tree()->topLevelItem(0)->setExpanded(true);
  Boxes::AnswerNext(true);
  Press(Tree()->topLevelItem(0)->child(0));
  EXPECT_EQ(TopCaptions(), QStringList({"/fw/V104/", "/fw/V105/"}));
  EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 0);

  window_->TButtonDelete->setChecked(false);
  Tree()->setCurrentItem(Tree()->topLevelItem(0));
  EXPECT_EQ(g().HexFileName, "orx720NT.h20");

  window_->TButtonExit->click();
  EXPECT_EQ(ReadDirList(), "/fw/V105/\r\nV105\r\norx720nt_1_05.h20\r\n");
}

TEST_F(FileListTest, AFailedSaveKeepsTheOldFileAndTheWindowWithItsCatalogue) {
  struct Case {
    const char* what;
    bool exit;            // TButtonExit, else TButtonNeu adding one entry
    bool missingFolder;   // else the write fails part-way
  };
  const std::vector<Case> cases = {
      {"Neu, full disk", false, false},
      {"Exit, full disk", true, false},
      {"Neu, no data folder", false, true},
      {"Exit, no data folder", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g().DataDir = g().ProgramDir + "Daten/";
    WriteDirList(twoEntries_);
    Open();
    if (c.missingFolder) g().DataDir = dir_.File("fehlt/");
    const Text target = FromQt(g().DataDir + "DirList.txt");
    Boxes::Clear();
    SetWriteFaultHook([&](const QString&) { return c.missingFolder ? qint64{-1} : qint64{9}; });
    if (c.exit) {
      window_->TButtonExit->click();
    } else {
      Dialogs::AnswerFile("/other/Test/firmware.h20");
      window_->TButtonNeu->click();
    }
    SetWriteFaultHook({});
    ASSERT_EQ(Kind(BoxKind::Error).size(), 1u);
    EXPECT_TRUE(Kind(BoxKind::Error)[0].message.startsWith("Datei " + target +
                                                           " konnte nicht gespeichert werden\r"));
    EXPECT_EQ(ReadDirList(), twoEntries_);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The window stays with its catalogue for another try.
    ASSERT_FALSE(window_.isNull());
    const QStringList captions = c.exit ? QStringList{"/fw/V104/", "/fw/V105/"}
                                        : QStringList{"/fw/V104/", "/fw/V105/", "/other/Test/"};
    EXPECT_EQ(TopCaptions(), captions);

    g().DataDir = g().ProgramDir + "Daten/";
    window_->TButtonExit->click();
    EXPECT_EQ(ParseDirList(ReadDirList()).entries.size(), captions.size());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window_.isNull());
  }
}

}  // namespace
