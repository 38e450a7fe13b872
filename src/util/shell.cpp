#include "shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include "msgbox.h"

namespace {

constexpr int32_t kFileNotFound = 2;
constexpr int32_t kNoAssociation = 31;
constexpr int32_t kStarted = 33;

ShellOpenHook& Hook() {
  static ShellOpenHook hook;
  return hook;
}

int32_t DesktopOpen(const Text& path) {
  const QString file = ToQt(path);
  if (file.isEmpty() || !QFileInfo::exists(file)) return kFileNotFound;
  // Without a GUI application there is no desktop to hand the file to.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return kNoAssociation;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file)) ? kStarted : kNoAssociation;
}

}  // namespace

ShellOpenHook SetShellOpenHook(ShellOpenHook hook) {
  ShellOpenHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

bool OpenDocument(const Text& path) {
  const int32_t code = Hook() ? Hook()(path) : DesktopOpen(path);
  if (code > 32) return true;
  ShowInfo(ShellErrorText(code));
  return false;
}

Text ShellErrorText(int32_t code) {
  switch (code) {
    case 0: return T("Zuwenig Speicher, Anwendung zerst\xF6rt oder Relokationswerte ung\xFCltig");
    case 2: return T("Anwendung nicht gefunden");
    case 3: return T("Verzeichnis nicht gefunden.");
    case 5: return T("Gescheiterter dynamischer Link");
    case 6: return T("Bibliothek forderte separate Datensegmente f\xFCr jede Task an.");
    case 8: return T("Zuwenig Speicher, um die Anwendung zu starten.");
    case 10: return T("Falsche Windows-Version.");
    case 11: return T("Ung\xFCltige ausf\xFChrbare Anwendnung.");
    case 12: return T("Anwendung f\xFCr ein anderes Betriebssystem.");
    case 13: return T("Anwendung f\xFCr MS-DOS 4.0.");
    case 14: return T("Typ der ausf\xFChrbaren Datei unbekannt.");
    case 15: return T("Versuch, eine Real-Mode-Anwendung (fr\xFChere Windows-Version) zu laden.");
    case 16: return T("Versuch, eine zweite Instanz zu laden.");
    case 19: return T("Versuch, eine komprimierte ausf\xFChrbare Datei zu laden.");
    case 20: return T("Ung\xFCltige dynamische Linkbibliothek (DLL).");
    case 21: return T("Anwendung ben\xF6tigt Windows-32-Bit-Erweiterungen.");
    default: break;
  }
  if (code > 32) return Text();
  return T("Ausf\xFChrungsfehler ") + Text::number(code);
}
