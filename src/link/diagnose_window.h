#pragma once
// The "Diagnose" window: shows the command channel's log, and the channel
// logs only while the window is visible.
#include <QWidget>

#include "glb.h"

class QPlainTextEdit;
class QFrame;

class TFormDiagnose : public QWidget, public DiagnoseLog {
  Q_OBJECT
 public:
  explicit TFormDiagnose(QWidget* parent = nullptr);

  bool Logging() const override { return isVisible(); }
  void AddLine(const Text& line) override;

  QPlainTextEdit* memo1 = nullptr;
  QFrame* Panel1 = nullptr;
};
