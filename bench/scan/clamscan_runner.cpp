#include "clamscan_runner.h"

#include <QRegularExpression>

#include "peer_process.h"

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

std::string clamMarkerSignatures() {
  static const char* const kFunctions[] = {"RasDialA", "RasCreatePhonebookEntryA", "CAPIPUTMESSAGE",
                                           "lineDial", "tapiRequest"};
  std::string lines;
  for (const char* function : kFunctions) {
    const QByteArray plain(function);
    QByteArray wide;
    for (const char c : plain) wide.append(c).append('\0');
    lines += "Dialer." + plain.toStdString() + ":0:*:" + plain.toHex().toStdString() + "\n";
    lines += "Dialer." + plain.toStdString() + ".Wide:0:*:" + wide.toHex().toStdString() + "\n";
  }
  return lines;
}

ClamscanRun runClamscan(const std::string& clamscan, const std::string& database,
                        const std::string& folder) {
  const QStringList arguments{QStringLiteral("--database=") + QString::fromStdString(database),
                              QStringLiteral("--recursive"), QStringLiteral("--infected"),
                              QStringLiteral("--include=\\.[Ee][Xx][Ee]$"),
                              QString::fromStdString(folder)};
  const ProcessRun process = runProcess(clamscan, arguments);
  ClamscanRun run;
  run.started = process.started;
  if (!run.started) return run;
  run.wallMs = process.wallMs;
  run.cpuMs = process.cpuMs;
  run.exitCode = process.exitCode;
  run.output = process.output;
  const QString output = QString::fromLocal8Bit(QByteArray::fromStdString(process.output));
  run.scannedFiles = summaryNumber(output, QStringLiteral("Scanned files"));
  run.infectedFiles = summaryNumber(output, QStringLiteral("Infected files"));
  static const QRegularExpression foundLine(QStringLiteral("^(.*): \\S+ FOUND$"),
                                            QRegularExpression::MultilineOption);
  for (auto it = foundLine.globalMatch(output); it.hasNext();)
    run.found.insert(it.next().captured(1).toStdString());
  return run;
}

}  // namespace scanbench
