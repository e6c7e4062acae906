// The signature file we ship must recognise the test dialer we ship: changing one without
// the other fails here.
#include <gtest/gtest.h>

#include "sigmatch/test_files.h"

namespace {

const std::string kSample = sigtest::sourcePath("data/samples/orv-testdialer.exe");
const std::string kSignatures = sigtest::sourcePath("data/orv.sig");

TEST(ShippedData, TheSignatureFileRecognisesTheTestDialer) {
  const int count = InitDialersDatabase(kSignatures.c_str());
  EXPECT_GE(count, 1);
  EXPECT_EQ(std::filesystem::file_size(kSignatures), std::uintmax_t(count) * 84u);
  EXPECT_EQ(sigtest::scan(kSample), "ORV-Testdialer (harmlos)");
}

TEST(ShippedData, TheTestDialerIsASmallHarmlessTextThatLooksSuspicious) {
  const std::string bytes = sigtest::readFile(kSample);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_LT(bytes.size(), 2048u);
  EXPECT_EQ(bytes.substr(0, 2), "MZ");
  EXPECT_NE(bytes.find("RasDialA"), std::string::npos);
  EXPECT_NE(bytes.find("0190"), std::string::npos);
  EXPECT_NE(bytes.find("HARMLESS TEST FILE"), std::string::npos);
}

}  // namespace
