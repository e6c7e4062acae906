#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <set>

#include "dialup/ras_connector.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QSystemTrayIcon;
class QTabWidget;
class QTextEdit;
class QTimer;
class QTreeView;
class QTreeWidget;
class QFileSystemModel;
class QWidget;

namespace orv {

class ReportLog;

// Asked once at start whether the desktop has a notification area (tests force the answer).
using TrayAvailability = bool (*)();

// The main window: the composition root of the program. Its controls carry the names
// they are known by (also as object names), its handlers the names of their controls.
class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // `arguments` are the program's arguments without the program name; the first is BaseDir.
  explicit TForm1(const QStringList& arguments, QWidget* parent = nullptr);
  ~TForm1() override;

  // Start-up and shutdown. The constructor runs FormCreate; the program entry runs
  // FormDestroy once the message loop has ended.
  void FormCreate(QObject* sender);
  void FormDestroy(QObject* sender);
  void PageControl1Change(QObject* sender);

  // Report page.
  void AddReportLine(const QString& text, int32_t colour, bool copyToScanMemo);
  void Button1Click(QObject* sender);  // "Report speichern"
  void Button2Click(QObject* sender);  // "Report drucken"
  void Button3Click(QObject* sender);  // "Report leeren"

  void ApplicationMinimize();

  // True when start-up found no dial-up networking: the program ends with exit code 0
  // before its message loop, saving nothing.
  bool startupAborted() const { return m_startupAborted; }
  // Whether the window should be shown when the message loop starts.
  bool startVisible() const { return m_startVisible; }
  // The printer the report goes to; kept across prints like the print dialog's choice.
  QPrinter& reportPrinter() { return *m_printer; }

  static void setTrayAvailability(TrayAvailability check);

  // Program-wide state.
  QString BaseDir;
  bool Initialising = false;
  int32_t SignatureCount = 0;
  std::set<QString> ExaminedProcesses;  // decimal process ids, sorted, each once

  TRasConnector Conns;

  // Header band.
  QWidget* BalkenOben = nullptr;
  QLabel* Titel = nullptr;
  QLabel* Leiste = nullptr;
  QLabel* Logo = nullptr;
  QWidget* Panel1 = nullptr;
  QTabWidget* PageControl1 = nullptr;

  // "Reportdatei"
  QTextEdit* Logging = nullptr;
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
  QFileSystemModel* verzModel = nullptr;
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

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildWindow();
  QWidget* buildHeader();
  QWidget* buildReportPage();
  QWidget* buildConnectionsPage();
  QWidget* buildScanPage();
  QWidget* buildSettingsPage();
  QWidget* buildHelpPage();
  void connectHandlers();

  void runStartupSteps();
  void addTrayIcon();
  void removeTrayIcon();
  void loadHelpText();

  std::unique_ptr<ReportLog> m_report;
  std::unique_ptr<QPrinter> m_printer;
  QString m_lastReportName = QStringLiteral("report.rtf");
  bool m_startupAborted = false;
  bool m_startVisible = true;
  bool m_destroyed = false;
};

// The prefix of every file the program uses: the first argument, or empty.
QString baseDirFromArguments(const QStringList& arguments);

}  // namespace orv
