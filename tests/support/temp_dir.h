#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvtest {

namespace fs = std::filesystem;

// Sets or clears the immutable attribute, which keeps even root from removing a file. False
// where the file system has no such attribute.
inline bool setImmutable(const fs::path& path, bool on) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

// A private folder below the system's temp folder, removed with everything in it.
class TempDir {
 public:
  explicit TempDir(std::string_view tag = "orv-test") {
    std::string pattern = (fs::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    // An immutable file left by a failed test would keep the folder forever.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
      if (!it->is_symlink(ignored)) setImmutable(it->path(), false);
    }
    fs::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return m_path; }
  std::string file(std::string_view name) const { return (m_path / name).string(); }

  fs::path write(std::string_view name, std::string_view bytes) const {
    const fs::path file = m_path / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file;
  }

  // A sparse file of `size` bytes: holes everywhere except the given pieces.
  fs::path writeSparse(std::string_view name, std::uint64_t size,
                       const std::vector<std::pair<std::uint64_t, std::string>>& pieces) const {
    const fs::path file = m_path / name;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + file.string());
    bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    for (const auto& [offset, bytes] : pieces)
      ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                     static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!ok) throw std::runtime_error("cannot write " + file.string());
    return file;
  }

 private:
  fs::path m_path;
};

}  // namespace orvtest
