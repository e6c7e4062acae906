#include "detect/disk_scan.h"

#include "clean/clean.h"
#include "codesniff/codesniff.h"
#include "detect/directory_walker.h"
#include "detect/library_result.h"
#include "detect/native_path.h"
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
  DirectoryWalker::walk(
      pathToNative(folder),
      [this](const QByteArray& native) { checkFile(pathFromNative(native), native); },
      [this] { return m_host.cancelRequested(); });
}

void DiskScan::CheckFile(const QString& path) {
  checkFile(path, pathToNative(path));
}

void DiskScan::checkFile(const QString& path, const QByteArray& native) {
  static const Step signatureStep{
      " - Infektion: ", kRed, "0190 Dialer gefunden!", LevelRed, AnswerDelete, "Infizierte", true};
  static const Step heuristicStep{
      " - Verdächtig: ", kDarkYellow, "Verdächtige Datei gefunden", LevelYellow, AnswerIgnore,
      "Verdächtige",     false};

  m_host.setScanStatus(QStringLiteral("Scanne ") + displayPath(path) + QStringLiteral(" ..."));
  m_host.processPendingEvents();
  ++FilesScanned;

  ShortText result;
  ScanDialers(&result, native.constData());
  if (!isNothingFound(result)) handleFinding(signatureStep, path, native, resultText(result));

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
                                                    "nächsten Start von Windows wird die Datei "
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
}

}  // namespace orv
