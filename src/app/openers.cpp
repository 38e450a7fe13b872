#include "openers.h"

#include <set>

#include <QWidget>

#include "devtools/map_window.h"
#include "devtools/text_editor.h"
#include "editors/alv_window.h"
#include "editors/eeprom_window.h"
#include "editors/fuel_window.h"
#include "editors/language_window.h"
#include "editors/option1_window.h"
#include "editors/option_window.h"
#include "editors/printer_window.h"
#include "editors/terminal_window.h"
#include "lang/language_window.h"
#include "link/glb.h"
#include "link/konfig_window.h"
#include "upload/file_list.h"
#include "upload/upload_window.h"

namespace {
// The openers of the windows this build has.
const std::set<void (*)()>& Available() {
  static const std::set<void (*)()> available = {
      &OpenPortConfiguration, &OpenPrinterTexts, &OpenUploadWindow, &OpenLanguageManager,
      &OpenMapViewer,         &OpenTextEditor,   &OpenFileList,     &ShowDiagnose,
      &OpenFuelTables,        &OpenInstrumentLanguage, &OpenEepromEditor, &OpenTerminal,
      &OpenAlvParameters,     &OpenOptionsEditor, &OpenServiceOptionsEditor};
  return available;
}
}  // namespace

void OpenPortConfiguration() { ShowPortConfiguration(); }
void OpenOptionsEditor() { OpenFormOption(); }
void OpenServiceOptionsEditor() { OpenFormOption1(); }
void OpenPrinterTexts() { OpenFormDrucker(); }
void OpenUploadWindow() { OpenFormloadProg(); }
void OpenFuelTables() { OpenFormBrennstoffe(); }
void OpenInstrumentLanguage() { OpenFormSprache(); }
void OpenEepromEditor() { OpenFormEEprom(); }
void OpenTerminal() { OpenFormTerminal(); }
void OpenAlvParameters() { OpenFormALV(); }
void OpenLanguageManager() { OpenFormlang(); }
void OpenMapViewer() { OpenFormListe(); }
void OpenTextEditor() { OpenFormTextEdit(); }
void OpenFileList() { OpenFormDatei(); }

void ShowDiagnose() {
  if (!Glb) return;
  if (auto* window = dynamic_cast<QWidget*>(Glb->LogSink())) {
    window->show();
    window->raise();
    window->activateWindow();
  }
}

bool OpenerAvailable(void (*opener)()) { return Available().count(opener) > 0; }
