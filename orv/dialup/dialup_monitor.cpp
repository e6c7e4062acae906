#include "dialup/dialup_monitor.h"

#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "cp1252.h"
#include "dialup/connection_entries.h"
#include "dialup/ras_connector.h"
#include "shell/dialogs.h"
#include "shell/orv_error.h"
#include "shell/report_log.h"

namespace orv {
namespace {

std::vector<TConnectionRecord> copyOf(const TConnectionList& connections) {
  std::vector<TConnectionRecord> records;
  records.reserve(static_cast<std::size_t>(connections.Count()));
  for (int i = 0; i < connections.Count(); ++i) records.push_back(connections.At(i));
  return records;
}

bool sameConnections(const std::vector<TConnectionRecord>& judged,
                     const TConnectionList& connections) {
  if (static_cast<int>(judged.size()) != connections.Count()) return false;
  for (int i = 0; i < connections.Count(); ++i)
    if (judged[static_cast<std::size_t>(i)] != connections.At(i)) return false;
  return true;
}

// The service's texts are single bytes of the Windows code page.
QString serviceText(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  for (const char byte : bytes)
    text.append(QChar(cp1252ToUnicode(static_cast<unsigned char>(byte))));
  return text;
}

}  // namespace

DialupMonitor::DialupMonitor(TRasConnector& conns, QTimer& timer, Hooks hooks)
    : m_conns(conns), m_timer(timer), m_hooks(std::move(hooks)), m_interval(timer.interval()) {
  m_timer.stop();
}

void DialupMonitor::setActive(bool on) {
  if (on && !m_switchedOn) {
    m_conns.ListActiveConnections();
    m_judged = copyOf(m_conns.ActiveConnections);
    m_failuresSaid.clear();
  }
  if (!on) m_unblocked.clear();
  m_switchedOn = on;
  m_enabled = on;
  updateTimer();
}

void DialupMonitor::setInterval(int milliseconds) {
  m_interval = std::max(0, milliseconds);
  m_timer.setInterval(m_interval);
  updateTimer();
}

void DialupMonitor::updateTimer() {
  // An interval of 0 means "no ticks", whereas a QTimer would fire on every idle moment.
  if (m_enabled && m_interval > 0) {
    if (!m_timer.isActive()) m_timer.start(m_interval);
  } else {
    m_timer.stop();
  }
}

void DialupMonitor::tick() {
  m_enabled = false;
  updateTimer();
  // A box open in a tick's call chain runs the timer's events: the outer tick restarts it.
  if (m_inTick) return;
  m_inTick = true;
  const auto leave = qScopeGuard([this] { m_inTick = false; });
  try {
    judge();
  } catch (const OrvError& error) {
    sayFailure(error.text());
  } catch (const std::exception& error) {
    sayFailure(QString::fromLocal8Bit(error.what()));
  }
  // The guard keeps running after a failure: the next tick judges again what this one missed.
  m_enabled = m_switchedOn;
  updateTimer();
}

void DialupMonitor::judge() {
  m_conns.ListActiveConnections();
  if (sameConnections(m_judged, m_conns.ActiveConnections)) {
    retryUnblocked();
    return;
  }
  // The refresh takes its own snapshot; what it shows is what is reported and judged.
  m_hooks.refreshList();
  if (sameConnections(m_judged, m_conns.ActiveConnections)) {
    retryUnblocked();
    return;
  }
  reportAndBlock();
}

void DialupMonitor::reportAndBlock() {
  const std::vector<TConnectionRecord> now = copyOf(m_conns.ActiveConnections);
  m_hooks.report(QStringLiteral("Veränderungen am DFÜ Netzwerk entdeckt. Aktive Verbindungen sind "
                                "jetzt:"),
                 kBlack);
  if (now.empty()) m_hooks.report(QStringLiteral("Keine aktiven Verbindungen"), kBlack);
  std::vector<TConnectionRecord> unblocked;
  for (const TConnectionRecord& connection : now) {
    const QByteArray name = recordEntryName(connection);
    const EntryDetails details = readEntryDetails(m_conns, name);
    m_hooks.report(QStringLiteral("Verbindung ") + displayText(name) +
                       QStringLiteral(" verbunden mit der Nummer ") +
                       displayText(details.phoneText) + QStringLiteral(" als Nutzer ") +
                       displayText(details.userName),
                   kBlack);
    if (m_hooks.isAllowed(name)) continue;
    if (const auto reason = block(connection)) {
      reportNotBlocked(name, *reason);
      unblocked.push_back(connection);
    } else {
      reportBlocked(name);
    }
  }
  m_hooks.reportEmptyLine();
  // Judged only once all of it is reported: a failure on the way leaves it for the next tick.
  m_judged = now;
  m_unblocked = std::move(unblocked);
}

std::optional<QString> DialupMonitor::block(const TConnectionRecord& connection) {
  const uint32_t result = m_conns.HangUp(recordHandle(connection), kHangUpWaitMs);
  if (result != RAS_SUCCESS) {
    const QString text = serviceText(m_conns.ResultText);
    return text.isEmpty() ? QStringLiteral("Fehler %1").arg(result) : text;
  }
  if (isStillListed(connection))
    return QStringLiteral("Die Verbindung besteht nach dem Trennen weiter");
  return std::nullopt;
}

bool DialupMonitor::isStillListed(const TConnectionRecord& connection) {
  // The snapshot is renewed here; the monitor compares against its own view, not against it.
  m_conns.ListActiveConnections();
  const TConnectionList& active = m_conns.ActiveConnections;
  for (int i = 0; i < active.Count(); ++i)
    if (active.HandleAt(i) == recordHandle(connection) &&
        active.EntryNameAt(i) == recordEntryName(connection))
      return true;
  return false;
}

void DialupMonitor::reportBlocked(const QByteArray& entryName) {
  m_hooks.report(displayText(entryName) + QStringLiteral(" ist nicht erlaubt und wurde deshalb "
                                                         "blockiert!"),
                 kRed);
}

void DialupMonitor::reportNotBlocked(const QByteArray& entryName, const QString& reason) {
  m_hooks.report(displayText(entryName) +
                     QStringLiteral(" ist nicht erlaubt, konnte aber nicht blockiert werden! "
                                    "Grund: ") +
                     withFullStop(reason) +
                     QStringLiteral(" ORV versucht es bei jeder Prüfung erneut."),
                 kRed);
}

void DialupMonitor::retryUnblocked() {
  // Said once when it was judged; trying again adds a line only when it works.
  const std::vector<TConnectionRecord> pending = std::move(m_unblocked);
  m_unblocked.clear();
  for (const TConnectionRecord& connection : pending) {
    const QByteArray name = recordEntryName(connection);
    if (m_hooks.isAllowed(name)) continue;  // allowed by the user meanwhile
    if (block(connection)) {
      m_unblocked.push_back(connection);
      continue;
    }
    reportBlocked(name);
  }
}

void DialupMonitor::sayFailure(const QString& text) {
  if (!m_failuresSaid.insert(text).second) return;
  try {
    m_hooks.report(QStringLiteral("Fehler bei der DFÜ Netzwerküberwachung: ") + withFullStop(text) +
                       QStringLiteral(" Die Überwachung läuft weiter."),
                   kRed);
  } catch (const std::exception&) {
    // The report itself failed: there is nowhere left to say it, and the guard runs on.
  }
}

}  // namespace orv
