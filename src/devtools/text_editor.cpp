#include "text_editor.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "lang/language_file.h"
#include "link/glb.h"
#include "util/dialogs.h"
#include "util/files.h"
#include "util/msgbox.h"
#include "util/placement.h"

namespace {

const Text kPlacementKey = "Software\\ORX\\TQN";
const Text kPlacementSubkey = "Textedit";

QFont EditorFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(13);
  return font;
}

}  // namespace

TFormTextEdit::TFormTextEdit(QWidget* parent) : QDialog(parent) {
  setObjectName("FormTextEdit");
  setWindowTitle("Editor");
  setModal(true);
  resize(500, 400);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  RxSpExit = new QToolButton(panel);
  RxSpExit->setObjectName("RxSpExit");
  RxSpExit->setAutoRaise(true);
  RxSpExit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  RxSpExit->setToolButtonStyle(Qt::ToolButtonIconOnly);
  auto* panelLayout = new QHBoxLayout(panel);
  panelLayout->setContentsMargins(2, 1, 2, 1);
  panelLayout->addWidget(RxSpExit);
  panelLayout->addStretch(1);

  memotext = new QPlainTextEdit(this);
  memotext->setObjectName("memotext");
  memotext->setFont(EditorFont());
  memotext->setLineWrapMode(QPlainTextEdit::NoWrap);
  memotext->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memotext->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memotext->setUndoRedoEnabled(true);
  memotext->setTabChangesFocus(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(panel);
  layout->addWidget(memotext, 1);

  connect(RxSpExit, &QToolButton::clicked, this, &QWidget::close);
}

TFormTextEdit::~TFormTextEdit() { SavePlacementOnce(); }

bool TFormTextEdit::OpenFile(const QString& path) {
  FilePath = path;
  setWindowTitle("EDITOR : " + path);
  QByteArray data;
  const bool loaded = !path.isEmpty() && ReadWholeFile(path, &data);
  QStringList lines;
  if (loaded)
    for (const Text& line : SplitFileLines(data)) lines.append(ToQt(line));
  memotext->setPlainText(lines.join(u'\n'));
  memotext->document()->setModified(false);
  if (!loaded) ShowError("Datei " + FromQt(path) + " nicht gefunden");
  return loaded;
}

bool TFormTextEdit::Modified() const { return memotext->document()->isModified(); }

bool TFormTextEdit::SaveFile() {
  QByteArray data;
  const QString text = memotext->toPlainText();
  if (!text.isEmpty())
    for (const QString& line : text.split(u'\n')) data += FromQt(line) + "\r\n";
  QString error;
  if (WriteWholeFile(FilePath, data, &error)) {
    memotext->document()->setModified(false);
    return true;
  }
  ShowError("Datei " + FromQt(FilePath) + " konnte nicht gespeichert werden\r" + FromQt(error));
  return false;
}

bool TFormTextEdit::ConfirmClose() {
  if (confirmed_) return true;
  if (Modified() && !FilePath.isEmpty() && AskYesNo("Datei speichern ?") && !SaveFile())
    return false;  // the text stays for another try (or No)
  confirmed_ = true;
  SavePlacementOnce();
  return true;
}

void TFormTextEdit::closeEvent(QCloseEvent* event) {
  if (!ConfirmClose()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TFormTextEdit::reject() {
  if (ConfirmClose()) QDialog::reject();
}

void TFormTextEdit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  if (Glb) RestorePlacement(this, Glb->Store(), kPlacementKey, kPlacementSubkey);
}

void TFormTextEdit::SavePlacementOnce() {
  if (placementSaved_ || !shownOnce_ || !Glb) return;
  placementSaved_ = true;
  SavePlacement(this, Glb->Store(), kPlacementKey, kPlacementSubkey);
}

void EditTextFile(const QString& path) {
  TFormTextEdit editor;
  editor.OpenFile(path);
  RunModal(&editor);
}

void OpenFormTextEdit() { EditTextFile((Glb ? Glb->ProgramDir : QString()) + "Readme.txt"); }
