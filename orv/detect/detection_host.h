#pragma once

#include <QString>
#include <cstdint>

#include "warning/warning_codes.h"

namespace orv {

// What the detection parts (disk scan, process monitor) need from the main window.
// The window implements it; tests implement it with a recording double.
class DetectionHost {
 public:
  virtual ~DetectionHost() = default;

  virtual void AddReportLine(const QString& text, int32_t colour, bool copyToScanMemo) = 0;
  virtual int ShowWarning(const QString& title, const QString& text, const QString& helpAddress,
                          bool lock, bool ignorierenEnabled, bool loeschenEnabled,
                          bool beendenEnabled, bool erlaubenEnabled, int level,
                          int defaultAnswer) = 0;
  virtual bool IsAllowed(const QString& path) = 0;
  virtual void AllowFile(const QString& path) = 0;
  // The security lock flag, read at the moment of each warning.
  virtual bool lockFlag() const = 0;
};

}  // namespace orv
