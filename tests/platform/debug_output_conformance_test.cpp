// OutputDebugStringA: a line for whoever watches the program.
#include <gtest/gtest.h>

#include <string>

#include "conformance_environment.h"

namespace {

TEST(DebugOutputConformanceTest, ALineForAWatcherChangesNothingTheProgramSees) {
  const auto env = conformance::MakeEnvironment();
  const std::string missing = env->ScratchFolder() + "\\NO\\SUCH.TXT";
  ASSERT_EQ(conformance::Interfaces().Files().GetFileAttributesA(missing), static_cast<platform::DWORD>(INVALID_FILE_ATTRIBUTES));
  const platform::DWORD error = conformance::Interfaces().System().GetLastError();
  conformance::Interfaces().System().OutputDebugStringA("setup: one line\r\nand another");
  conformance::Interfaces().System().OutputDebugStringA(std::string(8192, 'x').c_str());
  EXPECT_EQ(conformance::Interfaces().System().GetLastError(), error) << "the last error stays the program's own";
  EXPECT_EQ(conformance::Interfaces().Files().GetFileAttributesA(missing), static_cast<platform::DWORD>(INVALID_FILE_ATTRIBUTES));
}

}  // namespace
