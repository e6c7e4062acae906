#include "ppp_paths.h"

#include <climits>
#include <cstdlib>

namespace orv::ras {
namespace {

std::string fromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  std::string path = value && *value ? value : fallback;
  // "/etc/ppp/" and "/etc/ppp" name the same folder; the joins below add their own "/".
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string verbatim(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

std::string resolved(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

bool isBelow(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() &&
         path.compare(0, folder.size(), folder) == 0 &&
         (folder == "/" || path[folder.size()] == '/');
}

}  // namespace

PppPaths PppPaths::fromEnvironment() {
  return {ras::fromEnvironment("ORV_PPP_DIR", "/etc/ppp"),
          ras::fromEnvironment("ORV_PPPD", "/usr/sbin/pppd"),
          ras::fromEnvironment("ORV_PPP_RUN_DIR", "/run"), verbatim("ORV_NM_BUS_ADDRESS", ""),
          ras::fromEnvironment("ORV_NM_EDITOR", "/usr/bin/nm-connection-editor")};
}

std::string PppPaths::chatScriptsDir() const {
  const std::size_t slash = pppDir.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : pppDir.substr(0, slash);
  return (parent.empty() ? std::string() : parent) + "/chatscripts";
}

bool PppPaths::mayWrite(const std::string& path) const {
  // The file itself may be new, so its folder is resolved; a link at the file's own name is
  // refused by the writer.
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return false;
  const std::string folder = resolved(slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = path.substr(slash + 1);
  if (folder.empty() || name.empty() || name == "." || name == "..") return false;
  const std::string file = folder + (folder == "/" ? "" : "/") + name;
  return isBelow(file, resolved(pppDir)) || isBelow(file, resolved(chatScriptsDir()));
}

}  // namespace orv::ras
