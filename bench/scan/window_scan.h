#pragma once

#include <QStringList>
#include <memory>
#include <string>

class ScriptedDialogs;
namespace orv {
class TForm1;
}

namespace scanbench {

// The program's main window, offscreen, set for a report-only scan without heuristics:
// a scan here is what the user starts with "Scan starten", every window chore included.
class WindowScan {
 public:
  struct Result {
    double ms = 0;  // Button4Click from start to end
    int filesScanned = 0;
    int dialersFound = 0;
    QStringList memo;  // the scan page's text box, line by line
  };

  // `baseDir` (with trailing "/") holds orv.sig and hilfe.rtf. The window starts hidden, as
  // in the tests.
  explicit WindowScan(const std::string& baseDir);
  ~WindowScan();
  WindowScan(const WindowScan&) = delete;
  WindowScan& operator=(const WindowScan&) = delete;

  // Shows the window on the scan page, so that from now on every scan paints its status line
  // and its findings as it goes.
  void show();

  int signatureCount() const;
  Result scan(const std::string& folder);
  // Message and error boxes the window showed (a scan in report-only mode shows none).
  QStringList boxes() const;

 private:
  ScriptedDialogs* m_dialogs;
  std::unique_ptr<orv::TForm1> m_form;
};

}  // namespace scanbench
