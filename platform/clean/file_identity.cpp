#include "file_identity.h"

#include <cerrno>
#include <charconv>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace orv::clean {
namespace {

// Reads one decimal number up to `stop` (or the end) and moves past it and the stop.
template <typename Number>
bool take(std::string_view& text, char stop, Number& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr == text.data()) return false;
  text.remove_prefix(static_cast<std::size_t>(ptr - text.data()));
  if (stop == '\0') return text.empty();
  if (text.empty() || text.front() != stop) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<FileEntry> entryAt(int folderFd, const char* name) {
  struct statx info {};
  if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
              STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
    return std::nullopt;
  FileEntry entry;
  entry.isFolder = S_ISDIR(info.stx_mode);
  FileIdentity& id = entry.identity;
  id.device = makedev(info.stx_dev_major, info.stx_dev_minor);
  id.inode = info.stx_ino;
  const bool born = (info.stx_mask & STATX_BTIME) != 0;
  const struct statx_timestamp& time = born ? info.stx_btime : info.stx_ctime;
  id.timeKind = born ? 'b' : 'c';
  id.seconds = time.tv_sec;
  id.nanoseconds = time.tv_nsec;
  return entry;
}

std::string formatIdentity(const FileIdentity& id) {
  return std::to_string(id.device) + ':' + std::to_string(id.inode) + ':' + id.timeKind +
         std::to_string(id.seconds) + '.' + std::to_string(id.nanoseconds);
}

std::optional<FileIdentity> parseIdentity(std::string_view text) {
  FileIdentity id;
  if (!take(text, ':', id.device) || !take(text, ':', id.inode) || text.empty())
    return std::nullopt;
  id.timeKind = text.front();
  if (id.timeKind != 'b' && id.timeKind != 'c') return std::nullopt;
  text.remove_prefix(1);
  if (!take(text, '.', id.seconds) || !take(text, '\0', id.nanoseconds)) return std::nullopt;
  if (id.nanoseconds >= 1000000000U) return std::nullopt;
  return id;
}

}  // namespace orv::clean
