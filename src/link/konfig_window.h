#pragma once
// TFormKonfig: the port configuration window. Created at start and kept; the
// main window's "Konfiguration" item runs it modally through
// ShowPortConfiguration(). The logic lives in configuration.h.
#include <functional>

#include <QDialog>
#include <QPoint>

#include "configuration.h"
#include "util/msgtable.h"
#include "util/text.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// What the window needs from the layers above it; the main window sets these.
struct KonfigHooks {
  // Shows the information text next to a screen point (the information list
  // window); empty: an information box.
  std::function<void(QPoint at, const Text& text)> ShowInfoList;
  // Shows or hides the main window's ProgressBar1 and status label Label1.
  std::function<void(bool visible)> ShowStatusPanel;
};
KonfigHooks& KonfigWindowHooks();

class TFormKonfig : public QDialog {
  Q_OBJECT
 public:
  explicit TFormKonfig(QWidget* parent = nullptr);
  ~TFormKonfig() override;

  // Puts a port list into sEditComport (no entry chosen) and Label2.
  void ShowPortList(const PortList& list);
  // The COM number of the chosen entry; 0 when none is chosen.
  int32_t ChosenPort() const;
  // The strinfo text, joined with line breaks.
  Text InfoText() const;

  int32_t UsbPort = 0;
  bool UsbFound = false;

  QLabel* Label2 = nullptr;
  QComboBox* sEditComport = nullptr;
  QPushButton* BtVerbTest = nullptr;
  QPushButton* BtVerbSuchen = nullptr;
  QToolButton* imageinfo = nullptr;
  QCheckBox* CBAutocheck = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* EditHexFile = nullptr;
  QToolButton* BtHexFile = nullptr;
  QLabel* Label3 = nullptr;
  QToolButton* BtCancel = nullptr;
  QToolButton* BtOK = nullptr;
  MessageTable* strinfo = nullptr;

 public slots:
  void BtVerbTestClick();
  void BtVerbSuchenClick();
  void imageinfoClick();
  void BtHexFileClick();
  void BtOKClick();
  void BtCancelClick();

 public:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Centre();
  void FillControls();

  PortList list_;
  bool listShown_ = false;
};

// The window, created on first use (with parent) and kept.
TFormKonfig* FormKonfig(QWidget* parent = nullptr);
// Lists the ports, runs the window until OK or Cancel, applies an OK and
// reopens the port in every case.
void ShowPortConfiguration();
