#pragma once
// A small developer window that sends one command and shows the answer
// lines; it stands in until the main window's menus exist.
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class TGlb;

class TFormDevConsole : public QWidget {
  Q_OBJECT
 public:
  explicit TFormDevConsole(TGlb* glb, QWidget* parent = nullptr);

 private:
  void SendOne();
  TGlb* glb_;
  QLineEdit* command_;
  QPlainTextEdit* output_;
};
