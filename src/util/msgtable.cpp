#include "msgtable.h"

MessageTable::MessageTable(QObject* owner, const char* name,
                           std::initializer_list<const char*> items)
    : QObject(owner) {
  setObjectName(QString::fromLatin1(name));
  for (const char* item : items) items_.append(Text(item));
}

Text MessageTable::Item(int index) const {
  return index >= 0 && index < items_.size() ? items_[index] : Text();
}

void MessageTable::SetItem(int index, const Text& text) {
  if (index < 0) return;
  while (items_.size() <= index) items_.append(Text());
  items_[index] = text;
}
