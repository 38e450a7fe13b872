#pragma once
// TFormOption1: the service staff's options window. It reads the option
// record only to check it and to show the serial number, and edits and sends
// back only the display and printout lists.
#include <cstdint>

#include "editors/option_window.h"

class TFormOption1 : public TOptionFormBase {
  Q_OBJECT
 public:
  explicit TFormOption1(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;  // "Seriennummer"
  MessageTable* StrOpt1 = nullptr;

  // The device type of the last valid record; it is never sent from here.
  int32_t TypeNumber() const { return typeNumber_; }

 public slots:
  void BtReceiveClick() override;
  void BtSendClick() override;
  void EditSernrChange();

 protected:
  void FirstShown() override;

 private:
  int32_t typeNumber_ = 0;
};

TFormOption1* OpenFormOption1();
