// Work done beside the window's construction: its effect is there once wait() returns, and a
// failing piece of work ends nothing but itself.
#include "shell/warm_up.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(WarmUp, WorkIsDoneWhenWaitReturnsAndAFailureStaysOnItsThread) {
  bool done = false;
  orv::WarmUp work([&done] { done = true; });
  work.wait();
  EXPECT_TRUE(done);

  // An exception leaving the thread would end the program.
  orv::WarmUp failing([] { throw std::runtime_error("service missing"); });
  failing.wait();
}
