#include "printer_window.h"

#include <algorithm>
#include <memory>

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

#include "link/configuration.h"
#include "link/glb.h"
#include "upload/image_files.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/msgbox.h"
#include "util/msgtable.h"

namespace {

QPointer<TFormDrucker> g_form;

constexpr char kFileFilter[] = "Textdatei (*.txt)|*.txt|Alle Dateien (*.*)|*.*";
constexpr char kRuler[] = "''''|''''|''''|''''|''''";

// A field that limits what is typed, pasted or dropped to 24 characters
// without cutting a longer text put in by the program (from a file): such a
// text may shrink but not grow, as the classic edit limit behaves. Only the
// user's input is checked; setText() is not.
class PrinterEdit : public QLineEdit {
 public:
  PrinterEdit(QWidget* parent, int limit) : QLineEdit(parent) {
    setValidator(new Limit(this, limit));
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override { Typed([&] { QLineEdit::keyPressEvent(event); }); }
  void inputMethodEvent(QInputMethodEvent* event) override {
    Typed([&] { QLineEdit::inputMethodEvent(event); });
  }
  void dropEvent(QDropEvent* event) override { Typed([&] { QLineEdit::dropEvent(event); }); }
  void contextMenuEvent(QContextMenuEvent* event) override {
    // Run here rather than popped up, so its paste counts as typed.
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (menu) Typed([&] { menu->exec(event->globalPos()); });
  }

 private:
  class Limit : public QValidator {
   public:
    Limit(PrinterEdit* edit, int limit) : QValidator(edit), edit_(edit), limit_(limit) {}
    State validate(QString& input, int& /*pos*/) const override {
      if (!edit_->typing_) return Acceptable;
      return input.size() <= std::max<qsizetype>(limit_, edit_->before_) ? Acceptable : Invalid;
    }

   private:
    PrinterEdit* edit_;
    int limit_;
  };

  template <typename F>
  void Typed(F&& run) {
    typing_ = true;
    before_ = text().size();
    run();
    typing_ = false;
  }

  bool typing_ = false;
  qsizetype before_ = 0;
};

QToolButton* MakeToolButton(QWidget* parent, const char* name, const Text& caption,
                            const Text& hint, QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(ToQt(caption));
  button->setToolTip(ToQt(hint));
  button->setIcon(parent->style()->standardIcon(icon));
  button->setIconSize(QSize(24, 24));
  button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly
                                               : Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setFixedSize(60, 60);
  // Two lines of caption under the icon have to fit the 60 pixels.
  QFont small = button->font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  button->setFont(small);
  return button;
}

}  // namespace

// ---- the printer texts without widgets ----

Text TrimTrailing(const Text& text) {
  qsizetype end = text.size();
  while (end > 0 && static_cast<uint8_t>(text[end - 1]) <= ' ') --end;
  return text.left(end);
}

QList<Text> PrinterTextsFromMemory(const QByteArray& memory) {
  QList<Text> lines;
  for (int32_t s = 0; s < kPrinterLines; ++s)
    lines.append(TrimTrailing(memory.mid(s * kPrinterSlotSize, kPrinterLineWidth)));
  return lines;
}

int32_t PutPrinterTexts(QByteArray& memory, const QList<Text>& lines) {
  const qsizetype needed = kPrinterLines * kPrinterSlotSize;
  if (memory.size() < needed) memory.append(QByteArray(needed - memory.size(), ' '));
  int32_t length = 0;
  for (int32_t s = 0; s < kPrinterLines; ++s) {
    const int32_t offset = s * kPrinterSlotSize;
    memory.replace(offset, kPrinterLineWidth, FixLength(lines.value(s), kPrinterLineWidth));
    memory[offset + kPrinterLineWidth] = '\0';
    length = std::max(length, offset + kPrinterLineWidth);
  }
  return length;
}

QList<Text> PrinterTextsFromFile(const QByteArray& content) {
  const QList<Text> fileLines = SplitLines(content);
  QList<Text> lines;
  for (int32_t s = 0; s < kPrinterLines; ++s) lines.append(TrimTrailing(fileLines.value(s)));
  return lines;
}

QByteArray PrinterTextFile(const QList<Text>& lines) {
  QByteArray out;
  for (int32_t s = 0; s < kPrinterLines; ++s) out += lines.value(s) + "\r\n";
  return out;
}

QString UserImageTarget(const QString& userBinPath, const QString& programDir) {
  if (TGlb::FolderOfPathExists(userBinPath)) return userBinPath;
  QString name = userBinPath.mid(userBinPath.lastIndexOf(u'/') + 1);
  // The program folder itself is no file to write to.
  if (name.isEmpty()) name = QString::fromLatin1(kDefaultUserFileName);
  return programDir + name;
}

namespace {
bool g_userImageSaved = false;
}  // namespace

bool UserImageSaved() { return g_userImageSaved; }

bool ReadPrinterMemory() {
  g_userImageSaved = false;
  Glb->TextMemory.fill(' ', std::max<qsizetype>(Glb->TextMemory.size(), 16384));
  const bool ok = Glb->ReadTextMemory();
  if (ok) g_userImageSaved = SaveUserDataImage();
  Glb->PrinterReadFailed = !ok;
  return ok;
}

bool SaveUserDataImage() {
  Glb->UserBinPath = UserImageTarget(Glb->UserBinPath, Glb->ProgramDir);
  QString error;
  if (WriteWholeFile(Glb->UserBinPath, Glb->TextMemory.left(kUserImageSize), &error)) return true;
  ShowInfo(FromQt(error) + "\r" + FromQt(Glb->UserBinPath) + "!!");
  RepairConfiguration(false);
  return false;
}

bool WritePrinterMemory(const QList<Text>& lines) {
  Glb->TextMemoryLength = 0;
  Glb->TextMemory.fill(' ', std::max<qsizetype>(Glb->TextMemory.size(), 16384));
  Glb->TextMemoryLength = PutPrinterTexts(Glb->TextMemory, lines);
  return Glb->WriteTextMemory();
}

// ---- the window ----

TFormDrucker::TFormDrucker(QWidget* parent)
    : TChildForm("FormDrucker", "Software\\ORX\\Setup720", "Drucker", parent),
      OpenDialog(FileDialogKind::Open, "TXT", kFileFilter),
      SaveDialog(FileDialogKind::Save, "TXT", kFileFilter) {
  setWindowTitle(QStringLiteral("Druckertexte"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  resize(404, 340);
  setMinimumSize(300, 300);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(250, 250, 244));
  setPalette(pal);

  StrDrucker = new MessageTable(this, "StrDrucker", {"Empfangsfehler", "Sendefehler"});

  auto* toolBar = new QWidget(this);
  toolBar->setObjectName("ToolBar1");
  auto* tools = new QHBoxLayout(toolBar);
  tools->setContentsMargins(0, 0, 0, 0);
  tools->setSpacing(2);
  BtClose = MakeToolButton(toolBar, "BtClose", "", "Fenster schliessen",
                           QStyle::SP_DialogCloseButton);
  BtClear = MakeToolButton(toolBar, "BtClear", "Eingaben\nleeren", "Eingaben l\xF6schen",
                           QStyle::SP_DialogResetButton);
  BtLoad = MakeToolButton(toolBar, "BtLoad", "Aus Datei\nladen", "Aus Datei laden",
                          QStyle::SP_DialogOpenButton);
  BtStore = MakeToolButton(toolBar, "BtStore", "In Datei\nspeichern", "In Datei Speichern",
                           QStyle::SP_DialogSaveButton);
  BtSend = MakeToolButton(toolBar, "BtSend", "Zum Ger\xE4t\nsenden", "Zum Ger\xE4t senden",
                          QStyle::SP_ArrowUp);
  BtReceive = MakeToolButton(toolBar, "BtReceive", "Aus Ger\xE4t \nholen", "Aus Ger\xE4t holen",
                             QStyle::SP_ArrowDown);
  for (QToolButton* b : {BtClose, BtClear, BtLoad, BtStore, BtSend, BtReceive}) tools->addWidget(b);
  tools->addStretch();

  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setFixedPitch(true);
  const char* editNames[kPrinterLines] = {"EditK1", "EditK2", "EditK3", "EditF1", "EditF2", "EditF3"};
  int labelNumber = 1;
  const auto makeGroup = [&](const char* name, const Text& title, int firstSlot, const char* rulerName) {
    auto* group = new QGroupBox(ToQt(title), this);
    group->setObjectName(name);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(3);
    auto* ruler = new QLabel(QString::fromLatin1(kRuler), group);
    ruler->setObjectName(rulerName);
    ruler->setFont(fixed);
    grid->addWidget(ruler, 0, 1);
    for (int i = 0; i < 3; ++i) {
      const int slot = firstSlot + i;
      auto* label = new QLabel(QStringLiteral("Zeile %1").arg(i + 1), group);
      label->setObjectName(QStringLiteral("Label%1").arg(labelNumber++));
      auto* edit = new PrinterEdit(group, kPrinterLineWidth);
      edit->setObjectName(editNames[slot]);
      edit->setFont(fixed);
      edit->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(kPrinterLineWidth + 2, u'M')) + 8);
      edit->installEventFilter(this);
      connect(edit, &QLineEdit::textChanged, this, [this] { BtSend->setEnabled(true); });
      label->setBuddy(edit);
      grid->addWidget(label, i + 1, 0);
      grid->addWidget(edit, i + 1, 1);
      edits_[slot] = edit;
    }
    // The ruler's marks stand over the columns of the text.
    const QMargins text = edits_[firstSlot]->textMargins();
    ruler->setContentsMargins(text.left() + 4, 0, 0, 0);
    grid->setColumnStretch(1, 1);
    return group;
  };
  GroupKopf = makeGroup("GroupBox1", "Kopfzeilen", 0, "LabelLineal1");
  GroupFuss = makeGroup("GroupBox2", "Fu\xDFzeilen", 3, "LabelLineal2");

  auto* main = new QVBoxLayout(this);
  main->setContentsMargins(6, 4, 6, 6);
  main->setSpacing(4);
  main->addWidget(toolBar);
  main->addWidget(GroupKopf);
  main->addWidget(GroupFuss);
  main->addStretch();

  connect(BtClose, &QToolButton::clicked, this, &QWidget::close);
  connect(BtClear, &QToolButton::clicked, this, &TFormDrucker::ClearFields);
  connect(BtLoad, &QToolButton::clicked, this, &TFormDrucker::LoadFromFile);
  connect(BtStore, &QToolButton::clicked, this, &TFormDrucker::StoreToFile);
  connect(BtSend, &QToolButton::clicked, this, &TFormDrucker::WriteToInstrument);
  connect(BtReceive, &QToolButton::clicked, this, &TFormDrucker::ReadFromInstrument);

  if (Glb) Glb->PrinterReadFailed = false;
}

TFormDrucker::~TFormDrucker() = default;

QLineEdit* TFormDrucker::Edit(int32_t slot) const {
  return slot >= 0 && slot < kPrinterLines ? edits_[slot] : nullptr;
}

QList<Text> TFormDrucker::Lines() const {
  QList<Text> lines;
  for (QLineEdit* edit : edits_) lines.append(FromQt(edit->text()));
  return lines;
}

void TFormDrucker::SetLines(const QList<Text>& lines) {
  for (int32_t s = 0; s < kPrinterLines; ++s) edits_[s]->setText(ToQt(lines.value(s)));
}

void TFormDrucker::ClearFields() {
  for (QLineEdit* edit : edits_) edit->clear();
}

void TFormDrucker::SetTransferring(bool on) {
  // BtSend is left to the caller: its state says whether there is anything to send.
  for (QToolButton* b : {BtClose, BtClear, BtLoad, BtStore, BtReceive}) b->setEnabled(!on);
  for (QLineEdit* edit : edits_) edit->setEnabled(!on);
  if (on) BtSend->setEnabled(false);
}

bool TFormDrucker::ReadFromInstrument() {
  if (!Glb) return false;
  // A read from inside the wait of a transfer would take the port from it.
  if (reading_ || Glb->TransferBusy || Glb->TransferRunning) {
    Glb->PrinterReadFailed = true;
    return false;
  }
  if (!Glb->CheckConnection(Glb->ComPort)) {
    // Nothing was read, so the user data image is not this instrument's.
    Glb->PrinterReadFailed = true;
    ShowInfo(Glb->NoInstrumentText());
    return false;
  }
  ClearFields();
  Glb->PrinterReadFailed = false;
  Glb->TransferBusy = true;
  reading_ = true;
  SetTransferring(true);
  const bool ok = ReadPrinterMemory();
  SetTransferring(false);
  if (ok) {
    SetLines(PrinterTextsFromMemory(Glb->TextMemory));
    BtSend->setEnabled(true);
    Glb->PrinterReadFailed = false;
  } else {
    BtSend->setEnabled(false);
    Glb->PrinterReadFailed = true;
    ShowError(StrDrucker->Item(0));
  }
  reading_ = false;
  Glb->TransferBusy = false;
  if (!ok && Glb->UserLevel < 2) close();
  return ok;
}

bool TFormDrucker::WriteToInstrument() {
  if (!Glb || reading_ || Glb->TransferBusy || Glb->TransferRunning) return false;
  const QList<Text> lines = Lines();
  // Closing the window in the middle of the write would take the port from it.
  const bool sendEnabled = BtSend->isEnabled();
  Glb->TransferBusy = true;
  SetTransferring(true);
  const bool ok = WritePrinterMemory(lines);
  SetTransferring(false);
  BtSend->setEnabled(sendEnabled);
  Glb->TransferBusy = false;
  if (!ok) ShowError(StrDrucker->Item(1));
  return ok;
}

void TFormDrucker::LoadFromFile() {
  if (OpenDialog.FileName.isEmpty() && Glb) OpenDialog.InitialDir = Glb->ProgramDir;
  if (!OpenDialog.Execute()) return;
  QByteArray content;
  QString error;
  if (!ReadWholeFile(OpenDialog.FileName, &content, &error)) {
    ShowError(FromQt(error));
    return;
  }
  SetLines(PrinterTextsFromFile(content));
  SaveDialog.FileName = OpenDialog.FileName;
}

void TFormDrucker::StoreToFile() {
  if (SaveDialog.FileName.isEmpty()) {
    SaveDialog.InitialDir = OpenDialog.InitialDir;
    if (SaveDialog.InitialDir.isEmpty() && Glb) SaveDialog.InitialDir = Glb->ProgramDir;
  }
  if (!SaveDialog.Execute()) return;
  QString error;
  if (!WriteWholeFile(SaveDialog.FileName, PrinterTextFile(Lines()), &error)) {
    ShowError(FromQt(error));
    return;
  }
  OpenDialog.FileName = SaveDialog.FileName;
}

void TFormDrucker::closeEvent(QCloseEvent* event) {
  TChildForm::closeEvent(event);
  if (!event->isAccepted()) return;
  closing_ = true;
  if (g_form == this) g_form = nullptr;
  if (Glb) Glb->ReleaseInstrument();
}

bool TFormDrucker::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextPrevChild(true);
      return true;
    }
  }
  return TChildForm::eventFilter(watched, event);
}

TFormDrucker* OpenFormDrucker() {
  TFormDrucker* form = OpenSingle<TFormDrucker>(g_form, [] { return new TFormDrucker(); });
  form->ReadFromInstrument();
  if (form->Closing()) return nullptr;
  if (WindowHost* host = CurrentWindowHost()) host->Activate(form);
  else form->raise();
  return form;
}

TFormDrucker* FormDrucker() { return g_form; }
