#include "shell/tform1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QWindowStateChangeEvent>

#include "sigmatch/sigmatch.h"
#include "shell/dialogs.h"
#include "shell/locale_format.h"
#include "shell/orv_error.h"
#include "shell/report_log.h"
#include "shell/rtf/rtf_reader.h"

// Resources of a static library are only linked when something names them.
static void initResources() { Q_INIT_RESOURCE(orv); }

namespace orv {
namespace {

TrayAvailability g_trayAvailability = &QSystemTrayIcon::isSystemTrayAvailable;

}  // namespace

QString baseDirFromArguments(const QStringList& arguments) {
  return arguments.isEmpty() ? QString() : arguments.constFirst();
}

void TForm1::setTrayAvailability(TrayAvailability check) { g_trayAvailability = check; }

TForm1::TForm1(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  initResources();
  buildWindow();
  m_report = std::make_unique<ReportLog>(Logging, Memo1);
  connectHandlers();
  BaseDir = baseDirFromArguments(arguments);
  FormCreate(this);
}

TForm1::~TForm1() = default;

void TForm1::connectHandlers() {
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(Button2); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(Button3); });
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { PageControl1Change(PageControl1); });
  connect(Task->findChild<QAction*>(QStringLiteral("ORVbeenden1")), &QAction::triggered, qApp,
          &QCoreApplication::quit, Qt::QueuedConnection);
}

void TForm1::FormCreate(QObject*) {
  Initialising = true;
  addTrayIcon();
  AddReportLine(QStringLiteral("ORV Report erstellt am ") + shortDateNow() + QLatin1Char('.'),
                kBlack, false);
  if (!Conns.IsAvailable()) {
    Dialogs::current().message(
        this, QStringLiteral("Auf Ihrem Rechner ist kein aktives DFÜ Netzwerk gefunden worden. "
                             "ORV wird beendet."));
    removeTrayIcon();
    m_startupAborted = true;
    Initialising = false;
    return;
  }
  try {
    runStartupSteps();
  } catch (const OrvError& error) {
    // The steps done so far stay; the program keeps running with them.
    Dialogs::current().error(this, error.text());
  }
  Initialising = false;
}

void TForm1::runStartupSteps() {
  AddReportLine(QStringLiteral(" ORV gestartet und DFÜ Netzwerküberwachung initialisiert."),
                kBlack, false);
  SignatureCount =
      InitDialersDatabase(QFile::encodeName(BaseDir + QStringLiteral("orv.sig")).constData());
  ScanStatus->setText(QString::number(SignatureCount) +
                      QStringLiteral(" Dialersignaturen geladen ..."));
  Version->setText(QStringLiteral("Sie verwenden ORV Version 3.0 mit ") +
                   QString::number(SignatureCount) +
                   QStringLiteral(" geladenen Dialersignaturen."));
  AddReportLine(Version->text(), kBlack, false);
  m_report->addEmptyLine();
  loadHelpText();
  ExaminedProcesses.clear();
  m_startVisible = true;
}

void TForm1::loadHelpText() {
  const QString path = BaseDir + QStringLiteral("hilfe.rtf");
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw OrvError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(path));
  loadRichText(Hilfe->document(), file.readAll());
  Hilfe->moveCursor(QTextCursor::Start);
}

void TForm1::FormDestroy(QObject*) {
  if (m_destroyed) return;
  m_destroyed = true;
  removeTrayIcon();
}

void TForm1::PageControl1Change(QObject*) {
  // The connection list is refreshed on every visit of its page once it exists.
}

void TForm1::AddReportLine(const QString& text, int32_t colour, bool copyToScanMemo) {
  m_report->addLine(text, colour, copyToScanMemo);
}

void TForm1::Button1Click(QObject*) {
  const QString name = Dialogs::current().saveFile(this, m_lastReportName,
                                                   QStringLiteral("Rich Text Format (*.rtf)"));
  if (name.isEmpty()) return;
  m_lastReportName = name;
  try {
    m_report->save(name);
  } catch (const OrvError& error) {
    Dialogs::current().error(this, error.text());
  }
}

void TForm1::Button2Click(QObject*) {
  // Printing follows whether the dialog was confirmed or cancelled.
  Dialogs::current().printSetup(this, m_printer.get());
  m_printer->setDocName(QStringLiteral("ORV Reportdatei vom ") + shortDateNow());
  try {
    m_report->print(*m_printer);
  } catch (const OrvError& error) {
    Dialogs::current().error(this, error.text());
  }
}

void TForm1::Button3Click(QObject*) { m_report->clear(); }

void TForm1::addTrayIcon() {
  if (TrayIcon || !g_trayAvailability()) return;
  TrayIcon = new QSystemTrayIcon(windowIcon(), this);
  TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
  TrayIcon->setToolTip(QStringLiteral("ORV Version 3.0"));
  TrayIcon->setContextMenu(Task);
  connect(TrayIcon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason != QSystemTrayIcon::DoubleClick || isVisible()) return;
            show();
            setWindowState(windowState() & ~Qt::WindowMinimized);
            raise();
            activateWindow();
          });
  TrayIcon->show();
}

void TForm1::removeTrayIcon() {
  if (!TrayIcon) return;
  TrayIcon->hide();
  delete TrayIcon;
  TrayIcon = nullptr;
}

void TForm1::ApplicationMinimize() { hide(); }

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
    QMetaObject::invokeMethod(this, &TForm1::ApplicationMinimize, Qt::QueuedConnection);
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program, without a question.
  event->accept();
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

}  // namespace orv
