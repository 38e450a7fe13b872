#include "child_window.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

#include "glb.h"
#include "lang/translate.h"

namespace {
WindowHost* g_host = nullptr;
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
