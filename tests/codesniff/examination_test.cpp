#include "examination.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "file_reader.h"
#include "support/temp_dir.h"

namespace {

using codesniff::examineBlocks;
using codesniff::examineFile;
using codesniff::ExamineOptions;
using codesniff::Findings;

// What searching the whole examined text at once finds, written independently of the
// library: filter, std::string::find, highest group wins.
Findings oneTextDecision(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) text += c;
  auto has = [&](const char* marker) { return text.find(marker) != std::string::npos; };
  Findings findings;
  if (has("RasDialA") || has("RasCreatePhonebookEntryA")) findings.group = 0;
  if (has("CAPIPUTMESSAGE")) findings.group = 1;
  if (has("lineDial") || has("tapiRequest")) findings.group = 2;
  findings.numberPrefix = has("0190") || has("0900");
  return findings;
}

// Hands out `bytes` in pieces of at most `piece` bytes (a short read each time).
codesniff::BlockRead memoryReader(const std::string& bytes, std::size_t piece = SIZE_MAX) {
  auto position = std::make_shared<std::size_t>(0);
  return [&bytes, piece, position](unsigned char* buffer, std::size_t capacity) {
    const std::size_t n = std::min({capacity, piece, bytes.size() - *position});
    std::memcpy(buffer, bytes.data() + *position, n);
    *position += n;
    return static_cast<std::ptrdiff_t>(n);
  };
}

void expectFindings(const Findings& actual, const Findings& expected, const std::string& where) {
  EXPECT_EQ(actual.group, expected.group) << where;
  // Without a group the prefixes make no difference and need not have been looked for.
  if (expected.group >= 0) {
    EXPECT_EQ(actual.numberPrefix, expected.numberPrefix) << where;
  }
}

// Markers cut into parts by separators, placed at random: wherever blocks and searches
// end, and for a file read whole beforehand, the answer must be that of the one text.
TEST(Blocks, AnswerEqualsOneTextWhereverBlocksEnd) {
  const char* markers[] = {"RasDialA",
                           "RasCreatePhonebookEntryA",
                           "CAPI_PUT_MESSAGE",
                           "lineDial",
                           "tapiRequest",
                           "0190",
                           "0900",
                           "RasRasDial",
                           "01901"};
  const std::string filler = "aZ09.\n\xFF\x00-_";
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    std::string bytes;
    while (bytes.size() < 200) {
      if (random() % 8 == 0) {
        const std::string marker = markers[random() % std::size(markers)];
        for (char c : marker) {
          bytes += c;
          if (random() % 6 == 0) bytes += filler[4 + random() % 6];  // a separator
        }
      } else {
        bytes += filler[random() % filler.size()];
      }
    }
    const Findings expected = oneTextDecision(bytes);
    std::string whole = bytes;
    expectFindings(
        codesniff::examineWholeFile(reinterpret_cast<unsigned char*>(whole.data()), whole.size()),
        expected, "round " + std::to_string(round) + " read whole");
    for (std::size_t block : {1, 2, 3, 7, 16, 4096})
      for (std::size_t capacity : {1, 2, 22, 23, 24, 25, 64, 128 * 1024}) {
        ExamineOptions options;
        options.blockSize = block;
        options.textCapacity = capacity;
        expectFindings(examineBlocks(memoryReader(bytes, round % 2 ? 5 : SIZE_MAX), options),
                       expected,
                       "round " + std::to_string(round) + " block " + std::to_string(block) +
                           " capacity " + std::to_string(capacity));
      }
  }
}

// The longest marker at every position around the first read end and the first search
// of the default settings.
TEST(Blocks, LongestMarkerAcrossDefaultBoundaries) {
  const ExamineOptions defaults;
  const std::size_t searchEnd = defaults.textCapacity + 23;
  for (std::size_t boundary : {defaults.blockSize, searchEnd}) {
    for (std::size_t at = boundary - 30; at <= boundary + 2; ++at) {
      std::string bytes(searchEnd + 64 * 1024, 'z');
      bytes.replace(at, 24, "RasCreatePhonebookEntryA");
      EXPECT_EQ(examineBlocks(memoryReader(bytes)).group, 0) << at;
    }
  }
}

TEST(ReadError, AnswersFromWhatWasRead) {
  struct Case {
    std::string before;  // delivered before the error
    std::string after;   // never delivered
    Findings expected;
  };
  const Case cases[] = {
      {"xx lineDial 0190", "", {2, true}},
      {"RasDialA", "lineDial", {0, false}},
      {"line", "Dial", {-1, false}},
      {"", "RasDialA", {-1, false}},
  };
  for (const Case& c : cases) {
    const std::string bytes = c.before + c.after;
    int callsAfterError = 0;
    std::size_t position = 0;
    auto read = [&](unsigned char* buffer, std::size_t capacity) -> std::ptrdiff_t {
      if (position >= c.before.size()) {
        ++callsAfterError;
        return -1;
      }
      const std::size_t n = std::min({capacity, std::size_t{3}, c.before.size() - position});
      std::memcpy(buffer, bytes.data() + position, n);
      position += n;
      return static_cast<std::ptrdiff_t>(n);
    };
    expectFindings(examineBlocks(read), c.expected, c.before);
    EXPECT_EQ(callsAfterError, 1) << c.before;
  }
}

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// Several GiB, mostly holes: markers behind 4 GiB, one across the end of a read block,
// a number split by a hole of half a GiB, and a marker in the last bytes.
TEST(LargeFiles, SparseFileWithMarkersNearTheEnd) {
  orvtest::TempDir folder;
  const ExamineOptions defaults;
  const std::uint64_t region = 4 * kGiB;  // data region, aligned: reads start here
  std::string data(2 * defaults.blockSize, '.');
  data.replace(defaults.blockSize - 9, 16, "CAPI_PUT_MESSAGE");
  const std::uint64_t size = 5 * kGiB + 123;
  std::vector<std::pair<std::uint64_t, std::string>> pieces = {{region, data},
                                                               {region + kGiB / 2, "01"},
                                                               {5 * kGiB,
                                                                "\x01"
                                                                "90\x02"}};
  const std::string capi = folder.writeSparse("capi.bin", size, pieces);
  pieces.push_back({size - 8, "lineDial"});
  const std::string tapi = folder.writeSparse("tapi.bin", size, pieces);

  const Findings capiFound = examineFile(capi.c_str(), true);
  EXPECT_EQ(capiFound.group, 1);
  EXPECT_TRUE(capiFound.numberPrefix);
  const Findings tapiFound = examineFile(tapi.c_str(), true);
  EXPECT_EQ(tapiFound.group, 2);
  EXPECT_TRUE(tapiFound.numberPrefix);
  EXPECT_EQ(examineFile(tapi.c_str(), false).group, -1);  // too long without anyLength
}

// Holes are skipped: after the last data only holes are left, and no zeros are read.
TEST(LargeFiles, ReaderSkipsHoles) {
  orvtest::TempDir folder;
  const std::string file =
      folder.writeSparse("holes.bin", kGiB, {{kGiB / 2, std::string(4096, 'x')}});
  {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const off_t data = ::lseek(fd, 0, SEEK_DATA);
    ::close(fd);
    if (data != static_cast<off_t>(kGiB / 2)) GTEST_SKIP() << "file system does not tell holes";
  }
  codesniff::FileReader reader(file.c_str());
  ASSERT_TRUE(reader.isOpen());
  EXPECT_EQ(reader.size(), kGiB);
  std::vector<unsigned char> block(64 * 1024);
  std::uint64_t delivered = 0;
  for (std::ptrdiff_t got; (got = reader.read(block.data(), block.size())) > 0;)
    delivered += static_cast<std::uint64_t>(got);
  EXPECT_GE(delivered, 4096u);
  EXPECT_LE(delivered, 1024u * 1024u);
}

TEST(Reader, OpensRegularFilesOnly) {
  orvtest::TempDir folder;
  EXPECT_TRUE(codesniff::FileReader(folder.write("plain", "x").c_str()).isOpen());
  for (const char* path : {"/proc/self/status", "/sys/kernel/mm/transparent_hugepage/enabled",
                           "/dev/zero", "/tmp", "/no/such/file"})
    EXPECT_FALSE(codesniff::FileReader(path).isOpen()) << path;
}

// Reading every byte past 2 GiB (no hole skipping): positions must not wrap at 31 bits.
TEST(LargeFiles, ReadsPastTwoGiBWithoutSkippingHoles) {
  orvtest::TempDir folder;
  const std::uint64_t twoGiB = 2 * kGiB;
  const std::string file = folder.writeSparse("big.bin", twoGiB + 4096,
                                              {{twoGiB - 5, "RasDialA"}, {twoGiB + 4092, "0900"}});
  ExamineOptions readAll;
  readAll.skipHoles = false;
  const Findings found = examineFile(file.c_str(), true, readAll);
  EXPECT_EQ(found.group, 0);
  EXPECT_TRUE(found.numberPrefix);
}

}  // namespace
