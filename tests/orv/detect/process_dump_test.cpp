#include "detect/process_dump.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include "detect/native_path.h"
#include "shell/orv_error.h"

using orv::DumpProcessImage;
using orv::OrvError;
using orv::ProcessSource;

namespace {

// A "process image" in our own memory: the test process reads itself like any other.
struct OwnBlock {
  std::vector<unsigned char> bytes;

  explicit OwnBlock(std::size_t size) : bytes(size) {
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
  }
  ProcessSource source(std::uint64_t base, std::uint64_t size) const {
    ProcessSource s;
    s.processBaseSize = [base, size](std::uint32_t, std::uint64_t* b, std::uint64_t* n) {
      *b = base;
      *n = size;
      return std::uint8_t{1};
    };
    return s;
  }
  ProcessSource source() const {
    return source(reinterpret_cast<std::uintptr_t>(bytes.data()), bytes.size());
  }
  QByteArray asBytes() const {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
  }
};

std::uint32_t self() {
  return static_cast<std::uint32_t>(::getpid());
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool exists(const QString& path) {
  struct stat info {};
  return ::lstat(path.toUtf8().constData(), &info) == 0;
}

mode_t modeOf(const QString& path) {
  struct stat info {};
  if (::lstat(path.toUtf8().constData(), &info) != 0) return 0;
  return info.st_mode;
}

QString errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const OrvError& error) {
    return error.text();
  }
  return {};
}

class DumpProcessImageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  QString file(const QString& name) const { return m_dir.filePath(name); }

  QTemporaryDir m_dir;
};

TEST_F(DumpProcessImageTest, CopiesTheBlockByteForByteReadableByTheUserOnly) {
  const OwnBlock block(70001);
  const QString dump = file("orv.dump");
  // Even with nothing masked, the file is the user's alone.
  const mode_t oldMask = ::umask(0);
  const bool written = DumpProcessImage(self(), dump, block.source());
  ::umask(oldMask);
  ASSERT_TRUE(written);
  EXPECT_EQ(readAll(dump), block.asBytes());
  EXPECT_TRUE(S_ISREG(modeOf(dump)));
  EXPECT_EQ(modeOf(dump) & 07777, 0600U);
}

TEST_F(DumpProcessImageTest, WritesNothingWhenTheBlockIsUnknownUnreadableOrTooLarge) {
  const OwnBlock block(4096);
  // Two pages of which only the first stays mapped: the read fails half-way.
  const long page = ::sysconf(_SC_PAGESIZE);
  void* pages =
      ::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(pages, MAP_FAILED);
  ::munmap(static_cast<char*>(pages) + page, page);
  const auto halfMapped = reinterpret_cast<std::uintptr_t>(pages);
  ProcessSource unknown;
  unknown.processBaseSize = [](std::uint32_t, std::uint64_t*, std::uint64_t*) {
    return std::uint8_t{0};
  };
  struct Case {
    const char* name;
    std::uint32_t pid;
    ProcessSource source;
    std::uint64_t skipFrom;
    bool written;
  };
  const Case cases[] = {
      {"block unknown", self(), unknown, orv::kNoDumpLimit, false},
      {"no source", self(), ProcessSource{}, orv::kNoDumpLimit, false},
      {"address not mapped", self(), block.source(4096, 4096), orv::kNoDumpLimit, false},
      {"runs past the mapping", self(), block.source(halfMapped, 2 * page), orv::kNoDumpLimit,
       false},
      {"process id 0", 0, block.source(), orv::kNoDumpLimit, false},
      {"process gone", 0x7FFFFFF0U, block.source(), orv::kNoDumpLimit, false},
      {"exactly the limit", self(), block.source(), 4096, false},
      {"one byte under the limit", self(), block.source(), 4097, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString dump = file(QStringLiteral("orv.dump"));
    EXPECT_EQ(DumpProcessImage(c.pid, dump, c.source, c.skipFrom), c.written);
    EXPECT_EQ(exists(dump), c.written);
    ::unlink(dump.toUtf8().constData());
  }
  ::munmap(pages, page);
}

// Yama lets us see our user's processes but not read their memory: the dump then holds the
// first bytes of the file the process runs, as many as the image is long.
TEST_F(DumpProcessImageTest, WhereTheKernelForbidsReadingMemoryTheProgramFileIsDumped) {
  const QByteArray ownProgram = readAll(QStringLiteral("/proc/self/exe"));
  ASSERT_GT(ownProgram.size(), 5000);
  const QString windowsProgram = file(QStringLiteral("Setup.exe"));
  ASSERT_TRUE(writeFile(windowsProgram, "MZ a Windows program, shorter than its image"));
  struct Case {
    const char* name;
    int scope;
    int error;
    QString path;  // the program's path as libprocs gives it; empty: unknown
    QByteArray dumped;
  };
  const Case cases[] = {
      {"Yama: the program's file", 1, EPERM, QFile::symLinkTarget(QStringLiteral("/proc/self/exe")),
       ownProgram.left(5000)},
      {"Yama, a Windows program in Wine's loader", 3, EPERM, windowsProgram,
       readAll(windowsProgram)},
      {"no Yama: another user's process", 0, EPERM, QString(), QByteArray()},
      {"the process has ended", 1, ESRCH, QString(), QByteArray()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessSource source = OwnBlock(0).source(4096, 5000);
    source.readMemory = [&](std::uint32_t, std::uint64_t, void*, std::size_t) {
      errno = c.error;
      return false;
    };
    source.ptraceScope = [&] { return c.scope; };
    source.processPath = [&](std::uint32_t, char* buffer, std::int32_t limit) {
      const QByteArray bytes = QFile::encodeName(c.path);
      if (bytes.isEmpty() || bytes.size() >= limit) return 0;
      qstrcpy(buffer, bytes.constData());
      return 1;
    };
    const QString dump = file(QStringLiteral("orv.dump"));
    orv::ImageOrigin origin = orv::ImageOrigin::Memory;
    EXPECT_EQ(DumpProcessImage(self(), dump, source, orv::kNoDumpLimit, &origin),
              !c.dumped.isEmpty());
    EXPECT_EQ(readAll(dump), c.dumped);
    if (!c.dumped.isEmpty()) {
      EXPECT_EQ(origin, orv::ImageOrigin::ExecutableFile);
    }
    ::unlink(dump.toUtf8().constData());
  }
}

// Whatever stands at the dump's name is replaced, never written through.
TEST_F(DumpProcessImageTest, NeverWritesThroughWhatStoodAtTheName) {
  const OwnBlock block(3000);
  const QByteArray precious("precious content that must stay");
  struct Case {
    const char* name;
    std::function<void(const QString& dump, const QString& target)> plant;
    bool targetExists;
  };
  const Case cases[] = {
      {"symbolic link to a file",
       [&](const QString& dump, const QString& target) {
         writeFile(target, precious);
         QFile::link(target, dump);
       },
       true},
      {"dangling symbolic link",
       [](const QString& dump, const QString& target) { QFile::link(target, dump); }, false},
      {"hard link to a file",
       [&](const QString& dump, const QString& target) {
         writeFile(target, precious);
         ::link(target.toUtf8().constData(), dump.toUtf8().constData());
       },
       true},
      {"old dump readable by all",
       [&](const QString& dump, const QString&) {
         writeFile(dump, precious);
         ::chmod(dump.toUtf8().constData(), 0666);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const QString dump = dir.filePath(QStringLiteral("orv.dump"));
    const QString target = dir.filePath(QStringLiteral("target"));
    c.plant(dump, target);
    ASSERT_TRUE(DumpProcessImage(self(), dump, block.source()));
    EXPECT_TRUE(S_ISREG(modeOf(dump)));
    EXPECT_EQ(modeOf(dump) & 07777, 0600U);
    EXPECT_EQ(readAll(dump), block.asBytes());
    EXPECT_EQ(exists(target), c.targetExists);
    if (c.targetExists) {
      EXPECT_EQ(readAll(target), precious);
    }
  }
}

TEST_F(DumpProcessImageTest, AFileThatCannotBeCreatedIsAnErrorForTheUser) {
  const OwnBlock block(100);
  const QString inMissingFolder = file(QStringLiteral("missing/orv.dump"));
  EXPECT_EQ(errorOf([&] { DumpProcessImage(self(), inMissingFolder, block.source()); }),
            QStringLiteral("Datei %1 kann nicht erstellt werden").arg(inMissingFolder));

  const QString folder = file(QStringLiteral("orv.dump"));
  ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inside")));
  EXPECT_EQ(errorOf([&] { DumpProcessImage(self(), folder, block.source()); }),
            QStringLiteral("Datei %1 kann nicht erstellt werden").arg(folder));
  EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inside")).isDir());
}

TEST_F(DumpProcessImageTest, AWriteThatFailsPartWayLeavesNoFile) {
  const OwnBlock block(64 * 1024);
  const QString dump = file(QStringLiteral("orv.dump"));
  // A file size limit makes the write fail after 1000 bytes, as a full disk would.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const QString error = errorOf([&] { DumpProcessImage(self(), dump, block.source()); });
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(error, QStringLiteral("E/A-Fehler %1").arg(EFBIG));
  EXPECT_FALSE(exists(dump));
}

TEST_F(DumpProcessImageTest, RemovingTheDump) {
  const QString dump = file(QStringLiteral("orv.dump"));
  EXPECT_TRUE(orv::removeDumpFile(dump));  // nothing there
  ASSERT_TRUE(writeFile(dump, "x"));
  EXPECT_TRUE(orv::removeDumpFile(dump));
  EXPECT_FALSE(exists(dump));
  const QString target = file(QStringLiteral("target"));
  ASSERT_TRUE(writeFile(target, "kept"));
  ASSERT_TRUE(QFile::link(target, dump));
  EXPECT_TRUE(orv::removeDumpFile(dump));
  EXPECT_EQ(readAll(target), QByteArray("kept"));
  ASSERT_TRUE(QDir().mkdir(dump));
  EXPECT_FALSE(orv::removeDumpFile(dump));
}

}  // namespace
