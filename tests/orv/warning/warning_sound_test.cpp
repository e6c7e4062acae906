#include <gtest/gtest.h>

#include "warning/canberra_player.h"
#include "warning/warning_sound.h"

namespace {

struct Case {
  const char* name;
  int startResult;  // -1: no starter at all, 0: cannot start, 1: started
  int bells;
};

class DesktopWarningSoundTest : public ::testing::TestWithParam<Case> {};

TEST_P(DesktopWarningSoundTest, RingsTheBellOnlyWhenTheSoundCannotStart) {
  const Case c = GetParam();
  int starts = 0;
  int bells = 0;
  orv::DesktopWarningSound::Starter starter;
  if (c.startResult >= 0) {
    starter = [&] {
      ++starts;
      return c.startResult == 1;
    };
  }
  orv::DesktopWarningSound sound(starter, [&] { ++bells; });
  sound.play();
  sound.play();
  EXPECT_EQ(starts, c.startResult >= 0 ? 2 : 0);
  EXPECT_EQ(bells, 2 * c.bells);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, DesktopWarningSoundTest,
                         ::testing::Values(Case{"started", 1, 0}, Case{"failed", 0, 1},
                                           Case{"no_player", -1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a sound system (as here) or with one that lacks the event, libcanberra declines,
// and says so at once; asking again works the same way.
TEST(CanberraPlayerTest, DeclinesAnEventItCannotPlay) {
  orv::CanberraPlayer player;
  EXPECT_FALSE(player.start("orv-test-no-such-event-sound"));
  EXPECT_FALSE(player.start("orv-test-no-such-event-sound"));
}

}  // namespace
