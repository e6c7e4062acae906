#include "shell/warm_up.h"

#include <system_error>
#include <utility>

namespace orv {

WarmUp::WarmUp(std::function<void()> work) {
  try {
    m_thread = std::thread([work = std::move(work)] {
      try {
        work();
      } catch (...) {
        // Only a cache stays cold; the caller's own call fails the same way and says so.
      }
    });
  } catch (const std::system_error&) {
  }
}

WarmUp::~WarmUp() {
  wait();
}

void WarmUp::wait() {
  if (m_thread.joinable()) m_thread.join();
}

}  // namespace orv
