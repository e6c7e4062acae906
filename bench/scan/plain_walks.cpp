#include "plain_walks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "sigmatch/fingerprint.h"
#include "sigmatch/md5.h"

namespace scanbench {
namespace {

bool isExeName(const char* name) {
  const char* dot = nullptr;
  for (const char* c = name; *c; ++c)
    if (*c == '.') dot = c;
  if (!dot) return false;
  const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
  return upper(dot[1]) == 'E' && upper(dot[2]) == 'X' && upper(dot[3]) == 'E' && dot[4] == '\0';
}

// Depth first over `root`, handing each non-folder entry to `visit`; links to folders are
// not followed, so the walk visits what the disk scan visits.
void walk(const std::string& root, WalkCount& count,
          const std::function<void(const std::string&, const char*)>& visit) {
  std::vector<std::string> pending{root + "/"};
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) continue;
    ++count.folders;
    while (const dirent* entry = ::readdir(dir)) {
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      std::string path = folder + name;
      bool isFolder = entry->d_type == DT_DIR;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat info;
        isFolder = ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
      }
      if (isFolder)
        pending.push_back(std::move(path) + "/");
      else
        visit(path, name);
    }
    ::closedir(dir);
  }
}

class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path)
      : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {}
  ~ReadOnlyFile() {
    if (m_fd >= 0) ::close(m_fd);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  int fd() const { return m_fd; }

 private:
  int m_fd;
};

std::uint64_t readAt(int fd, std::uint64_t offset, char* buffer, std::size_t count) {
  const ssize_t n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
  return n > 0 ? static_cast<std::uint64_t>(n) : 0;
}

// floorWalk's pass; `digest` gets every chunk of an executable, then null at its end.
WalkCount fingerprintReads(const std::string& root,
                           const std::function<void(const char*, std::size_t)>& digest) {
  WalkCount count;
  char buffer[1024];
  walk(root, count, [&](const std::string& path, const char* name) {
    if (!isExeName(name)) return;
    ++count.files;
    const ReadOnlyFile file(path);
    struct stat info;
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size < 2 || readAt(file.fd(), 0, buffer, 2) != 2) return;
    count.bytesRead += 2;
    if (!sigmatch::isExecutableSignature(static_cast<unsigned char>(buffer[0]),
                                         static_cast<unsigned char>(buffer[1])))
      return;
    ++count.mzHeaded;
    const sigmatch::FingerprintChunks plan = sigmatch::fingerprintChunks(size);
    for (int i = 0; i < plan.count; ++i) {
      const std::uint64_t got =
          readAt(file.fd(), plan.chunks[i].offset, buffer, plan.chunks[i].length);
      count.bytesRead += got;
      if (digest) digest(buffer, got);
    }
    if (digest) digest(nullptr, 0);
  });
  return count;
}

}  // namespace

WalkCount floorWalk(const std::string& root) {
  return fingerprintReads(root, nullptr);
}

WalkCount digestWalk(const std::string& root, int* digests) {
  sigmatch::Md5 md5;
  int made = 0;
  const WalkCount count = fingerprintReads(root, [&](const char* bytes, std::size_t size) {
    if (bytes != nullptr) return md5.update(bytes, size);
    md5.finish();
    ++made;
  });
  if (digests != nullptr) *digests = made;
  return count;
}

WalkCount wholeExeWalk(const std::string& root) {
  WalkCount count;
  std::vector<char> buffer(1 << 19);
  walk(root, count, [&](const std::string& path, const char* name) {
    if (!isExeName(name)) return;
    ++count.files;
    const ReadOnlyFile file(path);
    if (file.fd() < 0) return;
    for (ssize_t n; (n = ::read(file.fd(), buffer.data(), buffer.size())) > 0;)
      count.bytesRead += static_cast<std::uint64_t>(n);
  });
  return count;
}

WalkCount readWholeTree(const std::string& root) {
  WalkCount count;
  std::vector<char> buffer(1 << 16);
  walk(root, count, [&](const std::string& path, const char*) {
    ++count.files;
    const ReadOnlyFile file(path);
    if (file.fd() < 0) return;
    for (;;) {
      const ssize_t n = ::read(file.fd(), buffer.data(), buffer.size());
      if (n <= 0) break;
      count.bytesRead += static_cast<std::uint64_t>(n);
    }
  });
  return count;
}

}  // namespace scanbench
