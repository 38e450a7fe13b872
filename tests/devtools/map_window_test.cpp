// The link map viewer: showing the configured map, the two report buttons,
// the browse button with its countdown, and a missing map file.
#include <gtest/gtest.h>

#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "devtools/map_window.h"
#include "link/configuration.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/inifile.h"
#include "util/settings_store.h"

namespace {

Text SectionLine(const Text& start, const Text& size, const Text& name, const Text& tail) {
  Text line = PutField(kSectionLinePrefix, "", 1, 10);
  line = PutField(start, line, 39, 6);
  line = PutField(size, line, 46, 10);
  line = PutField(name, line, 57, 7);
  return line + " " + tail;
}

Text SymbolLine(const Text& address, const Text& name) {
  return PutField(address, PutField("sym", "", 1, 3), 22, 6) + " " + name;
}

QByteArray MapFile(const Text& codeSize) {
  const std::vector<Text> lines = {
      "  Symbol table ",
      SymbolLine("001000", "f_code_start"),
      SymbolLine("004FFF", "f_code_end"),
      "  Link map",
      SectionLine("001000", codeSize, "f_code", "(C:\\fw\\release\\main.rel)"),
      SectionLine("003000", "400", "f_data", "(C:\\lib\\clib.lib)"),
  };
  QByteArray data;
  for (const Text& line : lines) data += line + "\r\n";
  return data;
}

QString ReportOf(const QByteArray& file, MapReportMode mode) {
  QStringList lines;
  for (const Text& line : MapReport(AnalyseMap(MapFileLines(file)), mode)) lines.append(ToQt(line));
  return lines.join(u'\n');
}

class MapWindowTest : public ::testing::Test {
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
    ASSERT_TRUE(WriteWholeFile(dir_.File("a.map"), MapFile("2000")));
    ASSERT_TRUE(WriteWholeFile(dir_.File("b.map"), MapFile("100")));
  }
  void TearDown() override {
    delete window_.data();
    ShowHexFile({});
    Glb = nullptr;
    Boxes::Clear();
    Dialogs::Clear();
  }

  TGlb& g() { return *rig_.glb; }
  void ConfigureMapFile(const QString& path) {
    IniFile ini(g().IniPath());
    ini.WriteString("KONFIG", "MAPFILE", FromQt(path));
    ini.WriteString("KONFIG", "HexFileName", "orx720NT.h20");
    ASSERT_TRUE(ini.UpdateFile());
  }
  TFormListe* Open() {
    window_ = OpenFormListe();
    return window_;
  }
  QString Memo() const { return window_->Memomap->toPlainText(); }

  SimRig rig_;
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
  QPointer<TFormListe> window_;
};

TEST_F(MapWindowTest, ComponentsCarryTheirNames) {
  TFormListe* w = Open();
  EXPECT_EQ(w->objectName(), "FormListe");
  EXPECT_EQ(w->windowTitle(), "Prog Listen");
  EXPECT_EQ(w->Label1->text(), "Speicheranalyse");
  EXPECT_TRUE(w->Label1->font().bold());
  EXPECT_EQ(w->BtGerafft->text(), "Gerafft");
  EXPECT_EQ(w->BtDetails->text(), "Details");
  EXPECT_EQ(w->findChild<QLineEdit*>("EditMapfile"), w->EditMapfile);
  EXPECT_EQ(w->findChild<QPlainTextEdit*>("Memomap"), w->Memomap);
  EXPECT_TRUE(w->Memomap->isReadOnly());
  EXPECT_EQ(w->Memomap->font().family(), "Fixedsys");
  EXPECT_TRUE(w->Memomap->font().fixedPitch());
  ASSERT_EQ(w->findChild<QTimer*>("Timermap"), w->Timermap);
  EXPECT_EQ(w->Timermap->interval(), 1000);
  EXPECT_FALSE(w->Timermap->isActive());
  EXPECT_EQ(w->size(), QSize(488, 420));
}

TEST_F(MapWindowTest, ShowingAnalysesTheConfiguredFileAndTheButtonsSwitchTheMode) {
  ConfigureMapFile(dir_.File("a.map"));
  const QByteArray file = MapFile("2000");
  Open();
  EXPECT_EQ(g().MapFileName, dir_.File("a.map"));
  EXPECT_EQ(window_->EditMapfile->text(), dir_.File("a.map"));
  EXPECT_EQ(Memo(), ReportOf(file, MapReportMode::Condensed));
  EXPECT_TRUE(Memo().contains("Code      8192"));

  window_->BtDetails->click();
  EXPECT_EQ(Memo(), ReportOf(file, MapReportMode::Details));
  EXPECT_TRUE(Memo().contains("001000       8192 f_code   main"));
  window_->BtGerafft->click();
  EXPECT_EQ(Memo(), ReportOf(file, MapReportMode::Condensed));
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(MapWindowTest, NoConfiguredFileShowsNothingAndAsksNothing) {
  Open();
  EXPECT_TRUE(window_->EditMapfile->text().isEmpty());
  EXPECT_TRUE(Memo().isEmpty());
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(MapWindowTest, AMissingMapFileIsReportedAndEmptiesTheReport) {
  ConfigureMapFile(dir_.File("a.map"));
  Open();
  ASSERT_FALSE(Memo().isEmpty());
  window_->EditMapfile->setText(dir_.File("fehlt.map"));
  window_->BtDetails->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Datei " + FromQt(dir_.File("fehlt.map")) + " nicht gefunden");
  EXPECT_TRUE(Memo().isEmpty());
  // A name typed by hand is not saved.
  EXPECT_EQ(g().MapFileName, dir_.File("a.map"));
}

TEST_F(MapWindowTest, AChosenFileIsSavedAndAnalysedWhenTheCountdownOfFiveHasRunOut) {
  ConfigureMapFile(dir_.File("a.map"));
  Open();
  const QString before = Memo();
  Dialogs::AnswerFile(dir_.File("b.map"));
  window_->BtMapfile->click();
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].filter, "Map-Datei (*.map)|*.map|Alle Dateien (*.*)|*.*");
  EXPECT_EQ(g().MapFileName, dir_.File("b.map"));
  EXPECT_EQ(IniFile(g().IniPath()).ReadString("KONFIG", "MAPFILE", ""), FromQt(dir_.File("b.map")));
  EXPECT_EQ(window_->EditMapfile->text(), dir_.File("b.map"));
  EXPECT_EQ(window_->Countdown, 5);
  EXPECT_TRUE(window_->Timermap->isActive());

  for (int tick = 1; tick <= 5; ++tick) {
    window_->TimermapTimer();
    EXPECT_EQ(window_->Countdown, 5 - tick);
    EXPECT_TRUE(window_->Timermap->isActive());
    EXPECT_EQ(Memo(), before) << "tick " << tick;
  }
  window_->TimermapTimer();
  EXPECT_FALSE(window_->Timermap->isActive());
  EXPECT_EQ(Memo(), ReportOf(MapFile("100"), MapReportMode::Condensed));
  EXPECT_NE(Memo(), before);
}

TEST_F(MapWindowTest, TheCountdownReadsTheNameShownWhenItEnds) {
  Open();
  Dialogs::AnswerFile(dir_.File("a.map"));
  window_->BtMapfile->click();
  window_->EditMapfile->setText(dir_.File("b.map"));
  for (int tick = 0; tick < 6; ++tick) window_->TimermapTimer();
  EXPECT_EQ(Memo(), ReportOf(MapFile("100"), MapReportMode::Condensed));
  EXPECT_EQ(g().MapFileName, dir_.File("a.map"));
}

TEST_F(MapWindowTest, ACancelledChoiceStartsNoCountdown) {
  ConfigureMapFile(dir_.File("a.map"));
  Open();
  window_->BtMapfile->click();
  EXPECT_FALSE(window_->Timermap->isActive());
  EXPECT_EQ(g().MapFileName, dir_.File("a.map"));
}

TEST_F(MapWindowTest, OpeningAgainKeepsOneWindowAndClosingStoresThePlacement) {
  TFormListe* first = Open();
  EXPECT_EQ(OpenFormListe(), first);
  first->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window_.isNull());
  EXPECT_TRUE(store_->ValueExists("SETUP720\\PROGLISTEN", "NormPos"));
  EXPECT_NE(OpenFormListe(), nullptr);
  window_ = OpenFormListe();
}

}  // namespace
