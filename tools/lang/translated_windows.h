#pragma once
// The windows the interface language files reach, made the way the program
// makes them but never shown, so that their built-in texts can be collected.
// setup720-make-lang writes the German file from them; a test keeps the
// shipped files complete with them.
#include <functional>
#include <memory>
#include <vector>

#include <QWidget>

#include "app/info_windows.h"
#include "app/main_window.h"
#include "editors/eeprom_window.h"
#include "editors/fuel_window.h"
#include "editors/language_window.h"
#include "editors/option1_window.h"
#include "editors/option_window.h"
#include "editors/printer_window.h"
#include "editors/terminal_window.h"
#include "lang/language_file.h"
#include "lang/translate.h"
#include "link/diagnose_window.h"
#include "link/glb.h"
#include "link/konfig_window.h"
#include "upload/file_list.h"
#include "upload/region_window.h"
#include "upload/upload_window.h"

struct TranslatedWindow {
  const char* section;
  std::function<QWidget*()> make;
};

// In the order of the file's sections.
inline const std::vector<TranslatedWindow>& TranslatedWindows() {
  static const std::vector<TranslatedWindow> windows = {
      {"FormMain", [] { return new TFormMain; }},
      {"Glb", [] { return new TFormDiagnose; }},
      {"FormKonfig", [] { return new TFormKonfig; }},
      {"AboutBox", [] { return new TAboutBox; }},
      {"FormInfolist", [] { return new TFormInfolist; }},
      {"FormDisclaim", [] { return new TFormDisclaim; }},
      {"FormloadProg", [] { return new TFormloadProg; }},
      {"FormDatei", [] { return new TFormDatei; }},
      {"FormOption", [] { return new TFormOption; }},
      {"FormOption1", [] { return new TFormOption1; }},
      {"FormDrucker", [] { return new TFormDrucker; }},
      {"FormRegion", [] { return new TFormRegion; }},
      {"FormBrennstoffe", [] { return new TFormBrennstoffe; }},
      {"FormSprache", [] { return new TFormSprache; }},
      {"FormEEprom", [] { return new TFormEEprom; }},
      {"FormTerminal", [] { return new TFormTerminal; }},
  };
  return windows;
}

// A value cannot begin with "." or "=" (they separate it from the key), so an
// entry for a text such as "..." would blank the text instead of keeping it.
inline bool EntryKeepsItsText(const Text& line) {
  const Text key = EntryKey(line);
  return SplitEntry(line).value == line.mid(key.size() + 1);
}

// Creates every translated window (Glb must exist) and collects its texts
// into manager. The windows stay alive together, as in the program, so the
// main window keeps the shared tables it adopts from Glb; Glb's own table
// StrGlobalmsg belongs to the section "Glb" too.
inline void CollectTranslatedWindows(LanguageManager& manager) {
  std::vector<std::unique_ptr<QWidget>> windows;
  for (const TranslatedWindow& entry : TranslatedWindows()) {
    windows.emplace_back(entry.make());
    manager.CollectTexts(windows.back().get());
    if (Glb && qstrcmp(entry.section, "Glb") == 0) manager.CollectTexts(Glb);
  }
  while (!windows.empty()) windows.pop_back();  // the main window goes last
}
