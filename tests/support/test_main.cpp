// Test main: a headless QApplication, and every message box answered by Boxes.
#include <gtest/gtest.h>

#include <QApplication>

#include "test_support.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                   : qgetenv("QT_QPA_PLATFORM"));
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  Boxes::Install();
  return RUN_ALL_TESTS();
}
