// Program-wide values of the global data module: folders, the base settings
// in Setup720.INI, the stored access level and the help documents.
#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "glb.h"
#include "util/busy_cursor.h"
#include "util/files.h"
#include "util/inifile.h"
#include "util/msgbox.h"
#include "util/settings_store.h"
#include "util/shell.h"

namespace {

const Text kKeyLevel = "Software\\ORX\\Setup720\\keyf";
const Text kKeyLanguage = "Software\\ORX\\Setup720\\lang";

// The levels the program knows; anything else in the store is not a level.

// "FID" read as a decimal whole number (blanks around it allowed). A level
// outside 0..3 is taken as it is: the main window shows level 0's menus for it.
bool ParseLevel(const Text& text, int32_t* level) {
  const Text s = text.trimmed();
  bool ok = false;
  const int32_t v = s.toInt(&ok, 10);
  if (!ok) return false;
  *level = v;
  return true;
}

}  // namespace

void TGlb::InitProgramValues() {
  QString home = qEnvironmentVariable("SETUP720_HOME");
  if (home.isEmpty()) home = QCoreApplication::applicationDirPath();
  home = QDir(home).absolutePath();
  if (!home.endsWith(u'/')) home += u'/';
  ProgramDir = home;
  DataDir = ProgramDir + "Daten/";
  LineBuffer.clear();
  TimeoutTicks = 0;
  TextMemory.fill('\0', 16384);
  FuelMemory.fill('\0', 16384);
  TextMemoryLength = 0;
  FuelMemoryLength = 0;
  FuelMemoryValid = false;
  OptionText.clear();
  LoadRegistrySettings();
  LoadBaseSettings();
  Busy = false;
}

SettingsStore& TGlb::Store() {
  if (Registry) return *Registry;
  static SettingsStore user(SettingsStore::DefaultPath());
  return user;
}

void TGlb::LoadBaseSettings() {
  const IniFile ini(IniPath());
  LanguageName = ini.ReadString("setup720", "language", Text());
  ComPort = ini.ReadInteger("KONFIG", "Comport", 1);
  DisclaimerAccepted = ini.ReadBool("Main", "Disclaim", false);
  AutoCom = ini.ReadBool("KONFIG", "AutoCom", false);
}

bool TGlb::SaveBaseSettings() {
  const QString path = IniPath();
  // An INI file that is there but cannot be read would be replaced by these
  // four keys alone.
  if (QFileInfo::exists(path) && !ReadWholeFile(path, nullptr)) return false;
  IniFile ini(path);
  ini.WriteString("setup720", "language", LanguageName);
  ini.WriteInteger("KONFIG", "Comport", ComPort);
  ini.WriteBool("Main", "Disclaim", DisclaimerAccepted);
  ini.WriteBool("KONFIG", "AutoCom", AutoCom);
  return ini.UpdateFile();
}

void TGlb::LoadRegistrySettings() {
  if (UserLevel >= 2) return;
  SettingsStore& store = Store();
  store.Reload();
  if (!store.Readable()) return;
  const Text fid = store.ReadString(kKeyLevel, "FID");
  const Text set = store.ReadString(kKeyLanguage, "Set");
  if (set == "1") ShowInstrumentLanguageItem = true;
  if (fid.isEmpty()) {
    UserLevel = 0;
  } else {
    // A value that is no level leaves the level as it is.
    int32_t level = 0;
    if (ParseLevel(fid, &level)) UserLevel = level;
  }
}

void TGlb::ShowHelpFile(const Text& topic) {
  std::optional<BusyCursor> cursor(std::in_place);
  const bool german = LanguageName == "DEUTSCH";
  const QString base = ProgramDir + "Hilfe/" + ToQt(topic);
  const QStringList candidates = german ? QStringList{base + ".pdf", base + ".htm"}
                                        : QStringList{base + "_GB.pdf", base + "_GB.htm"};
  for (const QString& path : candidates) {
    if (QFileInfo(path).isFile()) {
      OpenDocument(FromQt(path));
      return;
    }
  }
  cursor.reset();
  if (german)
    ShowError(StrGlobalmsg->Item(12) + ": " + topic + " " + StrGlobalmsg->Item(13));
  else
    ShowError("Help file: " + topic + " " + " not found");
}

void TGlb::SetUserFile(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  UserFileDir = path.left(slash + 1);
  UserFileName = path.mid(slash + 1);
}

bool TGlb::FolderOfPathExists(const QString& path) {
  const QString folder = path.left(path.lastIndexOf(u'/') + 1);
  return !folder.isEmpty() && QFileInfo(folder).isDir();
}
