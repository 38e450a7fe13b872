#pragma once
// TFormSprache: reads the instrument's language table ("R140") and sets the
// language its display uses ("W140" + number).
#include <QTimer>

#include "link/child_window.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;

class TFormSprache : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormSprache(QWidget* parent = nullptr);

  QToolButton* BtClose;
  QToolButton* Btholen;
  QToolButton* BtSend;
  QLabel* Label1;
  QLabel* Label2;
  QListWidget* ListBoxSprache;
  QLineEdit* EditSpracheakt;
  QTimer* Timerdelay;  // one shot, 400 ms: reads the table after opening and after a change

 public slots:
  void TimerdelayTimer();
  void BtholenClick();  // reads the language table
  void BtSendClick();   // also the list's double click

 protected:
  bool CanClose() override;

 private:
  void SetExchanging(bool on);
  bool exchanging_ = false;
  bool sendEnabled_ = false;
};

// Does nothing at all (returns the window if there is one) while the command
// channel is taken; otherwise opens the window and restarts its delay timer.
TFormSprache* OpenFormSprache();
