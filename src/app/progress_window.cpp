#include "progress_window.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// Lets the bar repaint without handling clicks that could start another
// exchange in the middle of this one.
void LetPendingEventsRun() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

TFormMInfo::TFormMInfo(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("FormMInfo");
  resize(300, 44);

  panel_ = new QFrame(this);
  panel_->setObjectName("Panel1");
  panel_->setFrameShape(QFrame::Panel);
  panel_->setFrameShadow(QFrame::Sunken);
  panel_->setLineWidth(2);

  labelInfo_ = new QLabel("- - - ", panel_);
  labelInfo_->setObjectName("LabelInfo");
  labelInfo_->setAlignment(Qt::AlignCenter);

  progress_ = new QProgressBar(panel_);
  progress_->setObjectName("Progress");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->hide();

  // The label and the bar share one place; only one of them is visible.
  auto* place = new QGridLayout(panel_);
  place->setContentsMargins(6, 6, 6, 6);
  place->addWidget(labelInfo_, 0, 0);
  place->addWidget(progress_, 0, 0);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(panel_);
}

void TFormMInfo::Centre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect box = frameGeometry();
  box.moveCenter(screen->availableGeometry().center());
  move(box.topLeft());
}

void TFormMInfo::Prepare(int32_t maximum) {
  labelInfo_->hide();
  progress_->show();
  progress_->setRange(0, std::max<int32_t>(maximum, 0));
  progress_->setValue(0);
  LetPendingEventsRun();
}

void TFormMInfo::Step(int32_t position) {
  if (!isVisible()) {
    Centre();
    show();
  }
  // Positions past the end leave the bar full.
  progress_->setValue(std::clamp(position, progress_->minimum(), progress_->maximum()));
  LetPendingEventsRun();
}

void TFormMInfo::Close() { hide(); }
