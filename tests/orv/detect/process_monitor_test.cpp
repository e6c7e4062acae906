#include "detect/process_monitor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

#include <sys/resource.h>
#include <sys/stat.h>

#include "detect/process_identity.h"
#include "recording_host.h"
#include "shell/report_log.h"
#include "shell/web_addresses.h"
#include "spawned_child.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"

using orv::ProcessMonitor;

namespace {

const QString kFinding = QStringLiteral(
    "Programm wählt oder erstellt DFÜ Verbindungen und enthält Hinweise auf verdächtige "
    "Telefonnummern");

QString warningText(const QString& path) {
  return QStringLiteral(
             "Der Prozess mit der Datei \"%1\" ist verdächtig. Das %2. Wie wollen sie "
             "reagieren?")
      .arg(path, kFinding);
}

QString suspicionLine(const SpawnedChild& child, const QString& path) {
  return QStringLiteral("Prozess %1 (%2) ist verdächtig. Das %3.")
      .arg(QString::number(child.pid()), path, kFinding);
}

bool exists(const QString& path) {
  struct stat info {};
  return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// The lookalike copied to `path`, so that deleting it harms nothing of the build.
QString copyLookalike(const QString& path) {
  QFile::remove(path);
  if (!QFile::copy(QStringLiteral(ORV_DIALER_LOOKALIKE), path)) return {};
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return QFileInfo(path).canonicalFilePath();
}

// What a monitor needs around it: the window's timer, examined ids, BaseDir and host, and a
// process list narrowed to the processes the test names (the machine's other processes are
// none of its business), unless it asks for the real list.
struct Rig {
  TempBaseDir base;
  QString baseDir = base.path();
  RecordingHost host;
  std::set<QString> examined;
  QTimer timer;
  std::vector<std::uint32_t> ids;
  int listQueries = 0;
  bool listFails = false;
  // The kernel's answer to reading another process's memory, and its Yama ptrace_scope.
  bool memoryForbidden = false;
  int ptraceScope = -1;
  // Replaces the executable path libprocs reports (nothing: the path is unknown).
  std::optional<std::function<std::optional<QByteArray>(std::uint32_t)>> pathOverride;
  std::unique_ptr<ProcessMonitor> monitor;

  explicit Rig(bool realList = false) {
    timer.setInterval(1000);  // as the window creates it
    monitor = std::make_unique<ProcessMonitor>(
        host, baseDir, examined, timer, realList ? orv::ProcessSource::libprocs() : source());
  }
  orv::ProcessSource source() {
    orv::ProcessSource s = orv::ProcessSource::libprocs();
    s.numberOfProcesses = [this] { return static_cast<std::int32_t>(ids.size()); };
    s.processIdList = [this](std::uint32_t* out, std::int32_t limit) -> std::int32_t {
      ++listQueries;
      if (listFails) return 0;
      std::copy_n(ids.begin(), std::min<std::size_t>(ids.size(), std::size_t(limit)), out);
      return 1;
    };
    s.readMemory = [this](std::uint32_t pid, std::uint64_t address, void* buffer,
                          std::size_t length) {
      if (!memoryForbidden) return orv::readProcessMemory(pid, address, buffer, length);
      errno = EPERM;
      return false;
    };
    s.ptraceScope = [this] { return ptraceScope; };
    s.processPath = [this](std::uint32_t pid, char* buffer, std::int32_t limit) -> std::int32_t {
      if (!pathOverride) return orv::ProcessSource::libprocs().processPath(pid, buffer, limit);
      const auto path = (*pathOverride)(pid);
      if (!path || path->size() >= limit) return 0;
      std::memcpy(buffer, path->constData(), static_cast<std::size_t>(path->size()));
      return 1;
    };
    return s;
  }
  QString dump() const { return baseDir + QStringLiteral("orv.dump"); }
  bool examinedId(const SpawnedChild& child) const {
    return examined.count(QString::number(child.pid())) == 1;
  }
};

}  // namespace

class ProcessMonitorTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { m_dialogs = &ScriptedDialogs::installNew(); }

  void suspiciousProcessIsPutToTheUserAndTheAnswerCarriedOut_data();
  void suspiciousProcessIsPutToTheUserAndTheAnswerCarriedOut();
  void allowingSilencesEveryLaterProcessOfThatFile();
  void everyIdIsExaminedOnceAndKept();
  void theRealProcessListIncludesTheChild();
  void whereMemoryIsForbiddenTheProgramFilesAreExamined();
  void anotherInstanceOfOurProgramIsNeverJudged();
  void instancesSharingAFolderDumpUnderNamesOfTheirOwn();
  void aLinkPlantedAtTheDumpPathIsNotWrittenThrough_data();
  void aLinkPlantedAtTheDumpPathIsNotWrittenThrough();
  void unknownPathIsNamedAndOffersNeitherDeletionNorAllowing_data();
  void unknownPathIsNamedAndOffersNeitherDeletionNorAllowing();
  void aProgramDeepInTheTreeIsNamedWhole();
  void blanksAtTheEndOfTheNameBelongToIt();
  void aDeletionThatCannotBeArrangedIsToldTwice();
  void terminationFailsForAProcessNoLongerThere_data();
  void terminationFailsForAProcessNoLongerThere();
  void processListFailureStopsTheMonitor();
  void dumpThatCannotBeWrittenStopsTheMonitor_data();
  void dumpThatCannotBeWrittenStopsTheMonitor();
  void aFailingWarningEndsTheTickCleanly();
  void theOptionSwitchesTheTicks();
  void intervalZeroOrNegativeStopsTheTicks_data();
  void intervalZeroOrNegativeStopsTheTicks();
  void changingTheIntervalStartsTheCountAgain();
  void aTickNeverRunsInsideAnother();
  void switchedOffWhileAWarningWaitsStaysOff();

 private:
  ScriptedDialogs* m_dialogs = nullptr;
};

void ProcessMonitorTest::suspiciousProcessIsPutToTheUserAndTheAnswerCarriedOut_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("lock");
  QTest::addColumn<QString>("outcomeLine");  // after the suspicion line ("-": none of either)
  QTest::addColumn<int>("outcomeColour");
  QTest::addColumn<bool>("fileGone");
  QTest::addColumn<bool>("processEnded");
  QTest::addColumn<bool>("allowed");

  QTest::newRow("ignore") << 1 << false << "Verdächtiger Prozess ignoriert." << int(orv::kRed)
                          << false << false << false;
  QTest::newRow("allow, with the lock") << 2 << true << "" << 0 << false << false << true;
  QTest::newRow("delete") << 3 << false << "Verdächtiger Prozess erfolgreich gelöscht."
                          << int(orv::kGreen) << true << false << false;
  QTest::newRow("terminate, with the lock")
      << 4 << true << "Verdächtiger Prozess erfolgreich beendet." << int(orv::kGreen) << false
      << true << false;
  QTest::newRow("closed without answer") << 0 << false << "-" << 0 << false << false << false;
  QTest::newRow("no known answer") << 7 << false << "" << 0 << false << false << false;
}

void ProcessMonitorTest::suspiciousProcessIsPutToTheUserAndTheAnswerCarriedOut() {
  QFETCH(int, answer);
  QFETCH(bool, lock);
  QFETCH(QString, outcomeLine);
  QFETCH(int, outcomeColour);
  QFETCH(bool, fileGone);
  QFETCH(bool, processEnded);
  QFETCH(bool, allowed);

  Rig rig;
  const QString program = copyLookalike(rig.base.file(QStringLiteral("Dialer.bin")));
  QVERIFY(!program.isEmpty());
  SpawnedChild child(program.toStdString());
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.host.lock = lock;
  bool dumpDuringWarning = true;
  rig.host.answer = [&](const RecordingHost::Warning&) {
    dumpDuringWarning = exists(rig.dump());
    return answer;
  };
  rig.monitor->setActive(true);

  rig.monitor->tick();

  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  const RecordingHost::Warning& w = rig.host.warnings.front();
  QCOMPARE(w.title, QStringLiteral("Verdächtiger aktiver Prozess"));
  QCOMPARE(w.text, warningText(program));
  QCOMPARE(w.helpAddress, orv::helpPageAddress());
  QVERIFY(w.helpAddress.endsWith(QStringLiteral("/helpgefunden.php")));
  QCOMPARE(w.lock, lock);
  QVERIFY(w.ignorieren && w.erlauben && w.loeschen && w.beenden);
  QCOMPARE(w.level, 1);
  QCOMPARE(w.defaultAnswer, 4);
  QVERIFY2(!dumpDuringWarning, "another program's memory lies on disk while the warning waits");

  std::vector<RecordingHost::Line> expected;
  if (outcomeLine != QLatin1String("-"))
    expected.push_back({suspicionLine(child, program), orv::kDarkYellow, false});
  if (!outcomeLine.isEmpty() && outcomeLine != QLatin1String("-"))
    expected.push_back({outcomeLine, outcomeColour, false});
  QVERIFY(rig.host.lines == expected);
  QVERIFY(m_dialogs->messages.isEmpty());
  QVERIFY(m_dialogs->errors.isEmpty());

  QCOMPARE(!QFileInfo::exists(program), fileGone);
  if (processEnded) {
    QVERIFY(child.waitForEnd());
    QVERIFY(child.killedBy(SIGKILL));
  } else {
    QVERIFY(child.running());
  }
  QCOMPARE(!rig.host.allowedBox.toPlainText().isEmpty(), allowed);
  if (allowed) QVERIFY(rig.host.IsAllowed(program));
  QVERIFY(rig.examinedId(child));
  QVERIFY(!exists(rig.dump()));
  QVERIFY(rig.timer.isActive());
}

void ProcessMonitorTest::allowingSilencesEveryLaterProcessOfThatFile() {
  Rig rig;
  const QString program = copyLookalike(rig.base.file(QStringLiteral("dialer")));
  SpawnedChild first(program.toStdString());
  QVERIFY(first.started());
  rig.ids = {first.id()};
  rig.host.answer = [](const RecordingHost::Warning&) { return orv::AnswerAllow; };
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  // Only the suspicion line: allowing says nothing more here.
  QCOMPARE(rig.host.lines.size(), std::size_t(1));
  QVERIFY(rig.host.IsAllowed(program));

  // A new process of the same file: no warning, no line; still examined.
  SpawnedChild second(program.toStdString());
  QVERIFY(second.started());
  rig.ids = {first.id(), second.id()};
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  QCOMPARE(rig.host.lines.size(), std::size_t(1));
  QVERIFY(rig.examinedId(second));
  QVERIFY(second.running());
}

void ProcessMonitorTest::everyIdIsExaminedOnceAndKept() {
  Rig rig;
  const std::string lookalike = ORV_DIALER_LOOKALIKE;
  SpawnedChild dialer(lookalike);
  SpawnedChild seenBefore(lookalike);
  SpawnedChild harmless("/bin/sleep", {"100000"});
  SpawnedChild ended(lookalike);
  QVERIFY(dialer.started() && seenBefore.started() && harmless.started() && ended.started());
  ended.kill();
  rig.examined.insert(QString::number(seenBefore.pid()));
  // The list as a library may give it: zeros for ended processes, an id twice.
  rig.ids = {0, dialer.id(), seenBefore.id(), harmless.id(), ended.id(), dialer.id()};

  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  QVERIFY(rig.host.warnings.front().text.contains(QStringLiteral(ORV_DIALER_LOOKALIKE)));
  const std::set<QString> all{QStringLiteral("0"), QString::number(dialer.pid()),
                              QString::number(seenBefore.pid()), QString::number(harmless.pid()),
                              QString::number(ended.pid())};
  QVERIFY(rig.examined == all);

  // Ignored, so never asked again in this run; nothing is removed from the set.
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  QCOMPARE(rig.host.lines.size(), std::size_t(2));
  rig.ids.clear();
  rig.monitor->tick();
  QVERIFY(rig.examined == all);
  QVERIFY(!exists(rig.dump()));
}

// Makes this test program's own image look like a dialer's, as ORV's own image does.
[[gnu::used]] volatile const char kOwnImageLooksSuspicious[] = "RasDialA 0190";

void ProcessMonitorTest::theRealProcessListIncludesTheChild() {
  Rig rig(true);
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  // Whatever else runs on this machine is only ignored.
  rig.host.answer = [](const RecordingHost::Warning&) { return orv::AnswerIgnore; };
  rig.monitor->tick();
  QVERIFY(m_dialogs->messages.isEmpty());
  QVERIFY(rig.examinedId(child));
  // Our own process counts as examined but is never put to the user, though this test program,
  // like ORV, holds the names the heuristic looks for (kOwnImageLooksSuspicious).
  QVERIFY(rig.examined.count(QString::number(::getpid())) == 1);
  const QString expected = warningText(QStringLiteral(ORV_DIALER_LOOKALIKE));
  QVERIFY(std::any_of(rig.host.warnings.begin(), rig.host.warnings.end(),
                      [&](const RecordingHost::Warning& w) { return w.text == expected; }));
  const QString ownExe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  QVERIFY(std::none_of(rig.host.warnings.begin(), rig.host.warnings.end(),
                       [&](const RecordingHost::Warning& w) { return w.text.contains(ownExe); }));
  QVERIFY(!exists(rig.dump()));
}

void ProcessMonitorTest::whereMemoryIsForbiddenTheProgramFilesAreExamined() {
  Rig rig;
  rig.memoryForbidden = true;
  rig.ptraceScope = 1;
  SpawnedChild first(ORV_DIALER_LOOKALIKE);
  SpawnedChild second(ORV_DIALER_LOOKALIKE);
  QVERIFY(first.started() && second.started());
  rig.ids = {first.id(), second.id()};
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(2));
  const RecordingHost::Line notice{
      QStringLiteral("Der Speicher anderer Prozesse kann nicht gelesen werden, weil der Kernel es "
                     "verbietet (Yama ptrace_scope = 1). ORV prüft stattdessen die "
                     "Programmdateien der Prozesse."),
      orv::kBlack, false};
  // Said once, before the first finding; the rest as ever.
  QCOMPARE(std::count(rig.host.lines.begin(), rig.host.lines.end(), notice), 1);
  QVERIFY(rig.host.lines.front() == notice);
  QVERIFY(!exists(rig.dump()));
}

void ProcessMonitorTest::anotherInstanceOfOurProgramIsNeverJudged() {
  Rig rig;
  // A second run of this test program: its image holds kOwnImageLooksSuspicious, as a second
  // ORV's holds the names it guards.
  SpawnedChild twin(QCoreApplication::applicationFilePath().toStdString(), {"--idle"});
  SpawnedChild dialer(ORV_DIALER_LOOKALIKE);
  QVERIFY(twin.started() && dialer.started());
  rig.ids = {twin.id(), dialer.id()};
  rig.host.lock = true;
  rig.host.answer = [](const RecordingHost::Warning& w) { return w.defaultAnswer; };
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));  // the dialer's, as a check of the rig
  QVERIFY(rig.examinedId(twin));
  QVERIFY(twin.running());
}

void ProcessMonitorTest::instancesSharingAFolderDumpUnderNamesOfTheirOwn() {
  Rig first;
  Rig second;
  second.baseDir = first.baseDir;
  const QString own = QStringLiteral("orv.%1.dump").arg(::getpid());
  QCOMPARE(first.monitor->dumpPath(), first.baseDir + QStringLiteral("orv.dump"));
  QCOMPARE(second.monitor->dumpPath(), first.baseDir + own);
  // The name is the first instance's only while it runs.
  first.monitor.reset();
  Rig third;
  third.baseDir = first.baseDir;
  QCOMPARE(third.monitor->dumpPath(), first.baseDir + QStringLiteral("orv.dump"));
}

void ProcessMonitorTest::aLinkPlantedAtTheDumpPathIsNotWrittenThrough_data() {
  QTest::addColumn<bool>("targetExists");
  QTest::newRow("link to a file") << true;
  QTest::newRow("dangling link") << false;
}

void ProcessMonitorTest::aLinkPlantedAtTheDumpPathIsNotWrittenThrough() {
  QFETCH(bool, targetExists);
  Rig rig;
  TempBaseDir elsewhere;
  const QString target = elsewhere.file(QStringLiteral("victim"));
  if (targetExists) elsewhere.write(QStringLiteral("victim"), "precious");
  QVERIFY(QFile::link(target, rig.dump()));
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  rig.ids = {child.id()};

  rig.monitor->tick();
  // The process was still examined, from a dump made anew.
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  QCOMPARE(QFileInfo::exists(target), targetExists);
  if (targetExists) {
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("precious"));
  }
  QVERIFY(!exists(rig.dump()));
}

void ProcessMonitorTest::unknownPathIsNamedAndOffersNeitherDeletionNorAllowing_data() {
  QTest::addColumn<int>("answer");
  QTest::newRow("delete") << int(orv::AnswerDelete);
  QTest::newRow("allow") << int(orv::AnswerAllow);
}

void ProcessMonitorTest::unknownPathIsNamedAndOffersNeitherDeletionNorAllowing() {
  QFETCH(int, answer);
  Rig rig;
  rig.pathOverride = [](std::uint32_t) { return std::optional<QByteArray>(); };
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  rig.ids = {child.id()};
  // A file of that name in the working folder must not be taken for the process's file.
  TempBaseDir cwd;
  cwd.write(QStringLiteral("Datei nicht ermittelt"), "innocent");
  const QString oldCwd = QDir::currentPath();
  QVERIFY(QDir::setCurrent(cwd.path()));
  rig.host.answer = [&](const RecordingHost::Warning&) { return answer; };
  rig.monitor->tick();
  QDir::setCurrent(oldCwd);

  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  const RecordingHost::Warning& w = rig.host.warnings.front();
  QCOMPARE(w.text, warningText(QStringLiteral("Datei nicht ermittelt")));
  QVERIFY(w.ignorieren && !w.erlauben && !w.loeschen && w.beenden);
  QCOMPARE(w.defaultAnswer, 4);
  std::vector<RecordingHost::Line> expected{
      {suspicionLine(child, QStringLiteral("Datei nicht ermittelt")), orv::kDarkYellow, false}};
  QVERIFY(rig.host.lines == expected);
  QVERIFY(QFileInfo::exists(cwd.file(QStringLiteral("Datei nicht ermittelt"))));
  // No entry that would let every later process of unknown file pass.
  QVERIFY(rig.host.allowedBox.toPlainText().isEmpty());
  QVERIFY(m_dialogs->messages.isEmpty());
}

void ProcessMonitorTest::aProgramDeepInTheTreeIsNamedWhole() {
  Rig rig;
  QString folder = rig.base.path();
  while (folder.size() < 300) folder += QString(100, QLatin1Char('d')) + QLatin1Char('/');
  QVERIFY(QDir().mkpath(folder));
  const QString program = copyLookalike(folder + QStringLiteral("dialer"));
  QVERIFY(program.size() > 300);
  SpawnedChild child(program.toStdString());
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  QCOMPARE(rig.host.warnings.front().text, warningText(program));
  QVERIFY(rig.host.warnings.front().loeschen && rig.host.warnings.front().erlauben);
}

void ProcessMonitorTest::blanksAtTheEndOfTheNameBelongToIt() {
  Rig rig;
  const QString innocent = copyLookalike(rig.base.file(QStringLiteral("tool")));
  const QString program = rig.base.file(QStringLiteral("tool "));
  QVERIFY(!copyLookalike(program).isEmpty());
  SpawnedChild child(program.toStdString());
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.host.answer = [](const RecordingHost::Warning&) { return orv::AnswerDelete; };
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  QCOMPARE(rig.host.warnings.front().text, warningText(program));
  QVERIFY(!QFileInfo::exists(program));
  QVERIFY(QFileInfo::exists(innocent));
}

void ProcessMonitorTest::aDeletionThatCannotBeArrangedIsToldTwice() {
  Rig rig;
  // A folder is never removed, now or later.
  const QString folder = rig.base.file(QStringLiteral("folder"));
  QVERIFY(QDir().mkpath(folder));
  rig.pathOverride = [&](std::uint32_t) { return std::optional<QByteArray>(folder.toUtf8()); };
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.host.answer = [](const RecordingHost::Warning&) { return orv::AnswerDelete; };
  rig.monitor->tick();
  std::vector<RecordingHost::Line> expected{
      {suspicionLine(child, folder), orv::kDarkYellow, false},
      {QStringLiteral("Die Datei des verdächtigen Prozesses konnte nicht gelöscht werden."),
       orv::kRed, false}};
  QVERIFY(rig.host.lines == expected);
  QCOMPARE(m_dialogs->messages,
           QStringList{QStringLiteral("Die Datei konnte nicht gelöscht werden.")});
  QVERIFY(QFileInfo(folder).isDir());
}

void ProcessMonitorTest::terminationFailsForAProcessNoLongerThere_data() {
  QTest::addColumn<bool>("execInstead");
  QTest::newRow("ended while the warning waited") << false;
  QTest::newRow("its id now runs another program") << true;
}

void ProcessMonitorTest::terminationFailsForAProcessNoLongerThere() {
  QFETCH(bool, execInstead);
  Rig rig;
  SpawnedChild child(ORV_DIALER_LOOKALIKE, {"--exec-on-usr1", "/bin/sleep"});
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.host.answer = [&](const RecordingHost::Warning&) {
    if (execInstead) {
      const auto before = orv::readProcessIdentity(child.id());
      ::kill(child.pid(), SIGUSR1);
      // Polled with a generous limit: the same id, another program.
      for (int i = 0; i < 4000 && orv::readProcessIdentity(child.id()) == before; ++i)
        QTest::qWait(5);
    } else {
      child.kill();
    }
    return orv::AnswerTerminate;
  };
  rig.monitor->tick();
  std::vector<RecordingHost::Line> expected{
      {suspicionLine(child, QStringLiteral(ORV_DIALER_LOOKALIKE)), orv::kDarkYellow, false},
      {QStringLiteral("Verdächtiger Prozess wurde nicht beendet."), orv::kRed, false}};
  QVERIFY(rig.host.lines == expected);
  QCOMPARE(m_dialogs->messages,
           QStringList{QStringLiteral("Der Prozess konnte nicht beendet werden.")});
  if (execInstead) QVERIFY(child.running());
}

void ProcessMonitorTest::processListFailureStopsTheMonitor() {
  Rig rig;
  rig.listFails = true;
  rig.monitor->setActive(true);
  QVERIFY(rig.timer.isActive());
  rig.monitor->tick();
  QCOMPARE(m_dialogs->messages,
           QStringList{QStringLiteral("Konnte Prozessliste nicht ermitteln!")});
  QVERIFY(!rig.timer.isActive());
  QVERIFY(rig.monitor->isActive());  // the option stays on
  QVERIFY(rig.host.lines.empty());
  // A change of interval does not wake it either; switching off and on does.
  rig.monitor->setInterval(500);
  QVERIFY(!rig.timer.isActive());
  rig.listFails = false;
  rig.monitor->setActive(false);
  rig.monitor->setActive(true);
  QVERIFY(rig.timer.isActive());
  rig.monitor->tick();
  QVERIFY(rig.timer.isActive());
  QCOMPARE(m_dialogs->messages.size(), 1);
}

void ProcessMonitorTest::dumpThatCannotBeWrittenStopsTheMonitor_data() {
  QTest::addColumn<bool>("missingFolder");
  QTest::newRow("cannot be created") << true;
  QTest::newRow("write fails part-way") << false;
}

void ProcessMonitorTest::dumpThatCannotBeWrittenStopsTheMonitor() {
  QFETCH(bool, missingFolder);
  Rig rig;
  if (missingFolder) rig.baseDir += QStringLiteral("missing/");
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.monitor->setActive(true);

  rlimit old{};
  QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  if (!missingFolder) {
    rlimit small = old;
    small.rlim_cur = 1000;  // a full disk after 1000 bytes
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  rig.monitor->tick();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  const QString text = missingFolder
                           ? QStringLiteral("Datei %1 kann nicht erstellt werden.").arg(rig.dump())
                           : QStringLiteral("E/A-Fehler %1.").arg(EFBIG);
  QCOMPARE(m_dialogs->errors, QStringList{text});
  QVERIFY(rig.host.warnings.empty());
  QVERIFY(!exists(rig.dump()));
  QVERIFY(!rig.timer.isActive());
  QVERIFY(rig.monitor->isActive());
  // The tick ended at that process: it is examined once the monitor runs again.
  QVERIFY(!rig.examinedId(child));
  rig.monitor->setActive(false);
  rig.monitor->setActive(true);
  QVERIFY(rig.timer.isActive());
}

void ProcessMonitorTest::aFailingWarningEndsTheTickCleanly() {
  Rig rig;
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.monitor->setActive(true);
  rig.host.answer = [](const RecordingHost::Warning&) -> int {
    throw std::runtime_error("Warnung gescheitert");
  };
  rig.monitor->tick();
  QCOMPARE(m_dialogs->errors, QStringList{QStringLiteral("Warnung gescheitert.")});
  QVERIFY(!exists(rig.dump()));
  QVERIFY(!rig.timer.isActive());
  // A later tick is not locked out by the failed one.
  rig.host.answer = nullptr;
  rig.monitor->setActive(false);
  rig.monitor->setActive(true);
  rig.monitor->tick();
  QCOMPARE(rig.host.warnings.size(), std::size_t(2));
  QVERIFY(rig.timer.isActive());
}

void ProcessMonitorTest::theOptionSwitchesTheTicks() {
  Rig rig;
  QVERIFY(!rig.timer.isActive());  // off until the option is switched on
  QVERIFY(!rig.monitor->isActive());
  rig.monitor->setActive(true);
  QVERIFY(rig.timer.isActive());
  QCOMPARE(rig.timer.interval(), 1000);  // the window's interval until one is set
  rig.monitor->tick();
  QVERIFY(rig.timer.isActive());
  rig.monitor->setActive(false);
  QVERIFY(!rig.timer.isActive());
  // A timeout already queued when the option went off does not switch it on again.
  rig.monitor->tick();
  QVERIFY(!rig.timer.isActive());
  QCOMPARE(rig.listQueries, 2);
}

void ProcessMonitorTest::intervalZeroOrNegativeStopsTheTicks_data() {
  QTest::addColumn<int>("interval");
  QTest::newRow("0") << 0;
  QTest::newRow("-1") << -1;
  QTest::newRow("INT_MIN") << INT_MIN;
}

void ProcessMonitorTest::intervalZeroOrNegativeStopsTheTicks() {
  QFETCH(int, interval);
  Rig rig;
  rig.monitor->setActive(true);
  rig.monitor->setInterval(interval);
  QVERIFY(!rig.timer.isActive());
  QCOMPARE(rig.timer.interval(), 0);
  QVERIFY(rig.monitor->isActive());
  // A tick still under way at that moment does not start the timer at its end.
  rig.monitor->tick();
  QVERIFY(!rig.timer.isActive());
  rig.monitor->setInterval(250);
  QVERIFY(rig.timer.isActive());
  QCOMPARE(rig.timer.interval(), 250);
  // Switched off, a new interval starts nothing.
  rig.monitor->setActive(false);
  rig.monitor->setInterval(300);
  QVERIFY(!rig.timer.isActive());
}

void ProcessMonitorTest::changingTheIntervalStartsTheCountAgain() {
  Rig rig;
  rig.monitor->setInterval(100000);
  rig.monitor->setActive(true);
  rig.monitor->setInterval(400000);
  QVERIFY(rig.timer.isActive());
  // A count that went on would have at most 100 s left.
  QVERIFY(rig.timer.remainingTime() > 300000);
}

void ProcessMonitorTest::aTickNeverRunsInsideAnother() {
  Rig rig;
  QObject::connect(&rig.timer, &QTimer::timeout, [&] { rig.monitor->tick(); });
  int timeouts = 0;
  QObject::connect(&rig.timer, &QTimer::timeout, [&] { ++timeouts; });
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.monitor->setActive(true);
  rig.host.answer = [&](const RecordingHost::Warning&) {
    // While the warning waits, the option is switched off and on with a short interval: the
    // timer fires into the waiting tick, which must not start another.
    rig.monitor->setInterval(1);
    rig.monitor->setActive(false);
    rig.monitor->setActive(true);
    [&] {
      QTRY_VERIFY_WITH_TIMEOUT(timeouts >= 1, 20000);
      QVERIFY(!rig.timer.isActive());
    }();
    return orv::AnswerIgnore;
  };
  rig.monitor->tick();
  QCOMPARE(rig.listQueries, 1);
  QCOMPARE(rig.host.warnings.size(), std::size_t(1));
  QVERIFY(rig.timer.isActive());  // restarted at the end of the tick that waited
}

void ProcessMonitorTest::switchedOffWhileAWarningWaitsStaysOff() {
  Rig rig;
  SpawnedChild child(ORV_DIALER_LOOKALIKE);
  QVERIFY(child.started());
  rig.ids = {child.id()};
  rig.monitor->setActive(true);
  rig.host.answer = [&](const RecordingHost::Warning&) {
    rig.monitor->setActive(false);
    return orv::AnswerIgnore;
  };
  rig.monitor->tick();
  QVERIFY(!rig.timer.isActive());
  QVERIFY(!rig.monitor->isActive());
}

int main(int argc, char** argv) {
  // A second run of this program that only waits (see anotherInstanceOfOurProgramIsNeverJudged).
  if (argc == 2 && std::strcmp(argv[1], "--idle") == 0) {
    for (;;) ::pause();
  }
  QApplication app(argc, argv);
  ProcessMonitorTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "process_monitor_test.moc"
