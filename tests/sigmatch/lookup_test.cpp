#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "sigmatch/fingerprint.h"
#include "sigmatch/signature_table.h"
#include "sigmatch/test_files.h"

namespace {

using sigtest::fileBytes;
using sigtest::record;
using sigtest::scan;
using sigtest::TempDir;
using sigtest::writeFile;

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

class Lookup : public testing::Test {
 protected:
  void SetUp() override {
    writeFile(m_exeA, fileBytes(4000, "MZ", 1));
    writeFile(m_exeB, fileBytes(9000, "ZM", 2));
    writeFile(m_exeUnknown, fileBytes(9000, "MZ", 3));
    writeFile(m_text, "just some text");
    m_fpA = sigmatch::computeFingerprint(m_exeA.c_str()).view();
    m_fpB = sigmatch::computeFingerprint(m_exeB.c_str()).view();
  }

  int load(const std::string& contents) {
    writeFile(m_sig, contents);
    return InitDialersDatabase(m_sig.c_str());
  }

  TempDir m_dir;
  std::string m_sig = m_dir.file("orv.sig");
  std::string m_exeA = m_dir.file("a.exe");
  std::string m_exeB = m_dir.file("b.exe");
  std::string m_exeUnknown = m_dir.file("unknown.exe");
  std::string m_text = m_dir.file("readme.exe");
  std::string m_fpA;
  std::string m_fpB;
};

TEST_F(Lookup, TheFirstMatchingRecordInFileOrderNamesTheFile) {
  ASSERT_EQ(load(record("Gross", upper(m_fpA)) + record("Erster", m_fpA) + record("B", m_fpB) +
                 record("Zweiter", m_fpA)),
            4);
  EXPECT_EQ(scan(m_exeA), "Erster");
  EXPECT_EQ(scan(m_exeB), "B");
  EXPECT_EQ(scan(m_exeUnknown), "OK");
  EXPECT_EQ(scan(m_text), "OK");
}

TEST_F(Lookup, AnUpperCaseFingerprintNeverMatches) {
  ASSERT_EQ(load(record("Gross", upper(m_fpA))), 1);
  EXPECT_EQ(scan(m_exeA), "OK");
}

TEST_F(Lookup, AnEmptyFingerprintMatchesEveryFileWithoutOne) {
  ASSERT_EQ(load(record("A", m_fpA) + record("Leer", "") + record("Leer 2", "")), 3);
  EXPECT_EQ(scan(m_text), "Leer");
  EXPECT_EQ(scan(m_dir.file("missing.exe")), "Leer");
  EXPECT_EQ(scan(m_exeA), "A");
  EXPECT_EQ(scan(m_exeUnknown), "OK");
}

TEST_F(Lookup, WritesOnlyTheLengthAndTheCharactersOfTheResult) {
  const std::string longName(50, 'L');
  ASSERT_EQ(load(record(longName, m_fpA) + record("Anderer", m_fpB)), 2);
  struct Case {
    std::string path;
    std::string expected;
  };
  for (const Case& c : {Case{m_exeA, longName}, Case{m_exeUnknown, "OK"}}) {
    ShortText result;
    std::memset(&result, 0xEE, sizeof result);
    ScanDialers(&result, c.path.c_str());
    EXPECT_EQ(orv::shortTextString(result), c.expected);
    for (std::size_t i = c.expected.size(); i < sizeof result.chars; ++i) {
      ASSERT_EQ(result.chars[i], 0xEE) << "byte " << i + 1 << " written";
    }
  }
  ScanDialers(nullptr, m_exeA.c_str());
  ShortText result;
  ScanDialers(&result, nullptr);
  EXPECT_EQ(orv::shortTextString(result), "OK");
}

// An index must answer exactly like a pass in file order, for any table and any query.
TEST(SignatureTable, TheIndexAnswersLikeAPassInFileOrder) {
  std::mt19937 random(7);
  auto hexText = [&](std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += "0123456789abcdef"[random() % 16];
    return text;
  };
  for (int round = 0; round < 20; ++round) {
    std::vector<std::string> pool;
    for (int i = 0; i < 30; ++i) pool.push_back(hexText(32));
    pool.push_back("");
    pool.push_back(upper(pool[0]));
    pool.push_back(pool[1].substr(0, 31));
    pool.push_back("not hex at all");

    std::vector<sigmatch::SignatureRecord> records(random() % 200);
    for (std::size_t i = 0; i < records.size(); ++i) {
      records[i].dialerName.assign("R" + std::to_string(i));
      records[i].fingerprint.assign(pool[random() % pool.size()]);
    }
    sigmatch::SignatureTable table;
    table.assign(records);
    ASSERT_EQ(table.count(), int(records.size()));

    pool.push_back(hexText(32));  // in no record
    for (const std::string& query : pool) {
      EXPECT_EQ(table.findFirst(query), table.findFirstLinear(query)) << query;
    }
  }
}

// The table keeps its records in an order of its own; among records of one fingerprint the
// answer is still the first in the file, with many buckets as with all records in one.
TEST(SignatureTable, AnswersTheFirstInFileOrderWhateverOrderItKeeps) {
  for (const std::size_t distinctFingerprints : {300, 1}) {
    std::mt19937 random(11);
    std::vector<sigmatch::SignatureRecord> records(5000);
    for (std::size_t i = 0; i < records.size(); ++i) {
      records[i].dialerName.assign("R" + std::to_string(i));
      records[i].fingerprint.assign("fp" + std::to_string(random() % distinctFingerprints));
    }
    sigmatch::SignatureTable table;
    table.assign(records);
    for (std::size_t f = 0; f < distinctFingerprints; ++f) {
      const std::string query = "fp" + std::to_string(f);
      const auto first = std::find_if(records.begin(), records.end(),
                                      [&](const auto& r) { return r.fingerprint.view() == query; });
      ASSERT_EQ(table.answer(query), first->dialerName.view()) << query;
    }
  }
}

TEST(SignatureTable, StartsEmptyAndEmptiesOnClear) {
  sigmatch::SignatureTable table;
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(table.findFirst(""), nullptr);
  std::vector<sigmatch::SignatureRecord> records(3);
  table.assign(records);
  EXPECT_NE(table.findFirst(""), nullptr);
  table.clear();
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(table.findFirst(""), nullptr);
}

}  // namespace
