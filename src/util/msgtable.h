#pragma once
// A window's numbered list of texts, counted from 0. The table is a named child
// object of its window so that the interface language files can replace
// entries by window, table name and index. Entries keep their index whether or
// not they are used.
#include <initializer_list>

#include <QList>
#include <QObject>

#include "text.h"

class MessageTable : public QObject {
  Q_OBJECT
 public:
  MessageTable(QObject* owner, const char* name, std::initializer_list<const char*> items);

  // The entry, or empty text for an index the table does not have.
  Text operator[](int index) const { return Item(index); }
  Text Item(int index) const;
  // Replaces an entry; an index past the end grows the table with empty entries.
  void SetItem(int index, const Text& text);
  int Count() const { return static_cast<int>(items_.size()); }
  const QList<Text>& Items() const { return items_; }
  void SetItems(const QList<Text>& items) { items_ = items; }

 private:
  QList<Text> items_;
};
