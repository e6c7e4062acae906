#include "detect/directory_walker.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

namespace orv {
namespace {

struct Entry {
  QByteArray name;
  bool folder;
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

enum class Kind { Folder, Other, Skip };

Kind kindOf(const QByteArray& path, unsigned char type) {
  if (type == DT_DIR) return Kind::Folder;
  if (type != DT_LNK && type != DT_UNKNOWN) return Kind::Other;
  struct stat info;
  if (::lstat(path.constData(), &info) != 0) return Kind::Other;  // gone: examined, finds nothing
  if (S_ISDIR(info.st_mode)) return Kind::Folder;
  if (!S_ISLNK(info.st_mode)) return Kind::Other;
  // A link: never into a folder, otherwise the file it names (or a broken link).
  if (::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)) return Kind::Skip;
  return Kind::Other;
}

// Lists `frame.path`, keeping only what the walk needs: folders and .EXE files.
bool list(Frame& frame) {
  const Directory dir(frame.path);
  if (!dir.get()) return false;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (isDotEntry(entry->d_name)) continue;
    const QByteArray name(entry->d_name);
    switch (kindOf(frame.path + name, entry->d_type)) {
      case Kind::Folder:
        frame.entries.push_back({name, true});
        break;
      case Kind::Other:
        if (DirectoryWalker::hasExeExtension(name)) frame.entries.push_back({name, false});
        break;
      case Kind::Skip:
        break;
    }
  }
  return true;
}

}  // namespace

bool DirectoryWalker::hasExeExtension(const QByteArray& name) {
  const qsizetype dot = name.lastIndexOf('.');
  if (dot < 0 || name.size() - dot != 4) return false;
  const char* ext = name.constData() + dot;
  const auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
  return upper(ext[1]) == 'E' && upper(ext[2]) == 'X' && upper(ext[3]) == 'E';
}

void DirectoryWalker::walk(const QByteArray& folder, const Examine& examine,
                           const Cancelled& cancelled) {
  std::vector<Frame> stack(1);
  stack.back().path = folder.endsWith('/') ? folder : folder + '/';
  if (!list(stack.back())) return;

  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next == top.entries.size()) {
      stack.pop_back();
      if (!stack.empty() && cancelled()) return;  // the test after the folder entry
      continue;
    }
    const Entry entry = top.entries[top.next++];
    const QByteArray path = top.path + entry.name;
    if (entry.folder) {
      Frame child;
      child.path = path + '/';
      if (list(child)) {
        stack.push_back(std::move(child));
        continue;  // `top` may have moved; the child's end makes the test
      }
    } else {
      examine(path);
    }
    if (cancelled()) return;
  }
}

}  // namespace orv
