#pragma once
// The busy (hourglass) cursor for the length of a scope. Without a
// QGuiApplication (command-line tools, core tests) it does nothing.
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

class BusyCursor {
 public:
  BusyCursor() : active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (active_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ~BusyCursor() {
    if (active_) QGuiApplication::restoreOverrideCursor();
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  bool active_;
};
