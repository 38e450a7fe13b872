#include "msgbox.h"

#include <cstdio>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

BoxHook& Hook() {
  static BoxHook hook;
  return hook;
}

bool ShowQtBox(const BoxRequest& request) {
  QMessageBox box;
  box.setWindowTitle(ToQt(request.caption));
  box.setText(ToQt(request.message));
  QAbstractButton* yes = nullptr;
  switch (request.kind) {
    case BoxKind::Error: box.setIcon(QMessageBox::Critical); break;
    case BoxKind::Info: box.setIcon(QMessageBox::Information); break;
    case BoxKind::Question: box.setIcon(QMessageBox::Question); break;
    case BoxKind::Plain: box.setIcon(QMessageBox::NoIcon); break;
    case BoxKind::OkCancel: box.setIcon(QMessageBox::Question); break;
  }
  if (request.kind == BoxKind::Question) {
    QPushButton* yesButton = box.addButton(ToQt(T("&Ja")), QMessageBox::YesRole);
    QPushButton* noButton = box.addButton(ToQt(T("&Nein")), QMessageBox::NoRole);
    box.setDefaultButton(yesButton);
    box.setEscapeButton(noButton);
    yes = yesButton;
  } else if (request.kind == BoxKind::OkCancel) {
    QPushButton* okButton = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* cancelButton = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(okButton);
    box.setEscapeButton(cancelButton);
    yes = okButton;
  } else {
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
  }
  // No parent: a parentless dialog is centred on the screen.
  box.exec();
  return yes != nullptr && box.clickedButton() == yes;
}

}  // namespace

BoxHook SetBoxHook(BoxHook hook) {
  BoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

bool ShowBox(const BoxRequest& request) {
  if (Hook()) return Hook()(request);
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    // Command-line use: nobody can answer, so a question counts as "&Nein".
    std::fprintf(stderr, "%s: %s\n", ToQt(request.caption).toLocal8Bit().constData(),
                 ToQt(request.message).toLocal8Bit().constData());
    return false;
  }
  return ShowQtBox(request);
}

bool AskYesNo(const Text& message) {
  return ShowBox({BoxKind::Question, T("Best\xE4tigung"), message});
}

void ShowError(const Text& message) { ShowBox({BoxKind::Error, T("Fehler"), message}); }

void ShowInfo(const Text& message) { ShowBox({BoxKind::Info, T("Informationen"), message}); }

void ShowPlain(const Text& message) {
  ShowBox({BoxKind::Plain, FromQt(QCoreApplication::applicationName()), message});
}

bool AskOkCancel(const Text& caption, const Text& message) {
  return ShowBox({BoxKind::OkCancel, caption, message});
}
