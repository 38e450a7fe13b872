#pragma once
// The main window's way to every other window. Each window's own module has
// an Open function; these forward to them, so the menus and the toolbar need
// not know the windows' headers.
void OpenPortConfiguration();      // TFormKonfig, modal ("Konfiguration")
void OpenOptionsEditor();          // TFormOption
void OpenServiceOptionsEditor();   // TFormOption1
void OpenPrinterTexts();           // TFormDrucker
void OpenUploadWindow();           // TFormloadProg
void OpenFuelTables();             // TFormBrennstoffe
void OpenInstrumentLanguage();     // TFormSprache
void OpenEepromEditor();           // TFormEEprom
void OpenTerminal();               // TFormTerminal
void OpenAlvParameters();          // TFormALV
void OpenLanguageManager();        // TFormlang
void OpenMapViewer();              // TFormListe
void OpenTextEditor();             // TFormTextEdit
void OpenFileList();               // TFormDatei
void ShowDiagnose();               // the "Diagnose" window of Glb
// True when the window behind an opener exists in this build (menu items of
// missing windows stay visible but do nothing).
bool OpenerAvailable(void (*opener)());
