// The upload window against the in-process instrument, in virtual time.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>

#include "sim_rig.h"
#include "test_support.h"
#include "upload/upload_window.h"
#include "util/msgtable.h"
#include "util/settings_store.h"

namespace {

void WriteFile(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_EQ(file.write(data), data.size());
}

// Gives the file a modification time `seconds` from now.
void Touch(const QString& path, int seconds) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(seconds),
                               QFileDevice::FileModificationTime));
}

struct WindowBench {
  explicit WindowBench(SimOptions options = {}) : rig(std::move(options)) {
    Glb = rig.glb.get();
    TGlb& g = *rig.glb;
    g.ProgramDir = dir.Path() + "/";
    g.DataDir = dir.Path() + "/Daten/";
    QDir().mkpath(g.DataDir);
    store = std::make_unique<SettingsStore>(dir.File("registry.ini"));
    g.Registry = store.get();
    g.HexFileDir = dir.Path() + "/";
    g.HexFileName = "orx720nt.h20";
    g.HexFilePath = g.HexFileDir + g.HexFileName;
    const CompanionPaths p = CompanionPathsFor(g.HexFileDir, g.HexFileName);
    g.BinFilePath = p.BinFilePath;
    g.UserBinPath = p.UserBinPath;
    WriteFile(g.HexFilePath, ":00000001FF\r\n");
    WriteFile(g.BinFilePath, QByteArray(16, '\x11'));
    ReadPrinterTextsHook = [] { return true; };
    Boxes::Clear();
  }
  ~WindowBench() {
    if (window) {
      Glb->TransferBusy = false;
      window->close();
      delete window;
    }
    ReadPrinterTextsHook = {};
    Glb = nullptr;
  }
  TFormloadProg* Open() {
    window = OpenFormloadProg();
    return window;
  }
  QStringList LogLines() const { return window->Memo1->toPlainText().split('\n'); }

  TempDir dir;
  SimRig rig;
  std::unique_ptr<SettingsStore> store;
  QPointer<TFormloadProg> window;
};

}  // namespace

TEST(UploadWindow, ButtonsByLevelAndEmergencyMode) {
  struct Case {
    int32_t level;
    bool emergency;
    bool standard, send, watch;
  };
  const Case cases[] = {
      {0, false, false, false, false}, {1, false, false, false, false},
      {2, false, true, false, false},  {3, false, false, false, true},
      {0, true, false, true, false},   {3, true, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level * 10 + c.emergency);
    WindowBench b;
    b.rig.glb->UserLevel = c.level;
    b.rig.glb->EmergencyMode = c.emergency;
    TFormloadProg* w = b.Open();
    ASSERT_TRUE(w->isVisible());
    EXPECT_TRUE(w->BtClose->isVisible());
    EXPECT_TRUE(w->BtAuto->isVisible());
    EXPECT_EQ(w->BtDefault->isVisible(), c.standard);
    EXPECT_EQ(w->BtDefaultNot->isVisible(), c.standard);
    EXPECT_EQ(w->BtSend->isVisible(), c.send);
    EXPECT_EQ(w->Btwatch->isVisible(), c.watch);
  }
}

TEST(UploadWindow, NamesCaptionsAndTheCaptionTimer) {
  WindowBench b;
  TFormloadProg* w = b.Open();
  EXPECT_EQ(w->objectName(), "FormloadProg");
  EXPECT_EQ(w->windowTitle(), "Programm laden [ orx720nt.h20 ]");
  EXPECT_EQ(w->BtAuto->text(), "Programm \nladen");
  EXPECT_EQ(w->BtSend->toolTip(),
            QString::fromUtf8("Programm + Programmdatensatz\nzum Gerät senden\nStart nach 20 Sek. F und !"));
  EXPECT_EQ(w->Btwatch->toolTip(), QString::fromUtf8("Dateiversion überwachen"));
  EXPECT_TRUE(w->Btwatch->isCheckable());
  EXPECT_EQ(w->StrLaden->objectName(), "StrLaden");
  EXPECT_EQ(w->findChild<QTimer*>("Timer1"), w->Timer1);
  EXPECT_EQ(w->Timer1->interval(), 1000);
  EXPECT_TRUE(w->Memo1->isReadOnly());
  EXPECT_EQ(w->Memo1->focusPolicy(), Qt::NoFocus);

  b.rig.glb->HexFileName = "orx720nt_1_05.h20";
  w->Timer1Timer();
  EXPECT_EQ(w->windowTitle(), "Programm laden [ orx720nt_1_05.h20 ]");

  w->resize(200, 500);
  EXPECT_EQ(w->size(), QSize(300, 500));
}

TEST(UploadWindow, EmergencyModeShowsTheButtonUntilTheWindowCloses) {
  WindowBench b;
  b.window = OpenFormloadProgEmergency();
  TFormloadProg* w = b.window;
  EXPECT_TRUE(b.rig.glb->EmergencyMode);
  EXPECT_TRUE(b.rig.glb->Serial.IsOpen);
  EXPECT_EQ(b.rig.backend->Written(), QByteArray());  // no CR for a waiting bootloader
  EXPECT_TRUE(w->BtSend->isVisible());
  w->BtClose->click();
  EXPECT_FALSE(b.rig.glb->EmergencyMode);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(b.window.isNull());

  TFormloadProg* again = b.Open();
  EXPECT_NE(again, nullptr);
  EXPECT_FALSE(again->BtSend->isVisible());
  // The emergency standard button sets the mode and the emergency button appears.
  b.rig.glb->UserLevel = 2;
  again->BtDefaultNot->click();
  EXPECT_TRUE(b.rig.glb->EmergencyMode);
  EXPECT_TRUE(again->BtSend->isVisibleTo(again));
}

TEST(UploadWindow, AutoButtonWritesTheLogAndTheWindowWillNotCloseMeanwhile) {
  WindowBench b;
  TFormloadProg* w = b.Open();
  w->Memo1->setPlainText("old");
  bool closed = true;
  bool enabled = true;
  b.rig.pump.At(b.rig.pump.NowMs() + 1500, [&] {
    closed = w->close();
    enabled = w->BtAuto->isEnabled();
  });
  w->BtAuto->click();
  EXPECT_FALSE(closed);
  EXPECT_FALSE(enabled);
  EXPECT_TRUE(w->BtAuto->isEnabled());
  const QStringList lines = b.LogLines();
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[0], "orx720nt.h20 : 1 Zeilen geladen");
  EXPECT_EQ(lines[1], "orx720nt.bin : 1 Zeilen geladen");
  EXPECT_EQ(lines[5], "Fertig");
  EXPECT_EQ(lines[7], "Press Key \"F\" on ORX 720");
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 1);
  EXPECT_FALSE(b.window.isNull());
  EXPECT_TRUE(w->close());
}

TEST(UploadWindow, FileWatchUploadsOnceForEveryNewerImage) {
  WindowBench b;
  b.rig.glb->UserLevel = 3;
  TFormloadProg* w = b.Open();
  auto watch = [&] { w->Timer2Timer(); };

  Touch(b.rig.glb->HexFilePath, 10);
  watch();  // the watch is off
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 0);

  w->Btwatch->click();
  ASSERT_TRUE(w->Btwatch->isChecked());
  watch();
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 1);
  EXPECT_TRUE(w->Timer2->isActive());
  watch();  // unchanged since
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 1);

  // Touched again while an upload runs: the next upload follows after it.
  b.rig.pump.At(b.rig.pump.NowMs() + 2000, [&] {
    EXPECT_FALSE(w->Timer2->isActive());
    Touch(b.rig.glb->HexFilePath, 30);
    watch();
  });
  Touch(b.rig.glb->HexFilePath, 20);
  watch();
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 2);
  watch();
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 3);

  // A missing image is ignored and the watch goes on.
  QFile::remove(b.rig.glb->HexFilePath);
  watch();
  EXPECT_EQ(b.rig.instrument.UploadsCompleted(), 3);
  EXPECT_TRUE(w->Timer2->isActive());
  EXPECT_TRUE(Boxes::Shown().empty());
}

TEST(UploadWindow, PlacementIsStoredUnderLoadprog) {
  WindowBench b;
  TFormloadProg* w = b.Open();
  w->resize(500, 400);
  ASSERT_TRUE(w->close());
  EXPECT_TRUE(b.store->ValueExists("Software\\ORX\\Setup720\\loadprog", "NormPos"));
}

TEST(UploadWindow, ToolbarButtonsDoNotOverlap) {
  SimOptions o;
  o.startInBootloader = true;
  WindowBench b(o);
  b.rig.glb->UserLevel = 2;
  b.rig.glb->EmergencyMode = true;
  TFormloadProg* w = b.Open();
  w->BtSend->click();
  EXPECT_TRUE(w->Memo1->toPlainText().contains("Fertig"));
  const QList<QToolButton*> buttons = {w->BtClose, w->BtAuto, w->BtDefault, w->BtDefaultNot,
                                       w->BtSend};
  for (int i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(buttons[i]->size(), QSize(60, 60));
    const QFontMetrics metrics(buttons[i]->font());
    for (const QString& line : buttons[i]->text().split('\n'))
      EXPECT_LE(metrics.horizontalAdvance(line.trimmed()), 56) << line.toStdString();
    EXPECT_TRUE(w->rect().contains(buttons[i]->geometry().translated(w->ToolBar1->pos())));
    if (i > 0) {
      EXPECT_LT(buttons[i - 1]->geometry().right(), buttons[i]->geometry().left());
    }
  }
  EXPECT_GE(w->Memo1->geometry().top(), w->ToolBar1->geometry().bottom());
  // SETUP720_SCREENSHOTS=<folder> keeps a picture of the window.
  const QString shots = qEnvironmentVariable("SETUP720_SCREENSHOTS");
  if (!shots.isEmpty()) {
    EXPECT_TRUE(w->grab().save(shots + "/upload_window.png"));
  }
}
