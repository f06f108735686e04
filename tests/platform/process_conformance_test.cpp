// Starting programs and waiting for them.
#include <gtest/gtest.h>

#include <string>

#include "conformance_environment.h"

namespace {

class ProcessConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override { m_env = conformance::MakeEnvironment(); }
  void TearDown() override { m_env.reset(); }
  std::unique_ptr<conformance::Environment> m_env;
};

TEST_F(ProcessConformanceTest, AStartedProgramIsWaitedForAndGivesItsExitCode) {
  m_env->ScratchFolder();
  platform::IProcesses& processes = conformance::Interfaces().Processes();
  platform::PROCESS_INFORMATION info;
  ASSERT_TRUE(processes.CreateProcessA(m_env->ExitingProgramCommand(7), DETACHED_PROCESS, info));
  EXPECT_NE(info.hProcess, nullptr);
  EXPECT_NE(info.hThread, nullptr);
  EXPECT_NE(info.hProcess, info.hThread);
  EXPECT_TRUE(processes.CloseHandle(info.hThread));

  platform::DWORD wait = WAIT_TIMEOUT;
  for (int i = 0; i < 300 && wait == static_cast<platform::DWORD>(WAIT_TIMEOUT); ++i) {
    wait = processes.WaitForSingleObject(info.hProcess, 100);
  }
  ASSERT_EQ(wait, static_cast<platform::DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 0), static_cast<platform::DWORD>(WAIT_OBJECT_0))
      << "an ended process stays signalled";
  platform::DWORD code = 0;
  ASSERT_TRUE(processes.GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_TRUE(processes.CloseHandle(info.hProcess));
}

TEST_F(ProcessConformanceTest, AMissingProgramFailsWithFileNotFound) {
  const std::string folder = m_env->ScratchFolder();
  platform::IProcesses& processes = conformance::Interfaces().Processes();
  platform::PROCESS_INFORMATION info;
  EXPECT_FALSE(processes.CreateProcessA(folder + "\\NOSUCH.EXE /x", DETACHED_PROCESS, info));
  EXPECT_EQ(conformance::Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(info.hProcess, nullptr);

  EXPECT_FALSE(processes.CreateProcessA("NOSUCHPROGRAM12345", DETACHED_PROCESS, info));
  EXPECT_EQ(conformance::Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(ProcessConformanceTest, NoWindowOfAnUnknownClass) {
  EXPECT_EQ(conformance::Interfaces().Processes().FindWindowA("NoSuchWindowClass4711", {}), nullptr);
}

}  // namespace
