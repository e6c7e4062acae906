#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>

namespace orv {

// Walks a folder tree depth first, in the order the file system lists each folder, and
// hands every entry whose name ends in ".EXE" (any ASCII case) to `examine`.
//
// Hidden entries are included. A folder is entered as soon as it is met, before the next
// entry of its parent. Links to folders are not followed (a loop can never trap the walk);
// a link to anything else is handed over as the file it names. Folders that cannot be
// listed are passed over. The tree's depth costs heap, not stack.
class DirectoryWalker {
 public:
  // Called with the full path of each file to examine.
  using Examine = std::function<void(const QByteArray& path)>;
  // The same, also told whether the listing showed the entry itself to be a regular file
  // (not a link, nor of a type the listing could not tell), which a caller may open without
  // a look at it first.
  using ExamineListed = std::function<void(const QByteArray& path, bool listedRegular)>;
  // Asked after every entry; true ends the whole walk at once.
  using Cancelled = std::function<bool()>;

  // What else a walk met, for a caller that reports on the whole tree.
  struct Tally {
    std::uint64_t folders = 0;  // folders listed, the first one included
    std::uint64_t others = 0;   // entries listed that were not walked into
    // Told of each folder that could not be listed (its path ends in "/"), with errno.
    std::function<void(const QByteArray& folder, int error)> unlisted;
  };

  // `folder` with or without its trailing "/"; an empty one gives nothing. `tally`, when
  // given, counts what the walk lists.
  static void walk(const QByteArray& folder, const Examine& examine, const Cancelled& cancelled,
                   Tally* tally = nullptr);
  static void walk(const QByteArray& folder, const ExamineListed& examine,
                   const Cancelled& cancelled, Tally* tally = nullptr);

  // Whether a file name's extension (from its last ".") is ".EXE" in any ASCII case.
  static bool hasExeExtension(const QByteArray& name);
};

}  // namespace orv
