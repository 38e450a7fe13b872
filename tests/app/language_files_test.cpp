// The shipped interface language files: each holds an entry for every text
// the translated windows are built with, English mirrors German entry by
// entry, and choosing a language changes the main window and changes it back.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QSet>

#include "../../tools/lang/translated_windows.h"
#include "lang/language_file.h"
#include "lang/translate.h"
#include "sim_rig.h"
#include "test_support.h"
#include "util/helpers.h"
#include "util/msgtable.h"
#include "util/settings_store.h"

namespace {

struct ShippedFile {
  const char* name;
  const char* language;  // line 1
};
const ShippedFile kDeutsch{"DEU_SETUP720.LNG", "Deutsch"};
const ShippedFile kEnglish{"ENG_SETUP720.LNG", "English"};

QString ShippedPath(const ShippedFile& file) {
  return QStringLiteral(SETUP720_SOURCE_DIR "/lang/") + QLatin1String(file.name);
}

LanguageSections ReadShipped(const ShippedFile& file) {
  LanguageSections sections;
  Text firstLine;
  EXPECT_TRUE(ReadLanguageFile(ShippedPath(file), &sections, &firstLine)) << file.name;
  EXPECT_EQ(firstLine, file.language) << file.name;
  return sections;
}

// Key -> whole line, of one section.
QMap<Text, Text> Entries(const LanguageSection& section) {
  QMap<Text, Text> entries;
  for (const Text& line : section.lines) entries.insert(EntryKey(line), line);
  return entries;
}

Text ValueOf(const LanguageSections& sections, const Text& section, const Text& key) {
  const qsizetype s = sections.Find(section);
  return s < 0 ? Text() : SplitEntry(Entries(sections.sections[s]).value(key)).value;
}

qsizetype TrailingBlanks(const Text& value) {
  qsizetype n = 0;
  while (n < value.size() && value[value.size() - 1 - n] == ' ') ++n;
  return n;
}

class LanguageFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Glb = rig.glb.get();
    rig.glb->ProgramDir = dir.Path() + "/";
    rig.glb->DataDir = dir.Path() + "/Daten/";
    store = std::make_unique<SettingsStore>(dir.File("registry.ini"));
    rig.glb->Registry = store.get();
    rig.glb->DisclaimerAccepted = true;
    Language().Reset();
    Language().Configure(dir.Path(), dir.File("Setup720.INI"), {"Setup720"}, "SETUP720");
    Boxes::Clear();
    Dialogs::Clear();
    Modals::Clear();
  }
  void TearDown() override {
    Language().Reset();
    Glb = nullptr;
  }

  SimRig rig;
  TempDir dir;
  std::unique_ptr<SettingsStore> store;
};

TEST_F(LanguageFilesTest, EachShippedFileHoldsEveryTextOfTheTranslatedWindows) {
  LanguageManager built;
  CollectTranslatedWindows(built);
  const std::vector<Text> windows = {
      "FormMain",    "Glb",         "FormKonfig",  "AboutBox",        "FormInfolist", "FormDisclaim",
      "FormloadProg", "FormDatei",  "FormOption",  "FormOption1",     "FormDrucker",  "FormRegion",
      "FormBrennstoffe", "FormSprache", "FormEEprom", "FormTerminal"};
  ASSERT_EQ(built.Sections.sections.size(), static_cast<qsizetype>(windows.size()));
  for (size_t i = 0; i < windows.size(); ++i)
    EXPECT_EQ(built.Sections.sections[static_cast<qsizetype>(i)].name, windows[i])
        << "every window carries the name of its section";

  const LanguageSections deutsch = ReadShipped(kDeutsch);
  const LanguageSections english = ReadShipped(kEnglish);
  for (const auto& [file, sections] : {std::pair{kDeutsch, &deutsch}, std::pair{kEnglish, &english}}) {
    for (const LanguageSection& section : built.Sections.sections) {
      const qsizetype s = sections->Find(section.name);
      ASSERT_GE(s, 0) << file.name << " [" << section.name.constData() << "]";
      const QMap<Text, Text> entries = Entries(sections->sections[s]);
      for (const Text& line : section.lines)
        EXPECT_TRUE(entries.contains(EntryKey(line)) || !EntryKeepsItsText(line))
            << file.name << " [" << section.name.constData() << "] lacks " << line.constData();
    }
    // The option editor tells unassigned option bits by the main window's mark.
    EXPECT_EQ(ValueOf(*sections, "FormMain", "StrGlobalOpt.Strings[3]"),
              ValueOf(*sections, "FormMain", "StrMain.Strings[20]"))
        << file.name;
  }

  // English: the same sections and entries in the same order, every text
  // present, line breaks kept, padded texts as long as the German ones.
  ASSERT_EQ(english.sections.size(), deutsch.sections.size());
  for (qsizetype s = 0; s < deutsch.sections.size(); ++s) {
    const LanguageSection& de = deutsch.sections[s];
    const LanguageSection& en = english.sections[s];
    EXPECT_EQ(en.name, de.name);
    ASSERT_EQ(en.lines.size(), de.lines.size()) << de.name.constData();
    for (qsizetype i = 0; i < de.lines.size(); ++i) {
      const Text& line = de.lines[i];
      const Text key = EntryKey(line);
      ASSERT_EQ(EntryKey(en.lines[i]), key) << de.name.constData();
      const Text deValue = line.mid(key.size() + 1);
      const Text enValue = en.lines[i].mid(key.size() + 1);
      EXPECT_TRUE(HasText(enValue)) << key.constData();
      EXPECT_EQ(enValue.count(kLineBreakMark), deValue.count(kLineBreakMark)) << key.constData();
      const qsizetype padding = TrailingBlanks(deValue);
      if (padding > 1) {
        EXPECT_EQ(enValue.size(), deValue.size()) << key.constData();
      }
      if (padding > 0) {
        EXPECT_GT(TrailingBlanks(enValue), 0) << key.constData();
      }
    }
  }
}

TEST_F(LanguageFilesTest, ChoosingEnglishTranslatesTheMainWindowAndGermanRestoresIt) {
  for (const ShippedFile& file : {kDeutsch, kEnglish})
    ASSERT_TRUE(QFile::copy(ShippedPath(file), dir.File(QLatin1String(file.name))));
  ASSERT_TRUE(WriteLanguageFileSetting(dir.File("Setup720.INI"), "ENG_SETUP720.LNG"));

  TFormMain window;
  LanguageManager builtIn;
  builtIn.CollectTexts(&window);
  TranslateWindow(&window);

  EXPECT_EQ(Language().LanguageName, "ENGLISH");
  EXPECT_EQ(window.windowTitle(), "ORX Setup 720");  // the product name stays
  EXPECT_EQ(window.MnDatei1->title(), "File");
  EXPECT_EQ(window.MnFreigeben1->text(), "Change Access Level");
  EXPECT_EQ(window.BtOption->text(), "\nOptions");
  EXPECT_EQ(window.BtOption->toolTip(), "Manage options");
  EXPECT_EQ(window.StrMain->Item(22), "Really reset the SETUP 720 key in the registry ?");
  EXPECT_EQ(TrimBlanks(window.StrError->Item(20)), "Error 1 (timeout at start command)");

  // The language menu lists both files, the last found first.
  const QList<QAction*> languages = window.Sprache1->actions();
  ASSERT_EQ(languages.size(), 2);
  EXPECT_EQ(languages[0]->text(), "English");
  EXPECT_EQ(languages[1]->text(), "Deutsch");
  languages[1]->trigger();

  EXPECT_EQ(Language().LanguageName, "DEUTSCH");
  LanguageManager restored;
  restored.CollectTexts(&window);
  const QMap<Text, Text> now = Entries(restored.Sections.sections[0]);
  for (const Text& line : builtIn.Sections.sections[0].lines)
    EXPECT_EQ(now.value(EntryKey(line)), line) << "German again";
  EXPECT_EQ(window.Label1->text(), "...") << "no file entry blanks the status text";
}

}  // namespace
