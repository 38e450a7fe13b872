#pragma once
// TFormTextEdit: a plain-text editor shown as a dialog that blocks the other
// windows until it is closed (the "Readme" of the program folder). Created for
// each use and destroyed after it. Closing after a change offers to save;
// the file is replaced whole, with CR LF line ends.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QToolButton;

class TFormTextEdit : public QDialog {
  Q_OBJECT
 public:
  explicit TFormTextEdit(QWidget* parent = nullptr);
  ~TFormTextEdit() override;

  // Sets the file path and caption and loads the file; a file that cannot be
  // read gives the error box and an empty editor. False in that case.
  bool OpenFile(const QString& path);
  bool Modified() const;
  // Writes the lines to FilePath; false (with the error box) when that failed.
  bool SaveFile();

  QString FilePath;
  QPlainTextEdit* memotext;
  QToolButton* RxSpExit;

 public slots:
  void reject() override;  // Escape closes as the close box does

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The question on closing; false keeps the window open (the save failed).
  bool ConfirmClose();
  void SavePlacementOnce();

  bool confirmed_ = false;
  bool shownOnce_ = false;
  bool placementSaved_ = false;
};

// Opens path in the editor and returns when the editor has been closed.
void EditTextFile(const QString& path);
// The program folder's "Readme.txt".
void OpenFormTextEdit();
