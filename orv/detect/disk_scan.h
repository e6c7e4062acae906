#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "detect/detection_host.h"
#include "detect/scan_ahead.h"

namespace orv {

// What the disk scan needs from the window besides the detection services.
class ScanHost : public DetectionHost {
 public:
  virtual void setScanStatus(const QString& text) = 0;
  // Handles the window messages that are waiting, so the window stays alive during a scan.
  virtual void processPendingEvents() = 0;
  // True once the user asked to stop the scan.
  virtual bool cancelRequested() const = 0;
  // The scan's options, read again for every file.
  virtual bool reportOnly() const = 0;
  virtual bool useHeuristics() const = 0;
};

// The disk scan: walks a folder tree and checks every .EXE file by its fingerprint and,
// when asked, by its content; each finding is reported and, unless only reporting, put
// to the user, whose answer is carried out at once.
//
// Everything the user sees happens here, on the window's thread. Listing the folders and
// the signature look-ups run ahead on a thread of their own (ScanAhead); a look-up made
// ahead is used unless the user had the word since it was made (a warning, a box, any
// long message handling), for the user, or the program on the user's answer, may have
// changed the file meanwhile: then the file is looked up again.
class DiskScan {
 public:
  explicit DiskScan(ScanHost& host) : m_host(host) {}

  void resetCounters() { FilesScanned = DialersFound = 0; }
  void ScanDirectory(const QString& folder);
  void CheckFile(const QString& path);

  int32_t FilesScanned = 0;
  int32_t DialersFound = 0;

 private:
  struct Step;
  // `native` is `path` as the file system names it; the walk has both at hand, and for a
  // scanned folder the signature look-up made `ahead`.
  void checkFile(const QString& path, const QByteArray& native, const ScanAhead::File* ahead);
  void handlePendingEvents();
  void distrustLookUpsBefore(ScanAhead::Clock::time_point moment) { m_trustedSince = moment; }
  void handleFinding(const Step& step, const QString& path, const QByteArray& native,
                     const QString& finding);

  ScanHost& m_host;
  ScanAhead::Clock::time_point m_trustedSince;  // look-ups made ahead before it are not used
};

}  // namespace orv
