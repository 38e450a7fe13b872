#pragma once
// TFormDatei: the catalogue of firmware program images in different folders
// ("DirList.txt" in the data folder), shown as a tree; choosing an entry makes
// it the current program image, as the port configuration does.
#include <QList>

#include "dir_list.h"
#include "link/child_window.h"
#include "util/msgtable.h"

class QStatusBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TFormDatei : public TChildForm {
  Q_OBJECT
 public:
  explicit TFormDatei(QWidget* parent = nullptr);

  QToolButton* TButtonExit;
  QToolButton* TButtonNeu;
  QToolButton* TButtonDelete;
  QTreeWidget* TreeViewDatei;
  QStatusBar* StatusBar1;
  MessageTable* StrDateien;

  // The catalogue as it would be saved: top-level nodes that still have a child.
  QList<DirEntry> Entries() const;
  QString DirListPath() const;

 public slots:
  void ExitClick();
  void NewClick();
  // A press on a node while TButtonDelete is down; true when it hit a node.
  bool DeletePress(const QPoint& viewportPos);
  // False (and reported) when "DirList.txt" could not be written.
  bool SaveCatalogue();

 protected:
  void FirstShown() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddEntry(const DirEntry& entry);
  void LoadCatalogue();
  void SelectionChanged(QTreeWidgetItem* item);
  void SetFileCaption(const QString& fileName);

  bool ignoreNextChange_ = false;
  bool rebuilding_ = false;  // the program changes the tree: no selection handling
};

TFormDatei* OpenFormDatei();
