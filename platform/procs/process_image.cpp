#include "process_image.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <unistd.h>
#include "unique_fd.h"

namespace orv::procs {
namespace {

constexpr std::string_view kDeleted = " (deleted)";
constexpr std::uint64_t kNoCap = ~std::uint64_t{0};
// No Windows image is larger; a bigger field is no image size.
constexpr std::uint64_t kLargestImage = std::uint64_t{1} << 32;
constexpr std::uint32_t kLargestHeaderOffset = 1U << 20;

std::string procPath(std::uint32_t pid, const char* leaf) {
  return "/proc/" + std::to_string(pid) + "/" + leaf;
}

bool validPid(std::uint32_t pid) {
  return pid > 0 && pid <= 0x7FFFFFFFU;
}

std::optional<std::string> readLink(const std::string& link) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
    if (n < 0) return std::nullopt;
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

std::optional<std::string> readProcFile(const std::string& file) {
  const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  std::string content;
  char block[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), block, sizeof block);
    if (n == 0) return content;
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    content.append(block, static_cast<std::size_t>(n));
  }
}

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool sameFile(const struct stat& info, const FileId& id) {
  return major(info.st_dev) == id.devMajor && minor(info.st_dev) == id.devMinor &&
         static_cast<std::uint64_t>(info.st_ino) == id.inode;
}

// The kernel marks a removed file by appending " (deleted)"; a file really named so keeps it.
std::string withoutDeletedMark(std::string path, const FileId& id) {
  if (!endsWith(path, kDeleted)) return path;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && sameFile(info, id)) return path;
  path.resize(path.size() - kDeleted.size());
  return path;
}

// The path under which we see the very file the process runs, from the link text of /proc.
// Nothing when the path names another file here: the program was replaced after it started,
// or the process lives in another mount namespace (a container). Deleting or fingerprinting
// by such a path would hit an innocent file.
std::optional<std::string> pathInOurView(const std::string& link, const FileId& id) {
  struct stat info {};
  if (::lstat(link.c_str(), &info) == 0) {
    if (sameFile(info, id)) return link;
  } else if (errno != ENOENT && errno != ENOTDIR) {
    return link;  // a folder we may not search: nothing to check it against
  }
  if (!endsWith(link, kDeleted)) return std::nullopt;
  std::string path = link.substr(0, link.size() - kDeleted.size());
  if (::lstat(path.c_str(), &info) == 0) return std::nullopt;  // another file took its place
  return path;
}

std::string escapeLikeMaps(std::string_view path) {
  std::string escaped;
  for (const char c : path) {
    if (c == '\n') {
      escaped += "\\012";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::optional<FileId> executableId(std::uint32_t pid) {
  struct stat info {};
  if (::stat(procPath(pid, "exe").c_str(), &info) != 0) return std::nullopt;
  return FileId{major(info.st_dev), minor(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<std::vector<Mapping>> readMaps(std::uint32_t pid) {
  const auto text = readProcFile(procPath(pid, "maps"));
  if (!text) return std::nullopt;
  return parseMaps(*text);
}

// The mapped file's path, from the map_files link when we may read it (no escaping there).
std::optional<std::string> mappingPath(std::uint32_t pid, const Mapping& m) {
  char range[64];
  std::snprintf(range, sizeof range, "map_files/%" PRIx64 "-%" PRIx64, m.start, m.end);
  const FileId id{m.devMajor, m.devMinor, m.inode};
  const auto linked = readLink(procPath(pid, range));
  return pathInOurView(linked ? *linked : unescapeMapsPath(m.path), id);
}

// Reads from the file a mapping shows, as long as it is still the very file mapped.
bool readMappedFile(std::uint32_t pid, const Mapping& m, std::uint64_t offset, void* out,
                    std::size_t length) {
  const auto path = mappingPath(pid, m);
  if (!path) return false;
  const UniqueFd fd(::open(path->c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0 || !sameFile(info, {m.devMajor, m.devMinor, m.inode}))
    return false;
  auto* bytes = static_cast<unsigned char*>(out);
  for (std::size_t got = 0; got < length;) {
    const ssize_t n =
        ::pread(fd.get(), bytes + got, length - got, static_cast<off_t>(m.offset + offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

struct Located {
  std::vector<Mapping> maps;
  std::size_t first = 0;
  bool windows = false;
};

// Finds where the image of the process's program starts in its mappings.
std::optional<Located> locate(std::uint32_t pid) {
  if (!validPid(pid)) return std::nullopt;
  const auto link = readLink(procPath(pid, "exe"));
  const auto exe = executableId(pid);
  if (!link || !exe) return std::nullopt;
  auto maps = readMaps(pid);
  if (!maps || maps->empty()) return std::nullopt;
  if (isWineProcess(withoutDeletedMark(*link, *exe), *maps)) {
    if (const auto first = findWindowsImageStart(*maps))
      return Located{std::move(*maps), *first, true};
  }
  if (const auto first = findImageStart(*maps, *exe, escapeLikeMaps(*link)))
    return Located{std::move(*maps), *first, false};
  return std::nullopt;
}

}  // namespace

std::optional<Mapping> parseMapsLine(std::string_view line) {
  const std::string text(line);
  Mapping m;
  char perms[5] = {};
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%" SCNx64 "-%" SCNx64 " %4s %" SCNx64 " %x:%x %" SCNu64 "%n",
                  &m.start, &m.end, perms, &m.offset, &m.devMajor, &m.devMinor, &m.inode,
                  &consumed) != 7 ||
      m.end < m.start)
    return std::nullopt;
  m.readable = perms[0] == 'r';
  const std::size_t pathStart = text.find_first_not_of(' ', static_cast<std::size_t>(consumed));
  if (pathStart != std::string::npos) m.path = text.substr(pathStart);
  return m;
}

std::vector<Mapping> parseMaps(std::string_view text) {
  std::vector<Mapping> maps;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (auto m = parseMapsLine(text.substr(0, end))) maps.push_back(std::move(*m));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return maps;
}

std::string unescapeMapsPath(std::string_view path) {
  std::string plain;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path.substr(i, 4) == "\\012") {
      plain += '\n';
      i += 3;
    } else {
      plain += path[i];
    }
  }
  return plain;
}

bool isWineLoader(std::string_view executablePath) {
  const std::size_t slash = executablePath.rfind('/');
  const std::string_view name =
      slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
  return name == "wine" || name == "wine64" || name == "wine-preloader" ||
         name == "wine64-preloader";
}

bool isWineNtdll(std::string_view mapsPath) {
  if (endsWith(mapsPath, kDeleted)) mapsPath.remove_suffix(kDeleted.size());
  const std::size_t slash = mapsPath.rfind('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view name = mapsPath.substr(slash + 1);
  if (name != "ntdll.so" && name != "ntdll.dll.so") return false;
  // .../wine/ntdll.dll.so, .../wine/x86_64-unix/ntdll.so, .../wine/i386-unix/ntdll.so
  const std::string_view folders = mapsPath.substr(0, slash + 1);
  return folders.find("/wine/") != std::string_view::npos;
}

bool isWineProcess(std::string_view executablePath, const std::vector<Mapping>& maps) {
  return isWineLoader(executablePath) &&
         std::any_of(maps.begin(), maps.end(),
                     [](const Mapping& m) { return m.inode != 0 && isWineNtdll(m.path); });
}

bool isWindowsProgram(std::string_view mapsPath) {
  if (endsWith(mapsPath, kDeleted)) mapsPath.remove_suffix(kDeleted.size());
  if (mapsPath.size() < 5 || mapsPath.front() != '/') return false;
  std::string suffix(mapsPath.substr(mapsPath.size() - 4));
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return suffix == ".exe" && mapsPath[mapsPath.size() - 5] != '/';
}

std::optional<std::size_t> findImageStart(const std::vector<Mapping>& maps, const FileId& exe,
                                          std::string_view exeMapsPath) {
  for (std::size_t i = 0; i < maps.size(); ++i) {
    const Mapping& m = maps[i];
    if (m.offset == 0 && m.inode == exe.inode && m.devMajor == exe.devMajor &&
        m.devMinor == exe.devMinor)
      return i;
  }
  // Some stacked file systems show the lower file's device and inode in maps; the path is
  // then the same as the link's.
  for (std::size_t i = 0; i < maps.size(); ++i) {
    if (maps[i].offset == 0 && maps[i].inode != 0 && maps[i].path == exeMapsPath) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> findWindowsImageStart(const std::vector<Mapping>& maps) {
  for (std::size_t i = 0; i < maps.size(); ++i) {
    if (maps[i].offset == 0 && maps[i].inode != 0 && isWindowsProgram(maps[i].path)) return i;
  }
  return std::nullopt;
}

std::uint64_t readableRun(const std::vector<Mapping>& maps, std::size_t first, bool sameFileOnly,
                          std::uint64_t cap) {
  if (first >= maps.size()) return 0;
  const Mapping& head = maps[first];
  std::uint64_t total = 0;
  for (std::size_t i = first; i < maps.size() && total < cap; ++i) {
    const Mapping& m = maps[i];
    if (!m.readable) break;
    if (i > first && m.start != maps[i - 1].end) break;
    if (sameFileOnly && (m.inode != head.inode || m.devMajor != head.devMajor ||
                         m.devMinor != head.devMinor || m.path != head.path))
      break;
    total += m.end - m.start;
  }
  return std::min(total, cap);
}

std::optional<std::uint64_t> peImageSize(const ImageReader& read) {
  unsigned char dos[64];
  if (!read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  std::uint32_t headerOffset = 0;
  std::memcpy(&headerOffset, dos + 0x3C, 4);  // little-endian on every machine we build for
  if (headerOffset < sizeof dos || headerOffset > kLargestHeaderOffset) return std::nullopt;
  // "PE\0\0", the 20-byte file header, then the optional header up to SizeOfImage (offset 56).
  unsigned char nt[4 + 20 + 60];
  if (!read(headerOffset, nt, sizeof nt) || std::memcmp(nt, "PE\0\0", 4) != 0) return std::nullopt;
  const std::uint16_t magic = static_cast<std::uint16_t>(nt[24] | (nt[25] << 8));
  if (magic != 0x10B && magic != 0x20B) return std::nullopt;
  std::uint32_t imageSize = 0;
  std::memcpy(&imageSize, nt + 24 + 56, 4);
  if (imageSize == 0 || imageSize > kLargestImage) return std::nullopt;
  return imageSize;
}

std::optional<std::vector<std::uint32_t>> listProcessIds() {
  const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), &::closedir);
  if (!proc) return std::nullopt;
  std::vector<std::uint32_t> ids;
  while (const dirent* entry = ::readdir(proc.get())) {
    const char* name = entry->d_name;
    std::uint64_t id = 0;
    std::size_t i = 0;
    for (; name[i] >= '0' && name[i] <= '9' && id <= 0x7FFFFFFFU; ++i)
      id = id * 10 + (name[i] - '0');
    if (i > 0 && name[i] == '\0' && validPid(static_cast<std::uint32_t>(id)) && id <= 0x7FFFFFFFU)
      ids.push_back(static_cast<std::uint32_t>(id));
  }
  return ids;
}

std::optional<ImageBlock> locateImage(std::uint32_t pid) {
  const auto found = locate(pid);
  if (!found) return std::nullopt;
  const Mapping& head = found->maps[found->first];
  std::uint64_t size = 0;
  if (found->windows) {
    // Wine maps only parts of an .exe from its file; the rest of the image lies in anonymous
    // memory right behind it, as long as the image's own header says.
    // Where the kernel keeps us from its memory (Yama), the header is read from the file.
    const auto imageSize = peImageSize([&](std::uint64_t offset, void* out, std::size_t length) {
      return readProcessMemory(pid, head.start + offset, out, length) ||
             readMappedFile(pid, head, offset, out, length);
    });
    size = imageSize ? readableRun(found->maps, found->first, false, *imageSize)
                     : readableRun(found->maps, found->first, true, kNoCap);
  } else {
    size = readableRun(found->maps, found->first, true, kNoCap);
  }
  if (size == 0) return std::nullopt;
  return ImageBlock{head.start, size};
}

std::optional<std::string> executablePath(std::uint32_t pid) {
  if (!validPid(pid)) return std::nullopt;
  const auto link = readLink(procPath(pid, "exe"));
  const auto exe = executableId(pid);
  if (!link || !exe) return std::nullopt;
  const std::string program = withoutDeletedMark(*link, *exe);
  if (isWineLoader(program)) {
    if (const auto maps = readMaps(pid); maps && isWineProcess(program, *maps)) {
      if (const auto first = findWindowsImageStart(*maps)) return mappingPath(pid, (*maps)[*first]);
    }
  }
  return pathInOurView(*link, *exe);
}

}  // namespace orv::procs
