#include "shell/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace orv {

FontWarmUp::FontWarmUp() {
  try {
    // The same call the font database starts with; it keeps what it read for the process.
    m_thread = std::thread([] { FcInit(); });
  } catch (const std::system_error&) {
    // No thread: the font database reads the configuration itself, as without this.
  }
}

FontWarmUp::~FontWarmUp() {
  wait();
}

void FontWarmUp::wait() {
  if (m_thread.joinable()) m_thread.join();
}

}  // namespace orv
