// The information box, the information list and the disclaimer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "app/info_windows.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/inifile.h"
#include "util/report_print.h"
#include "util/settings_store.h"

namespace {

void Key(QWidget* target, int key, const QString& text = QString(),
         Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QCoreApplication::sendEvent(target, &release);
}

// Typing as a user does: key by key.
void Type(QLineEdit* edit, const QString& text) {
  for (QChar ch : text) Key(edit, ch.toUpper().unicode(), QString(ch));
}

void ClearByKeys(QLineEdit* edit) {
  edit->selectAll();
  Key(edit, Qt::Key_Backspace);
}

// Screenshots for a look at the windows: SETUP720_SHOTS names the folder.
void Shot(QWidget* window, const char* name) {
  const QString folder = qEnvironmentVariable("SETUP720_SHOTS");
  if (folder.isEmpty()) return;
  QCoreApplication::processEvents();  // lets the lists lay out their items
  window->grab().save(folder + "/" + name + ".png");
}

// The main window's "Info" lines, as the main window builds them.
QList<Text> InfoLines() {
  return {"Hexfile:\tSETUP720.H20",        "Binfile:\t/opt/s720/Daten/P720.bin",
          "Userfile:\t/opt/s720/Daten/U.bin", "Hexpfad:\t/opt/s720/",
          "Parameterdatei:\tTyplist.txt",  "Parameterpfad:\t/opt/s720/",
          "Datenpfad:\t/opt/s720/Daten/",  "Programmpfad:\t/opt/s720/",
          "Freigabe:\tAnwender",           "Com-Port:\t1",
          "",                              "",
          "E-Mail\tservice@orx.example",   "Fax\t+49 000 111-2",
          "Tel.\t+49 000 111-1",           "D-00000 Musterstadt",
          "ORX Messtechnik GmbH",          "V 1.4,001-t2q",
          "Setup720 f\xFCr ORX 720 "};
}

class InfoWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Boxes::Clear();
    Modals::Clear();
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->DataDir = rig.glb->ProgramDir + "Daten/";
    store = std::make_unique<SettingsStore>(dir.File("registry.ini"));
    rig.glb->Registry = store.get();
    SetMainWindowCloser([this] { ++mainClosed; });
  }
  void TearDown() override {
    CloseDisclaimer();
    SetMainWindowCloser({});
    SetReportPrintHook({});
    Modals::Clear();
    Boxes::Clear();
    Glb = nullptr;
  }

  TempDir dir;
  SimRig rig;
  std::unique_ptr<SettingsStore> store;
  int mainClosed = 0;
};

// ---- information box ----

TEST_F(InfoWindowsTest, AboutBoxShowsTheLinesLastFirstAndClicksShowTheLine) {
  const QList<Text> lines = InfoLines();
  QStringList shown;
  Modals::OnNext([&](QDialog* box) {
    EXPECT_EQ(box->windowTitle(), "Info");
    auto* list = box->findChild<QListWidget*>("ListBox");
    ASSERT_TRUE(list);
    for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
    // A line of "-" or an empty line shows nothing; any other line is shown.
    auto* about = static_cast<TAboutBox*>(box);
    about->ListBoxClick(list->item(8));  // the second empty line
    list->addItem("-");
    about->ListBoxClick(list->item(list->count() - 1));
    EXPECT_TRUE(Boxes::Shown().empty());
    about->ListBoxClick(list->item(0));
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Plain);
    EXPECT_EQ(Boxes::Shown()[0].message, lines.last());
    Shot(box, "aboutbox");
    box->findChild<QPushButton*>("OKButton")->click();
    EXPECT_FALSE(box->isVisible());
  });
  ShowAboutBox(lines);
  ASSERT_EQ(Modals::Shown(), std::vector<QString>{"AboutBox"});
  ASSERT_EQ(shown.size(), lines.size());
  for (qsizetype i = 0; i < lines.size(); ++i)
    EXPECT_EQ(shown[i], ToQt(lines[lines.size() - 1 - i])) << i;
}

TEST_F(InfoWindowsTest, AboutBoxListLooksAsDesigned) {
  TAboutBox box;
  box.Show({"Com-Port:\t1", "Setup720"});
  QListWidget* list = box.ListBox();
  EXPECT_TRUE(list->font().bold());
  EXPECT_EQ(list->font().pixelSize(), 13);
  EXPECT_EQ(list->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(list->visualItemRect(list->item(0)).height(), TAboutBox::kLineHeight);
  EXPECT_EQ(list->visualItemRect(list->item(1)).top(),
            list->visualItemRect(list->item(0)).bottom() + 1);
  box.show();
  const QImage image = box.grab().toImage();
  const QPoint empty = list->mapTo(&box, QPoint(list->width() / 2, list->height() - 4));
  EXPECT_EQ(QColor(image.pixel(empty)), QColor(131, 226, 222)) << "turquoise list";
}

TEST(AboutBoxTabs, ValuesLineUpInOneColumn) {
  QFont font("Arial");
  font.setPixelSize(13);
  font.setBold(true);
  const QFontMetrics metrics(font);
  const int tab = TAboutBox::TabStopPixels(font);
  // 80 dialog units are 20 average characters: far more than one and less than a line.
  EXPECT_GT(tab, 10 * metrics.averageCharWidth());
  EXPECT_LT(tab, 40 * metrics.averageCharWidth());

  int widestLabel = 0;
  QList<int> valueColumns;
  for (const Text& line : InfoLines()) {
    const QString text = ToQt(line);
    if (!text.contains(u'\t')) continue;
    const QList<TAboutBox::Piece> pieces = TAboutBox::LayoutTabs(text, metrics, tab);
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[0].x, 0);
    widestLabel = std::max(widestLabel, metrics.horizontalAdvance(pieces[0].text));
    valueColumns << pieces[1].x;
  }
  ASSERT_FALSE(valueColumns.isEmpty());
  for (int x : valueColumns) EXPECT_EQ(x, valueColumns.first());
  EXPECT_GT(valueColumns.first(), widestLabel) << "values never touch their labels";

  struct Case {
    QString line;
    QList<int> stops;  // where each piece starts, in tab stops
  };
  const QString longLabel(200, u'W');
  const int longStops = metrics.horizontalAdvance(longLabel) / tab + 1;
  const std::vector<Case> cases = {
      {"no tab", {0}},
      {"a\t\tb", {0, 1, 2}},
      {"\tvalue", {0, 1}},
      {longLabel + "\tvalue", {0, longStops}},
  };
  for (const Case& c : cases) {
    const QList<TAboutBox::Piece> pieces = TAboutBox::LayoutTabs(c.line, metrics, tab);
    ASSERT_EQ(pieces.size(), c.stops.size()) << c.line.toStdString();
    for (qsizetype i = 0; i < pieces.size(); ++i)
      EXPECT_EQ(pieces[i].x, c.stops[i] * tab) << c.line.toStdString() << " piece " << i;
  }
  // A broken tab width never divides by zero.
  EXPECT_EQ(TAboutBox::LayoutTabs("a\tb", metrics, 0).size(), 2);
}

// ---- information list ----

TEST(InfolistPlacement, SizeAndPlaceFollowTheText) {
  struct Case {
    int x, y;
    QSize label;
    QRect expected;
  };
  const std::vector<Case> cases = {
      {800, 300, {600, 48}, {800 - 500 + 32, 332, 500, 166}},  // wide text: 500 at most
      {800, 300, {0, 0}, {800 - 290 + 32, 332, 290, 118}},     // empty text: 290 at least
      {800, 10, {300, 32}, {800 - 350 + 32, 42, 350, 150}},
      {20, 100, {300, 32}, {0, 132, 350, 150}},                // near the left edge
      {0, 0, {0, 0}, {0, 32, 290, 118}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TFormInfolist::Placement(c.x, c.y, c.label), c.expected)
        << c.x << "," << c.y << " " << c.label.width() << "x" << c.label.height();
}

TEST_F(InfoWindowsTest, InfolistShowsTheTextAndEscapeClosesIt) {
  TFormInfolist list;
  EXPECT_EQ(list.windowTitle(), "Setup 720 Info");
  EXPECT_TRUE(list.windowFlags() & Qt::Tool);
  EXPECT_FALSE(list.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(list.windowFlags() & Qt::WindowSystemMenuHint);

  const int64_t before = rig.pump.NowMs();
  bool ran = false;
  Modals::OnNext([&](QDialog* window) {
    ran = true;
    EXPECT_GE(rig.pump.NowMs() - before, 200) << "shown after its pause";
    QLabel* label = window->findChild<QLabel*>("Label1");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), "COM 3:\nUSB-Kabel gefunden");
    EXPECT_EQ(window->size(), TFormInfolist::Placement(640, 400, label->size()).size());
    EXPECT_EQ(window->frameGeometry().topLeft(),
              TFormInfolist::Placement(640, 400, label->size()).topLeft());
    QWidget* logo = window->findChild<QWidget*>("Image1");
    ASSERT_TRUE(logo);
    EXPECT_TRUE(logo->isVisible());
    EXPECT_GT(logo->x(), label->x() + label->width()) << "the logo keeps clear of the text";
    auto* ok = window->findChild<QPushButton*>("BtOK");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->isFlat());
    const int gap = window->width() - ok->geometry().right();
    window->resize(window->width() + 120, window->height());
    EXPECT_EQ(window->width() - ok->geometry().right(), gap) << "OK keeps its right gap";
    Shot(window, "infolist");
    Key(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
  });
  EXPECT_EQ(list.ShowAt(640, 400, "COM 3:\rUSB-Kabel gefunden"), QDialog::Rejected);
  EXPECT_TRUE(ran);
}

// ---- disclaimer ----

TEST_F(InfoWindowsTest, DisclaimerLayoutAndTerms) {
  TFormDisclaim window;
  EXPECT_EQ(window.windowTitle(), "Nutzungsbestimmungen ORX Messtechnik GmbH");
  EXPECT_EQ(window.Label1()->text(),
            "Wenn Sie die Nutzungsbedingungen gelesen haben\n"
            "und damit einverstanden sind, geben Sie bitte im Eingabefeld\n"
            "  \"OK\"   ein.");
  EXPECT_EQ(window.BtDisclaimOK()->text(), "Abbrechen");
  EXPECT_TRUE(window.BtPrint()->text().isEmpty());
  EXPECT_FALSE(window.BtPrint()->icon().isNull());

  const QList<Text> terms = TFormDisclaim::TermsLines();
  ASSERT_EQ(window.ListBox1()->count(), terms.size());
  EXPECT_EQ(terms.first(), "Nutzungsbestimmungen ");
  const QList<Text> titles = {"A. Softwarenutzung ", "B. Urheberrechte und Rechte Dritter ",
                              "C. \xDC" "bertragung von Rechten ", "D. Haftung ",
                              "E. Informationsinhalt ", "F. Sonstiges "};
  qsizetype last = 0;
  for (const Text& title : titles) {
    const qsizetype at = terms.indexOf(title);
    ASSERT_GT(at, last) << title.constData();
    EXPECT_TRUE(terms[at - 1].isEmpty()) << "an empty line before " << title.constData();
    last = at;
  }
  EXPECT_TRUE(terms.last().contains("1. November 2002"));
  EXPECT_TRUE(terms[terms.size() - 3].startsWith("Gerichtsstand"));
  for (qsizetype i = 0; i < terms.size(); ++i)
    EXPECT_EQ(window.ListBox1()->item(i)->text(), ToQt(terms[i]));
  window.show();
  EXPECT_EQ(window.focusWidget(), window.Edit1());
  Shot(&window, "disclaimer");
}

TEST_F(InfoWindowsTest, DisclaimerAcceptanceByTypingOK) {
  enum class Close { Button, CloseBox, Escape };
  struct Case {
    const char* name;
    QStringList typing;  // "" clears the field
    Close close;
    bool accepted;   // DisclaimerAccepted afterwards
    bool continues;  // the tool goes on
    bool stored;     // "Disclaim" = 1 in the INI file at once
    const char* caption;
  };
  const std::vector<Case> cases = {
      {"OK", {"OK"}, Close::Button, true, true, true, "OK"},
      {"lower case", {"ok"}, Close::Button, true, true, true, "OK"},
      {"mixed case", {"oK"}, Close::Button, true, true, true, "OK"},
      {"other text", {"ja"}, Close::Button, false, false, false, "Abbrechen"},
      {"OK and more", {"OKAY"}, Close::Button, true, true, true, "OK"},
      {"blank after OK", {"O", "K "}, Close::Button, true, true, true, "OK"},
      {"nothing typed", {}, Close::Button, false, false, false, "Abbrechen"},
      {"OK then emptied", {"OK", ""}, Close::Button, true, false, false, "OK"},
      {"close box without OK", {"x"}, Close::CloseBox, false, false, false, "Abbrechen"},
      {"close box after OK", {"OK"}, Close::CloseBox, true, true, false, "OK"},
      {"Escape after OK", {"OK"}, Close::Escape, true, true, false, "OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(rig.glb->IniPath());
    {
      IniFile ini(rig.glb->IniPath());
      ini.WriteInteger("KONFIG", "Comport", 7);
      ASSERT_TRUE(ini.UpdateFile());
    }
    rig.glb->DisclaimerAccepted = false;
    mainClosed = 0;
    CloseDisclaimer();
    Modals::OnNext([&](QDialog* dialog) {
      auto* window = static_cast<TFormDisclaim*>(dialog);
      for (const QString& part : c.typing) {
        if (part.isEmpty()) ClearByKeys(window->Edit1());
        else Type(window->Edit1(), part);
      }
      EXPECT_EQ(window->BtDisclaimOK()->text(), c.caption);
      switch (c.close) {
        case Close::Button: window->BtDisclaimOK()->click(); break;
        case Close::CloseBox: window->close(); break;
        case Close::Escape: Key(window, Qt::Key_Escape); break;
      }
      EXPECT_FALSE(window->isVisible());
    });
    EXPECT_EQ(OpenDisclaimer(), c.continues);
    EXPECT_EQ(rig.glb->DisclaimerAccepted, c.accepted);
    EXPECT_EQ(mainClosed, c.continues ? 0 : 1) << "declining closes the main window";
    const IniFile ini(rig.glb->IniPath());
    EXPECT_EQ(ini.ValueExists("Main", "Disclaim"), c.stored);
    if (c.stored) {
      EXPECT_TRUE(ini.ReadBool("Main", "Disclaim", false));
    }
    EXPECT_EQ(ini.ReadInteger("KONFIG", "Comport", 0), 7) << "other keys stay";
  }
  ASSERT_EQ(Modals::Shown().size(), cases.size());
  EXPECT_EQ(Modals::Shown().front(), "FormDisclaim");
}

TEST_F(InfoWindowsTest, DisclaimerIsCreatedOnceAndRestoredWhenMinimised) {
  EXPECT_EQ(FormDisclaim(), nullptr);
  EXPECT_FALSE(OpenDisclaimer());  // closed at once: declined
  TFormDisclaim* first = FormDisclaim();
  ASSERT_NE(first, nullptr);
  first->setWindowState(Qt::WindowMinimized);
  bool restored = false;
  Modals::OnNext([&](QDialog* dialog) { restored = !dialog->isMinimized(); });
  OpenDisclaimer();
  EXPECT_EQ(FormDisclaim(), first);
  EXPECT_TRUE(restored);
  // Closing the hidden window at the end does not count as declining again.
  mainClosed = 0;
  first->close();
  EXPECT_EQ(mainClosed, 0);
  CloseDisclaimer();
  EXPECT_EQ(FormDisclaim(), nullptr);
}

TEST_F(InfoWindowsTest, PrintRequestByLanguage) {
  struct Case {
    Text language;
    Text file;
  };
  const std::vector<Case> cases = {
      {"GERMAN", "Disclaim.PFM"},   {"DEUTSCH", "Disclaim_GB.PFM"},
      {"german", "Disclaim_GB.PFM"}, {"", "Disclaim_GB.PFM"},
      {"ENGLISH", "Disclaim_GB.PFM"},
  };
  std::vector<ReportPrintRequest> sent;
  SetReportPrintHook([&](const ReportPrintRequest& request) {
    sent.push_back(request);
    return ReportPrintResult::Sent;
  });
  TFormDisclaim window;
  const Text folder = FromQt(QDir::toNativeSeparators(rig.glb->ProgramDir + "report"));
  for (const Case& c : cases) {
    rig.glb->LanguageName = c.language;
    window.BtPrint()->click();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().service, "Pfmads");
    EXPECT_EQ(sent.back().topic, "Kommando");
    EXPECT_EQ(sent.back().command,
              "Execute " + folder + FromQt(QString(QDir::separator())) + c.file)
        << c.language.constData();
  }
  EXPECT_EQ(sent.size(), cases.size());
  EXPECT_TRUE(Boxes::Shown().empty()) << "a delivered request needs no message";

  // A service that is not running: nothing happens, no message.
  SetReportPrintHook([](const ReportPrintRequest&) { return ReportPrintResult::NotReached; });
  window.BtPrint()->click();
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(InfoWindowsTest, PrintWithoutAPrintServiceSaysSo) {
#ifdef Q_OS_WIN
  GTEST_SKIP() << "Windows has the DDE path";
#endif
  TFormDisclaim window;
  window.BtPrint()->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_TRUE(Boxes::Shown()[0].message.contains("nicht gedruckt"));
}

TEST(ReportPrint, CommandLines) {
  EXPECT_EQ(ReportExecuteLine("C:\\S720\\report\\", "Disclaim.PFM"),
            "Execute C:\\S720\\report\\Disclaim.PFM");
  EXPECT_EQ(ReportExecuteLine("/opt/s720/report/", "Disclaim.PFM"),
            "Execute /opt/s720/report/Disclaim.PFM");
  EXPECT_EQ(ReportExecuteLine("/opt/s720/report", "X.PFM"),
            "Execute /opt/s720/report" + FromQt(QString(QDir::separator())) + "X.PFM");
  EXPECT_EQ(ReportCommandText({"Execute a"}), "Execute a");
  EXPECT_EQ(ReportCommandText({"Copies 2", "Execute a"}), "Copies 2\r\nExecute a");
  EXPECT_EQ(ReportCommandText({}), "");
}

}  // namespace
