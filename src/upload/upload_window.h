#pragma once
// TFormloadProg, the upload window ("Programm laden"): one button per start
// variant, a file watch that uploads whenever the program image changes, and
// the read-only log the upload writes into. The sequence itself lives in
// bootloader.h.
#include <QDateTime>
#include <QPointer>

#include "bootloader.h"
#include "link/child_window.h"

class QPlainTextEdit;
class QTimer;
class QToolButton;
class QWidget;

class TFormloadProg : public TChildForm, public UploadLog {
  Q_OBJECT
 public:
  explicit TFormloadProg(QWidget* parent = nullptr);
  ~TFormloadProg() override;

  // UploadLog
  void Clear() override;
  void AddLine(const Text& line) override;

  // The caption: StrLaden[1] + " [ " + HexFileName + " ]".
  Text CaptionText() const;
  TUploadSequence& Sequence() { return sequence_; }
  const QDateTime& LastFileStamp() const { return stamp_; }

  QWidget* ToolBar1 = nullptr;
  QToolButton* BtClose = nullptr;
  QToolButton* BtAuto = nullptr;
  QToolButton* BtDefault = nullptr;
  QToolButton* BtDefaultNot = nullptr;
  QToolButton* BtSend = nullptr;
  QToolButton* Btwatch = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QTimer* Timer1 = nullptr;  // caption, every second
  QTimer* Timer2 = nullptr;  // file watch, every second
  MessageTable* StrLaden = nullptr;

 public slots:
  void BtCloseClick();
  void BtAutoClick();
  void BtDefaultClick();
  void BtDefaultNotClick();
  void BtSendClick();
  void Timer1Timer();
  void Timer2Timer();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool CanClose() override;

 private:
  void ApplyVisibility();
  // Runs a start variant with the start buttons disabled meanwhile.
  void Run(bool (TUploadSequence::*variant)());
  void BringToFront();

  TUploadSequence sequence_;
  QDateTime stamp_;
};

// Opens the upload window (or brings it to the front); with EmergencyMode set
// it shows the emergency button.
TFormloadProg* OpenFormloadProg();
// The main window's "Not laden": sets EmergencyMode, opens the port without
// the CR (the instrument waits in its bootloader) and opens the window.
TFormloadProg* OpenFormloadProgEmergency();
