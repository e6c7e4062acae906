#include "clean.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_identity.h"
#include "pending_removals.h"
#include "platform/platform_test_support.h"
#include "state_folder.h"
#include "support/as_ordinary_user.h"
#include "support/private_mounts.h"

using namespace orv::test;
using orv::clean::FileIdentity;

namespace {

// The records of a pending-removal list (each ended by a NUL byte).
std::vector<std::string> records(const fs::path& list) {
  std::vector<std::string> result;
  const std::string content = readWhole(list);
  std::size_t begin = 0;
  for (std::size_t end; (end = content.find('\0', begin)) != std::string::npos; begin = end + 1)
    result.push_back(content.substr(begin, end - begin));
  return result;
}

FileIdentity identityOf(const fs::path& file) {
  const orv::UniqueFd folder(::open(file.parent_path().c_str(), O_PATH | O_DIRECTORY));
  const auto entry = orv::clean::entryAt(folder.get(), file.filename().c_str());
  return entry ? entry->identity : FileIdentity{};
}

// Runs `body` in a child process with a mount namespace of its own, in which the account's
// home folder is a scratch one. Its result: 0 when the body held, 77 when mounting is not
// possible here, else the body's number of the step that failed.
int inPrivateMounts(const std::vector<std::string>& inUse, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid < 0) return 77;
  if (pid == 0) {
    if (!orvtest::enterPrivateMountNamespace() || !orvtest::hideAccountHome(inUse)) ::_exit(77);
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// The program's next start: a fresh process that loads libclean, in our mount namespace.
bool startAgain() {
  Child probe({CLEAN_START_PROBE});
  const int status = probe.finish();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class CleanIt_ : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_dir.path().empty());
    m_state = m_dir.path() / "state";
    ::setenv("XDG_STATE_HOME", m_state.c_str(), 1);
    m_list = m_state / "orv" / "pending-removal";
  }

  TempDir m_dir{"orv-clean"};
  fs::path m_state;
  fs::path m_list;
};

}  // namespace

TEST_F(CleanIt_, RemovesWhatItCanAndCountsAbsentFilesAsGone) {
  const fs::path file = m_dir.write("dialer.exe", "MZ");
  const fs::path target = m_dir.write("target.exe", "keep me");
  const fs::path link = m_dir.path() / "link.exe";
  const fs::path dangling = m_dir.path() / "dangling.exe";
  fs::create_symlink(target, link);
  fs::create_symlink(m_dir.path() / "nowhere", dangling);
  const struct {
    fs::path path;
    const char* what;
  } cases[] = {
      {file, "a plain file"},
      {m_dir.path() / "missing.exe", "a missing file"},
      {m_dir.path() / "no-folder" / "x.exe", "a missing folder"},
      {file / "x.exe", "a path through a file"},
      {link, "a symbolic link"},
      {dangling, "a dangling link"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanIt(c.path.c_str()), kCleanGone) << c.what;
    EXPECT_FALSE(fs::exists(fs::symlink_status(c.path))) << c.what;
  }
  EXPECT_EQ(readWhole(target), "keep me") << "the link's target stays";
  EXPECT_FALSE(fs::exists(m_list)) << "nothing was left for later";
}

TEST_F(CleanIt_, NeverRemovesFoldersNorRecordsThem) {
  const fs::path folder = m_dir.path() / "folder.exe";
  fs::create_directory(folder);
  const fs::path file = m_dir.write("file.exe", "MZ");
  EXPECT_EQ(CleanIt(folder.c_str()), kCleanNotRemovable);
  EXPECT_EQ(CleanIt((file.string() + "/").c_str()), kCleanNotRemovable) << "names no file";
  EXPECT_EQ(CleanIt(""), kCleanNotRemovable);
  EXPECT_EQ(CleanIt(nullptr), kCleanNotRemovable);
  EXPECT_EQ(CleanIt(std::string(5000, 'a').c_str()), kCleanNotRemovable);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_FALSE(fs::exists(m_list));
}

TEST_F(CleanIt_, RelativePathsAreNeitherRemovedNorReportedGone) {
  const fs::path stand = m_dir.write("Datei nicht ermittelt", "a user's file");
  const fs::path before = fs::current_path();
  fs::current_path(m_dir.path());
  EXPECT_EQ(CleanIt("Datei nicht ermittelt"), kCleanNotRemovable);
  EXPECT_EQ(CleanIt("missing.exe"), kCleanNotRemovable) << "not claimed to be gone";
  fs::current_path(before);
  EXPECT_EQ(readWhole(stand), "a user's file");
  EXPECT_FALSE(fs::exists(m_list));
}

// Missing rights, a read-only mount, the immutable attribute: the next start would meet them
// just the same, so nothing is promised for it.
TEST_F(CleanIt_, WhatCannotPassByItselfIsNotPromisedForLater) {
  const fs::path immutable = m_dir.write("immutable.exe", "MZ");
  const fs::path mountPoint = m_dir.path() / "ro";
  fs::create_directory(mountPoint);
  // Where a mistaken record would go as root: the account's own folder, hidden in here.
  const int asRoot = inPrivateMounts({m_dir.path()}, [&] {
    const fs::path list = fs::path(orvtest::accountHome()) / ".local/state/orv/pending-removal";
    if (orvtest::setImmutable(immutable, true)) {
      const int result = CleanIt(immutable.c_str());  // EPERM
      orvtest::setImmutable(immutable, false);
      if (result != kCleanNotRemovable || !fs::exists(immutable)) return 1;
    }
    const std::string file = (mountPoint / "ro.exe").string();
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) return 77;
    std::ofstream(file) << "MZ";
    if (::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
      return 77;
    if (CleanIt(file.c_str()) != kCleanNotRemovable || !fs::exists(file)) return 2;  // EROFS
    return fs::exists(list) || fs::exists(m_list) ? 3 : 0;
  });
  EXPECT_TRUE(asRoot == 0 || asRoot == 77) << "failed at step " << asRoot;

  // EACCES: a folder the user may not write to. The user could keep a list, so a record
  // would be possible: it must not be made.
  const fs::path locked = m_dir.path() / "locked";
  fs::create_directory(locked);
  const fs::path others = m_dir.write("locked/others.exe", "MZ");
  const fs::path userState = m_dir.path() / "user-state";
  fs::create_directory(userState);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(userState.c_str(), 65534, 65534), 0);
  }
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const auto asUser = runAsOrdinaryUser(m_dir.path(), [&] {
    ::setenv("XDG_STATE_HOME", userState.c_str(), 1);
    return CleanIt(others.c_str()) == kCleanNotRemovable && !fs::exists(userState / "orv");
  });
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_NE(asUser, OrdinaryUserRun::Failed);
  EXPECT_TRUE(fs::exists(others));
}

// A busy file (here a mount point) may go later: it is recorded, and as root in the account's
// own folder, never where the environment points. At the next start it goes once it is free.
TEST_F(CleanIt_, ABusyFileIsRecordedAndRemovedAtTheNextStart) {
  const fs::path file = m_dir.write("busy \xC3\x84 \xFF\n.exe", "MZ");
  const int result = inPrivateMounts({m_dir.path(), CLEAN_START_PROBE}, [&] {
    if (!orvtest::makeBusy(file)) return 77;
    const fs::path list = fs::path(orvtest::accountHome()) / ".local/state/orv/pending-removal";
    if (CleanIt(file.c_str()) != kCleanPending || CleanIt(file.c_str()) != kCleanPending) return 1;
    if (records(list).size() != 1 || fs::exists(m_list)) return 2;  // once, in the right place
    struct stat info {};
    if (::stat(list.c_str(), &info) != 0 || (info.st_mode & 0777) != 0600) return 3;
    if (!startAgain() || !fs::exists(file) || records(list).size() != 1) return 4;  // still busy
    orvtest::release(file);
    if (!startAgain() || fs::exists(file) || fs::exists(list)) return 5;
    return 0;
  });
  if (result == 77) GTEST_SKIP() << "cannot mount here";
  EXPECT_EQ(result, 0) << "failed at step " << result;
}

TEST(PendingRemovals, RemoveOnlyTheVeryFileRecorded) {
  TempDir dir("orv-pending");
  const std::string folder = dir.file("state");
  const fs::path list = fs::path(folder) / orv::clean::kPendingListName;
  const fs::path file = dir.write("setup.exe", "dialer");

  FileIdentity later = identityOf(file);
  later.seconds += 1;  // the same inode, given to a file made after the record
  ASSERT_TRUE(orv::clean::recordPendingRemoval(folder, file.string(), later));
  orv::clean::retryPendingRemovals(folder);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_FALSE(fs::exists(list)) << "a record of another file is dropped";

  // A record of the first form named the file by its inode alone: it never removes anything.
  const std::string inodeOnly = std::to_string(identityOf(file).inode) + ":" + file.string();
  std::ofstream(list, std::ios::binary) << inodeOnly << '\0';
  orv::clean::retryPendingRemovals(folder);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_FALSE(fs::exists(list));

  ASSERT_TRUE(orv::clean::recordPendingRemoval(folder, file.string(), identityOf(file)));
  orv::clean::retryPendingRemovals(folder);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(list));
}

TEST(PendingRemovals, AppendsWholeRecordsAfterATornOne) {
  TempDir dir("orv-pending");
  const std::string folder = dir.file("state");
  const fs::path list = fs::path(folder) / orv::clean::kPendingListName;
  const fs::path file = dir.write("x.exe", "MZ");
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_all);
  std::ofstream(list, std::ios::binary) << "v2:1:2:b3.4:/cut-sho";  // a write cut short
  ASSERT_TRUE(orv::clean::recordPendingRemoval(folder, file.string(), identityOf(file)));
  ASSERT_EQ(records(list).size(), 2U);
  EXPECT_EQ(records(list)[0], "v2:1:2:b3.4:/cut-sho");
  orv::clean::retryPendingRemovals(folder);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(list));
}

// A list somebody else could have written is no order to remove anything.
TEST(PendingRemovals, TrustOnlyAListNobodyElseCanWrite) {
  const struct {
    const char* what;
    std::function<bool(const fs::path& folder, const fs::path& list)> spoil;
  } cases[] = {
      {"folder writable by the group",
       [](const fs::path& f, const fs::path&) { return ::chmod(f.c_str(), 0770) == 0; }},
      {"list writable by others",
       [](const fs::path&, const fs::path& l) { return ::chmod(l.c_str(), 0606) == 0; }},
      {"list of another user",
       [](const fs::path&, const fs::path& l) {
         return ::geteuid() == 0 && ::chown(l.c_str(), 65534, 65534) == 0;
       }},
  };
  for (const auto& c : cases) {
    TempDir dir("orv-pending");
    const fs::path folder = dir.path() / "state";
    const fs::path list = folder / orv::clean::kPendingListName;
    const fs::path file = dir.write("victim.exe", "a user's file");
    ASSERT_TRUE(orv::clean::recordPendingRemoval(folder, file.string(), identityOf(file)));
    if (!c.spoil(folder, list)) continue;
    orv::clean::retryPendingRemovals(folder);
    EXPECT_TRUE(fs::exists(file)) << c.what;
    EXPECT_FALSE(orv::clean::recordPendingRemoval(folder, file.string(), identityOf(file)))
        << c.what << ": nothing is added to it either";
  }
}

TEST(PendingRemovals, ListFolderFollowsTheEnvironmentOnlyWhenItMayBeTrusted) {
  const struct {
    orv::clean::StateLocation location;
    const char* folder;
  } cases[] = {
      {{true, "/x/state", "/home/u", "/home/acct"}, "/x/state/orv"},
      {{true, "relative", "also-relative", "/home/acct"}, "/home/acct/.local/state/orv"},
      {{false, "/home/u/.local/state", "/home/u", "/root"}, "/root/.local/state/orv"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(orv::clean::pendingListFolder(c.location), c.folder) << c.location.xdgStateHome;
}
