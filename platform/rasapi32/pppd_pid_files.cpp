#include "pppd_pid_files.h"

#include <dirent.h>

#include <charconv>
#include <cstring>
#include <memory>

#include "text_file.h"

namespace orv::ras {

bool isLinkUp(const std::string& runDir, std::uint32_t pid) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(runDir.c_str()), &::closedir);
  if (!dir) return false;
  while (const dirent* e = ::readdir(dir.get())) {
    const std::size_t length = std::strlen(e->d_name);
    if (length < 8 || std::strncmp(e->d_name, "ppp", 3) != 0 ||
        std::strcmp(e->d_name + length - 4, ".pid") != 0)
      continue;
    const auto content = readConfigFile(runDir + '/' + e->d_name);
    if (!content) continue;
    std::uint32_t written = 0;
    const char* begin = content->data();
    const char* end = begin + content->size();
    while (begin < end && *begin == ' ') ++begin;
    const auto [stop, error] = std::from_chars(begin, end, written);
    if (error == std::errc() && written == pid && (stop == end || *stop == '\n')) return true;
  }
  return false;
}

}  // namespace orv::ras
