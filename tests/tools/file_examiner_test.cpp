// orv-scan's examination of one file, which opens it once for both checks, against the
// two libraries' exports, which open it each on their own.
#include "file_examiner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "codesniff.h"
#include "sigmatch/fingerprint.h"
#include "sigmatch/test_files.h"
#include "signature_file.h"

namespace {

using orvscan::FileExaminer;
using orvscan::ScanItem;
using sigtest::fileBytes;
using sigtest::sourcePath;
using sigtest::writeFile;

std::string text(const ShortText& answer) {
  return orv::shortTextString(answer);
}

ScanItem examined(FileExaminer& examiner, const std::string& path, bool listedRegular) {
  ScanItem item;
  item.path = QByteArray::fromStdString(path);
  item.listedRegular = listedRegular;
  examiner.examine(item);
  return item;
}

// Files around the size limit of the content check and the sizes of the fingerprint's
// chunk rule, markers at their ends, and the shipped test dialer.
TEST(FileExaminer, AnswersAsTheLibraryExportsDo) {
  sigtest::TempDir dir;
  std::vector<std::string> files = {sourcePath("data/samples/orv-testdialer.exe")};
  std::string signatures = sigtest::readFile(sourcePath("data/orv.sig"));
  const std::size_t sizes[] = {0, 2, 1023, 5120, 5121, 8193, 70000, 524287, 524288, 600000};
  for (std::size_t size : sizes)
    for (const char* head : {"MZ", "PK"}) {
      std::string bytes = fileBytes(size, head);
      if (size >= 20) bytes.replace(size - 20, 20, "tapi_Request-0900 xx");
      const std::string path = dir.file(head + std::to_string(size) + ".exe");
      writeFile(path, bytes);
      files.push_back(path);
      const sigmatch::FingerprintText fingerprint = sigmatch::computeFingerprint(path.c_str());
      if (size % 2 == 1 && !fingerprint.empty())
        signatures += sigtest::record("Dialer " + std::to_string(size), fingerprint.view());
    }
  writeFile(dir.file("orv.sig"), signatures);

  sigmatch::SignatureTable table;
  ASSERT_TRUE(orvscan::loadSignatures(dir.file("orv.sig"), table).empty());
  ASSERT_GT(InitDialersDatabase(dir.file("orv.sig").c_str()), 1);
  FileExaminer withHeuristic(table, true), fingerprintOnly(table, false);
  int signatureFindings = 0, heuristicFindings = 0;
  for (const std::string& path : files) {
    ShortText signature, heuristic;
    ScanDialers(&signature, path.c_str());
    CheckHeuristically(&heuristic, path.c_str(), 0);
    signatureFindings += text(signature) != "OK";
    heuristicFindings += text(heuristic) != "OK";
    for (bool listedRegular : {true, false}) {
      const ScanItem both = examined(withHeuristic, path, listedRegular);
      EXPECT_EQ(both.outcome, ScanItem::Outcome::Examined) << path;
      EXPECT_EQ(text(both.signature), text(signature)) << path;
      EXPECT_TRUE(both.heuristicChecked);
      EXPECT_EQ(text(both.heuristic), text(heuristic)) << path;
      const ScanItem one = examined(fingerprintOnly, path, listedRegular);
      EXPECT_EQ(text(one.signature), text(signature)) << path;
      EXPECT_FALSE(one.heuristicChecked);
    }
  }
  // The answers compared are not all "OK": the test dialer, the odd sizes and the markers
  // of all files but the empty, the tiny and the too large.
  EXPECT_EQ(signatureFindings, 1 + 4);
  EXPECT_EQ(heuristicFindings, 1 + 2 * 6);
}

// Something that is no regular file is never read, also when it took the place of one
// after the folder was listed; a fifo without a writer must not make the scan wait.
TEST(FileExaminer, OpensNothingButRegularFiles) {
  sigtest::TempDir dir;
  const std::string fifo = dir.file("pipe.exe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  sigmatch::SignatureTable table;
  FileExaminer examiner(table, true);
  const auto start = std::chrono::steady_clock::now();
  for (bool listedRegular : {false, true}) {
    EXPECT_EQ(examined(examiner, fifo, listedRegular).outcome, ScanItem::Outcome::NotAFile);
    EXPECT_EQ(examined(examiner, "/dev/null", listedRegular).outcome, ScanItem::Outcome::NotAFile);
    const ScanItem missing = examined(examiner, dir.file("gone.exe"), listedRegular);
    EXPECT_EQ(missing.outcome, ScanItem::Outcome::Unreadable);
    EXPECT_EQ(missing.error, ENOENT);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
