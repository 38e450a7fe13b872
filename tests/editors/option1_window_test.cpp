// The service options window against the in-process instrument, in virtual time.
#include "editors/option1_window.h"

#include <gtest/gtest.h>

#include <functional>

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "editors/records.h"
#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/settings_store.h"

namespace {

// Looks at the window while a transfer runs.
class ProbeSink : public ProgressSink {
 public:
  std::function<void()> onPrepare;
  void Prepare(int32_t) override {
    if (onPrepare) onPrepare();
  }
  void Step(int32_t) override {}
  void Close() override {}
};

class Option1Window : public ::testing::Test {
 protected:
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->DataDir = rig.glb->ProgramDir + "Daten/";
    rig.glb->Registry = &store;
    rig.glb->UserLevel = 0;
    Boxes::Clear();
  }
  void TearDown() override {
    rig.glb->TransferBusy = false;
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Glb = nullptr;
  }
  void Open() {
    form = new TFormOption1();
    form->show();
    EXPECT_FALSE(form->BtSend->isEnabled()) << "sending waits for a valid record";
    ASSERT_TRUE(form->Timer1->isActive());
    QMetaObject::invokeMethod(form->Timer1, "timeout");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void BreakChecksum() {
    QByteArray& memory = rig.instrument.ParameterMemory();
    memory[30] = static_cast<char>(memory[30] ^ 0x5A);
  }
  std::vector<Text> Errors() const {
    std::vector<Text> texts;
    for (const BoxRequest& b : Boxes::Shown())
      if (b.kind == BoxKind::Error) texts.push_back(b.message);
    return texts;
  }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
  QPointer<TFormOption1> form;
};

TEST_F(Option1Window, ReadingShowsTheSerialNumberAndTheLists) {
  Open();
  ASSERT_FALSE(form.isNull());
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabDisplay);
  EXPECT_EQ(form->PageControl1->count(), 2);
  EXPECT_EQ(form->EditSernr->text(), "KRAB-0042");
  EXPECT_TRUE(form->EditSernr->isReadOnly());
  EXPECT_EQ(Glb->SerialNumberText, "KRAB-0042");
  EXPECT_EQ(Glb->SerialNumber, 2009020042);
  EXPECT_EQ(form->TypeNumber(), 5);
  EXPECT_TRUE(form->BtSend->isEnabled());
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Ger\u00e4teoptionen"));
  EXPECT_EQ(form->GridDisplayCodes()[1][3], 32) << "value 31 in a display is the blank row";
  EXPECT_EQ(form->GridPrintCodes()[10], 32) << "value 31 in the printout is RZ 2";
  EXPECT_TRUE(form->PrintCellText(10).startsWith("32 RZ 2"));
}

TEST_F(Option1Window, SendingWritesOnlyTheListRecord) {
  Open();
  const QByteArray before = rig.instrument.ParameterMemory();
  form->GridDisplay->setCurrentCell(0, 2);  // display 3, row 1
  form->ChooseDisplayValue(form->list_dw1->item(41));  // "Co Raum" -> value 43
  rig.instrument.ClearCommands();
  form->BtSend->click();
  EXPECT_TRUE(Boxes::Shown().empty());
  const QByteArray after = rig.instrument.ParameterMemory();
  EXPECT_EQ(after.left(32), before.left(32)) << "the option record stays as it was";
  EXPECT_EQ(after.mid(80), before.mid(80));
  EXPECT_EQ(static_cast<uint8_t>(after[32 + 16]), 43);
  EXPECT_EQ(static_cast<uint8_t>(after[32 + 17]), 18) << "the old row 1 moved down";
  EXPECT_EQ(after.mid(32, 16), before.mid(32, 16));
  for (const Text& c : rig.instrument.Commands()) EXPECT_FALSE(c.startsWith("R001")) << c.constData();
}

TEST_F(Option1Window, AnInvalidRecordClosesTheWindowBelowLevel3) {
  struct Case {
    int level;
    bool staysOpen;
  };
  for (const Case& c : std::vector<Case>{{0, false}, {1, false}, {3, true}}) {
    Boxes::Clear();
    rig.glb->UserLevel = c.level;
    BreakChecksum();
    Open();
    EXPECT_EQ(Errors(), std::vector<Text>{"Options-Satz fehlerhaft"}) << c.level;
    EXPECT_FALSE(Glb->TransferBusy);
    EXPECT_EQ(!form.isNull(), c.staysOpen) << c.level;
    if (form) {
      EXPECT_FALSE(form->BtSend->isEnabled());
      EXPECT_EQ(form->EditSernr->displayText(), "KR  -    ");
      delete form.data();
    }
    BreakChecksum();  // back to the valid record
  }
}

TEST_F(Option1Window, NoInstrumentShowsTheInformation) {
  rig.instrument.Options().silent = true;
  Open();
  ASSERT_FALSE(form.isNull());
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, Glb->NoInstrumentText());
  EXPECT_FALSE(form->BtSend->isEnabled());
}

TEST_F(Option1Window, ClosingIsRefusedWhileTransferring) {
  Open();
  Glb->TransferBusy = true;
  EXPECT_FALSE(form->close());
  Glb->TransferBusy = false;
  EXPECT_TRUE(form->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(Boxes::Shown().empty()) << "no question on closing";
}

TEST_F(Option1Window, DuringATransferTheWindowIsBusyAndCannotClose) {
  ProbeSink probe;
  int probes = 0;
  probe.onPrepare = [&] {
    ++probes;
    EXPECT_TRUE(Glb->TransferBusy);
    EXPECT_FALSE(form->BtReceive->isEnabled());
    EXPECT_FALSE(form->GridDisplay->isEnabled());
    EXPECT_FALSE(form->close());
    form->BtReceiveClick();  // a second read meanwhile does not start
  };
  Glb->Progress = &probe;
  Open();
  Glb->Progress = &rig.progress;
  EXPECT_EQ(probes, 2) << "option record and list record, nothing nested";
  ASSERT_FALSE(form.isNull());
  EXPECT_TRUE(form->BtReceive->isEnabled());
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(Option1Window, PlacementAndChooserWidthAreStored) {
  Open();
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  SettingsStore reread(dir.File("registry.ini"));
  bool found = false;
  reread.ReadString("Software\\ORX\\Setup720\\Options1", "list_dw1_Width", &found);
  EXPECT_TRUE(found);
  EXPECT_TRUE(reread.ValueExists("Software\\ORX\\Setup720\\Options1", "NormPos"));

  // A stored width comes back once the page is laid out.
  store.WriteString("Software\\ORX\\Setup720\\Options1", "list_dw1_Width", "150");
  Open();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(form->list_dw1->width(), 150);
}

}  // namespace
