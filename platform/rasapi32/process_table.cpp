#include "process_table.h"

#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <memory>

#include "proc_stat.h"
#include "unique_fd.h"

namespace orv::ras {
namespace {

// Reads a small /proc file whole, at most `limit` bytes.
std::optional<std::string> readProcFile(const char* path, std::size_t limit) {
  const UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  std::string content;
  char block[4096];
  while (content.size() < limit) {
    const ssize_t n = ::read(fd.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    content.append(block, static_cast<std::size_t>(n));
  }
  if (content.size() > limit) content.resize(limit);
  return content;
}

template <typename T>
bool parseNumber(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::string procPath(std::uint32_t pid, const char* file) {
  return "/proc/" + std::to_string(pid) + '/' + file;
}

}  // namespace

std::optional<ProcessStat> parseProcStat(std::string_view line) {
  // The name stands in parentheses and may itself hold ")" and blanks.
  const std::size_t open = line.find('(');
  const std::size_t close = line.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open)
    return std::nullopt;
  const auto fields = parseProcStatFields(line);
  if (!fields || fields->state.size() != 1) return std::nullopt;
  return ProcessStat{fields->startTime, fields->state[0],
                     std::string(line.substr(open + 1, close - open - 1))};
}

std::optional<std::uint32_t> ProcFsTable::lastPid() {
  // "0.10 0.20 0.30 1/123 4567": the last field is the newest pid of this pid namespace.
  const auto text = readProcFile("/proc/loadavg", 256);
  if (!text) return std::nullopt;
  std::string_view line(*text);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.remove_suffix(1);
  const std::size_t blank = line.rfind(' ');
  std::uint32_t pid = 0;
  if (blank == std::string_view::npos || !parseNumber(line.substr(blank + 1), pid))
    return std::nullopt;
  return pid;
}

bool ProcFsTable::listPids(std::vector<PidEntry>& out) {
  out.clear();
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir("/proc"), &::closedir);
  if (!dir) return false;
  while (const dirent* e = ::readdir(dir.get())) {
    std::uint32_t pid = 0;
    if (e->d_name[0] < '1' || e->d_name[0] > '9' || !parseNumber(std::string_view(e->d_name), pid))
      continue;
    out.push_back({pid, static_cast<std::uint64_t>(e->d_ino)});
  }
  return true;
}

std::optional<ProcessStat> ProcFsTable::stat(std::uint32_t pid) {
  if (pid == 0 || pid > 0x7FFFFFFFU) return std::nullopt;
  const auto text = readProcFile(procPath(pid, "stat").c_str(), 4096);
  return text ? parseProcStat(*text) : std::nullopt;
}

std::optional<std::string> ProcFsTable::cmdline(std::uint32_t pid) {
  if (pid == 0 || pid > 0x7FFFFFFFU) return std::nullopt;
  // pppd's own arguments are short; a longer line is cut, which cannot make it pppd's.
  return readProcFile(procPath(pid, "cmdline").c_str(), 8192);
}

std::uint64_t ProcFsTable::ticksSinceBoot() {
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  const std::uint64_t hz = ticksPerSecond();
  return static_cast<std::uint64_t>(now.tv_sec) * hz +
         static_cast<std::uint64_t>(now.tv_nsec) * hz / 1000000000U;
}

std::uint64_t ProcFsTable::ticksPerSecond() {
  static const long hz = ::sysconf(_SC_CLK_TCK);
  return hz > 0 ? static_cast<std::uint64_t>(hz) : 100;
}

}  // namespace orv::ras
