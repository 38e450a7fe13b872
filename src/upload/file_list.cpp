#include "file_list.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPointer>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "link/configuration.h"
#include "link/glb.h"
#include "util/dialogs.h"
#include "util/files.h"
#include "util/msgbox.h"

namespace {

constexpr int kFolderNameRole = Qt::UserRole;

const Text kCaptionStart = "Dateien f\xFCr ORX 720 [ ";
const Text kCaptionEnd = " ]";

Text ProgramFilePath() { return FromQt(QCoreApplication::applicationFilePath()); }

QToolButton* ToolButton(QWidget* parent, const char* name, const Text& caption,
                        QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(parent->style()->standardIcon(icon));
  button->setIconSize(QSize(24, 24));
  if (caption.isEmpty()) {
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  } else {
    button->setText(ToQt(caption));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  }
  button->setAutoRaise(true);
  button->setMinimumSize(48, 44);
  return button;
}

}  // namespace

TFormDatei::TFormDatei(QWidget* parent)
    : TChildForm("FormDatei", "Software\\ORX\\Setup720", "Dateien", parent) {
  setWindowTitle(ToQt(kCaptionStart + "Namenlos" + kCaptionEnd));
  resize(353, 330);

  auto* bar = new QToolBar(this);
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  TButtonExit = ToolButton(this, "TButtonExit", {}, QStyle::SP_DialogCloseButton);
  TButtonNeu = ToolButton(this, "TButtonNeu", "Neu", QStyle::SP_FileDialogNewFolder);
  TButtonDelete = ToolButton(this, "TButtonDelete", "L\xF6schen", QStyle::SP_TrashIcon);
  TButtonDelete->setCheckable(true);
  TButtonDelete->setToolTip(ToQt("L\xF6schen aktivieren"));
  bar->addWidget(TButtonExit);
  bar->addSeparator();
  bar->addWidget(TButtonNeu);
  bar->addWidget(TButtonDelete);

  TreeViewDatei = new QTreeWidget(this);
  TreeViewDatei->setObjectName("TreeViewDatei");
  TreeViewDatei->setHeaderHidden(true);
  TreeViewDatei->setColumnCount(1);
  TreeViewDatei->viewport()->installEventFilter(this);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);

  StrDateien = new MessageTable(this, "StrDateien", {"Eintrage wirklich l\xF6schen?"});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(TreeViewDatei, 1);
  layout->addWidget(StatusBar1);

  connect(TButtonExit, &QToolButton::clicked, this, &TFormDatei::ExitClick);
  connect(TButtonNeu, &QToolButton::clicked, this, &TFormDatei::NewClick);
  connect(TreeViewDatei, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { SelectionChanged(current); });
}

QString TFormDatei::DirListPath() const {
  return (Glb ? Glb->DataDir : QString()) + QLatin1String(kDirListFileName);
}

QList<DirEntry> TFormDatei::Entries() const {
  QList<DirEntry> entries;
  for (int i = 0; i < TreeViewDatei->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* top = TreeViewDatei->topLevelItem(i);
    if (top->childCount() == 0) continue;
    entries.append({top->text(0), top->data(0, kFolderNameRole).toString(),
                    top->child(0)->text(0)});
  }
  return entries;
}

void TFormDatei::AddEntry(const DirEntry& entry) {
  rebuilding_ = true;
  auto* top = new QTreeWidgetItem(TreeViewDatei, {entry.Folder});
  top->setData(0, kFolderNameRole, entry.FolderName);
  top->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
  auto* child = new QTreeWidgetItem(top, {entry.FileName});
  child->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
  rebuilding_ = false;
}

void TFormDatei::SetFileCaption(const QString& fileName) {
  setWindowTitle(ToQt(kCaptionStart) + fileName + ToQt(kCaptionEnd));
}

void TFormDatei::FirstShown() {
  ignoreNextChange_ = true;
  LoadCatalogue();
}

void TFormDatei::LoadCatalogue() {
  const QString path = DirListPath();
  if (QFileInfo::exists(path)) {
    QByteArray data;
    QString error;
    if (!ReadWholeFile(path, &data, &error)) {
      ShowError("Datei " + FromQt(path) + " kann nicht gelesen werden\r" + FromQt(error));
      return;
    }
    const DirListContents contents = ParseDirList(data);
    for (const DirEntry& entry : contents.entries) AddEntry(entry);
    if (!contents.complete) {
      ShowError("Datei " + FromQt(path) + " ist fehlerhaft: der letzte Eintrag ist unvollst\xE4ndig");
      return;
    }
  } else if (AskOkCancel(ProgramFilePath(), "Eintr\xE4ge noch nicht vorhanden!\rDatenpfad angeben")) {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString folder = RunFileDialog({FileDialogKind::Folder,
                                          "W\xE4hlen Sie einen Verzeichnis aus:", desktop, {}, {}, {}});
    // A cancelled browser counts as Cancel: nothing is scanned.
    if (!folder.isEmpty()) {
      // The scan lets the windows run; the user may close this one meanwhile.
      const QPointer<TFormDatei> self(this);
      const QList<DirEntry> found = ScanFolder(folder, [] {
        if (Glb) Glb->Pump().ProcessPending();
      });
      if (!self) return;
      for (const DirEntry& entry : found) AddEntry(entry);
    }
  }
  SetFileCaption(Glb ? Glb->HexFileName : QString());
}

void TFormDatei::SelectionChanged(QTreeWidgetItem* item) {
  if (rebuilding_) return;
  if (ignoreNextChange_) {
    ignoreNextChange_ = false;
    return;
  }
  if (!item || item->parent() || item->childCount() == 0 || !Glb) return;
  const QString fileName = item->child(0)->text(0);
  ApplyHexFile(item->text(0) + fileName);
  if (!SaveConfiguration())
    ShowError("Die Konfiguration konnte nicht in " + FromQt(Glb->IniPath()) +
              " gespeichert werden.");
  SetFileCaption(fileName);
}

void TFormDatei::NewClick() {
  const QString path = RunFileDialog({FileDialogKind::Open, {}, Glb ? Glb->DataDir : QString(), {},
                                      "Datendatei (*.h20)|*.h20|Alle Datein (*.*)|*.*", {}});
  if (!path.isEmpty()) {
    const DirEntry entry = EntryForFile(path);
    if (!IsCheckFile(entry.FileName)) AddEntry(entry);
  }
  SaveCatalogue();
}

bool TFormDatei::SaveCatalogue() {
  const QString path = DirListPath();
  QString error;
  if (WriteWholeFile(path, FormatDirList(Entries()), &error)) return true;
  ShowError("Datei " + FromQt(path) + " konnte nicht gespeichert werden\r" + FromQt(error));
  return false;
}

void TFormDatei::ExitClick() {
  // The tree is the only copy of a catalogue that could not be saved.
  if (SaveCatalogue()) close();
}

bool TFormDatei::DeletePress(const QPoint& viewportPos) {
  QTreeWidgetItem* item = TreeViewDatei->itemAt(viewportPos);
  if (!item || !TreeViewDatei->visualItemRect(item).contains(viewportPos)) return false;
  if (AskOkCancel(ProgramFilePath(), StrDateien->Item(0))) {
    rebuilding_ = true;
    delete item;  // a top-level node takes its child along
    rebuilding_ = false;
  }
  return true;
}

bool TFormDatei::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TreeViewDatei->viewport() && event->type() == QEvent::MouseButtonPress &&
      TButtonDelete->isChecked()) {
    // In delete mode a press only offers the deletion; it selects nothing.
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (DeletePress(mouse->position().toPoint())) return true;
  }
  return TChildForm::eventFilter(watched, event);
}

TFormDatei* OpenFormDatei() {
  static QPointer<TFormDatei> window;
  return OpenSingle<TFormDatei>(window, [] { return new TFormDatei; });
}
