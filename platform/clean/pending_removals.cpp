#include "pending_removals.h"

#include <cerrno>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "removal.h"
#include "state_folder.h"
#include "unique_fd.h"

namespace orv::clean {
namespace {

// One record per file, each ended by a NUL byte so that a path may hold any other byte:
//   "v2:" <device> ":" <inode> ":" <b|c><seconds> "." <nanoseconds> ":" <absolute path> NUL
// (see formatIdentity). Records of the first form, "<inode>:<path>", named a file by its inode
// alone, which a later file may have been given: they are dropped unread.
constexpr std::string_view kVersion = "v2:";
constexpr const char* kNewListName = "pending-removal.new";

struct Record {
  FileIdentity identity;
  std::string path;
};

std::string formatRecord(const Record& record) {
  std::string text(kVersion);
  text += formatIdentity(record.identity);
  text += ':';
  text += record.path;
  text += '\0';
  return text;
}

std::optional<Record> parseRecord(std::string_view text) {
  if (text.substr(0, kVersion.size()) != kVersion) return std::nullopt;
  text.remove_prefix(kVersion.size());
  // The identity holds two colons; the path begins after the third.
  std::size_t colon = text.find(':');
  for (int i = 1; i < 3 && colon != std::string_view::npos; ++i) colon = text.find(':', colon + 1);
  if (colon == std::string_view::npos) return std::nullopt;
  const auto identity = parseIdentity(text.substr(0, colon));
  const std::string_view path = text.substr(colon + 1);
  if (!identity || path.empty() || path.front() != '/') return std::nullopt;
  return Record{*identity, std::string(path)};
}

// The records of a list; records of the first form and damaged ones are left out.
struct ParsedList {
  std::vector<Record> records;
  bool torn = false;  // an unterminated tail: a write cut short
};

ParsedList parseList(std::string_view content) {
  ParsedList list;
  std::size_t begin = 0;
  while (begin < content.size()) {
    const std::size_t end = content.find('\0', begin);
    if (end == std::string_view::npos) break;
    if (auto record = parseRecord(content.substr(begin, end - begin)))
      list.records.push_back(std::move(*record));
    begin = end + 1;
  }
  list.torn = begin < content.size();
  return list;
}

// Opens the list in its trusted folder and takes its lock. A list replaced or removed while we
// waited for the lock is opened again, so that no record goes into a file nobody reads.
UniqueFd openLocked(int folder, bool create) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    UniqueFd fd(::openat(folder, kPendingListName,
                         O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600));
    if (!fd) return {};
    int locked;
    do locked = ::flock(fd.get(), LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) return {};
    struct stat opened {};
    struct stat current {};
    if (::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
        !trustedOwnerAndMode(opened.st_uid, opened.st_mode))
      return {};
    if (::fstatat(folder, kPendingListName, &current, AT_SYMLINK_NOFOLLOW) == 0 &&
        current.st_dev == opened.st_dev && current.st_ino == opened.st_ino)
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

// Removes the recorded file if it is still the one recorded. True when the record is kept:
// its file is still there and may go later.
bool keepAfterTrying(const Record& record) {
  return removeFile(record.path, &record.identity).outcome == Removal::Later;
}

// Replaces the list by `kept` as a whole, so that a crash leaves either list intact.
void rewriteList(int folder, const std::string& kept) {
  if (kept.empty()) {
    ::unlinkat(folder, kPendingListName, 0);
    return;
  }
  bool written = false;
  {
    const UniqueFd out(::openat(folder, kNewListName,
                                O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    written = out && writeAll(out.get(), kept, 0) && ::fsync(out.get()) == 0;
  }
  if (!written || ::renameat(folder, kNewListName, folder, kPendingListName) != 0)
    ::unlinkat(folder, kNewListName, 0);
}

}  // namespace

bool recordPendingRemoval(const std::string& folderPath, const std::string& path,
                          const FileIdentity& identity) {
  if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) return false;
  const UniqueFd folder = openTrustedFolder(folderPath, true);
  if (!folder) return false;
  const UniqueFd fd = openLocked(folder.get(), true);
  std::string content;
  if (!fd || !readAll(fd.get(), content)) return false;

  const Record record{identity, path};
  const ParsedList list = parseList(content);
  for (const Record& known : list.records) {
    if (known.path == path && known.identity == identity) return true;  // already there
  }
  // Close a torn record first so that ours stays whole.
  const std::string addition =
      (list.torn ? std::string(1, '\0') : std::string()) + formatRecord(record);
  const auto size = static_cast<off_t>(content.size());
  if (!writeAll(fd.get(), addition, size) || ::fsync(fd.get()) != 0) {
    if (::ftruncate(fd.get(), size) != 0) {
      // Nothing more to do: a torn tail is skipped by every reader.
    }
    return false;
  }
  return true;
}

void retryPendingRemovals(const std::string& folderPath) noexcept {
  const int savedErrno = errno;
  try {
    const UniqueFd folder = openTrustedFolder(folderPath, false);
    const UniqueFd fd = folder ? openLocked(folder.get(), false) : UniqueFd();
    std::string content;
    if (fd && readAll(fd.get(), content)) {
      const ParsedList list = parseList(content);
      std::string kept;
      std::set<std::string> keptRecords;
      for (const Record& record : list.records) {
        if (!keepAfterTrying(record)) continue;
        std::string text = formatRecord(record);
        if (keptRecords.insert(text).second) kept += text;
      }
      if (kept != content) rewriteList(folder.get(), kept);
    }
  } catch (...) {
    // Out of memory at start-up: the list stays for the next start.
  }
  errno = savedErrno;
}

}  // namespace orv::clean
