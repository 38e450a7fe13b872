#pragma once
// TFormEEprom: the first 256 bytes of the instrument's parameter memory as an
// editable hex dump; read, write back, compare, save and load ".dat" files.
#include <vector>

#include "link/child_window.h"
#include "util/dialogs.h"
#include "util/text.h"

class MessageTable;
class QPlainTextEdit;
class QToolButton;

class TFormEEprom : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormEEprom(QWidget* parent = nullptr);
  ~TFormEEprom() override;

  QToolButton* BtClose;
  QToolButton* BtLoad;
  QToolButton* BtStore;
  QToolButton* BtSend;
  QToolButton* BtReceive;
  QToolButton* BtVergleichen;
  QPlainTextEdit* Memo1;  // the dump
  MessageTable* StrHolderEEP;
  TFileDialog OpenDialog;
  TFileDialog SaveDialog;
  // Serial text of the last successful read; the name a saved file is given.
  Text SerialText;

  std::vector<Text> DumpLines() const;
  void SetDumpLines(const std::vector<Text>& lines);

 public slots:
  void BtReceiveClick();
  void BtSendClick();
  void BtVergleichenClick();
  void BtStoreClick();
  void BtLoadClick();

 protected:
  bool CanClose() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetTitleText(const Text& text);
  void SetExchanging(bool on);
  // The dump's bytes, or nothing after the syntax message was shown.
  std::optional<QByteArray> CheckedDump();
  bool exchanging_ = false;
};

// Opens the window (or brings it to the front) and reads the instrument.
TFormEEprom* OpenFormEEprom();
