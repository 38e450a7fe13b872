// The options editor against the in-process instrument, in virtual time.
#include "editors/option_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "editors/records.h"
#include "editors/serial_number.h"
#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/inifile.h"
#include "util/settings_store.h"

namespace {

// A type line: name padded to 30, then the option string.
Text TypeLine(const Text& name, std::initializer_list<int> bits, int display1Row1, int printRow1) {
  OptionContent content;
  for (int bit : bits) content.Bits[static_cast<std::size_t>(bit)] = true;
  content.Display[0][0] = display1Row1;
  content.Print[0] = printRow1;
  return FixLength(name, 30) + MakeOptionString(content);
}

QList<Text> FiveTypes() {
  return {TypeLine("01 Basis", {0}, 1, 1),          TypeLine("02 Komfort", {0, 5, 9}, 3, 37),
          TypeLine("03 Profi", {0, 5, 9, 11}, 7, 4), TypeLine("04 Italien", {19}, 2, 2),
          TypeLine("05 Service", {5, 17}, 8, 8)};
}

// The option record of the instrument with another type number, checksum fixed.
void SetInstrumentType(SimRig& rig, uint8_t type) {
  QByteArray& memory = rig.instrument.ParameterMemory();
  OptionRecord record = OptionRecord::FromBytes(memory.mid(16, 16));
  record.TypeNumber = type;
  memory.replace(16, 16, record.ToBytes());
}

bool SentStartingWith(const SimRig& rig, const Text& prefix) {
  for (const Text& c : rig.instrument.Commands())
    if (c.startsWith(prefix)) return true;
  return false;
}

class OptionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->DataDir = rig.glb->ProgramDir + "Daten/";
    QDir().mkpath(rig.glb->DataDir);
    rig.glb->UserFileDir = rig.glb->DataDir;
    rig.glb->UserFileName = "Typlist.txt";
    rig.glb->Registry = &store;
    rig.glb->UserLevel = 3;
    Boxes::Clear();
    Dialogs::Clear();
  }
  void TearDown() override {
    rig.glb->TransferBusy = false;
    delete form;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Glb = nullptr;
  }

  void WriteTypeList(const QList<Text>& lines) {
    ASSERT_TRUE(WriteWholeFile(TypeListPath(), JoinTypeLines(lines)));
  }
  QString TypeListPath() const { return rig.glb->DataDir + "Typlist.txt"; }
  QList<Text> StoredLines() const {
    QByteArray data;
    ReadWholeFile(TypeListPath(), &data);
    return SplitTypeLines(data);
  }

  // Creates and shows the window and lets its one-shot timer fire.
  TFormOption* Open() {
    form = new TFormOption();
    form->show();
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 100);
    QMetaObject::invokeMethod(form->Timer1, "timeout");
    EXPECT_FALSE(form->Timer1->isActive()) << "the timer fires once";
    return form;
  }

  OptionBits Ticks() const {
    OptionBits bits{};
    for (int i = 0; i < form->Optlist->count(); ++i)
      bits[static_cast<std::size_t>(i)] = form->Optlist->item(i)->checkState() == Qt::Checked;
    return bits;
  }
  static OptionBits Bits(std::initializer_list<int> set) {
    OptionBits bits{};
    for (int b : set) bits[static_cast<std::size_t>(b)] = true;
    return bits;
  }
  void SelectType(int entry) {
    form->EditTyp->setCurrentIndex(entry);
    form->EditTypChange(entry);
  }
  std::vector<Text> BoxTexts(BoxKind kind) const {
    std::vector<Text> texts;
    for (const BoxRequest& b : Boxes::Shown())
      if (b.kind == kind) texts.push_back(b.message);
    return texts;
  }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
  TFormOption* form = nullptr;
};

TEST_F(OptionWindow, ReadingFillsTheControlsFromTheInstrument) {
  WriteTypeList(FiveTypes());
  Open();
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(form->BtReceive->isEnabled()) << "controls are enabled again after the transfer";
  EXPECT_TRUE(SentStartingWith(rig, "R1050010"));
  EXPECT_TRUE(SentStartingWith(rig, "R1050040"));

  // The seeded instrument is type 5, "KRAB-0042", bits 0, 5, 6, 9, 10, 15, 17.
  EXPECT_EQ(form->EditTyp->currentText().left(10), "05 Service");
  EXPECT_EQ(form->CurrentType(), 5);
  EXPECT_EQ(form->EditKennziffer->text(), "05");
  EXPECT_EQ(form->EditSernr->text(), "KRAB-0042");
  EXPECT_EQ(Glb->SerialNumber, 2009020042);
  EXPECT_EQ(Ticks(), Bits({0, 5, 6, 9, 10, 15, 17}));
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Ger\u00e4te Texte [ Typlist.txt ]"));

  const DisplayCodes display = form->GridDisplayCodes();
  const std::array<int, 8> display1{1, 2, 3, 4, 7, 8, 9, 10};
  const std::array<int, 8> display2{5, 12, 13, 32, 31, 0, 0, 0};
  for (int r = 0; r < 8; ++r) {
    EXPECT_EQ(display[0][static_cast<std::size_t>(r)], display1[static_cast<std::size_t>(r)]) << r;
    EXPECT_EQ(display[1][static_cast<std::size_t>(r)], display2[static_cast<std::size_t>(r)]) << r;
  }
  EXPECT_EQ(display[2][0], 19);
  const PrintCodes print = form->GridPrintCodes();
  const std::array<int, 16> print16{1, 2, 3, 7, 4, 8, 9, 10, 37, 31, 32, 33, 34, 37, 38, 39};
  for (int r = 0; r < 16; ++r)
    EXPECT_EQ(print[static_cast<std::size_t>(r)], print16[static_cast<std::size_t>(r)]) << r;
  EXPECT_EQ(print[16], 0);
  // Cells read from the instrument are named from StrDis / StrPrint.
  EXPECT_TRUE(form->DisplayCellText(0, 0).startsWith("01 TRaum"));
  EXPECT_TRUE(form->PrintCellText(8).startsWith("37 Leerzeile"));
}

TEST_F(OptionWindow, AnInstrumentTypeWithoutEntryIsKeptAndSentBack) {
  WriteTypeList(FiveTypes());
  SetInstrumentType(rig, 12);
  Open();
  EXPECT_EQ(form->EditTyp->currentIndex(), 0);
  EXPECT_EQ(form->EditKennziffer->text(), "12");
  EXPECT_EQ(Ticks(), Bits({0, 5, 6, 9, 10, 15, 17}));
  form->BtSend->setEnabled(true);
  form->BtSend->click();
  EXPECT_EQ(static_cast<uint8_t>(rig.instrument.ParameterMemory()[20]), 12);
}

TEST_F(OptionWindow, AWrongChecksumIsReportedAndTheListsAreNotRead) {
  WriteTypeList(FiveTypes());
  rig.instrument.ParameterMemory()[30] = static_cast<char>(rig.instrument.ParameterMemory()[30] + 1);
  Open();
  EXPECT_EQ(BoxTexts(BoxKind::Error), std::vector<Text>{"Options-Satz fehlerhaft"});
  EXPECT_EQ(form->StatusPanel(0), "Options-Satz fehlerhaft");
  EXPECT_EQ(form->EditSernr->displayText(), "KR  -    ");
  EXPECT_EQ(form->EditTyp->currentIndex(), 0);
  EXPECT_EQ(Ticks(), OptionBits{});
  EXPECT_FALSE(form->BtSend->isEnabled());
  EXPECT_FALSE(SentStartingWith(rig, "R1050020")) << "the lists are not read";
  EXPECT_FALSE(Glb->TransferBusy);

  // Applying a real entry afterwards clears the status panel.
  SelectType(2);
  EXPECT_EQ(form->StatusPanel(0), "");
}

TEST_F(OptionWindow, NoInstrumentShowsTheInformationAndKeepsTheWindow) {
  WriteTypeList(FiveTypes());
  rig.instrument.Options().silent = true;
  Open();
  EXPECT_EQ(BoxTexts(BoxKind::Info), std::vector<Text>{Glb->NoInstrumentText()});
  EXPECT_FALSE(SentStartingWith(rig, "R105"));
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(form->isVisible());
}

TEST_F(OptionWindow, ApplyingATypeAndSendingWritesBothRecords) {
  WriteTypeList(FiveTypes());
  Open();
  SelectType(2);  // "02 Komfort": bits 0, 5, 9; display 1 row 1 CO2 (03), printout row 1 Leerzeile (37)
  EXPECT_EQ(form->CurrentType(), 2);
  EXPECT_EQ(form->EditKennziffer->text(), "02");
  EXPECT_EQ(Ticks(), Bits({0, 5, 9}));
  EXPECT_EQ(form->DisplayCellText(0, 0), "03 O2") << "applied cells are named from ValueNames";
  EXPECT_EQ(form->DisplayCellText(0, 1), "00 -");
  ASSERT_TRUE(form->BtSend->isEnabled());
  rig.instrument.ClearCommands();
  form->BtSend->click();
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_FALSE(Glb->TransferBusy);

  const QByteArray memory = rig.instrument.ParameterMemory();
  const QByteArray option = memory.mid(16, 16);
  EXPECT_TRUE(OptionRecord::ChecksumValid(option));
  // KRAB-0042 little-endian, type 2, bits 0 (0x80 in byte 5), 5 (0x04), 9 (0x40 in byte 6).
  EXPECT_EQ(option.left(9).toHex(), QByteArray("8a36bf77") + "02" + "84400000");
  EXPECT_EQ(option.mid(9, 5), QByteArray(5, '\0'));
  // Display 1 row 1 CO2 -> value 2; all other rows empty; printout row 1 blank line.
  EXPECT_EQ(static_cast<uint8_t>(memory[32]), 2);
  for (int i = 33; i < 56; ++i) EXPECT_EQ(static_cast<uint8_t>(memory[i]), 255) << i;
  EXPECT_EQ(static_cast<uint8_t>(memory[56]), 254);
  for (int i = 57; i < 80; ++i) EXPECT_EQ(static_cast<uint8_t>(memory[i]), 255) << i;
  EXPECT_FALSE(SentStartingWith(rig, "R001")) << "no connection check before sending";
}

TEST_F(OptionWindow, AFailedSendIsReported) {
  Open();
  rig.instrument.Options().silent = true;
  form->BtSend->setEnabled(true);
  form->BtSend->click();
  EXPECT_EQ(BoxTexts(BoxKind::Error), std::vector<Text>{"Sende Fehler"});
  EXPECT_FALSE(Glb->TransferBusy);
}

TEST_F(OptionWindow, ClosingIsRefusedWhileTransferring) {
  Open();
  Glb->TransferBusy = true;
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  Glb->TransferBusy = false;
  QPointer<TFormOption> alive(form);
  EXPECT_TRUE(form->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull()) << "a closed window is destroyed";
  form = nullptr;
}

TEST_F(OptionWindow, OpeningTwiceBringsTheSameWindow) {
  TFormOption* first = OpenFormOption();
  QMetaObject::invokeMethod(first->Timer1, "timeout");
  EXPECT_EQ(OpenFormOption(), first);
  form = first;
}

TEST_F(OptionWindow, LocksFollowTheLevel) {
  // Bits 2 and 13 are labelled "n.b.", bit 0 "LTA 1", bit 1 "Speicher 256K".
  struct Case {
    int level;
    bool bit0Locked;   // set, assigned
    bool bit1Locked;   // clear, assigned
    bool bit2Locked;   // clear, "n.b."
    bool bit13Locked;  // set, "n.b."
  };
  const std::vector<Case> cases = {{2, true, false, true, true}, {3, false, false, false, true}};
  for (const Case& c : cases) {
    rig.glb->UserLevel = c.level;
    WriteTypeList({TypeLine("01 Basis", {0, 13}, 1, 1)});
    Open();
    SelectType(1);
    auto locked = [this](int bit) { return !(form->Optlist->item(bit)->flags() & Qt::ItemIsEnabled); };
    EXPECT_EQ(locked(0), c.bit0Locked) << c.level;
    EXPECT_EQ(locked(1), c.bit1Locked) << c.level;
    EXPECT_EQ(locked(2), c.bit2Locked) << c.level;
    EXPECT_EQ(locked(13), c.bit13Locked) << c.level;
    EXPECT_EQ(form->BtNeu->isEnabled(), c.level == 3);
    EXPECT_EQ(form->BtStore->isEnabled(), c.level == 3);
    delete form;
    form = nullptr;
  }
}

TEST_F(OptionWindow, ChoosersShiftTheColumnAndLoeschenRemovesARow) {
  Open();  // display 2 from the instrument: 05 12 13 32 31 00 00 00
  auto column = [this](int c) {
    std::vector<int> codes;
    for (int r = 0; r < 8; ++r)
      codes.push_back(form->GridDisplayCodes()[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]);
    return codes;
  };
  ASSERT_FALSE(form->Changed());
  form->GridDisplay->setCurrentCell(2, 1);  // row 3: "Löschen" moves rows 4..8 up
  form->ChooseDisplayValue(form->list_dw1->item(kDisplayDeleteCode));
  EXPECT_EQ(column(1), (std::vector<int>{5, 12, 32, 31, 0, 0, 0, 0}));
  EXPECT_EQ(form->DisplayCellText(1, 7), "");
  EXPECT_FALSE(form->Changed()) << "the Loeschen command is no edit";
  EXPECT_EQ(column(0), (std::vector<int>{1, 2, 3, 4, 7, 8, 9, 10})) << "other columns stay";

  form->GridDisplay->setCurrentCell(4, 1);  // row 5: rows 5..7 move down, row 8 is lost
  form->ChooseDisplayValue(form->list_dw1->item(7));
  EXPECT_EQ(column(1), (std::vector<int>{5, 12, 32, 31, 7, 0, 0, 0}));
  EXPECT_EQ(form->DisplayCellText(1, 4), FromQt(form->list_dw1->item(7)->text()));
  EXPECT_TRUE(form->DisplayCellText(1, 4).startsWith("07 CO2"));
  EXPECT_EQ(form->GridDisplay->currentRow(), 5);
  EXPECT_TRUE(form->Changed());

  form->GridDisplay->setCurrentCell(7, 1);  // row 8: replaced, the cursor stays
  form->ChooseDisplayValue(form->list_dw1->item(9));
  EXPECT_EQ(column(1), (std::vector<int>{5, 12, 32, 31, 7, 0, 0, 9}));
  EXPECT_EQ(form->GridDisplay->currentRow(), 7);

  // The printout list: 24 rows, "Löschen" is code 45.
  form->Gridprint->setCurrentCell(0, 0);
  form->ChoosePrintValue(form->list_dw2->item(kPrintDeleteCode));
  EXPECT_EQ(form->GridPrintCodes()[0], 2);
  EXPECT_EQ(form->GridPrintCodes()[23], 0);
  form->Gridprint->setCurrentCell(23, 0);
  form->ChoosePrintValue(form->list_dw2->item(46));
  EXPECT_EQ(form->GridPrintCodes()[23], 46);
  EXPECT_TRUE(form->PrintCellText(23).startsWith("46 Co Raum"));
}

TEST_F(OptionWindow, SerialFieldTakesUpperCaseAndShowsTheNumber) {
  Open();
  struct Case {
    const char* typed;  // after "KR"
    const char* field;
    const char* number;
  };
  const std::vector<Case> cases = {{"ta0001", "KRTA-0001", "2003010001"},
                                   {"ng9999", "KRNG-9999", "Fehler"},
                                   {"nn9999", "KRNN-9999", "2020129999"}};
  for (const Case& c : cases) {
    form->EditSernr->setText(ToQt(kEmptySerialText));
    form->EditSernr->setFocus();
    form->EditSernr->setCursorPosition(2);
    for (const char* p = c.typed; *p; ++p) {
      const QString key(QChar::fromLatin1(*p));
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, key);
      QCoreApplication::sendEvent(form->EditSernr, &press);
      QCoreApplication::sendEvent(form->EditSernr, &release);
    }
    EXPECT_EQ(form->EditSernr->text(), c.field) << c.typed;
    EXPECT_EQ(form->EditSernrint->text(), c.number) << c.typed;
  }
}

TEST_F(OptionWindow, NewTypeCopiedStoredAndReloaded) {
  WriteTypeList(FiveTypes());
  Open();
  Dialogs::AnswerInput(true, "06 Neu");
  form->BtNeu->click();
  ASSERT_EQ(Dialogs::Inputs().size(), 1u);
  EXPECT_EQ(Dialogs::Inputs()[0].defaultText, "06 Test");
  EXPECT_EQ(Dialogs::Inputs()[0].caption, "Neuer Ger\xE4tetyp");
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabKopie);
  EXPECT_EQ(form->EditTyp->currentText(), "06 Neu");
  EXPECT_EQ(form->CurrentType(), 6);
  EXPECT_TRUE(form->Changed());
  ASSERT_EQ(form->ListBoxCopy->count(), 7);

  form->ListBoxCopy->setCurrentRow(3);  // "03 Profi"
  form->BitBtnOK->click();
  EXPECT_EQ(form->PageControl1->currentWidget(), form->TabAusstattung);
  EXPECT_EQ(Ticks(), Bits({0, 5, 9, 11}));
  EXPECT_TRUE(form->BtSend->isEnabled());
  EXPECT_TRUE(form->Changed()) << "the copy waits to be stored";

  const QString other = dir.File("Eigene.txt");
  Dialogs::AnswerFile(other);
  form->BtStore->click();
  EXPECT_EQ(Glb->UserFileName, "Eigene.txt");
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Ger\u00e4teoptionen [ Eigene.txt ]"));
  EXPECT_FALSE(form->Changed());
  QByteArray data;
  ASSERT_TRUE(ReadWholeFile(other, &data));
  const QList<Text> lines = SplitTypeLines(data);
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[5].size(), 280);
  EXPECT_EQ(lines[5].left(30), FixLength("06 Neu", 30));
  EXPECT_EQ(lines[5].mid(30, 31), "1000010001010000000000000000000");
  EXPECT_EQ(lines[5].mid(30 + 50, 2), "07") << "display 1 row 1 of the copied type";
  EXPECT_EQ(lines[0], FiveTypes()[0]);

  // A new window reads the list from the file again.
  delete form;
  form = nullptr;
  Open();
  ASSERT_EQ(form->EditTyp->count(), 7);
  EXPECT_EQ(form->EditTyp->itemText(6).left(6), "06 Neu");
  SelectType(6);
  EXPECT_EQ(Ticks(), Bits({0, 5, 9, 11}));
}

TEST_F(OptionWindow, SaveQuestionStoresIntoTheTypeThatWasShown) {
  WriteTypeList(FiveTypes());
  Open();
  SelectType(1);
  form->Optlist->item(30)->setCheckState(Qt::Checked);
  EXPECT_TRUE(form->Changed());
  Boxes::AnswerNext(true);
  SelectType(3);
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].message, "\xC4nderungen speichern ?");
  const QList<Text> lines = StoredLines();
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0].mid(30, 31), "1000000000000000000000000000001");
  EXPECT_EQ(lines[2], FiveTypes()[2]);
  EXPECT_EQ(Ticks(), Bits({0, 5, 9, 11}));
}

TEST_F(OptionWindow, DeletingATypeMovesTheLaterOnesUp) {
  WriteTypeList(FiveTypes());
  Open();
  SelectType(3);
  Boxes::AnswerNext(true);
  form->BtDel->click();
  const QList<Text> lines = StoredLines();
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[2], FiveTypes()[3]);
  EXPECT_EQ(form->EditTyp->count(), 5);
  EXPECT_EQ(form->EditTyp->itemText(3).left(10), "04 Italien");
  EXPECT_EQ(form->EditTyp->currentIndex(), 1);
  EXPECT_EQ(form->CurrentType(), 1);

  // Entry 0 has no line: an error, nothing changes.
  SelectType(0);
  Boxes::Clear();
  Boxes::AnswerNext(true);
  form->BtDel->click();
  EXPECT_EQ(BoxTexts(BoxKind::Error).size(), 1u);
  EXPECT_EQ(StoredLines().size(), 4);
}

TEST_F(OptionWindow, LoadingAnotherTypeListPadsItAndWritesTheSettings) {
  WriteTypeList(FiveTypes());
  Open();
  const QString other = dir.File("Andere.txt");
  ASSERT_TRUE(WriteWholeFile(other, "01 Anders\r\n" + TypeLine("02 Zwei", {3}, 4, 5) + "\r\n"));
  SelectType(2);
  Dialogs::AnswerFile(other);
  form->BtLoad->click();
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].folder, Glb->DataDir);
  EXPECT_EQ(Glb->UserFileName, "Andere.txt");
  EXPECT_EQ(Glb->UserFileDir, dir.Path() + "/");
  EXPECT_EQ(form->TypeList().Count(), 48);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Ger\u00e4te Texte [ Andere.txt ]"));
  EXPECT_EQ(form->EditTyp->count(), 3);
  EXPECT_EQ(form->CurrentType(), 2);
  EXPECT_EQ(Ticks(), Bits({3}));
  IniFile ini(Glb->IniPath());
  EXPECT_EQ(ini.ReadString("KONFIG", "Typliste", ""), "Andere.txt");
  EXPECT_EQ(ini.ReadString("KONFIG", "InitDir", ""), FromQt(dir.Path() + "/"));

  // A file that cannot be read: the information, the list as it was.
  Boxes::Clear();
  Dialogs::AnswerFile(dir.File("fehlt.txt"));
  form->BtLoad->click();
  ASSERT_EQ(BoxTexts(BoxKind::Info).size(), 1u);
  EXPECT_TRUE(BoxTexts(BoxKind::Info)[0].endsWith("!!"));
  EXPECT_EQ(Glb->UserFileName, "Andere.txt");
  EXPECT_EQ(form->TypeList().Count(), 48);
}

TEST_F(OptionWindow, WithoutTypeListTheBoxIsEmptyAndReadingStillWorks) {
  Open();
  EXPECT_EQ(form->EditTyp->count(), 0);
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_EQ(form->EditKennziffer->text(), "05");
  EXPECT_EQ(form->EditSernr->text(), "KRAB-0042");
  EXPECT_EQ(Ticks(), Bits({0, 5, 6, 9, 10, 15, 17}));
  EXPECT_EQ(form->GridDisplayCodes()[0][0], 1);
}

TEST(ListCells, InsertAndDelete) {
  struct Case {
    bool insert;
    int row;
    QList<Text> expected;
  };
  const QList<Text> start = {"a", "b", "c", "d"};
  const std::vector<Case> cases = {{true, 2, {"a", "x", "b", "c"}},
                                   {true, 4, {"a", "b", "c", "x"}},
                                   {true, 1, {"x", "a", "b", "c"}},
                                   {false, 2, {"a", "c", "d", ""}},
                                   {false, 4, {"a", "b", "c", ""}},
                                   {true, 0, start},
                                   {false, 5, start}};
  for (const Case& c : cases) {
    QList<Text> cells = start;
    if (c.insert) InsertListCell(cells, c.row, "x");
    else DeleteListCell(cells, c.row, "");
    EXPECT_EQ(cells, c.expected) << c.insert << " " << c.row;
  }
}

}  // namespace
