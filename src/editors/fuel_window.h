#pragma once
// TFormBrennstoffe: the alternative fuel table at instrument address FF8000.
// Reads it (header, then the table), saves and loads the image as a ".bin"
// file and writes it back; the table itself is moved unchanged.
#include "link/child_window.h"
#include "util/dialogs.h"
#include "util/text.h"

class QPlainTextEdit;
class QToolButton;

class TFormBrennstoffe : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormBrennstoffe(QWidget* parent = nullptr);
  ~TFormBrennstoffe() override;

  QToolButton* BtClose;
  QToolButton* BtClear;
  QToolButton* BtLoad;
  QToolButton* BtStore;
  QToolButton* BtSend;
  QToolButton* BtReceive;
  QPlainTextEdit* Memo;  // the protocol
  TFileDialog OpenDialog;
  TFileDialog SaveDialog;

  // Header, then table; true when an installed table was read.
  bool ReceiveSequence();

 public slots:
  void BtReceiveClick();
  void BtSendClick();
  void BtLoadClick();
  void BtStoreClick();
  void BtClearClick();

 protected:
  bool CanClose() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void AddLine(const Text& line);
  void SetExchanging(bool on);
  bool exchanging_ = false;
  bool sendEnabled_ = true;
};

TFormBrennstoffe* OpenFormBrennstoffe();
