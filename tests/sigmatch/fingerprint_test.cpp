#include <gtest/gtest.h>
#include <QByteArray>
#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "sigmatch/descriptor_source.h"
#include "sigmatch/fake_source.h"
#include "sigmatch/fingerprint.h"
#include "sigmatch/test_files.h"
#include "support/as_ordinary_user.h"
#include "unique_fd.h"

namespace {

using sigtest::fileBytes;
using sigtest::record;
using sigtest::scan;
using sigtest::TempDir;
using sigtest::writeFile;

std::string referenceMd5Hex(std::string_view bytes) {
  return QCryptographicHash::hash(QByteArray(bytes.data(), int(bytes.size())),
                                  QCryptographicHash::Md5)
      .toHex()
      .toStdString();
}

// The bytes the fingerprint of an executable covers, row by row of the size table.
std::string hashedBytes(const std::string& file) {
  const std::size_t size = file.size();
  if (size <= 1023) return file;
  if (size <= 2047) return file.substr(size / 2, size / 2);
  if (size <= 5120) return file.substr(size / 2, 1024);
  return file.substr(4096, 1024) + file.substr(size / 2, 1024);
}

std::string fingerprintOf(const std::string& path) {
  return std::string(sigmatch::computeFingerprint(path.c_str()).view());
}

struct ChunkCase {
  std::uint64_t size;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> chunks;
};

class FingerprintChunks : public testing::TestWithParam<ChunkCase> {};

TEST_P(FingerprintChunks, FollowTheChunkRule) {
  const sigmatch::FingerprintChunks plan = sigmatch::fingerprintChunks(GetParam().size);
  std::vector<std::pair<std::uint64_t, std::uint32_t>> chunks;
  for (int i = 0; i < plan.count; ++i) {
    chunks.emplace_back(plan.chunks[i].offset, plan.chunks[i].length);
  }
  EXPECT_EQ(chunks, GetParam().chunks);
}

constexpr std::uint64_t kGiB = 1ull << 30;

INSTANTIATE_TEST_SUITE_P(
    BySize, FingerprintChunks,
    testing::Values(ChunkCase{2, {{0, 2}}}, ChunkCase{1023, {{0, 1023}}},
                    ChunkCase{1024, {{512, 512}}}, ChunkCase{1025, {{512, 512}}},
                    ChunkCase{2047, {{1023, 1023}}}, ChunkCase{2048, {{1024, 1024}}},
                    ChunkCase{5120, {{2560, 1024}}}, ChunkCase{5121, {{4096, 1024}, {2560, 1024}}},
                    ChunkCase{8192, {{4096, 1024}, {4096, 1024}}},
                    ChunkCase{10239, {{4096, 1024}, {5119, 1024}}},
                    // Sizes a 32-bit signed length would turn negative or small.
                    ChunkCase{2 * kGiB, {{4096, 1024}, {kGiB, 1024}}},
                    ChunkCase{4 * kGiB + 2, {{4096, 1024}, {2 * kGiB + 1, 1024}}},
                    ChunkCase{~0ull, {{4096, 1024}, {~0ull / 2, 1024}}}));

// Real files at every boundary of the chunk rule, against an independent MD5 of the bytes
// each size must cover, and the same files found by name through the library and read
// through a descriptor.
TEST(Fingerprint, CoversTheRightBytesAtEverySizeBoundary) {
  const std::vector<std::size_t> sizes = {
      2,    3,    511,  1023, 1024, 1025, 1026, 2046,  2047,  2048,  2049,  4095,  4096,   5119,
      5120, 5121, 5122, 6143, 8191, 8192, 8193, 10238, 10239, 10240, 10241, 65536, 1000001};
  TempDir dir;
  std::string signatures;
  for (std::size_t size : sizes) {
    const std::string path = dir.file("size" + std::to_string(size) + ".exe");
    const std::string bytes = fileBytes(size);
    writeFile(path, bytes);
    const std::string expected = referenceMd5Hex(hashedBytes(bytes));
    EXPECT_EQ(fingerprintOf(path), expected) << "size " << size;
    signatures += record("size " + std::to_string(size), expected);
    // From a file the caller opened, with none, the first or all of its bytes read before.
    const orv::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    const auto* head = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t read : {std::size_t{0}, std::min<std::size_t>(size, 5120), size}) {
      sigmatch::DescriptorSource source(file.get(), size, head, read);
      EXPECT_EQ(sigmatch::computeFingerprint(source).view(), expected)
          << "size " << size << ", " << read << " bytes read before";
    }
  }

  writeFile(dir.file("orv.sig"), signatures);
  ASSERT_EQ(InitDialersDatabase(dir.file("orv.sig").c_str()), int(sizes.size()));
  for (std::size_t size : sizes) {
    EXPECT_EQ(scan(dir.file("size" + std::to_string(size) + ".exe")),
              "size " + std::to_string(size));
  }
}

TEST(Fingerprint, IgnoresBytesOutsideTheChunks) {
  TempDir dir;
  const std::string original = fileBytes(10000);
  std::string outside = original;
  outside[100] ^= 1;   // before the first chunk
  outside[9999] ^= 1;  // after the second
  std::string inside = original;
  inside[4100] ^= 1;  // inside the chunk at 4096
  writeFile(dir.file("a.exe"), original);
  writeFile(dir.file("b.exe"), outside);
  writeFile(dir.file("c.exe"), inside);
  EXPECT_EQ(fingerprintOf(dir.file("a.exe")), fingerprintOf(dir.file("b.exe")));
  EXPECT_NE(fingerprintOf(dir.file("a.exe")), fingerprintOf(dir.file("c.exe")));
}

struct HeadCase {
  const char* name;
  std::string content;
  bool executable;
};

class FingerprintHead : public testing::TestWithParam<HeadCase> {};

// Files without a fingerprint match only a record with an empty fingerprint.
TEST_P(FingerprintHead, DecidesWhetherAFileHasAFingerprint) {
  TempDir dir;
  const std::string path = dir.file("file.exe");
  writeFile(path, GetParam().content);
  const std::string fingerprint = fingerprintOf(path);
  EXPECT_EQ(!fingerprint.empty(), GetParam().executable);
  if (GetParam().executable) {
    EXPECT_EQ(fingerprint, referenceMd5Hex(hashedBytes(GetParam().content)));
  }

  writeFile(dir.file("orv.sig"),
            record("Ohne Fingerabdruck", "") +
                record("Bekannt", referenceMd5Hex(hashedBytes(GetParam().content))));
  ASSERT_EQ(InitDialersDatabase(dir.file("orv.sig").c_str()), 2);
  EXPECT_EQ(scan(path), GetParam().executable ? "Bekannt" : "Ohne Fingerabdruck");
}

INSTANTIATE_TEST_SUITE_P(ByFirstBytes, FingerprintHead,
                         testing::Values(HeadCase{"MZ only", "MZ", true},
                                         HeadCase{"MZ", fileBytes(3000, "MZ"), true},
                                         HeadCase{"ZM", fileBytes(3000, "ZM"), true},
                                         HeadCase{"mz", fileBytes(3000, "mz"), false},
                                         HeadCase{"zm", fileBytes(3000, "zm"), false},
                                         HeadCase{"Mz", fileBytes(3000, "Mz"), false},
                                         HeadCase{"ELF",
                                                  fileBytes(3000,
                                                            "\x7f"
                                                            "ELF"),
                                                  false},
                                         HeadCase{"one byte M", "M", false},
                                         HeadCase{"empty", "", false}),
                         [](const testing::TestParamInfo<HeadCase>& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(Fingerprint, IsEmptyForWhatCannotBeOpenedOrIsNoRegularFile) {
  TempDir dir;
  const std::string fifo = dir.file("pipe.exe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(dir.file("folder.exe"));

  ASSERT_EQ(InitDialersDatabase(dir.file("no-signatures.sig").c_str()), 0);
  // A pipe without writer must not make the scan wait.
  for (const std::string& path :
       {dir.file("missing.exe"), dir.file("folder.exe"), fifo, std::string("/dev/zero")}) {
    EXPECT_EQ(fingerprintOf(path), "") << path;
    EXPECT_EQ(scan(path), "OK") << path;
  }
  EXPECT_EQ(sigmatch::computeFingerprint(static_cast<const char*>(nullptr)).length, 0);
}

TEST(Fingerprint, IsEmptyForAFileWithoutReadPermission) {
  TempDir dir;
  const std::string path = dir.file("locked.exe");
  writeFile(path, fileBytes(3000));
  ::chmod(path.c_str(), 0);
  const OrdinaryUserRun outcome =
      runAsOrdinaryUser(dir.file(""), [&] { return fingerprintOf(path).empty(); });
  if (outcome == OrdinaryUserRun::CannotDropRoot || outcome == OrdinaryUserRun::CannotReachFolder)
    GTEST_SKIP() << "no ordinary user to check file permissions with";
  EXPECT_EQ(outcome, OrdinaryUserRun::Held);
}

// Short reads are no error; a chunk that cannot be read in full yields no digest at all,
// never one over bytes the file does not hold.
TEST(Fingerprint, NeedsEveryChunkInFull) {
  const std::string bytes = fileBytes(6000);
  const std::string expected = referenceMd5Hex(hashedBytes(bytes));

  sigtest::FakeSource trickle(bytes);
  trickle.maxBytesPerRead(7);
  EXPECT_EQ(sigmatch::computeFingerprint(trickle).view(), expected);

  struct Case {
    const char* what;
    sigtest::FakeSource source;
  };
  Case cases[] = {
      {"shrank below the first chunk", sigtest::FakeSource(bytes.substr(0, 3000)).claimSize(6000)},
      {"shrank inside the second chunk",
       sigtest::FakeSource(bytes.substr(0, 3500)).claimSize(6000)},
      {"shrank below the middle of a small file",
       sigtest::FakeSource(bytes.substr(0, 1500)).claimSize(2000)},
      {"shrank to one byte", sigtest::FakeSource(bytes.substr(0, 1)).claimSize(6000)},
      {"read error in the first chunk", sigtest::FakeSource(bytes).failReadsFrom(4500)},
      {"read error in the second chunk", sigtest::FakeSource(bytes).failReadsFrom(3500)},
      {"read error on the first bytes", sigtest::FakeSource(bytes).failReadsFrom(0)},
  };
  for (Case& c : cases) EXPECT_EQ(sigmatch::computeFingerprint(c.source).length, 0) << c.what;

  // A file that shrank after its first bytes were read: the rest is not made up.
  TempDir dir;
  writeFile(dir.file("shrunk.exe"), bytes.substr(0, 3000));
  const orv::UniqueFd file(::open(dir.file("shrunk.exe").c_str(), O_RDONLY | O_CLOEXEC));
  sigmatch::DescriptorSource shrunk(file.get(), 6000,
                                    reinterpret_cast<const unsigned char*>(bytes.data()), 3000);
  EXPECT_EQ(sigmatch::computeFingerprint(shrunk).length, 0);
}

// A sparse file: "MZ" at the start, known blocks where the two chunks lie, holes elsewhere.
TEST(Fingerprint, UsesTheFullSizeOfFilesOfTwoGibibytesAndMore) {
  TempDir dir;
  std::string signatures;
  const std::vector<std::uint64_t> sizes = {2 * kGiB, 2 * kGiB + 1025, 4 * kGiB + 2, 5 * kGiB + 7};
  for (std::uint64_t size : sizes) {
    const std::string path = dir.file("big" + std::to_string(size) + ".exe");
    const auto seed = static_cast<unsigned>(size % 1000);
    const std::string front = fileBytes(1024, "", seed);
    const std::string middle = fileBytes(1024, "", seed + 1);
    {
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::ftruncate(fd, off_t(size)), 0);
      ASSERT_EQ(::pwrite(fd, "MZ", 2, 0), 2);
      ASSERT_EQ(::pwrite(fd, front.data(), 1024, 4096), 1024);
      ASSERT_EQ(::pwrite(fd, middle.data(), 1024, off_t(size / 2)), 1024);
      ::close(fd);
    }
    const std::string expected = referenceMd5Hex(front + middle);
    EXPECT_EQ(fingerprintOf(path), expected) << size;
    signatures += record("big " + std::to_string(size), expected);
  }
  writeFile(dir.file("orv.sig"), signatures);
  ASSERT_EQ(InitDialersDatabase(dir.file("orv.sig").c_str()), int(sizes.size()));
  for (std::uint64_t size : sizes) {
    EXPECT_EQ(scan(dir.file("big" + std::to_string(size) + ".exe")), "big " + std::to_string(size));
  }
}

}  // namespace
