// orv-sig run as a real process, its output checked, and what it writes read back
// through the library that matches files against it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <vector>

#include "sigmatch/signature_key.h"
#include "sigmatch/test_files.h"

extern char** environ;

namespace {

using sigtest::fileBytes;
using sigtest::readFile;
using sigtest::record;
using sigtest::scan;
using sigtest::TempDir;
using sigtest::writeFile;

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

ToolRun runTool(const TempDir& dir, std::vector<std::string> args) {
  const std::string tool = sigtest::binaryPath("bin/orv-sig");
  const std::string outPath = dir.file("stdout.txt");
  const std::string errPath = dir.file("stderr.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  args.insert(args.begin(), tool);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  ToolRun run;
  pid_t pid;
  const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  return run;
}

class OrvSig : public testing::Test {
 protected:
  void SetUp() override {
    writeFile(m_exeA, fileBytes(3000, "MZ", 1));
    writeFile(m_exeB, fileBytes(12000, "ZM", 2));
    writeFile(m_text, "plain text");
  }
  ToolRun run(std::vector<std::string> args) { return runTool(m_dir, std::move(args)); }
  std::string fingerprintFromList(const std::string& listing, int index) {
    const std::string prefix = std::to_string(index) + "\t";
    const auto line = listing.find(prefix);
    if (line == std::string::npos) return {};
    return listing.substr(listing.find('\t', line + prefix.size()) + 1, 32);
  }

  TempDir m_dir;
  std::string m_sig = m_dir.file("orv.sig");
  std::string m_exeA = m_dir.file("a.exe");
  std::string m_exeB = m_dir.file("b.exe");
  std::string m_text = m_dir.file("text.exe");
};

TEST_F(OrvSig, AddedSignaturesAreFoundByTheLibraryAndListed) {
  ToolRun add = run({"add", m_sig, "Dialer A", m_exeA});
  ASSERT_EQ(add.exitCode, 0) << add.err;
  EXPECT_NE(add.out.find("added record 0"), std::string::npos) << add.out;
  add = run({"add", m_sig, "Dialer B", m_exeB, m_exeA});
  ASSERT_EQ(add.exitCode, 0) << add.err;
  EXPECT_NE(add.err.find("same fingerprint as record 0"), std::string::npos) << add.err;

  ASSERT_EQ(InitDialersDatabase(m_sig.c_str()), 3);
  EXPECT_EQ(scan(m_exeA), "Dialer A");
  EXPECT_EQ(scan(m_exeB), "Dialer B");
  EXPECT_EQ(scan(m_text), "OK");

  const ToolRun list = run({"list", m_sig});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  const std::string fpA = fingerprintFromList(list.out, 0);
  const std::string fpB = fingerprintFromList(list.out, 1);
  EXPECT_EQ(list.out, "0\tDialer A\t" + fpA + "\n" + "1\tDialer B\t" + fpB + "\n" +
                          "2\tDialer B\t" + fpA +
                          "\tnever reported: record 0 has the same fingerprint\n3 records\n");
  // The listed fingerprints are the ones the library matches on.
  writeFile(m_sig, record("Check A", fpA) + record("Check B", fpB));
  ASSERT_EQ(InitDialersDatabase(m_sig.c_str()), 2);
  EXPECT_EQ(scan(m_exeA), "Check A");
  EXPECT_EQ(scan(m_exeB), "Check B");
}

TEST_F(OrvSig, StoresNamesAsSingleBytesAndListsThemReadably) {
  const std::string fiftyBytes = "\xc3\xa4" + std::string(49, 'x');  // "ä" is one byte stored
  ASSERT_EQ(run({"add", m_sig, "W\xc3\xa4hler \xe2\x80\x93 Test", m_exeA}).exitCode, 0);
  ASSERT_EQ(run({"add", m_sig, fiftyBytes, m_exeB}).exitCode, 0);
  ASSERT_EQ(InitDialersDatabase(m_sig.c_str()), 2);
  EXPECT_EQ(scan(m_exeA), "W\xe4hler \x96 Test");
  EXPECT_EQ(scan(m_exeB), "\xe4" + std::string(49, 'x'));
  const ToolRun list = run({"list", m_sig});
  EXPECT_NE(list.out.find("0\tW\xc3\xa4hler \xe2\x80\x93 Test\t"), std::string::npos) << list.out;
}

// A refused add leaves the signature file byte for byte as it was.
TEST_F(OrvSig, RefusesWhatCannotBeAddedAndChangesNothing) {
  const std::string before = record("Alt", std::string(32, 'a'));
  std::filesystem::create_directory(m_dir.file("folder"));
  std::filesystem::create_directory(m_dir.file("folder.sig"));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
    std::string sigContents;
  };
  const Case cases[] = {
      {{"add", m_sig, "Name", m_text}, 1, "not an executable", before},
      {{"add", m_sig, "Name", m_exeA, m_text}, 1, "nothing was added", before},
      {{"add", m_sig, "Name", m_dir.file("missing.exe")}, 1, "cannot open", before},
      {{"add", m_sig, "Name", m_dir.file("folder")}, 1, "not a regular file", before},
      {{"add", m_sig, std::string(51, 'n'), m_exeA}, 2, "at most 50", before},
      {{"add", m_sig, "OK", m_exeA}, 2, "clean result", before},
      {{"add", m_sig, "", m_exeA}, 2, "empty", before},
      {{"add", m_sig, "Line\nbreak", m_exeA}, 2, "control characters", before},
      {{"add", m_sig, "Dialer \xe2\x82\xac\xf0\x9f\x93\x9e", m_exeA}, 2, "Windows-1252", before},
      {{"add", m_sig, "Name", m_exeA}, 1, "whole record", before + "12345"},
      {{"add", m_dir.file("folder.sig"), "Name", m_exeA}, 1, "not a regular file", before},
  };
  for (const Case& c : cases) {
    writeFile(m_sig, c.sigContents);
    const ToolRun r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.message;
    EXPECT_EQ(readFile(m_sig), c.sigContents) << c.message;
  }
}

TEST_F(OrvSig, ListFlagsRecordsThatDoNotBehaveLikeSignatures) {
  const std::string good(32, 'b');
  writeFile(m_sig, record("Gut", good) + record("Gross", std::string(32, 'B')) +
                       record("Kurz", "abc") + record("Leer", "") + record("Doppelt", good) +
                       record("OK", std::string(32, 'c')) +
                       record("Tab\there", std::string(32, 'd')) + "xyz");
  const ToolRun list = run({"list", m_sig});
  EXPECT_EQ(list.exitCode, 0);
  const std::string never = "never matches: the fingerprint is not 32 lower-case hex digits";
  EXPECT_EQ(list.out, "0\tGut\t" + good + "\n" +                                       //
                          "1\tGross\t" + std::string(32, 'B') + "\t" + never + "\n" +  //
                          "2\tKurz\tabc\t" + never + "\n" +                            //
                          "3\tLeer\t\tempty fingerprint: matches every file that has none\n" +
                          "4\tDoppelt\t" + good +
                          "\tnever reported: record 0 has the same fingerprint\n" +  //
                          "5\tOK\t" + std::string(32, 'c') +
                          "\tthe name cannot be told apart from a clean result\n" +  //
                          "6\tTab\\x09here\t" + std::string(32, 'd') + "\n" +        //
                          "7 records\n");
  EXPECT_NE(list.err.find("last 3 bytes"), std::string::npos) << list.err;
}

TEST_F(OrvSig, AnswersUsageAndMissingFilesWithTheRightExitCode) {
  writeFile(m_dir.file("empty.sig"), "");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string output;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: orv-sig add SIGFILE NAME FILE..."},
      {{"add", "--help"}, 0, "Exit status"},
      {{"list", m_dir.file("empty.sig")}, 0, "0 records"},
      {{}, 2, "no command given"},
      {{"frobnicate"}, 2, "unknown command"},
      {{"add", m_sig, "Name"}, 2, "at least one FILE"},
      {{"list"}, 2, "exactly one SIGFILE"},
      {{"list", m_dir.file("missing.sig")}, 1, "cannot open"},
  };
  for (const Case& c : cases) {
    const ToolRun r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.output;
    EXPECT_NE((r.out + r.err).find(c.output), std::string::npos) << r.out << r.err;
  }
}

}  // namespace
