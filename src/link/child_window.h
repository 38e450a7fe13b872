#pragma once
// What every editor and tool window shares: it exists at most once, is shown
// as a child of the main window's workspace (or on its own where there is
// none, as in tests), translates itself when shown, restores and saves its
// placement, refuses to close while it is transferring (TransferBusy), and is
// destroyed when closed.
#include <functional>

#include <QPointer>
#include <QStyle>
#include <QWidget>

#include "util/placement.h"
#include "util/text.h"

// The main window's side: where child windows go.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // Adds the window to the workspace (an MDI child) and shows it.
  virtual void AddChild(QWidget* window) = 0;
  // Brings an existing child to the front.
  virtual void Activate(QWidget* window) = 0;
};
void SetWindowHost(WindowHost* host);
WindowHost* CurrentWindowHost();

class TChildForm : public QWidget {
  Q_OBJECT
 public:
  // key/subkey: where the placement is stored in the settings store
  // ("Software\ORX\Setup720", "Drucker"); an empty key stores none.
  TChildForm(const char* objectName, const Text& placementKey, const Text& placementSubkey,
             QWidget* parent = nullptr);
  ~TChildForm() override;

  // Component properties stored with the placement (list widths, file names).
  void AddPlacementProperty(PlacementProperty property) { extra_.append(std::move(property)); }

  // Shows the window in the host's workspace, or as a window of its own.
  void ShowInHost();
  // The widget whose geometry counts: the MDI sub-window when there is one.
  QWidget* Frame();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The window may veto its closing (default: not while TransferBusy).
  virtual bool CanClose();
  // Runs once, the first time the window is shown, after translation and
  // placement (the options editors start their one-shot read timer here).
  virtual void FirstShown() {}
  void SavePlacementNow();
  // The developer tools are not reached by the language files.
  void SetTranslated(bool on) { translated_ = on; }

 private:
  Text key_;
  Text subkey_;
  QList<PlacementProperty> extra_;
  bool shownOnce_ = false;
  bool saved_ = false;
  bool translated_ = true;
};

class QToolButton;

// A 60 x 60 toolbar button with its caption under the icon; the font shrinks
// until the longest caption line fits, so no caption is elided.
QToolButton* ToolbarButton(QWidget* owner, const char* name, const Text& caption,
                            const Text& hint, QStyle::StandardPixmap icon);

// Opens a window that exists at most once: creates it on first use (make()),
// otherwise brings it to the front. Returns the window.
template <typename T>
T* OpenSingle(QPointer<T>& slot, const std::function<T*()>& make) {
  if (slot) {
    if (WindowHost* host = CurrentWindowHost()) host->Activate(slot);
    else {
      slot->show();
      slot->raise();
      slot->activateWindow();
    }
    return slot;
  }
  slot = make();
  slot->ShowInHost();
  return slot;
}
