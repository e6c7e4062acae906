#include "detect/crc32.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace fs = std::filesystem;
using orv::Crc32Update;
using orv::FileCrc32;

namespace {

// Bit by bit, without a table: an independent reference for the table-driven code.
std::uint32_t referenceCrc(const std::string& data) {
  std::uint32_t reg = 0xFFFFFFFFU;
  for (const unsigned char byte : data) {
    reg ^= byte;
    for (int k = 0; k < 8; ++k) reg = (reg >> 1) ^ (0xEDB88320U & (0U - (reg & 1U)));
  }
  return ~reg;
}

std::uint32_t oneShot(const std::string& data) {
  return ~Crc32Update(0xFFFFFFFFU, data.data(), data.size());
}

using orvtest::TempDir;

std::string randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFFU);
  return s;
}

}  // namespace

TEST(Crc32, KnownVectors) {
  const struct {
    std::string data;
    std::uint32_t crc;
  } cases[] = {
      {"123456789", 0xCBF43926U},
      {"", 0x00000000U},
      {"a", 0xE8B7BE43U},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339U},
      {std::string("ORV test \xbc\x0e\x76\x8a", 13), 0x0A1B2C3DU},
      {std::string(1, '\0'), 0xD202EF8DU},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(oneShot(c.data), c.crc) << c.data;
    EXPECT_EQ(referenceCrc(c.data), c.crc) << c.data;
  }
}

TEST(Crc32, UpdateInPiecesEqualsOneShot) {
  const std::string data = randomBytes(1000, 7);
  for (std::size_t cut : {0U, 1U, 3U, 500U, 999U, 1000U}) {
    std::uint32_t reg = Crc32Update(0xFFFFFFFFU, data.data(), cut);
    reg = Crc32Update(reg, data.data() + cut, data.size() - cut);
    EXPECT_EQ(~reg, referenceCrc(data)) << "cut at " << cut;
  }
}

TEST(Crc32, FileOfEverySizeAroundTheReadBlock) {
  TempDir dir;
  const std::size_t block = 64 * 1024;
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, block - 1, block, block + 1, 2 * block, 3 * block + 7}) {
    const std::string content = randomBytes(size, static_cast<unsigned>(size));
    const fs::path p = dir.write("f" + std::to_string(size), content);
    const auto expected = static_cast<std::int32_t>(referenceCrc(content));
    EXPECT_EQ(FileCrc32(p.c_str()), expected) << size;
    EXPECT_EQ(FileCrc32(QString::fromStdString(p.string())), expected) << size;
  }
}

TEST(Crc32, WhatCannotBeReadWholeIsMinusOne) {
  TempDir dir;
  const fs::path fifo = dir.path() / "pipe.exe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    QString path;
    const char* why;
  } cases[] = {
      {QString::fromStdString((dir.path() / "missing.exe").string()), "missing"},
      {QString::fromStdString(dir.path().string()), "a folder"},
      {QString::fromStdString(fifo.string()), "a FIFO without writer (must not block)"},
      {QStringLiteral("/dev/zero"), "a device without end"},
      // A regular file whose read fails after a successful open.
      {QStringLiteral("/proc/self/mem"), "read error after open"},
      {QString(), "empty path"},
      {QString::fromStdString(dir.write("x", "abc").string()) + QChar(0) + QStringLiteral("y"),
       "NUL inside the path"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileCrc32(c.path), -1) << c.why;
  EXPECT_EQ(FileCrc32(static_cast<const char*>(nullptr)), -1);
}

TEST(Crc32, NonAsciiPathIsEncodedForTheFileSystem) {
  TempDir dir;
  const fs::path p = dir.write("\xC3\x84rger \xE6\x97\xA5.EXE", "123456789");
  const QString path =
      QString::fromStdString(dir.path().string()) + QStringLiteral("/Ärger 日.EXE");
  ASSERT_TRUE(fs::exists(p));
  EXPECT_EQ(static_cast<std::uint32_t>(FileCrc32(path)), 0xCBF43926U);
}
