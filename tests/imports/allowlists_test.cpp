#include <gtest/gtest.h>

#include "allowlists.h"

namespace {

class AllowlistsTest : public ::testing::Test {
 protected:
  AllowlistsTest() {
    std::string error;
    m_lists.emplace("KERNEL32", *imports::ParseAllowlist("# comment\nGetTickCount\nMoveFileExA stub\n", error));
  }
  imports::CheckResult Check(std::vector<imports::ImportedLibrary> libraries) {
    return imports::CheckImports("SETUP.EXE", libraries, m_lists, "Windows 95");
  }
  imports::Allowlists m_lists;
};

TEST_F(AllowlistsTest, AFunctionOffTheListFailsNamingBinaryLibraryAndFunction) {
  const auto result = Check({{"KERNEL32.dll", {"GetTickCount", "GetTickCount64"}}});
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0], "SETUP.EXE: imports GetTickCount64 from KERNEL32.dll, which Windows 95 does not export");
}

TEST_F(AllowlistsTest, ALibraryWithoutListFails) {
  const auto result = Check({{"libwinpthread-1.dll", {"pthread_mutex_lock"}}});
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0], "SETUP.EXE: depends on libwinpthread-1.dll, which Windows 95 does not have");
}

TEST_F(AllowlistsTest, AStubIsAllowedAndReported) {
  const auto result = Check({{"kernel32.DLL", {"MoveFileExA"}}});
  EXPECT_TRUE(result.failures.empty());
  EXPECT_EQ(result.stubs, (std::vector<std::string>{"kernel32.DLL!MoveFileExA"}));
}

TEST_F(AllowlistsTest, AListLineWithAnUnknownMarkIsRefused) {
  std::string error;
  EXPECT_FALSE(imports::ParseAllowlist("GetTickCount\nMoveFileExA stubbed\n", error).has_value());
  EXPECT_EQ(error, "line 2: expected a function name, optionally followed by \"stub\"");
}

}  // namespace
