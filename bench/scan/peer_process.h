#pragma once

#include <QStringList>
#include <string>

namespace scanbench {

struct ProcessRun {
  bool started = false;
  int exitCode = -1;   // -1 when it did not end normally
  double wallMs = 0;   // from start to exit
  double cpuMs = 0;    // processor time it used, all its threads and both modes together
  std::string output;  // standard output, and standard error unless kept apart
  std::string errors;  // standard error when kept apart
};

// Runs a program to its end. Its start, loading included, is part of the time: a scanner is
// used that way.
ProcessRun runProcess(const std::string& program, const QStringList& arguments,
                      bool separateErrors = false);

}  // namespace scanbench
