#include "detect/process_identity.h"

#include <cerrno>
#include <charconv>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "unique_fd.h"

namespace orv {
namespace {

// The fields after the command name, counted from 3 (the state); the start time is field 22.
constexpr int kStateField = 3;
constexpr int kStartTimeField = 22;

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
  // The command name stands in parentheses and may itself hold ")" and blanks: the fields
  // begin after the last ")".
  const std::size_t close = statLine.rfind(')');
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view rest = statLine.substr(close + 1);
  for (int field = kStateField; field <= kStartTimeField; ++field) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view value = rest.substr(0, end);
    if (field == kStateField && (value == "Z" || value == "X")) return std::nullopt;
    if (field == kStartTimeField) {
      std::uint64_t ticks = 0;
      const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), ticks);
      if (ec != std::errc() || ptr != value.data() + value.size()) return std::nullopt;
      return ticks;
    }
    rest.remove_prefix(end);
  }
  return std::nullopt;
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
