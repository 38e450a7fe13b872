// setup720-make-lang: writes the German interface language file from the
// texts the windows are built with. Every translated window is created
// headless over the in-process instrument, its texts are collected as the
// manager mode "-CL" does, and the sections are written in file order.
//
//   setup720-make-lang [output file]     (default: DEU_SETUP720.LNG)
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QTemporaryDir>

#include "lang/language_file.h"
#include "lang/translate.h"
#include "link/glb.h"
#include "sim_backend.h"
#include "sim_instrument.h"
#include "translated_windows.h"
#include "util/settings_store.h"
#include "virtual_pump.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].startsWith('-'))) {
    std::fprintf(stderr, "usage: setup720-make-lang [output file]\n");
    return 2;
  }
  const QString output =
      arguments.size() == 2 ? arguments[1] : QStringLiteral("DEU_SETUP720.LNG");

  // Nothing of the user's own settings is read or written: the windows get a
  // program folder and a settings store of their own.
  QTemporaryDir home;
  if (!home.isValid()) {
    std::fprintf(stderr, "no temporary folder\n");
    return 1;
  }
  VirtualPump pump;
  SimInstrument instrument;
  instrument.SetClock(pump.Clock());
  auto backend = std::make_unique<SimSerialBackend>(instrument, pump.Clock());
  SimSerialBackend* sim = backend.get();
  pump.Attach(sim);
  auto glb = std::make_unique<TGlb>(&pump, std::move(backend));
  Glb = glb.get();
  glb->ProgramDir = home.path() + "/";
  glb->DataDir = home.path() + "/Daten/";
  SettingsStore store(home.filePath("registry.ini"));
  glb->Registry = &store;
  glb->DisclaimerAccepted = true;
  Language().Configure(home.path(), home.filePath("Setup720.INI"), {"Setup720"}, "SETUP720");

  LanguageManager collector;
  collector.Sections.nameLine = Text("Deutsch");
  CollectTranslatedWindows(collector);
  for (LanguageSection& section : collector.Sections.sections) {
    for (qsizetype i = section.lines.size() - 1; i >= 0; --i) {
      if (EntryKeepsItsText(section.lines[i])) continue;
      std::fprintf(stderr, "left out (would blank its text): [%s] %s\n",
                   section.name.constData(), section.lines[i].constData());
      section.lines.removeAt(i);
    }
  }

  int status = 0;
  for (const TranslatedWindow& window : TranslatedWindows()) {
    if (collector.Sections.Find(window.section) < 0) {
      std::fprintf(stderr, "no section for %s\n", window.section);
      status = 1;
    }
  }
  QString error;
  if (status == 0 && !WriteLanguageFile(output, collector.Sections, &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    status = 1;
  }
  if (status == 0) {
    qsizetype entries = 0;
    for (const LanguageSection& section : collector.Sections.sections)
      entries += section.lines.size();
    std::printf("%s: %lld sections, %lld entries\n", qPrintable(output),
                static_cast<long long>(collector.Sections.sections.size()),
                static_cast<long long>(entries));
  }

  pump.Detach(sim);
  Glb = nullptr;
  glb.reset();
  return status;
}
