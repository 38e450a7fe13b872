// The printer texts window against the in-process instrument, in virtual time.
#include "editors/printer_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/settings_store.h"

namespace {

QByteArray ReadFile(const QString& path) {
  QByteArray data;
  ReadWholeFile(path, &data);
  return data;
}

bool Sent(const SimRig& rig, const Text& command) {
  for (const Text& c : rig.instrument.Commands())
    if (c == command) return true;
  return false;
}

class PrinterWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->DataDir = rig.glb->ProgramDir + "Daten/";
    rig.glb->Registry = &store;
    rig.glb->UserBinPath = dir.File("userorx720nt.bin");
    rig.glb->UserLevel = 2;
    Boxes::Clear();
    Dialogs::Clear();
  }
  void TearDown() override {
    rig.glb->TransferBusy = false;
    delete FormDrucker();
    // Windows that closed themselves are deleted later; that is now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetWriteFaultHook({});
    Glb = nullptr;
  }
  // The slot images of the instrument's text memory.
  Text Slot(int s) const { return rig.instrument.TextMemory().mid(25 * s, 25); }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
};

TEST_F(PrinterWindow, OpeningReadsTheInstrumentsTextsAndSavesTheUserImage) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  for (int s = 0; s < 6; ++s)
    EXPECT_EQ(FromQt(form->Edit(s)->text()), rig.instrument.PrinterText(s)) << s;
  // The seeded first line has an umlaut and all 24 characters.
  EXPECT_EQ(FromQt(form->Edit(0)->text()), Text("Heizung & Sanit\xE4r Krabbe"));
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_FALSE(Glb->PrinterReadFailed);
  EXPECT_TRUE(UserImageSaved());
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(form->BtSend->isEnabled());
  // 160 bytes read, then blanks up to 256.
  const QByteArray image = ReadFile(dir.File("userorx720nt.bin"));
  EXPECT_EQ(image, rig.instrument.TextMemory().left(160) + QByteArray(96, ' '));
}

TEST_F(PrinterWindow, OpeningAgainDiscardsEditsAndReadsAgain) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  form->Edit(2)->setText("nicht gesendet");
  EXPECT_EQ(OpenFormDrucker(), form);
  EXPECT_EQ(FromQt(form->Edit(2)->text()), rig.instrument.PrinterText(2));
}

TEST_F(PrinterWindow, WritingPutsEverySlotIntoTheTextMemoryByteForByte) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  const QList<Text> lines = {
      "Gr\xF6\xDF" "e \xC4\xD6\xDC \xE4\xF6\xFC \x80",  // umlauts and the euro sign
      "",                                            // an empty field
      "ABCDEFGHIJKLMNOPQRSTUVWX",                    // exactly 24
      "123456789012345678901234567890",              // longer: cut to 24
      "  leading blanks",
      "x",
  };
  form->SetLines(lines);
  EXPECT_EQ(form->Edit(3)->text().size(), 30);  // shown whole
  rig.instrument.ClearCommands();
  form->BtSend->click();
  EXPECT_TRUE(Boxes::Shown().empty());
  // No connection check before the write: only the transfer's own greeting.
  EXPECT_EQ(std::count(rig.instrument.Commands().begin(), rig.instrument.Commands().end(),
                       Text("WARTUNG738")), 1);
  for (int s = 0; s < 6; ++s)
    EXPECT_EQ(Slot(s), lines[s].left(24).leftJustified(24, ' ') + '\0') << s;
  // 150 bytes are written; the rest of the erased memory stays erased.
  EXPECT_EQ(rig.instrument.TextMemory().mid(150), QByteArray(106, '\xFF'));

  form->BtReceive->click();
  for (int s = 0; s < 6; ++s)
    EXPECT_EQ(FromQt(form->Edit(s)->text()), TrimTrailing(lines[s].left(24))) << s;
}

TEST_F(PrinterWindow, WriteFailureIsReportedAndKeepsTheFields) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  form->Edit(0)->setText("neu");
  rig.instrument.Options().noAnswer = {"W102"};
  EXPECT_FALSE(form->WriteToInstrument());
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, Text("Sendefehler"));
  EXPECT_EQ(form->Edit(0)->text(), "neu");
  EXPECT_FALSE(Glb->TransferBusy);
}

TEST_F(PrinterWindow, FailedReadClosesTheWindowBelowLevelTwo) {
  struct Case {
    int32_t level;
    bool closes;
  };
  for (const Case c : {Case{0, true}, Case{1, true}, Case{2, false}, Case{3, false}}) {
    SCOPED_TRACE(c.level);
    Glb->UserLevel = c.level;
    Boxes::Clear();
    rig.instrument.Options().noAnswer = {"R101"};
    rig.instrument.ClearCommands();
    TFormDrucker* form = OpenFormDrucker();
    EXPECT_TRUE(Glb->PrinterReadFailed);
    EXPECT_FALSE(Glb->TransferBusy);
    ASSERT_FALSE(Boxes::Shown().empty());
    EXPECT_EQ(Boxes::Shown()[0].message, Text("Empfangsfehler"));
    EXPECT_EQ(form == nullptr, c.closes);
    EXPECT_EQ(FormDrucker() == nullptr, c.closes);
    // Closing releases the instrument.
    EXPECT_EQ(Sent(rig, "W904"), c.closes);
    if (form) {
      for (int s = 0; s < 6; ++s) EXPECT_TRUE(form->Edit(s)->text().isEmpty());
      EXPECT_FALSE(form->BtSend->isEnabled());
      // Typing makes it sendable again.
      form->Edit(0)->setText("a");
      EXPECT_TRUE(form->BtSend->isEnabled());
      delete form;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    rig.instrument.Options().noAnswer.clear();
  }
}

TEST_F(PrinterWindow, NoInstrumentKeepsTheFieldsAndMarksTheReadFailed) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  form->Edit(1)->setText("bleibt");
  const QByteArray image = ReadFile(dir.File("userorx720nt.bin"));
  rig.instrument.Options().silent = true;
  Boxes::Clear();
  EXPECT_FALSE(form->ReadFromInstrument());
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, Glb->NoInstrumentText());
  EXPECT_EQ(form->Edit(1)->text(), "bleibt");
  // The upload must not take the image of an earlier read for this one's.
  EXPECT_TRUE(Glb->PrinterReadFailed);
  EXPECT_EQ(ReadFile(dir.File("userorx720nt.bin")), image);
  EXPECT_EQ(FormDrucker(), form);
}

TEST_F(PrinterWindow, UserImageGoesToTheProgramFolderWhenItsFolderIsMissing) {
  struct Case {
    QString userBinPath;
    QString written;  // relative to the program folder
  };
  const std::vector<Case> cases = {
      {dir.File("gibtsnicht/userX.bin"), "userX.bin"},
      {"", "userorx720nt.bin"},  // no name at all: the default one, not the folder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.userBinPath.toStdString());
    Glb->UserBinPath = c.userBinPath;
    QFile::remove(dir.File(c.written));
    ASSERT_NE(OpenFormDrucker(), nullptr);
    EXPECT_EQ(Glb->UserBinPath, dir.File(c.written));
    EXPECT_EQ(ReadFile(dir.File(c.written)).size(), 256);
    EXPECT_TRUE(Boxes::Shown().empty());
  }
}

TEST_F(PrinterWindow, UserImageWriteErrorIsReportedRepairedAndTheReadStillCounts) {
  const QString target = dir.File("userorx720nt.bin");
  SetWriteFaultHook([target](const QString& path) -> qint64 { return path == target ? 0 : -1; });
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_TRUE(Boxes::Shown()[0].message.endsWith("\r" + FromQt(target) + "!!"));
  EXPECT_GT(Boxes::Shown()[0].message.size(), FromQt(target).size() + 3);  // the system's text first
  EXPECT_FALSE(Glb->PrinterReadFailed);
  // An upload must not go on without its backup of the texts.
  EXPECT_FALSE(UserImageSaved());
  EXPECT_EQ(FromQt(form->Edit(3)->text()), rig.instrument.PrinterText(3));
  // The configuration was rebuilt from the program folder.
  EXPECT_TRUE(IniFile(Glb->IniPath()).ValueExists("KONFIG", "UserFile"));
}

TEST_F(PrinterWindow, StoreAndLoadTheSixLineFile) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  const QList<Text> lines = {"K\xF6pf 1", "", "Kopf 3", "Fu\xDF 1", "123456789012345678901234567", "F3"};
  form->SetLines(lines);
  const QString file = dir.File("texte.TXT");
  Dialogs::AnswerFile(dir.File("texte"));  // the default extension is added
  form->BtStore->click();
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].kind, FileDialogKind::Save);
  EXPECT_EQ(Dialogs::Files()[0].folder, Glb->ProgramDir);
  EXPECT_EQ(Dialogs::Files()[0].filter, Text("Textdatei (*.txt)|*.txt|Alle Dateien (*.*)|*.*"));
  EXPECT_EQ(ReadFile(file), QByteArray("K\xF6pf 1\r\n\r\nKopf 3\r\nFu\xDF 1\r\n"
                                       "123456789012345678901234567\r\nF3\r\n"));
  EXPECT_EQ(form->OpenDialog.FileName, file);

  form->BtClear->click();
  for (int s = 0; s < 6; ++s) EXPECT_TRUE(form->Edit(s)->text().isEmpty());
  Dialogs::AnswerFile(file);
  form->BtLoad->click();
  EXPECT_EQ(form->Lines(), lines);
  EXPECT_EQ(Dialogs::Files()[1].fileName, file);  // the dialog remembers the file
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(PrinterWindow, LoadingShortLongAndUnreadableFiles) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  const QString shortFile = dir.File("kurz.txt");
  ASSERT_TRUE(WriteWholeFile(shortFile, "eins  \t\r\nzwei\nnull\x01\r\n"));
  Dialogs::AnswerFile(shortFile);
  form->LoadFromFile();
  EXPECT_EQ(Dialogs::Files()[0].folder, Glb->ProgramDir);
  EXPECT_EQ(form->Lines(), (QList<Text>{"eins", "zwei", "null", "", "", ""}));
  EXPECT_EQ(form->SaveDialog.FileName, shortFile);

  const QString longFile = dir.File("lang.txt");
  ASSERT_TRUE(WriteWholeFile(longFile, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n"));
  Dialogs::AnswerFile(longFile);
  form->LoadFromFile();
  EXPECT_EQ(form->Lines(), (QList<Text>{"1", "2", "3", "4", "5", "6"}));

  Dialogs::AnswerFile(dir.File("fehlt.txt"));
  form->LoadFromFile();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(form->Lines(), (QList<Text>{"1", "2", "3", "4", "5", "6"}));

  // Cancelled: nothing changes.
  form->LoadFromFile();
  EXPECT_EQ(form->Lines(), (QList<Text>{"1", "2", "3", "4", "5", "6"}));
}

TEST_F(PrinterWindow, TypingStopsAtTwentyFourAndEnterMovesOn) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  const auto type = [](QLineEdit* edit, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(edit, &press);
  };
  QLineEdit* edit = form->Edit(4);
  edit->clear();
  for (int i = 0; i < 30; ++i) type(edit, Qt::Key_A, QString(QChar(0xE4)));  // ä
  EXPECT_EQ(edit->text(), QString(24, QChar(0xE4)));

  // A longer text from a file may shrink but not grow.
  edit->setText(QString(30, u'x'));
  type(edit, Qt::Key_Y, "y");
  EXPECT_EQ(edit->text(), QString(30, u'x'));
  type(edit, Qt::Key_Backspace, "");
  EXPECT_EQ(edit->text().size(), 29);

  form->Edit(0)->setFocus();
  const QString before = form->Edit(0)->text();
  type(form->Edit(0), Qt::Key_Return, "\r");
  EXPECT_EQ(form->focusWidget(), form->Edit(1));
  EXPECT_EQ(form->Edit(0)->text(), before);
}

TEST_F(PrinterWindow, ClosingIsRefusedWhileTransferringAndReleasesTheInstrument) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  rig.instrument.ClearCommands();
  Glb->TransferBusy = true;
  EXPECT_FALSE(form->close());
  EXPECT_EQ(FormDrucker(), form);
  EXPECT_FALSE(Sent(rig, "W904"));
  Glb->TransferBusy = false;
  form->BtClose->click();
  EXPECT_EQ(FormDrucker(), nullptr);
  EXPECT_TRUE(Sent(rig, "W904"));
}

TEST_F(PrinterWindow, ComponentsAndTexts) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->objectName(), "FormDrucker");
  EXPECT_EQ(form->windowTitle(), "Druckertexte");
  EXPECT_EQ(form->StrDrucker->objectName(), "StrDrucker");
  struct Button {
    QToolButton* button;
    const char* name;
    Text caption;
    Text hint;
  };
  const std::vector<Button> buttons = {
      {form->BtClose, "BtClose", "", "Fenster schliessen"},
      {form->BtClear, "BtClear", "Eingaben\nleeren", "Eingaben l\xF6schen"},
      {form->BtLoad, "BtLoad", "Aus Datei\nladen", "Aus Datei laden"},
      {form->BtStore, "BtStore", "In Datei\nspeichern", "In Datei Speichern"},
      {form->BtSend, "BtSend", "Zum Ger\xE4t\nsenden", "Zum Ger\xE4t senden"},
      {form->BtReceive, "BtReceive", "Aus Ger\xE4t \nholen", "Aus Ger\xE4t holen"},
  };
  int x = -1;
  for (const Button& b : buttons) {
    EXPECT_EQ(b.button->objectName(), b.name);
    EXPECT_EQ(FromQt(b.button->text()), b.caption) << b.name;
    EXPECT_EQ(FromQt(b.button->toolTip()), b.hint) << b.name;
    EXPECT_EQ(b.button->size(), QSize(60, 60)) << b.name;
    EXPECT_GT(b.button->x(), x) << b.name;  // in this order
    x = b.button->x();
  }
  const char* edits[] = {"EditK1", "EditK2", "EditK3", "EditF1", "EditF2", "EditF3"};
  for (int s = 0; s < 6; ++s) {
    EXPECT_EQ(form->Edit(s)->objectName(), edits[s]);
    const QFontMetrics metrics(form->Edit(s)->font());
    EXPECT_EQ(metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'W'));
  }
}

TEST_F(PrinterWindow, AFailedStoreKeepsTheOldFileAndTheFields) {
  TFormDrucker* form = OpenFormDrucker();
  ASSERT_NE(form, nullptr);
  const QList<Text> lines = form->Lines();
  const QString old = dir.File("texte.txt");
  ASSERT_TRUE(WriteWholeFile(old, "alt\r\n"));
  for (const SaveFailure& c : SaveFailures(old, dir.File("fehlt/texte.txt"))) {
    SCOPED_TRACE(c.what);
    Boxes::Clear();
    const QString opened = form->OpenDialog.FileName;
    Dialogs::AnswerFile(c.file);
    {
      FullDiskScope disk(c.fullDisk, 4);
      form->BtStore->click();
    }
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
    EXPECT_FALSE(Boxes::Shown()[0].message.isEmpty());
    EXPECT_EQ(ReadFile(old), "alt\r\n");
    EXPECT_EQ(form->Lines(), lines);
    EXPECT_EQ(form->OpenDialog.FileName, opened);
  }
  Dialogs::AnswerFile(old);
  form->BtStore->click();
  EXPECT_EQ(ReadFile(old), PrinterTextFile(lines));
}

TEST_F(PrinterWindow, AFailedUserImageWriteKeepsTheOldImageAndTheTexts) {
  const QString image = dir.File("userorx720nt.bin");
  const QByteArray old(256, 'o');
  ASSERT_TRUE(WriteWholeFile(image, old));
  SetWriteFaultHook([image](const QString& path) -> qint64 { return path == image ? 100 : -1; });
  TFormDrucker* form = OpenFormDrucker();
  SetWriteFaultHook({});
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(ReadFile(image), old);
  // What was read stays in memory and can be written again.
  EXPECT_EQ(Glb->TextMemory.left(160), rig.instrument.TextMemory().left(160));
  EXPECT_EQ(FromQt(form->Edit(0)->text()), rig.instrument.PrinterText(0));
  ASSERT_TRUE(SaveUserDataImage());
  EXPECT_EQ(ReadFile(Glb->UserBinPath), rig.instrument.TextMemory().left(160) + QByteArray(96, ' '));
}

}  // namespace
