#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>

#include "test_support.h"
#include "util/dialogs.h"
#include "util/files.h"

namespace {

const Text kOpenFilter =
    "Textdatei (*.txt)|*.txt|Brennstofftabelle(BRN_*.bin)|BRN_*.bin|"
    "Hauptprogramm(*.bin)|*.bin|Alle Dateien (*.*)|*.*";

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { Dialogs::Clear(); }
  void TearDown() override { Dialogs::Clear(); }
};

TEST_F(DialogsTest, DelphiFiltersBecomeQtFilters) {
  const struct {
    Text filter;
    QStringList expected;
  } cases[] = {
      {kOpenFilter,
       {"Textdatei (*.txt) (*.txt)", "Brennstofftabelle(BRN_*.bin) (BRN_*.bin)",
        "Hauptprogramm(*.bin) (*.bin)", "Alle Dateien (*.*) (*)"}},
      {"Listen|*.txt; *.lst|Ohne Muster|", {"Listen (*.txt *.lst)", "Ohne Muster (*)"}},
      {"Gr\xF6\xDF" "e|*.dat|Rest", {QString::fromUtf8("Gr\u00f6\u00dfe (*.dat)")}},  // odd end dropped
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(QtNameFilters(c.filter), c.expected) << c.filter.constData();
}

TEST_F(DialogsTest, DefaultExtensionOnlyForNamesWithout) {
  const struct {
    QString path;
    QString expected;
  } cases[] = {
      {"/d/liste", "/d/liste.TXT"},
      {"/d/liste.txt", "/d/liste.txt"},
      {"/d.x/liste", "/d.x/liste.TXT"},
      {"/d/.hidden", "/d/.hidden"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WithDefaultExt(c.path, "TXT"), c.expected) << c.path.toStdString();
  EXPECT_EQ(WithDefaultExt("/d/liste", ""), "/d/liste");
}

TEST_F(DialogsTest, SharedDialogAsksWithItsSettingsAndKeepsTheNameOnCancel) {
  TFileDialog dialog(FileDialogKind::Save, "TXT", "Textdatei (*.txt)|*.txt|Alle Dateien (*.*)|*.*");
  dialog.Title = "Typliste speichern";
  dialog.InitialDir = "/daten";
  dialog.FileName = "Typlist.txt";

  Dialogs::AnswerFile("/daten/neu");
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, "/daten/neu.TXT");
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  const FileDialogRequest& asked = Dialogs::Files()[0];
  EXPECT_EQ(asked.kind, FileDialogKind::Save);
  EXPECT_EQ(asked.caption, "Typliste speichern");
  EXPECT_EQ(asked.folder, "/daten");
  EXPECT_EQ(asked.fileName, "Typlist.txt");
  EXPECT_EQ(asked.filter, dialog.Filter);
  EXPECT_EQ(asked.defaultExt, "TXT");

  EXPECT_FALSE(dialog.Execute());  // no answer queued: cancel
  EXPECT_EQ(dialog.FileName, "/daten/neu.TXT");
}

TEST_F(DialogsTest, InputBoxAnswersAndCancel) {
  Dialogs::AnswerInput(true, "4711");
  const InputBoxResult ok = InputBox("Seriennummer", "Nummer:", "0");
  EXPECT_TRUE(ok.ok);
  EXPECT_EQ(ok.text, "4711");
  const InputBoxResult cancelled = InputBox("Seriennummer", "Nummer:", "0");
  EXPECT_FALSE(cancelled.ok);
  EXPECT_EQ(cancelled.text, "0");
  ASSERT_EQ(Dialogs::Inputs().size(), 2u);
  EXPECT_EQ(Dialogs::Inputs()[1].prompt, "Nummer:");
  EXPECT_EQ(Dialogs::Inputs()[1].defaultText, "0");
}

// The real dialog, answered by a zero timer.
TEST_F(DialogsTest, RealOpenDialogShowsTheDescriptionsAndReturnsTheFile) {
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File("BRN_1.bin"), "x"));
  const DialogHook saved = SetDialogHook({});
  QStringList shownFilters;
  QString title;
  QTimer timer;
  timer.setInterval(0);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (!dialog || !dialog->isVisible()) continue;
      timer.stop();
      title = dialog->windowTitle();
      if (auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo"))
        for (int i = 0; i < combo->count(); ++i) shownFilters << combo->itemText(i);
      dialog->selectFile(dir.File("BRN_1.bin"));
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    }
  });
  timer.start();
  const QString path = RunFileDialog({FileDialogKind::Open, "Brennstofftabelle laden", dir.Path(), "",
                                      kOpenFilter, "TXT"});
  SetDialogHook(saved);
  EXPECT_EQ(path, dir.File("BRN_1.bin"));
  EXPECT_EQ(title, "Brennstofftabelle laden");
  EXPECT_EQ(shownFilters, (QStringList{"Textdatei (*.txt)", "Brennstofftabelle(BRN_*.bin)",
                                       "Hauptprogramm(*.bin)", "Alle Dateien (*.*)"}));
}

}  // namespace
