#include "diagnose_window.h"

#include <QFontDatabase>
#include <QFrame>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TFormDiagnose::TFormDiagnose(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Glb");
  setWindowTitle("Diagnose");
  setGeometry(447, 173, 373, 327);

  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(51);
  Panel1->setFrameShape(QFrame::StyledPanel);

  memo1 = new QPlainTextEdit(this);
  memo1->setObjectName("memo1");
  memo1->setReadOnly(true);
  memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font("Courier New", 8);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  memo1->setFont(font);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(memo1);
}

void TFormDiagnose::AddLine(const Text& line) {
  memo1->appendPlainText(ToQt(line));
}
