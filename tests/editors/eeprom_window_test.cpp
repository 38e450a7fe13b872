// The EEPROM editor against the in-process instrument, in virtual time.
#include "editors/eeprom_window.h"

#include <gtest/gtest.h>

#include <functional>

#include <QCoreApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolButton>

#include "editors/eeprom_dump.h"
#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/settings_store.h"

namespace {

using Lines = std::vector<Text>;

SimOptions Options(bool silent, std::vector<Text> noAnswer = {}) {
  SimOptions options;
  options.silent = silent;
  options.noAnswer = std::move(noAnswer);
  return options;
}

int CountOf(const SimRig& rig, const Text& prefix) {
  int n = 0;
  for (const Text& c : rig.instrument.Commands()) n += c.startsWith(prefix) ? 1 : 0;
  return n;
}

class EepromWindow : public ::testing::Test {
 protected:
  explicit EepromWindow(SimOptions options = {}) : rig(std::move(options)) {}
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->DataDir = rig.glb->ProgramDir + "Daten/";
    rig.glb->Registry = &store;
    Boxes::Clear();
    Dialogs::Clear();
  }
  void TearDown() override {
    rig.glb->TransferBusy = false;
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Glb = nullptr;
  }
  Text Title() const { return FromQt(form->windowTitle()); }
  void Edit(const std::function<void(Lines&)>& change) {
    Lines lines = form->DumpLines();
    change(lines);
    form->SetDumpLines(lines);
  }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
  QPointer<TFormEEprom> form;
};

TEST_F(EepromWindow, OpeningReadsTheDataSet) {
  const QByteArray memory = rig.instrument.ParameterMemory();
  form = OpenFormEEprom();
  ASSERT_TRUE(form);
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_EQ(form->DumpLines(), FormatDump(memory));
  EXPECT_EQ(form->SerialText, "KRAB-0042");
  EXPECT_EQ(Glb->SerialNumber, DumpSerialNumber(memory));
  // "EEprom A Dataset" holds no "[": its last letter goes.
  EXPECT_EQ(Title(), "EEprom A Datase [ KRAB-0042 ]");
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(form->BtSend->isEnabled());

  // Opening again reads again and keeps the title's base.
  rig.instrument.ParameterMemory()[0x05] = '\x5A';
  EXPECT_EQ(OpenFormEEprom(), form.data());
  EXPECT_EQ(form->DumpLines()[0].mid(5 + 3 * 5, 2), "5A");
  EXPECT_EQ(Title(), "EEprom A Datase [ KRAB-0042 ]");
}

TEST_F(EepromWindow, EditedDumpIsWrittenAndCompared) {
  form = OpenFormEEprom();
  // Unchanged right after the read.
  form->BtVergleichen->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, "Datens\xE4tze sind gleich");

  // The byte at column 6 of line "0010" (lower-case digits are fine), and one further on.
  Boxes::Clear();
  Edit([](Lines& l) {
    l[1].replace(5, 2, "ab");
    l[0xE].replace(5 + 3 * 7, 2, "C3");
  });
  form->BtVergleichen->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Datensatz Unterschied an Adresse $0010");

  Boxes::Clear();
  QByteArray expected = rig.instrument.ParameterMemory();
  expected[0x10] = '\xAB';
  expected[0xE7] = '\xC3';
  form->BtSend->click();
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_EQ(rig.instrument.ParameterMemory(), expected);
  EXPECT_FALSE(Glb->TransferBusy);
  form->BtVergleichen->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].message, "Datens\xE4tze sind gleich");
}

TEST_F(EepromWindow, MalformedDumpReachesNothing) {
  struct Case {
    const char* what;
    std::function<void(Lines&)> damage;
    Text message;
  };
  const std::vector<Case> cases = {
      {"typo in a byte", [](Lines& l) { l[3].replace(8, 2, "G1"); }, "Fehler in Daten Syntax ($0031: G1)"},
      {"half a byte", [](Lines& l) { l[15].replace(50, 2, "F "); }, "Fehler in Daten Syntax ($00FF: F )"},
      {"17th empty line", [](Lines& l) { l.push_back(""); }, "Fehler in Daten Syntax"},
      {"15 lines", [](Lines& l) { l.pop_back(); }, "Fehler in Daten Syntax"},
      {"trailing blank removed", [](Lines& l) { l[4].chop(1); }, "Fehler in Daten Syntax (0040)"},
      {"lower-case address", [](Lines& l) { l[10].replace(0, 4, "00a0"); }, "Fehler in Daten Syntax (00A0)"},
  };
  form = OpenFormEEprom();
  const Lines good = form->DumpLines();
  const QByteArray before = rig.instrument.ParameterMemory();
  for (const Case& c : cases) {
    Lines lines = good;
    c.damage(lines);
    form->SetDumpLines(lines);
    // The last line is faulty in one case: nothing may be written before the check is through.
    Boxes::Clear();
    rig.instrument.ClearCommands();
    form->BtSend->click();
    ASSERT_EQ(Boxes::Shown().size(), 1u) << c.what;
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error) << c.what;
    EXPECT_EQ(Boxes::Shown()[0].message, c.message) << c.what;
    EXPECT_TRUE(rig.instrument.Commands().empty()) << c.what;
    EXPECT_EQ(rig.instrument.ParameterMemory(), before) << c.what;

    Boxes::Clear();
    form->BtVergleichen->click();
    ASSERT_EQ(Boxes::Shown().size(), 1u) << c.what;
    EXPECT_EQ(Boxes::Shown()[0].message, c.message) << c.what;
    EXPECT_EQ(CountOf(rig, "W10"), 0) << c.what;
  }
}

TEST_F(EepromWindow, SaveAndLoad) {
  form = OpenFormEEprom();
  const Lines read = form->DumpLines();
  Dialogs::AnswerFile(dir.File("sub/KRAB-0042"));  // typed without extension
  QDir().mkpath(dir.File("sub"));
  form->BtStore->click();
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].kind, FileDialogKind::Save);
  EXPECT_EQ(Dialogs::Files()[0].fileName, "KRAB-0042.dat");
  EXPECT_EQ(Dialogs::Files()[0].folder, Glb->ProgramDir);
  EXPECT_EQ(Dialogs::Files()[0].filter, "EEProm-Daten (*.dat)|*.dat|Alle Dateien (*.*)|*.*");
  const QString saved = dir.File("sub/KRAB-0042.TXT");
  QByteArray contents;
  ASSERT_TRUE(ReadWholeFile(saved, &contents));
  EXPECT_EQ(contents, DumpFileText(read));
  EXPECT_EQ(Title(), "EEprom A Datase [ KRAB-0042.TXT ]");
  EXPECT_EQ(form->OpenDialog.FileName, saved);

  // Load another dump: replaces the text unchecked, the title stays.
  const Text other = "just one line\r\nand another\r\n";
  ASSERT_TRUE(WriteWholeFile(dir.File("other.dat"), other));
  Dialogs::AnswerFile(dir.File("other.dat"));
  form->BtLoad->click();
  ASSERT_EQ(Dialogs::Files().size(), 2u);
  EXPECT_EQ(Dialogs::Files()[1].folder, dir.File("sub"));
  EXPECT_EQ(form->DumpLines(), (Lines{"just one line", "and another"}));
  EXPECT_EQ(Title(), "EEprom A Datase [ KRAB-0042.TXT ]");
  EXPECT_EQ(form->SaveDialog.FileName, dir.File("other.dat"));
  EXPECT_EQ(form->SaveDialog.InitialDir, dir.Path());

  // The saved file loads back and goes to the instrument as it was.
  Dialogs::AnswerFile(saved);
  form->BtLoad->click();
  EXPECT_EQ(form->DumpLines(), read);
  Boxes::Clear();
  form->BtVergleichen->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);

  // Cancelled dialogs change nothing; an unreadable file is reported.
  Dialogs::AnswerFile("");
  form->BtLoad->click();
  EXPECT_EQ(form->DumpLines(), read);
  Boxes::Clear();
  Dialogs::AnswerFile(dir.File("missing.dat"));
  form->BtLoad->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(form->DumpLines(), read);
}

TEST_F(EepromWindow, ClosingClosesThePortButNotDuringATransfer) {
  form = OpenFormEEprom();
  Glb->OpenPort(9600, false);  // as the ALV window leaves it
  ASSERT_TRUE(Glb->Serial.IsOpen);
  Glb->TransferBusy = true;
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(Glb->Serial.IsOpen);
  Glb->TransferBusy = false;
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(Glb->Serial.IsOpen);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(store.KeyExists("Software\\ORX\\Setup720\\EEpromA"));
}

class SilentEeprom : public EepromWindow {
 protected:
  SilentEeprom() : EepromWindow(Options(true)) {}
};

TEST_F(SilentEeprom, NoInstrumentKeepsTheSample) {
  form = OpenFormEEprom();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, Glb->NoInstrumentText());
  EXPECT_EQ(form->DumpLines(), SampleDump());
  EXPECT_EQ(Title(), "EEprom A Dataset");
  EXPECT_TRUE(form->SerialText.isEmpty());
  // Before any read the proposed name is just ".dat".
  Dialogs::AnswerFile("");
  form->BtStore->click();
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].fileName, ".dat");
}

class FailingRead : public EepromWindow {
 protected:
  FailingRead() : EepromWindow(Options(false, {"R10500"})) {}
};

TEST_F(FailingRead, LeavesTheDumpEmpty) {
  form = OpenFormEEprom();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Lese Fehler!");
  EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(Title(), "EEprom A Datase [ KR..-xxxx ]");
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(form->BtReceive->isEnabled());

  Boxes::Clear();
  form->SetDumpLines(SampleDump());
  form->BtVergleichen->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].message, "Lese Fehler!");
}

class FailingWrite : public EepromWindow {
 protected:
  FailingWrite() : EepromWindow(Options(false, {"W107"})) {}
};

TEST_F(FailingWrite, ReportsSchreibFehler) {
  form = OpenFormEEprom();
  form->BtSend->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Schreib Fehler");
  EXPECT_EQ(Title(), "EEprom A Datase [ KRAB-0042 ]");
  EXPECT_FALSE(Glb->TransferBusy);
}

TEST_F(EepromWindow, AFailedStoreKeepsTheOldFileAndTheDump) {
  form = OpenFormEEprom();
  const Lines lines = form->DumpLines();
  const Text title = Title();
  const QString old = dir.File("alt.dat");
  ASSERT_TRUE(WriteWholeFile(old, "alter Auszug\r\n"));
  for (const SaveFailure& c : SaveFailures(old, dir.File("fehlt/alt.dat"))) {
    SCOPED_TRACE(c.what);
    Boxes::Clear();
    const QString opened = form->OpenDialog.FileName;
    Dialogs::AnswerFile(c.file);
    {
      FullDiskScope disk(c.fullDisk, 7);
      form->BtStore->click();
    }
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
    EXPECT_EQ(Boxes::Shown()[0].message, TrimBlanks(Glb->StrError->Item(10)) + " " + FromQt(c.file));
    QByteArray contents;
    ASSERT_TRUE(ReadWholeFile(old, &contents));
    EXPECT_EQ(contents, "alter Auszug\r\n");
    EXPECT_EQ(form->DumpLines(), lines);
    EXPECT_EQ(Title(), title);
    EXPECT_EQ(form->OpenDialog.FileName, opened);
  }
  // The dump is still there to be stored again.
  Dialogs::AnswerFile(old);
  form->BtStore->click();
  QByteArray contents;
  ASSERT_TRUE(ReadWholeFile(old, &contents));
  EXPECT_EQ(contents, DumpFileText(lines));
}

}  // namespace
