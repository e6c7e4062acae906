// Runs in a process of its own, so that no other test can have loaded signatures before.
#include <gtest/gtest.h>

#include "sigmatch/test_files.h"

TEST(SignatureDatabase, FindsNothingBeforeTheFirstLoad) {
  sigtest::TempDir dir;
  sigtest::writeFile(dir.file("a.exe"), sigtest::fileBytes(3000));
  sigtest::writeFile(dir.file("text.exe"), "text");
  EXPECT_EQ(sigtest::scan(dir.file("a.exe")), "OK");
  EXPECT_EQ(sigtest::scan(dir.file("text.exe")), "OK");
  EXPECT_EQ(sigtest::scan(dir.file("missing.exe")), "OK");
}
