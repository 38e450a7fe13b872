#pragma once
// TFormTerminal: raw command lines to the instrument. The window only writes;
// the command channel's terminal loop (TGlb::Timer1Timer) appends every line
// received to Memo1 as "> " + line while the terminal holds the port.
#include "link/child_window.h"
#include "util/text.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The repeat flag: false at start, set only by the (hidden) check box, never
// reset by the window.
extern bool TerminalRepeat;

class TFormTerminal : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormTerminal(QWidget* parent = nullptr);
  ~TFormTerminal() override;

  QPlainTextEdit* Memo1;
  QComboBox* EditInput;  // editable; its list is the history, newest first
  QPushButton* BtSenden;
  QPushButton* ButtonSERVICE;
  QCheckBox* CheckBox1;  // repeat mode, not visible
  QTimer* Timer1;        // 100 ms: input only while the terminal holds the port

  // The opening's step: checks the connection and hands Memo1 to the
  // terminal loop, which takes the port at its next tick.
  void Activate();

 public slots:
  void BtSendenClick();
  void ButtonSERVICEClick();
  void CheckBox1Click();
  void Timer1Timer();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Detach();
  bool detached_ = false;
  bool repeating_ = false;
};

TFormTerminal* OpenFormTerminal();
