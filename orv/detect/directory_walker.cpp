#include "detect/directory_walker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace orv {
namespace {

enum class Kind { Folder, RegularFile, OtherFile, Skip };

struct Entry {
  QByteArray name;
  Kind kind;
};

// One folder being walked: its path (ending in "/"), its entries as listed, the next one.
struct Frame {
  QByteArray path;
  std::vector<Entry> entries;
  std::size_t next = 0;
};

class Directory {
 public:
  explicit Directory(const QByteArray& path) : m_dir(::opendir(path.constData())) {}
  ~Directory() {
    if (m_dir) ::closedir(m_dir);
  }
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;
  DIR* get() const { return m_dir; }

 private:
  DIR* m_dir;
};

bool isDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Whether a name's extension (from its last ".") is ".EXE" in any ASCII case.
bool isExeName(const char* name, std::size_t length) {
  if (length < 4 || name[length - 4] != '.') return false;
  const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
  return upper(name[length - 3]) == 'E' && upper(name[length - 2]) == 'X' &&
         upper(name[length - 1]) == 'E';
}

// What an entry that the listing could not type is, or where a link leads. A link never
// counts as a regular file, whatever it leads to now: it can be changed before it is read.
Kind kindOf(const QByteArray& path, unsigned char type) {
  struct stat info;
  if (type == DT_UNKNOWN) {
    // Gone: examined, finds nothing.
    if (::lstat(path.constData(), &info) != 0) return Kind::OtherFile;
    if (S_ISDIR(info.st_mode)) return Kind::Folder;
    if (S_ISREG(info.st_mode)) return Kind::RegularFile;
    if (!S_ISLNK(info.st_mode)) return Kind::OtherFile;
  }
  // A link: never into a folder, otherwise the file it names (or a broken link).
  if (::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)) return Kind::Skip;
  return Kind::OtherFile;
}

// Lists `frame.path`, keeping only what the walk needs: folders and .EXE files. Most
// entries are neither; they cost no allocation and, where the listing tells their type,
// no system call.
bool list(Frame& frame, DirectoryWalker::Tally* tally) {
  const Directory dir(frame.path);
  if (!dir.get()) {
    if (tally && tally->unlisted) tally->unlisted(frame.path, errno);
    return false;
  }
  std::uint64_t entries = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const char* name = entry->d_name;
    if (isDotEntry(name)) continue;
    ++entries;
    const unsigned char type = entry->d_type;
    if (type == DT_DIR) {
      frame.entries.push_back({QByteArray(name), Kind::Folder});
      continue;
    }
    const bool exe = isExeName(name, std::strlen(name));
    // A link that is not named .EXE is passed over whether it leads to a file or a folder.
    if (type != DT_UNKNOWN && (type != DT_LNK || !exe)) {
      if (exe)
        frame.entries.push_back(
            {QByteArray(name), type == DT_REG ? Kind::RegularFile : Kind::OtherFile});
      continue;
    }
    const Kind kind = kindOf(frame.path + name, type);
    if (kind == Kind::Folder || (kind != Kind::Skip && exe))
      frame.entries.push_back({QByteArray(name), kind});
  }
  if (tally) {
    ++tally->folders;
    std::uint64_t folders = 0;
    for (const Entry& kept : frame.entries) folders += kept.kind == Kind::Folder;
    tally->others += entries - folders;
  }
  return true;
}

}  // namespace

bool DirectoryWalker::hasExeExtension(const QByteArray& name) {
  return isExeName(name.constData(), static_cast<std::size_t>(name.size()));
}

void DirectoryWalker::walk(const QByteArray& folder, const Examine& examine,
                           const Cancelled& cancelled, Tally* tally) {
  walk(
      folder, [&examine](const QByteArray& path, bool) { examine(path); }, cancelled, tally);
}

void DirectoryWalker::walk(const QByteArray& folder, const ExamineListed& examine,
                           const Cancelled& cancelled, Tally* tally) {
  if (folder.isEmpty()) return;  // no folder at all, not the root
  std::vector<Frame> stack(1);
  stack.back().path = folder.endsWith('/') ? folder : folder + '/';
  if (!list(stack.back(), tally)) return;

  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.entries.size()) {
      stack.pop_back();
      if (!stack.empty() && cancelled()) return;  // the test after the folder entry
      continue;
    }
    const Entry entry = top.entries[top.next++];
    const QByteArray path = top.path + entry.name;
    if (entry.kind == Kind::Folder) {
      Frame child;
      child.path = path + '/';
      if (list(child, tally)) {
        stack.push_back(std::move(child));
        continue;  // `top` may have moved; the child's end makes the test
      }
    } else {
      examine(path, entry.kind == Kind::RegularFile);
    }
    if (cancelled()) return;
  }
}

}  // namespace orv
