// The instrument language window against the in-process instrument, in virtual time.
#include "editors/language_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QToolButton>

#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/settings_store.h"

namespace {

std::vector<Text> Items(const TFormSprache* form) {
  std::vector<Text> items;
  for (int i = 0; i < form->ListBoxSprache->count(); ++i)
    items.push_back(FromQt(form->ListBoxSprache->item(i)->text()));
  return items;
}

int CountOf(const SimRig& rig, const Text& prefix) {
  int n = 0;
  for (const Text& c : rig.instrument.Commands()) n += c.startsWith(prefix) ? 1 : 0;
  return n;
}

SimOptions Options(bool silent, std::vector<Text> noAnswer = {}) {
  SimOptions options;
  options.silent = silent;
  options.noAnswer = std::move(noAnswer);
  return options;
}

class LanguageWindow : public ::testing::Test {
 protected:
  explicit LanguageWindow(SimOptions options = {}) : rig(std::move(options)) {}
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->Registry = &store;
    rig.glb->UserLevel = 2;
    Boxes::Clear();
  }
  void TearDown() override {
    rig.glb->TransferBusy = false;
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Glb = nullptr;
  }
  // Opens the window and lets its delay timer fire.
  TFormSprache* OpenAndRead() {
    form = OpenFormSprache();
    EXPECT_TRUE(form);
    EXPECT_TRUE(form->Timerdelay->isActive());
    form->TimerdelayTimer();
    return form;
  }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
  QPointer<TFormSprache> form;
};

TEST_F(LanguageWindow, ReadsTheTableAndSetsAnotherLanguage) {
  OpenAndRead();
  EXPECT_EQ(Items(form), (std::vector<Text>{"Deutsch", "English", "Italiano", "Svenska"}));
  EXPECT_EQ(form->EditSpracheakt->text(), "Deutsch");
  EXPECT_EQ(form->ListBoxSprache->currentRow(), 0);
  EXPECT_TRUE(form->BtSend->isEnabled());
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_FALSE(form->Timerdelay->isActive());

  form->ListBoxSprache->setCurrentRow(2);
  form->BtSend->click();
  EXPECT_EQ(rig.instrument.Language(), 2);
  EXPECT_EQ(CountOf(rig, "W1402"), 1);
  // The choice is read back 400 ms later.
  ASSERT_TRUE(form->Timerdelay->isActive());
  EXPECT_EQ(form->Timerdelay->interval(), 400);
  form->TimerdelayTimer();
  EXPECT_EQ(form->EditSpracheakt->text(), "Italiano");
  EXPECT_EQ(form->ListBoxSprache->currentRow(), 2);
  EXPECT_EQ(CountOf(rig, "R140"), 2);

  // A double click on an item sends it too.
  emit form->ListBoxSprache->itemDoubleClicked(form->ListBoxSprache->item(3));
  form->ListBoxSprache->setCurrentRow(3);
  emit form->ListBoxSprache->itemDoubleClicked(form->ListBoxSprache->item(3));
  EXPECT_EQ(rig.instrument.Language(), 3);
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(LanguageWindow, ShowsWhatTheAnswerSays) {
  struct Case {
    std::vector<Text> names;
    int32_t current;
    std::vector<Text> items;
    Text shown;
    int row;
  };
  const std::vector<Case> cases = {
      {{"Deutsch", "English", "Francais"}, 1, {"Deutsch", "English", "Francais"}, "English", 1},
      {{"Deutsch", "English"}, 9, {"Deutsch", "English"}, "English", 1},  // limited to the last
      {{"Deutsch", "English"}, -5, {"Deutsch", "English"}, "", -1},
      {{"Norsk Bokm\xE5l", "Deutsch"}, 0, {"Norsk Bokm\xE5l", "Deutsch"}, "Norsk Bokm\xE5l", 0},
      // Only the number: no languages, yet "Sprache Senden" is enabled.
      {{}, 0, {}, "", -1},
  };
  OpenAndRead();
  for (const Case& c : cases) {
    rig.instrument.SetLanguages(c.names, c.current);
    form->Btholen->click();
    EXPECT_EQ(Items(form), c.items) << c.current;
    EXPECT_EQ(FromQt(form->EditSpracheakt->text()), c.shown) << c.current;
    EXPECT_EQ(form->ListBoxSprache->currentRow(), c.row) << c.current;
    EXPECT_TRUE(form->BtSend->isEnabled()) << c.current;
  }
  // With nothing in the list, sending does nothing.
  rig.instrument.ClearCommands();
  form->BtSend->click();
  EXPECT_EQ(CountOf(rig, "W140"), 0);
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(LanguageWindow, NothingFocusedSendsNothing) {
  OpenAndRead();
  form->ListBoxSprache->setCurrentRow(-1);
  form->BtSend->click();
  EXPECT_EQ(CountOf(rig, "W140"), 0);
  EXPECT_EQ(rig.instrument.Language(), 0);
}

TEST_F(LanguageWindow, DoesNotOpenWhileTheChannelIsTaken) {
  Glb->ChannelMode = 2;
  EXPECT_EQ(OpenFormSprache(), nullptr);
  Glb->ChannelMode = 0;
  OpenAndRead();
  // Not even brought to the front or read again.
  Glb->ChannelMode = 1;
  EXPECT_EQ(OpenFormSprache(), form.data());
  EXPECT_FALSE(form->Timerdelay->isActive());
  // A read (or send) while another exchange holds the channel does nothing.
  rig.instrument.ClearCommands();
  form->Btholen->click();
  form->BtSend->click();
  EXPECT_TRUE(rig.instrument.Commands().empty());
  Glb->ChannelMode = 0;
  // Opening again restarts the delay timer.
  EXPECT_EQ(OpenFormSprache(), form.data());
  EXPECT_TRUE(form->Timerdelay->isActive());
}

class SilentLanguageWindow : public LanguageWindow {
 protected:
  SilentLanguageWindow() : LanguageWindow(Options(true)) {}
};

TEST_F(SilentLanguageWindow, NoInstrumentKeepsListAndField) {
  form = OpenFormSprache();
  form->ListBoxSprache->addItem("Alt");
  form->EditSpracheakt->setText("Alt");
  form->TimerdelayTimer();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, Glb->NoInstrumentText());
  EXPECT_EQ(Items(form), std::vector<Text>{"Alt"});
  EXPECT_EQ(form->EditSpracheakt->text(), "Alt");
  EXPECT_EQ(CountOf(rig, "R140"), 0);
  EXPECT_FALSE(Glb->TransferBusy);
}

class UnansweredRead : public LanguageWindow {
 protected:
  UnansweredRead() : LanguageWindow(Options(false, {"R140"})) {}
};

TEST_F(UnansweredRead, ClosesBelowLevelThree) {
  OpenAndRead();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Empfangs-Fehler");
  EXPECT_FALSE(Glb->TransferBusy);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
}

TEST_F(UnansweredRead, StaysOpenAtLevelThreeWithTheErrorItem) {
  Glb->UserLevel = 3;
  OpenAndRead();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_FALSE(form.isNull());
  EXPECT_EQ(Items(form), std::vector<Text>{"Error"});
  EXPECT_FALSE(form->BtSend->isEnabled());
  // Selecting "Error" and sending does nothing.
  form->ListBoxSprache->setCurrentRow(0);
  form->BtSendClick();
  emit form->ListBoxSprache->itemDoubleClicked(form->ListBoxSprache->item(0));
  EXPECT_EQ(CountOf(rig, "W140"), 0);
  EXPECT_EQ(Boxes::Shown().size(), 1u);
}

class UnansweredSend : public LanguageWindow {
 protected:
  UnansweredSend() : LanguageWindow(Options(false, {"W140"})) {}
};

TEST_F(UnansweredSend, ShowsSendErrorAndDoesNotReadBack) {
  OpenAndRead();
  form->ListBoxSprache->setCurrentRow(1);
  form->BtSend->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Sende-Fehler");
  EXPECT_FALSE(form->Timerdelay->isActive());
  EXPECT_TRUE(form->BtSend->isEnabled());
}

TEST_F(LanguageWindow, RefusesToCloseWhileTransferring) {
  OpenAndRead();
  Glb->TransferBusy = true;
  EXPECT_FALSE(form->close());
  Glb->TransferBusy = false;
  EXPECT_TRUE(form->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(store.KeyExists("Software\\ORX\\Setup720\\Sprache"));
}

}  // namespace
