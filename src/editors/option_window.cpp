#include "option_window.h"

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "editors/option_transfer.h"
#include "editors/records.h"
#include "editors/serial_number.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "util/dialogs.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/inifile.h"
#include "util/msgbox.h"

namespace {

const Text kPlacementKey = "Software\\ORX\\Setup720";
constexpr int32_t kToolButtonWidth = 60;
constexpr int32_t kToolButtonHeight = 50;
constexpr int32_t kGridRowHeight = 20;
constexpr int32_t kChooserColumnWidth = 100;
constexpr int32_t kOptlistColumnWidth = 130;
constexpr int32_t kBodyMargin = 8;
// What lies right of the type box: the serial number fields and their gaps.
constexpr int32_t kRightOfTypeBox = 220;

QString Q(const Text& text) { return ToWidgetText(text); }
Text FromWidget(const QString& text) { return FromWidgetText(text); }

Text CellText(const QTableWidget* grid, int32_t row, int32_t column) {
  const QTableWidgetItem* item = grid->item(row, column);
  return item ? FromQt(item->text()) : Text();
}

void SetCellText(QTableWidget* grid, int32_t row, int32_t column, const Text& text) {
  QTableWidgetItem* item = grid->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    grid->setItem(row, column, item);
  }
  item->setText(ToQt(text));
}

QTableWidget* MakeGrid(QWidget* parent, const char* name, int32_t rows, int32_t columns,
                       int32_t rowHeaderWidth, std::initializer_list<int32_t> widths) {
  auto* grid = new QTableWidget(rows, columns, parent);
  grid->setObjectName(QString::fromLatin1(name));
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
  grid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
  grid->verticalHeader()->setFixedWidth(rowHeaderWidth);
  grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid->horizontalHeader()->setFixedHeight(kGridRowHeight);
  int32_t column = 0;
  for (int32_t width : widths) grid->setColumnWidth(column++, width);
  for (int32_t r = 0; r < rows; ++r)
    for (int32_t c = 0; c < columns; ++c) SetCellText(grid, r, c, Text());
  grid->setCurrentCell(0, 0);
  return grid;
}

QListWidget* MakeChooser(QWidget* parent, const char* name, const Text& hint) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setToolTip(Q(hint));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  return list;
}

// A chooser whose page was never shown keeps the width it was given.
Text ChooserWidthText(int32_t pending, const QListWidget* list) {
  return Text::number(pending >= 0 || !list ? std::max(0, pending) : list->width());
}

}  // namespace

// ---------------------------------------------------------------------------

void InsertListCell(QList<Text>& column, int32_t row, const Text& cell) {
  if (row < 1 || row > column.size()) return;
  for (qsizetype r = column.size() - 1; r >= row; --r) column[r] = column[r - 1];
  column[row - 1] = cell;
}

void DeleteListCell(QList<Text>& column, int32_t row, const Text& emptyCell) {
  if (row < 1 || row > column.size()) return;
  for (qsizetype r = row - 1; r + 1 < column.size(); ++r) column[r] = column[r + 1];
  column.last() = emptyCell;
}

const MessageTable& MainWindowTable(const char* name) {
  const QString objectName = QString::fromLatin1(name);
  auto tableOf = [&objectName](const QWidget* window) -> const MessageTable* {
    return window ? window->findChild<MessageTable*>(objectName, Qt::FindDirectChildrenOnly)
                  : nullptr;
  };
  if (const MessageTable* table = tableOf(Language().MainWindow())) return *table;
  const QList<QWidget*> windows = QApplication::topLevelWidgets();
  for (const QWidget* window : windows)
    if (const MessageTable* table = tableOf(window)) return *table;
  // Never deleted: the tables must outlive every window that quotes them.
  static QObject* builtIn = [] {
    auto* owner = new QObject;
    CreateStrGlobalOpt(owner);
    CreateStrDis(owner);
    CreateStrPrint(owner);
    return owner;
  }();
  if (const auto* table = builtIn->findChild<MessageTable*>(objectName)) return *table;
  static const MessageTable* empty = new MessageTable(nullptr, "Empty", {});
  return *empty;
}

// ---------------------------------------------------------------------------

TOptionFormBase::TransferScope::TransferScope(TOptionFormBase* form)
    : form_(form), wasBusy_(Glb->TransferBusy) {
  Glb->TransferBusy = true;
  form->toolBar_->setEnabled(false);
  form->body_->setEnabled(false);
}

TOptionFormBase::TransferScope::~TransferScope() {
  if (Glb) Glb->TransferBusy = wasBusy_;
  if (form_) {
    form_->toolBar_->setEnabled(true);
    form_->body_->setEnabled(true);
  }
}

TOptionFormBase::TOptionFormBase(const char* objectName, const Text& placementSubkey,
                                 int32_t width, int32_t height, QWidget* parent)
    : TChildForm(objectName, kPlacementKey, placementSubkey, parent) {
  setWindowTitle(Q("Ger\xE4teoptionen"));
  resize(width, height);
  if (!CurrentWindowHost())
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - rect().center());

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  toolBar_ = new QWidget(this);
  auto* tools = new QHBoxLayout(toolBar_);
  tools->setContentsMargins(2, 2, 2, 2);
  tools->setSpacing(0);
  tools->addStretch(1);
  body_ = new QWidget(this);
  outer->addWidget(toolBar_);
  outer->addWidget(body_, 1);

  PageControl1 = new QTabWidget(body_);
  PageControl1->setObjectName("PageControl1");
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int) {
    if (!pageByProgram_) UserChangedPage();
  });

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, &TOptionFormBase::Timer1Timer);

  // The chooser widths are stored with the placement; they take effect once
  // the splitters have their size.
  AddPlacementProperty(PlacementProperty{
      "list_dw1_Width", [this] { return ChooserWidthText(pendingWidth1_, list_dw1); },
      [this](const Text& value) {
        pendingWidth1_ = std::max(0, ParseInt(value));
        ApplyChooserWidth(Splitter1, list_dw1, &pendingWidth1_);
      }});
  AddPlacementProperty(PlacementProperty{
      "list_dw2_Width", [this] { return ChooserWidthText(pendingWidth2_, list_dw2); },
      [this](const Text& value) {
        pendingWidth2_ = std::max(0, ParseInt(value));
        ApplyChooserWidth(Splitter2, list_dw2, &pendingWidth2_);
      }});
}

// The placement includes the chooser widths: saved while the lists still exist.
TOptionFormBase::~TOptionFormBase() { SavePlacementNow(); }

QToolButton* TOptionFormBase::MakeToolButton(const char* name, const Text& caption,
                                             const Text& hint, int standardIcon) {
  auto* button = new QToolButton(toolBar_);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(Q(caption));
  button->setToolTip(Q(hint));
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)));
  button->setIconSize(QSize(16, 16));
  button->setAutoRaise(true);  // flat
  button->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly
                                               : Qt::ToolButtonTextUnderIcon);
  button->setFixedSize(kToolButtonWidth, kToolButtonHeight);
  // Two-line captions must fit the 60-pixel button: a smaller font where needed.
  QFont font = button->font();
  const QStringList lines = button->text().split(QLatin1Char('\n'));
  auto widest = [&lines](const QFont& f) {
    const QFontMetrics metrics(f);
    int32_t w = 0;
    for (const QString& line : lines) w = std::max<int32_t>(w, metrics.horizontalAdvance(line));
    return w;
  };
  while (font.pointSizeF() > 6 && widest(font) > kToolButtonWidth - 6)
    font.setPointSizeF(font.pointSizeF() - 0.5);
  button->setFont(font);
  auto* tools = static_cast<QHBoxLayout*>(toolBar_->layout());
  tools->insertWidget(tools->count() - 1, button);
  return button;
}

QLineEdit* TOptionFormBase::MakeSerialEdit(QWidget* parent, bool readOnly) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName("EditSernr");
  // "KR" and "-" are fixed, the two letters are upper case, four digits.
  edit->setInputMask(QStringLiteral("KR>aa-0000; "));
  edit->setText(ToQt(kEmptySerialText));
  edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 9 + 16);
  edit->setReadOnly(readOnly);
  if (readOnly) {
    QPalette greyed = edit->palette();
    greyed.setColor(QPalette::Base, greyed.color(QPalette::Window));
    edit->setPalette(greyed);
    edit->setFocusPolicy(Qt::NoFocus);
  }
  return edit;
}

Text TOptionFormBase::SerialFieldValue() const {
  return FixLength(FromQt(EditSernr->displayText()), kSerialTextLength);
}

void TOptionFormBase::AddListPages() {
  TabDisplay = new QWidget;
  TabDisplay->setObjectName("TabDisplay");
  auto* displayLayout = new QVBoxLayout(TabDisplay);
  displayLayout->setContentsMargins(2, 2, 2, 2);
  Splitter1 = new QSplitter(Qt::Horizontal, TabDisplay);
  Splitter1->setObjectName("Splitter1");
  GridDisplay = MakeGrid(Splitter1, "GridDisplay", kDisplayRows, kDisplayCount, 20, {81, 80, 79});
  list_dw1 = MakeChooser(Splitter1, "list_dw1",
                         "Doppelklick f\xFCgt Messwert\r\nin die Displaytabelle ein");
  Splitter1->addWidget(GridDisplay);
  Splitter1->addWidget(list_dw1);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  displayLayout->addWidget(Splitter1);
  PageControl1->addTab(TabDisplay, QStringLiteral("Display"));

  TabDrucken = new QWidget;
  TabDrucken->setObjectName("TabDrucken");
  auto* printLayout = new QVBoxLayout(TabDrucken);
  printLayout->setContentsMargins(2, 2, 2, 2);
  Splitter2 = new QSplitter(Qt::Horizontal, TabDrucken);
  Splitter2->setObjectName("Splitter2");
  Gridprint = MakeGrid(Splitter2, "Gridprint", kPrintRows, 1, 30, {119});
  list_dw2 = MakeChooser(Splitter2, "list_dw2",
                         "Doppelklick f\xFCgt Messwert\r\nin die Drucktabelle ein");
  Splitter2->addWidget(Gridprint);
  Splitter2->addWidget(list_dw2);
  Splitter2->setStretchFactor(0, 1);
  Splitter2->setStretchFactor(1, 0);
  printLayout->addWidget(Splitter2);
  PageControl1->addTab(TabDrucken, QStringLiteral("Drucken"));

  for (QSplitter* splitter : {Splitter1, Splitter2}) {
    splitter->setChildrenCollapsible(false);
    splitter->installEventFilter(this);
  }
  KeepListColumns(list_dw1, kChooserColumnWidth);
  KeepListColumns(list_dw2, kChooserColumnWidth);

  connect(list_dw1, &QListWidget::itemDoubleClicked, this, &TOptionFormBase::ChooseDisplayValue);
  connect(list_dw2, &QListWidget::itemDoubleClicked, this, &TOptionFormBase::ChoosePrintValue);
}

void TOptionFormBase::FillListPages() {
  const MessageTable& strDis = MainWindowTable("StrDis");
  const MessageTable& strPrint = MainWindowTable("StrPrint");
  list_dw1->clear();
  for (int32_t code = 0; code < kDisplayCodeCount; ++code)
    list_dw1->addItem(ToQt(DisplayCell(strDis, code)));
  list_dw2->clear();
  for (int32_t code = 0; code < kPrintCodeCount; ++code)
    list_dw2->addItem(ToQt(PrintCell(strPrint, code)));

  QStringList columns;
  for (int32_t c = 1; c <= kDisplayCount; ++c) columns << QStringLiteral("Display %1").arg(c);
  GridDisplay->setHorizontalHeaderLabels(columns);
  QStringList rows;
  for (int32_t r = 1; r <= kDisplayRows; ++r) rows << QString::number(r);
  GridDisplay->setVerticalHeaderLabels(rows);
  Gridprint->setHorizontalHeaderLabels({QString()});
  rows.clear();
  for (int32_t r = 1; r <= kPrintRows; ++r) rows << QString::number(r);
  Gridprint->setVerticalHeaderLabels(rows);
}

void TOptionFormBase::FirstShown() {
  FillListPages();
  Timer1->start();
}

void TOptionFormBase::Timer1Timer() {
  Timer1->stop();
  BtReceiveClick();
}

void TOptionFormBase::BtCloseClick() { close(); }

void TOptionFormBase::ShowPage(QWidget* page) {
  pageByProgram_ = true;
  PageControl1->setCurrentWidget(page);
  pageByProgram_ = false;
}

// ---- grids and choosers ----

Text TOptionFormBase::DisplayCellText(int32_t column, int32_t row) const {
  return CellText(GridDisplay, row, column);
}

Text TOptionFormBase::PrintCellText(int32_t row) const { return CellText(Gridprint, row, 0); }

DisplayCodes TOptionFormBase::GridDisplayCodes() const {
  DisplayCodes codes{};
  for (int32_t c = 0; c < kDisplayCount; ++c)
    for (int32_t r = 0; r < kDisplayRows; ++r)
      codes[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] =
          CellCode(DisplayCellText(c, r));
  return codes;
}

PrintCodes TOptionFormBase::GridPrintCodes() const {
  PrintCodes codes{};
  for (int32_t r = 0; r < kPrintRows; ++r)
    codes[static_cast<std::size_t>(r)] = CellCode(PrintCellText(r));
  return codes;
}

void TOptionFormBase::ShowListCodes(const DisplayCodes& display, const PrintCodes& print,
                                    bool valueNames) {
  const MessageTable& strDis = MainWindowTable("StrDis");
  const MessageTable& strPrint = MainWindowTable("StrPrint");
  for (int32_t c = 0; c < kDisplayCount; ++c)
    for (int32_t r = 0; r < kDisplayRows; ++r) {
      const int32_t code = display[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
      SetCellText(GridDisplay, r, c, valueNames ? DisplayValueCell(code) : DisplayCell(strDis, code));
    }
  for (int32_t r = 0; r < kPrintRows; ++r) {
    const int32_t code = print[static_cast<std::size_t>(r)];
    SetCellText(Gridprint, r, 0, valueNames ? PrintValueCell(code) : PrintCell(strPrint, code));
  }
}

void TOptionFormBase::ChooseDisplayValue(QListWidgetItem* item) {
  Choose(GridDisplay, std::max(0, GridDisplay->currentColumn()), kDisplayRows, item,
         kDisplayDeleteCode);
}

void TOptionFormBase::ChoosePrintValue(QListWidgetItem* item) {
  Choose(Gridprint, 0, kPrintRows, item, kPrintDeleteCode);
}

void TOptionFormBase::Choose(QTableWidget* grid, int32_t column, int32_t rows,
                             QListWidgetItem* item, int32_t deleteCode) {
  if (!item) return;
  const int32_t row = std::clamp(grid->currentRow(), 0, rows - 1) + 1;  // 1-based
  QList<Text> cells;
  for (int32_t r = 0; r < rows; ++r) cells.append(CellText(grid, r, column));
  const Text chosen = FromQt(item->text());
  if (CellCode(chosen) == deleteCode) {
    DeleteListCell(cells, row, Text());
  } else {
    InsertListCell(cells, row, chosen);
  }
  for (int32_t r = 0; r < rows; ++r) SetCellText(grid, r, column, cells[r]);
  if (CellCode(chosen) == deleteCode) return;
  if (row < rows) grid->setCurrentCell(row, column);
  ListsEdited();
}

// ---- exchanges ----

bool TOptionFormBase::CheckInstrument() {
  if (Glb->CheckConnection(Glb->ComPort)) return true;
  ShowInfo(Glb->NoInstrumentText());
  return false;
}

bool TOptionFormBase::OtherTransferRunning() { return Glb->TransferBusy; }

bool TOptionFormBase::ReadListRecord() {
  bool ok = false;
  const QByteArray bytes = ReadParameterRecord(ListRecord::kAddress, ListRecord::kSize, &ok);
  if (!ok) {
    // Zeros from a failed read would show as "TRaum" in every row.
    ShowError(TrimBlanks(Glb->StrError->Item(17)));
    return false;
  }
  const ListRecord record = ListRecord::FromBytes(bytes);
  ShowListCodes(record.DisplayCodesOf(), record.PrintCodesOf(), false);
  return true;
}

bool TOptionFormBase::SendListRecord() {
  return WriteListRecord(ListRecord::FromCodes(GridDisplayCodes(), GridPrintCodes()));
}

// ---- layout ----

void TOptionFormBase::SetSizeRule(int32_t minWidth, int32_t minHeight, int32_t resetWidth,
                                  int32_t resetHeight) {
  minWidth_ = minWidth;
  minHeight_ = minHeight;
  resetWidth_ = resetWidth;
  resetHeight_ = resetHeight;
}

void TOptionFormBase::LayoutWindow() {
  const bool narrow = width() < minWidth_;
  const bool low = height() < minHeight_;
  if (!narrow && !low) return;
  // The frame (an MDI sub-window) carries the size; keep its border.
  QWidget* frame = Frame();
  const int32_t extraW = frame->width() - width();
  const int32_t extraH = frame->height() - height();
  frame->resize((narrow ? resetWidth_ : width()) + extraW, (low ? resetHeight_ : height()) + extraH);
}

void TOptionFormBase::resizeEvent(QResizeEvent* event) {
  TChildForm::resizeEvent(event);
  LayoutWindow();
}

void TOptionFormBase::KeepListColumns(QListWidget* list, int32_t columnWidth) {
  columnLists_.append({list, columnWidth});
  list->installEventFilter(this);
  SetListColumns(list, columnWidth);
}

void TOptionFormBase::SetListColumns(QListWidget* list, int32_t columnWidth) {
  const int32_t columns = std::max(1, list->width() / columnWidth);
  list->setFlow(QListView::TopToBottom);
  list->setWrapping(true);
  list->setResizeMode(QListView::Adjust);
  // contentsRect: the viewport is resized only after the list's own resize event.
  const int32_t cellWidth = std::max(20, list->contentsRect().width() / columns);
  const int32_t cellHeight = list->fontMetrics().height() + 4;
  if (list->gridSize() != QSize(cellWidth, cellHeight)) list->setGridSize(QSize(cellWidth, cellHeight));
}

bool TOptionFormBase::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize)
    for (const auto& [list, width] : columnLists_)
      if (watched == list) SetListColumns(list, width);
  // The splitters get their final size only after the layout has settled.
  if ((event->type() == QEvent::Resize || event->type() == QEvent::Show) &&
      (watched == Splitter1 || watched == Splitter2))
    QTimer::singleShot(0, this, [this] {
      ApplyChooserWidth(Splitter1, list_dw1, &pendingWidth1_);
      ApplyChooserWidth(Splitter2, list_dw2, &pendingWidth2_);
    });
  return TChildForm::eventFilter(watched, event);
}

void TOptionFormBase::ApplyChooserWidth(QSplitter* splitter, QListWidget* list, int32_t* pending) {
  // *pending: a stored width, 0 for none (the grid then gets the room its
  // columns need), negative once applied.
  if (!splitter || !list || *pending < 0) return;
  const int32_t total = splitter->width() - splitter->handleWidth();
  if (total <= 0 || !splitter->isVisible()) return;
  int32_t chooser = *pending;
  if (chooser == 0) {
    const auto* grid = qobject_cast<const QTableWidget*>(splitter->widget(0));
    int32_t gridWidth = grid ? grid->verticalHeader()->width() + 2 * grid->frameWidth() +
                                   grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                             : 0;
    for (int32_t c = 0; grid && c < grid->columnCount(); ++c) gridWidth += grid->columnWidth(c);
    chooser = total - gridWidth;
  }
  chooser = std::clamp(chooser, 100, std::max(100, total - 40));
  *pending = -1;
  splitter->setSizes({total - chooser, chooser});
}

// ===========================================================================

TFormOption::TFormOption(QWidget* parent)
    : TOptionFormBase("FormOption", "Option", 703, 547, parent) {
  // Building the pages is no change of page by the user.
  QSignalBlocker buildingPages(PageControl1);
  StrOpt = new MessageTable(
      this, "StrOpt",
      {"Aktuelles Ger\xE4t", "\xC4nderungen speichern ?", "Ger\xE4teoptionen", "Neuer Ger\xE4tetyp",
       "nn Bezeichnung", "Ger\xE4t wirklich l\xF6schen ?", "Ger\xE4te Texte",
       "Options-Satz fehlerhaft", "Ger\xE4te Texte", "Fehler", "Keine", "Sende Fehler", "Datei",
       "kann nicht geladen werden!?'", "Keine \xC4nderung"});

  BtClose = MakeToolButton("BtClose", Text(), "Fenster schliessen", QStyle::SP_DialogCloseButton);
  BtNeu = MakeToolButton("BtNeu", "Neuer\rTyp", "Neues Ger\xE4t", QStyle::SP_FileIcon);
  BtDel = MakeToolButton("BtDel", "Typ\rl\xF6schen", "Ger\xE4t l\xF6schen", QStyle::SP_TrashIcon);
  BtSend = MakeToolButton("BtSend", "Zum Ger\xE4t\rsenden", "Zum Ger\xE4t senden", QStyle::SP_ArrowUp);
  BtReceive = MakeToolButton("BtReceive", "Vom Ger\xE4t\rholen", "Aus Ger\xE4t holen",
                             QStyle::SP_ArrowDown);
  BtLoad = MakeToolButton("BtLoad", "Aus Datei \rLaden", "Aus Datei laden|",
                          QStyle::SP_DialogOpenButton);
  BtStore = MakeToolButton("BtStore", "\xC4nderung\rspeichern", "In Datei Speichern",
                           QStyle::SP_DialogSaveButton);

  // The type box and the serial number fields.
  Label1 = new QLabel(Q("Ger\xE4tetyp"), Body());
  Label1->setObjectName("Label1");
  EditTyp = new QComboBox(Body());
  EditTyp->setObjectName("EditTyp");
  EditTyp->setMaxVisibleItems(30);
  Label2 = new QLabel(QStringLiteral("Seriennummer"), Body());
  Label2->setObjectName("Label2");
  EditSernr = MakeSerialEdit(Body(), false);
  EditSernrint = new QLineEdit(Body());
  EditSernrint->setObjectName("EditSernrint");
  EditSernrint->setReadOnly(true);
  EditSernrint->setFixedWidth(82);
  EditKennziffer = new QLineEdit(Body());
  EditKennziffer->setObjectName("EditKennziffer");
  EditKennziffer->setReadOnly(true);
  EditKennziffer->setFixedWidth(kRightOfTypeBox - 10 - EditSernr->width() - 2 - 82 - 2 - kBodyMargin);

  // Pages: "Ausstattung", "Display", "Drucken", and "Kopie von" without a tab.
  TabAusstattung = new QWidget;
  TabAusstattung->setObjectName("TabAusstattung");
  auto* optLayout = new QVBoxLayout(TabAusstattung);
  optLayout->setContentsMargins(2, 2, 2, 2);
  Optlist = new QListWidget(TabAusstattung);
  Optlist->setObjectName("Optlist");
  optLayout->addWidget(Optlist);
  PageControl1->addTab(TabAusstattung, QStringLiteral("Ausstattung"));
  AddListPages();
  TabKopie = new QWidget;
  TabKopie->setObjectName("TabKopie");
  auto* copyLayout = new QVBoxLayout(TabKopie);
  Label3 = new QLabel(Q("Quelle w\xE4hlen"), TabKopie);
  Label3->setObjectName("Label3");
  ListBoxCopy = new QListWidget(TabKopie);
  ListBoxCopy->setObjectName("ListBoxCopy");
  BitBtnOK = new QPushButton(QStringLiteral("OK"), TabKopie);
  BitBtnOK->setObjectName("BitBtnOK");
  BitBtnOK->setDefault(true);
  BitBtnAbbort = new QPushButton(QStringLiteral("Abbruch"), TabKopie);
  BitBtnAbbort->setObjectName("BitBtnAbbort");
  auto* copyButtons = new QHBoxLayout;
  copyButtons->addWidget(BitBtnOK);
  copyButtons->addWidget(BitBtnAbbort);
  copyButtons->addStretch(1);
  copyLayout->addWidget(Label3);
  copyLayout->addWidget(ListBoxCopy, 1);
  copyLayout->addLayout(copyButtons);
  PageControl1->addTab(TabKopie, QStringLiteral("Kopie von"));
  PageControl1->setTabVisible(PageControl1->indexOf(TabKopie), false);
  KeepListColumns(Optlist, kOptlistColumnWidth);

  StatusBar1 = new QStatusBar(Body());
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  for (int32_t i = 0; i < 3; ++i) {
    auto* panel = new QLabel(StatusBar1);
    panel->setFixedWidth(200);
    StatusBar1->addWidget(panel);
    panels_.append(panel);
  }

  auto* body = new QVBoxLayout(Body());
  body->setContentsMargins(kBodyMargin, 4, 0, 0);
  auto* fields = new QGridLayout;
  fields->setHorizontalSpacing(0);
  fields->setVerticalSpacing(2);
  fields->addWidget(Label1, 0, 0);
  fields->addWidget(EditTyp, 1, 0);
  fields->setColumnMinimumWidth(1, 10);
  fields->addWidget(Label2, 0, 2, 1, 5);
  fields->addWidget(EditSernr, 1, 2);
  fields->setColumnMinimumWidth(3, 2);
  fields->addWidget(EditSernrint, 1, 4);
  fields->setColumnMinimumWidth(5, 2);
  fields->addWidget(EditKennziffer, 1, 6);
  fields->setColumnStretch(7, 1);
  body->addLayout(fields);
  body->addSpacing(4);
  body->addWidget(PageControl1, 1);
  body->addWidget(StatusBar1);
  SetSizeRule(330, 300, 447, 453);

  buildingPages.unblock();
  connect(BtClose, &QToolButton::clicked, this, &TFormOption::BtCloseClick);
  connect(BtNeu, &QToolButton::clicked, this, &TFormOption::BtNeuClick);
  connect(BtDel, &QToolButton::clicked, this, &TFormOption::BtDelClick);
  connect(BtSend, &QToolButton::clicked, this, &TFormOption::BtSendClick);
  connect(BtReceive, &QToolButton::clicked, this, &TFormOption::BtReceiveClick);
  connect(BtLoad, &QToolButton::clicked, this, &TFormOption::BtLoadClick);
  connect(BtStore, &QToolButton::clicked, this, &TFormOption::BtStoreClick);
  connect(EditTyp, &QComboBox::activated, this, &TFormOption::EditTypChange);
  connect(EditSernr, &QLineEdit::textEdited, this, &TFormOption::EditSernrKeyUp);
  connect(BitBtnOK, &QPushButton::clicked, this, [this] { CopyPageDone(true); });
  connect(BitBtnAbbort, &QPushButton::clicked, this, [this] { CopyPageDone(false); });
  // Only a change of a tick counts as an edit (item texts change on translation).
  connect(Optlist, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    const int row = Optlist->row(item);
    if (row < 0 || row >= ticks_.size()) return;
    const bool ticked = item->checkState() == Qt::Checked;
    if (ticks_[row] == ticked) return;
    ticks_[row] = ticked;
    changed_ = true;
  });

  if (!Developer()) {
    BtNeu->setEnabled(false);
    BtDel->setEnabled(false);
    BtStore->setEnabled(false);
  }
  LoadTypeBox();
}

bool TFormOption::Developer() const { return Glb && Glb->UserLevel == 3; }
bool TFormOption::Production() const { return Glb && Glb->UserLevel == 2; }

QString TFormOption::TypeListDir() const {
  return Glb->UserFileDir.isEmpty() ? Glb->DataDir : Glb->UserFileDir;
}

QString TFormOption::TypeListPath() const { return TypeListDir() + Glb->UserFileName; }

Text TFormOption::StatusPanel(int32_t index) const {
  return index >= 0 && index < panels_.size() ? FromQt(panels_[index]->text()) : Text();
}

void TFormOption::SetStatusPanel(int32_t index, const Text& text) {
  if (index >= 0 && index < panels_.size()) panels_[index]->setText(ToQt(text));
}

void TFormOption::SetCaptionWithFile(const Text& prefix) {
  setWindowTitle(Q(prefix + " [ " + FromQt(Glb->UserFileName) + " ]"));
}

// ---- the type box ----

void TFormOption::LoadTypeBox() {
  QString error;
  const TTypeList::LoadStatus status = typeList_.Load(TypeListPath(), &error);
  if (status == TTypeList::LoadStatus::Failed) ShowError(FromQt(error));
  hasTypeBox_ = status == TTypeList::LoadStatus::Loaded;
  RebuildTypeBox();
  SelectBoxEntry(0);
  changed_ = false;
  currentType_ = 0;
}

void TFormOption::RebuildTypeBox() {
  const QSignalBlocker block(EditTyp);
  EditTyp->clear();
  if (!hasTypeBox_ && typeList_.Count() == 0) return;
  EditTyp->addItem(Q(StrOpt->Item(0)), 0);
  // Lines without a name stay out of the box; every entry keeps its line's number.
  for (int32_t type = 1; type <= typeList_.Count(); ++type)
    if (typeList_.HasName(type)) EditTyp->addItem(Q(typeList_.TypeName(type)), type);
}

int32_t TFormOption::BoxEntryOfType(int32_t type) const {
  for (int32_t i = 0; i < EditTyp->count(); ++i)
    if (EditTyp->itemData(i).toInt() == type) return i;
  return -1;
}

void TFormOption::SelectBoxEntry(int32_t entry) {
  const QSignalBlocker block(EditTyp);
  EditTyp->setCurrentIndex(entry >= 0 && entry < EditTyp->count() ? entry : -1);
}

void TFormOption::ApplyBoxEntry(int32_t entry) {
  SelectBoxEntry(entry);
  const int32_t index = EditTyp->currentIndex();
  ApplyType(index >= 0 ? EditTyp->itemData(index).toInt() : 0);
}

void TFormOption::EditTypChange(int index) { ApplyBoxEntry(index); }

void TFormOption::ApplyType(int32_t type) {
  SaveQuestion();
  currentType_ = type;
  EditKennziffer->setText(ToQt(IntToStrZero(type, 2)));
  const OptionContent content = TypeContent(typeList_, type);
  ApplyLocks(content.Bits);
  ShowBits(content.Bits);
  ShowListCodes(content.Display, content.Print, true);
  changed_ = false;
  if (EditTyp->currentIndex() > 0) SetStatusPanel(0, Text());
  UpdateSendEnabled();
}

// ---- option bits ----

void TFormOption::ShowBits(const OptionBits& bits) {
  const QSignalBlocker block(Optlist);
  for (int32_t bit = 0; bit < Optlist->count() && bit < kOptionBitCount; ++bit) {
    const bool ticked = bits[static_cast<std::size_t>(bit)];
    Optlist->item(bit)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    if (bit < ticks_.size()) ticks_[bit] = ticked;
  }
}

void TFormOption::ApplyLocks(const OptionBits& bits) {
  const QSignalBlocker block(Optlist);
  const Text unassigned = Glb->StrMain->Item(20);
  for (int32_t bit = 0; bit < Optlist->count() && bit < kOptionBitCount; ++bit) {
    QListWidgetItem* item = Optlist->item(bit);
    const Text label = FromWidget(item->text());
    bool locked = !(item->flags() & Qt::ItemIsEnabled);
    if (!bits[static_cast<std::size_t>(bit)]) {
      // Production may tick any assigned bit that is clear.
      if (Production()) locked = IsUnassignedLabel(label, unassigned, true);
    } else if (Production()) {
      locked = true;  // and may not clear a set one
    } else if (Developer() && IsUnassignedLabel(label, unassigned, false)) {
      locked = true;
    }
    item->setFlags(locked ? item->flags() & ~Qt::ItemIsEnabled : item->flags() | Qt::ItemIsEnabled);
  }
}

OptionBits TFormOption::TickedBits() const {
  OptionBits bits{};
  for (int32_t bit = 0; bit < Optlist->count() && bit < kOptionBitCount; ++bit)
    bits[static_cast<std::size_t>(bit)] = Optlist->item(bit)->checkState() == Qt::Checked;
  return bits;
}

OptionContent TFormOption::WindowContent() const {
  OptionContent content;
  content.Bits = TickedBits();
  content.Display = GridDisplayCodes();
  content.Print = GridPrintCodes();
  return content;
}

void TFormOption::UpdateSendEnabled() {
  const OptionBits bits = TickedBits();
  BtSend->setEnabled(std::any_of(bits.begin(), bits.end(), [](bool b) { return b; }));
}

// ---- storing ----

void TFormOption::SaveQuestion() {
  if (!Developer()) {
    changed_ = false;
    return;
  }
  if (!changed_ || !AskYesNo(StrOpt->Item(1))) return;
  if (StoreInto(currentType_)) SaveTypeList(TypeListPath());
  changed_ = false;
}

bool TFormOption::StoreInto(int32_t type) {
  Text message;
  if (typeList_.StoreEntry(type, WindowContent(), &message)) return true;
  ShowInfo(message);
  return false;
}

bool TFormOption::SaveTypeList(const QString& path) {
  QString error;
  if (typeList_.Save(path, &error)) return true;
  ShowError(FromQt(error));
  return false;
}

void TFormOption::WriteTypeListSettings() {
  const QString path = Glb->IniPath();
  // An INI file that is there but cannot be read would be replaced by two keys.
  if (QFileInfo::exists(path) && !ReadWholeFile(path, nullptr)) return;
  IniFile ini(path);
  ini.WriteString("KONFIG", "Typliste", FromQt(Glb->UserFileName));
  ini.WriteString("KONFIG", "InitDir", FromQt(TypeListDir()));
  ini.UpdateFile();
}

// ---- showing and closing ----

void TFormOption::FirstShown() {
  TOptionFormBase::FirstShown();
  const MessageTable& labels = MainWindowTable("StrGlobalOpt");
  {
    const QSignalBlocker block(Optlist);
    Optlist->clear();
    ticks_.clear();
    for (int32_t k = 1; k <= kOptionBitCount; ++k) {
      auto* item = new QListWidgetItem(Q(labels.Item(k)), Optlist);
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
      item->setCheckState(Qt::Unchecked);
      ticks_.append(false);
    }
  }
  SetCaptionWithFile(StrOpt->Item(6));
  ShowPage(TabAusstattung);
}

bool TFormOption::CanClose() {
  if (!TOptionFormBase::CanClose()) return false;
  if (Developer()) SaveQuestion();
  return true;
}

void TFormOption::UserChangedPage() { SaveQuestion(); }

void TFormOption::resizeEvent(QResizeEvent* event) {
  TOptionFormBase::resizeEvent(event);
  EditTyp->setFixedWidth(std::max(60, width() - kBodyMargin - kRightOfTypeBox));
}

// ---- the instrument ----

void TFormOption::BtReceiveClick() {
  if (OtherTransferRunning() || !CheckInstrument()) return;
  TransferScope busy(this);
  SelectBoxEntry(0);
  const QByteArray bytes = ReadParameterRecord(OptionRecord::kAddress, OptionRecord::kSize);
  if (!OptionRecord::ChecksumValid(bytes)) {
    ApplyBoxEntry(0);
    ShowError(StrOpt->Item(7));
    SetStatusPanel(0, StrOpt->Item(7));
    EditSernr->setText(ToQt(kEmptySerialText));
    return;
  }
  const OptionRecord record = OptionRecord::FromBytes(bytes);
  const int32_t type = record.TypeNumber;
  const int32_t entry = BoxEntryOfType(type);
  if (entry >= 0) {
    ApplyBoxEntry(entry);
  } else {
    // The instrument's type has no entry: what was edited before belongs to
    // the type shown then, not to this one.
    SaveQuestion();
    changed_ = false;
    SelectBoxEntry(0);
    currentType_ = type;
  }
  EditKennziffer->setText(ToQt(IntToStrZero(type, 2)));
  Glb->SerialNumber = record.SerialNumber;
  ShowBits(record.Bits);
  EditSernr->setText(ToQt(SerialNumberToText(record.SerialNumber)));
  EditSernrint->setText(ToQt(Text::number(Glb->SerialNumber)));
  ReadListRecord();
}

void TFormOption::BtSendClick() {
  if (OtherTransferRunning()) return;
  TransferScope busy(this);
  SerialTextToNumber(SerialFieldValue());
  if (!WriteOptionRecords(MakeOptionRecords(Glb->SerialNumber, currentType_, WindowContent())))
    ShowError(StrOpt->Item(11));
}

void TFormOption::EditSernrKeyUp() {
  const Text typed = SerialFieldValue();
  const Text text = SerialFieldText(typed);
  if (text != typed) {
    const int cursor = EditSernr->cursorPosition();
    EditSernr->setText(ToQt(text));
    EditSernr->setCursorPosition(cursor);
  }
  if (SerialLettersValid(text)) {
    Glb->SerialNumberText = text;
    SerialTextToNumber(text);
    EditSernrint->setText(ToQt(Text::number(Glb->SerialNumber)));
  } else {
    EditSernrint->setText(Q(StrOpt->Item(9)));
  }
}

// ---- type list maintenance ----

void TFormOption::BtNeuClick() {
  if (!Developer()) return;
  const InputBoxResult answer = InputBox(StrOpt->Item(3), StrOpt->Item(4), typeList_.DefaultNewName());
  // A blank name would make a line the box cannot list; it counts as no answer.
  const Text name = answer.text.left(kTypeNameLength);
  if (answer.ok && HasText(TrimBlanks(name))) {
    typeList_.AddEntry(name);
    hasTypeBox_ = true;
    RebuildTypeBox();
    ListBoxCopy->clear();
    for (int32_t i = 0; i < EditTyp->count(); ++i) {
      auto* item = new QListWidgetItem(EditTyp->itemText(i), ListBoxCopy);
      item->setData(Qt::UserRole, EditTyp->itemData(i));
    }
    ShowPage(TabKopie);
  }
  ApplyBoxEntry(EditTyp->count() - 1);
  changed_ = true;
}

void TFormOption::CopyPageDone(bool ok) {
  ShowPage(TabAusstattung);
  if (!ok) return;
  const QListWidgetItem* source = ListBoxCopy->currentItem();
  const int32_t type = source ? source->data(Qt::UserRole).toInt() : 0;
  const OptionContent content = TypeContent(typeList_, type);
  ShowBits(content.Bits);
  ShowListCodes(content.Display, content.Print, true);
  if (EditTyp->currentIndex() > 0) SetStatusPanel(0, Text());
  UpdateSendEnabled();
}

void TFormOption::BtDelClick() {
  if (!Developer()) return;
  if (!AskYesNo(StrOpt->Item(5))) return;
  // The type the box shows: an instrument type without an entry is not deleted unseen.
  const int32_t index = EditTyp->currentIndex();
  const int32_t type = index >= 0 ? EditTyp->itemData(index).toInt() : 0;
  Text message;
  if (!typeList_.DeleteEntry(type, &message)) {
    ShowError(message);
    return;
  }
  SaveTypeList(TypeListPath());
  RebuildTypeBox();
  changed_ = false;
  ApplyBoxEntry(EditTyp->count() > 1 ? 1 : 0);
}

void TFormOption::BtStoreClick() {
  if (!Developer()) return;
  TFileDialog& dialog = Glb->SaveDialogtyp;
  dialog.InitialDir = TypeListDir();
  if (dialog.Execute()) {
    Glb->SetUserFile(dialog.FileName);
    SetCaptionWithFile(StrOpt->Item(2));
    if (StoreInto(currentType_)) SaveTypeList(TypeListPath());
    Glb->OpenDialogTyp.FileName = TypeListPath();
    changed_ = false;
  }
  SaveQuestion();
}

void TFormOption::BtLoadClick() {
  TFileDialog& dialog = Glb->OpenDialogTyp;
  if (dialog.FileName.isEmpty()) dialog.InitialDir = Glb->DataDir;
  if (dialog.Execute()) {
    QString error;
    if (typeList_.LoadOther(dialog.FileName, &error)) {
      Glb->SetUserFile(dialog.FileName);
      SetCaptionWithFile(StrOpt->Item(8));
      changed_ = false;
      // The box shows the names of the list just loaded at once.
      const int32_t position = std::max(0, EditTyp->currentIndex());
      hasTypeBox_ = true;
      RebuildTypeBox();
      ApplyBoxEntry(std::min(position, EditTyp->count() - 1));
    } else {
      ShowInfo(FromQt(error) + "!!");
    }
  }
  WriteTypeListSettings();
}

TFormOption* OpenFormOption() {
  static QPointer<TFormOption> window;
  TFormOption* form = OpenSingle<TFormOption>(window, [] { return new TFormOption(); });
  form->LayoutWindow();
  return form;
}
