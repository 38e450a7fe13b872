#pragma once
// TFormALV: the four ALV calibration constants and the serial number, read
// with "R182", "R180", "R181" and written with "W180", "W181", "W182" + the
// store code. Each exchange leaves the port open.
#include <optional>

#include "editors/alv_params.h"
#include "link/child_window.h"

class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

class TFormALV : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormALV(QWidget* parent = nullptr);
  ~TFormALV() override;

  QFrame* Panel1;
  QToolButton* BtExit;
  QToolButton* BtRefresh;
  QToolButton* BtSend;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Labelsernr;  // the "R181" answer as received
  QLineEdit* EditSernr;
  QLineEdit* Editb;
  QLineEdit* EditA;
  QLineEdit* EditK1;
  QLineEdit* Editk2;

  // The values the fields stand for, typed text taken over and limited.
  AlvParams Params();
  // The serial field's text, 9 characters ("KR  -    " when empty).
  Text SerialFieldText() const;

 public slots:
  void BtRefreshClick();
  void BtSendClick();

 protected:
  bool CanClose() override;

 private:
  void ShowParams(const AlvParams& params);
  void TakeTypedValues();
  // The window's part around an exchange (alv_exchange.h): controls off and
  // the busy cursor; afterwards a time-out is shown.
  void CommonStart();
  void CommonEnd();

  AlvParams params_;
  // Fields typed into since they were last filled; the others keep their
  // value with all its decimals.
  bool typedB_ = false, typedA_ = false, typedK1_ = false, typedK2_ = false;
  bool exchanging_ = false;
  bool timedOut_ = false;
  char separator_ = ',';
};

// Opens the window (or brings it to the front) and reads the instrument.
TFormALV* OpenFormALV();
