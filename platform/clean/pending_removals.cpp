#include "pending_removals.h"

#include <cerrno>
#include <cstdlib>
#include <set>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>
#include "unique_fd.h"

namespace orv::clean {
namespace {

// One record per file, each ended by a NUL byte so that a path may hold any other byte:
//   <inode in decimal> ":" <absolute path> NUL      (inode left empty when it was not known)
// The inode makes sure that a file put at the same path later is never removed by mistake.
struct Record {
  std::string inode;
  std::string path;
};

std::string inodeText(const struct stat& identity) {
  return std::to_string(static_cast<unsigned long long>(identity.st_ino));
}

std::string formatRecord(std::string_view inode, std::string_view path) {
  std::string record(inode);
  record += ':';
  record += path;
  record += '\0';
  return record;
}

// The records of a list; an unterminated tail (a write cut short) is no record.
std::vector<Record> parseRecords(std::string_view content, bool* torn) {
  std::vector<Record> records;
  std::size_t begin = 0;
  while (begin < content.size()) {
    const std::size_t end = content.find('\0', begin);
    if (end == std::string_view::npos) break;
    const std::string_view text = content.substr(begin, end - begin);
    begin = end + 1;
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon + 1 >= text.size()) continue;
    const std::string_view inode = text.substr(0, colon);
    if (inode.find_first_not_of("0123456789") != std::string_view::npos) continue;
    records.push_back({std::string(inode), std::string(text.substr(colon + 1))});
  }
  if (torn) *torn = begin < content.size();
  return records;
}

std::string stateHome() {
  // Relative values are to be ignored, as for every XDG folder.
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  std::string home;
  if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
    home = env;
  } else {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
      home = found->pw_dir;
  }
  if (home.empty()) return {};
  return home + "/.local/state";
}

bool makeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Opens the list and takes its lock. A list replaced or removed while we waited for the lock
// is opened again, so that no record goes into a file nobody reads any more.
UniqueFd openLocked(const std::string& file, bool create) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    UniqueFd fd(
        ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600));
    if (!fd) return {};
    int locked;
    do locked = ::flock(fd.get(), LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) return {};
    struct stat opened {
    }, current{};
    if (::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) return {};
    if (::lstat(file.c_str(), &current) == 0 && current.st_dev == opened.st_dev &&
        current.st_ino == opened.st_ino)
      return fd;
    if (!create && errno == ENOENT) return {};
  }
  return {};
}

bool readAll(int fd, std::string& content) {
  content.clear();
  char block[65536];
  for (off_t offset = 0;;) {
    const ssize_t n = ::pread(fd, block, sizeof block, offset);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.append(block, static_cast<std::size_t>(n));
    offset += n;
  }
}

bool writeAll(int fd, std::string_view data, off_t offset) {
  while (!data.empty()) {
    const ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
    offset += n;
  }
  return true;
}

// Whether the record is settled: its file removed now, or nothing of ours left at its path.
bool settle(const Record& record) {
  struct stat info {};
  if (::lstat(record.path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR;
  if (S_ISDIR(info.st_mode)) return true;
  if (!record.inode.empty() && inodeText(info) != record.inode) return true;
  return ::unlink(record.path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

std::string pendingListPath() {
  const std::string home = stateHome();
  return home.empty() ? std::string() : home + "/orv/pending-removal";
}

bool recordPendingRemoval(const std::string& path, const struct stat* identity) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  const std::string file = pendingListPath();
  if (file.empty() || !makeFolders(file.substr(0, file.rfind('/')))) return false;
  const UniqueFd fd = openLocked(file, true);
  std::string content;
  if (!fd || !readAll(fd.get(), content)) return false;

  const std::string inode = identity ? inodeText(*identity) : std::string();
  const std::string record = formatRecord(inode, path);
  bool torn = false;
  for (const Record& known : parseRecords(content, &torn)) {
    // Already there, or covered by a record that removes whatever lies at the path.
    if (known.path == path && (known.inode.empty() || known.inode == inode)) return true;
  }
  // Close a torn record first so that ours stays whole.
  const std::string addition = (torn ? std::string(1, '\0') : std::string()) + record;
  const auto size = static_cast<off_t>(content.size());
  if (!writeAll(fd.get(), addition, size) || ::fsync(fd.get()) != 0) {
    if (::ftruncate(fd.get(), size) != 0) {
      // Nothing more to do: a torn tail is skipped by every reader.
    }
    return false;
  }
  return true;
}

void retryPendingRemovals() noexcept {
  const int savedErrno = errno;
  try {
    const std::string file = pendingListPath();
    const UniqueFd fd = file.empty() ? UniqueFd() : openLocked(file, false);
    std::string content;
    if (fd && readAll(fd.get(), content)) {
      bool torn = false;
      const std::vector<Record> records = parseRecords(content, &torn);
      std::string kept;
      std::set<std::string> keptRecords;  // whole records: one may stand inside another
      for (const Record& record : records) {
        if (settle(record)) continue;
        std::string text = formatRecord(record.inode, record.path);
        if (keptRecords.insert(text).second) kept += text;
      }
      const std::size_t keptCount = keptRecords.size();
      if (keptCount == 0) {
        ::unlink(file.c_str());
      } else if (keptCount != records.size() || torn) {
        // A whole new list replaces the old one, so a crash leaves either of them intact.
        const std::string temporary = file + ".new";
        bool written = false;
        {
          const UniqueFd out(::open(temporary.c_str(),
                                    O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
          written = out && writeAll(out.get(), kept, 0) && ::fsync(out.get()) == 0;
        }
        if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) ::unlink(temporary.c_str());
      }
    }
  } catch (...) {
    // Out of memory at start-up: the list stays for the next start.
  }
  errno = savedErrno;
}

}  // namespace orv::clean
