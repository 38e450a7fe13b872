// Interface language files and their entry lines, applied to a window with
// one component of every kind the translation knows. What manager mode then
// collects from the window must come back the same after a save and a load.
#include <memory>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include "fuzz_support.h"
#include "lang/language_file.h"
#include "lang/translate.h"
#include "util/msgtable.h"

namespace {

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(name);
  return object;
}

// blank: every text empty, so only what is applied can be collected again.
std::unique_ptr<QWidget> MakeWindow(bool blank) {
  const auto text = [&](const char* s) { return blank ? QString() : QString::fromLatin1(s); };
  auto window = std::make_unique<QWidget>();
  window->setObjectName("FormFuzz_1");
  window->setWindowTitle(text("Fuzz"));
  Named(new QLabel(text("Label"), window.get()), "Label1");
  Named(new QPushButton(text("&OK"), window.get()), "BtOk")->setToolTip(text("Confirm"));
  Named(new QToolButton(window.get()), "BtTool")->setText(text("Tool"));
  Named(new QCheckBox(text("Check"), window.get()), "CheckBox1");
  auto* group = Named(new QGroupBox(text("Group"), window.get()), "GroupBox1");
  Named(new QLabel(text("Inner"), group), "LabelInner");
  auto* combo = Named(new QComboBox(window.get()), "ComboBox1");
  combo->addItems({text("one"), text("two"), text("three")});
  auto* list = Named(new QListWidget(window.get()), "ListBox1");
  list->addItems({text("a"), text("b")});
  new MessageTable(window.get(), "StrTable", {"", "", ""});
  if (!blank) {
    auto* table = window->findChild<MessageTable*>("StrTable");
    table->SetItems({"Fehler", "Zeile\r\nzwei", "x"});
  }
  auto* tabs = Named(new QTabWidget(window.get()), "PageControl1");
  tabs->addTab(Named(new QWidget, "TabSheet1"), text("First"));
  tabs->addTab(Named(new QWidget, "TabSheet2"), text("Second"));
  auto* menu = Named(new QMenu(text("&Datei"), window.get()), "MnDatei");
  Named(menu->addAction(text("&Open")), "MnOpen");
  menu->addSeparator();
  auto* bar = Named(new QToolBar(window.get()), "ToolBar1");
  QAction* action = Named(bar->addAction(text("Save")), "TbSave");
  action->setToolTip(text("Save the file"));
  return window;
}

QList<Text> Collect(QWidget* window) {
  LanguageManager& language = Language();
  language.Sections.Clear();
  const qsizetype section = language.CollectTexts(window);
  FUZZ_CHECK(section == 0);
  return language.Sections.sections[0].lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitQt(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray file = FuzzText(data, size);
  Text firstLine;
  const LanguageSections sections = ParseLanguageFile(file, &firstLine);
  FUZZ_CHECK(SplitFileLines(file).value(0) == firstLine);

  // A saved file reads back as the same sections.
  Text again;
  const LanguageSections reread = ParseLanguageFile(FormatLanguageFile(sections), &again);
  FUZZ_CHECK(reread.nameLine == sections.nameLine);
  FUZZ_CHECK(reread.sections.size() == sections.sections.size());
  for (qsizetype i = 0; i < sections.sections.size(); ++i) {
    FUZZ_CHECK(reread.sections[i].name == sections.sections[i].name);
    FUZZ_CHECK(reread.sections[i].lines == sections.sections[i].lines);
  }

  // Every entry line of the file, applied as the window's own section.
  LanguageSection all{"FormFuzz", {}};
  for (const LanguageSection& section : sections.sections) {
    FUZZ_CHECK(sections.Find(section.name) >= 0);
    for (const Text& line : section.lines) {
      const LanguageEntry entry = SplitEntry(line);
      int32_t index = -1;
      ClassifyProperty(entry.property, &index);
      EntryKey(line);
      // Values from a file hold no line break, so a pilcrow is the only way back.
      FUZZ_CHECK(TextToValue(ValueToText(entry.value)) == entry.value);
      all.lines.append(line);
    }
  }
  std::unique_ptr<QWidget> window = MakeWindow(false);
  LanguageManager& language = Language();
  language.SettingsLoaded = true;  // no INI file, no language file of the program's
  language.Sections.Clear();
  language.Sections.sections.append(all);
  language.TranslateWindow(window.get());

  const QList<Text> collected = Collect(window.get());
  LanguageSections saved;
  saved.sections.append(LanguageSection{"FormFuzz", collected});
  const LanguageSections loaded = ParseLanguageFile(FormatLanguageFile(saved));
  FUZZ_CHECK(loaded.sections.size() == 1);
  std::unique_ptr<QWidget> blank = MakeWindow(true);
  language.Sections = loaded;
  language.TranslateWindow(blank.get());
  FUZZ_CHECK(Collect(blank.get()) == collected);
  language.Sections.Clear();
  return 0;
}
