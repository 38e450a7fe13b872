#pragma once
// TFormMInfo: the small borderless progress window shown while the memory
// transfers and the firmware upload run.
#include <QWidget>

#include "link/glb.h"

class QFrame;
class QLabel;
class QProgressBar;

class TFormMInfo : public QWidget, public ProgressSink {
  Q_OBJECT
 public:
  explicit TFormMInfo(QWidget* parent = nullptr);

  // ProgressSink
  void Prepare(int32_t maximum) override;
  void Step(int32_t position) override;
  void Close() override;

  QLabel* LabelInfo() const { return labelInfo_; }
  QProgressBar* Progress() const { return progress_; }

 private:
  void Centre();

  QFrame* panel_;
  QLabel* labelInfo_;
  QProgressBar* progress_;
};
