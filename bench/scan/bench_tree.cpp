#include "bench_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>

namespace scanbench {
namespace {

// mt19937_64's sequence is fixed by the standard; the distributions are not, so ranges are
// taken by hand to keep the tree the same with any standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_engine(seed) {}
  std::uint64_t next() { return m_engine(); }
  // 0 .. n-1
  std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
  bool percent(std::uint32_t p) { return below(100) < p; }
  double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  void fill(std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
      const std::uint64_t word = next();
      std::memcpy(&bytes[i], &word, std::min<std::size_t>(8, bytes.size() - i));
    }
  }

 private:
  std::mt19937_64 m_engine;
};

struct Folder {
  std::string path;
  int depth;
};

std::string numbered(const char* format, int n) {
  char text[64];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

void makeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0)
    throw std::runtime_error("cannot create folder " + path + ": " + std::strerror(errno));
}

void writeFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = errno;
      ::close(fd);
      throw std::runtime_error("cannot write " + path + ": " + std::strerror(error));
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0)
    throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

std::vector<Folder> makeFolders(const std::string& root, const TreeShape& shape, Random& random) {
  std::vector<Folder> folders{{root, 0}};
  folders.reserve(static_cast<std::size_t>(shape.folders) + 1);
  for (int i = 0; i < shape.folders; ++i) {
    const Folder* parent;
    do {
      parent = &folders[random.below(static_cast<std::uint32_t>(folders.size()))];
    } while (parent->depth >= shape.maxDepth);
    // Some hidden folders, and some whose name looks like a program: both are walked into.
    const std::uint32_t kind = random.below(100);
    const std::string name = kind < 5   ? numbered(".dir%04d", i)
                             : kind < 8 ? numbered("setup%04d.exe", i)
                                        : numbered("dir%04d", i);
    Folder folder{parent->path + "/" + name, parent->depth + 1};
    makeFolder(folder.path);
    folders.push_back(std::move(folder));
  }
  return folders;
}

enum class Head { Mz, Zm, Other };

struct ExePlan {
  std::string path;
  std::uint32_t size;
  Head head;
  int sample = -1;  // index into the samples, or -1
};

const char* const kExeExtensions[] = {".exe", ".EXE", ".Exe", ".eXe", ".exE", ".ExE"};
// Names a scan must pass over, the look-alikes included.
const char* const kOtherExtensions[] = {".txt", ".dll", ".ex_",  ".exe.bak", ".html", ".png",
                                        ".cfg", "",     ".exex", ".sys",     ".EXE~", ".xe"};

}  // namespace

BuiltTree buildTree(const std::string& root, const TreeShape& shape) {
  if (shape.exeFiles > shape.files || shape.matching > shape.exeFiles)
    throw std::runtime_error("tree shape: more .EXE than files or more samples than .EXE");
  Random random(shape.seed);
  BuiltTree tree;
  tree.root = root;
  const std::vector<Folder> folders = makeFolders(root, shape, random);
  tree.folders = static_cast<int>(folders.size()) - 1;

  const auto folderCount = static_cast<std::uint32_t>(folders.size());
  const double sizeRange = std::log(static_cast<double>(shape.maxExeSize) / shape.minExeSize);
  std::vector<ExePlan> exes;
  std::vector<std::size_t> mzIndexes;
  for (int i = 0; i < shape.exeFiles; ++i) {
    ExePlan plan;
    const std::string& folder = folders[random.below(folderCount)].path;
    const char* extension = kExeExtensions[random.below(std::size(kExeExtensions))];
    plan.path = folder +
                (random.percent(3) ? numbered("/.prog%05d", i) : numbered("/prog%05d", i)) +
                extension;
    // Spread evenly over the orders of magnitude, so small and large files both count.
    plan.size = static_cast<std::uint32_t>(shape.minExeSize * std::exp(random.unit() * sizeRange));
    const std::uint32_t head = random.below(100);
    plan.head = head < 90 ? Head::Mz : head < 93 ? Head::Zm : Head::Other;
    if (plan.head != Head::Other) mzIndexes.push_back(exes.size());
    exes.push_back(std::move(plan));
  }
  if (mzIndexes.size() < static_cast<std::size_t>(shape.matching))
    throw std::runtime_error("tree shape: too few executables for the samples");
  for (int s = 0; s < shape.matching; ++s) {
    const std::uint32_t pick = s + random.below(static_cast<std::uint32_t>(mzIndexes.size()) - s);
    std::swap(mzIndexes[s], mzIndexes[pick]);
    exes[mzIndexes[s]].sample = s;
  }
  tree.samples.resize(static_cast<std::size_t>(shape.matching));

  std::string bytes;
  for (const ExePlan& plan : exes) {
    bytes.resize(plan.size);
    random.fill(bytes);
    if (plan.head == Head::Mz) bytes.replace(0, 2, "MZ");
    if (plan.head == Head::Zm) bytes.replace(0, 2, "ZM");
    if (plan.head == Head::Other &&
        (bytes.compare(0, 2, "MZ") == 0 || bytes.compare(0, 2, "ZM") == 0))
      bytes[0] = 'P';
    writeFile(plan.path, bytes);
    ++tree.exeFiles;
    tree.exeBytes += plan.size;
    if (plan.head != Head::Other) ++tree.mzHeaded;
    if (plan.sample >= 0)
      tree.samples[static_cast<std::size_t>(plan.sample)] = {
          plan.path, numbered("Bench-Dialer-%03d", plan.sample), plan.size};
  }
  for (int i = shape.exeFiles; i < shape.files; ++i) {
    const std::string& folder = folders[random.below(folderCount)].path;
    const char* extension = kOtherExtensions[random.below(std::size(kOtherExtensions))];
    const std::string path =
        folder + (random.percent(5) ? numbered("/.file%05d", i) : numbered("/file%05d", i)) +
        extension;
    bytes.resize(random.below(4097));
    random.fill(bytes);
    writeFile(path, bytes);
    tree.totalBytes += bytes.size();
  }
  tree.files = shape.files;
  tree.totalBytes += tree.exeBytes;
  return tree;
}

}  // namespace scanbench
