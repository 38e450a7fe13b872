// The ALV window against the in-process instrument, in virtual time.
#include "editors/alv_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QToolButton>

#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/settings_store.h"

namespace {

bool Sent(const SimRig& rig, const Text& command) {
  for (const Text& c : rig.instrument.Commands())
    if (c == command) return true;
  return false;
}

void Type(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  emit edit->textEdited(text);
  emit edit->editingFinished();
}

class AlvWindow : public ::testing::Test {
 protected:
  explicit AlvWindow(SimOptions options = {}) : rig(std::move(options)) {}
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->Registry = &store;
    Boxes::Clear();
  }
  void TearDown() override {
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QLocale::setDefault(QLocale::c());
    Glb = nullptr;
  }
  void ExpectFields(const char* b, const char* a, const char* k1, const char* k2) {
    EXPECT_EQ(form->Editb->text(), b);
    EXPECT_EQ(form->EditA->text(), a);
    EXPECT_EQ(form->EditK1->text(), k1);
    EXPECT_EQ(form->Editk2->text(), k2);
  }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
  QPointer<TFormALV> form;
};

TEST_F(AlvWindow, OpeningShowsTheInstrumentsValues) {
  rig.instrument.SetAlv("0,2567 -0,00090  3 -5", 2003030815);
  form = OpenFormALV();
  ASSERT_TRUE(form);
  EXPECT_TRUE(Boxes::Shown().empty());
  ExpectFields("0,257", "-0,00090", "3", "-5");
  EXPECT_EQ(form->Labelsernr->text(), "2003030815");
  EXPECT_EQ(form->EditSernr->displayText(), "KRTC-0815");
  EXPECT_EQ(rig.instrument.Commands(), (std::vector<Text>{"WARTUNG738", "R182", "R180", "R181"}));
  EXPECT_TRUE(Glb->Serial.IsOpen);  // left open
  EXPECT_FALSE(Glb->Busy);
  EXPECT_TRUE(form->Panel1->isEnabled());

  // Sending unchanged fields gives B back with its fourth decimal.
  rig.instrument.ClearCommands();
  form->BtSend->click();
  EXPECT_EQ(rig.instrument.Commands(),
            (std::vector<Text>{"WARTUNG738", "W1800,2567 -0,00090  3 -5", "W1812003030815", "W18258231"}));
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_TRUE(Glb->Serial.IsOpen);
}

TEST_F(AlvWindow, TypedValuesAreLimitedAndStored) {
  struct Case {
    QLineEdit* TFormALV::*field;
    QString typed;
    QString shown;
    Text line;
  };
  const std::vector<Case> cases = {
      {&TFormALV::EditK1, "7", "7", "0,2500 -0,00090  7 -5"},
      {&TFormALV::EditK1, "25", "20", "0,2500 -0,00090 20 -5"},
      {&TFormALV::Editk2, "-99", "-20", "0,2500 -0,00090  3 -20"},
      {&TFormALV::EditA, "-0,003", "-0,00200", "0,2500 -0,00200  3 -5"},
      {&TFormALV::EditA, "0.5", "0,00000", "0,2500  0,00000  3 -5"},
      {&TFormALV::Editb, "0,1", "0,100", "0,1000 -0,00090  3 -5"},
      // Wider than its field: the rest moves one column on.
      {&TFormALV::Editb, "12,5", "12,500", "12,5000 -0,00090  3 -5"},
  };
  for (const Case& c : cases) {
    rig.instrument.SetAlv("0,2500 -0,00090  3 -5", 2001010042);
    if (form) form->BtRefresh->click();
    else form = OpenFormALV();
    Type(form.data()->*c.field, c.typed);
    EXPECT_EQ((form.data()->*c.field)->text(), c.shown) << c.typed.toStdString();
    form->BtSend->click();
    EXPECT_EQ(rig.instrument.AlvLine(), c.line) << c.typed.toStdString();
    EXPECT_TRUE(Sent(rig, "W180" + c.line)) << c.typed.toStdString();
    EXPECT_EQ(rig.instrument.AlvSerial(), 2001010042);
  }
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(AlvWindow, ValuesOutOfLimitsFromTheInstrument) {
  rig.instrument.SetAlv("0,2500 -0,00300 33 xx", 2001010042);
  form = OpenFormALV();
  ExpectFields("0,250", "-0,00200", "20", "0");
  form->BtSend->click();
  EXPECT_TRUE(Sent(rig, "W1800,2500 -0,00200 20  0"));
}

TEST_F(AlvWindow, SerialField) {
  form = OpenFormALV();
  EXPECT_EQ(form->SerialFieldText(), "KRAB-0042");
  struct Case {
    QString typed;
    Text command;
  };
  const std::vector<Case> cases = {
      {"", "W181FEHLER"},
      {"tc0815", "W1812003030815"},    // letters go upper case; "KR" and "-" are the mask's
      {"KRQQ-0001", "W181FEHLER"},     // no such year letter
      {"KRTC-0000", "W181FEHLER"},     // running number below 1
  };
  for (const Case& c : cases) {
    form->EditSernr->clear();
    form->EditSernr->setCursorPosition(0);
    form->EditSernr->insert(c.typed);
    rig.instrument.ClearCommands();
    form->BtSend->click();
    EXPECT_TRUE(Sent(rig, c.command)) << c.typed.toStdString() << " -> "
                                      << FromQt(form->EditSernr->displayText()).constData();
    // The store command follows even after "FEHLER".
    EXPECT_TRUE(Sent(rig, "W18258231")) << c.typed.toStdString();
  }
  form->EditSernr->clear();
  EXPECT_EQ(form->SerialFieldText(), "KR  -    ");
}

TEST_F(AlvWindow, StaysWhileExchangingAndKeepsItsPlace) {
  form = OpenFormALV();
  EXPECT_EQ(form->size(), QSize(255, 220));
  bool closed = true;
  rig.pump.At(rig.pump.NowMs() + 50, [&] { closed = form->close(); });
  form->BtRefresh->click();
  EXPECT_FALSE(closed);
  ASSERT_FALSE(form.isNull());
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(Glb->Serial.IsOpen);  // the port stays open
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(store.KeyExists("Software\\ORX\\ORX720Tools\\ALV"));
}

TEST_F(AlvWindow, RefreshDoesNothingWhileAnotherExchangeRuns) {
  form = OpenFormALV();
  rig.instrument.ClearCommands();
  Glb->Busy = true;
  form->BtRefresh->click();
  form->BtSend->click();
  EXPECT_TRUE(rig.instrument.Commands().empty());
  Glb->Busy = false;
}

class SilentAlv : public AlvWindow {
 protected:
  SilentAlv() : AlvWindow([] {
    SimOptions options;
    options.silent = true;
    return options;
  }()) {}
};

TEST_F(SilentAlv, NoAnswerAfterTwoWaits) {
  const int64_t start = rig.pump.NowMs();
  form = OpenFormALV();
  const int64_t waited = rig.pump.NowMs() - start;
  EXPECT_GE(waited, 4000);
  EXPECT_LT(waited, 4800);
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, Glb->StrError->Item(18));
  EXPECT_TRUE(Boxes::Shown()[0].message.startsWith("No answer from Instrument"));
  // Stopped after "R182"; the fields keep their defaults.
  EXPECT_EQ(rig.instrument.Commands(), (std::vector<Text>{"WARTUNG738", "R182"}));
  ExpectFields("0,250", "-0,00090", "0", "0");
  EXPECT_FALSE(Glb->Busy);
  EXPECT_TRUE(form->Panel1->isEnabled());
}

class GarbledAlv : public AlvWindow {
 protected:
  GarbledAlv() : AlvWindow([] {
    SimOptions options;
    options.garbage = true;
    return options;
  }()) {}
};

TEST_F(GarbledAlv, SerialAnswerThatIsNoNumber) {
  form = OpenFormALV();
  // Every answer is garbage: the fields read 0 (then limited), the serial
  // answer raises the conversion error after the exchange ended.
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_TRUE(Boxes::Shown()[0].message.endsWith("is not a valid integer value"));
  ExpectFields("0,000", "0,00000", "0", "0");
  EXPECT_FALSE(Glb->Busy);
}

}  // namespace
