#include "procs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "platform/platform_test_support.h"

using namespace orv::test;

namespace {

constexpr std::uint32_t kGuard = 0xDEADBEEFU;
constexpr int kPathBuffer = ORV_PROCESS_PATH_BUFFER;
const std::uint64_t kPage = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));

std::string processPath(pid_t pid) {
  char buffer[kPathBuffer] = {};
  return GetProcessPath(static_cast<std::uint32_t>(pid), buffer, 999999) ? buffer : "";
}

bool readBlock(pid_t pid, std::uint64_t base, std::string& out, std::size_t length) {
  out.assign(length, '\0');
  iovec local{out.data(), length};
  iovec remote{reinterpret_cast<void*>(base), length};
  return ::process_vm_readv(pid, &local, 1, &remote, 1, 0) == static_cast<ssize_t>(length);
}

fs::path copyExecutable(const TempDir& dir, const std::string& name) {
  const fs::path copy = dir.path() / name;
  fs::copy_file(PROCS_CHILD, copy);
  fs::permissions(copy, fs::perms::owner_all);
  return copy;
}

// A minimal PE header: "MZ", the header offset, "PE\0\0", a file header and the optional
// header of a 32-bit program up to its SizeOfImage.
std::string peFile(std::uint32_t imageSize) {
  std::string pe(4096, '\0');
  pe[0] = 'M';
  pe[1] = 'Z';
  const std::uint32_t at = 0x80;
  std::memcpy(&pe[0x3C], &at, 4);
  std::memcpy(&pe[at], "PE\0\0", 4);
  pe[at + 24] = 0x0B;  // optional header magic 0x10B
  pe[at + 25] = 0x01;
  std::memcpy(&pe[at + 24 + 56], &imageSize, 4);
  return pe;
}

std::vector<std::uint32_t> listAll() {
  const std::int32_t n = GetNumberOfProcesses();
  std::vector<std::uint32_t> ids(static_cast<std::size_t>(n) + 1, 0);
  ids.back() = kGuard;
  EXPECT_NE(GetProcessIDList(ids.data(), 999999), 0);
  EXPECT_EQ(ids.back(), kGuard);
  ids.pop_back();
  return ids;
}

bool contains(const std::vector<std::uint32_t>& ids, pid_t pid) {
  return std::find(ids.begin(), ids.end(), static_cast<std::uint32_t>(pid)) != ids.end();
}

}  // namespace

TEST(Procs, ListsRunningProcessesWithinTheCount) {
  Child child({PROCS_CHILD});
  ASSERT_EQ(child.readLine(), "ready");
  const auto ids = listAll();
  EXPECT_TRUE(contains(ids, ::getpid()));
  EXPECT_TRUE(contains(ids, child.pid()));
  EXPECT_GT(std::count_if(ids.begin(), ids.end(), [](std::uint32_t id) { return id != 0; }), 1);
}

TEST(Procs, NeverWritesMoreIdsThanTheLastCountNorTheLimit) {
  const std::int32_t count = GetNumberOfProcesses();
  ASSERT_GT(count, 0);
  // Processes started after the count must not push ids past the caller's array.
  std::vector<std::unique_ptr<Child>> later;
  for (int i = 0; i < 3; ++i) {
    later.push_back(std::make_unique<Child>(std::vector<std::string>{PROCS_CHILD}));
    ASSERT_EQ(later.back()->readLine(), "ready");
  }
  std::vector<std::uint32_t> ids(static_cast<std::size_t>(count) + 4, kGuard);
  std::fill_n(ids.begin(), count, 0U);
  EXPECT_NE(GetProcessIDList(ids.data(), 999999), 0);
  for (std::size_t i = static_cast<std::size_t>(count); i < ids.size(); ++i)
    EXPECT_EQ(ids[i], kGuard) << "element " << i;

  // The limit holds too, below the count.
  ASSERT_GT(GetNumberOfProcesses(), 2);
  const struct {
    std::int32_t limit;
    std::size_t written;
  } limits[] = {{2, 2}, {1, 1}, {0, 0}, {-5, 0}};
  for (const auto& c : limits) {
    std::vector<std::uint32_t> small(4, kGuard);
    EXPECT_NE(GetProcessIDList(small.data(), c.limit), 0) << c.limit;
    for (std::size_t i = c.written; i < small.size(); ++i)
      EXPECT_EQ(small[i], kGuard) << "limit " << c.limit << " element " << i;
  }
  EXPECT_EQ(GetProcessIDList(nullptr, 999999), 0);
}

TEST(Procs, ImageBlockOfAChildIsItsExecutableAsMapped) {
  Child child({PROCS_CHILD});
  ASSERT_EQ(child.readLine(), "ready");
  std::uint64_t base = 0, size = 0;
  ASSERT_TRUE(GetProcessBaseSize(static_cast<std::uint32_t>(child.pid()), &base, &size));
  EXPECT_GE(size, kPage);
  EXPECT_EQ(base % kPage, 0U);
  EXPECT_EQ(size % kPage, 0U);
  std::string block;
  ASSERT_TRUE(readBlock(child.pid(), base, block, size)) << "the whole block is readable";
  EXPECT_EQ(block.substr(0, 4),
            "\x7f"
            "ELF");
  // The first page maps the start of the file itself.
  const std::string file = readWhole(PROCS_CHILD);
  ASSERT_GE(file.size(), 64U);
  EXPECT_EQ(block.substr(0, 64), file.substr(0, 64));
  EXPECT_EQ(processPath(child.pid()), fs::canonical(PROCS_CHILD).string());
}

TEST(Procs, PathOfARemovedExecutableHasNoDeletedMark) {
  TempDir dir("orv-procs");
  const fs::path removed = copyExecutable(dir, "child copy");
  const fs::path oddName = copyExecutable(dir, "odd (deleted)");
  Child gone({removed.string()});
  Child odd({oddName.string()});
  ASSERT_EQ(gone.readLine(), "ready");
  ASSERT_EQ(odd.readLine(), "ready");
  fs::remove(removed);

  EXPECT_EQ(processPath(gone.pid()), removed.string());
  EXPECT_EQ(processPath(odd.pid()), oddName.string()) << "a name really ending so keeps it";

  // Replaced after it started: the path now names another file, which must not be taken for it.
  const fs::path replaced = copyExecutable(dir, "replaced");
  Child old({replaced.string()});
  ASSERT_EQ(old.readLine(), "ready");
  fs::remove(replaced);
  dir.write("replaced", "an innocent new file");
  EXPECT_EQ(processPath(old.pid()), "");
  std::uint64_t base = 0, size = 0;
  EXPECT_TRUE(GetProcessBaseSize(static_cast<std::uint32_t>(gone.pid()), &base, &size));
}

TEST(Procs, PathFromAnotherMountNamespaceIsNotTakenForOurs) {
  if (::access("/usr/bin/unshare", X_OK) != 0) GTEST_SKIP() << "no unshare";
  TempDir dir("orv-procs");
  const fs::path hidden = dir.path() / "ns";
  fs::create_directory(hidden);
  const fs::path ours = dir.write("ns/child", "our own file at the same path");
  // The child sees its own copy of the program at the same path, on a mount only it sees.
  const std::string script = "mount -t tmpfs tmpfs '" + hidden.string() + "' && cp '" +
                             PROCS_CHILD + "' '" + ours.string() + "' && exec '" + ours.string() +
                             "'";
  Child child({"/usr/bin/unshare", "-m", "/bin/sh", "-c", script});
  const std::string line = child.readLine();
  if (line != "ready") GTEST_SKIP() << "cannot make a mount namespace here";
  EXPECT_EQ(processPath(child.pid()), "");
  EXPECT_EQ(readWhole(ours), "our own file at the same path");
  std::uint64_t base = 0, size = 0;
  EXPECT_TRUE(GetProcessBaseSize(static_cast<std::uint32_t>(child.pid()), &base, &size))
      << "its memory can still be read";
}

TEST(Procs, PathIsWrittenWholeOrNotAtAll) {
  TempDir dir("orv-procs");
  // Builds an executable path of exactly `length` bytes below the temporary folder.
  auto pathOfLength = [&](std::size_t length) {
    fs::path folder = dir.path() / ("p" + std::to_string(length));
    fs::create_directories(folder);
    std::size_t rest = length - folder.string().size() - 1;  // after the next "/"
    while (rest > 200) {
      folder /= std::string(150, 'd');
      fs::create_directories(folder);
      rest -= 151;
    }
    const fs::path exe = folder / std::string(rest, 'c');
    if (fs::exists(exe)) return exe;
    fs::copy_file(PROCS_CHILD, exe);
    fs::permissions(exe, fs::perms::owner_all);
    return exe;
  };
  const struct {
    std::size_t length;
    std::int32_t limit;
    bool fits;
  } cases[] = {
      {259, 999999, true}, {260, 999999, true}, {1000, 999999, true}, {4095, 999999, true},
      {1000, 1000, false}, {100, 101, true},    {100, 100, false},    {100, 0, false},
  };
  for (const auto& c : cases) {
    if (dir.path().string().size() + 20 > c.length) continue;
    const fs::path exe = pathOfLength(c.length);
    ASSERT_EQ(exe.string().size(), c.length);
    Child child({exe.string()});
    ASSERT_EQ(child.readLine(), "ready");
    std::vector<char> buffer(kPathBuffer + 16, '#');
    const std::int32_t ok =
        GetProcessPath(static_cast<std::uint32_t>(child.pid()), buffer.data(), c.limit);
    EXPECT_EQ(ok != 0, c.fits) << c.length << " bytes, limit " << c.limit;
    if (c.fits) {
      EXPECT_EQ(std::string(buffer.data()), exe.string());
    } else if (c.limit > 0) {
      EXPECT_EQ(buffer[0], '\0');
    }
    const std::size_t room = std::min<std::size_t>(kPathBuffer, std::max(c.limit, 0));
    const std::size_t used = c.fits ? c.length + 1 : (c.limit > 0 ? 1 : 0);
    EXPECT_LE(used, room);
    for (std::size_t i = used; i < buffer.size(); ++i)
      ASSERT_EQ(buffer[i], '#') << "byte " << i << " for " << c.length << "/" << c.limit;
  }
}

TEST(Procs, EndedProcessesAnswerNothing) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) ::_exit(0);
  int status = 0;
  // First as a zombie (ended, not yet reaped), then gone altogether.
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT), 0);
  for (int round = 0; round < 2; ++round) {
    std::uint64_t base = 1, size = 1;
    char path[kPathBuffer];
    EXPECT_FALSE(GetProcessBaseSize(static_cast<std::uint32_t>(pid), &base, &size)) << round;
    EXPECT_EQ(GetProcessPath(static_cast<std::uint32_t>(pid), path, kPathBuffer), 0) << round;
    EXPECT_EQ(path[0], '\0');
    if (round == 0) {
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    }
  }
}

TEST(Procs, NonsenseArgumentsAnswerNothing) {
  std::uint64_t base = 0, size = 0;
  char path[kPathBuffer];
  for (std::uint32_t pid : {0U, 0xFFFFFFFFU, 0x80000000U}) {
    EXPECT_FALSE(GetProcessBaseSize(pid, &base, &size)) << pid;
    EXPECT_EQ(GetProcessPath(pid, path, kPathBuffer), 0) << pid;
  }
  const auto self = static_cast<std::uint32_t>(::getpid());
  EXPECT_FALSE(GetProcessBaseSize(self, nullptr, &size));
  EXPECT_FALSE(GetProcessBaseSize(self, &base, nullptr));
  EXPECT_EQ(GetProcessPath(self, nullptr, kPathBuffer), 0);
}

TEST(Procs, OtherUsersProcessesAreSkippedQuietly) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  const std::uint32_t parent = static_cast<std::uint32_t>(::getpid());
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(77);
    std::uint64_t base = 0, size = 0;
    char path[kPathBuffer];
    int wrong = 0;
    for (std::uint32_t other : {parent, 1U}) {
      if (GetProcessBaseSize(other, &base, &size)) ++wrong;
      if (GetProcessPath(other, path, kPathBuffer)) ++wrong;
    }
    // Its own process it may read.
    if (!GetProcessBaseSize(static_cast<std::uint32_t>(::getpid()), &base, &size)) ++wrong;
    ::_exit(wrong);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot become another user";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Procs, WineProcessIsSeenThroughItsWindowsProgram) {
  TempDir dir("orv-procs");
  const fs::path wine = copyExecutable(dir, "wine64-preloader");
  const fs::path native = copyExecutable(dir, "not-wine");
  fs::create_directories(dir.path() / "wine/x86_64-unix");
  const fs::path ntdll = dir.write("wine/x86_64-unix/ntdll.so", std::string(4096, '\x7f'));
  const struct {
    std::string header;
    const char* anonymousPages;
    std::uint64_t expectedSize;
    const char* what;
  } cases[] = {
      {peFile(static_cast<std::uint32_t>(3 * kPage)), "2", 3 * kPage, "image exactly mapped"},
      {peFile(static_cast<std::uint32_t>(2 * kPage)), "3", 2 * kPage, "more memory behind it"},
      {peFile(static_cast<std::uint32_t>(8 * kPage)), "2", 3 * kPage, "cut where reading ends"},
      {std::string(4096, 'x'), "2", kPage, "no PE header: the file's own mapping"},
  };
  for (const auto& c : cases) {
    const fs::path program = dir.write("Setup.EXE", c.header);
    Child child({wine.string(), program.string(), c.anonymousPages, ntdll.string()});
    const std::uint64_t mapped = std::stoull(child.readLine(), nullptr, 16);
    std::uint64_t base = 0, size = 0;
    ASSERT_TRUE(GetProcessBaseSize(static_cast<std::uint32_t>(child.pid()), &base, &size))
        << c.what;
    EXPECT_EQ(base, mapped) << c.what;
    EXPECT_EQ(size, c.expectedSize) << c.what;
    std::string block;
    EXPECT_TRUE(readBlock(child.pid(), base, block, size)) << c.what;
    EXPECT_EQ(block.substr(0, 2), c.header.substr(0, 2)) << c.what;
    EXPECT_EQ(processPath(child.pid()), program.string()) << c.what;
  }

  // The same mappings in a program that is not Wine's loader, or in one that is only named like
  // it (Wine's ntdll is missing), do not make it a Windows program: its .exe is not its file.
  const fs::path program = dir.write("Tool.exe", peFile(static_cast<std::uint32_t>(kPage)));
  const std::vector<std::string> notWine[] = {
      {native.string(), program.string(), "1", ntdll.string()},
      {wine.string(), program.string(), "1"},
  };
  for (const auto& argv : notWine) {
    Child other(argv);
    ASSERT_FALSE(other.readLine().empty());
    EXPECT_EQ(processPath(other.pid()), argv[0]);
    std::uint64_t base = 0, size = 0;
    ASSERT_TRUE(GetProcessBaseSize(static_cast<std::uint32_t>(other.pid()), &base, &size));
    std::string block;
    ASSERT_TRUE(readBlock(other.pid(), base, block, 4));
    EXPECT_EQ(block,
              "\x7f"
              "ELF")
        << argv[0];
  }
}
