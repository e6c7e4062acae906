#include "clamscan_runner.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

namespace scanbench {
namespace {

int summaryNumber(const QString& output, const QString& label) {
  const QRegularExpression pattern(
      QStringLiteral("^") + QRegularExpression::escape(label) + QStringLiteral(": (\\d+)$"),
      QRegularExpression::MultilineOption);
  const QRegularExpressionMatch match = pattern.match(output);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

}  // namespace

ClamscanRun runClamscan(const std::string& clamscan, const std::string& database,
                        const std::string& folder) {
  ClamscanRun run;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  const QStringList arguments{QStringLiteral("--database=") + QString::fromStdString(database),
                              QStringLiteral("--recursive"), QStringLiteral("--infected"),
                              QStringLiteral("--include=\\.[Ee][Xx][Ee]$"),
                              QString::fromStdString(folder)};
  QElapsedTimer timer;
  timer.start();
  process.start(QString::fromStdString(clamscan), arguments);
  run.started = process.waitForStarted(-1);
  if (!run.started) return run;
  process.waitForFinished(-1);
  run.wallMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;

  const QString output = QString::fromLocal8Bit(process.readAll());
  run.output = output.toStdString();
  run.scannedFiles = summaryNumber(output, QStringLiteral("Scanned files"));
  run.infectedFiles = summaryNumber(output, QStringLiteral("Infected files"));
  static const QRegularExpression foundLine(QStringLiteral("^(.*): \\S+ FOUND$"),
                                            QRegularExpression::MultilineOption);
  for (auto it = foundLine.globalMatch(output); it.hasNext();)
    run.found.insert(it.next().captured(1).toStdString());
  return run;
}

}  // namespace scanbench
