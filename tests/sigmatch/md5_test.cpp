#include <gtest/gtest.h>
#include <QByteArray>
#include <QCryptographicHash>

#include <random>
#include <string>

#include "sigmatch/md5.h"

namespace {

std::string hex(const sigmatch::Md5::Digest& digest) {
  return QByteArray(reinterpret_cast<const char*>(digest.data()), int(digest.size()))
      .toHex()
      .toStdString();
}

std::string referenceHex(const std::string& data) {
  return QCryptographicHash::hash(QByteArray(data.data(), int(data.size())),
                                  QCryptographicHash::Md5)
      .toHex()
      .toStdString();
}

struct RfcCase {
  const char* input;
  const char* digest;
};

class Md5RfcSuite : public testing::TestWithParam<RfcCase> {};

TEST_P(Md5RfcSuite, MatchesTheRfcDigest) {
  const std::string input = GetParam().input;
  EXPECT_EQ(hex(sigmatch::md5(input.data(), input.size())), GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(
    Rfc1321, Md5RfcSuite,
    testing::Values(
        RfcCase{"", "d41d8cd98f00b204e9800998ecf8427e"},
        RfcCase{"a", "0cc175b9c0f1b6a831c399e269772661"},
        RfcCase{"abc", "900150983cd24fb0d6963f7d28e17f72"},
        RfcCase{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        RfcCase{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        RfcCase{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                "d174ab98d277d9f5a5611c2c9f419d9f"},
        RfcCase{"1234567890123456789012345678901234567890123456789012345678901234567890123456"
                "7890",
                "57edf4a22be3c955ac49da2e2107b67a"}));

// Every length around the padding boundaries (55/56, 63/64, 119/120 bytes) and a few large
// ones, fed in random pieces, against an independent implementation.
TEST(Md5, AgreesWithAnIndependentImplementationOnRandomData) {
  std::mt19937 random(20240611);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (std::size_t n : {1023u, 1024u, 2048u, 4097u, 65536u, 1000003u}) lengths.push_back(n);

  for (std::size_t length : lengths) {
    std::string data(length, '\0');
    for (char& c : data) c = static_cast<char>(random() & 0xff);

    sigmatch::Md5 hash;
    std::size_t fed = 0;
    while (fed < length) {
      const std::size_t piece = std::min<std::size_t>(random() % 150, length - fed);
      hash.update(data.data() + fed, piece);
      fed += piece;
    }
    ASSERT_EQ(hex(hash.finish()), referenceHex(data)) << "length " << length;
  }
}

TEST(Md5, FinishStartsAFreshComputation) {
  sigmatch::Md5 hash;
  hash.update("something else entirely", 23);
  hash.finish();
  hash.update("abc", 3);
  EXPECT_EQ(hex(hash.finish()), "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
