#include <gtest/gtest.h>

#include <memory>

#include <QListWidget>
#include <QWidget>

#include "test_support.h"
#include "util/inifile.h"
#include "util/placement.h"
#include "util/settings_store.h"

namespace {

const Text kKey = "Software\\ORX\\Setup720";

// A window like the options editor: a list whose width is stored too.
struct OptionWindow {
  OptionWindow() : window(new QWidget) {
    window->setObjectName("FormOption");
    list = new QListWidget(window.get());
    list->setObjectName("list_dw1");
  }
  std::unique_ptr<QWidget> window;
  QListWidget* list;
};

TEST(PlacementTest, StoreRoundTripWithComponentProperties) {
  TempDir dir;
  SettingsStore store(dir.File("registry.ini"));
  QString lastFile = "/daten/BRN_7.bin";
  {
    OptionWindow w;
    w.window->setGeometry(50, 60, 300, 200);
    w.list->resize(120, 80);
    ASSERT_TRUE(SavePlacement(w.window.get(), store, kKey, "Option",
                              {WidthProperty(w.list), TextProperty("OpenDialog", "FileName", &lastFile)}));
  }
  const Text key = kKey + "\\Option";
  SettingsStore reread(dir.File("registry.ini"));
  EXPECT_EQ(reread.ReadString(key, "NormPos"), "50,60,350,260");
  EXPECT_EQ(reread.ReadString(key, "ShowCmd"), "1");
  EXPECT_EQ(reread.ReadString(key, "Flags"), "0");
  EXPECT_EQ(reread.ReadString(key, "MinMaxPos"), "-1,-1,-1,-1");
  EXPECT_TRUE(reread.ValueExists(key, "PixelsPerInch"));
  EXPECT_EQ(reread.ReadString(key, "list_dw1_Width"), "120");
  EXPECT_EQ(reread.ReadString(key, "OpenDialog_FileName"), "/daten/BRN_7.bin");

  OptionWindow w;
  w.window->setGeometry(0, 0, 100, 100);
  QString restoredFile;
  ASSERT_TRUE(RestorePlacement(w.window.get(), reread, kKey, "Option",
                               {WidthProperty(w.list), TextProperty("OpenDialog", "FileName", &restoredFile)}));
  EXPECT_EQ(w.window->geometry(), QRect(50, 60, 300, 200));
  EXPECT_EQ(w.list->width(), 120);
  EXPECT_EQ(restoredFile, "/daten/BRN_7.bin");
  EXPECT_FALSE(w.window->windowState() & Qt::WindowMaximized);
}

TEST(PlacementTest, MaximisedWindowKeepsItsNormalRectangle) {
  TempDir dir;
  SettingsStore store(dir.File("registry.ini"));
  {
    QWidget window;
    window.setGeometry(30, 40, 200, 150);
    window.setWindowState(Qt::WindowMaximized);
    ASSERT_TRUE(SavePlacement(&window, store, kKey, "Main"));
  }
  EXPECT_EQ(store.ReadString(kKey + "\\Main", "ShowCmd"), "3");
  EXPECT_EQ(store.ReadString(kKey + "\\Main", "NormPos"), "30,40,230,190");
  QWidget window;
  ASSERT_TRUE(RestorePlacement(&window, store, kKey, "Main"));
  EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(window.normalGeometry(), QRect(30, 40, 200, 150));
}

TEST(PlacementTest, IniTargetForTheRegionWindow) {
  TempDir dir;
  const QString ini = dir.File("Setup720.INI");
  {
    IniFile other(ini);
    other.WriteString("KONFIG", "Region", "3");
    ASSERT_TRUE(other.UpdateFile());
  }
  {
    QWidget window;
    window.setFixedSize(263, 247);
    window.move(70, 80);
    ASSERT_TRUE(SavePlacement(&window, ini, "TFormRegion"));
  }
  const IniFile reread(ini);
  EXPECT_EQ(reread.ReadString("TFormRegion", "NormPos", ""), "70,80,333,327");
  EXPECT_EQ(reread.ReadString("KONFIG", "Region", ""), "3");  // the rest of the file stays

  QWidget window;
  window.setFixedSize(263, 247);
  ASSERT_TRUE(RestorePlacement(&window, ini, "TFormRegion"));
  EXPECT_EQ(window.pos(), QPoint(70, 80));
  EXPECT_EQ(window.size(), QSize(263, 247));
  EXPECT_FALSE(RestorePlacement(&window, ini, "Other"));
}

TEST(PlacementTest, UnusableStoredValuesLeaveTheWindowAlone) {
  TempDir dir;
  SettingsStore store(dir.File("registry.ini"));
  const struct {
    const char* normPos;
    bool placed;
    QRect expected;
  } cases[] = {
      {"a,b,c,d", false, QRect(5, 6, 70, 80)},
      {"1,2,3", false, QRect(5, 6, 70, 80)},
      {"1,2,3,4,5", false, QRect(5, 6, 70, 80)},
      {"100,100,50,50", false, QRect(5, 6, 70, 80)},  // right before left
      {"2147483647,0,-2147483648,5", false, QRect(5, 6, 70, 80)},
      {"0,0,99999999,10", false, QRect(5, 6, 70, 80)},
      {"", false, QRect(5, 6, 70, 80)},
      // far off every screen: the size is taken, the position is not
      {"90000,90000,90100,90040", true, QRect(5, 6, 100, 40)},
      {" 10 , 20 , 110 , 70 ", true, QRect(10, 20, 100, 50)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(store.WriteString(kKey + "\\Drucker", "NormPos", c.normPos));
    QWidget window;
    window.setGeometry(5, 6, 70, 80);
    EXPECT_EQ(RestorePlacement(&window, store, kKey, "Drucker"), c.placed) << c.normPos;
    EXPECT_EQ(window.geometry(), c.expected) << c.normPos;
  }
  QWidget window;
  EXPECT_FALSE(RestorePlacement(&window, store, kKey, "Missing"));
}

}  // namespace
