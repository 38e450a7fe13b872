#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

#include "lang/language_window.h"
#include "test_support.h"
#include "util/files.h"

namespace {

class LanguageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Language().Reset();
    Language().Configure(dir_.Path() + "/", dir_.File("Setup720.INI"), {"Setup720"}, "SETUP720");
    Language().SettingsLoaded = true;
    Boxes::Clear();
    Dialogs::Clear();
    Write("deu.lng",
          "Deutsch\r\n[FormMain]\r\nLabel1.Caption=Gr\xF6\xDF" "e\r\nBtSend.Caption=Senden\r\n"
          "[FormDrucker]\r\nBtRead.Caption=Lesen\r\n");
  }
  void TearDown() override {
    window_.reset();
    Language().Reset();
    Boxes::Clear();
    Dialogs::Clear();
  }

  void Write(const QString& name, const QByteArray& bytes) {
    ASSERT_TRUE(WriteWholeFile(dir_.File(name), bytes));
  }
  QByteArray Read(const QString& name) {
    QByteArray data;
    EXPECT_TRUE(ReadWholeFile(dir_.File(name), &data));
    return data;
  }
  // A window with deu.lng opened through "Öffnen".
  TFormlang* OpenWindowWithFile() {
    window_ = std::make_unique<TFormlang>();
    Dialogs::AnswerFile(dir_.File("deu.lng"));
    window_->ffnen1->trigger();
    return window_.get();
  }
  QStringList ListNames() const {
    QStringList names;
    for (int i = 0; i < window_->FormList->count(); ++i)
      names.append(window_->FormList->item(i)->text());
    return names;
  }
  void ClickSection(int row) {
    window_->FormList->setCurrentRow(row);
    window_->FormListClick();
  }
  Text Info() const {
    return Boxes::Shown().empty() ? Text() : Boxes::Shown().back().message;
  }

  TempDir dir_;
  std::unique_ptr<TFormlang> window_;
};

TEST_F(LanguageWindowTest, ComponentsCarryTheirNamesAndCaptions) {
  TFormlang window;
  EXPECT_EQ(window.objectName(), "Formlang");
  EXPECT_EQ(window.windowTitle(), "Sprachverwaltung");
  const struct {
    const char* name;
    QString caption;
  } items[] = {{"ffnen1", QString::fromUtf8("\u00D6ffnen")},  {"Speichernals1", "Speichern"},
               {"Speichernals2", "Speichern als"}, {"Ende1", "Ende"},
               {"MnUpdate", "Updaten"},         {"Eintraglschen1", QString::fromUtf8("Eintrag l\u00F6schen")}};
  for (const auto& item : items) {
    auto* action = window.findChild<QAction*>(item.name);
    ASSERT_NE(action, nullptr) << item.name;
    EXPECT_EQ(action->text(), item.caption) << item.name;
  }
  auto* separator = window.findChild<QAction*>("N1");
  ASSERT_NE(separator, nullptr);
  EXPECT_TRUE(separator->isSeparator());
  EXPECT_NE(window.findChild<QListWidget*>("FormList"), nullptr);
  EXPECT_NE(window.findChild<QPlainTextEdit*>("Memo"), nullptr);
  EXPECT_EQ(window.OpenDialogx.InitialDir, dir_.Path() + "/");
  EXPECT_EQ(Language().View(), &window);
}

TEST_F(LanguageWindowTest, OpeningShowsTheSectionsAndTheFirstOnesLines) {
  TFormlang* window = OpenWindowWithFile();
  EXPECT_EQ(ListNames(), QStringList({"FormMain", "FormDrucker"}));
  EXPECT_EQ(window->SelectedSection(), 0);
  EXPECT_EQ(window->Memo->toPlainText(), QString::fromUtf8("Label1.Caption=Gr\u00F6\u00DFe\nBtSend.Caption=Senden"));
  EXPECT_FALSE(window->Modified());
  EXPECT_EQ(window->windowTitle(), dir_.File("deu.lng"));
  EXPECT_EQ(Language().LanguageName, "DEUTSCH");
  ClickSection(1);
  EXPECT_EQ(window->Memo->toPlainText(), "BtRead.Caption=Lesen");
}

TEST_F(LanguageWindowTest, SavingCopiesTheEditBackAndKeepsTheLanguageName) {
  TFormlang* window = OpenWindowWithFile();
  ClickSection(1);
  window->Memo->setPlainText(QString::fromUtf8("BtRead.Caption=\u00DCbernehmen\nBtSend.Caption=Senden"));
  ASSERT_TRUE(window->Modified());
  window->Speichernals1->trigger();
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_FALSE(window->Modified());
  EXPECT_EQ(Read("deu.lng"),
            "Deutsch\r\n[FormMain]\r\nLabel1.Caption=Gr\xF6\xDF" "e\r\nBtSend.Caption=Senden\r\n"
            "[FormDrucker]\r\nBtRead.Caption=\xDC" "bernehmen\r\nBtSend.Caption=Senden\r\n");

  // The saved file loads again under its name.
  Language().LanguageName.clear();
  ASSERT_TRUE(Language().LoadLanguageFile(dir_.File("deu.lng")));
  EXPECT_EQ(Language().LanguageName, "DEUTSCH");
}

TEST_F(LanguageWindowTest, ClickingAnotherSectionDiscardsTheEdit) {
  TFormlang* window = OpenWindowWithFile();
  window->Memo->setPlainText("verworfen");
  ClickSection(1);
  EXPECT_FALSE(window->Modified());
  ClickSection(0);
  EXPECT_EQ(Language().Sections.sections[0].lines,
            QList<Text>({"Label1.Caption=Gr\xF6\xDF" "e", "BtSend.Caption=Senden"}));
}

TEST_F(LanguageWindowTest, DeletingLeavesNothingSelectedSoUpdateReportsIt) {
  TFormlang* window = OpenWindowWithFile();
  window->Eintraglschen1->trigger();
  EXPECT_TRUE(Boxes::Shown().empty());  // nothing is asked
  EXPECT_EQ(ListNames(), QStringList({"FormDrucker"}));
  EXPECT_EQ(Language().Sections.sections.size(), 1);
  EXPECT_EQ(window->SelectedSection(), -1);
  EXPECT_TRUE(window->Memo->toPlainText().startsWith("Label1.Caption"));  // kept

  window->MnUpdate->trigger();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Info(), "Kein Formular gew\xE4hlt");
  EXPECT_EQ(Language().Sections.sections[0].lines, QList<Text>({"BtRead.Caption=Lesen"}));
}

TEST_F(LanguageWindowTest, UpdateKeepsEmptyLinesAndAnEmptyAreaClearsTheSection) {
  TFormlang* window = OpenWindowWithFile();
  window->Memo->setPlainText("a\n\nb\n");
  window->MnUpdate->trigger();
  EXPECT_EQ(Language().Sections.sections[0].lines, QList<Text>({"a", "", "b", ""}));
  window->Memo->clear();
  window->MnUpdate->trigger();
  EXPECT_TRUE(Language().Sections.sections[0].lines.isEmpty());
}

TEST_F(LanguageWindowTest, AFileThatCannotBeWrittenIsReportedAndTheSectionsStay) {
  struct Case {
    const char* what;
    QString file;  // the current language file; empty: none
    bool fault;
  };
  const std::vector<Case> cases = {
      {"write failure", dir_.File("deu.lng"), true},
      {"no such folder", dir_.File("fehlt/deu.lng"), false},
      {"no file name", QString(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Boxes::Clear();
    TFormlang* window = OpenWindowWithFile();
    const QByteArray before = Read("deu.lng");
    Language().LanguageFile = c.file;
    window->Memo->setPlainText("Label1.Caption=Neu");
    const WriteFaultHook previous =
        SetWriteFaultHook([&](const QString&) { return c.fault ? qint64{3} : qint64{-1}; });
    window->Speichernals1->trigger();
    SetWriteFaultHook(previous);
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
    EXPECT_EQ(Read("deu.lng"), before);
    ASSERT_EQ(Language().Sections.sections.size(), 2);
    EXPECT_EQ(Language().Sections.sections[0].lines, QList<Text>({"Label1.Caption=Neu"}));
  }
}

TEST_F(LanguageWindowTest, SaveAsWritesTheNewFileAndCancelChangesNothing) {
  TFormlang* window = OpenWindowWithFile();
  Dialogs::AnswerFile(dir_.File("neu"));
  window->Speichernals2->trigger();
  ASSERT_EQ(Dialogs::Files().size(), 2u);
  EXPECT_EQ(Dialogs::Files()[1].kind, FileDialogKind::Save);
  EXPECT_EQ(Dialogs::Files()[1].fileName, dir_.File("deu.lng"));
  EXPECT_EQ(Language().LanguageFile, dir_.File("neu.lng"));  // default extension
  EXPECT_EQ(window->windowTitle(), dir_.File("neu.lng"));
  EXPECT_EQ(Read("neu.lng"), Read("deu.lng"));

  window->Speichernals2->trigger();  // cancelled
  EXPECT_EQ(Language().LanguageFile, dir_.File("neu.lng"));
  EXPECT_EQ(window->windowTitle(), dir_.File("neu.lng"));
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(LanguageWindowTest, OpeningAMissingFileLoadsNothingButShowsThePath) {
  TFormlang* window = OpenWindowWithFile();
  Dialogs::AnswerFile(dir_.File("fehlt.lng"));
  window->ffnen1->trigger();
  EXPECT_EQ(window->windowTitle(), dir_.File("fehlt.lng"));
  EXPECT_EQ(ListNames(), QStringList({"FormMain", "FormDrucker"}));
  EXPECT_EQ(Language().LanguageName, "DEUTSCH");
}

TEST_F(LanguageWindowTest, ManagerModeShowsTheWindowAndListsCollectedSections) {
  Language().Reset();
  Language().Configure(dir_.Path() + "/", dir_.File("Setup720.INI"),
                       {"Setup720", "-CL", "-L" + dir_.File("deu.lng")}, "SETUP720");
  window_ = std::make_unique<TFormlang>();
  EXPECT_FALSE(window_->isVisible());

  QWidget form;
  form.setObjectName("FormKonfig");
  form.setWindowTitle("Konfiguration");
  auto* label = new QLabel("Prog-Datei", &form);
  label->setObjectName("Label1");
  TranslateWindow(&form);

  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(window_->windowTitle(), dir_.File("deu.lng"));
  EXPECT_EQ(ListNames(), QStringList({"FormMain", "FormDrucker", "FormKonfig"}));
  EXPECT_EQ(window_->SelectedSection(), 0);

  // Saving after collecting writes the new section and keeps the name line.
  window_->Speichernals1->trigger();
  const QByteArray saved = Read("deu.lng");
  EXPECT_TRUE(saved.startsWith("Deutsch\r\n[FormMain]\r\n"));
  EXPECT_TRUE(saved.endsWith("[FormKonfig]\r\nFormKonfig.Caption=Konfiguration\r\n"
                             "Label1.Caption=Prog-Datei\r\n"));

  window_->Ende1->trigger();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(Language().View(), window_.get());  // hidden, not gone
}

TEST_F(LanguageWindowTest, ACollectionWithoutAFileIsSavedUnderTheCurrentName) {
  window_ = std::make_unique<TFormlang>();
  Language().LanguageName = "ENGLISH";
  Language().Sections.Add("FormMain");
  Language().Sections.sections[0].lines = {"Label1.Caption=Size"};
  Language().LanguageFile = dir_.File("eng.lng");
  window_->Speichernals1->trigger();
  EXPECT_EQ(Read("eng.lng"), "ENGLISH\r\n[FormMain]\r\nLabel1.Caption=Size\r\n");
}

}  // namespace
