#include "openers.h"

#include <set>

namespace {
// Openers whose windows exist; the others do nothing yet.
const std::set<void (*)()>& Available() {
  static const std::set<void (*)()> available = {};
  return available;
}
}  // namespace

void OpenPortConfiguration() {}
void OpenOptionsEditor() {}
void OpenServiceOptionsEditor() {}
void OpenPrinterTexts() {}
void OpenUploadWindow() {}
void OpenFuelTables() {}
void OpenInstrumentLanguage() {}
void OpenEepromEditor() {}
void OpenTerminal() {}
void OpenAlvParameters() {}
void OpenLanguageManager() {}
void OpenMapViewer() {}
void OpenTextEditor() {}
void OpenFileList() {}
void ShowDiagnose() {}

bool OpenerAvailable(void (*opener)()) { return Available().count(opener) > 0; }
