#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <set>

#include "detect/dump_name.h"
#include "detect/process_identity.h"
#include "detect/process_source.h"

class QTimer;
class QWidget;

namespace orv {

class DetectionHost;

// The process monitor: on every tick of its timer, each running process not seen before has
// its executable image copied into BaseDir + "orv.dump" (see DumpName), which the heuristic
// check judges. A suspicious process is put to the user (unless allowed) and the answer
// carried out. ORV's own program, in this and in any other instance, is never judged: it
// names the dial-up functions it guards and the number prefixes it warns about.
//
// The window owns the timer, the set of examined ids and BaseDir; the monitor keeps references
// to them, so they must outlive it. Everything runs on the user-interface thread.
class ProcessMonitor {
 public:
  ProcessMonitor(DetectionHost& host, const QString& baseDir, std::set<QString>& examined,
                 QTimer& timer, ProcessSource source = ProcessSource::libprocs(),
                 QWidget* dialogParent = nullptr);
  ProcessMonitor(const ProcessMonitor&) = delete;
  ProcessMonitor& operator=(const ProcessMonitor&) = delete;

  // The option was switched: ticks run exactly while it is on (and the interval is above 0).
  // Switching it on again also resumes a monitor that stopped after a failure.
  void setActive(bool on);
  // The interval in ms. 0 stops the ticks while the option stays on; a negative value counts as
  // 0. A running timer starts its count again.
  void setInterval(int milliseconds);
  // One tick. A tick that is started while another one waits (for a warning or a box) does
  // nothing.
  void tick();

  bool isActive() const { return m_switchedOn; }
  // Claimed at the first tick, once BaseDir is known.
  QString dumpPath();

  // The heuristic check reads no file this large; a larger image is harmless to it unread.
  static constexpr std::uint64_t kHeuristicSizeLimit = 524288;

 private:
  // Steps of a tick; false when the monitor must stop (no process list).
  bool examineNewProcesses();
  void examineProcess(std::uint32_t id, const QString& key);
  void carryOut(int answer, std::uint32_t id, const QString& path, bool pathKnown,
                const ProcessIdentity& identity);
  std::optional<QString> executablePath(std::uint32_t id);
  // Says in the report, once per run, that images come from the files (see DumpProcessImage).
  void tellMemoryIsForbidden();
  void removeDump();
  void updateTimer();

  DetectionHost& m_host;
  const QString& m_baseDir;
  std::set<QString>& m_examined;
  QTimer& m_timer;
  ProcessSource m_source;
  QWidget* m_dialogParent;
  std::optional<DumpName> m_dumpName;
  // The file ORV runs from, to know other instances of it by.
  std::optional<ProcessIdentity> m_ownProgram;

  bool m_switchedOn = false;  // the option
  bool m_enabled = false;     // the timer should run (off during a tick and after a failure)
  int m_interval = 0;
  bool m_inTick = false;
  bool m_toldMemoryIsForbidden = false;
  // A dump may lie at the dump path (from this run, or left by one that crashed): a tick with
  // nothing new then spends no file system call on it.
  bool m_dumpMayExist = true;
};

}  // namespace orv
