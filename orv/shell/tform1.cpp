#include "shell/tform1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QWindowStateChangeEvent>
#include <utility>

#include "detect/allowed_list.h"
#include "detect/display_path.h"
#include "detect/file_changes.h"
#include "detect/native_path.h"
#include "dialup/dialup_monitor.h"
#include "regular_file.h"
#include "shell/dialogs.h"
#include "shell/locale_format.h"
#include "shell/orv_error.h"
#include "shell/repaint_throttle.h"
#include "shell/report_log.h"
#include "shell/rtf/rtf_reader.h"
#include "shell/signature_load.h"
#include "shell/status_line.h"
#include "shell/unix_signals.h"
#include "shell/user_folder.h"
#include "shell/warm_up.h"
#include "warning/tmeldung.h"
#include "warning/warning_presenter.h"

// Resources of a static library are only linked when something names them.
static void initResources() {
  Q_INIT_RESOURCE(orv);
}

namespace orv {
namespace {

TrayAvailability g_trayAvailability = &QSystemTrayIcon::isSystemTrayAvailable;

}  // namespace

QString baseDirFromArguments(const QStringList& arguments) {
  if (arguments.isEmpty()) return {};
  if (arguments.constFirst() == userFolderOption()) return userFolder();
  return arguments.constFirst();
}

QString defaultReportFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QStringList programArguments(int argc, const char* const* argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << pathFromNative(QByteArray(argv[i]));
  return arguments;
}

QByteArray signatureFileAhead(int argc, const char* const* argv) {
  if (argc < 2) return QByteArrayLiteral("orv.sig");
  // An option may be the application's own, which it takes out of the arguments, or asks for
  // the user folder, which start-up may first have to fill.
  if (argv[1][0] == '-') return {};
  return QByteArray(argv[1]) + "orv.sig";
}

void TForm1::setTrayAvailability(TrayAvailability check) {
  g_trayAvailability = check;
}

bool TForm1::trayAvailable() const {
  return TrayIcon && g_trayAvailability();
}

TForm1::TForm1(const QStringList& arguments, UnixSignals* terminationSignals, QWidget* parent)
    : QMainWindow(parent), m_arguments(arguments) {
  // Step 8 of start-up takes the count; the file is read meanwhile, beside the window's
  // construction, or from the program's start where main began it (see signatureFileAhead).
  m_signatureLoad = SignatureLoad::takeOver(
      pathToNative(baseDirFromArguments(arguments) + QStringLiteral("orv.sig")));
  // The hidden page "DFÜ Netzwerk" and the dial-up monitor look at the connections during
  // start-up; the service's first look, the costly one, is taken meanwhile.
  WarmUp dialupService(&TRasConnector::PrepareService);
  initResources();
  buildWindow();
  centreOnDesktop();
  // The monitor exists before start-up runs the option handlers that switch it on.
  m_processMonitor = std::make_unique<ProcessMonitor>(
      *this, BaseDir, ExaminedProcesses, *SpeicherTimer, ProcessSource::libprocs(), this);
  createDialupMonitor();
  m_report = std::make_unique<ReportLog>(Logging, Memo1);
  m_repaintThrottle = new RepaintThrottle(this);
  m_allowed = std::make_unique<AllowedList>(Erlaubt);
  connectHandlers();
  if (terminationSignals)
    connect(terminationSignals, &UnixSignals::terminationRequested, this, &TForm1::requestQuit);
  dialupService.wait();
  FormCreate(this);
}

TForm1::~TForm1() = default;

void TForm1::connectHandlers() {
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(Button2); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(Button3); });
  connect(PageControl1, &QTabWidget::currentChanged, this,
          [this] { PageControl1Change(PageControl1); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(Button4); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(Button5); });
  // "Scan abbrechen" is the cancel button of its page: Escape stops a running scan while
  // that page shows, wherever the focus is.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (PageControl1->currentWidget() == Button5->parentWidget() && Button5->isEnabled())
      Button5->click();
  });
  connect(UseHeur, &QCheckBox::toggled, this, [this] { UseHeurClick(UseHeur); });
  connect(CheckMemory, &QCheckBox::toggled, this, [this] { CheckMemoryClick(CheckMemory); });
  connect(IntervallMEM, &QSpinBox::valueChanged, this,
          [this] { IntervallMEMChange(IntervallMEM); });
  connect(SpeicherTimer, &QTimer::timeout, this, [this] { SpeicherTimerTimer(SpeicherTimer); });
  connect(AutoStart, &QCheckBox::toggled, this, [this] {
    try {
      AutoStartClick(AutoStart);
    } catch (const OrvError& error) {
      reportOptionError(error.text());
    }
  });
  connect(Sperre, &QCheckBox::toggled, this, [this] { SperreClick(Sperre); });
  connect(Warnsignal, &QCheckBox::toggled, this, [this] { WarnsignalClick(Warnsignal); });
  connectTrayHandlers();
  connectConnectionHandlers();
}

void TForm1::FormCreate(QObject*) {
  Initialising = true;
  BaseDir = baseDirFromArguments(m_arguments);
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
  AddReportLine(QStringLiteral(" ORV gestartet und DFÜ Netzwerküberwachung initialisiert."), kBlack,
                false);
  SignatureCount = m_signatureLoad->count();
  m_signatureLoad.reset();
  ScanStatus->setText(signatureStatusText());
  Version->setText(QStringLiteral("Sie verwenden ORV Version 3.0 mit ") +
                   QString::number(SignatureCount) +
                   QStringLiteral(" geladenen Dialersignaturen."));
  AddReportLine(Version->text(), kBlack, false);
  m_report->addEmptyLine();
  loadHelpText();
  LoadSettings();
  // The marks that the settings brought are restored by the first refresh.
  Button7Click(this);
  ExaminedProcesses.clear();
  // Hidden in the notification area exactly when the stored option says so.
  m_startVisible = Settings.Minimiert != 1;
}

QString TForm1::signatureStatusText() const {
  return QString::number(SignatureCount) + QStringLiteral(" Dialersignaturen geladen ...");
}

void TForm1::loadHelpText() {
  const QString path = BaseDir + QStringLiteral("hilfe.rtf");
  // By its bytes: BaseDir need not be UTF-8.
  struct stat info;
  const UniqueFd fd = openRegularFile(pathToNative(path).constData(), info);
  QFile file;
  if (!fd || !file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    throw OrvError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(displayPath(path)));
  m_helpText = file.readAll();
}

void TForm1::showHelpText() {
  if (m_helpText.isNull()) return;
  loadRichText(Hilfe->document(), std::exchange(m_helpText, QByteArray()));
  Hilfe->moveCursor(QTextCursor::Start);
}

void TForm1::FormDestroy(QObject*) {
  if (m_destroyed) return;
  m_destroyed = true;
  removeTrayIcon();
  // A list that was never built from the phonebook holds no marks to keep.
  if (m_connectionListBuilt) ListeClick(this);
  try {
    SaveSettings();
  } catch (const OrvError& error) {
    Dialogs::current().error(this, error.text());
  }
}

void TForm1::PageControl1Change(QObject*) {
  if (PageControl1->currentWidget() == TabSheet1) Button7Click(this);
}

void TForm1::AddReportLine(const QString& text, int32_t colour, bool copyToScanMemo) {
  m_report->addLine(text, colour, copyToScanMemo);
}

void TForm1::Button1Click(QObject*) {
  // The user's documents, not the program's data folder (the working folder); afterwards
  // where the last report went.
  const QString initial = m_lastReportName.isEmpty()
                              ? defaultReportFolder() + QStringLiteral("/report.rtf")
                              : m_lastReportName;
  const QString name =
      Dialogs::current().saveFile(this, initial, QStringLiteral("Rich Text Format (*.rtf)"));
  if (name.isEmpty()) return;
  m_lastReportName = name;
  try {
    m_report->save(name);
    FileChanges::note();  // the name may be one a running scan is about to examine
  } catch (const OrvError& error) {
    Dialogs::current().error(this, error.text());
  }
}

QPrinter& TForm1::reportPrinter() {
  if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *m_printer;
}

void TForm1::Button2Click(QObject*) {
  QPrinter& printer = reportPrinter();
  // Printing follows whether the dialog was confirmed or cancelled.
  Dialogs::current().printSetup(this, &printer);
  printer.setDocName(QStringLiteral("ORV Reportdatei vom ") + shortDateNow());
  try {
    m_report->print(printer);
  } catch (const OrvError& error) {
    Dialogs::current().error(this, error.text());
  }
}

void TForm1::Button3Click(QObject*) {
  m_report->clear();
}

void TForm1::setWarningDialogOnDemand() {
  m_warningDialogOnDemand = true;
}

void TForm1::setWarningDialog(TMeldung* dialog, std::unique_ptr<WarningSound> sound) {
  WarningPresenter::Hooks hooks;
  // Both flags are read at every warning: ticking a box acts from the next warning on.
  hooks.soundWanted = [this] { return Settings.Warnsignal != 0; };
  hooks.bringMainWindowToFront = [this] { bringToFront(); };
  m_warnings = std::make_unique<WarningPresenter>(*dialog, std::move(hooks), std::move(sound));
}

int TForm1::ShowWarning(const QString& title, const QString& text, const QString& helpAddress,
                        bool lock, bool ignorierenEnabled, bool loeschenEnabled,
                        bool beendenEnabled, bool erlaubenEnabled, int level, int defaultAnswer) {
  if (!m_warnings && m_warningDialogOnDemand) {
    m_ownWarningDialog = std::make_unique<TMeldung>();
    setWarningDialog(m_ownWarningDialog.get());
  }
  if (!m_warnings) return NoAnswer;
  const int answer =
      m_warnings->showWarning(title, text, helpAddress, lock, ignorierenEnabled, loeschenEnabled,
                              beendenEnabled, erlaubenEnabled, level, defaultAnswer);
  // The user may have changed files while the warning waited.
  FileChanges::note();
  return answer;
}

bool TForm1::IsAllowed(const QString& path) {
  return m_allowed->isAllowed(path);
}

void TForm1::AllowFile(const QString& path) {
  m_allowed->allowFile(path);
}

QString TForm1::selectedFolder() {
  const QModelIndex index = folderModel() ? verz->currentIndex() : QModelIndex();
  return index.isValid() ? verzModel->filePath(index) : QString();
}

void TForm1::Button4Click(QObject*) {
  const QString folder = selectedFolder();
  if (folder.isEmpty()) return;  // no folder chosen: nothing to scan, nothing reported
  Memo1->clear();
  m_scan.resetCounters();
  Button4->setEnabled(false);
  Button5->setEnabled(true);
  verz->setEnabled(false);
  const QString shownFolder = displayPath(folder);
  AddReportLine(QStringLiteral("Scanne das Verzeichnis ") + shownFolder + QLatin1Char('.'), kBlack,
                true);
  // The scan handles the window's messages after every file; painting each time would cost
  // more than the scan itself.
  m_repaintThrottle->setActive(true);
  QString failure;
  {
    const auto paintAgain = qScopeGuard([this] { m_repaintThrottle->setActive(false); });
    try {
      ScanDirectory(folder);
    } catch (const OrvError& error) {
      failure = error.text();
    }
  }
  // A failed scan is told twice: a red line before its end lines, then the error box.
  if (!failure.isEmpty()) AddReportLine(withFullStop(failure), kRed, true);
  AddReportLine(
      QStringLiteral("Scan des Verzeichnisses ") + shownFolder + QStringLiteral(" abgeschlossen."),
      kBlack, true);
  AddReportLine(QString::number(m_scan.FilesScanned) + QStringLiteral(" Dateien gescannt und ") +
                    QString::number(m_scan.DialersFound) + QStringLiteral(" Dialer gefunden."),
                kBlack, true);
  ScanStatus->clear();
  verz->setEnabled(true);
  Button5->setEnabled(false);
  Button4->setEnabled(true);
  ScanStatus->setText(signatureStatusText());
  if (!failure.isEmpty()) Dialogs::current().error(this, failure);
}

void TForm1::Button5Click(QObject*) {
  Button5->setEnabled(false);
}

void TForm1::UseHeurClick(QObject*) {
  if (Initialising || !UseHeur->isChecked()) return;
  Dialogs::current().message(
      this, QStringLiteral("Das Aktivieren dieser Funktion bremst den Scanvorgang und ruft "
                           "GARANTIERT Fehlalarme hervor! Von daher sollten Sie diese Funktion "
                           "nur mit Vorsicht benutzen!!"));
}

void TForm1::ScanDirectory(const QString& folder) {
  m_scan.ScanDirectory(folder);
}

void TForm1::CheckFile(const QString& path) {
  m_scan.CheckFile(path);
}

void TForm1::setScanStatus(const QString& text) {
  m_scanStatusLine->setText(text);
}

void TForm1::processPendingEvents() {
  QCoreApplication::processEvents();
}

// While scanning, a disabled "Scan abbrechen" is the request to stop.
bool TForm1::cancelRequested() const {
  return !Button5->isEnabled();
}

bool TForm1::reportOnly() const {
  return ReportOnly->isChecked();
}

bool TForm1::useHeuristics() const {
  return UseHeur->isChecked();
}

void TForm1::CheckMemoryClick(QObject*) {
  m_processMonitor->setActive(CheckMemory->isChecked());
}

void TForm1::IntervallMEMChange(QObject*) {
  m_processMonitor->setInterval(IntervallMEM->value());
}

void TForm1::SpeicherTimerTimer(QObject*) {
  m_processMonitor->tick();
  // A tick may have asked the user and removed a file.
  FileChanges::note();
}

void TForm1::SperreClick(QObject*) {
  Settings.Sperre = Sperre->isChecked() ? 1 : 0;
}

void TForm1::WarnsignalClick(QObject*) {
  Settings.Warnsignal = Warnsignal->isChecked() ? 1 : 0;
}

void TForm1::addTrayIcon() {
  // On X11 the icon waits for a notification area that comes later (a panel that starts
  // after ORV at logon); elsewhere Qt can only show it where there is one now.
  const bool waitsForArea = QGuiApplication::platformName() == QLatin1String("xcb");
  if (TrayIcon || !(waitsForArea || g_trayAvailability())) return;
  TrayIcon = new QSystemTrayIcon(windowIcon(), this);
  TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
  TrayIcon->setToolTip(QStringLiteral("ORV Version 3.0"));
  TrayIcon->setContextMenu(Task);
  connect(TrayIcon, &QSystemTrayIcon::activated, this, &TForm1::TrayIconMessage);
  TrayIcon->show();
}

void TForm1::removeTrayIcon() {
  if (!TrayIcon) return;
  TrayIcon->hide();
  delete TrayIcon;
  TrayIcon = nullptr;
}

void TForm1::bringToFront() {
  TrayWatch->stop();
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void TForm1::ApplicationMinimize() {
  if (trayAvailable()) hideInTray();
}

void TForm1::showAtStart() {
  // Without a notification area a hidden window could never be brought back.
  if (m_startVisible || !trayAvailable())
    show();
  else
    hideInTray();
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
    QMetaObject::invokeMethod(this, &TForm1::ApplicationMinimize, Qt::QueuedConnection);
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program, without a question.
  event->accept();
  requestQuit();
}

void TForm1::requestQuit() {
  m_quitRequested = true;
  if (Button5->isEnabled()) Button5Click(Button5);  // only while a scan runs
  // Before and after the message loop, quitting the application ends no box's own loop.
  if (Initialising || m_destroyed) closeOpenDialogs();
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TForm1::closeOpenDialogs() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* window : windows) {
    auto* dialog = qobject_cast<QDialog*>(window);
    if (dialog && dialog->isVisible()) dialog->reject();
  }
}

}  // namespace orv
