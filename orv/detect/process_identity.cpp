#include "detect/process_identity.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "proc_stat.h"
#include "unique_fd.h"

namespace orv {
namespace {

std::optional<std::string> readSmallFile(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  std::string content;
  char block[1024];
  for (;;) {
    const ssize_t n = ::read(fd.get(), block, sizeof block);
    if (n > 0) {
      content.append(block, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    return content;
  }
}

}  // namespace

std::optional<std::uint64_t> parseStartTime(std::string_view statLine) {
  const auto fields = parseProcStatFields(statLine);
  if (!fields || fields->state == "Z" || fields->state == "X") return std::nullopt;
  return fields->startTime;
}

std::optional<ProcessIdentity> readProcessIdentity(std::uint32_t pid) {
  if (pid == 0 || pid > 0x7FFFFFFFU) return std::nullopt;
  const std::string folder = "/proc/" + std::to_string(pid);
  const auto stat = readSmallFile(folder + "/stat");
  if (!stat) return std::nullopt;
  const auto startTime = parseStartTime(*stat);
  if (!startTime) return std::nullopt;
  struct stat exe {};
  if (::stat((folder + "/exe").c_str(), &exe) != 0) return std::nullopt;
  return ProcessIdentity{*startTime, static_cast<std::uint64_t>(exe.st_dev),
                         static_cast<std::uint64_t>(exe.st_ino)};
}

}  // namespace orv
