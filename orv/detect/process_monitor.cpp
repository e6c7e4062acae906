#include "detect/process_monitor.h"

#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <vector>

#include <unistd.h>

#include "clean/clean.h"
#include "codesniff/codesniff.h"
#include "detect/detection_host.h"
#include "detect/display_path.h"
#include "detect/library_result.h"
#include "detect/native_path.h"
#include "detect/process_dump.h"
#include "detect/process_identity.h"
#include "detect/process_termination.h"
#include "procs/procs.h"
#include "shell/dialogs.h"
#include "shell/orv_error.h"
#include "shell/report_log.h"
#include "shell/web_addresses.h"

namespace orv {
namespace {

const QString& unknownPath() {
  static const QString text = QStringLiteral("Datei nicht ermittelt");
  return text;
}

}  // namespace

ProcessMonitor::ProcessMonitor(DetectionHost& host, const QString& baseDir,
                               std::set<QString>& examined, QTimer& timer, ProcessSource source,
                               QWidget* dialogParent)
    : m_host(host),
      m_baseDir(baseDir),
      m_examined(examined),
      m_timer(timer),
      m_source(std::move(source)),
      m_dialogParent(dialogParent),
      m_ownProgram(readProcessIdentity(static_cast<std::uint32_t>(::getpid()))),
      m_interval(std::max(0, timer.interval())) {
  m_timer.stop();
}

QString ProcessMonitor::dumpPath() {
  if (!m_dumpName) m_dumpName.emplace(m_baseDir);
  return m_dumpName->path();
}

void ProcessMonitor::setActive(bool on) {
  m_switchedOn = on;
  m_enabled = on;
  updateTimer();
}

void ProcessMonitor::setInterval(int milliseconds) {
  // A negative interval would wrap to some weeks on the original platform's timers; no ticks.
  m_interval = std::max(0, milliseconds);
  // On a running timer this starts the count again.
  m_timer.setInterval(m_interval);
  updateTimer();
}

void ProcessMonitor::updateTimer() {
  // An interval of 0 means "no ticks" here, whereas a QTimer would fire on every idle moment.
  if (m_enabled && m_interval > 0) {
    if (!m_timer.isActive()) m_timer.start(m_interval);
  } else {
    m_timer.stop();
  }
}

void ProcessMonitor::tick() {
  // The modal loop of a warning or box keeps timers running: when the option was switched off
  // and on meanwhile, the timer fires into the waiting tick. That tick restarts it at its end.
  m_enabled = false;
  updateTimer();
  if (m_inTick) return;
  m_inTick = true;
  const auto leave = qScopeGuard([this] { m_inTick = false; });

  bool restart = false;
  std::optional<QString> failure;
  try {
    restart = examineNewProcesses();
  } catch (const OrvError& error) {
    failure = error.text();
  } catch (const std::exception& error) {
    failure = QString::fromLocal8Bit(error.what());
  }
  // Another program's memory never stays on disk, whatever happened.
  removeDump();
  if (failure) Dialogs::current().error(m_dialogParent, *failure);
  // Switched off while a warning waited: stay off.
  if (restart) {
    m_enabled = m_switchedOn;
    updateTimer();
  }
}

bool ProcessMonitor::examineNewProcesses() {
  const std::int32_t count = std::max<std::int32_t>(0, m_source.numberOfProcesses());
  std::vector<std::uint32_t> ids(static_cast<std::size_t>(count), 0U);
  // The array's true size as the limit: the library never has to trust a larger number.
  if (m_source.processIdList(ids.data(), count) == 0) {
    Dialogs::current().message(m_dialogParent,
                               QStringLiteral("Konnte Prozessliste nicht ermitteln!"));
    return false;
  }
  QString key;
  for (const std::uint32_t id : ids) {
    key.setNum(id);
    if (m_examined.find(key) != m_examined.end()) continue;
    examineProcess(id, key);
    m_examined.insert(key);
  }
  return true;
}

void ProcessMonitor::examineProcess(std::uint32_t id, const QString& key) {
  // Who the process is, so that memory, path and answer all concern this one process even if
  // it ends meanwhile and its id is given to another.
  const auto identity = readProcessIdentity(id);
  if (!identity) return;
  // ORV's own image would be found suspicious, and the lock's default answer would end it:
  // this instance, and any other started from the same file.
  if (id == static_cast<std::uint32_t>(::getpid()) ||
      (m_ownProgram && identity->runsSameFile(*m_ownProgram)))
    return;

  const QString dump = dumpPath();
  m_dumpMayExist = true;
  // An image the heuristic check would not read is harmless: neither read nor written.
  ImageOrigin origin = ImageOrigin::Memory;
  if (!DumpProcessImage(id, dump, m_source, kHeuristicSizeLimit, &origin)) return;
  if (origin == ImageOrigin::ExecutableFile) tellMemoryIsForbidden();
  if (readProcessIdentity(id) != identity) return;
  ShortText result{};
  CheckHeuristically(&result, pathToNative(dump).constData(), 0);
  // Not left on disk while a warning waits.
  removeDump();
  if (isNothingFound(result)) return;
  const QString finding = resultText(result);

  auto known = executablePath(id);
  if (known && readProcessIdentity(id) != identity) known.reset();
  const bool pathKnown = known.has_value();
  const QString path = pathKnown ? *known : unknownPath();

  int answer = NoAnswer;
  if (!m_host.IsAllowed(path)) {
    const QString text = QStringLiteral("Der Prozess mit der Datei \"") + displayPath(path) +
                         QStringLiteral("\" ist verdächtig. Das ") + finding +
                         QStringLiteral(". Wie wollen sie reagieren?");
    // Without a known file there is nothing to delete, and nothing to allow: an entry for the
    // stand-in text would allow every later process whose file is unknown. "Löschen" and
    // "Erlauben" are only offered with a file.
    answer = m_host.ShowWarning(QStringLiteral("Verdächtiger aktiver Prozess"), text,
                                helpPageAddress(), m_host.lockFlag(), true, pathKnown, true,
                                pathKnown, LevelRed, AnswerTerminate);
  }
  if (answer == NoAnswer) return;
  m_host.AddReportLine(QStringLiteral("Prozess ") + key + QStringLiteral(" (") + displayPath(path) +
                           QStringLiteral(") ist verdächtig. Das ") + finding + QLatin1Char('.'),
                       kDarkYellow, false);
  carryOut(answer, id, path, pathKnown, *identity);
}

void ProcessMonitor::carryOut(int answer, std::uint32_t id, const QString& path, bool pathKnown,
                              const ProcessIdentity& identity) {
  switch (answer) {
    case AnswerIgnore:
      m_host.AddReportLine(QStringLiteral("Verdächtiger Prozess ignoriert."), kRed, false);
      break;
    case AnswerAllow:
      if (pathKnown) m_host.AllowFile(path);  // not offered otherwise
      break;
    case AnswerDelete: {
      if (!pathKnown) break;  // not offered
      const std::int32_t cleaned = CleanIt(pathToNative(path).constData());
      if (cleaned == kCleanGone) {
        m_host.AddReportLine(QStringLiteral("Verdächtiger Prozess erfolgreich gelöscht."), kGreen,
                             false);
      } else if (cleaned == kCleanPending) {
        m_host.AddReportLine(QStringLiteral("Verdächtiger Prozess wurde nicht beendet. Die Datei "
                                            "wird beim nächsten Start gelöscht."),
                             kRed, false);
        Dialogs::current().message(m_dialogParent,
                                   QStringLiteral("Der Prozess konnte nicht beendet werden. Beim "
                                                  "nächsten Start von ORV wird die Datei "
                                                  "entfernt."));
      } else {
        // Nothing was arranged for later: promising a removal at the next start would be false.
        m_host.AddReportLine(
            QStringLiteral("Die Datei des verdächtigen Prozesses konnte nicht gelöscht werden."),
            kRed, false);
        Dialogs::current().message(m_dialogParent,
                                   QStringLiteral("Die Datei konnte nicht gelöscht werden."));
      }
      break;
    }
    case AnswerTerminate:
      if (terminateProcess(id, identity)) {
        m_host.AddReportLine(QStringLiteral("Verdächtiger Prozess erfolgreich beendet."), kGreen,
                             false);
      } else {
        m_host.AddReportLine(QStringLiteral("Verdächtiger Prozess wurde nicht beendet."), kRed,
                             false);
        Dialogs::current().message(m_dialogParent,
                                   QStringLiteral("Der Prozess konnte nicht beendet werden."));
      }
      break;
    default:
      break;
  }
}

std::optional<QString> ProcessMonitor::executablePath(std::uint32_t id) {
  char buffer[ORV_PROCESS_PATH_BUFFER] = {};
  if (!m_source.processPath || m_source.processPath(id, buffer, sizeof buffer) == 0)
    return std::nullopt;
  // The buffer holds the path and zeros behind it. Blanks or control characters at the ends
  // belong to the file's name on Linux: cutting them could name another file.
  const QByteArray bytes(buffer, static_cast<int>(qstrnlen(buffer, sizeof buffer)));
  if (bytes.isEmpty()) return std::nullopt;
  return pathFromNative(bytes);
}

void ProcessMonitor::tellMemoryIsForbidden() {
  // Once: the reason holds for every process, and the report would fill up with it.
  if (m_toldMemoryIsForbidden) return;
  m_toldMemoryIsForbidden = true;
  const int scope = m_source.ptraceScope ? m_source.ptraceScope() : -1;
  m_host.AddReportLine(QStringLiteral("Der Speicher anderer Prozesse kann nicht gelesen werden, "
                                      "weil der Kernel es verbietet (Yama ptrace_scope = %1). "
                                      "ORV prüft stattdessen die Programmdateien der Prozesse.")
                           .arg(scope),
                       kBlack, false);
}

void ProcessMonitor::removeDump() {
  if (!m_dumpMayExist) return;
  if (removeDumpFile(dumpPath())) m_dumpMayExist = false;
}

}  // namespace orv
