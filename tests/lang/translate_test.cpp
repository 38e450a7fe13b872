#include <gtest/gtest.h>

#include <memory>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>

#include "lang/translate.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/msgtable.h"

namespace {

// A window with one component of every translated kind, named as the windows name them.
struct TestForm : QWidget {
  explicit TestForm(const char* name) {
    setObjectName(name);
    setWindowTitle("Hauptfenster");
    label = new QLabel("Status", this);
    label->setObjectName("Label1");
    button = new QPushButton("Senden", this);
    button->setObjectName("BtSend");
    action = new QAction("&Service", this);
    action->setObjectName("MnService1");
    table = new MessageTable(this, "StrMain", {"e0"});
    for (int i = 1; i < 24; ++i) table->SetItem(i, "e" + Text::number(i));
    check = new QCheckBox("Automatisch", this);
    check->setObjectName("CheckBox1");
    group = new QGroupBox("Anschluss", this);
    group->setObjectName("GroupBox1");
    combo = new QComboBox(this);
    combo->setObjectName("ComboBox1");
    combo->addItems({"eins", "zwei", "drei"});
    list = new QListWidget(this);
    list->setObjectName("ListBox1");
    list->addItems({"erste", "zweite"});
    tabs = new QTabWidget(this);
    page = new QWidget;
    page->setObjectName("TabSheet1");
    tabs->addTab(page, "Seite");
  }
  QLabel* label;
  QPushButton* button;
  QAction* action;
  MessageTable* table;
  QCheckBox* check;
  QGroupBox* group;
  QComboBox* combo;
  QListWidget* list;
  QTabWidget* tabs;
  QWidget* page;
};

struct RecordingView : LanguageView {
  void SectionsLoaded() override { ++loaded; }
  void SectionsChanged() override { ++changed; }
  void SetCaption(const QString& file) override { caption = file; }
  void ShowManager() override { ++shown; }
  int loaded = 0, changed = 0, shown = 0;
  QString caption;
};

class TranslateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Language().Reset();
    Configure({"Setup720"});
  }
  void TearDown() override { Language().Reset(); }

  void Configure(const QStringList& arguments) {
    Language().Configure(dir_.Path(), Ini(), arguments, "SETUP720");
  }
  QString Ini() const { return dir_.File("Setup720.INI"); }
  void Write(const QString& name, const QByteArray& bytes) {
    QFile file(dir_.File(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }
  void ChooseInIni(const char* file) {
    IniFile ini(Ini());
    ini.WriteString("Main", "Languagefile", file);
    ASSERT_TRUE(ini.UpdateFile());
  }
  QList<Text> Lines(const char* section) {
    const qsizetype i = Language().Sections.Find(section);
    return i < 0 ? QList<Text>() : Language().Sections.sections[i].lines;
  }

  TempDir dir_;
};

TEST_F(TranslateTest, AppliesFixtureFileToEveryKindOfComponent) {
  Write("eng.lng",
        "English\r\n"
        "[formmain]\r\n"
        "FormMain.Caption=Main window\r\n"
        "formmain.Caption=window name compared with case\r\n"
        "Label1.Caption=State\r\n"
        "Label1.Hint=labels take no hint\r\n"
        "BtSend.Caption=Send\xB6to device\r\n"
        "btsend.hint=Send the settings\r\n"
        "mnservice1.Caption=&Service EN\r\n"
        "MnService1.Hint=Service menu\r\n"
        "StrMain.Strings[22]=Really reset the key?\r\n"
        "StrMain.Strings[24]=past the end\r\n"
        "CheckBox1.Caption=Automatic\r\n"
        "CheckBox1.Hint=Search the port\r\n"
        "GroupBox1.Caption=Port\r\n"
        "GroupBox1.Hint=Port hint\r\n"
        "ComboBox1.Item[1]=two\r\n"
        "ComboBox1.Item[3]=past the end\r\n"
        "ListBox1.Items[1]=second\r\n"
        "ListBox1.Items[2]=past the end\r\n"
        "TabSheet1.Caption=Page\r\n"
        "TabSheet1.Hint=Page hint\r\n"
        "Label1.Caption=State later wins\r\n"
        "[FormOption]\r\n"
        "Label1.Caption=other window\r\n");
  ChooseInIni("eng.lng");
  TestForm form("FormMain");
  TranslateWindow(&form);

  EXPECT_EQ(Language().LanguageName, "ENGLISH");
  EXPECT_EQ(Language().LanguageFile, dir_.File("eng.lng"));
  EXPECT_EQ(form.windowTitle(), "Main window");
  EXPECT_EQ(form.label->text(), "State later wins");
  EXPECT_EQ(form.label->toolTip(), "");
  EXPECT_EQ(form.button->text(), "Send\nto device");
  EXPECT_EQ(form.button->toolTip(), "Send the settings");
  EXPECT_EQ(form.action->text(), "&Service EN");
  EXPECT_EQ(form.action->toolTip(), "Service menu");
  EXPECT_EQ(form.table->Item(22), "Really reset the key?");
  EXPECT_EQ(form.table->Count(), 24);
  EXPECT_EQ(form.check->text(), "Automatic");
  EXPECT_EQ(form.check->toolTip(), "Search the port");
  EXPECT_EQ(form.group->title(), "Port");
  EXPECT_EQ(form.group->toolTip(), "Port hint");
  EXPECT_EQ(form.combo->itemText(1), "two");
  EXPECT_EQ(form.combo->count(), 3);
  EXPECT_EQ(form.list->item(1)->text(), "second");
  EXPECT_EQ(form.list->count(), 2);
  EXPECT_EQ(form.tabs->tabText(0), "Page");
  EXPECT_EQ(form.tabs->tabToolTip(0), "Page hint");
}

TEST_F(TranslateTest, UnknownNamesPropertiesAndMalformedLinesChangeNothing) {
  Write("eng.lng",
        "English\n[FormMain]\n"
        "Nobody.Caption=x\n"
        "Label1.Color=red\n"
        "garbage without separators\n"
        "=.=.=\n"
        "\n"
        "StrMain.Caption=tables take no caption\n"
        "Label1.Strings[0]=labels have no entries\n"
        "ListBox1.Items[-1]=negative\n"
        "ComboBox1.Items[0]=combo items are Item\n"
        "StrMain.Strings[-1]=negative\n"
        "StrMain.Strings[999]=far past the end\n"
        "TabSheet1.Item[0]=wrong kind\n");
  ChooseInIni("eng.lng");
  TestForm form("FormMain");
  TranslateWindow(&form);
  ASSERT_EQ(Lines("FormMain").size(), 12);  // the file was read
  EXPECT_EQ(form.windowTitle(), "Hauptfenster");
  EXPECT_EQ(form.label->text(), "Status");
  EXPECT_EQ(form.table->Count(), 24);
  EXPECT_EQ(form.table->Item(0), "e0");
  EXPECT_EQ(form.list->item(0)->text(), "erste");
  EXPECT_EQ(form.combo->itemText(0), "eins");
  EXPECT_EQ(form.tabs->tabText(0), "Seite");
}

TEST_F(TranslateTest, ValueEdges) {
  TestForm form("FormMain");
  struct Case {
    Text line;
    QString label;
  };
  const std::vector<Case> cases = {
      {"Label1.Caption=...", ""},
      {"Label1.Caption=a=b", "a=b"},
      {"Label1.Caption==.x.y", "x.y"},
      {"LABEL1.caption=  blanks kept  ", "  blanks kept  "},
      {"Label1.Caption=Zeile\xB6Zeile", "Zeile\nZeile"},
  };
  for (const Case& c : cases) {
    Language().ApplyEntry(c.line, &form);
    EXPECT_EQ(form.label->text(), c.label) << c.line.constData();
  }
}

TEST_F(TranslateTest, WindowCopiesUseTheSectionOfTheirBaseName) {
  Write("eng.lng", "English\r\n[FormOption]\r\nFormOption.Caption=Options\r\nLabel1.Caption=Serial\r\n");
  ChooseInIni("eng.lng");
  TestForm form("FormOption_2");
  TranslateWindow(&form);
  EXPECT_EQ(form.windowTitle(), "Options");
  EXPECT_EQ(form.label->text(), "Serial");
}

TEST_F(TranslateTest, MainWindowTranslatesItsOpenChildrenWithTheirOwnSections) {
  Write("eng.lng",
        "English\r\n[FormMain]\r\nLabel1.Caption=main label\r\n"
        "[FormOption]\r\nFormOption.Caption=Options\r\nLabel1.Caption=child label\r\n");
  ChooseInIni("eng.lng");
  QMainWindow main;
  main.setObjectName("FormMain");
  auto* area = new QMdiArea;
  main.setCentralWidget(area);
  auto* mainLabel = new QLabel("Status", &main);
  mainLabel->setObjectName("Label1");
  auto* child = new TestForm("FormOption");
  area->addSubWindow(child);
  auto* dialog = new TestForm("FormDatei");  // a separate window owned by the main window
  dialog->setParent(&main, Qt::Dialog);

  TranslateWindow(&main);
  EXPECT_EQ(mainLabel->text(), "main label");
  EXPECT_EQ(child->label->text(), "child label");
  EXPECT_EQ(child->windowTitle(), "Options");
  EXPECT_EQ(dialog->label->text(), "Status");
}

TEST_F(TranslateTest, NothingChangesWithoutSettingsArgumentsOrFiles) {
  QMainWindow main;
  main.setObjectName("FormMain");
  QMenu* language = main.menuBar()->addMenu("&Sprache");
  language->setObjectName("Sprache1");
  TestForm form("FormOption");
  TranslateWindow(&main);
  TranslateWindow(&form);
  EXPECT_TRUE(Language().SettingsLoaded);
  EXPECT_TRUE(Language().LanguageFile.isEmpty());
  EXPECT_TRUE(Language().Sections.sections.isEmpty());
  EXPECT_TRUE(language->actions().isEmpty());
  EXPECT_EQ(form.label->text(), "Status");
  EXPECT_FALSE(QFile::exists(Ini()));
}

TEST_F(TranslateTest, MissingFileFallsBackToTheGermanFile) {
  Write("deu_setup720.lng", "Deutsch\r\n[FormOption]\r\nLabel1.Caption=Zustand\r\n");
  ChooseInIni("gone.lng");
  TestForm form("FormOption");
  TranslateWindow(&form);
  EXPECT_EQ(Language().LanguageFile, dir_.File("deu_setup720.lng"));
  EXPECT_EQ(Language().LanguageName, "DEUTSCH");
  EXPECT_EQ(form.label->text(), "Zustand");
}

TEST_F(TranslateTest, CommandLinePrefixSelectsFileAndMissingFileKeepsSections) {
  Write("ENG_SETUP720.LNG", "English\r\n[FormOption]\r\nLabel1.Caption=State\r\n");
  ChooseInIni("other.lng");
  Configure({"Setup720", "eng_"});
  TestForm form("FormOption");
  TranslateWindow(&form);
  EXPECT_EQ(form.label->text(), "State");

  EXPECT_FALSE(Language().LoadLanguageFile(dir_.File("none.lng")));
  EXPECT_EQ(Language().LanguageName, "ENGLISH");
  EXPECT_EQ(Lines("FormOption"), QList<Text>{"Label1.Caption=State"});
}

TEST_F(TranslateTest, LanguageMenuListsFilesReversedAndChoosingStoresAndApplies) {
  Write("a.lng", "Deutsch\r\n[FormMain]\r\nMnDatei1.Caption=&Datei\r\n");
  Write("b.lng", "English\r\n[FormMain]\r\nMnDatei1.Caption=&File\r\n");
  Write("empty.lng", "");
  QMainWindow main;
  main.setObjectName("FormMain");
  QMenu* file = main.menuBar()->addMenu("&Datei");
  file->setObjectName("MnDatei1");
  QMenu* language = main.menuBar()->addMenu("&Sprache");
  language->setObjectName("Sprache1");
  Text reported;
  Language().LanguageNameChanged = [&](const Text& name) { reported = name; };

  TranslateWindow(&main);
  const QList<QAction*> items = language->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->text(), "English");
  EXPECT_EQ(items[0]->objectName(), "MnSprache1");
  EXPECT_EQ(items[0]->data().toInt(), 2);
  EXPECT_EQ(items[1]->text(), "Deutsch");
  EXPECT_EQ(items[1]->objectName(), "MnSprache0");

  items[0]->trigger();
  EXPECT_EQ(file->title(), "&File");
  EXPECT_EQ(reported, "ENGLISH");
  const IniFile ini(Ini());
  EXPECT_EQ(ini.ReadString("Main", "Languagefile", ""), Text("b.lng"));
  EXPECT_EQ(ini.ReadString("Main", "Language", ""), Text("ENGLISH"));
  EXPECT_EQ(language->actions().size(), 2);  // built once

  EXPECT_FALSE(Language().ChooseLanguage(3));
  EXPECT_FALSE(Language().ChooseLanguage(0));
  EXPECT_EQ(file->title(), "&File");
}

TEST_F(TranslateTest, CommandLineFileWinsOverTheMenuChoice) {
  Write("a.lng", "Deutsch\r\n[FormMain]\r\nMnDatei1.Caption=&Datei\r\n");
  Write("b.lng", "English\r\n[FormMain]\r\nMnDatei1.Caption=&File\r\n");
  Configure({"Setup720", "-La.lng"});
  QMainWindow main;
  main.setObjectName("FormMain");
  QMenu* file = main.menuBar()->addMenu("&Datei");
  file->setObjectName("MnDatei1");
  main.menuBar()->addMenu("S&prache");
  TranslateWindow(&main);
  ASSERT_EQ(Language().MenuTable.size(), 2);
  EXPECT_TRUE(Language().ChooseLanguage(2));
  EXPECT_EQ(file->title(), "&Datei");
  EXPECT_EQ(Language().LanguageName, "DEUTSCH");
  EXPECT_EQ(IniFile(Ini()).ReadString("Main", "Languagefile", ""), Text("b.lng"));
}

TEST_F(TranslateTest, ChoiceThatCannotBeStoredStillApplies) {
  Write("b.lng", "English\r\n[FormMain]\r\nMnDatei1.Caption=&File\r\n");
  QMainWindow main;
  main.setObjectName("FormMain");
  QMenu* file = main.menuBar()->addMenu("&Datei");
  file->setObjectName("MnDatei1");
  main.menuBar()->addMenu("&Sprache");
  TranslateWindow(&main);
  const WriteFaultHook previous = SetWriteFaultHook([](const QString&) { return qint64{0}; });
  EXPECT_FALSE(Language().ChooseLanguage(1));
  SetWriteFaultHook(previous);
  EXPECT_EQ(file->title(), "&File");
  EXPECT_EQ(Language().LanguageName, "ENGLISH");
}

TEST_F(TranslateTest, ManagerModeCollectsTextsInStepOrderOnce) {
  Write("eng.lng", "English\r\n[FormMain]\r\nLabel1.Caption=Size\r\n");
  ChooseInIni("eng.lng");
  Configure({"Setup720", "-CL"});
  RecordingView view;
  Language().SetView(&view);

  QMainWindow main;
  main.setObjectName("FormMain");
  main.setWindowTitle("ORX Setup 720");
  auto* list = new QListWidget(&main);  // created first, collected last
  list->setObjectName("ListBox1");
  list->addItems({"a", " ", "b"});
  auto* table = new MessageTable(&main, "StrMain", {"Zeile 1\r\nZeile 2", "  ", "Ende"});
  auto* check = new QCheckBox("Auto", &main);
  check->setObjectName("CheckBox1");
  check->setToolTip("Automatisch");
  QMenu* service = main.menuBar()->addMenu("&Service");
  service->setObjectName("MnService1");
  QAction* upload = service->addAction("Programm &Upload");
  upload->setObjectName("MnUpload1");
  service->addSeparator()->setObjectName("N1");
  QToolBar* bar = main.addToolBar("Werkzeuge");
  QAction* send = bar->addAction("Senden");
  send->setObjectName("BtSend");
  send->setToolTip("Zum Ger\u00E4t senden");
  QAction* noHint = bar->addAction("Option");
  noHint->setObjectName("BtOption");
  auto* label = new QLabel("Gr\u00F6\u00DFe", &main);
  label->setObjectName("Label1");
  auto* label2 = new QLabel("Zwei\nZeilen", &main);
  label2->setObjectName("Label2");

  TranslateWindow(&main);
  EXPECT_TRUE(Language().ManagerMode);
  EXPECT_EQ(view.shown, 1);
  EXPECT_EQ(view.caption, dir_.File("eng.lng"));
  const QList<Text> expected = {
      "Label1.Caption=Size",  // from the file, never changed
      "FormMain.Caption=ORX Setup 720",
      "Label2.Caption=Zwei\xB6Zeilen",
      "BtSend.Caption=Senden",
      "BtSend.Hint=Zum Ger\xE4t senden",
      "BtOption.Caption=Option",
      "MnService1.Caption=&Service",
      "MnUpload1.Caption=Programm &Upload",
      "CheckBox1.Hint=Automatisch",
      "CheckBox1.Caption=Auto",
      "StrMain.Strings[0]=Zeile 1\xB6Zeile 2",
      "StrMain.Strings[2]=Ende",
      "ListBox1.Items[0]=a",
      "ListBox1.Items[2]=b",
  };
  EXPECT_EQ(Lines("FormMain"), expected);
  EXPECT_EQ(label->text(), "Size");
  const int changes = view.changed;
  EXPECT_GE(changes, 1);

  TranslateWindow(&main);
  EXPECT_EQ(Lines("FormMain"), expected);
  EXPECT_EQ(view.changed, changes);
  EXPECT_EQ(table->Item(0), Text("Zeile 1\r\nZeile 2"));

  // A window without a section gets one.
  TestForm other("FormOption");
  TranslateWindow(&other);
  EXPECT_EQ(Lines("FormOption").first(), "FormOption.Caption=Hauptfenster");
  EXPECT_GT(view.changed, changes);
}

TEST_F(TranslateTest, Windows1252BytesSurviveFileToWidgetToFile) {
  const QByteArray value = "Gr\xF6\xDF" "e \x80 \xC4\xD6\xDC\xE4\xF6\xFC\xDF \x81\x9D";
  Write("deu.lng", "Deutsch\r\n[FormMain]\r\nLabel1.Caption=" + value +
                       "\r\nStrMain.Strings[1]=" + value + "\r\n");
  ChooseInIni("deu.lng");
  TestForm form("FormMain");
  TranslateWindow(&form);
  EXPECT_EQ(form.label->text(),
            QString::fromUtf8("Gr\u00F6\u00DFe \u20AC \u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF "
                              "\u0081\u009D"));
  EXPECT_EQ(form.table->Item(1), value);

  Language().Sections.Clear();
  Language().CollectTexts(&form);
  ASSERT_TRUE(Language().SaveLanguageFile(dir_.File("out.lng")));
  QByteArray saved;
  ASSERT_TRUE(ReadWholeFile(dir_.File("out.lng"), &saved));
  EXPECT_TRUE(saved.startsWith("[FormMain]\r\nFormMain.Caption=Hauptfenster\r\nLabel1.Caption=" +
                               value + "\r\n"));
  EXPECT_TRUE(saved.contains("\r\nStrMain.Strings[1]=" + value + "\r\n"));
}

TEST_F(TranslateTest, SavedFileKeepsTheLanguageName) {
  Write("eng.lng", "English\r\n[FormMain]\r\nLabel1.Caption=State\r\n");
  ASSERT_TRUE(Language().LoadLanguageFile(dir_.File("eng.lng")));
  ASSERT_TRUE(Language().SaveLanguageFile(dir_.File("copy.lng")));
  QByteArray saved;
  ASSERT_TRUE(ReadWholeFile(dir_.File("copy.lng"), &saved));
  EXPECT_EQ(saved, QByteArray("English\r\n[FormMain]\r\nLabel1.Caption=State\r\n"));
  QString error;
  EXPECT_FALSE(Language().SaveLanguageFile(QString(), &error));
  EXPECT_FALSE(error.isEmpty());
}

}  // namespace
