#pragma once
// TFormDrucker ("Druckertexte"): the three header and three footer lines of
// the instrument's printouts. They live in the text memory in six slots of 25
// bytes (24 characters padded with blanks, then a zero byte), as Windows-1252
// bytes without any conversion. Every successful read also saves the first
// 256 bytes of the text memory as the user data image, which the firmware
// upload writes back so that the printer texts survive an update.
#include <cstdint>

#include <QList>

#include "link/child_window.h"
#include "util/dialogs.h"
#include "util/text.h"

class MessageTable;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

// ---- the printer texts without widgets ----

inline constexpr int32_t kPrinterLines = 6;
inline constexpr int32_t kPrinterLineWidth = 24;
inline constexpr int32_t kPrinterSlotSize = 25;
inline constexpr int32_t kUserImageSize = 256;

// The text without its trailing blanks and control characters (codes up to 32).
Text TrimTrailing(const Text& text);
// The six lines from a text memory image (short images give empty lines).
QList<Text> PrinterTextsFromMemory(const QByteArray& memory);
// Puts the six lines into their slots (cut or padded to 24, zero byte after
// each) and returns the offset of the last zero byte, the length to write.
// memory is grown with blanks to hold all six slots.
int32_t PutPrinterTexts(QByteArray& memory, const QList<Text>& lines);
// The six lines of a printer text file (missing lines empty, later ones
// ignored, trailing blanks and control characters removed).
QList<Text> PrinterTextsFromFile(const QByteArray& content);
// Six lines ended by CR LF, each as given.
QByteArray PrinterTextFile(const QList<Text>& lines);
// Where the user data image goes: userBinPath, or the program folder with
// its file name when its folder does not exist (the default name when it
// has none).
QString UserImageTarget(const QString& userBinPath, const QString& programDir);

// The exchanges of the window without it (the window, the upload's printer
// backup on the command line). The caller has checked the connection.
// Reads the text memory and, on success, saves the user data image; sets
// Glb->PrinterReadFailed to the outcome. A user data image that cannot be
// written is shown and the configuration repaired; the read still counts.
bool ReadPrinterMemory();
// The last ReadPrinterMemory saved its user data image. An upload needs it:
// without the saved image the merge would send none, or an older one.
bool UserImageSaved();
// Writes the first 256 bytes of the text memory to the user data image
// (UserImageTarget becomes Glb->UserBinPath). False when it failed.
bool SaveUserDataImage();
// Puts the six lines into the blank text memory and writes it.
bool WritePrinterMemory(const QList<Text>& lines);

// ---- the window ----

class TFormDrucker : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormDrucker(QWidget* parent = nullptr);
  ~TFormDrucker() override;

  // BtReceive: reads the six lines from the instrument and saves the user
  // data image. Clears Glb->PrinterReadFailed when it starts and leaves it
  // set when the read did not succeed (also when no instrument answered or
  // another transfer was running). After a failed read below level 2 the
  // window closes itself (Closing() is then true). Returns success.
  bool ReadFromInstrument();
  // BtSend. Returns success ("Sendefehler" shown otherwise).
  bool WriteToInstrument();
  // BtLoad / BtStore / BtClear.
  void LoadFromFile();
  void StoreToFile();
  void ClearFields();

  // The six field texts, header lines first.
  QList<Text> Lines() const;
  void SetLines(const QList<Text>& lines);
  QLineEdit* Edit(int32_t slot) const;
  // True once the window has accepted its closing (it is deleted later).
  bool Closing() const { return closing_; }

  QToolButton* BtClose;
  QToolButton* BtClear;
  QToolButton* BtLoad;
  QToolButton* BtStore;
  QToolButton* BtSend;
  QToolButton* BtReceive;
  QGroupBox* GroupKopf;
  QGroupBox* GroupFuss;
  MessageTable* StrDrucker;
  TFileDialog OpenDialog;
  TFileDialog SaveDialog;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetTransferring(bool on);
  QLineEdit* edits_[kPrinterLines] = {};
  bool closing_ = false;
  bool reading_ = false;
};

// Opens the window (created on first use, otherwise brought to the front) and
// reads from the instrument, so opening it again discards unsent edits. The
// window itself, or null when it closed itself after a failed read. Test
// Glb->PrinterReadFailed for the outcome of the read.
TFormDrucker* OpenFormDrucker();
// The open window, or null.
TFormDrucker* FormDrucker();
