#include "detect/disk_scan.h"

#include <optional>
#include <system_error>

#include "clean/clean.h"
#include "codesniff/codesniff.h"
#include "detect/directory_walker.h"
#include "detect/display_path.h"
#include "detect/library_result.h"
#include "detect/native_path.h"
#include "detect/scan_ahead.h"
#include "shell/dialogs.h"
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
// A message handling that takes longer was more than painting and clicks: a box or a
// warning waited for the user (the process monitor's, say).
constexpr std::chrono::milliseconds kLongPause(20);

QString warningText(bool signature, const QString& path, const QString& finding) {
  if (signature)
    return QStringLiteral("Es wurde der 0190 Dialer ") + kQuote + finding + kQuote +
           QStringLiteral(" in der Datei ") + kQuote + path + kQuote +
           QStringLiteral(" gefunden. Wie wollen sie reagieren?");
  return QStringLiteral("Die Datei ") + kQuote + path + kQuote +
         QStringLiteral(" ist verdächtig. Das ") + finding +
         QStringLiteral(". Wie wollen sie reagieren?");
}

}  // namespace

void DiskScan::ScanDirectory(const QString& folder) {
  const QByteArray native = pathToNative(folder);
  m_trustedSince = ScanAhead::Clock::now();
  std::optional<ScanAhead> ahead;
  try {
    ahead.emplace(native);
  } catch (const std::system_error&) {
    // No thread to spare: the same walk, each file looked up when its turn comes.
    DirectoryWalker::walk(
        native, [this](const QByteArray& file) { checkFile(pathFromNative(file), file, nullptr); },
        [this] { return m_host.cancelRequested(); });
    return;
  }
  ScanAhead::File file;
  for (;;) {
    switch (ahead->next(file, kWaitSlice)) {
      case ScanAhead::Next::End:
        return;
      case ScanAhead::Next::Waiting:
        // A long stretch without files to examine: the window stays alive all the same.
        handlePendingEvents();
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

void DiskScan::handlePendingEvents() {
  const auto start = ScanAhead::Clock::now();
  m_host.processPendingEvents();
  const auto end = ScanAhead::Clock::now();
  // Longer than a moment: a box or warning of the program's own waited meanwhile.
  if (end - start > kLongPause) distrustLookUpsBefore(end);
}

void DiskScan::checkFile(const QString& path, const QByteArray& native,
                         const ScanAhead::File* ahead) {
  static const Step signatureStep{
      " - Infektion: ", kRed, "0190 Dialer gefunden!", LevelRed, AnswerDelete, "Infizierte", true};
  static const Step heuristicStep{
      " - Verdächtig: ", kDarkYellow, "Verdächtige Datei gefunden", LevelYellow, AnswerIgnore,
      "Verdächtige",     false};

  m_host.setScanStatus(QStringLiteral("Scanne ") + displayPath(path) + QStringLiteral(" ..."));
  handlePendingEvents();
  ++FilesScanned;

  ShortText result;
  if (ahead && ahead->lookedUpAt >= m_trustedSince)
    result = ahead->signature;
  else
    ScanDialers(&result, native.constData());
  // A dialer's name comes from the signature file: it is shown by the rule for names too.
  if (!isNothingFound(result))
    handleFinding(signatureStep, path, native, displayPath(resultText(result)));

  if (m_host.useHeuristics()) {
    CheckHeuristically(&result, native.constData(), 0);
    if (!isNothingFound(result)) handleFinding(heuristicStep, path, native, resultText(result));
  }

  m_host.setScanStatus(QStringLiteral("Suche nächste Datei ..."));
  handlePendingEvents();
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
  // The user had the word, for as long as it took: files may have changed meanwhile.
  distrustLookUpsBefore(ScanAhead::Clock::now());
}

}  // namespace orv
