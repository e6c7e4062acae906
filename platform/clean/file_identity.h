#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv::clean {

// What tells a file from a later one at the same path. File systems hand a freed inode number
// to the next new file at once (ext4 often does), so the inode alone is no identity: with it
// go the device and the file's birth time, or where the file system keeps none, its change
// time (which also moves on a change of owner, mode or links: then the file counts as
// another, which only ever spares a file).
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  char timeKind = 'c';  // 'b': birth time, 'c': change time
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;

  bool operator==(const FileIdentity& o) const {
    return device == o.device && inode == o.inode && timeKind == o.timeKind &&
           seconds == o.seconds && nanoseconds == o.nanoseconds;
  }
  bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

// What stands at `name` in the folder `folderFd` (the entry itself, never what a link points
// to): its identity and whether it is a folder. Nothing, with errno set, when it cannot be
// looked at.
struct FileEntry {
  FileIdentity identity;
  bool isFolder = false;
};
std::optional<FileEntry> entryAt(int folderFd, const char* name);

// The identity as it is written in the pending-removal list, and read back from there.
std::string formatIdentity(const FileIdentity& identity);
std::optional<FileIdentity> parseIdentity(std::string_view text);

}  // namespace orv::clean
