// The main window's controls: where they sit, what they say, and their initial state.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <climits>
#include <functional>
#include <memory>
#include <utility>

#include "shell/follow_end.h"
#include "shell/jpeg_image.h"
#include "shell/status_line.h"
#include "shell/tform1.h"

namespace orv {
namespace {

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QCheckBox* checkBox(const char* name, const QString& text) {
  return named(new QCheckBox(text), name);
}

QSpinBox* unboundedSpinBox(const char* name) {
  auto* box = named(new QSpinBox, name);
  box->setRange(INT_MIN, INT_MAX);
  box->setValue(0);
  return box;
}

QLabel* wrappedLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

// Runs `work` once, when `widget` is first shown (before it is painted).
class OnFirstShow : public QObject {
 public:
  OnFirstShow(QWidget* widget, std::function<void()> work)
      : QObject(widget), m_widget(widget), m_work(std::move(work)) {
    widget->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_widget && event->type() == QEvent::Show) {
      m_widget->removeEventFilter(this);
      m_work();
    }
    return false;
  }

 private:
  QWidget* m_widget;
  std::function<void()> m_work;
};

// Read as the PNG it is, without asking around: an icon made from the file name, or a reader
// left to recognise the format, loads every image format plugin to ask which reads it.
QImage loadIcon() {
  QImageReader reader(QStringLiteral(":/orv/orv.png"), "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

QImage loadLogo() {
  QFile file(QStringLiteral(":/orv/logo.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return decodeJpeg(file.readAll());
}

}  // namespace

void TForm1::buildWindow() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("ORV - Orvel 3.0"));
  setWindowIcon(QIcon(QPixmap::fromImage(loadIcon())));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  QFont font;
  // The classic dialog font where there is one, else a sans serif of the same width.
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
  font.setPointSize(8);
  setFont(font);

  // Everything is made inside the window, whose font it takes from the start: a text box
  // made outside would first lay itself out in the desktop's font, which costs the start a
  // font of its own.
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(buildHeader());

  Panel1 = named(new QWidget, "Panel1");
  Panel1->setFixedHeight(1);
  Panel1->setAutoFillBackground(true);
  QPalette line = Panel1->palette();
  line.setColor(QPalette::Window, QColor(64, 0, 64));
  Panel1->setPalette(line);
  layout->addWidget(Panel1);

  PageControl1 = named(new QTabWidget(central), "PageControl1");
  PageControl1->addTab(buildReportPage(), QStringLiteral("Reportdatei"));
  PageControl1->addTab(buildConnectionsPage(), QStringLiteral("DFÜ Netzwerk"));
  PageControl1->addTab(buildScanPage(), QStringLiteral("Suche nach Dialern"));
  PageControl1->addTab(buildSettingsPage(), QStringLiteral("Einstellungen"));
  PageControl1->addTab(buildHelpPage(), QStringLiteral("Hilfe und Updates"));
  PageControl1->setCurrentIndex(0);
  layout->addWidget(PageControl1, 1);
  setCentralWidget(central);
  setFixedSize(588, 399);

  DFUTimer = named(new QTimer(this), "DFUTimer");
  DFUTimer->setInterval(1000);
  SpeicherTimer = named(new QTimer(this), "SpeicherTimer");
  SpeicherTimer->setInterval(1000);

  Task = named(new QMenu(this), "Task");
  QAction* dialup = Task->addAction(QStringLiteral("&DFÜ Netzwerküberwachung aktiv"));
  dialup->setObjectName(QStringLiteral("DFNetzwerkberwachungaktivieren1"));
  dialup->setCheckable(true);
  QAction* processes = Task->addAction(QStringLiteral("&Prozessüberwachung aktiv"));
  processes->setObjectName(QStringLiteral("Prozessberwachungaktiv1"));
  processes->setCheckable(true);
  Task->addAction(QStringLiteral("ORV &beenden"))->setObjectName(QStringLiteral("ORVbeenden1"));
}

QFileSystemModel* TForm1::folderModel() {
  if (verzModel) return verzModel;
  verzModel = new QFileSystemModel(this);
  // Hidden folders too: Windows programs, dialers among them, live under ~/.wine.
  verzModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives | QDir::Hidden);
  verzModel->setRootPath(QStringLiteral("/"));
  verz->setModel(verzModel);
  for (int column = 1; column < verzModel->columnCount(); ++column) verz->hideColumn(column);
  // The user's home starts selected and in view. The model lists folders in the
  // background, so the view follows once the home's own folder has been read.
  const QString home = QDir::homePath();
  const QModelIndex homeIndex = verzModel->index(home);
  verz->setCurrentIndex(homeIndex);
  for (QModelIndex p = homeIndex.parent(); p.isValid(); p = p.parent()) verz->expand(p);
  const QString homeParent = QFileInfo(home).path();
  auto connection = std::make_shared<QMetaObject::Connection>();
  *connection = connect(verzModel, &QFileSystemModel::directoryLoaded, this,
                        [this, homeParent, connection](const QString& loaded) {
                          if (loaded != homeParent) return;
                          verz->scrollTo(verz->currentIndex(), QAbstractItemView::PositionAtCenter);
                          disconnect(*connection);
                        });
  return verzModel;
}

void TForm1::centreOnDesktop() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  // Placed before it is first shown, so that window managers that would put a new window in a
  // corner take the given place instead.
  QRect placed = geometry();
  placed.moveCenter(screen->availableGeometry().center());
  move(placed.topLeft());
}

QWidget* TForm1::buildHeader() {
  BalkenOben = named(new QWidget, "BalkenOben");
  BalkenOben->setFixedHeight(73);
  BalkenOben->setAutoFillBackground(true);
  QPalette white = BalkenOben->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  BalkenOben->setPalette(white);

  auto* layout = new QHBoxLayout(BalkenOben);
  layout->setContentsMargins(8, 4, 4, 4);
  auto* texts = new QVBoxLayout;
  texts->setSpacing(2);
  Titel = named(new QLabel(QStringLiteral("Willkommen bei Orvel")), "Titel");
  QFont bold = Titel->font();
  bold.setBold(true);
  Titel->setFont(bold);
  Leiste = named(wrappedLabel(QStringLiteral(
                     "ORV ist ein Rundumschutz vor sogenannten 0190 Dialern. Es arbeitet dabei "
                     "mit mehreren Such- und Erkennungsmethoden und bietet dadurch einen bislang "
                     "einzigartigen Komplettschutz für Ihr System.")),
                 "Leiste");
  texts->addWidget(Titel);
  texts->addWidget(Leiste, 1);
  layout->addLayout(texts, 1);

  Logo = named(new QLabel, "Logo");
  Logo->setFixedSize(150, 65);
  Logo->setPixmap(QPixmap::fromImage(loadLogo()));
  layout->addWidget(Logo);
  return BalkenOben;
}

QWidget* TForm1::buildReportPage() {
  auto* page = named(new QWidget(this), "TabReport");
  // Plain text box with coloured characters: it lays out only what is shown, so a long
  // report costs nothing while the page is hidden.
  Logging = named(new QPlainTextEdit(page), "Logging");
  Logging->setReadOnly(true);
  // The report only grows; an undo history of every line would grow with it for nothing.
  Logging->setUndoRedoEnabled(false);
  Logging->setLineWrapMode(QPlainTextEdit::NoWrap);
  Logging->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Logging->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  new FollowEnd(Logging);
  Button1 = named(new QPushButton(QStringLiteral("Report speichern")), "Button1");
  Button2 = named(new QPushButton(QStringLiteral("Report drucken")), "Button2");
  Button3 = named(new QPushButton(QStringLiteral("Report leeren")), "Button3");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  buttons->addWidget(Button3);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Logging, 1);
  layout->addLayout(buttons);
  return page;
}

QWidget* TForm1::buildConnectionsPage() {
  TabSheet1 = named(new QWidget(this), "TabSheet1");
  Liste = named(new QTreeWidget(TabSheet1), "Liste");
  Liste->setRootIsDecorated(false);
  Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
  Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Liste->setHeaderLabels({QStringLiteral("Verbindungsname"), QStringLiteral("Telefonnummer"),
                          QStringLiteral("Benutzername"), QStringLiteral("Kennwort"),
                          QStringLiteral("Status")});
  Liste->setContextMenuPolicy(Qt::CustomContextMenu);
  PopUpConns = named(new QMenu(this), "PopUpConns");
  PopUpConns->addAction(QStringLiteral("Verbinden"))->setObjectName(QStringLiteral("Verbinden1"));
  PopUpConns->addAction(QStringLiteral("Trennen"))->setObjectName(QStringLiteral("rennen1"));
  PopUpConns->addAction(QStringLiteral("Editieren"))->setObjectName(QStringLiteral("Editieren1"));
  PopUpConns->addAction(QStringLiteral("Löschen"))->setObjectName(QStringLiteral("rennen2"));

  Button7 = named(new QPushButton(QStringLiteral("Aktualisieren")), "Button7");
  Label6 = named(wrappedLabel(QStringLiteral(
                     "TIP: Optionenen und Funktionen zu den Verbindungen erreichen Sie über einen "
                     "Rechtsklick auf die betreffende Verbindung.")),
                 "Label6");
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Label6, 1);
  bottom->addWidget(Button7);
  auto* layout = new QVBoxLayout(TabSheet1);
  layout->addWidget(Liste, 1);
  layout->addLayout(bottom);
  return TabSheet1;
}

QWidget* TForm1::buildScanPage() {
  auto* page = named(new QWidget(this), "TabScan");
  verz = named(new QTreeView(page), "verz");
  verz->setHeaderHidden(true);
  verz->setMinimumWidth(190);
  verz->setMaximumWidth(190);
  // The tree gets its model when it is first shown; its current folder is brought into view
  // once the tree has a size to scroll in.
  new OnFirstShow(verz, [this] {
    folderModel();
    QTimer::singleShot(0, verz, [this] {
      verz->scrollTo(verz->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
  });

  Label1 =
      named(wrappedLabel(QStringLiteral("Wählen Sie links den Ordner, den ORV durchsuchen soll.")),
            "Label1");
  Label2 =
      named(wrappedLabel(QStringLiteral(
                "Geprüft werden alle .EXE-Dateien in diesem Ordner und in allen Unterordnern.")),
            "Label2");
  Label3 = named(wrappedLabel(QStringLiteral("Funde erscheinen hier und im Report.")), "Label3");
  Memo1 = named(new QPlainTextEdit(page), "Memo1");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  new FollowEnd(Memo1);
  Button4 = named(new QPushButton(QStringLiteral("Scan starten")), "Button4");
  Button5 = named(new QPushButton(QStringLiteral("Scan abbrechen")), "Button5");
  Button5->setEnabled(false);
  ScanStatus = named(new QLabel(QStringLiteral("Status ...")), "ScanStatus");
  // It shows file names: never read as markup.
  ScanStatus->setTextFormat(Qt::PlainText);
  // The scan changes the status twice per file: its line paints no more often than a
  // screen could show it, and a long path never widens or lays out the window.
  m_scanStatusLine = new StatusLine(ScanStatus);

  auto* right = new QVBoxLayout;
  right->addWidget(Label1);
  right->addWidget(Label2);
  right->addWidget(Label3);
  right->addWidget(Memo1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button4);
  buttons->addWidget(Button5);
  buttons->addStretch(1);
  right->addLayout(buttons);
  auto* columns = new QHBoxLayout;
  columns->addWidget(verz);
  columns->addLayout(right, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(columns, 1);
  layout->addWidget(m_scanStatusLine);
  return page;
}

QWidget* TForm1::buildSettingsPage() {
  auto* page = named(new QWidget(this), "TabSettings");

  auto* general = named(new QGroupBox(QStringLiteral("Allgemeine Einstellungen")), "GroupBox2");
  AutoStart = checkBox("AutoStart", QStringLiteral("ORV automatisch mit Windows starten"));
  Minimiert = checkBox("Minimiert", QStringLiteral("ORV minimiert starten"));
  Sperre = checkBox("Sperre", QStringLiteral("Sicherheitssperre aktivieren"));
  Warnsignal = checkBox("Warnsignal", QStringLiteral("Akkustisches Warnsignal ausgeben"));
  auto* generalLayout = new QVBoxLayout(general);
  generalLayout->setSpacing(2);
  for (QWidget* box : {AutoStart, Minimiert, Sperre, Warnsignal}) generalLayout->addWidget(box);

  GroupBox1 = named(new QGroupBox(QStringLiteral("Einstellungen für die DFÜ Netzwerküberwachung")),
                    "GroupBox1");
  ScanRAS = checkBox("ScanRAS", QStringLiteral("DFÜ Netzwerk permanent überwachen"));
  IntervallRAS = unboundedSpinBox("IntervallRAS");
  auto* dialupLayout = new QVBoxLayout(GroupBox1);
  dialupLayout->setSpacing(2);
  dialupLayout->addWidget(ScanRAS);
  QLabel* intervalLabel =
      wrappedLabel(QStringLiteral("Prüfinterfall für DFÜ Netzwerküberwachung in ms:"));
  // Two lines in this narrow column; a wrapped label does not claim them by itself.
  intervalLabel->setMinimumHeight(2 * intervalLabel->fontMetrics().lineSpacing() + 2);
  dialupLayout->addWidget(intervalLabel);
  dialupLayout->addWidget(IntervallRAS);

  auto* disk = named(
      new QGroupBox(QStringLiteral("Einstellungen für die Festplatten- und Speicherüberprüfung")),
      "GroupBox3");
  CheckMemory = checkBox("CheckMemory", QStringLiteral("Den Speicher auf Dialer überwachen"));
  UseHeur = checkBox("UseHeur", QStringLiteral("Heuristik auch beim Laufwerksscan aktivieren"));
  ReportOnly = checkBox("ReportOnly", QStringLiteral("Gefundene Dialer nur melden"));
  ReportOnly->setChecked(true);
  IntervallMEM = unboundedSpinBox("IntervallMEM");
  Erlaubt = named(new QPlainTextEdit(page), "Erlaubt");
  Erlaubt->setLineWrapMode(QPlainTextEdit::NoWrap);
  Erlaubt->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Erlaubt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* diskLayout = new QGridLayout(disk);
  diskLayout->addWidget(CheckMemory, 0, 0, 1, 2);
  diskLayout->addWidget(UseHeur, 1, 0, 1, 2);
  diskLayout->addWidget(ReportOnly, 2, 0, 1, 2);
  diskLayout->addWidget(new QLabel(QStringLiteral("Prüfintervall für Speicher in ms:")), 3, 0);
  IntervallMEM->setFixedWidth(90);
  diskLayout->addWidget(IntervallMEM, 3, 1, Qt::AlignRight);
  diskLayout->addWidget(new QLabel(QStringLiteral("Erlaubte Anwendungen:")), 4, 0, 1, 2);
  diskLayout->addWidget(Erlaubt, 5, 0, 1, 2);
  diskLayout->setRowStretch(5, 1);

  // The right group's title is the longest text of the page: it gets the room it needs.
  auto* left = new QWidget;
  left->setFixedWidth(246);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(general);
  leftLayout->addWidget(GroupBox1);
  leftLayout->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(left);
  layout->addWidget(disk, 1);
  return page;
}

QWidget* TForm1::buildHelpPage() {
  auto* page = named(new QWidget(this), "TabHelp");
  Version = named(new QLineEdit, "Version");
  Version->setReadOnly(true);
  Hilfe = named(new QTextEdit(page), "Hilfe");
  Hilfe->setReadOnly(true);
  Hilfe->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  new OnFirstShow(Hilfe, [this] { showHelpText(); });
  Button6 = named(new QPushButton(QStringLiteral("Auf Updates prüfen")), "Button6");
  Button6->setEnabled(false);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(Button6);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Version);
  layout->addWidget(Hilfe, 1);
  layout->addLayout(bottom);
  return page;
}

}  // namespace orv
