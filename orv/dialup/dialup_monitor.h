#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "dialup/connection_list.h"

class QTimer;

namespace orv {

class TRasConnector;

// The dial-up monitor: on every tick of its timer it looks at the active connections; when
// they differ from what it judged last, it has the connection list rebuilt, reports every
// active connection and hangs up each one that is not allowed.
//
// It keeps its own view of the connections it has judged, apart from the connector's
// snapshot, which every refresh of the list renews: a connection that came up between two
// ticks is judged even when a refresh saw it first. Connections that were there when the
// monitor was switched on are judged only once the set changes.
//
// A "blockiert" line is written only when the connection is really gone. One the service
// would not end is reported once as not blocked, and hung up again at every tick (without
// a further line) while it stays and stays unallowed.
//
// The window owns the connector and the timer; they must outlive the monitor. Everything
// runs on the user-interface thread.
class DialupMonitor {
 public:
  struct Hooks {
    std::function<void(const QString& text, int32_t colour)> report;
    std::function<void()> reportEmptyLine;
    std::function<void()> refreshList;  // rebuilds the connection list (renews the snapshot)
    std::function<bool(const QByteArray& entryName)> isAllowed;
  };

  DialupMonitor(TRasConnector& conns, QTimer& timer, Hooks hooks);
  DialupMonitor(const DialupMonitor&) = delete;
  DialupMonitor& operator=(const DialupMonitor&) = delete;

  // The option was switched. Switching on takes the connections active now as judged.
  void setActive(bool on);
  // The interval in ms. 0 stops the ticks while the option stays on; a negative value counts
  // as 0 (as an unsigned number it would be weeks). A running timer starts its count again.
  void setInterval(int milliseconds);
  // One tick. The timer is off while it runs; a tick started inside another does nothing.
  void tick();

  bool isActive() const { return m_switchedOn; }

 private:
  void judge();
  void reportAndBlock();
  // Hangs the connection up; the reason when it is still there afterwards.
  std::optional<QString> block(const TConnectionRecord& connection);
  void reportBlocked(const QByteArray& entryName);
  void reportNotBlocked(const QByteArray& entryName, const QString& reason);
  void retryUnblocked();
  bool isStillListed(const TConnectionRecord& connection);
  void sayFailure(const QString& text);
  void updateTimer();

  TRasConnector& m_conns;
  QTimer& m_timer;
  Hooks m_hooks;

  bool m_switchedOn = false;  // the option
  bool m_enabled = false;     // the timer should run (off during a tick)
  int m_interval = 0;
  bool m_inTick = false;
  std::vector<TConnectionRecord> m_judged;     // the connections as last judged and reported
  std::vector<TConnectionRecord> m_unblocked;  // judged, not allowed, and not yet gone
  std::set<QString> m_failuresSaid;            // since the monitor was switched on
};

}  // namespace orv
