#include "detect/disk_scan.h"

#include <new>
#include <optional>
#include <system_error>

#include "clean/clean.h"
#include "codesniff/codesniff.h"
#include "detect/directory_walker.h"
#include "detect/display_path.h"
#include "detect/file_changes.h"
#include "detect/library_result.h"
#include "detect/native_path.h"
#include "detect/scan_ahead.h"
#include "shell/dialogs.h"
#include "shell/orv_error.h"
#include "shell/report_log.h"
#include "shell/web_addresses.h"
#include "sigmatch/sigmatch.h"

namespace orv {

// The two checks differ only in their words, colour, picture and default answer.
struct DiskScan::Step {
  const char* findingLabel;  // between path and finding in the report line
  int32_t findingColour;
  const char* title;
  int level;
  int defaultAnswer;
  const char* subject;  // "Infizierte" / "Verdächtige"
  bool signature;
};

namespace {

const QChar kQuote = QLatin1Char('"');

// How long the scan waits for the walk before it handles the window's messages meanwhile.
constexpr std::chrono::milliseconds kWaitSlice(40);

QString warningText(bool signature, const QString& path, const QString& finding) {
  if (signature)
    return QStringLiteral("Es wurde der 0190 Dialer ") + kQuote + finding + kQuote +
           QStringLiteral(" in der Datei ") + kQuote + path + kQuote +
           QStringLiteral(" gefunden. Wie wollen sie reagieren?");
  return QStringLiteral("Die Datei ") + kQuote + path + kQuote +
         QStringLiteral(" ist verdächtig. Das ") + finding +
         QStringLiteral(". Wie wollen sie reagieren?");
}

// The text of the error box for a walk that failed.
QString walkFailure(const QString& folder) {
  const QString text = QStringLiteral("Der Scan des Verzeichnisses ") + displayPath(folder) +
                       QStringLiteral(" wurde wegen eines Fehlers abgebrochen");
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return text + QStringLiteral(": Zu wenig Arbeitsspeicher");
  } catch (...) {
    return text;
  }
}

}  // namespace

void DiskScan::ScanDirectory(const QString& folder) {
  const QByteArray native = pathToNative(folder);
  std::optional<ScanAhead> ahead;
  try {
    ahead.emplace(native, ScanAhead::kDefaultCapacity, m_lookUp);
  } catch (const std::system_error&) {
    // No thread to spare: the same walk, each file looked up when its turn comes.
    DirectoryWalker::walk(
        native, [this](const QByteArray& file) { checkFile(pathFromNative(file), file, nullptr); },
        [this] { return m_host.cancelRequested(); });
    return;
  }
  ScanAhead::File file;
  for (;;) {
    ScanAhead::Next next;
    try {
      next = ahead->next(file, kWaitSlice);
    } catch (...) {
      // The walk's thread failed (out of memory, say): the scan ends, the program goes on.
      throw OrvError(walkFailure(folder));
    }
    switch (next) {
      case ScanAhead::Next::End:
        return;
      case ScanAhead::Next::Waiting:
        // A long stretch without files to examine: the window stays alive all the same.
        m_host.processPendingEvents();
        break;
      case ScanAhead::Next::File:
        checkFile(pathFromNative(file.path), file.path, &file);
        break;
    }
    if (m_host.cancelRequested()) return;
  }
}

void DiskScan::CheckFile(const QString& path) {
  checkFile(path, pathToNative(path), nullptr);
}

void DiskScan::checkFile(const QString& path, const QByteArray& native,
                         const ScanAhead::File* ahead) {
  static const Step signatureStep{
      " - Infektion: ", kRed, "0190 Dialer gefunden!", LevelRed, AnswerDelete, "Infizierte", true};
  static const Step heuristicStep{
      " - Verdächtig: ", kDarkYellow, "Verdächtige Datei gefunden", LevelYellow, AnswerIgnore,
      "Verdächtige",     false};

  m_host.setScanStatus(QStringLiteral("Scanne ") + displayPath(path) + QStringLiteral(" ..."));
  m_host.processPendingEvents();
  ++FilesScanned;

  ShortText result;
  // Anything that may have changed files since the look-up ahead makes it worthless.
  if (ahead && ahead->changeCount == FileChanges::count())
    result = ahead->signature;
  else
    m_lookUp(&result, native.constData());
  // A dialer's name comes from the signature file: it is shown by the rule for names too.
  if (!isNothingFound(result))
    handleFinding(signatureStep, path, native, displayPath(resultText(result)));

  if (m_host.useHeuristics()) {
    CheckHeuristically(&result, native.constData(), 0);
    if (!isNothingFound(result)) handleFinding(heuristicStep, path, native, resultText(result));
  }

  m_host.setScanStatus(QStringLiteral("Suche nächste Datei ..."));
  m_host.processPendingEvents();
}

void DiskScan::handleFinding(const Step& step, const QString& path, const QByteArray& native,
                             const QString& finding) {
  ++DialersFound;
  const QString shownPath = displayPath(path);
  const QString findingLine = shownPath + QString::fromUtf8(step.findingLabel) + finding;
  if (m_host.reportOnly()) {
    m_host.AddReportLine(findingLine, step.findingColour, true);
    return;
  }
  if (m_host.IsAllowed(path)) return;

  m_host.AddReportLine(findingLine, step.findingColour, true);
  const int answer = m_host.ShowWarning(QString::fromUtf8(step.title),
                                        warningText(step.signature, shownPath, finding),
                                        helpPageAddress(), m_host.lockFlag(), true, true, false,
                                        true, step.level, step.defaultAnswer);

  const QString subject = QString::fromUtf8(step.subject);
  switch (answer) {
    case AnswerIgnore:
      m_host.AddReportLine(subject + QStringLiteral(" Datei ignoriert."), kRed, true);
      break;
    case AnswerAllow:
      m_host.AllowFile(path);
      m_host.AddReportLine(subject + QStringLiteral(" Datei erlaubt."), kRed, true);
      break;
    case AnswerDelete:
      switch (CleanIt(native.constData())) {
        case kCleanGone:
          m_host.AddReportLine(subject + QStringLiteral(" Datei erfolgreich gelöscht."), kGreen,
                               true);
          break;
        case kCleanPending:
          m_host.AddReportLine(subject + QStringLiteral(" Datei konnte nicht gelöscht werden. Die "
                                                        "Datei wird beim nächsten Start gelöscht."),
                               kRed, true);
          Dialogs::current().message(nullptr,
                                     QStringLiteral("Die Datei konnte nicht gelöscht werden. Beim "
                                                    "nächsten Start von ORV wird die Datei "
                                                    "entfernt."));
          break;
        default:
          // Nothing was arranged for later (the name now is a folder, say): no false promise.
          m_host.AddReportLine(subject + QStringLiteral(" Datei konnte nicht gelöscht werden."),
                               kRed, true);
          Dialogs::current().message(nullptr,
                                     QStringLiteral("Die Datei konnte nicht gelöscht werden."));
          break;
      }
      break;
    default:
      break;
  }
  // The user had the word, for as long as it took, and the answer may have removed a file.
  FileChanges::note();
}

}  // namespace orv
