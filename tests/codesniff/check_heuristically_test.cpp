#include "codesniff.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/as_ordinary_user.h"
#include "support/temp_dir.h"

namespace {

// The answers, spelled out here byte for byte (Latin-1) rather than taken from the
// library, so that a wrong byte in the library shows.
const std::string kOk = "OK";
const std::string kDialUp = "Programm w\xE4hlt oder erstellt DF\xDC Verbindungen";
const std::string kCapi =
    "Programm kann Verbindungen \xFC"
    "ber die CAPI aufbauen";
const std::string kTapi =
    "Programm kann Verbindungen \xFC"
    "ber die TAPI aufbauen";
const std::string kAppendix =
    " und enth\xE4lt Hinweise auf verd\xE4"
    "chtige Telefonnummern";

std::string check(const std::string& path, uint8_t anyLength = 0) {
  ShortText result;
  result.length = 77;  // must be overwritten
  CheckHeuristically(&result, path.c_str(), anyLength);
  return orv::shortTextString(result);
}

TEST(ResultTexts, HaveTheirLatin1BytesAndLengths) {
  orvtest::TempDir folder;
  EXPECT_EQ(kDialUp.size(), 45u);
  EXPECT_EQ(kCapi.size(), 49u);
  EXPECT_EQ(kTapi.size(), 49u);
  EXPECT_EQ(kAppendix.size(), 52u);
  EXPECT_EQ(kDialUp.substr(9, 6), "w\xE4hlt ");
  EXPECT_EQ(static_cast<unsigned char>(kDialUp[31]), 0xDC);

  ShortText result;
  CheckHeuristically(&result, folder.write("f", "RasDialA 0190").c_str(), 0);
  ASSERT_EQ(result.length, 97);
  EXPECT_EQ(result.chars[10], 0xE4);  // "wählt"
  EXPECT_EQ(result.chars[31], 0xDC);  // "DFÜ"
  EXPECT_EQ(orv::shortTextString(result), kDialUp + kAppendix);
  CheckHeuristically(&result, folder.write("f", "lineDial").c_str(), 0);
  ASSERT_EQ(result.length, 49);
  EXPECT_EQ(result.chars[27], 0xFC);  // "über"
}

struct ContentCase {
  const char* name;
  std::string content;
  std::string expected;
};

class Content : public testing::TestWithParam<ContentCase> {};

TEST_P(Content, GivesItsResult) {
  orvtest::TempDir folder;
  EXPECT_EQ(check(folder.write("sample.exe", GetParam().content)), GetParam().expected);
}

std::string wide(const std::string& text) {
  std::string out;
  for (char c : text) out += std::string{c, '\0'};
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Content,
    testing::Values(
        ContentCase{"Empty", "", kOk}, ContentCase{"Nothing", "MZ\x90\x00 plain text", kOk},
        ContentCase{"RasDialA", "RasDialA", kDialUp},
        ContentCase{"RasCreatePhonebookEntryA", "RasCreatePhonebookEntryA", kDialUp},
        ContentCase{"CapiPutMessage", "CAPIPUTMESSAGE", kCapi},
        ContentCase{"CapiWithUnderscores", "CAPI_PUT_MESSAGE", kCapi},
        ContentCase{"LineDial", "lineDial", kTapi},
        ContentCase{"TapiRequest", "tapiRequest", kTapi},
        ContentCase{"DialUpWith0190", "RasDialA 0190", kDialUp + kAppendix},
        ContentCase{"DialUpWith0900", "0900\nRasCreatePhonebookEntryA", kDialUp + kAppendix},
        ContentCase{"CapiWith0900", "CAPIPUTMESSAGE 0900", kCapi + kAppendix},
        ContentCase{"TapiWith0190", "0190 tapiRequest", kTapi + kAppendix},
        // Priority: TAPI over CAPI over dial-up networking, never combined.
        ContentCase{"DialUpAndTapi", "RasDialA lineDial", kTapi},
        ContentCase{"DialUpAndCapi", "RasDialA CAPI_PUT_MESSAGE", kCapi},
        ContentCase{"CapiAndTapi", "tapiRequest CAPIPUTMESSAGE", kTapi},
        ContentCase{"AllThreeAndPrefix", "lineDial RasDialA 0900 CAPIPUTMESSAGE",
                    kTapi + kAppendix},
        ContentCase{"PrefixesAlone", "0190 0900 01900900", kOk},
        ContentCase{"Wide", wide("RasDialA") + wide("0190"), kDialUp + kAppendix},
        ContentCase{"Lowercase", "rasdiala linedial capiputmessage", kOk},
        ContentCase{"Truncated", "RasDial tapiReques lineDia 0190", kOk},
        ContentCase{"UmlautInside",
                    "Ras\xE4"
                    "Dial\xFC"
                    "A",
                    kDialUp},
        // The filter keeps both ends of each range and drops the bytes next to them.
        ContentCase{"RangeEndsKept", "RasDialA 0z190 0Z900 0a190 0A900 090Z0 0Z190", kDialUp},
        ContentCase{"RangeNeighboursDropped",
                    "R/a:s@D[i`a{l\x7F"
                    "A 0/1:9@0",
                    kDialUp + kAppendix},
        ContentCase{"HyphenatedNumber", "0190-123456 lineDial", kTapi + kAppendix},
        ContentCase{"SpacedDigits", "0 1 9 0 lineDial", kTapi + kAppendix},
        ContentCase{"NumberAcrossStrings", std::string("tel 0\0\0\xFF 190", 12) + " lineDial",
                    kTapi + kAppendix},
        ContentCase{"MarkerAtStart", "RasDialA" + std::string(1000, '\xFF'), kDialUp},
        ContentCase{"MarkerAtVeryEnd", std::string(1000, '\x01') + "tapiRequest", kTapi},
        ContentCase{"ShorterThanMarker", "Ras", kOk},
        ContentCase{"RepeatedPrefix", "RasRasDialA", kDialUp},
        ContentCase{"NearMissNumber", "RasDialA 0019190", kDialUp},
        ContentCase{"OverlappingNumber", "RasDialA 0010190", kDialUp + kAppendix},
        ContentCase{"RepeatedTapiPrefix", "tapiRequetapiRequest", kTapi},
        ContentCase{"RepeatedCapiPrefix", "CAPIPUTCAPIPUTMESSAGE", kCapi}),
    [](const testing::TestParamInfo<ContentCase>& info) { return std::string(info.param.name); });

// The size limit applies to the file's length, not to its examined text.
TEST(SizeLimit, LongFilesOnlyWithAnyLength) {
  orvtest::TempDir folder;
  const std::string marker = "lineDial";
  const std::string below = folder.write("below", std::string(524287 - 8, '.') + marker);
  const std::string at = folder.write("at", std::string(524288 - 8, '.') + marker);
  EXPECT_EQ(check(below), kTapi);
  EXPECT_EQ(check(below, 1), kTapi);
  EXPECT_EQ(check(at), kOk);
  for (uint8_t anyLength : {1, 2, 255}) EXPECT_EQ(check(at, anyLength), kTapi) << +anyLength;
}

TEST(Paths, AnythingThatIsNotARegularFileGivesOk) {
  orvtest::TempDir folder;
  const std::string fifo = folder.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string linkToZero = folder.file("zero-link");
  ASSERT_EQ(::symlink("/dev/zero", linkToZero.c_str()), 0);
  // None of these may block or read forever.
  for (const std::string& path :
       {folder.file("missing"), folder.file(""), folder.file("missing/deeper"), fifo, linkToZero,
        std::string("/dev/zero"), std::string("/dev/urandom"), std::string("/dev/null"),
        std::string("")}) {
    EXPECT_EQ(check(path), kOk) << path;
    EXPECT_EQ(check(path, 1), kOk) << path;
  }
}

TEST(Paths, FollowsSymbolicLinksToFiles) {
  orvtest::TempDir folder;
  const std::string target = folder.write("target", "CAPI_PUT_MESSAGE");
  ASSERT_EQ(::symlink(target.c_str(), folder.file("link").c_str()), 0);
  EXPECT_EQ(check(folder.file("link")), kCapi);
}

TEST(Paths, UnreadableFileGivesOk) {
  orvtest::TempDir folder;
  const std::string file = folder.write("secret", "lineDial");
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);
  const OrdinaryUserRun outcome =
      runAsOrdinaryUser(folder.file(""), [&] { return check(file) == kOk; });
  if (outcome == OrdinaryUserRun::CannotDropRoot || outcome == OrdinaryUserRun::CannotReachFolder)
    GTEST_SKIP() << "no ordinary user to check file permissions with";
  EXPECT_EQ(outcome, OrdinaryUserRun::Held);
}

TEST(Paths, NullArgumentsAreHarmless) {
  ShortText result;
  CheckHeuristically(&result, nullptr, 0);
  EXPECT_EQ(orv::shortTextString(result), kOk);
  CheckHeuristically(nullptr, "/dev/null", 0);
}

// No state between calls: a finding does not leak into the next answer.
TEST(Calls, AreIndependent) {
  orvtest::TempDir folder;
  const std::string hit = folder.write("hit", "lineDial 0900");
  const std::string clean = folder.write("clean", "nothing here");
  EXPECT_EQ(check(hit), kTapi + kAppendix);
  EXPECT_EQ(check(clean), kOk);
  EXPECT_EQ(check(hit), kTapi + kAppendix);
}

}  // namespace
