#include "peer_process.h"

#include <sys/resource.h>
#include <QElapsedTimer>
#include <QProcess>

namespace scanbench {
namespace {

double childrenCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return 1e3 * static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

}  // namespace

ProcessRun runProcess(const std::string& program, const QStringList& arguments,
                      bool separateErrors) {
  ProcessRun run;
  QProcess process;
  process.setProcessChannelMode(separateErrors ? QProcess::SeparateChannels
                                               : QProcess::MergedChannels);
  const double cpuBefore = childrenCpuMs();
  QElapsedTimer timer;
  timer.start();
  process.start(QString::fromStdString(program), arguments);
  run.started = process.waitForStarted(-1);
  if (!run.started) return run;
  process.waitForFinished(-1);
  run.wallMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  run.cpuMs = childrenCpuMs() - cpuBefore;  // counted once the child is waited for
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.output = process.readAllStandardOutput().toStdString();
  if (separateErrors) run.errors = process.readAllStandardError().toStdString();
  return run;
}

}  // namespace scanbench
