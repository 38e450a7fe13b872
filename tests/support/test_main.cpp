// Test main: a headless QApplication, every message box answered by Boxes and
// every file dialog and input box by Dialogs, every modal window by Modals.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "test_support.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                   : qgetenv("QT_QPA_PLATFORM"));
  // The settings store of a test run is its own, never the user's.
  QTemporaryDir settings;
  if (qEnvironmentVariableIsEmpty("SETUP720_REGISTRY"))
    qputenv("SETUP720_REGISTRY", (settings.path() + "/registry.ini").toLocal8Bit());
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  Boxes::Install();
  Dialogs::Install();
  Modals::Install();
  return RUN_ALL_TESTS();
}
