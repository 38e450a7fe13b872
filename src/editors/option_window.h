#pragma once
// The options editors: TFormOption ("Geräteoptionen", production and
// development) reads, edits and writes the instrument's option record and its
// display and printout lists and keeps the device type list; TFormOption1
// (option1_window.h) is the service staff's reduced window that edits only
// the lists. Both share TOptionFormBase: the tool buttons they have in
// common, the "Display" and "Drucken" pages with their value choosers, the
// one-shot read after the window is first shown, and the list record exchange.
#include <cstdint>

#include <QList>
#include <QPair>
#include <QPointer>

#include "editors/option_catalogue.h"
#include "editors/type_list.h"
#include "link/child_window.h"
#include "util/msgtable.h"
#include "util/text.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTimer;
class QToolButton;

// A chooser's pick in one list column (cells of rows 1..n): the value goes
// into `row` and the rows from there down move one further (the last one is
// lost); the "Löschen" command instead removes `row` and empties the last.
void InsertListCell(QList<Text>& column, int32_t row, const Text& cell);
void DeleteListCell(QList<Text>& column, int32_t row, const Text& emptyCell);

// The main window's message tables ("StrDis", "StrPrint", "StrGlobalOpt"),
// as the language files left them; the built-in texts while there is no
// main window (tests, a window opened on its own).
const MessageTable& MainWindowTable(const char* name);

class TOptionFormBase : public TChildForm {
  Q_OBJECT
 public:
  ~TOptionFormBase() override;

  QToolButton* BtClose = nullptr;
  QToolButton* BtSend = nullptr;
  QToolButton* BtReceive = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabDisplay = nullptr;
  QWidget* TabDrucken = nullptr;
  QSplitter* Splitter1 = nullptr;
  QSplitter* Splitter2 = nullptr;
  QTableWidget* GridDisplay = nullptr;
  QListWidget* list_dw1 = nullptr;
  QTableWidget* Gridprint = nullptr;
  QListWidget* list_dw2 = nullptr;
  QLineEdit* EditSernr = nullptr;
  QTimer* Timer1 = nullptr;

  // The cells as the grids show them: display [column 0..2][row 0..7], printout rows 0..23.
  Text DisplayCellText(int32_t column, int32_t row) const;
  Text PrintCellText(int32_t row) const;
  DisplayCodes GridDisplayCodes() const;
  PrintCodes GridPrintCodes() const;

  // The size rule; also run when the window is opened.
  void LayoutWindow();

 public slots:
  void BtCloseClick();
  // The read sequence of the window ("Vom Gerät holen").
  virtual void BtReceiveClick() = 0;
  virtual void BtSendClick() = 0;
  // Fires once after the window was first shown: stops itself and reads.
  void Timer1Timer();
  // Double-click in a chooser.
  void ChooseDisplayValue(QListWidgetItem* item);
  void ChoosePrintValue(QListWidgetItem* item);

 protected:
  // Sets TransferBusy and disables the window's controls for its lifetime;
  // restores both at its end.
  class TransferScope {
   public:
    explicit TransferScope(TOptionFormBase* form);
    ~TransferScope();
    TransferScope(const TransferScope&) = delete;
    TransferScope& operator=(const TransferScope&) = delete;

   private:
    QPointer<TOptionFormBase> form_;
    bool wasBusy_;
  };

  TOptionFormBase(const char* objectName, const Text& placementSubkey, int32_t width,
                  int32_t height, QWidget* parent);

  QToolButton* MakeToolButton(const char* name, const Text& caption, const Text& hint,
                              int standardIcon);
  // The window's content below the tool bar; a transfer disables both.
  QWidget* Body() const { return body_; }
  // Builds the "Display" and "Drucken" pages into PageControl1.
  void AddListPages();
  // Chooser contents, grid headers and row numbers (when first shown).
  void FillListPages();
  void FirstShown() override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  // The connection check; shows the no-instrument message when it fails.
  bool CheckInstrument();
  // A transfer of another window is running: this one does not start.
  static bool OtherTransferRunning();
  // Reads the list record and shows it with the StrDis/StrPrint names; a
  // failed read leaves the grids as they were and says so.
  bool ReadListRecord();
  // Writes the grids as the list record.
  bool SendListRecord();
  // The grids from codes, named from the translatable tables or from ValueNames.
  void ShowListCodes(const DisplayCodes& display, const PrintCodes& print, bool valueNames);
  // Shows a page from the program; only the user's own change of page
  // reaches UserChangedPage.
  void ShowPage(QWidget* page);
  virtual void UserChangedPage() {}
  // A chooser put a value into a grid (not the "Löschen" command).
  virtual void ListsEdited() {}

  // The minimum size rule of the window: below minWidth x minHeight it jumps
  // to resetWidth x resetHeight.
  void SetSizeRule(int32_t minWidth, int32_t minHeight, int32_t resetWidth, int32_t resetHeight);
  // The list gets one column per columnWidth pixels, now and whenever its
  // width changes (window resized, splitter moved).
  void KeepListColumns(QListWidget* list, int32_t columnWidth);
  static void SetListColumns(QListWidget* list, int32_t columnWidth);
  // The 9-character serial field: "KR", two letters, "-", four digits.
  QLineEdit* MakeSerialEdit(QWidget* parent, bool readOnly);
  // The field's nine characters, blanks where nothing is typed.
  Text SerialFieldValue() const;

 private:
  void Choose(QTableWidget* grid, int32_t column, int32_t rows, QListWidgetItem* item,
              int32_t deleteCode);
  void ApplyChooserWidth(QSplitter* splitter, QListWidget* list, int32_t* pending);

  QList<QPair<QListWidget*, int32_t>> columnLists_;
  QWidget* toolBar_ = nullptr;
  QWidget* body_ = nullptr;
  bool pageByProgram_ = false;
  int32_t minWidth_ = 0, minHeight_ = 0, resetWidth_ = 0, resetHeight_ = 0;
  // Stored chooser widths, applied once the splitters are laid out (0: none
  // stored, the grid gets its columns' width; negative: applied).
  int32_t pendingWidth1_ = 0;
  int32_t pendingWidth2_ = 0;
};

class TFormOption : public TOptionFormBase {
  Q_OBJECT
 public:
  explicit TFormOption(QWidget* parent = nullptr);

  QToolButton* BtNeu = nullptr;
  QToolButton* BtDel = nullptr;
  QToolButton* BtLoad = nullptr;
  QToolButton* BtStore = nullptr;
  QLabel* Label1 = nullptr;  // "Gerätetyp"
  QLabel* Label2 = nullptr;  // "Seriennummer"
  QComboBox* EditTyp = nullptr;
  QLineEdit* EditSernrint = nullptr;
  QLineEdit* EditKennziffer = nullptr;
  QWidget* TabAusstattung = nullptr;
  QWidget* TabKopie = nullptr;
  QListWidget* Optlist = nullptr;
  QLabel* Label3 = nullptr;  // "Quelle wählen"
  QListWidget* ListBoxCopy = nullptr;
  QPushButton* BitBtnOK = nullptr;
  QPushButton* BitBtnAbbort = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  MessageTable* StrOpt = nullptr;

  const TTypeList& TypeList() const { return typeList_; }
  int32_t CurrentType() const { return currentType_; }
  bool Changed() const { return changed_; }
  Text StatusPanel(int32_t index) const;
  // The type box entry that addresses a type number, or -1.
  int32_t BoxEntryOfType(int32_t type) const;

 public slots:
  void BtReceiveClick() override;
  void BtSendClick() override;
  void BtNeuClick();
  void BtDelClick();
  void BtStoreClick();
  void BtLoadClick();
  void CopyPageDone(bool ok);
  // The type box's change: applies the chosen entry.
  void EditTypChange(int index);
  void EditSernrKeyUp();

 protected:
  bool CanClose() override;
  void FirstShown() override;
  void UserChangedPage() override;
  void ListsEdited() override { changed_ = true; }
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LoadTypeBox();
  void RebuildTypeBox();
  void SelectBoxEntry(int32_t entry);
  // Selects the entry and applies its type.
  void ApplyBoxEntry(int32_t entry);
  void ApplyType(int32_t type);
  // Ticks (and, when applying an entry, lock states) from the bits.
  void ShowBits(const OptionBits& bits);
  void ApplyLocks(const OptionBits& bits);
  OptionBits TickedBits() const;
  OptionContent WindowContent() const;
  void UpdateSendEnabled();
  void SaveQuestion();
  // Stores the window into the type's line; shows the list's message on failure.
  bool StoreInto(int32_t type);
  bool SaveTypeList(const QString& path);
  void SetStatusPanel(int32_t index, const Text& text);
  void WriteTypeListSettings();
  void SetCaptionWithFile(const Text& prefix);
  QString TypeListDir() const;
  QString TypeListPath() const;
  bool Developer() const;
  bool Production() const;

  TTypeList typeList_;
  int32_t currentType_ = 0;
  bool changed_ = false;
  bool hasTypeBox_ = false;  // the file existed (or types were added): the box lists entry 0
  QList<bool> ticks_;        // the ticks as last seen, to tell a tick from a text change
  QList<QLabel*> panels_;
};

TFormOption* OpenFormOption();
