#include "platform/sim/scripted_programs.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/temp_machine.h"

namespace {

TEST(ScriptedPrograms, AProgramFileTellsWhatTheProgramDoes) {
  testing_support::TempMachine machine;
  machine.PutFile("drive_c/TOOL.EXE",
                  "; winsim program\r\n; a comment\r\nruns=250\r\nexit=7\r\nwindow=ToolWindow,100,Tool\r\n"
                  "registry=HKEY_CURRENT_USER\\Software\\Tool|Ran|yes\r\nbogus line\r\nruns=soon\r\n");
  platform::IProcesses& processes = machine.Interfaces().Processes();
  platform::PROCESS_INFORMATION info;
  ASSERT_TRUE(processes.CreateProcessA("C:\\TOOL.EXE", DETACHED_PROCESS, info));
  EXPECT_NE(processes.FindWindowA("ToolWindow", "Tool"), nullptr);
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 200), static_cast<platform::DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(processes.FindWindowA("ToolWindow", {}), nullptr) << "the window closed after 100 ms";
  EXPECT_EQ(processes.WaitForSingleObject(info.hProcess, 100), static_cast<platform::DWORD>(WAIT_OBJECT_0));
  platform::DWORD code = 0;
  EXPECT_TRUE(processes.GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_NE(machine.Machine().Registry().Export("HKEY_CURRENT_USER\\Software\\Tool").value_or("").find("\"Ran\"=\"yes\""),
            std::string::npos);
  const std::string events = testing_support::ReadHostFile(machine.Folder() / "events.log");
  EXPECT_NE(events.find("program C:\\TOOL.EXE line 7 not understood: bogus line"), std::string::npos);
  EXPECT_NE(events.find("line 8 not understood: runs=soon"), std::string::npos);
}

TEST(ScriptedPrograms, APlainProgramFileEndsAtOnce) {
  testing_support::TempMachine machine;
  machine.PutFile("drive_c/PLAIN.EXE", "runs=5000\r\n; winsim program\r\n");
  platform::PROCESS_INFORMATION info;
  ASSERT_TRUE(machine.Interfaces().Processes().CreateProcessA("C:\\PLAIN.EXE", DETACHED_PROCESS, info));
  EXPECT_EQ(machine.Interfaces().Processes().WaitForSingleObject(info.hProcess, 0), static_cast<platform::DWORD>(WAIT_OBJECT_0));
}

}  // namespace
