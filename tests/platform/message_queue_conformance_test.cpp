// The thread's message queue as the waits for other programs look at it.
#include <gtest/gtest.h>

#include <memory>

#include "conformance_environment.h"

namespace {

TEST(MessageQueueConformanceTest, NoEndOfSessionWaitsInAFreshQueue) {
  auto env = conformance::MakeEnvironment();
  platform::MSG message;
  EXPECT_FALSE(conformance::Interfaces().Processes().PeekMessageA(&message, nullptr, WM_QUERYENDSESSION, WM_QUERYENDSESSION,
                                                  PM_NOREMOVE));
  EXPECT_FALSE(conformance::Interfaces().Processes().PeekMessageA(&message, nullptr, WM_QUERYENDSESSION, WM_QUERYENDSESSION,
                                                  PM_REMOVE));
}

}  // namespace
