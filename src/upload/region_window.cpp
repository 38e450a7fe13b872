#include "region_window.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

#include "image_files.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "util/dialogs.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/msgbox.h"
#include "util/placement.h"

namespace {

constexpr char kSection[] = "KONFIG";
constexpr char kRegionKey[] = "Region";
constexpr char kPlacementSection[] = "TFormRegion";

QString RegionFolder() {
  QString dir = Glb ? Glb->HexFileDir : QString();
  if (!dir.isEmpty() && !dir.endsWith(u'/')) dir += u'/';
  return dir;
}

}  // namespace

// ---- the region file header without widgets ----

bool RegionLanguages(const QByteArray& header, QList<Text>* names) {
  const QByteArray data = header.left(kRegionHeaderSize);
  const auto byteAt = [&](qsizetype offset) -> uint8_t {
    // Past the data the buffer reads as erased memory.
    return offset < data.size() ? static_cast<uint8_t>(data[offset]) : 0xFF;
  };
  qsizetype start = 0;
  qsizetype entrySize = 0;
  switch (byteAt(2)) {
    case 3: start = 67; entrySize = 4; break;
    case 4: start = 70; entrySize = 6; break;
    default: return false;
  }
  const int count = byteAt(64);
  QList<Text> out;
  for (int i = 0; i < count; ++i) {
    const qsizetype entry = start + i * entrySize;
    const qsizetype offset = byteAt(entry) + 256 * byteAt(entry + 1);
    Text name;
    if (offset < data.size()) {
      const qsizetype end = data.indexOf('\0', offset);
      name = data.mid(offset, (end < 0 ? data.size() : end) - offset);
    }
    if (name.isEmpty()) name = out.isEmpty() ? Text() : out.last();
    out.append(name);
  }
  *names = out;
  return true;
}

// ---- the choice without widgets ----

QStringList RegionChoiceCandidates() {
  if (!Glb) return {};
  return RegionCandidates(RegionFolder(), Glb->HexFileName);
}

bool ApplyRegionChoice(const QStringList& candidates, int32_t row) {
  if (!Glb || row < 0 || row >= candidates.size()) return false;
  Glb->BinFilePath = RegionFolder() + candidates[row];
  // An INI file that is there but cannot be read is not replaced by one key.
  const QString ini = Glb->IniPath();
  if (QFileInfo::exists(ini) && !ReadWholeFile(ini, nullptr)) return true;
  IniFile file(ini);
  file.WriteInteger(kSection, kRegionKey, row);
  file.UpdateFile();
  return true;
}

bool ApplyRegionChoice(const QString& fileName) {
  const QStringList candidates = RegionChoiceCandidates();
  qsizetype row = candidates.indexOf(fileName);
  if (row < 0)
    for (qsizetype i = 0; i < candidates.size() && row < 0; ++i)
      if (candidates[i].compare(fileName, Qt::CaseInsensitive) == 0) row = i;
  return ApplyRegionChoice(candidates, static_cast<int32_t>(row));
}

// ---- the window ----

TFormRegion::TFormRegion(QWidget* parent) : QDialog(parent) {
  setObjectName("FormRegion");
  setWindowTitle(ToQt("Sprachregion w\xE4hlen"));
  setFixedSize(342, 225);

  Label1 = new QLabel(QStringLiteral("Einen Eintrag markieren"), this);
  Label1->setObjectName("Label1");
  Label2 = new QLabel(QStringLiteral("Sprachen der Region"), this);
  Label2->setObjectName("Label2");

  ListBoxRegionMain = new QListWidget(this);
  ListBoxRegionMain->setObjectName("ListBoxRegionMain");
  Label1->setBuddy(ListBoxRegionMain);

  ListBoxRegion = new QListWidget(this);
  ListBoxRegion->setObjectName("ListBoxRegion");
  ListBoxRegion->setFrameShape(QFrame::NoFrame);
  ListBoxRegion->setFocusPolicy(Qt::NoFocus);
  ListBoxRegion->setSelectionMode(QAbstractItemView::NoSelection);
  QFont bold = ListBoxRegion->font();
  bold.setBold(true);
  ListBoxRegion->setFont(bold);
  ListBoxRegion->viewport()->setAutoFillBackground(false);
  ListBoxRegion->setStyleSheet(QStringLiteral("QListWidget { background: transparent; }"));

  BitBtnOK = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                             QStringLiteral("OK"), this);
  BitBtnOK->setObjectName("BitBtnOK");
  BitBtnOK->setDefault(true);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                            QStringLiteral("&Abbrechen"), this);
  BitBtn2->setObjectName("BitBtn2");

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(4);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Label2, 0, 1);
  grid->addWidget(ListBoxRegionMain, 1, 0);
  grid->addWidget(ListBoxRegion, 1, 1);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  buttons->addWidget(BitBtnOK);
  buttons->addWidget(BitBtn2);
  grid->addLayout(buttons, 2, 0, 1, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);

  connect(ListBoxRegionMain, &QListWidget::currentRowChanged, this,
          &TFormRegion::ShowSelectedLanguages);
  connect(BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormRegion::showEvent(QShowEvent* event) {
  TranslateWindow(this);
  // Placed once per run; afterwards the window stays where the user left it.
  if (!shownOnce_) {
    shownOnce_ = true;
    RestorePlacement(this, ProgramUserIniPath(), kPlacementSection);
  }
  const int32_t stored =
      Glb ? IniFile(Glb->IniPath()).ReadInteger(kSection, kRegionKey, 0) : 0;
  {
    const QSignalBlocker quiet(ListBoxRegionMain);
    if (stored >= 0 && stored < ListBoxRegionMain->count()) {
      ListBoxRegionMain->setCurrentRow(stored);
    } else {
      ListBoxRegionMain->setCurrentRow(-1);
      ListBoxRegionMain->clearSelection();
    }
  }
  ShowSelectedLanguages();
  QDialog::showEvent(event);
}

void TFormRegion::done(int result) {
  SavePlacement(this, ProgramUserIniPath(), kPlacementSection);
  QDialog::done(result);
}

void TFormRegion::ShowSelectedLanguages() {
  const QList<QListWidgetItem*> selected = ListBoxRegionMain->selectedItems();
  if (selected.isEmpty()) {
    // Nothing to read: an empty name would only name the folder.
    ListBoxRegion->clear();
    return;
  }
  QFile file(RegionFolder() + selected.first()->text());
  QByteArray header;
  bool read = file.open(QIODevice::ReadOnly);
  if (read) {
    header = file.read(kRegionHeaderSize);
    read = header.size() > 0 || file.error() == QFileDevice::NoError;
  }
  if (!read) {
    ShowError(FromQt(file.errorString()));
    return;
  }
  QList<Text> names;
  if (!RegionLanguages(header, &names)) return;
  ListBoxRegion->clear();
  for (const Text& name : names) ListBoxRegion->addItem(ToQt(name));
}

bool TFormRegion::ChooseRegion() {
  ListBoxRegionMain->clear();
  ListBoxRegion->clear();
  if (!Glb) return true;
  const QStringList names = RegionChoiceCandidates();
  ListBoxRegionMain->addItems(names);
  if (ListBoxRegionMain->count() < 2) return true;

  if (RunModal(this) != QDialog::Accepted) return false;

  const QList<QListWidgetItem*> selected = ListBoxRegionMain->selectedItems();
  if (selected.isEmpty()) return true;
  ApplyRegionChoice(names, ListBoxRegionMain->row(selected.first()));
  return true;
}

TFormRegion* FormRegion() {
  static QPointer<TFormRegion> form;
  if (!form) {
    form = new TFormRegion();
    // Gone before the application object, which it needs.
    if (QCoreApplication* app = QCoreApplication::instance())
      QObject::connect(app, &QCoreApplication::aboutToQuit, form, &QObject::deleteLater);
  }
  return form;
}
