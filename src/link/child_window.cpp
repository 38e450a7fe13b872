#include "child_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFontMetrics>
#include <QToolButton>
#include <QMdiSubWindow>

#include "glb.h"
#include "lang/translate.h"

namespace {
WindowHost* g_host = nullptr;
constexpr int kCaptionWidth = 56;
}

void SetWindowHost(WindowHost* host) { g_host = host; }
WindowHost* CurrentWindowHost() { return g_host; }

TChildForm::TChildForm(const char* objectName, const Text& placementKey,
                       const Text& placementSubkey, QWidget* parent)
    : QWidget(parent), key_(placementKey), subkey_(placementSubkey) {
  setObjectName(QString::fromLatin1(objectName));
  setAttribute(Qt::WA_DeleteOnClose);
}

TChildForm::~TChildForm() { SavePlacementNow(); }

QWidget* TChildForm::Frame() {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) return sub;
  return this;
}

void TChildForm::ShowInHost() {
  if (g_host) g_host->AddChild(this);
  else show();
}

void TChildForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (translated_) TranslateWindow(this);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (Glb && !key_.isEmpty()) RestorePlacement(Frame(), Glb->Store(), key_, subkey_, extra_);
  FirstShown();
}

bool TChildForm::CanClose() { return !(Glb && Glb->TransferBusy); }

void TChildForm::closeEvent(QCloseEvent* event) {
  if (!CanClose()) {
    event->ignore();
    return;
  }
  SavePlacementNow();
  event->accept();
}

void TChildForm::SavePlacementNow() {
  if (saved_ || !shownOnce_ || !Glb || key_.isEmpty()) return;
  saved_ = true;
  SavePlacement(Frame(), Glb->Store(), key_, subkey_, extra_);
}

QToolButton* ToolbarButton(QWidget* owner, const char* name, const Text& caption, const Text& hint,
                            QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(owner);
  button->setObjectName(name);
  button->setText(ToWidgetText(caption));
  button->setToolTip(ToWidgetText(hint));
  button->setIcon(owner->style()->standardIcon(icon));
  button->setIconSize(QSize(20, 20));
  button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setFixedSize(60, 60);
  // The longest caption line must fit the 60 pixels, or the button elides it.
  QFont font = button->font();
  font.setPointSizeF(std::min<qreal>(font.pointSizeF(), 8.0));
  auto widest = [&] {
    int width = 0;
    for (const QString& line : button->text().split(QLatin1Char('\n')))
      width = std::max(width, QFontMetrics(font).horizontalAdvance(line));
    return width;
  };
  while (widest() > kCaptionWidth && font.pointSizeF() > 6.0) font.setPointSizeF(font.pointSizeF() - 0.5);
  button->setFont(font);
  return button;
}
