#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QSystemTrayIcon>
#include <cstdint>
#include <memory>
#include <set>

#include "detect/disk_scan.h"
#include "detect/process_monitor.h"
#include "dialup/known_connection.h"
#include "dialup/ras_connector.h"
#include "shell/settings_record.h"
#include "shell/settings_store.h"
#include "warning/warning_sound.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTextEdit;
class QTimer;
class QTreeView;
class QTreeWidget;
class QFileSystemModel;
class QWidget;

namespace orv {

class AllowedList;
class DialupMonitor;
class RepaintThrottle;
class ReportLog;
class SignatureLoad;
class StatusLine;
class TMeldung;
class UnixSignals;
class WarningPresenter;

// Whether the desktop has a notification area right now (tests force the answer).
using TrayAvailability = bool (*)();

// The main window: the composition root of the program. Its controls carry the names
// they are known by (also as object names), its handlers the names of their controls.
class TForm1 : public QMainWindow, public ScanHost {
  Q_OBJECT
 public:
  // `arguments` are the program's arguments without the program name; the first is BaseDir.
  // With `terminationSignals` a logout or kill ends the program in order from the very start,
  // also while a start-up box waits for an answer.
  explicit TForm1(const QStringList& arguments, UnixSignals* terminationSignals = nullptr,
                  QWidget* parent = nullptr);
  ~TForm1() override;

  // Start-up and shutdown. The constructor runs FormCreate; the program entry runs
  // FormDestroy once the message loop has ended.
  void FormCreate(QObject* sender);
  void FormDestroy(QObject* sender);
  void PageControl1Change(QObject* sender);
  // Ends the program, as closing the window, the menu item or a termination signal ask:
  // a running scan stops after the file in hand (as with Cancel), then the message loop
  // ends. Without the stop, the scan would go on in a window that is gone, and still ask.
  // Asked during start-up or shutdown, a box that waits is closed so that they run to their
  // end.
  void requestQuit();
  // True once the end was asked for; start-up then goes straight on to the shutdown.
  bool quitRequested() const { return m_quitRequested; }

  // The settings and list files: read once by FormCreate, written once by FormDestroy.
  void LoadSettings();
  void SaveSettings();
  // Whether the connection list stands built from the dial-up service: the refresh sets it
  // when it listed the service's entries and clears it when it found no service. Only then
  // do the list's marks replace the stored ones in "connections.conf" at the end.
  bool connectionListBuilt() const { return m_connectionListBuilt; }

  // The warning dialog: one the caller made (it must outlive this window's warnings), or,
  // on demand, one made hidden at the first warning, so that a start without warnings
  // never builds it. Without `sound`, warnings play the desktop's warning sound.
  void setWarningDialog(TMeldung* dialog, std::unique_ptr<WarningSound> sound = nullptr);
  void setWarningDialogOnDemand();

  // Report page.
  void AddReportLine(const QString& text, int32_t colour, bool copyToScanMemo) override;
  void Button1Click(QObject* sender);  // "Report speichern"
  void Button2Click(QObject* sender);  // "Report drucken"
  void Button3Click(QObject* sender);  // "Report leeren"

  // Minimising hides the window in the notification area; without one the window stays
  // minimised as usual, since a hidden window could not be brought back.
  void ApplicationMinimize();

  // The notification-area icon and its menu `Task`.
  // An activation of the icon: brings a hidden or minimised window back (see
  // activationBringsWindowBack).
  void TrayIconMessage(QSystemTrayIcon::ActivationReason reason);
  // The menu is about to open: its check marks follow the two monitors' boxes.
  void TaskPopup(QObject* sender);
  // The menu's items; the menu has already turned the item's check mark over.
  void DFNetzwerkberwachungaktivieren1Click(QObject* sender);
  void Prozessberwachungaktiv1Click(QObject* sender);
  void ORVbeenden1Click(QObject* sender);
  // Whether a notification area can bring the window back right now.
  bool trayAvailable() const;

  // Scan page.
  void Button4Click(QObject* sender);  // "Scan starten"
  void Button5Click(QObject* sender);  // "Scan abbrechen"
  void UseHeurClick(QObject* sender);
  void ScanDirectory(const QString& folder);
  void CheckFile(const QString& path);
  const DiskScan& diskScan() const { return m_scan; }
  DiskScan& diskScan() { return m_scan; }

  // Process monitor.
  void CheckMemoryClick(QObject* sender);
  void IntervallMEMChange(QObject* sender);
  void SpeicherTimerTimer(QObject* sender);

  // "DFÜ Netzwerk": the connection list and its context menu.
  void Button7Click(QObject* sender);  // "Aktualisieren": rebuilds the list
  void ListeClick(QObject* sender);    // takes the list's marks into KnownConnections
  void Verbinden1Click(QObject* sender);
  void rennen1Click(QObject* sender);  // "Trennen"
  void Editieren1Click(QObject* sender);
  void rennen2Click(QObject* sender);  // "Löschen"

  // Dial-up monitor.
  void ScanRASClick(QObject* sender);
  void IntervallRASChange(QObject* sender);
  void DFUTimerTimer(QObject* sender);

  // Options.
  void AutoStartClick(QObject* sender);
  void SperreClick(QObject* sender);
  void WarnsignalClick(QObject* sender);
  // "Auf Updates prüfen": the updates page in the desktop's browser.
  void Button6Click(QObject* sender);

  // The warning put to the user about a finding; the answer code (see WarningAnswer).
  int ShowWarning(const QString& title, const QString& text, const QString& helpAddress, bool lock,
                  bool ignorierenEnabled, bool loeschenEnabled, bool beendenEnabled,
                  bool erlaubenEnabled, int level, int defaultAnswer) override;
  WarningPresenter* warningPresenter() const { return m_warnings.get(); }

  // The allowed-applications list in `Erlaubt`.
  bool IsAllowed(const QString& path) override;
  void AllowFile(const QString& path) override;

  // True when start-up found no dial-up networking: the program ends with exit code 0
  // before its message loop, saving nothing.
  bool startupAborted() const { return m_startupAborted; }
  // Whether the window should be shown when the message loop starts.
  bool startVisible() const { return m_startVisible; }
  // Shows the window as start-up decided, just before the message loop: shown, or hidden in
  // the notification area; minimised where there is none, so that it can always be reached.
  void showAtStart();
  // The printer the report goes to; kept across prints like the print dialog's choice.
  // Made at the first print: setting one up asks the print system for its printers.
  QPrinter& reportPrinter();
  // The folder tree's model, made when the tree is first shown or a folder is first asked
  // for: it lists folders on a thread and looks up icons and file types, work the first
  // view does not need.
  QFileSystemModel* folderModel();

  static void setTrayAvailability(TrayAvailability check);

  // Program-wide state.
  QString BaseDir;
  bool Initialising = false;
  int32_t SignatureCount = 0;
  std::set<QString> ExaminedProcesses;  // decimal process ids, sorted, each once

  TRasConnector Conns;
  TSettings Settings;                    // the option record; its lock and sound flags are live
  KnownConnectionList KnownConnections;  // the connection list's allowed marks

  // Header band.
  QWidget* BalkenOben = nullptr;
  QLabel* Titel = nullptr;
  QLabel* Leiste = nullptr;
  QLabel* Logo = nullptr;
  QWidget* Panel1 = nullptr;
  QTabWidget* PageControl1 = nullptr;

  // "Reportdatei"
  QPlainTextEdit* Logging = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;

  // "DFÜ Netzwerk"
  QWidget* TabSheet1 = nullptr;
  QTreeWidget* Liste = nullptr;
  QMenu* PopUpConns = nullptr;
  QPushButton* Button7 = nullptr;
  QLabel* Label6 = nullptr;

  // "Suche nach Dialern"
  QTreeView* verz = nullptr;
  QFileSystemModel* verzModel = nullptr;  // null until folderModel() made it
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QLabel* ScanStatus = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;

  // "Einstellungen"
  QCheckBox* AutoStart = nullptr;
  QCheckBox* Minimiert = nullptr;
  QCheckBox* Sperre = nullptr;
  QCheckBox* Warnsignal = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* ScanRAS = nullptr;
  QSpinBox* IntervallRAS = nullptr;
  QCheckBox* CheckMemory = nullptr;
  QCheckBox* UseHeur = nullptr;
  QCheckBox* ReportOnly = nullptr;
  QSpinBox* IntervallMEM = nullptr;
  QPlainTextEdit* Erlaubt = nullptr;

  // "Hilfe und Updates"
  QLineEdit* Version = nullptr;
  QTextEdit* Hilfe = nullptr;
  QPushButton* Button6 = nullptr;

  // Without a place on screen.
  QTimer* DFUTimer = nullptr;
  QTimer* SpeicherTimer = nullptr;
  QMenu* Task = nullptr;
  QSystemTrayIcon* TrayIcon = nullptr;
  QTimer* TrayWatch = nullptr;  // while hidden: brings the window back if the area goes

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildWindow();
  // Places the window in the middle of the desktop's free area.
  void centreOnDesktop();
  QWidget* buildHeader();
  QWidget* buildReportPage();
  QWidget* buildConnectionsPage();
  QWidget* buildScanPage();
  QWidget* buildSettingsPage();
  QWidget* buildHelpPage();
  void connectHandlers();
  void connectConnectionHandlers();
  void connectTrayHandlers();
  void createDialupMonitor();

  void runStartupSteps();
  void addTrayIcon();
  void removeTrayIcon();
  // Shown, restored from minimised and in front.
  void bringToFront();
  // Hidden in the notification area, watched so that it comes back should the area go.
  void hideInTray();
  void TrayWatchTimer();
  // Reads "hilfe.rtf" (start-up step 12, whose errors stop start-up); the text is laid out
  // into `Hilfe` when that is first shown.
  void loadHelpText();
  void showHelpText();
  // LoadSettings, step 2: the stored options into the controls, in their order.
  void applyStoredOptions();
  // An option handler's error: shown at once, or, while stored options are being applied,
  // raised again by applyStoredOptions so that loading stops there.
  void reportOptionError(const QString& text);
  void throwPendingOptionError();
  // Closes the boxes that wait for an answer outside the message loop.
  void closeOpenDialogs();
  // "<n> Dialersignaturen geladen ...": the scan page's status when no scan runs.
  QString signatureStatusText() const;

  // ScanHost
  bool lockFlag() const override { return Settings.Sperre != 0; }
  void setScanStatus(const QString& text) override;
  void processPendingEvents() override;
  bool cancelRequested() const override;
  bool reportOnly() const override;
  bool useHeuristics() const override;
  QString selectedFolder();

  StatusLine* m_scanStatusLine = nullptr;  // holds ScanStatus
  // Loads the signatures while the window is built; taken by start-up step 8.
  std::unique_ptr<SignatureLoad> m_signatureLoad;
  std::unique_ptr<ReportLog> m_report;
  RepaintThrottle* m_repaintThrottle = nullptr;  // owned by the window
  std::unique_ptr<AllowedList> m_allowed;
  // Declared before the presenter that shows it, so that it is destroyed after it.
  std::unique_ptr<TMeldung> m_ownWarningDialog;
  bool m_warningDialogOnDemand = false;
  std::unique_ptr<WarningPresenter> m_warnings;
  DiskScan m_scan{*this};
  std::unique_ptr<ProcessMonitor> m_processMonitor;
  std::unique_ptr<DialupMonitor> m_dialupMonitor;
  std::unique_ptr<QPrinter> m_printer;
  QStringList m_arguments;
  QString m_lastReportName;  // the file the report was last saved to
  QByteArray m_helpText;     // "hilfe.rtf" as read at start, until `Hilfe` is first shown
  bool m_startupAborted = false;
  bool m_startVisible = true;
  bool m_destroyed = false;
  bool m_quitRequested = false;

  SettingsStore m_storedFiles;
  bool m_applyingOptions = false;
  QString m_pendingOptionError;
  bool m_connectionListBuilt = false;
};

// The prefix of every file the program uses: the first argument, or empty; the per-user
// folder where the first argument asks for it (see userFolderOption).
QString baseDirFromArguments(const QStringList& arguments);
// Where "Report speichern" first offers to save: the user's documents folder, else the home.
QString defaultReportFolder();
// The program's arguments after its name, as TForm1 takes them. Each keeps its exact bytes
// (see pathFromNative): a folder whose name is not UTF-8 is still the folder named.
QStringList programArguments(int argc, const char* const* argv);
// The signature file of the folder the raw arguments name, known before the application has
// taken its options out of them; empty where the first argument is an option. The window
// still takes its file from programArguments: a guess that differs only costs the head start.
QByteArray signatureFileAhead(int argc, const char* const* argv);

}  // namespace orv
