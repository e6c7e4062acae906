#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scanbench {

// The shape of the tree the disk scan is timed on. The same seed gives the same tree.
struct TreeShape {
  std::uint64_t seed = 20240607;
  int files = 20000;    // all files, the .EXE files included
  int exeFiles = 2000;  // names ending in .EXE in some ASCII case
  int folders = 600;    // below the root, nested up to maxDepth
  int maxDepth = 8;
  int matching = 50;  // .EXE files that a signature names
  int decoys = 1000;  // signatures that match no file
  std::uint32_t minExeSize = 300;
  std::uint32_t maxExeSize = 400 * 1024;
};

// One .EXE file of the tree that a signature names.
struct Sample {
  std::string path;
  std::string name;  // the signature's name
  std::uint64_t size = 0;
};

// What was built, so that every scan's result can be checked against it.
struct BuiltTree {
  std::string root;  // without trailing "/"
  int files = 0;
  int exeFiles = 0;
  int mzHeaded = 0;  // .EXE files starting "MZ" or "ZM"
  int folders = 0;
  std::uint64_t exeBytes = 0;
  std::uint64_t totalBytes = 0;
  std::vector<Sample> samples;
};

// Writes the tree below `root` (which must exist and be empty). Throws std::runtime_error
// when a folder or file cannot be written.
BuiltTree buildTree(const std::string& root, const TreeShape& shape);

}  // namespace scanbench
