// The terminal window with the command channel's terminal loop, in virtual time.
#include "editors/terminal_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/settings_store.h"

namespace {

QStringList MemoLines(const TFormTerminal* form) {
  return form->Memo1->toPlainText().split(QLatin1Char('\n'));
}

QStringList History(const TFormTerminal* form) {
  QStringList items;
  for (int i = 0; i < form->EditInput->count(); ++i) items << form->EditInput->itemText(i);
  return items;
}

class TerminalWindow : public ::testing::Test {
 protected:
  explicit TerminalWindow(SimOptions options = {}) : rig(std::move(options)) {}
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->Registry = &store;
    Boxes::Clear();
    TerminalRepeat = false;
  }
  void TearDown() override {
    TerminalRepeat = false;
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Glb = nullptr;
  }
  // Opens the terminal and lets the loop take the port.
  void OpenActive() {
    form = OpenFormTerminal();
    ASSERT_TRUE(form);
    ASSERT_TRUE(Boxes::Shown().empty());
    Glb->Delay(200);
    form->Timer1Timer();
    ASSERT_EQ(Glb->ChannelMode, 3);
    ASSERT_TRUE(form->BtSenden->isEnabled());
  }
  void Send(const QString& text) {
    form->EditInput->setEditText(text);
    form->BtSenden->click();
  }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
  QPointer<TFormTerminal> form;
};

TEST_F(TerminalWindow, SendsAndShowsAnswers) {
  OpenActive();
  EXPECT_TRUE(Glb->TerminalMode);
  rig.instrument.ClearCommands();
  Send("R001");
  form->ButtonSERVICE->click();
  Glb->Delay(300);
  EXPECT_EQ(rig.instrument.Commands(), (std::vector<Text>{"R001", "WARTUNG738"}));
  EXPECT_EQ(MemoLines(form),
            (QStringList{"< R001", "< WARTUNG738", "> ORX 720 V3.21", "> WARTUNG OK"}));
  // The typed text is selected, so the next typing replaces it.
  EXPECT_EQ(form->EditInput->lineEdit()->selectedText(), "R001");
  EXPECT_EQ(History(form), QStringList{"R001"});  // WARTUNG738 is no history
}

TEST_F(TerminalWindow, HistoryNewestFirstWithoutRepeats) {
  OpenActive();
  for (const char* t : {"A", "A", "B", "A", "a"}) Send(QString::fromLatin1(t));
  EXPECT_EQ(History(form), (QStringList{"a", "A", "B", "A"}));
  EXPECT_EQ(form->EditInput->currentText(), "a");
}

TEST_F(TerminalWindow, EmptyLineWritesOnlyACarriageReturn) {
  OpenActive();
  const qsizetype before = rig.backend->Written().size();
  Send("");
  EXPECT_EQ(rig.backend->Written().mid(before), "\r");
  EXPECT_EQ(MemoLines(form).last(), "< ");
}

TEST_F(TerminalWindow, LineIsShownOnlyWithItsCarriageReturn) {
  OpenActive();
  rig.instrument.output("par");
  Glb->Delay(300);
  EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
  rig.instrument.output("tial\rnext");
  Glb->Delay(300);
  EXPECT_EQ(MemoLines(form), QStringList{"> partial"});
}

TEST_F(TerminalWindow, InputOffWhileAnotherExchangeHasThePort) {
  OpenActive();
  Glb->ChannelMode = 4;
  form->Timer1Timer();
  EXPECT_FALSE(form->BtSenden->isEnabled());
  EXPECT_FALSE(form->EditInput->isEnabled());
  EXPECT_TRUE(form->ButtonSERVICE->isEnabled());
  const qsizetype before = rig.backend->Written().size();
  form->ButtonSERVICEClick();
  form->BtSendenClick();
  EXPECT_EQ(rig.backend->Written().size(), before);
  EXPECT_FALSE(form->Memo1->toPlainText().contains("WARTUNG738"));
  // Opening again now does not disturb that exchange's port.
  const int32_t opens = rig.backend->OpenCount();
  EXPECT_EQ(OpenFormTerminal(), form.data());
  EXPECT_EQ(rig.backend->OpenCount(), opens);
  EXPECT_EQ(Glb->ChannelMode, 4);
  EXPECT_TRUE(Boxes::Shown().empty());
  Glb->ChannelMode = 3;
  form->Timer1Timer();
  EXPECT_TRUE(form->BtSenden->isEnabled());
}

TEST_F(TerminalWindow, OpeningAgainChecksAgainAndKeepsWorking) {
  OpenActive();
  EXPECT_EQ(OpenFormTerminal(), form.data());
  EXPECT_TRUE(Boxes::Shown().empty());  // the loop did not eat the check's answers
  EXPECT_TRUE(Glb->TerminalMode);
  Glb->Delay(200);
  ASSERT_EQ(Glb->ChannelMode, 3);
  ASSERT_TRUE(Glb->Serial.IsOpen);
  Send("R002");
  Glb->Delay(300);
  EXPECT_EQ(MemoLines(form).last(), "> V03.21");
}

TEST_F(TerminalWindow, ClosingGivesUpTheTerminalButLeavesThePortOpen) {
  OpenActive();
  EXPECT_TRUE(form->close());
  EXPECT_EQ(Glb->ChannelMode, 0);
  EXPECT_FALSE(Glb->TerminalMode);
  EXPECT_FALSE(Glb->TerminalMemo);
  EXPECT_TRUE(Glb->Serial.IsOpen);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(store.KeyExists("Software\\ORX\\Setup720\\Termimal"));
  // A new window starts empty.
  OpenActive();
  EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(form->EditInput->count(), 0);
}

TEST_F(TerminalWindow, RepeatModeWritesUntilTheFlagIsCleared) {
  OpenActive();
  EXPECT_FALSE(form->CheckBox1->isVisible());
  form->CheckBox1->setChecked(true);
  form->CheckBox1Click();
  ASSERT_TRUE(TerminalRepeat);
  rig.instrument.ClearCommands();
  // The user unticks the box a second later.
  rig.pump.At(rig.pump.NowMs() + 1000, [this] {
    form->CheckBox1->setChecked(false);
    form->CheckBox1Click();
  });
  Send("R002");
  EXPECT_FALSE(TerminalRepeat);
  const size_t sent = rig.instrument.Commands().size();
  EXPECT_GE(sent, 5u);
  for (const Text& c : rig.instrument.Commands()) EXPECT_EQ(c, "R002");
  // Only the first line is in the memo; the answers are.
  EXPECT_EQ(form->Memo1->toPlainText().count("< R002"), 1);
  EXPECT_GE(form->Memo1->toPlainText().count("> V03.21"), 5);
}

class SilentTerminal : public TerminalWindow {
 protected:
  SilentTerminal() : TerminalWindow([] {
    SimOptions options;
    options.silent = true;
    return options;
  }()) {}
};

TEST_F(SilentTerminal, NoInstrumentLeavesTheWindowInactive) {
  form = OpenFormTerminal();
  ASSERT_TRUE(form);
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, Glb->NoInstrumentText());
  EXPECT_FALSE(Glb->TerminalMode);
  Glb->Delay(300);
  form->Timer1Timer();
  EXPECT_EQ(Glb->ChannelMode, 0);
  EXPECT_FALSE(form->BtSenden->isEnabled());
  EXPECT_FALSE(form->EditInput->isEnabled());
  // Opening again repeats the check.
  EXPECT_EQ(OpenFormTerminal(), form.data());
  EXPECT_EQ(Boxes::Shown().size(), 2u);
}

}  // namespace
