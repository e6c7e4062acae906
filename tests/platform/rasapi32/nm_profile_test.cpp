// Which NetworkManager profiles are dial-up entries, and what the service reads from them.
#include <gtest/gtest.h>

#include "nm_profile.h"

using namespace orv::ras;

namespace {

struct ProfileCase {
  const char* title;
  NmSettings settings;
  bool listed;
  const char* number;
  const char* user;
  const char* deviceType;
};

class DialUpProfile : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(DialUpProfile, IsTakenWithItsNumberAndUser) {
  const ProfileCase& c = GetParam();
  const auto profile = dialUpProfile("/org/freedesktop/NetworkManager/Settings/7", c.settings);
  ASSERT_EQ(profile.has_value(), c.listed);
  if (!c.listed) return;
  EXPECT_EQ(profile->number, c.number);
  EXPECT_EQ(profile->user, c.user);
  EXPECT_EQ(profile->deviceType, c.deviceType);
}

NmSettings withConnection(const char* type, NmSettings rest) {
  rest["connection"] = {{"id", "P"}, {"type", type}};
  return rest;
}

// gsm and pppoe profiles are read through the real service in the connector's tests.
INSTANTIATE_TEST_SUITE_P(
    Kinds, DialUpProfile,
    ::testing::Values(
        ProfileCase{"Cdma", withConnection("cdma", {{"cdma", {{"number", "#777"}}}}), true, "#777",
                    "", "modem"},
        ProfileCase{"BluetoothDun",
                    withConnection("bluetooth", {{"bluetooth", {{"type", "dun"}}},
                                                 {"gsm", {{"number", "*99#"}, {"username", "u"}}}}),
                    true, "*99#", "u", "modem"},
        ProfileCase{"BluetoothPan",
                    withConnection("bluetooth", {{"bluetooth", {{"type", "panu"}}}}), false, "", "",
                    ""},
        ProfileCase{"Wifi", withConnection("802-11-wireless", {}), false, "", "", ""},
        ProfileCase{"NoId", {{"connection", {{"type", "gsm"}}}}, false, "", "", ""}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(DialUpProfile, PasswordNotSavedAndUserOwnedProfilesAreTold) {
  const auto profile = dialUpProfile(
      "/p", {{"connection", {{"id", "P"}, {"type", "gsm"}, {"permissions", QStringList{"user:a"}}}},
             {"gsm", {{"password-flags", 2u}}}});
  ASSERT_TRUE(profile);
  EXPECT_TRUE(profile->passwordNeverSaved);
  EXPECT_FALSE(profile->systemWide);
}

// A profile's name is anyone's text: it must not break the lists it stands in.
TEST(EntryNameOfId, ControlCharactersAreReplacedAndLengthIsCut) {
  EXPECT_EQ(entryNameOfId("a\tb\nc"), "a?b?c");
  EXPECT_EQ(entryNameOfId(std::string(300, 'x')).size(), 256u);
}

TEST(NmHandle, NeverMeetsAPidAndLeadsBackToItsPath) {
  const QString path = "/org/freedesktop/NetworkManager/ActiveConnection/42";
  const auto handle = nmHandleOfPath(path);
  ASSERT_TRUE(handle);
  EXPECT_GE(*handle, 1U << 22);  // above every pid the kernel hands out
  EXPECT_EQ(nmPathOfHandle(*handle), path);
  EXPECT_FALSE(nmHandleOfPath("/org/freedesktop/NetworkManager/ActiveConnection/"));
  EXPECT_FALSE(nmHandleOfPath("/org/freedesktop/NetworkManager/Devices/3"));
}

}  // namespace
