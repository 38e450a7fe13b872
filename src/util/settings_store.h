#pragma once
// The per-user settings store: keys in a tree addressed by backslash paths
// ("Software\ORX\Setup720\keyf"), each holding named text values. It lives in
// one readable text file,
//
//   [Software\ORX\Setup720\keyf]
//   "FID"="2"
//
// written whole and atomically on every change. Key paths and value names
// are compared without case; leading, trailing and doubled backslashes in a
// path do not count. Values are kept byte for byte (blanks included); the
// file is UTF-8, the values Windows-1252.
#include <cstdint>

#include <QList>
#include <QPair>
#include <QString>

#include "text.h"

class SettingsStore {
 public:
  // Reads the file at once. A missing file is an empty store; a file that
  // exists but cannot be read makes the store unreadable.
  explicit SettingsStore(const QString& path);
  // The store as a file holding data gives it, without reading the file
  // (writes still go to path).
  SettingsStore(const QString& path, const QByteArray& data);

  // SETUP720_REGISTRY, else <user config>/Setup720/registry.ini.
  static QString DefaultPath();

  const QString& Path() const { return path_; }
  // False when the file exists but could not be read; such a store reads as
  // empty and refuses every write, so it never replaces what it could not read.
  bool Readable() const { return readable_; }
  // Reads the file again.
  void Reload();

  // True when the key or any key below it exists.
  bool KeyExists(const Text& key) const;
  bool ValueExists(const Text& key, const Text& name) const;
  // Empty text when the key or value is missing; *found tells which.
  Text ReadString(const Text& key, const Text& name, bool* found = nullptr) const;
  // A missing value or one that is not a decimal whole number gives def.
  int32_t ReadInteger(const Text& key, const Text& name, int32_t def) const;
  // Value names of the key, in file order.
  QList<Text> ValueNames(const Text& key) const;
  // Every key path below key (not key itself), in file order.
  QList<Text> SubKeys(const Text& key) const;

  // The writers return false when the file could not be written; the store
  // then keeps its state from before the call.
  bool CreateKey(const Text& key);
  bool WriteString(const Text& key, const Text& name, const Text& value);
  bool WriteInteger(const Text& key, const Text& name, int32_t value);
  // Several values of one key in one write of the file.
  bool WriteStrings(const Text& key, const QList<QPair<Text, Text>>& values);
  bool DeleteValue(const Text& key, const Text& name);
  // Deletes the key with everything below it.
  bool DeleteKey(const Text& key);

  QString LastError() const { return error_; }

  // Key path in its stored form: no leading, trailing or doubled separators.
  static Text NormalizeKey(const Text& key);

 private:
  struct Value {
    Text name;
    Text data;
  };
  struct Key {
    Text path;
    QList<Value> values;
  };

  void Parse(const QByteArray& data);
  Key* FindKey(const Text& normalized);
  const Key* FindKey(const Text& normalized) const;
  Key& MakeKey(const Text& normalized);
  bool Save(const QList<Key>& before);

  QString path_;
  bool readable_ = true;
  QString error_;
  QList<Key> keys_;
};

// The user's locale as the 8 hex digits of a Windows locale id ("00000407"),
// from LC_ALL, LC_MESSAGES or LANG (the first one set); empty when unknown.
Text MachineLocale();
// The same for one POSIX locale name ("de_DE.UTF-8", "it", "C").
Text WindowsLocaleId(const Text& posixLocale);
