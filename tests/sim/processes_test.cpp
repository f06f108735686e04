// Programs of the simulated machine: where they are found, virtual time,
// windows that stay open for a while.
#include <gtest/gtest.h>

#include "support/temp_machine.h"

using testing_support::ReadHostFile;
using testing_support::TempMachine;

namespace {

class SimProcessesTest : public ::testing::Test {
 protected:
  SimProcessesTest() : m_machine(sim::OsKind::Win98, "D:\\CD\\SETUP.EXE") {}
  sim::SimProcesses& Processes() { return m_machine.Platform().Processes(); }
  void Program(const std::string& relative) { m_machine.PutFile(relative, "simulated program\r\n"); }
  std::string Events() const { return ReadHostFile(m_machine.Folder() / "events.log"); }
  // Starts a command; the program path it ran as, or empty.
  std::string Start(const std::string& command, platform::PROCESS_INFORMATION* out = nullptr) {
    std::string path;
    Processes().SetBehaviour("TOOL.EXE", [&path](const sim::ProgramStart& start, const sim::Machine&) {
      path = start.programPath + "|" + start.arguments;
      return sim::ProgramRun{};
    });
    platform::PROCESS_INFORMATION info;
    if (!Processes().CreateProcessA(command, DETACHED_PROCESS, info)) return {};
    if (out != nullptr) *out = info;
    return path;
  }

  TempMachine m_machine;
};

TEST_F(SimProcessesTest, ABareNameIsLookedForBesideTheProgramThenInTheSystemFolders) {
  Program("drive_c/WINDOWS/TOOL.EXE");
  EXPECT_EQ(Start("tool /x"), "C:\\WINDOWS\\TOOL.EXE|/x");
  Program("drive_c/WINDOWS/SYSTEM/TOOL.EXE");
  EXPECT_EQ(Start("TOOL.EXE"), "C:\\WINDOWS\\SYSTEM\\TOOL.EXE|");
  Program("drive_d/CD/TOOL.EXE");
  EXPECT_EQ(Start("Tool -a -b"), "D:\\CD\\TOOL.EXE|-a -b") << "the program's own folder comes first";
}

TEST_F(SimProcessesTest, PathsWithBlanksQuotedOrNot) {
  Program("drive_c/Program Files/Maker/TOOL.EXE");
  EXPECT_EQ(Start("C:\\Program Files\\Maker\\TOOL.EXE /s"), "C:\\Program Files\\Maker\\TOOL.EXE|/s");
  EXPECT_EQ(Start("\"C:\\Program Files\\Maker\\TOOL.EXE\" /q"), "C:\\Program Files\\Maker\\TOOL.EXE|/q");
  const std::string events = Events();
  EXPECT_NE(events.find("process C:\\Program Files\\Maker\\TOOL.EXE /s\n"), std::string::npos) << events;
  EXPECT_NE(events.find("process \"C:\\Program Files\\Maker\\TOOL.EXE\" /q\n"), std::string::npos) << events;
}

TEST_F(SimProcessesTest, FailuresAreRecordedWithTheirCode) {
  EXPECT_EQ(Start("C:\\NOWHERE\\X.EXE"), "");
  EXPECT_EQ(m_machine.Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  std::filesystem::create_directories(m_machine.Folder() / "drive_c" / "WINDOWS" / "DIR.EXE");
  EXPECT_EQ(Start("C:\\WINDOWS\\DIR.EXE"), "") << "a folder is no program";
  EXPECT_EQ(m_machine.Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Start(""), "");
  EXPECT_NE(Events().find("process C:\\NOWHERE\\X.EXE -> error 3\n"), std::string::npos) << Events();
}

TEST_F(SimProcessesTest, WaitsMoveTheClockAndWindowsCloseInTime) {
  Program("drive_c/WINDOWS/UNINST.EXE");
  Processes().SetBehaviour("UNINST.EXE", [](const sim::ProgramStart&, const sim::Machine&) {
    sim::ProgramRun run;
    run.exitCode = 3;
    run.runsForMs = 250;
    run.windows.push_back({"InstallSHIELD", "Removing", 1000});
    return run;
  });
  platform::PROCESS_INFORMATION info;
  ASSERT_TRUE(Processes().CreateProcessA("UNINST.EXE", 0, info));
  platform::DWORD code = 0;
  ASSERT_TRUE(Processes().GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, static_cast<platform::DWORD>(STILL_ACTIVE));
  EXPECT_EQ(Processes().WaitForSingleObject(info.hProcess, 100), static_cast<platform::DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(Processes().WaitForSingleObject(info.hProcess, 100), static_cast<platform::DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(Processes().WaitForSingleObject(info.hProcess, 100), static_cast<platform::DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(Processes().Now(), 250u) << "the wait ends when the program does";
  ASSERT_TRUE(Processes().GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 3u);

  EXPECT_NE(Processes().FindWindowA("installshield", {}), nullptr) << "classes match in any case";
  Processes().Sleep(749);
  EXPECT_NE(Processes().FindWindowA("InstallSHIELD", "removing"), nullptr);
  Processes().Sleep(1);
  EXPECT_EQ(Processes().FindWindowA("InstallSHIELD", {}), nullptr) << "closed after its time";

  EXPECT_TRUE(Processes().CloseHandle(info.hProcess));
  EXPECT_FALSE(Processes().CloseHandle(info.hProcess));
  EXPECT_EQ(Processes().WaitForSingleObject(info.hProcess, 0), static_cast<platform::DWORD>(WAIT_FAILED));
}

TEST_F(SimProcessesTest, WaitingForeverForAProgramThatNeverEndsFailsInsteadOfHanging) {
  platform::PROCESS_INFORMATION info;
  ASSERT_TRUE(Processes().CreateProcessA("notepad", 0, info));
  EXPECT_EQ(Processes().WaitForSingleObject(info.hProcess, INFINITE), static_cast<platform::DWORD>(WAIT_FAILED));
  char title[8] = {};
  platform::HWND window = Processes().FindWindowA("Notepad", {});
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Processes().GetWindowTextA(window, title, sizeof title), 7) << "cut to the buffer";
  EXPECT_STREQ(title, "Untitle");
}

}  // namespace
