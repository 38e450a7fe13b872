#include "language_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSplitter>
#include <QVBoxLayout>

#include "util/msgbox.h"

namespace {

QPointer<TFormlang> g_window;

QAction* MenuItem(QMenu* menu, const char* name, const Text& caption) {
  QAction* item = menu->addAction(ToQt(caption));
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

}  // namespace

TFormlang::TFormlang(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Formlang");
  setWindowTitle(ToQt("Sprachverwaltung"));
  // Hidden, not ended, by its close box; it never ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(620, 460);

  MainMenu = new QMenuBar(this);
  MainMenu->setObjectName("MainMenu1");
  Datei1 = MainMenu->addMenu(ToQt("Datei"));
  Datei1->setObjectName("Datei1");
  ffnen1 = MenuItem(Datei1, "ffnen1", "\xD6" "ffnen");
  Speichernals1 = MenuItem(Datei1, "Speichernals1", "Speichern");
  Speichernals2 = MenuItem(Datei1, "Speichernals2", "Speichern als");
  N1 = Datei1->addSeparator();
  N1->setObjectName("N1");
  Ende1 = MenuItem(Datei1, "Ende1", "Ende");
  Text1 = MainMenu->addMenu(ToQt("Text"));
  Text1->setObjectName("Text1");
  MnUpdate = MenuItem(Text1, "MnUpdate", "Updaten");
  Liste1 = MainMenu->addMenu(ToQt("Liste"));
  Liste1->setObjectName("Liste1");
  Eintraglschen1 = MenuItem(Liste1, "Eintraglschen1", "Eintrag l\xF6schen");

  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(14);
  Splitter1->setChildrenCollapsible(false);
  FormList = new QListWidget(Splitter1);
  FormList->setObjectName("FormList");
  Memo = new QPlainTextEdit(Splitter1);
  Memo->setObjectName("Memo");
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Splitter1->addWidget(FormList);
  Splitter1->addWidget(Memo);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({147, width() - 147 - 14});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(MainMenu);
  layout->addWidget(Splitter1);

  connect(FormList, &QListWidget::itemClicked, this, [this] { FormListClick(); });
  connect(FormList, &QListWidget::currentRowChanged, this, [this] {
    if (!filling_) FormListClick();
  });
  connect(Memo, &QPlainTextEdit::textChanged, this, [this] { modified_ = true; });
  connect(ffnen1, &QAction::triggered, this, &TFormlang::OpenClick);
  connect(Speichernals1, &QAction::triggered, this, &TFormlang::SaveClick);
  connect(Speichernals2, &QAction::triggered, this, &TFormlang::SaveAsClick);
  connect(Ende1, &QAction::triggered, this, &TFormlang::EndClick);
  connect(MnUpdate, &QAction::triggered, this, &TFormlang::UpdateClick);
  connect(Eintraglschen1, &QAction::triggered, this, &TFormlang::DeleteClick);

  programDir_ = Language().ProgramDir();
  OpenDialogx.InitialDir = programDir_;
  SaveDialog.InitialDir = programDir_;

  // The sections may have been loaded before the window existed.
  RebuildList(Language().Sections.sections.isEmpty() ? -1 : 0);
  ShowSection(SelectedSection());
  if (!Language().LanguageFile.isEmpty()) SetCaption(Language().LanguageFile);
  Language().SetView(this);
}

TFormlang::~TFormlang() {
  if (Language().View() == this) Language().SetView(nullptr);
}

int TFormlang::SelectedSection() const {
  const int row = FormList->currentRow();
  if (row < 0 || row >= Language().Sections.sections.size()) return -1;
  const QListWidgetItem* item = FormList->item(row);
  return item && item->isSelected() ? row : -1;
}

QList<Text> TFormlang::MemoLines() const {
  const QString text = Memo->toPlainText();
  QList<Text> lines;
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split(u'\n')) lines.append(FromQt(line));
  return lines;
}

void TFormlang::RebuildList(int select) {
  filling_ = true;
  FormList->clear();
  for (const LanguageSection& section : Language().Sections.sections)
    FormList->addItem(ToQt(section.name));
  if (select >= 0 && select < FormList->count()) FormList->setCurrentRow(select);
  else FormList->setCurrentRow(-1);
  filling_ = false;
}

void TFormlang::ShowSection(int index) {
  Memo->clear();
  const auto& sections = Language().Sections.sections;
  if (index >= 0 && index < sections.size()) {
    QStringList lines;
    for (const Text& line : sections[index].lines) lines.append(ToQt(line));
    Memo->setPlainText(lines.join(u'\n'));
  }
  modified_ = false;
}

void TFormlang::FormListClick() { ShowSection(SelectedSection()); }

void TFormlang::UpdateClick() {
  const int index = SelectedSection();
  if (index < 0) {
    ShowInfo("Kein Formular gew\xE4hlt");
    return;
  }
  Language().Sections.sections[index].lines = MemoLines();
  modified_ = false;
}

void TFormlang::DeleteClick() {
  const int index = SelectedSection();
  if (index < 0) return;
  Language().Sections.sections.removeAt(index);
  // Nothing is selected afterwards; the text area keeps what it shows.
  RebuildList(-1);
}

void TFormlang::OpenClick() {
  LanguageManager& language = Language();
  if (!language.LanguageFile.isEmpty()) OpenDialogx.FileName = language.LanguageFile;
  if (OpenDialogx.Execute()) {
    language.LanguageFile = OpenDialogx.FileName;
    language.LoadLanguageFile(language.LanguageFile);  // shows the first section when loaded
  }
  SetCaption(language.LanguageFile);
}

void TFormlang::SaveClick() {
  if (modified_) UpdateClick();
  SaveTo(Language().LanguageFile);
}

void TFormlang::SaveAsClick() {
  if (modified_) UpdateClick();
  LanguageManager& language = Language();
  if (!language.LanguageFile.isEmpty()) SaveDialog.FileName = language.LanguageFile;
  if (SaveDialog.Execute()) {
    language.LanguageFile = SaveDialog.FileName;
    SaveTo(language.LanguageFile);
  }
  SetCaption(language.LanguageFile);
}

bool TFormlang::SaveTo(const QString& path) {
  LanguageManager& language = Language();
  if (path.isEmpty()) {
    ShowError("Keine Sprach-Datei angegeben");
    return false;
  }
  // Line 1 names the language when the file is loaded again; a collection
  // started without a file takes the current language's name.
  if (!language.Sections.nameLine && !language.LanguageName.isEmpty())
    language.Sections.nameLine = language.LanguageName;
  QString error;
  if (language.SaveLanguageFile(path, &error)) return true;
  Text message = "Datei " + FromQt(path) + " konnte nicht gespeichert werden";
  if (!error.isEmpty()) message += "\r" + FromQt(error);
  ShowError(message);
  return false;
}

void TFormlang::EndClick() { close(); }

void TFormlang::SectionsLoaded() {
  RebuildList(Language().Sections.sections.isEmpty() ? -1 : 0);
  ShowSection(SelectedSection());
}

void TFormlang::SectionsChanged() {
  // New sections from collecting texts: the list follows, the text area stays.
  const int selected = SelectedSection();
  const Text name = selected >= 0 ? FromQt(FormList->item(selected)->text()) : Text();
  const qsizetype keep = selected >= 0 ? Language().Sections.Find(name) : -1;
  RebuildList(static_cast<int>(keep));
}

void TFormlang::SetCaption(const QString& languageFile) {
  setWindowTitle(languageFile.isEmpty() ? ToQt("Sprachverwaltung") : languageFile);
}

void TFormlang::ShowManager() {
  show();
  raise();
}

TFormlang* Formlang() { return g_window; }

TFormlang* CreateFormlang(QWidget* parent) {
  if (!g_window) g_window = new TFormlang(parent);
  return g_window;
}

TFormlang* OpenFormlang() {
  TFormlang* window = CreateFormlang();
  window->ShowManager();
  window->activateWindow();
  return window;
}
