#pragma once
// The small information windows: the information box ("Info"), the note
// window next to a point of the screen ("Setup 720 Info") and the terms of
// use that must be accepted before the tool is used.
#include <functional>

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>

#include "util/report_print.h"
#include "util/text.h"

class QFontMetrics;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

// ---- information box ----

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  // Shows the lines (the last one at the top) and waits until the box is closed.
  int Show(const QList<Text>& lines);

  QListWidget* ListBox() const { return listBox_; }

  // The list's tab stops: every 80 dialog units of its font, in pixels.
  static int TabStopPixels(const QFont& font);
  // Where the tab-separated pieces of a line are drawn: each tab moves to the
  // next tab stop after the text before it.
  struct Piece {
    int x;
    QString text;
  };
  static QList<Piece> LayoutTabs(const QString& line, const QFontMetrics& metrics, int tabStop);

  static constexpr int kLineHeight = 16;

 public slots:
  void ListBoxClick(QListWidgetItem* item);

 private:
  QListWidget* listBox_;
  QFrame* strip_;
  QPushButton* okButton_;
};

// A new box for every showing, released afterwards.
void ShowAboutBox(const QList<Text>& lines);

// ---- information list ----

class TFormInfolist : public QDialog {
  Q_OBJECT
 public:
  explicit TFormInfolist(QWidget* parent = nullptr);

  // Shows text next to the screen point (x, y) and waits until the window is closed.
  int ShowAt(int x, int y, const Text& text);

  // The window's place for a click point and the size of its text.
  static QRect Placement(int x, int y, QSize labelSize);

  QLabel* Label1() const { return label1_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Arrange();

  QFrame* panel1_;
  QFrame* panel2_;
  QLabel* label1_;
  QWidget* image1_;
  QPushButton* btOK_;
  int okRightGap_ = 0;
};

// The one information list, created at start (or on first use).
TFormInfolist* FormInfolist();
// Shows text next to a screen point in the information list.
void ShowInfoList(int x, int y, const Text& text);

// ---- disclaimer ----

class TFormDisclaim : public QDialog {
  Q_OBJECT
 public:
  explicit TFormDisclaim(QWidget* parent = nullptr);
  ~TFormDisclaim() override;

  // Shows the window and waits until it is closed. True when the tool may be used.
  bool Execute();
  // Whether the last closing lets the tool go on.
  bool Continues() const { return continues_; }

  static QList<Text> TermsLines();
  // The print request for the program folder and the interface language.
  static ReportPrintRequest PrintRequest(const QString& programDir, const Text& languageName);

  QListWidget* ListBox1() const { return listBox1_; }
  QLabel* Label1() const { return label1_; }
  QLineEdit* Edit1() const { return edit1_; }
  QPushButton* BtDisclaimOK() const { return btDisclaimOK_; }
  QToolButton* BtPrint() const { return btPrint_; }

 public slots:
  void Edit1Change();
  void BtDisclaimOKClick();
  void BtPrintClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  QListWidget* listBox1_;
  QLabel* label1_;
  QLineEdit* edit1_;
  QPushButton* btDisclaimOK_;
  QToolButton* btPrint_;
  bool byButton_ = false;
  bool continues_ = false;
};

// The disclaimer window, or null while it was never needed (the window-exists flag).
TFormDisclaim* FormDisclaim();
// Creates the window on first use, restores it if minimised and shows it
// until it is closed. False when the user declined: the main window is then
// closed as well (queued, through the closer below).
bool OpenDisclaimer();
// Ends the window at the end of the tool.
void CloseDisclaimer();
// How declining closes the main window; the main window sets it. Without one,
// the language manager's main window is closed.
void SetMainWindowCloser(std::function<void()> closer);
