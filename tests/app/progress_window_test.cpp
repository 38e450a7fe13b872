// The progress window of the transfers.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

#include "app/progress_window.h"

TEST(ProgressWindow, PrepareShowsTheBarAndStepShowsTheWindow) {
  TFormMInfo w;
  EXPECT_EQ(w.objectName(), "FormMInfo");
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
  QLabel* label = w.findChild<QLabel*>("LabelInfo");
  QProgressBar* bar = w.findChild<QProgressBar*>("Progress");
  ASSERT_TRUE(label && bar);
  EXPECT_EQ(label->text(), "- - - ");
  EXPECT_TRUE(label->isVisibleTo(&w));
  EXPECT_FALSE(bar->isVisibleTo(&w));

  w.Prepare(10);
  EXPECT_FALSE(w.isVisible()) << "Prepare alone shows nothing";
  EXPECT_FALSE(label->isVisibleTo(&w));
  EXPECT_TRUE(bar->isVisibleTo(&w));
  EXPECT_EQ(bar->maximum(), 10);

  w.Step(4);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(bar->value(), 4);
  w.Step(13);  // past the end: full
  EXPECT_EQ(bar->value(), 10);

  w.Close();
  EXPECT_FALSE(w.isVisible());
  w.Prepare(256);
  EXPECT_EQ(bar->value(), 0) << "a new transfer starts empty";
}
