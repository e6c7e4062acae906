#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "detect/detection_host.h"
#include "detect/scan_ahead.h"
#include "sigmatch/sigmatch.h"

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
// ahead is used only if the count of file changes (FileChanges) has not moved since it was
// made: a warning, a box, a monitor tick or a deletion since may have changed the file, and
// then it is looked up again.
class DiskScan {
 public:
  explicit DiskScan(ScanHost& host) : m_host(host) {}

  void resetCounters() { FilesScanned = DialersFound = 0; }
  // Throws OrvError, with the text for the error box, when the walk failed (the files it
  // handed over before are examined); the scan is over then.
  void ScanDirectory(const QString& folder);
  void CheckFile(const QString& path);

  // The signature look-up, ScanDialers unless a test gives another.
  void setSignatureLookUp(ScanAhead::LookUp lookUp) { m_lookUp = lookUp; }

  int32_t FilesScanned = 0;
  int32_t DialersFound = 0;

 private:
  struct Step;
  // `native` is `path` as the file system names it; the walk has both at hand, and for a
  // scanned folder the signature look-up made `ahead`.
  void checkFile(const QString& path, const QByteArray& native, const ScanAhead::File* ahead);
  void handleFinding(const Step& step, const QString& path, const QByteArray& native,
                     const QString& finding);

  ScanHost& m_host;
  ScanAhead::LookUp m_lookUp = &ScanDialers;
};

}  // namespace orv
