// orv-scan run as the real program over real trees: exit status, both output formats, the
// escaped names, and the files a scan must neither wait on nor follow.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "sigmatch/fingerprint.h"
#include "sigmatch/test_files.h"
#include "support/as_ordinary_user.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using sigtest::binaryPath;
using sigtest::readFile;
using sigtest::sourcePath;
using sigtest::writeFile;

const std::string kDialerName = "ORV-Testdialer (harmlos)";
const std::string kDialerContent =
    "Programm wählt oder erstellt DFÜ Verbindungen und enthält Hinweise auf verdächtige "
    "Telefonnummern";

struct ScanRun {
  int exit = -1;  // -2: still running after 30 s, then killed
  std::string out;
  std::string err;
  std::vector<std::string> lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

// Runs `program` with `args`; its output goes through files in `scratch`.
ScanRun runProgram(const fs::path& scratch, std::vector<std::string> args,
                   const std::string& program = binaryPath("bin/orv-scan")) {
  const std::string out = (scratch / "stdout").string(), err = (scratch / "stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  ScanRun result;
  pid_t pid;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.exit = -2;
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readFile(out);
  result.err = readFile(err);
  return result;
}

QJsonObject json(const std::string& line) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

class OrvScan : public testing::Test {
 protected:
  // The shipped test dialer at `relative` below the tree.
  std::string dialer(const std::string& relative) {
    const fs::path path = m_tree / relative;
    fs::create_directories(path.parent_path());
    fs::copy_file(m_dialer, path, fs::copy_options::overwrite_existing);
    return path.string();
  }
  ScanRun scan(std::vector<std::string> args) {
    args.insert(args.begin(), {"--signatures", m_signatures});
    return runProgram(m_dir.path(), args);
  }

  sigtest::TempDir m_dir{"orv-scan-test"};
  fs::path m_tree = m_dir.path() / "tree";
  std::string m_dialer = sourcePath("data/samples/orv-testdialer.exe");
  std::string m_signatures = sourcePath("data/orv.sig");
};

TEST_F(OrvScan, ExitStatusSaysCleanFoundOrError) {
  dialer("found/x.exe");
  writeFile((m_tree / "clean.exe").string(), "MZ plain");
  const std::string clean = (m_tree / "clean.exe").string(), found = (m_tree / "found").string();
  const std::string missing = (m_tree / "missing").string(), fifo = (m_tree / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  writeFile(m_dir.file("empty.sig"), "");
  const struct {
    std::vector<std::string> args;
    int exit;
  } cases[] = {
      {{"--signatures", m_signatures, clean}, 0},
      {{"--signatures", m_signatures, found}, 1},
      {{"--signatures", m_signatures, missing}, 2},
      {{"--signatures", m_signatures, missing, found}, 1},  // a finding is never hidden
      {{"--signatures", m_signatures, fifo}, 2},            // named, but never opened
      {{"--signatures", m_dir.file("none.sig"), found}, 2},
      {{"--signatures", m_dir.file("empty.sig"), found}, 2},
      {{"--signatures", fifo, found}, 2},
      {{"--signatures", m_signatures}, 2},
      {{"--signatures", m_signatures, "--frobnicate", found}, 2},
  };
  for (const auto& c : cases) {
    const ScanRun result = runProgram(m_dir.path(), c.args);
    EXPECT_EQ(result.exit, c.exit) << c.args.back() << "\n" << result.err;
    if (c.exit == 2) {
      EXPECT_NE(result.err.find("orv-scan: "), std::string::npos) << result.err;
    }
  }
}

TEST_F(OrvScan, ShippedTestDialerIsFoundByBothChecks) {
  const std::string path = dialer("sub/Setup.EXE");
  EXPECT_EQ(scan({m_tree.string()}).out, path + ": " + kDialerName + "\n");
  const ScanRun both = scan({"--heuristic", m_tree.string()});
  EXPECT_EQ(both.exit, 1);
  EXPECT_EQ(both.out,
            path + ": " + kDialerName + "\n" + path + ": heuristic: " + kDialerContent + "\n");
  EXPECT_NE(both.err.find("findings:   2\n"), std::string::npos) << both.err;
  EXPECT_TRUE(scan({"--quiet", m_tree.string()}).err.empty());
}

TEST_F(OrvScan, JsonLinesParseBackWithTheSummaryLast) {
  const std::string path = dialer("a/b/dialer.exe");
  writeFile((m_tree / "a/readme.txt").string(), "text");
  writeFile((m_tree / "a/clean.exe").string(), "MZ plain");
  const ScanRun result = scan({"--json", "--heuristic", m_tree.string()});
  const std::vector<std::string> lines = result.lines();
  ASSERT_EQ(lines.size(), 3u) << result.out;
  std::set<std::pair<QString, QString>> findings;
  for (int i = 0; i < 2; ++i) {
    const QJsonObject finding = json(lines[i]);
    EXPECT_EQ(finding[QStringLiteral("type")], QStringLiteral("finding"));
    EXPECT_EQ(finding[QStringLiteral("path")].toString().toStdString(), path);
    findings.emplace(finding[QStringLiteral("check")].toString(),
                     finding[QStringLiteral("finding")].toString());
  }
  const std::set<std::pair<QString, QString>> expected{
      {QStringLiteral("signature"), QString::fromStdString(kDialerName)},
      {QStringLiteral("heuristic"), QString::fromStdString(kDialerContent)}};
  EXPECT_EQ(findings, expected);
  const QJsonObject summary = json(lines[2]);
  EXPECT_EQ(summary[QStringLiteral("type")], QStringLiteral("summary"));
  const std::pair<const char*, int> counts[] = {
      {"folders", 3}, {"files", 3}, {"examined", 2}, {"findings", 2}, {"unreadable", 0}};
  for (const auto& [key, value] : counts)
    EXPECT_EQ(summary[QLatin1String(key)].toInt(-1), value) << key;
  EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST_F(OrvScan, NamesAreWrittenUnambiguously) {
  const struct {
    std::string name, text;
  } cases[] = {
      {"new\nline.exe", "new\\nline.exe"},
      {"back\\slash.exe", "back\\\\slash.exe"},
      {"stray\xff.exe", "stray\\xFF.exe"},
      {"\xe2\x80\xaegnp.exe", "\\u202Egnp.exe"},  // would show the name backwards
  };
  std::set<std::string> expected;
  for (const auto& c : cases) expected.insert((m_tree / c.text).string() + ": " + kDialerName);
  for (const auto& c : cases) dialer(c.name);
  const std::vector<std::string> lines = scan({m_tree.string()}).lines();
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);

  // JSON holds the exact name, and the exact bytes where text cannot.
  for (const std::string& line : scan({"--json", "--quiet", m_tree.string()}).lines()) {
    const QJsonObject finding = json(line);
    const std::string name =
        fs::path(finding[QStringLiteral("path")].toString().toStdString()).filename().string();
    if (finding.contains(QStringLiteral("path_hex"))) {
      EXPECT_EQ(QByteArray::fromHex(finding[QStringLiteral("path_hex")].toString().toLatin1()),
                QByteArray::fromStdString((m_tree / "stray\xff.exe").string()));
    } else {
      EXPECT_TRUE(name == cases[0].name || name == cases[1].name || name == cases[3].name) << name;
    }
  }
}

// A fifo named like a program would keep a scan waiting for ever if it were opened; links
// that lead back up or to themselves would keep it walking.
TEST_F(OrvScan, FifosAndLinkLoopsAreNeitherOpenedNorFollowed) {
  const std::string path = dialer("a/dialer.exe");
  ASSERT_EQ(mkfifo((m_tree / "wait.exe").c_str(), 0600), 0);
  fs::create_directory_symlink("..", m_tree / "a/up");
  fs::create_symlink("self.exe", m_tree / "a/self.exe");
  const ScanRun result = scan({"--json", m_tree.string()});
  ASSERT_EQ(result.exit, 1);
  std::map<QString, QString> paths;  // of each record's type, the last one's path
  for (const std::string& line : result.lines())
    paths[json(line)[QStringLiteral("type")].toString()] =
        json(line)[QStringLiteral("path")].toString();
  EXPECT_EQ(paths[QStringLiteral("finding")].toStdString(), path);
  EXPECT_EQ(paths[QStringLiteral("unreadable")].toStdString(), (m_tree / "a/self.exe").string());
  const QJsonObject summary = json(result.lines().back());
  EXPECT_EQ(summary[QStringLiteral("examined")].toInt(), 1);
  EXPECT_EQ(summary[QStringLiteral("unreadable")].toInt(), 1);  // the loop, not the fifo
  EXPECT_NE(result.out.find("Too many levels of symbolic links"), std::string::npos);
}

// Inside a folder only .exe files are examined; a file named on the command line always is.
TEST_F(OrvScan, NamedFileIsExaminedWhateverItsName) {
  const std::string path = m_tree.string() + "/download.bin";
  fs::create_directories(m_tree);
  fs::copy_file(m_dialer, path);
  EXPECT_EQ(scan({m_tree.string()}).exit, 0);
  EXPECT_EQ(scan({path}).out, path + ": " + kDialerName + "\n");
}

// Results come in the order of the paths and of the walk, however many threads examine.
TEST_F(OrvScan, OrderDoesNotDependOnThreads) {
  for (int i = 0; i < 300; ++i)
    dialer("p" + std::to_string(i % 2) + "/d" + std::to_string(i % 7) + "/" + std::to_string(i) +
           ".exe");
  const std::string first = (m_tree / "p1").string(), second = (m_tree / "p0").string();
  const ScanRun one = scan({"--threads", "1", first, second});
  ASSERT_EQ(one.lines().size(), 300u);
  EXPECT_EQ(one.lines().front().rfind(first, 0), 0u);
  EXPECT_EQ(one.lines().back().rfind(second, 0), 0u);
  EXPECT_EQ(scan({"--threads", "4", first, second}).out, one.out);
}

TEST_F(OrvScan, UnreadableFilesAndFoldersAreCountedNotFatal) {
  dialer("open/dialer.exe");
  writeFile((m_tree / "locked.exe").string(), "MZ");
  fs::create_directories(m_tree / "shut");
  chmod((m_tree / "locked.exe").c_str(), 0);
  chmod((m_tree / "shut").c_str(), 0);
  fs::create_directories(m_dir.path() / "out");
  chmod((m_dir.path() / "out").c_str(), 0777);
  chmod(m_tree.c_str(), 0755);
  ScanRun inTree, asPath;
  const OrdinaryUserRun outcome = runAsOrdinaryUser(m_dir.path().string(), [&] {
    inTree = runProgram(m_dir.path() / "out", {"--signatures", m_signatures, m_tree.string()});
    asPath = runProgram(m_dir.path() / "out",
                        {"--signatures", m_signatures, (m_tree / "shut").string()});
    return inTree.exit == 1 &&
           inTree.err.find("locked.exe: cannot read: Permission denied") != std::string::npos &&
           inTree.err.find("shut: cannot list folder: Permission denied") != std::string::npos &&
           inTree.err.find("unreadable: 2\n") != std::string::npos && asPath.exit == 2;
  });
  chmod((m_tree / "shut").c_str(), 0755);
  if (outcome == OrdinaryUserRun::CannotDropRoot || outcome == OrdinaryUserRun::CannotReachFolder)
    GTEST_SKIP() << "no ordinary user to check permissions with";
  EXPECT_EQ(outcome, OrdinaryUserRun::Held);
}

// Without --signatures: the file installed beside the program, else the user's own.
TEST_F(OrvScan, DefaultSignaturesBesideTheProgramElseTheUsers) {
  const fs::path installed = m_dir.path() / "usr", userData = m_dir.path() / "data";
  fs::create_directories(installed / "bin");
  fs::copy_file(binaryPath("bin/orv-scan"), installed / "bin/orv-scan");
  fs::create_directory_symlink(binaryPath("lib"), installed / "lib");
  const std::string fingerprint(sigmatch::computeFingerprint(m_dialer.c_str()).view());
  const std::string dialerPath = dialer("d.exe");
  const auto scanInstalled = [&] {
    return runProgram(m_dir.path(),
                      {"HOME=/nonexistent", "XDG_DATA_HOME=" + userData.string(),
                       (installed / "bin/orv-scan").string(), dialerPath},
                      "/usr/bin/env");
  };

  EXPECT_EQ(scanInstalled().exit, 2);
  fs::create_directories(userData / "orv");
  writeFile((userData / "orv/orv.sig").string(), sigtest::record("User", fingerprint));
  EXPECT_EQ(scanInstalled().out, dialerPath + ": User\n");
  fs::create_directories(installed / "share/orv");
  writeFile((installed / "share/orv/orv.sig").string(), sigtest::record("Installed", fingerprint));
  EXPECT_EQ(scanInstalled().out, dialerPath + ": Installed\n");
}

}  // namespace
