// The fuel table window against the in-process instrument, in virtual time.
#include "editors/fuel_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolButton>

#include "link/glb.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/files.h"
#include "util/settings_store.h"

namespace {

QStringList Protocol(const TFormBrennstoffe* form) {
  const QString text = form->Memo->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QByteArray ReadFile(const QString& path) {
  QByteArray data;
  ReadWholeFile(path, &data);
  return data;
}

int CountOf(const SimRig& rig, const Text& prefix) {
  int n = 0;
  for (const Text& c : rig.instrument.Commands()) n += c.startsWith(prefix) ? 1 : 0;
  return n;
}

const QString kName = QStringLiteral("BRN_Holzpellets Test 01").leftJustified(48, QLatin1Char(' '));

class FuelWindow : public ::testing::Test {
 protected:
  explicit FuelWindow(SimOptions options = {}) : rig(std::move(options)) {}
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->Registry = &store;
    Boxes::Clear();
    Dialogs::Clear();
  }
  void TearDown() override {
    rig.glb->TransferBusy = false;
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetWriteFaultHook({});
    Glb = nullptr;
  }
  void Load(const QString& path) {
    Dialogs::AnswerFile(path);
    form->BtLoad->click();
  }
  void Save(const QString& path) {
    Dialogs::AnswerFile(path);
    form->BtStore->click();
  }

  TempDir dir;
  SettingsStore store{dir.File("registry.ini")};
  SimRig rig;
  QPointer<TFormBrennstoffe> form;
};

TEST_F(FuelWindow, ReceiveSaveLoadAndWriteBack) {
  form = OpenFormBrennstoffe();
  ASSERT_TRUE(form);
  EXPECT_TRUE(form->BtSend->isEnabled());
  form->BtReceive->click();
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_EQ(Protocol(form), (QStringList{"Header lesen ...", "Alternative Brennstofftabelle : " + kName,
                                         kName, "Tabelle lesen ...", "Fertig"}));
  EXPECT_TRUE(form->BtSend->isEnabled());
  EXPECT_FALSE(Glb->TransferBusy);
  ASSERT_TRUE(Glb->FuelMemoryValid);
  const QByteArray table = rig.instrument.FuelMemory().left(Glb->FuelMemoryLength);
  EXPECT_GE(Glb->FuelMemoryLength, 1232);  // the table, then erased memory stops the read

  Save(dir.File("BRN_Holz.bin"));
  const QByteArray file = ReadFile(dir.File("BRN_Holz.bin"));
  EXPECT_EQ(file, table);
  EXPECT_EQ(file.mid(16, 4), "BRN_");
  EXPECT_EQ(form->OpenDialog.FileName, dir.File("BRN_Holz.bin"));

  // The instrument loses its table; the file brings it back.
  rig.instrument.FuelMemory().fill('\xFF');
  Glb->FuelMemoryValid = false;
  form->BtClear->click();
  EXPECT_TRUE(Protocol(form).isEmpty());
  Load(dir.File("BRN_Holz.bin"));
  EXPECT_EQ(Protocol(form), (QStringList{"Lade Datei BRN_Holz.bin",
                                         QString::number(table.size()) + " Bytes geladen"}));
  form->BtSend->click();
  EXPECT_TRUE(Boxes::Shown().empty());
  EXPECT_EQ(Protocol(form).mid(2), (QStringList{ToQt("In das Ger\xE4t speichern..."), "OK"}));
  EXPECT_EQ(rig.instrument.FuelMemory().left(table.size()), table);
}

TEST_F(FuelWindow, NoInstalledTable) {
  struct Case {
    Text name;
  };
  const std::vector<Case> cases = {{Text(48, ' ')}, {"brn_Holz"}, {"BRN"}, {" BRN_Holz"}};
  form = OpenFormBrennstoffe();
  for (const Case& c : cases) {
    for (int i = 0; i < 48; ++i) rig.instrument.FuelMemory()[16 + i] = i < c.name.size() ? c.name[i] : ' ';
    form->BtClear->click();
    rig.instrument.ClearCommands();
    form->BtReceive->click();
    EXPECT_EQ(Protocol(form), (QStringList{"Header lesen ...",
                                           "Keine alternativen Brennstofftabelle installiert"}))
        << c.name.constData();
    EXPECT_FALSE(form->BtSend->isEnabled()) << c.name.constData();
    // The table is not read: five blocks of the header only.
    EXPECT_EQ(CountOf(rig, "R101FF8"), 5) << c.name.constData();
    EXPECT_FALSE(Glb->TransferBusy);
  }
}

TEST_F(FuelWindow, LoadLimitsAndEmptyFile) {
  form = OpenFormBrennstoffe();
  QByteArray big(20000, '\0');
  for (int i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(WriteWholeFile(dir.File("big.bin"), big));
  ASSERT_TRUE(WriteWholeFile(dir.File("empty.bin"), QByteArray()));

  Load(dir.File("big.bin"));
  ASSERT_EQ(Dialogs::Files().size(), 1u);
  EXPECT_EQ(Dialogs::Files()[0].folder, Glb->ProgramDir);
  EXPECT_EQ(Dialogs::Files()[0].filter, "Textdatei (*.BIN)|*.BIN|Alle Dateien (*.*)|*.*");
  EXPECT_EQ(Protocol(form).last(), "16384 Bytes geladen");
  EXPECT_EQ(Glb->FuelMemoryLength, 16384);
  EXPECT_EQ(Glb->FuelMemory.left(16384), big.left(16384));
  EXPECT_EQ(form->SaveDialog.FileName, dir.File("big.bin"));

  Load(dir.File("empty.bin"));
  EXPECT_EQ(Protocol(form).last(), "0 Bytes geladen");
  EXPECT_FALSE(Glb->FuelMemoryValid);
  rig.instrument.ClearCommands();
  form->BtSend->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Keine Datei geladen");
  EXPECT_TRUE(rig.instrument.Commands().empty());

  // A file that cannot be read adds only its "Lade Datei" line and keeps the buffer.
  Glb->FuelMemoryValid = true;
  Glb->FuelMemoryLength = 5;
  Load(dir.File("missing.bin"));
  EXPECT_EQ(Protocol(form).last(), "Lade Datei missing.bin");
  EXPECT_TRUE(Glb->FuelMemoryValid);
  EXPECT_EQ(Glb->FuelMemoryLength, 5);

  // Saving writes whatever the buffer holds; a failed write is reported.
  Save(dir.File("five.bin"));
  EXPECT_EQ(ReadFile(dir.File("five.bin")), Glb->FuelMemory.left(5));
  SetWriteFaultHook([](const QString&) { return qint64{2}; });
  Boxes::Clear();
  Save(dir.File("five.bin"));
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].message, "Fehler beim Speichern der Datei " + FromQt(dir.File("five.bin")));
  EXPECT_EQ(ReadFile(dir.File("five.bin")), Glb->FuelMemory.left(5));  // the old file stays whole
}

TEST_F(FuelWindow, FileNamesAreRemembered) {
  form = OpenFormBrennstoffe();
  ASSERT_TRUE(WriteWholeFile(dir.File("a.bin"), "abc"));
  Load(dir.File("a.bin"));
  Save(dir.File("b.bin"));
  EXPECT_TRUE(form->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(form.isNull());
  const Text key = "Software\\ORX\\Setup720\\Brennstoffe";
  EXPECT_EQ(store.ReadString(key, "OpenDialog_FileName"), FromQt(dir.File("b.bin")));
  EXPECT_EQ(store.ReadString(key, "SaveDialog_FileName"), FromQt(dir.File("b.bin")));

  form = OpenFormBrennstoffe();
  EXPECT_EQ(form->OpenDialog.FileName, dir.File("b.bin"));
  Dialogs::AnswerFile("");
  form->BtLoad->click();
  EXPECT_EQ(Dialogs::Files().back().fileName, dir.File("b.bin"));
}

class SilentFuel : public FuelWindow {
 protected:
  SilentFuel() : FuelWindow([] {
    SimOptions options;
    options.silent = true;
    return options;
  }()) {}
};

TEST_F(SilentFuel, FailedReceiveKeepsSendOffEvenAfterALoad) {
  form = OpenFormBrennstoffe();
  form->BtReceive->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Info);
  EXPECT_EQ(Boxes::Shown()[0].message, Glb->NoInstrumentText());
  EXPECT_TRUE(Protocol(form).isEmpty());
  EXPECT_FALSE(form->BtSend->isEnabled());
  ASSERT_TRUE(WriteWholeFile(dir.File("a.bin"), "abc"));
  Load(dir.File("a.bin"));
  EXPECT_FALSE(form->BtSend->isEnabled());
}

class FailingTableRead : public FuelWindow {
 protected:
  FailingTableRead() : FuelWindow([] {
    SimOptions options;
    options.noAnswer = {"R101FF8050"};  // the first block past the header
    return options;
  }()) {}
};

TEST_F(FailingTableRead, ReportsEmpfangsFehler) {
  form = OpenFormBrennstoffe();
  form->BtReceive->click();
  EXPECT_EQ(Protocol(form).last(), "Empfangs-Fehler");
  EXPECT_EQ(Protocol(form).size(), 5);
  EXPECT_FALSE(form->BtSend->isEnabled());
  EXPECT_FALSE(Glb->FuelMemoryValid);
  EXPECT_FALSE(Glb->TransferBusy);
  EXPECT_TRUE(Boxes::Shown().empty());
}

class FailingFuelWrite : public FuelWindow {
 protected:
  FailingFuelWrite() : FuelWindow([] {
    SimOptions options;
    options.noAnswer = {"W102"};
    return options;
  }()) {}
};

TEST_F(FailingFuelWrite, ReportsSendeFehler) {
  form = OpenFormBrennstoffe();
  form->BtReceive->click();
  form->BtSend->click();
  ASSERT_EQ(Boxes::Shown().size(), 1u);
  EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
  EXPECT_EQ(Boxes::Shown()[0].message, "Sende-Fehler");
  EXPECT_EQ(Protocol(form).last(), "Sende-Fehler");
  EXPECT_FALSE(Glb->TransferBusy);
}

TEST_F(FuelWindow, AFailedSaveKeepsTheOldFileAndTheTable) {
  form = OpenFormBrennstoffe();
  form->BtReceive->click();
  ASSERT_TRUE(Glb->FuelMemoryValid);
  const QByteArray table = Glb->FuelMemory.left(Glb->FuelMemoryLength);
  const QString old = dir.File("BRN_Holz.bin");
  ASSERT_TRUE(WriteWholeFile(old, "alte Tabelle"));
  for (const SaveFailure& c : SaveFailures(old, dir.File("fehlt/BRN_Holz.bin"))) {
    SCOPED_TRACE(c.what);
    Boxes::Clear();
    {
      FullDiskScope disk(c.fullDisk, 100);
      Save(c.file);
    }
    ASSERT_EQ(Boxes::Shown().size(), 1u);
    EXPECT_EQ(Boxes::Shown()[0].kind, BoxKind::Error);
    EXPECT_EQ(Boxes::Shown()[0].message, "Fehler beim Speichern der Datei " + FromQt(c.file));
    EXPECT_EQ(ReadFile(old), "alte Tabelle");
    EXPECT_TRUE(Glb->FuelMemoryValid);
    EXPECT_EQ(Glb->FuelMemory.left(Glb->FuelMemoryLength), table);
  }
  Save(old);
  EXPECT_EQ(ReadFile(old), table);
}

}  // namespace
