// The main window's shared message tables. They are created with TGlb so the
// link layer can quote them; the main window adopts them later.
#include <utility>

#include "glb.h"

namespace {

// Many StrError entries are padded with blanks to a fixed length; the padding
// is part of the text (language files carry it too).
struct PaddedText {
  const char* text;
  int length;
};

Text Padded(const PaddedText& entry) {
  Text t(entry.text);
  if (t.size() < entry.length) t.append(Text(entry.length - t.size(), ' '));
  return t;
}

const PaddedText kStrError[] = {
    {"Error in Data!", 56},
    {"Port COM", 56},
    {" not available", 56},
    {"Error during opening port COM", 56},
    {"Error during initializing port COM", 56},
    {"Port COM =", 58},
    {"Only 1..8 available!", 58},
    {"No hexfile", 56},
    {"Hexfile not found", 56},
    {"Read error in file", 56},
    {"Write error in file", 56},
    {"Error reading standard table", 56},
    {"file", 55},
    {" not found", 51},
    {" - Transmission interrupted", 56},
    {"Either no file was selected,or the file cannot be opened", 56},
    {"Write error", 56},
    {"Read error", 40},
    {"No answer from Instrument", 41},
    {"Binfile not found !", 19},
    {"Error 1 (timeot at start command)", 33},
    {"Error 1 (start command)", 23},
    {"Error 2 (baudrate switch)", 25},
    {"Error 3 (init bootloader)", 25},
    {"Init bootloader : OK", 20},
    {"Error 3b (memory not cleared)", 29},
    {"Memory cleared, upload operates ...", 35},
    {"Error 4 (checksum part 1 different)", 35},
    {"Error 5 (checksum part 2 different)", 35},
    {"Ready, press key \"F\" on the instrument", 38},
    {"connected to", 12},
    {"Instrument found ", 17},
    {"No Instrument found", 19},
    {"at Com", 6},
};

}  // namespace

void TGlb::CreateMainTables() {
  StrMain = new MessageTable(
      this, "StrMain",
      {"Freigabe \xE4" "ndern",
       "Anwender = 0; ",
       "Service = 1",
       "Fertigung = 2;",
       "Entwicklung = 3",
       "Anwender",
       "Service",
       "Hersteller",
       "Entwicklung",
       "Comport          :",
       "Hex File Name ",
       "Hex File         ",
       "Bin\xE4r File    ",
       "User Bin\xE4r File  ",
       "Hex File Pfad",
       "Parameter- Datei",
       "Parameterpfad ",
       "Datenpfad ",
       "Programmpfad ",
       "Benutzerebene ",
       "n.b.",
       "Bitte im Menu unter Sonderfunktionen =>Konfiguration den richtigen Comport ausw\xE4hlen",
       "Schl\xFCssel SETUP 720 in Registry wirklich zur\xFC" "cksetzen ?",
       "Suche Comport"});

  StrError = new MessageTable(this, "StrError", {});
  QList<Text> errors;
  for (const PaddedText& entry : kStrError) errors.append(Padded(entry));
  StrError->SetItems(errors);

  StrBRNmsg = new MessageTable(this, "StrBRNmsg",
                               {"Header lesen ...",
                                "Empfangs-Fehler",
                                "Alternative Brennstofftabelle :",
                                "Keine alternativen Brennstofftabelle installiert",
                                "Tabelle lesen ...",
                                "Fertig",
                                "Keine Datei geladen",
                                "In das Ger\xE4t speichern...",
                                "Sende-Fehler",
                                "OK",
                                "Lade Datei",
                                "Bytes geladen",
                                "Fehler beim Speichern der Datei"});
}

Text TGlb::NoInstrumentText() const {
  return StrError->Item(32) + " " + "\r" + StrMain->Item(21);
}
