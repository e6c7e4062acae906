#include "clean.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform_test_support.h"

using namespace orv::test;

namespace {

// The pending-removal list: NUL-ended records "<inode>:<absolute path>".
std::vector<std::string> records(const fs::path& list) {
  std::vector<std::string> result;
  const std::string content = readWhole(list);
  std::size_t begin = 0;
  for (std::size_t end; (end = content.find('\0', begin)) != std::string::npos; begin = end + 1)
    result.push_back(content.substr(begin, end - begin));
  return result;
}

std::string inodeOf(const fs::path& p) {
  struct stat info {};
  return ::lstat(p.c_str(), &info) == 0 ? std::to_string(info.st_ino) : std::string();
}

class CleanIt_ : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_dir.path().empty());
    m_state = m_dir.path() / "state";
    ::setenv("XDG_STATE_HOME", m_state.c_str(), 1);
    m_list = m_state / "orv" / "pending-removal";
  }

  // Makes a file that even root cannot remove now (a read-only mount is tried apart, below).
  bool makeUnremovable(const fs::path& p) { return setImmutable(p, true); }

  // Runs a fresh process that loads libclean: the program's next start.
  void startAgain() {
    Child probe({CLEAN_START_PROBE}, {"XDG_STATE_HOME=" + m_state.string()});
    ASSERT_GT(probe.pid(), 0);
    const int status = probe.finish();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
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
  EXPECT_EQ(CleanIt(folder.c_str()), kCleanNotRemovable);
  EXPECT_EQ(CleanIt(""), kCleanNotRemovable);
  EXPECT_EQ(CleanIt(nullptr), kCleanNotRemovable);
  EXPECT_EQ(CleanIt(std::string(5000, 'a').c_str()), kCleanNotRemovable);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_FALSE(fs::exists(m_list));
}

TEST_F(CleanIt_, RecordsWhatCannotGoNowAndRemovesItAtTheNextStart) {
  const fs::path file = m_dir.write("Dialer \xC3\x84 \xFF\n.exe", "MZ");
  if (!makeUnremovable(file)) GTEST_SKIP() << "no immutable attribute on this file system";
  const std::string record = inodeOf(file) + ":" + file.string();

  EXPECT_NE(CleanIt(file.c_str()), kCleanGone);
  EXPECT_EQ(CleanIt(file.c_str()), kCleanPending);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(records(m_list), std::vector<std::string>{record}) << "one record, however often";
  struct stat info {};
  ASSERT_EQ(::stat(m_list.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);

  startAgain();  // still immutable: the record stays
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(records(m_list), std::vector<std::string>{record});

  ASSERT_TRUE(setImmutable(file, false));
  startAgain();
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(m_list)) << "a settled list goes";
}

TEST_F(CleanIt_, KeepsOnlyWhatIsStillBlocked) {
  const fs::path blocked = m_dir.write("blocked.exe", "MZ");
  const fs::path later = m_dir.write("later.exe", "MZ");
  if (!makeUnremovable(blocked) || !makeUnremovable(later))
    GTEST_SKIP() << "no immutable attribute on this file system";
  EXPECT_EQ(CleanIt(later.c_str()), kCleanPending);
  EXPECT_EQ(CleanIt(blocked.c_str()), kCleanPending);
  EXPECT_EQ(records(m_list), (std::vector<std::string>{inodeOf(later) + ":" + later.string(),
                                                       inodeOf(blocked) + ":" + blocked.string()}));

  ASSERT_TRUE(setImmutable(later, false));
  startAgain();
  EXPECT_FALSE(fs::exists(later));
  EXPECT_TRUE(fs::exists(blocked));
  EXPECT_EQ(records(m_list), std::vector<std::string>{inodeOf(blocked) + ":" + blocked.string()});
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

TEST_F(CleanIt_, LeavesAnotherFileAtTheRecordedPathAlone) {
  const fs::path file = m_dir.write("setup.exe", "dialer");
  if (!makeUnremovable(file)) GTEST_SKIP() << "no immutable attribute on this file system";
  EXPECT_EQ(CleanIt(file.c_str()), kCleanPending);
  // The user replaces the file before the next start; the old one lives on elsewhere, so the
  // new one surely has another inode.
  ASSERT_TRUE(setImmutable(file, false));
  fs::rename(file, m_dir.path() / "old.exe");
  m_dir.write("setup.exe", "the user's new program");
  startAgain();
  EXPECT_EQ(readWhole(file), "the user's new program");
  EXPECT_FALSE(fs::exists(m_list));
}

TEST_F(CleanIt_, AppendsWholeRecordsAfterATornOne) {
  const fs::path file = m_dir.write("x.exe", "MZ");
  if (!makeUnremovable(file)) GTEST_SKIP() << "no immutable attribute on this file system";
  fs::create_directories(m_list.parent_path());
  {
    std::ofstream(m_list, std::ios::binary) << "12:/cut-sho";  // a write cut short
  }
  EXPECT_EQ(CleanIt(file.c_str()), kCleanPending);
  EXPECT_EQ(records(m_list),
            (std::vector<std::string>{"12:/cut-sho", inodeOf(file) + ":" + file.string()}));
  ASSERT_TRUE(setImmutable(file, false));
  startAgain();
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(m_list));
}

TEST_F(CleanIt_, KeepsEveryDistinctRecordOnlyOnce) {
  const fs::path file = m_dir.write("x.exe", "MZ");
  if (!makeUnremovable(file)) GTEST_SKIP() << "no immutable attribute on this file system";
  const std::string withInode = inodeOf(file) + ":" + file.string();
  const std::string withoutInode = ":" + file.string();  // stands inside the record above
  fs::create_directories(m_list.parent_path());
  {
    std::ofstream list(m_list, std::ios::binary);
    for (const std::string& record : {withInode, withoutInode, withInode}) list << record << '\0';
  }
  startAgain();  // still blocked: both distinct records stay, the repeated one goes
  ASSERT_TRUE(setImmutable(file, false));
  EXPECT_EQ(records(m_list), (std::vector<std::string>{withInode, withoutInode}));
}

TEST_F(CleanIt_, ReadOnlyMountCountsAsNotNow) {
  // Runs in a child of its own so that the private mount namespace ends with it.
  const fs::path mountPoint = m_dir.path() / "ro";
  fs::create_directory(mountPoint);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
      ::_exit(77);
    const std::string file = (mountPoint / "ro.exe").string();
    std::ofstream(file) << "MZ";
    if (::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
      ::_exit(77);
    const int result = CleanIt(file.c_str());
    const bool kept = ::access(file.c_str(), F_OK) == 0;
    ::_exit(result == kCleanPending && kept ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot mount here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const auto list = records(m_list);
  ASSERT_EQ(list.size(), 1U);
  EXPECT_EQ(list[0].substr(list[0].find(':') + 1), (mountPoint / "ro.exe").string());
  startAgain();  // the file lived in the child's namespace: nothing at that path now
  EXPECT_FALSE(fs::exists(m_list));
}
