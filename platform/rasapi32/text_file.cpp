#include "text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "regular_file.h"
#include "unique_fd.h"

namespace orv::ras {
namespace {

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> readConfigFile(const std::string& path, int* errorCode) {
  struct stat info {};
  errno = 0;
  const UniqueFd fd = openRegularFile(path.c_str(), info);
  if (!fd) {
    // A folder, device or fifo at that name opened nothing and set no error of its own.
    if (errorCode) *errorCode = info.st_mode != 0 || errno == 0 ? EINVAL : errno;
    return std::nullopt;
  }
  if (static_cast<std::size_t>(info.st_size) > kMaxConfigFileSize) {
    if (errorCode) *errorCode = 0;
    return std::nullopt;
  }
  std::string content;
  char block[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (errorCode) *errorCode = errno;
      return std::nullopt;
    }
    if (n == 0) break;
    content.append(block, static_cast<std::size_t>(n));
    // The file may have grown since it was measured.
    if (content.size() > kMaxConfigFileSize) {
      if (errorCode) *errorCode = 0;
      return std::nullopt;
    }
  }
  if (errorCode) *errorCode = 0;
  return content;
}

int checkReplaceable(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) {
    if (S_ISLNK(info.st_mode)) return ELOOP;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    if (::access(path.c_str(), W_OK) != 0) return errno;
  } else if (errno != ENOENT) {
    return errno;
  }
  return ::access(folderOf(path).c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int replaceFileAtomically(const std::string& path, const std::string& content, mode_t mode) {
  struct stat old {};
  const bool exists = ::lstat(path.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return errno;
  if (exists && S_ISLNK(old.st_mode)) return ELOOP;
  if (exists && !S_ISREG(old.st_mode)) return EINVAL;

  const std::size_t slash = path.rfind('/');
  const std::string folder = folderOf(path);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // Hidden and marked as ours: never taken for an entry, and recognisable if left behind.
  std::string pattern = folder + "/." + name + ".orv-XXXXXX";
  std::vector<char> temp(pattern.begin(), pattern.end());
  temp.push_back('\0');
  UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd) return errno;
  const std::string tempPath(temp.data());
  auto fail = [&](int error) {
    ::unlink(tempPath.c_str());
    return error;
  };
  mode_t newMode = exists ? (old.st_mode & 07777) : mode;
  // Only root can hand a file to another owner; for everyone else the new file is theirs.
  // The group stays where the user belongs to it (a group member may have written the old
  // file); where it cannot, the group's rights are dropped rather than passed to the user's
  // own group. Owner and group first: a change of them clears the set-id bits.
  if (exists && ::geteuid() == 0) {
    if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) return fail(errno);
  } else if (exists && ::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid) != 0) {
    newMode &= ~static_cast<mode_t>(S_ISGID | S_IRWXG);
  }
  if (::fchmod(fd.get(), newMode) != 0) return fail(errno);
  if (!writeAll(fd.get(), content) || ::fsync(fd.get()) != 0) return fail(errno ? errno : EIO);
  if (fd.close() != 0) return fail(errno);
  if (::rename(tempPath.c_str(), path.c_str()) != 0) return fail(errno);
  // The rename itself reaches the disk with the folder.
  const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) ::fsync(dir.get());
  return 0;
}

}  // namespace orv::ras
