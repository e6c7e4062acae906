#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "sigmatch/fake_source.h"
#include "sigmatch/fingerprint.h"
#include "sigmatch/signature_loader.h"
#include "sigmatch/test_files.h"
#include "support/as_ordinary_user.h"

namespace {

using sigtest::rawRecord;
using sigtest::record;
using sigtest::scan;
using sigtest::TempDir;
using sigtest::writeFile;
using Status = sigmatch::LoadedSignatures::Status;

using Pair = std::pair<std::string, std::string>;

const std::string kFpA = "0123456789abcdef0123456789abcdef";
const std::string kFpB = "fedcba9876543210fedcba9876543210";

std::vector<Pair> texts(const std::vector<sigmatch::SignatureRecord>& records) {
  std::vector<Pair> out;
  for (const auto& r : records) {
    out.emplace_back(std::string(r.dialerName.view()), std::string(r.fingerprint.view()));
  }
  return out;
}

struct LoadCase {
  const char* name;
  std::string file;
  std::vector<Pair> records;
};

class SignatureFile : public testing::TestWithParam<LoadCase> {};

TEST_P(SignatureFile, LoadsItsWholeRecordsInFileOrder) {
  TempDir dir;
  const std::string path = dir.file("orv.sig");
  writeFile(path, GetParam().file);

  const sigmatch::LoadedSignatures loaded = sigmatch::loadSignatureFile(path.c_str());
  EXPECT_EQ(loaded.status, Status::Complete);
  EXPECT_EQ(texts(loaded.records), GetParam().records);
  EXPECT_EQ(InitDialersDatabase(path.c_str()), int(GetParam().records.size()));
}

const std::string k50(50, 'N');
const std::string k32 = kFpA;

INSTANTIATE_TEST_SUITE_P(
    Cases, SignatureFile,
    testing::Values(
        LoadCase{"one_record", record("Dialer A", kFpA), {{"Dialer A", kFpA}}},
        LoadCase{"two_records_exactly",
                 record("A", kFpA) + record("B", kFpB),
                 {{"A", kFpA}, {"B", kFpB}}},
        LoadCase{"trailing_bytes_are_ignored",
                 record("A", kFpA) + record("B", kFpB) + record("C", kFpA) + std::string(50, 'x'),
                 {{"A", kFpA}, {"B", kFpB}, {"C", kFpA}}},
        LoadCase{"trailing_83_bytes",
                 record("A", kFpA) + record("B", kFpB).substr(0, 83),
                 {{"A", kFpA}}},
        // Lengths above the capacity count as the capacity.
        LoadCase{"long_length_bytes", rawRecord(200, k50, 40, k32), {{k50, k32}}},
        LoadCase{"zero_lengths_ignore_the_areas", rawRecord(0, "Name", 0, kFpA, 'q'), {{"", ""}}},
        LoadCase{"filler_is_ignored", rawRecord(3, "Abc", 2, "ab", '\xff'), {{"Abc", "ab"}}},
        LoadCase{
            "latin1_bytes_survive", record("W\xe4hler \xdc", kFpA), {{"W\xe4hler \xdc", kFpA}}},
        LoadCase{"duplicates_are_kept_in_order",
                 record("First", kFpA) + record("Second", kFpA) + record("First", kFpA),
                 {{"First", kFpA}, {"Second", kFpA}, {"First", kFpA}}},
        LoadCase{"empty_file", "", {}},
        LoadCase{"shorter_than_a_record", record("A", kFpA).substr(0, 83), {}}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

// Whatever went wrong, table and count agree: nothing is left of the previous table and
// nothing is found.
TEST(SignatureDatabase, IsEmptyWhenTheFileCannotBeRead) {
  TempDir dir;
  const std::string good = dir.file("good.sig");
  const std::string exe = dir.file("dialer.exe");
  writeFile(exe, sigtest::fileBytes(3000));
  writeFile(good, record("Dialer", std::string(sigmatch::computeFingerprint(exe.c_str()).view())) +
                      record("Leer", ""));
  std::filesystem::create_directory(dir.file("folder.sig"));
  ASSERT_EQ(::mkfifo(dir.file("pipe.sig").c_str(), 0600), 0);

  for (const std::string& bad : {dir.file("missing.sig"), dir.file("folder.sig"),
                                 dir.file("pipe.sig"), std::string("/dev/zero"), std::string()}) {
    ASSERT_EQ(InitDialersDatabase(good.c_str()), 2);
    ASSERT_EQ(scan(exe), "Dialer");
    EXPECT_EQ(InitDialersDatabase(bad.c_str()), 0) << bad;
    EXPECT_EQ(scan(exe), "OK") << bad;
    EXPECT_EQ(scan(dir.file("missing.exe")), "OK") << bad;
  }
  ASSERT_EQ(InitDialersDatabase(good.c_str()), 2);
  EXPECT_EQ(InitDialersDatabase(nullptr), 0);
  EXPECT_EQ(scan(exe), "OK");
}

TEST(SignatureDatabase, IsEmptyWhenTheFileHasNoReadPermission) {
  TempDir dir;
  const std::string path = dir.file("locked.sig");
  writeFile(path, record("A", kFpA));
  ::chmod(path.c_str(), 0);
  const OrdinaryUserRun outcome =
      runAsOrdinaryUser(dir.file(""), [&] { return InitDialersDatabase(path.c_str()) == 0; });
  if (outcome == OrdinaryUserRun::CannotDropRoot || outcome == OrdinaryUserRun::CannotReachFolder)
    GTEST_SKIP() << "no ordinary user to check file permissions with";
  EXPECT_EQ(outcome, OrdinaryUserRun::Held);
}

TEST(SignatureDatabase, ALoadReplacesTheTableBefore) {
  TempDir dir;
  const std::string exeA = dir.file("a.exe");
  const std::string exeB = dir.file("b.exe");
  writeFile(exeA, sigtest::fileBytes(700, "MZ", 1));
  writeFile(exeB, sigtest::fileBytes(700, "MZ", 2));
  const std::string fpA(sigmatch::computeFingerprint(exeA.c_str()).view());
  const std::string fpB(sigmatch::computeFingerprint(exeB.c_str()).view());

  std::string fileA;
  for (int i = 0; i < 4; ++i) fileA += record("Filler", kFpB);
  fileA += record("From A", fpA);
  writeFile(dir.file("a.sig"), fileA);
  writeFile(dir.file("b.sig"), record("From B", fpB) + record("X", kFpA) + record("Y", kFpA));

  ASSERT_EQ(InitDialersDatabase(dir.file("a.sig").c_str()), 5);
  EXPECT_EQ(scan(exeA), "From A");
  EXPECT_EQ(InitDialersDatabase(dir.file("b.sig").c_str()), 3);
  EXPECT_EQ(scan(exeA), "OK");
  EXPECT_EQ(scan(exeB), "From B");
  EXPECT_EQ(InitDialersDatabase(dir.file("b.sig").c_str()), 3);
}

// A read that fails or ends early keeps exactly the records read in full before it.
TEST(SignatureLoader, KeepsTheWholeRecordsReadBeforeAFailure) {
  std::string five;
  for (int i = 0; i < 5; ++i) five += record("R" + std::to_string(i), kFpA);
  const std::vector<Pair> firstTwo = {{"R0", kFpA}, {"R1", kFpA}};

  struct Case {
    const char* what;
    sigtest::FakeSource source;
    Status status;
    std::size_t count;
  };
  Case cases[] = {
      {"reads of seven bytes", sigtest::FakeSource(five).maxBytesPerRead(7), Status::Complete, 5},
      {"error inside record 2", sigtest::FakeSource(five).failReadsFrom(2 * 84 + 40),
       Status::ReadError, 2},
      {"error at record 2", sigtest::FakeSource(five).failReadsFrom(2 * 84), Status::ReadError, 2},
      {"shrank inside record 2", sigtest::FakeSource(five.substr(0, 2 * 84 + 10)).claimSize(5 * 84),
       Status::ReadError, 2},
      {"error on the first byte", sigtest::FakeSource(five).failReadsFrom(0), Status::ReadError, 0},
      // A length past 32 bits must be read as such, not wrapped or turned negative.
      {"claims 8 GiB", sigtest::FakeSource(five).claimSize(8ull << 30), Status::ReadError, 5},
  };
  for (Case& c : cases) {
    const sigmatch::LoadedSignatures loaded = sigmatch::readSignatureRecords(c.source);
    EXPECT_EQ(loaded.status, c.status) << c.what;
    ASSERT_EQ(loaded.records.size(), c.count) << c.what;
    if (c.count >= 2) {
      EXPECT_EQ(texts({loaded.records[0], loaded.records[1]}), firstTwo) << c.what;
    }
  }
}

TEST(SignatureRecord, EncodesWhatTheLoaderDecodes) {
  const sigmatch::RawRecord raw = sigmatch::encodeRecord("ORV-Testdialer (harmlos)", kFpA);
  EXPECT_EQ(std::string(raw.begin(), raw.end()), record("ORV-Testdialer (harmlos)", kFpA));
  const sigmatch::SignatureRecord decoded = sigmatch::decodeRecord(raw.data());
  EXPECT_EQ(decoded.dialerName.view(), "ORV-Testdialer (harmlos)");
  EXPECT_EQ(decoded.fingerprint.view(), kFpA);
}

}  // namespace
