#include "info_windows.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include "lang/translate.h"
#include "link/glb.h"
#include "util/dialogs.h"
#include "util/files.h"
#include "util/helpers.h"
#include "util/inifile.h"
#include "util/msgbox.h"

namespace {

void CentreOnScreen(QWidget* window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect box = window->frameGeometry();
  box.moveCenter(screen->availableGeometry().center());
  window->move(box.topLeft());
}

void FillWith(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  palette.setColor(QPalette::Base, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// ---- information box ----

// Draws a line's tab-separated pieces at the list's tab stops.
class TabbedLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    painter->save();
    if (selected) painter->fillRect(opt.rect, opt.palette.highlight());
    painter->setFont(opt.font);
    painter->setPen(selected ? opt.palette.highlightedText().color() : opt.palette.text().color());
    const QFontMetrics metrics(opt.font);
    const int tab = TAboutBox::TabStopPixels(opt.font);
    for (const TAboutBox::Piece& piece : TAboutBox::LayoutTabs(opt.text, metrics, tab)) {
      const QRect place(opt.rect.left() + kIndent + piece.x, opt.rect.top(),
                        metrics.horizontalAdvance(piece.text) + 1, opt.rect.height());
      painter->drawText(place, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece.text);
    }
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const QFontMetrics metrics(opt.font);
    const QList<TAboutBox::Piece> pieces =
        TAboutBox::LayoutTabs(opt.text, metrics, TAboutBox::TabStopPixels(opt.font));
    int width = kIndent;
    if (!pieces.isEmpty())
      width += pieces.last().x + metrics.horizontalAdvance(pieces.last().text) + kIndent;
    return {width, TAboutBox::kLineHeight};
  }

 private:
  static constexpr int kIndent = 2;
};

// ---- information list ----

// The logo: drawn here, 200 x 130, scaled down into the place it gets.
QPixmap MakeLogo() {
  QPixmap logo(200, 130);
  logo.fill(Qt::transparent);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, 200, 130);
  fill.setColorAt(0.0, QColor(0, 0, 128));
  fill.setColorAt(1.0, QColor(40, 150, 210));
  QPainterPath frame;
  frame.addRoundedRect(QRectF(1, 1, 198, 128), 14, 14);
  p.fillPath(frame, fill);
  p.setPen(QPen(QColor(255, 255, 255, 180), 2));
  p.drawPath(frame);
  p.setPen(QColor(255, 255, 224));
  QFont big(QStringLiteral("Arial"));
  big.setPixelSize(44);
  big.setBold(true);
  p.setFont(big);
  p.drawText(QRect(0, 14, 200, 56), Qt::AlignCenter, QStringLiteral("ORX"));
  QFont small(QStringLiteral("Arial"));
  small.setPixelSize(26);
  small.setBold(true);
  p.setFont(small);
  p.drawText(QRect(0, 68, 200, 32), Qt::AlignCenter, QStringLiteral("720"));
  p.setPen(QPen(QColor(255, 255, 224), 2));
  p.drawLine(40, 106, 160, 106);
  return logo;
}

class LogoView : public QWidget {
 public:
  explicit LogoView(QWidget* parent) : QWidget(parent), logo_(MakeLogo()) {}
  const QPixmap& Logo() const { return logo_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = logo_.size().scaled(this->size(), Qt::KeepAspectRatio);
    p.drawPixmap(QRect(QPoint(width() - size.width(), 0), size), logo_);
  }

 private:
  QPixmap logo_;
};

QPointer<TFormInfolist> g_infolist;

// ---- disclaimer ----

QPointer<TFormDisclaim> g_disclaim;
bool g_disclaimRunning = false;

std::function<void()>& Closer() {
  static std::function<void()> closer;
  return closer;
}

// Queued: the main window may be in the middle of its own showing.
void CloseMainWindow() {
  if (Closer()) {
    Closer()();
    return;
  }
  if (QWidget* main = Language().MainWindow())
    QMetaObject::invokeMethod(main, [main] { main->close(); }, Qt::QueuedConnection);
}

// The acceptance goes into the INI file at once, so it survives a crash.
bool StoreAcceptance() {
  if (!Glb) return false;
  const QString path = Glb->IniPath();
  // An INI file that is there but cannot be read would be replaced by this key alone.
  if (QFileInfo::exists(path) && !ReadWholeFile(path, nullptr)) return false;
  IniFile ini(path);
  ini.WriteBool("Main", "Disclaim", true);
  return ini.UpdateFile();
}

QIcon PrinterIcon() {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5.5, 1.5, 9, 6));      // paper in
  p.setBrush(QColor(150, 150, 160));
  p.drawRoundedRect(QRectF(1.5, 7.5, 17, 7), 1.5, 1.5);  // body
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5.5, 12.5, 9, 6));     // paper out
  p.setPen(QColor(0, 160, 0));
  p.drawPoint(QPointF(15.5, 9.5));
  return QIcon(pixmap);
}

}  // namespace

// ===== TAboutBox =====

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName("AboutBox");
  setWindowTitle(QStringLiteral("Info"));

  listBox_ = new QListWidget(this);
  listBox_->setObjectName("ListBox");
  listBox_->setFrameShape(QFrame::NoFrame);
  listBox_->setUniformItemSizes(true);
  listBox_->setSelectionMode(QAbstractItemView::SingleSelection);
  listBox_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  font.setBold(true);
  listBox_->setFont(font);
  FillWith(listBox_, QColor(131, 226, 222));
  listBox_->viewport()->setAutoFillBackground(true);
  listBox_->viewport()->setPalette(listBox_->palette());
  listBox_->setItemDelegate(new TabbedLineDelegate(listBox_));
  connect(listBox_, &QListWidget::itemClicked, this, &TAboutBox::ListBoxClick);

  strip_ = new QFrame(this);
  strip_->setObjectName("Panel1");
  strip_->setFixedHeight(41);
  okButton_ = new QPushButton(QStringLiteral("OK"), strip_);
  okButton_->setObjectName("OKButton");
  okButton_->setFlat(true);
  okButton_->setFixedSize(75, 25);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  auto* stripLayout = new QHBoxLayout(strip_);
  stripLayout->setContentsMargins(0, 8, 0, 8);
  stripLayout->addStretch();
  stripLayout->addWidget(okButton_);
  stripLayout->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(listBox_);
  layout->addWidget(strip_);
  // Room for the main window's nineteen lines without a scroll bar.
  setFixedSize(520, 19 * kLineHeight + 16 + 41);
}

int TAboutBox::Show(const QList<Text>& lines) {
  TranslateWindow(this);
  const QList<Text> copy = lines;
  for (qsizetype i = copy.size() - 1; i >= 0; --i) listBox_->addItem(ToQt(copy[i]));
  CentreOnScreen(this);
  return RunModal(this);
}

int TAboutBox::TabStopPixels(const QFont& font) {
  // One horizontal dialog unit is a quarter of the font's average character
  // width, measured over the letters as the system does it.
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int average = (letters / 26 + 1) / 2;
  return std::max(1, 80 * average / 4);
}

QList<TAboutBox::Piece> TAboutBox::LayoutTabs(const QString& line, const QFontMetrics& metrics,
                                              int tabStop) {
  const int tab = std::max(1, tabStop);
  QList<Piece> pieces;
  int x = 0;
  const QStringList parts = line.split(u'\t');
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (i > 0) x = (x / tab + 1) * tab;
    pieces.append({x, parts[i]});
    x += metrics.horizontalAdvance(parts[i]);
  }
  return pieces;
}

void TAboutBox::ListBoxClick(QListWidgetItem* item) {
  if (!item) return;
  const Text line = FromQt(item->text());
  if (line.isEmpty() || line == "-") return;
  ShowPlain(line);
}

void ShowAboutBox(const QList<Text>& lines) {
  TAboutBox box;
  box.Show(lines);
}

// ===== TFormInfolist =====

TFormInfolist::TFormInfolist(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("FormInfolist");
  setWindowTitle(QStringLiteral("Setup 720 Info"));
  const QColor yellow(255, 255, 224);

  panel1_ = new QFrame(this);
  panel1_->setObjectName("Panel1");
  FillWith(panel1_, yellow);
  panel2_ = new QFrame(this);
  panel2_->setObjectName("Panel2");
  panel2_->setFrameShape(QFrame::StyledPanel);
  FillWith(panel2_, yellow);

  label1_ = new QLabel(panel1_);
  label1_->setObjectName("Label1");
  QFont bold = label1_->font();
  bold.setBold(true);
  label1_->setFont(bold);
  QPalette navy = label1_->palette();
  navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
  label1_->setPalette(navy);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  image1_ = new LogoView(panel1_);
  image1_->setObjectName("Image1");

  btOK_ = new QPushButton(QStringLiteral("OK"), panel2_);
  btOK_->setObjectName("BtOK");
  btOK_->setFlat(true);
  btOK_->setDefault(true);
  QPalette navyButton = btOK_->palette();
  navyButton.setColor(QPalette::ButtonText, QColor(0, 0, 128));
  btOK_->setPalette(navyButton);
  btOK_->setFont(bold);
  connect(btOK_, &QPushButton::clicked, this, &QDialog::accept);

  resize(290, 134);
  // The gap the OK button keeps from the right edge when the window is resized.
  okRightGap_ = 8;
  Arrange();
}

void TFormInfolist::Arrange() {
  const int w = width();
  const int h = height();
  constexpr int kStrip = 31;
  panel1_->setGeometry(0, 0, w, std::max(0, h - kStrip));
  panel2_->setGeometry(0, std::max(0, h - kStrip), w, kStrip);
  btOK_->setGeometry(w - okRightGap_ - 75, 3, 75, 25);
  label1_->move(12, 10);
  // The logo takes the room right of the text, up to its own size.
  QWidget* logo = image1_;
  const int left = label1_->x() + label1_->width() + 12;
  const QSize room(w - 8 - left, panel1_->height() - 16);
  const QSize size = QSize(200, 130).boundedTo(QSize(200, 130).scaled(room, Qt::KeepAspectRatio));
  if (room.width() < 60 || room.height() < 40 || size.width() < 60) {
    logo->hide();
    return;
  }
  logo->setGeometry(w - 8 - size.width(), 8, size.width(), size.height());
  logo->show();
}

QRect TFormInfolist::Placement(int x, int y, QSize labelSize) {
  const int height = labelSize.height() + 118;
  const int width = LimitInt(labelSize.width() + 50, 290, 500);
  const int left = std::max(0, x - width + 32);
  return {left, y + 32, width, height};
}

int TFormInfolist::ShowAt(int x, int y, const Text& text) {
  // Translated first, so that a language file cannot replace the text shown.
  TranslateWindow(this);
  label1_->setText(ToWidgetText(text));
  label1_->adjustSize();
  if (Glb) Glb->Delay(200);
  const QRect place = Placement(x, y, label1_->size());
  resize(place.size());
  move(place.topLeft());
  Arrange();
  return RunModal(this);
}

void TFormInfolist::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  btOK_->setFocus();
}

void TFormInfolist::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Arrange();
}

TFormInfolist* FormInfolist() {
  if (!g_infolist) g_infolist = new TFormInfolist();
  return g_infolist;
}

void ShowInfoList(int x, int y, const Text& text) { FormInfolist()->ShowAt(x, y, text); }

// ===== TFormDisclaim =====

TFormDisclaim::TFormDisclaim(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName("FormDisclaim");
  setWindowTitle(ToQt(T("Nutzungsbestimmungen") + " " + T("ORX Messtechnik GmbH")));

  listBox1_ = new QListWidget(this);
  listBox1_->setObjectName("ListBox1");
  for (const Text& line : TermsLines()) listBox1_->addItem(ToQt(line));

  label1_ = new QLabel(this);
  label1_->setObjectName("Label1");
  label1_->setText(ToWidgetText(T("Wenn Sie die Nutzungsbedingungen gelesen haben") + "\r\n" +
                                T("und damit einverstanden sind, geben Sie bitte im Eingabefeld") +
                                "\r\n" + T("  \"OK\"   ein.")));
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  edit1_ = new QLineEdit(this);
  edit1_->setObjectName("Edit1");
  edit1_->setFixedWidth(90);
  connect(edit1_, &QLineEdit::textEdited, this, &TFormDisclaim::Edit1Change);

  btDisclaimOK_ = new QPushButton(QStringLiteral("Abbrechen"), this);
  btDisclaimOK_->setObjectName("BtDisclaimOK");
  btDisclaimOK_->setFixedSize(90, 28);
  btDisclaimOK_->setAutoDefault(false);
  connect(btDisclaimOK_, &QPushButton::clicked, this, &TFormDisclaim::BtDisclaimOKClick);

  btPrint_ = new QToolButton(this);
  btPrint_->setObjectName("BtPrint");
  btPrint_->setIcon(PrinterIcon());
  btPrint_->setIconSize(QSize(20, 20));
  btPrint_->setFixedSize(28, 28);
  connect(btPrint_, &QToolButton::clicked, this, &TFormDisclaim::BtPrintClick);

  label1_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(edit1_);
  bottom->addStretch();
  bottom->addWidget(btPrint_);
  bottom->addSpacing(8);
  bottom->addWidget(btDisclaimOK_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->addWidget(listBox1_, 1);
  layout->addSpacing(6);
  layout->addWidget(label1_);
  layout->addSpacing(4);
  layout->addLayout(bottom);
  setFixedSize(600, 500);
}

TFormDisclaim::~TFormDisclaim() = default;

QList<Text> TFormDisclaim::TermsLines() {
  static const char* const kLines[] = {
      "Nutzungsbestimmungen ",
      "",
      "A. Softwarenutzung ",
      "Die ORX Messtechnik GmbH stellt diese Software kostenlos zur Verf\xFCgung.",
      "Sie darf frei genutzt, vervielf\xE4ltigt und unver\xE4ndert an Dritte",
      "weitergegeben werden. Eine Weitergabe gegen Entgelt bedarf der",
      "vorherigen schriftlichen Zustimmung der ORX Messtechnik GmbH.",
      "",
      "B. Urheberrechte und Rechte Dritter ",
      "Die Software ist urheberrechtlich gesch\xFCtzt. Alle Rechte liegen bei der",
      "ORX Messtechnik GmbH oder bei den jeweiligen Rechteinhabern. Hinweise",
      "auf Urheberrechte, Marken und andere Schutzrechte in der Software",
      "d\xFCrfen weder entfernt noch ver\xE4ndert werden.",
      "",
      "C. \xDC" "bertragung von Rechten ",
      "Mit der \xDC" "berlassung der Software \xFC" "bertr\xE4gt die ORX Messtechnik GmbH",
      "weder eine Lizenz noch ein anderes Recht an der Software, an Marken",
      "oder an sonstigen Schutzrechten. Die Nutzung ist nur im Umfang dieser",
      "Bestimmungen erlaubt.",
      "",
      "D. Haftung ",
      "Soweit gesetzlich zul\xE4ssig, haftet die ORX Messtechnik GmbH nicht f\xFCr",
      "Sch\xE4" "den, die aus der Nutzung oder der Unm\xF6glichkeit der Nutzung der",
      "Software entstehen, insbesondere nicht f\xFCr Datenverluste und f\xFCr",
      "Sch\xE4" "den an Messger\xE4ten oder an anderer Hardware. Die Haftung f\xFCr",
      "Vorsatz und grobe Fahrl\xE4ssigkeit sowie nach dem Produkthaftungsgesetz",
      "bleibt unber\xFChrt.",
      "",
      "E. Informationsinhalt ",
      "Die ORX Messtechnik GmbH bem\xFCht sich um richtige und vollst\xE4ndige",
      "Angaben in der Software und den zugeh\xF6rigen Unterlagen, \xFC" "bernimmt",
      "daf\xFCr aber keine Gew\xE4hr. Die ORX Messtechnik GmbH ist nicht",
      "verpflichtet, die Software oder ihre Inhalte zu aktualisieren.",
      "\xC4nderungen bleiben vorbehalten.",
      "",
      "F. Sonstiges ",
      "F\xFCr diese Bestimmungen gilt das Recht der Bundesrepublik Deutschland",
      "unter Ausschluss des UN-Kaufrechts (CISG). Ist eine Bestimmung",
      "unwirksam, bleiben die \xFC" "brigen Bestimmungen davon unber\xFChrt.",
      "",
      "Gerichtsstand ist der Sitz der ORX Messtechnik GmbH.",
      "",
      "Stand: 1. November 2002",
  };
  QList<Text> lines;
  for (const char* line : kLines) lines.append(Text(line));
  return lines;
}

ReportPrintRequest TFormDisclaim::PrintRequest(const QString& programDir,
                                               const Text& languageName) {
  const QString folder = QDir::toNativeSeparators(programDir + "report");
  const Text file = languageName == "GERMAN" ? T("Disclaim.PFM") : T("Disclaim_GB.PFM");
  return {"Pfmads", "Kommando", ReportCommandText({ReportExecuteLine(folder, file)})};
}

bool TFormDisclaim::Execute() {
  continues_ = false;
  byButton_ = false;
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  CentreOnScreen(this);
  g_disclaimRunning = true;
  RunModal(this);
  g_disclaimRunning = false;
  return continues_;
}

void TFormDisclaim::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  TranslateWindow(this);
  edit1_->setFocus();
}

void TFormDisclaim::Edit1Change() {
  // Accepting once is final: editing the field afterwards does not undo it.
  if (FromQt(edit1_->text()).toUpper() != "OK") return;
  btDisclaimOK_->setText(QStringLiteral("OK"));
  if (Glb) Glb->DisclaimerAccepted = true;
}

void TFormDisclaim::BtDisclaimOKClick() {
  continues_ = Glb && Glb->DisclaimerAccepted && !edit1_->text().isEmpty();
  // A failed write is not fatal: the closing tool stores the acceptance again.
  if (continues_) StoreAcceptance();
  byButton_ = true;
  done(continues_ ? QDialog::Accepted : QDialog::Rejected);
}

void TFormDisclaim::done(int result) {
  // Closed any other way (close box, Escape): the acceptance so far decides.
  if (!byButton_) continues_ = Glb && Glb->DisclaimerAccepted;
  byButton_ = false;
  QDialog::done(result);
  if (!continues_) CloseMainWindow();
}

void TFormDisclaim::BtPrintClick() {
  const ReportPrintRequest request =
      PrintRequest(Glb ? Glb->ProgramDir : QString(), Glb ? Glb->LanguageName : Text());
  // A service that is not running or refuses gets no message; a system that has
  // no such service at all says so rather than seem to print.
  if (SendReportPrint(request) == ReportPrintResult::Unavailable)
    ShowInfo(T("Kein Berichtsdruckdienst vorhanden: die Nutzungsbestimmungen wurden nicht "
               "gedruckt."));
}

TFormDisclaim* FormDisclaim() { return g_disclaim; }

bool OpenDisclaimer() {
  if (!g_disclaim) g_disclaim = new TFormDisclaim();
  return g_disclaim->Execute();
}

void CloseDisclaimer() {
  if (!g_disclaim) return;
  TFormDisclaim* window = g_disclaim;
  g_disclaim.clear();
  window->hide();
  if (g_disclaimRunning) window->deleteLater();
  else delete window;
}

void SetMainWindowCloser(std::function<void()> closer) { Closer() = std::move(closer); }
