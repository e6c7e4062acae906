#pragma once

#include <cstdlib>
#include <string>

namespace orv {

// The user's data folder by the XDG rule, without a trailing "/": $XDG_DATA_HOME, else
// $HOME/.local/share. A relative setting counts as no setting; empty when neither is usable.
// The bytes as the environment holds them.
inline std::string userDataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share";
  return {};
}

}  // namespace orv
