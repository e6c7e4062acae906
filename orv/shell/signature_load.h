#pragma once

#include <QByteArray>
#include <cstdint>
#include <future>
#include <memory>

namespace orv {

// The signature database (InitDialersDatabase), loaded on a thread of its own from the
// program's start (or from the moment the main window starts being built), so that a large
// file costs the start no time of its own. The count is taken where start-up reports it;
// until then nothing looks a file up, which the library does not allow beside a load (a scan
// starts only from the running window). Where no thread can be started, the file is loaded
// when the count is asked for.
class SignatureLoad {
 public:
  explicit SignatureLoad(QByteArray path);
  // Begins the load of `path` at the program's very start, beside the application's connection
  // to the display, for the window to take over (see takeOver). An empty path begins nothing.
  static void startAhead(QByteArray path);
  // The load of `path`: the one begun ahead where it reads that very file, else a new one. A
  // load begun ahead for another file has ended before: two loads never run side by side.
  static std::unique_ptr<SignatureLoad> takeOver(QByteArray path);
  // Waits for a load still running: the library is never left loading behind the window.
  ~SignatureLoad();
  SignatureLoad(const SignatureLoad&) = delete;
  SignatureLoad& operator=(const SignatureLoad&) = delete;

  // Waits for the load and gives InitDialersDatabase's answer, the number of signatures.
  int32_t count();

 private:
  QByteArray m_path;
  std::future<int32_t> m_loading;
  int32_t m_count = 0;
  bool m_done = false;
};

}  // namespace orv
