// The page "DFÜ Netzwerk" and the dial-up monitor: the handlers of the main window, which
// hand the work to the connection list's functions and to the monitor.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "dialup/connection_entries.h"
#include "dialup/connection_list_view.h"
#include "dialup/dialup_monitor.h"
#include "shell/dialogs.h"
#include "shell/report_log.h"
#include "shell/tform1.h"

namespace orv {

namespace view = connection_list_view;

void TForm1::createDialupMonitor() {
  DialupMonitor::Hooks hooks;
  hooks.report = [this](const QString& text, int32_t colour) {
    AddReportLine(text, colour, false);
  };
  hooks.reportEmptyLine = [this] { m_report->addEmptyLine(); };
  hooks.refreshList = [this] { Button7Click(this); };
  hooks.isAllowed = [this](const QByteArray& entry) { return view::isAllowed(Liste, entry); };
  m_dialupMonitor = std::make_unique<DialupMonitor>(Conns, *DFUTimer, std::move(hooks));
}

void TForm1::connectConnectionHandlers() {
  connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(Button7); });
  // Every click in the list stores the marks, and so does a mark changed with the keyboard.
  connect(Liste, &QTreeWidget::clicked, this, [this] { ListeClick(Liste); });
  connect(Liste, &QTreeWidget::itemChanged, this, [this] { ListeClick(Liste); });
  connect(Liste, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopUpConns->popup(Liste->viewport()->mapToGlobal(at)); });
  const auto action = [this](const char* name) {
    return PopUpConns->findChild<QAction*>(QLatin1String(name));
  };
  connect(action("Verbinden1"), &QAction::triggered, this, [this] { Verbinden1Click(PopUpConns); });
  connect(action("rennen1"), &QAction::triggered, this, [this] { rennen1Click(PopUpConns); });
  connect(action("Editieren1"), &QAction::triggered, this, [this] { Editieren1Click(PopUpConns); });
  connect(action("rennen2"), &QAction::triggered, this, [this] { rennen2Click(PopUpConns); });

  connect(ScanRAS, &QCheckBox::toggled, this, [this] { ScanRASClick(ScanRAS); });
  connect(IntervallRAS, &QSpinBox::valueChanged, this,
          [this] { IntervallRASChange(IntervallRAS); });
  connect(DFUTimer, &QTimer::timeout, this, [this] { DFUTimerTimer(DFUTimer); });
}

void TForm1::Button7Click(QObject*) {
  m_connectionListBuilt = false;
  view::clear(Liste);
  const bool available = Conns.IsAvailable();
  if (!available) {
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet1), false);
    GroupBox1->setEnabled(false);
    Dialogs::current().message(
        this, QStringLiteral("Kein RAS verfügbar auf diesem PC. DFÜ Netzwerküberwachung "
                             "abgeschaltet."));
  }
  const bool listed = Conns.ListEntries() == RAS_SUCCESS;
  Conns.ListActiveConnections();
  view::showRows(Liste, buildConnectionRows(Conns, KnownConnections));
  m_connectionListBuilt = available && listed;
}

void TForm1::ListeClick(QObject*) {
  // A list the phonebook could not fill is no statement about the stored marks.
  if (!m_connectionListBuilt) return;
  KnownConnections = view::marks(Liste);
}

void TForm1::Verbinden1Click(QObject*) {
  const auto entry = view::selectedEntry(Liste);
  if (!entry) return;
  dialEntry(Conns, *entry);
  Button7Click(this);
}

void TForm1::rennen1Click(QObject*) {
  const auto entry = view::selectedEntry(Liste);
  if (!entry) return;
  hangUpEntry(Conns, *entry);
  Button7Click(this);
}

void TForm1::Editieren1Click(QObject*) {
  const auto entry = view::selectedEntry(Liste);
  if (!entry) return;
  Conns.EntryName = *entry;
  // The dialog runs its own message loop, in which a monitor tick may rebuild the list.
  Conns.EditEntry(static_cast<uintptr_t>(winId()));
  Button7Click(this);
}

void TForm1::rennen2Click(QObject*) {
  if (!view::selectedEntry(Liste)) return;
  // Only "&Ja" deletes: a box closed without an answer keeps the entry.
  if (!Dialogs::current().confirm(this, QStringLiteral("Bestätigung"),
                                  QStringLiteral("Soll die Verbindung wirklich gelöscht werden?")))
    return;
  // A monitor tick during the question rebuilds the list, which leaves no row selected.
  const auto entry = view::selectedEntry(Liste);
  if (!entry) return;
  Conns.EntryName = *entry;
  Conns.RemoveEntry();
  Button7Click(this);
}

void TForm1::ScanRASClick(QObject*) {
  m_dialupMonitor->setActive(ScanRAS->isChecked());
  AddReportLine(m_dialupMonitor->isActive() ? QStringLiteral("DFÜ Netzwerküberwachung gestartet.")
                                            : QStringLiteral("DFÜ Netzwerküberwachung gestoppt."),
                kBlack, false);
}

void TForm1::IntervallRASChange(QObject*) {
  m_dialupMonitor->setInterval(IntervallRAS->value());
}

void TForm1::DFUTimerTimer(QObject*) {
  m_dialupMonitor->tick();
}

}  // namespace orv
