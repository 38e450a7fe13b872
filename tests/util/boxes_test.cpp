#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

#include "test_support.h"
#include "util/msgbox.h"
#include "util/shell.h"

namespace {

class BoxesTest : public ::testing::Test {
 protected:
  void SetUp() override { Boxes::Clear(); }
  void TearDown() override { Boxes::Clear(); }
};

TEST_F(BoxesTest, KindsAndCaptions) {
  ShowError("kaputt");
  ShowInfo("Hinweis");
  ShowPlain("schon gestartet");
  AskYesNo("Wirklich?");
  const std::vector<BoxRequest> want = {
      {BoxKind::Error, "Fehler", "kaputt"},
      {BoxKind::Info, "Informationen", "Hinweis"},
      {BoxKind::Plain, FromQt(QCoreApplication::applicationName()), "schon gestartet"},
      {BoxKind::Question, "Best\xE4tigung", "Wirklich?"},
  };
  ASSERT_EQ(Boxes::Shown().size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(Boxes::Shown()[i].kind, want[i].kind) << i;
    EXPECT_EQ(Boxes::Shown()[i].caption, want[i].caption) << i;
    EXPECT_EQ(Boxes::Shown()[i].message, want[i].message) << i;
  }
}

TEST_F(BoxesTest, AskYesNoReturnsTheAnswer) {
  Boxes::AnswerNext(true);
  Boxes::AnswerNext(false);
  EXPECT_TRUE(AskYesNo("eins"));
  EXPECT_FALSE(AskYesNo("zwei"));
  EXPECT_FALSE(AskYesNo("ohne Antwort"));
}

// The real Qt boxes, answered by a zero timer that presses a button by its text.
class RealBoxTest : public BoxesTest {
 protected:
  struct Seen {
    bool found = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
  };

  void SetUp() override {
    BoxesTest::SetUp();
    saved_ = SetBoxHook({});
  }
  void TearDown() override { SetBoxHook(saved_); }

  Seen Run(const std::function<void()>& show, const QString& press) {
    Seen seen;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible()) continue;
        timer.stop();
        seen.found = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : box->buttons()) {
          seen.buttons << b->text();
          if (b->text() == press) target = b;
        }
        if (target) target->click();
        else box->reject();  // never leave a modal box open
        return;
      }
    });
    timer.start();
    show();
    return seen;
  }

  BoxHook saved_;
};

TEST_F(RealBoxTest, ErrorInfoAndPlain) {
  struct Case {
    std::function<void()> show;
    QString title;
    QMessageBox::Icon icon;
  };
  const std::vector<Case> cases = {
      {[] { ShowError("Gr\xF6\xDF" "e"); }, "Fehler", QMessageBox::Critical},
      {[] { ShowInfo("Gr\xF6\xDF" "e"); }, "Informationen", QMessageBox::Information},
      {[] { ShowPlain("Gr\xF6\xDF" "e"); }, QCoreApplication::applicationName(), QMessageBox::NoIcon},
  };
  for (const Case& c : cases) {
    const Seen seen = Run(c.show, "OK");
    ASSERT_TRUE(seen.found) << c.title.toStdString();
    EXPECT_EQ(seen.title, c.title);
    EXPECT_EQ(seen.text, QString::fromUtf8("Größe"));
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
  }
}

TEST_F(RealBoxTest, QuestionAnswersJaAndNein) {
  for (const bool yes : {true, false}) {
    bool answer = !yes;
    const Seen seen = Run([&] { answer = AskYesNo("Weiter?"); }, yes ? "&Ja" : "&Nein");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, QString::fromUtf8("Bestätigung"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, (QStringList{"&Ja", "&Nein"}));
    EXPECT_EQ(answer, yes);
  }
}

TEST(ShellErrorTextTest, Table) {
  struct Case { int32_t code; const char* utf8; };
  const std::vector<Case> cases = {
      {0, "Zuwenig Speicher, Anwendung zerstört oder Relokationswerte ungültig"},
      {2, "Anwendung nicht gefunden"},
      {3, "Verzeichnis nicht gefunden."},
      {5, "Gescheiterter dynamischer Link"},
      {6, "Bibliothek forderte separate Datensegmente für jede Task an."},
      {8, "Zuwenig Speicher, um die Anwendung zu starten."},
      {10, "Falsche Windows-Version."},
      {11, "Ungültige ausführbare Anwendnung."},
      {12, "Anwendung für ein anderes Betriebssystem."},
      {13, "Anwendung für MS-DOS 4.0."},
      {14, "Typ der ausführbaren Datei unbekannt."},
      {15, "Versuch, eine Real-Mode-Anwendung (frühere Windows-Version) zu laden."},
      {16, "Versuch, eine zweite Instanz zu laden."},
      {19, "Versuch, eine komprimierte ausführbare Datei zu laden."},
      {20, "Ungültige dynamische Linkbibliothek (DLL)."},
      {21, "Anwendung benötigt Windows-32-Bit-Erweiterungen."},
      {1, "Ausführungsfehler 1"},
      {31, "Ausführungsfehler 31"},
      {32, "Ausführungsfehler 32"},
      {-4, "Ausführungsfehler -4"},
      {33, ""},
      {42, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ToQt(ShellErrorText(c.code)), QString::fromUtf8(c.utf8)) << c.code;
}

class OpenDocumentTest : public BoxesTest {
 protected:
  void TearDown() override {
    SetShellOpenHook({});
    BoxesTest::TearDown();
  }
};

TEST_F(OpenDocumentTest, HookResultDecides) {
  struct Case { int32_t code; bool ok; };
  for (const Case c : {Case{33, true}, Case{42, true}, Case{31, false}, Case{2, false}, Case{32, false}}) {
    Boxes::Clear();
    Text asked;
    SetShellOpenHook([&](const Text& path) { asked = path; return c.code; });
    EXPECT_EQ(OpenDocument("C:\\Hilfe\\d.pdf"), c.ok) << c.code;
    EXPECT_EQ(asked, "C:\\Hilfe\\d.pdf");
    if (c.ok) {
      EXPECT_TRUE(Boxes::Shown().empty()) << c.code;
    } else {
      ASSERT_EQ(Boxes::Shown().size(), 1u) << c.code;
      EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
      EXPECT_EQ(Boxes::Shown()[0].message, ShellErrorText(c.code));
    }
  }
}

TEST_F(OpenDocumentTest, MissingFileIsNotFound) {
  TempDir dir;
  for (const QString& path : {dir.File("fehlt.pdf"), QString()}) {
    Boxes::Clear();
    EXPECT_FALSE(OpenDocument(FromQt(path)));
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].message, "Anwendung nicht gefunden");
  }
}

}  // namespace
