// The language region choice: the header of the region files and the dialog,
// run through the modal hook.
#include "upload/region_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/placement.h"

namespace {

// A region file with a language table of the given format; names are put
// after the table, each ended by a zero byte.
QByteArray RegionFile(int format, const QList<Text>& names, int size = 1024) {
  QByteArray data(size, '\0');
  data[2] = static_cast<char>(format);
  data[64] = static_cast<char>(names.size());
  const int start = format == 4 ? 70 : 67;
  const int entry = format == 4 ? 6 : 4;
  int pos = 400;
  for (int i = 0; i < names.size(); ++i) {
    data[start + i * entry] = static_cast<char>(pos & 0xFF);
    data[start + i * entry + 1] = static_cast<char>(pos >> 8);
    data.replace(pos, names[i].size() + 1, names[i] + '\0');
    pos += static_cast<int>(names[i].size()) + 1;
  }
  return data;
}

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

TEST(RegionHeader, LanguageNames) {
  QByteArray format4(300, '\0');
  format4[2] = 4;
  format4[64] = 2;
  format4[70] = char(200);  // first name at 200
  format4[76] = char(0x10);  // second at 0x110 = 272
  format4[77] = char(0x01);
  format4.replace(200, 9, "Deutsch\0x", 9);
  format4.replace(272, 8, "English\0", 8);

  QByteArray emptyNames = RegionFile(3, {"", "Dansk", ""});
  QByteArray unterminated = RegionFile(3, {"Suomi"});
  unterminated.truncate(403);  // the name runs to the end of the data
  QByteArray pastEnd = RegionFile(3, {"Norsk", "x"});
  pastEnd[67 + 4] = char(0xF0);  // the second name lies beyond the data
  pastEnd[67 + 5] = char(0xFF);
  QByteArray tableOffData(66, '\0');
  tableOffData[2] = 3;
  tableOffData[64] = char(255);  // every entry beyond the data

  struct Case {
    const char* what;
    QByteArray header;
    bool ok;
    QList<Text> names;
  };
  const std::vector<Case> cases = {
      {"format 3", RegionFile(3, {"Deutsch", "Fran\xE7" "ais", "Italiano"}), true,
       {"Deutsch", "Fran\xE7" "ais", "Italiano"}},
      {"format 4, offsets at 70 and 76", format4, true, {"Deutsch", "English"}},
      {"format 4 written by the builder", RegionFile(4, {"Svenska"}), true, {"Svenska"}},
      {"no languages", RegionFile(3, {}), true, {}},
      {"empty names repeat the one before", emptyNames, true, {"", "Dansk", "Dansk"}},
      {"name ends with the data", unterminated, true, {"Suo"}},
      {"name beyond the data", pastEnd, true, {"Norsk", "Norsk"}},
      {"table beyond the data", tableOffData, true, QList<Text>(255, Text())},
      {"format 5", RegionFile(5, {"Deutsch"}), false, {}},
      {"format 0", QByteArray(100, '\0'), false, {}},
      {"empty file", QByteArray(), false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QList<Text> names = {"unchanged"};
    EXPECT_EQ(RegionLanguages(c.header, &names), c.ok);
    EXPECT_EQ(names, c.ok ? c.names : QList<Text>{"unchanged"});
  }
}

class RegionWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->HexFileDir = dir.Path() + "/";
    rig.glb->HexFileName = "orx720nt.h20";
    rig.glb->BinFilePath = "/vorher/orx720nt.bin";
    ASSERT_TRUE(WriteWholeFile(dir.File("orx720nt_de.bin"), RegionFile(3, {"Deutsch", "English"})));
    ASSERT_TRUE(WriteWholeFile(dir.File("ORX720NT_GB.BIN"), RegionFile(4, {"English", "Espa\xF1ol", "Polski"})));
    ASSERT_TRUE(WriteWholeFile(dir.File("other.bin"), RegionFile(3, {"Nein"})));
    Boxes::Clear();
    Modals::Clear();
  }
  void TearDown() override {
    delete FormRegion();
    Glb = nullptr;
  }
  void StoreRegion(int32_t value) {
    IniFile ini(Glb->IniPath());
    ini.WriteInteger("KONFIG", "Region", value);
    ASSERT_TRUE(ini.UpdateFile());
  }
  int32_t StoredRegion() const { return IniFile(Glb->IniPath()).ReadInteger("KONFIG", "Region", -1); }

  TempDir dir;
  SimRig rig;
};

TEST_F(RegionWindow, StoredRegionIsPreselectedAndOkChoosesIt) {
  StoreRegion(1);
  QStringList files;
  QStringList languages;
  Modals::OnNext([&](QDialog*) {
    files = Items(FormRegion()->ListBoxRegionMain);
    languages = Items(FormRegion()->ListBoxRegion);
    FormRegion()->BitBtnOK->click();
  });
  EXPECT_TRUE(FormRegion()->ChooseRegion());
  EXPECT_EQ(Modals::Shown(), std::vector<QString>{"FormRegion"});
  // The prefix test ignores case; other.bin is no candidate.
  EXPECT_EQ(files, (QStringList{"orx720nt_de.bin", "ORX720NT_GB.BIN"}));
  EXPECT_EQ(languages, (QStringList{"English", QString::fromUtf8("Español"), "Polski"}));
  EXPECT_EQ(Glb->BinFilePath, dir.File("ORX720NT_GB.BIN"));
  EXPECT_EQ(StoredRegion(), 1);
  EXPECT_TRUE(Boxes::Shown().empty());
  // The placement is kept in the program-named INI file.
  EXPECT_TRUE(IniFile(ProgramUserIniPath()).ValueExists("TFormRegion", "NormPos"));
}

TEST_F(RegionWindow, StoredRegionBeyondTheListSelectsNothingUntilClicked) {
  StoreRegion(5);
  QStringList before;
  QStringList after;
  Modals::OnNext([&](QDialog*) {
    TFormRegion* form = FormRegion();
    EXPECT_TRUE(form->ListBoxRegionMain->selectedItems().isEmpty());
    before = Items(form->ListBoxRegion);
    form->ListBoxRegionMain->setCurrentRow(0);
    after = Items(form->ListBoxRegion);
    form->ListBoxRegionMain->setCurrentRow(1);
    form->BitBtnOK->click();
  });
  EXPECT_TRUE(FormRegion()->ChooseRegion());
  EXPECT_TRUE(before.isEmpty());
  EXPECT_EQ(after, (QStringList{"Deutsch", "English"}));
  EXPECT_EQ(StoredRegion(), 1);
  EXPECT_EQ(Glb->BinFilePath, dir.File("ORX720NT_GB.BIN"));
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST_F(RegionWindow, CancelAbortAndCloseBoxStopTheUpload) {
  struct Case {
    const char* what;
    Modals::Script script;
  };
  const std::vector<Case> cases = {
      {"abort button", [](QDialog*) { FormRegion()->BitBtn2->click(); }},
      {"close box", [](QDialog* d) { d->close(); }},
      {"left open", [](QDialog*) {}},
  };
  StoreRegion(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Modals::OnNext(c.script);
    EXPECT_FALSE(FormRegion()->ChooseRegion());
    EXPECT_EQ(Glb->BinFilePath, "/vorher/orx720nt.bin");
    EXPECT_EQ(StoredRegion(), 0);
  }
}

TEST_F(RegionWindow, OkWithNothingSelectedChangesNothing) {
  StoreRegion(7);
  Modals::OnNext([](QDialog*) { FormRegion()->BitBtnOK->click(); });
  EXPECT_TRUE(FormRegion()->ChooseRegion());
  EXPECT_EQ(Glb->BinFilePath, "/vorher/orx720nt.bin");
  EXPECT_EQ(StoredRegion(), 7);
}

TEST_F(RegionWindow, FewerThanTwoCandidatesAskNothing) {
  for (int remaining : {1, 0}) {
    SCOPED_TRACE(remaining);
    QFile::remove(dir.File(remaining == 1 ? "ORX720NT_GB.BIN" : "orx720nt_de.bin"));
    EXPECT_TRUE(FormRegion()->ChooseRegion());
    EXPECT_TRUE(Modals::Shown().empty());
    EXPECT_EQ(Glb->BinFilePath, "/vorher/orx720nt.bin");
  }
}

TEST_F(RegionWindow, UnreadableAndForeignFilesKeepTheLanguageList) {
  // A folder that matches the pattern is listed but cannot be read.
  ASSERT_TRUE(QDir(dir.Path()).mkdir("orx720nt_fo.bin"));
  ASSERT_TRUE(WriteWholeFile(dir.File("orx720nt_xx.bin"), RegionFile(7, {"Nein"})));
  StoreRegion(0);
  QStringList files;
  QStringList afterFolder;
  QStringList afterForeign;
  Modals::OnNext([&](QDialog*) {
    TFormRegion* form = FormRegion();
    files = Items(form->ListBoxRegionMain);
    form->ListBoxRegionMain->setCurrentRow(1);  // the folder
    afterFolder = Items(form->ListBoxRegion);
    form->ListBoxRegionMain->setCurrentRow(2);  // format 7
    afterForeign = Items(form->ListBoxRegion);
    form->BitBtn2->click();
  });
  EXPECT_FALSE(FormRegion()->ChooseRegion());
  EXPECT_EQ(files, (QStringList{"orx720nt_de.bin", "orx720nt_fo.bin", "ORX720NT_GB.BIN", "orx720nt_xx.bin"}));
  // row 1 is the folder: an error box, the list as it was.
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_FALSE(Boxes::Shown()[0].message.isEmpty());  // the system's text
  EXPECT_EQ(afterFolder, (QStringList{"Deutsch", "English"}));
  EXPECT_EQ(afterForeign, (QStringList{"English", QString::fromUtf8("Español"), "Polski"}));
}

TEST_F(RegionWindow, ComponentsAndTexts) {
  TFormRegion* form = FormRegion();
  EXPECT_EQ(form->objectName(), "FormRegion");
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Sprachregion wählen"));
  EXPECT_EQ(form->Label1->text(), "Einen Eintrag markieren");
  EXPECT_EQ(form->Label2->text(), "Sprachen der Region");
  EXPECT_EQ(form->BitBtnOK->text(), "OK");
  EXPECT_TRUE(form->BitBtnOK->isDefault());
  EXPECT_EQ(form->ListBoxRegion->focusPolicy(), Qt::NoFocus);
  EXPECT_TRUE(form->ListBoxRegion->font().bold());
  EXPECT_EQ(form->size(), QSize(342, 225));
  EXPECT_EQ(FormRegion(), form);  // one instance
}

}  // namespace
