// INST16.EXE: its command lines, the folders it will not remove, and on the
// simulated machine the removal that waits for the setup program.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/shared/inst16_logic.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;
using inst16::Command;

namespace {

Command Parsed(std::string_view arguments) {
  std::string error;
  auto command = inst16::ParseArguments(arguments, error);
  EXPECT_TRUE(command) << arguments << ": " << error;
  return command.value_or(Command{});
}

TEST(Inst16CommandLineTest, TheSetupProgramsCommandLines) {
  Command c = Parsed("-RC:\\PROGRA~1\\HALVION");
  EXPECT_EQ(c.kind, Command::Kind::RemoveFolder);
  EXPECT_EQ(c.folder, "C:\\PROGRA~1\\HALVION");

  c = Parsed("  /wC:\\TEMP\\NAME");  // two blanks, as the source-tree entry writes them
  EXPECT_EQ(c.kind, Command::Kind::RemoveTree);
  EXPECT_EQ(c.folder, "C:\\TEMP\\NAME");

  c = Parsed("/f\\DISK1\\SETUP.EXE /wC:\\TEMP\\NAME");
  EXPECT_EQ(c.kind, Command::Kind::RemoveTreeAfterProgram);
  EXPECT_EQ(c.folder, "C:\\TEMP\\NAME");
  EXPECT_EQ(c.program, "C:\\TEMP\\NAME\\DISK1\\SETUP.EXE");

  c = Parsed("-BACME Video BIOS ");
  EXPECT_EQ(c.kind, Command::Kind::SearchBios);
  EXPECT_EQ(c.text, "ACME Video BIOS ") << "the text as it stands, blanks included";
  EXPECT_EQ(Parsed("-b").text, "");
}

TEST(Inst16CommandLineTest, LettersInEitherCaseQuotesAndClosingBackslashes) {
  EXPECT_EQ(Parsed("/W\"C:\\Program Files\\Old Tree\\\"").folder, "C:\\Program Files\\Old Tree");
  EXPECT_EQ(Parsed("-r C:\\X\\").folder, "C:\\X");
  const Command c = Parsed("-F\\A B\\SETUP.EXE -WC:\\T");
  EXPECT_EQ(c.program, "C:\\T\\A B\\SETUP.EXE") << "a path with a blank, up to the last /w";
}

TEST(Inst16CommandLineTest, WhatIsNoneOfThemIsRefused) {
  for (const char* arguments : {"", "   ", "R", "-X C:\\T", "-R", "/w  ", "/f\\SETUP.EXE C:\\T", "/f\\SETUP.EXE /w"}) {
    std::string error;
    EXPECT_FALSE(inst16::ParseArguments(arguments, error)) << arguments;
    EXPECT_FALSE(error.empty()) << arguments;
  }
}

TEST(Inst16CommandLineTest, FoldersThatAreNeverRemoved) {
  for (const char* folder : {"C:\\", "C:", "c:\\\\", "C:\\WINDOWS", "c:\\windows\\", "\\\\SERVER\\SHARE\\X",
                             "TEMP\\X", "\\TEMP", "C:\\TEMP\\..\\WINDOWS", "C:\\TEMP\\.."}) {
    EXPECT_TRUE(inst16::IsProtectedFolder(folder, "C:\\WINDOWS")) << folder;
  }
  for (const char* folder : {"C:\\TEMP\\NAME", "C:\\WINDOWS\\TEMP\\NAME", "C:\\WINDOWSX", "D:\\WINDOWS"}) {
    EXPECT_FALSE(inst16::IsProtectedFolder(folder, "C:\\WINDOWS")) << folder;
  }
  EXPECT_TRUE(inst16::IsProtectedFolder("C:\\WINNT", "C:\\WINNT\\"));
  EXPECT_TRUE(inst16::IsProtectedFolder("C:\\OS", "C:\\OS\\WINDOWS")) << "a folder that holds Windows";
}

class SimInst16Test : public ::testing::Test {
 protected:
  SimInst16Test() : m_machine(sim::OsKind::Win98, "C:\\TEMP\\NAME\\DISK1\\SETUP.EXE") {
    for (const char* file : {"SETUP.EXE", "$INST16.EXE", "INST16.EXE"}) {
      m_machine.PutFile(std::string("drive_c/TEMP/NAME/DISK1/") + file, "simulated program\r\n");
    }
    m_machine.PutFile("drive_c/TEMP/NAME/README.TXT", "read me");
  }
  platform::DWORD Run(const std::string& commandLine) {
    platform::PROCESS_INFORMATION info;
    EXPECT_TRUE(m_machine.Interfaces().Processes().CreateProcessA(commandLine, DETACHED_PROCESS, info)) << commandLine;
    EXPECT_EQ(m_machine.Interfaces().Processes().WaitForSingleObject(info.hProcess, INFINITE),
              static_cast<platform::DWORD>(WAIT_OBJECT_0));
    platform::DWORD code = 0xFFFFFFFF;
    m_machine.Interfaces().Processes().GetExitCodeProcess(info.hProcess, &code);
    m_machine.Interfaces().Processes().CloseHandle(info.hProcess);
    m_machine.Interfaces().Processes().CloseHandle(info.hThread);
    return code;
  }
  fs::path Tree() const { return m_machine.Folder() / "drive_c" / "TEMP" / "NAME"; }
  testing_support::TempMachine m_machine;
};

TEST_F(SimInst16Test, RemovalWaitsUntilTheSetupProgramHasEnded) {
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\$INST16 /f\\DISK1\\SETUP.EXE /wC:\\TEMP\\NAME"), 0u);
  EXPECT_TRUE(fs::exists(Tree() / "DISK1" / "SETUP.EXE")) << "the setup program still runs";
  m_machine.Platform().Processes().ProgramEnded();
  EXPECT_FALSE(fs::exists(Tree()));
  EXPECT_TRUE(fs::is_directory(m_machine.Folder() / "drive_c" / "TEMP"));
  const std::string log = testing_support::ReadHostFile(m_machine.Folder() / "events.log");
  EXPECT_NE(log.find("inst16 waits for C:\\TEMP\\NAME\\DISK1\\SETUP.EXE\n"), std::string::npos) << log;
  EXPECT_NE(log.find("inst16 removed C:\\TEMP\\NAME\n"), std::string::npos) << log;
}

TEST_F(SimInst16Test, AnotherProgramHasEndedAlready) {
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE /f\\DISK1\\OTHER.EXE /wC:\\TEMP\\NAME"), 0u);
  EXPECT_FALSE(fs::exists(Tree()));
}

TEST_F(SimInst16Test, TheWindowsFolderAndDriveRootsStay) {
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE -RC:\\WINDOWS"), static_cast<platform::DWORD>(inst16::kRefused));
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE /wC:\\"), static_cast<platform::DWORD>(inst16::kRefused));
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE /f\\SETUP.EXE /wC:\\"), static_cast<platform::DWORD>(inst16::kRefused));
  m_machine.Platform().Processes().ProgramEnded();
  EXPECT_TRUE(fs::is_directory(m_machine.Folder() / "drive_c" / "WINDOWS" / "SYSTEM"));
  EXPECT_TRUE(fs::exists(Tree() / "README.TXT"));
}

// An installation in a folder that held something of the user's own, its
// setup folder below it and one of its files in the system folder.
class SimInst16RemovalTest : public SimInst16Test {
 protected:
  SimInst16RemovalTest() {
    for (const char* file : {"Tool/TOOL.EXE", "Tool/Sub/A.DAT", "Tool/MINE.TXT", "Tool/display/SETUP.EXE",
                             "Tool/display/INST16.EXE", "Tool/display/_INSTALL.ENU", "Other Vendor/data.txt"}) {
      m_machine.PutFile(std::string("drive_c/Program Files/") + file, "x");
    }
    m_machine.PutFile("drive_c/WINDOWS/SYSTEM/TOOL.DLL", "x");
  }
  void WriteManifest() {
    m_machine.PutFile("drive_c/Program Files/Tool/display/MANIFEST.LST",
                      "C:\\Program Files\\Tool\\\r\nC:\\Program Files\\Tool\\TOOL.EXE\r\n"
                      "C:\\Program Files\\Tool\\Sub\\\r\nC:\\Program Files\\Tool\\Sub\\A.DAT\r\n"
                      "C:\\Program Files\\Tool\\display\\\r\nC:\\WINDOWS\\SYSTEM\\TOOL.DLL\r\n");
  }
  fs::path ProgramFiles() const { return m_machine.Folder() / "drive_c" / "Program Files"; }
};

TEST_F(SimInst16RemovalTest, TakesWhatTheManifestListsBelowTheFolderAndNothingElse) {
  WriteManifest();
  EXPECT_EQ(Run("C:\\Program Files\\Tool\\display\\INST16.EXE -RC:\\PROGRA~1\\Tool"), 0u);
  EXPECT_FALSE(fs::exists(ProgramFiles() / "Tool" / "TOOL.EXE"));
  EXPECT_FALSE(fs::exists(ProgramFiles() / "Tool" / "Sub"));
  EXPECT_FALSE(fs::exists(ProgramFiles() / "Tool" / "display"));
  EXPECT_TRUE(fs::exists(ProgramFiles() / "Tool" / "MINE.TXT")) << "the user's own file, and so its folder";
  EXPECT_TRUE(fs::exists(m_machine.Folder() / "drive_c" / "WINDOWS" / "SYSTEM" / "TOOL.DLL")) << "not below the folder";
  EXPECT_TRUE(fs::exists(ProgramFiles() / "Other Vendor" / "data.txt"));
}

TEST_F(SimInst16RemovalTest, WithoutAManifestOnlyTheSetupFolderGoes) {
  EXPECT_EQ(Run("C:\\Program Files\\Tool\\display\\INST16.EXE -RC:\\PROGRA~1\\Tool"), 0u);
  EXPECT_FALSE(fs::exists(ProgramFiles() / "Tool" / "display"));
  EXPECT_TRUE(fs::exists(ProgramFiles() / "Tool" / "TOOL.EXE"));
  EXPECT_TRUE(fs::exists(ProgramFiles() / "Tool" / "Sub" / "A.DAT"));
  // A folder of the user's own named as the installed folder loses nothing.
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE -RC:\\PROGRA~1"), 0u);
  EXPECT_TRUE(fs::exists(ProgramFiles() / "Other Vendor" / "data.txt"));
  EXPECT_TRUE(fs::exists(ProgramFiles() / "Tool" / "TOOL.EXE"));
}

TEST_F(SimInst16RemovalTest, SourceTreesThatHoldWhatIsNotTheirsStay) {
  m_machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install.Tools",
                                           "Destination Dir", "C:\\Apps\\Tools");
  m_machine.PutFile("drive_c/Apps/Tools/TOOLS.EXE", "x");
  m_machine.PutFile("drive_c/WINDOWS/TEMP/KEEP.TMP", "x");
  m_machine.PutFile("drive_c/WINDOWS/TEMP/NAME/SETUP.EXE", "x");
  for (const char* tree : {"C:\\Program Files", "C:\\PROGRA~1\\", "C:\\Apps", "C:\\Apps\\Tools", "C:\\WINDOWS\\TEMP",
                           "C:\\WINDOWS\\Start Menu", "C:\\WINDOWS\\SYSTEM"}) {
    EXPECT_EQ(Run(std::string("C:\\TEMP\\NAME\\DISK1\\INST16.EXE /w") + tree),
              static_cast<platform::DWORD>(inst16::kRefused))
        << tree;
  }
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\$INST16 /f\\SETUP.EXE /wC:\\Program Files"),
            static_cast<platform::DWORD>(inst16::kRefused));
  m_machine.Platform().Processes().ProgramEnded();
  EXPECT_TRUE(fs::exists(ProgramFiles() / "Other Vendor" / "data.txt"));
  EXPECT_TRUE(fs::exists(m_machine.Folder() / "drive_c" / "Apps" / "Tools" / "TOOLS.EXE"));
  EXPECT_TRUE(fs::exists(m_machine.Folder() / "drive_c" / "WINDOWS" / "TEMP" / "KEEP.TMP"));
  const std::string log = testing_support::ReadHostFile(m_machine.Folder() / "events.log");
  EXPECT_NE(log.find("inst16 refused to remove C:\\Apps: it holds the installation recorded under "
                     "Software\\TORQUIST\\Install.Tools\n"),
            std::string::npos)
      << log;
  // A tree of its own below the temporary folder still goes.
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE /wC:\\WINDOWS\\TEMP\\NAME"), 0u);
  EXPECT_FALSE(fs::exists(m_machine.Folder() / "drive_c" / "WINDOWS" / "TEMP" / "NAME"));
}

TEST_F(SimInst16Test, TheBiosAnswerReplacesAnEarlierOne) {
  m_machine.SetHardware("[Bios]\nText=ACME Video BIOS\n");
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE -BVideo"), 0u);
  EXPECT_NE(m_machine.Machine().Registry().Export("HKEY_CLASSES_ROOT\\SearchBios").value_or("").find("@=\"1\""),
            std::string::npos);
  EXPECT_EQ(Run("C:\\TEMP\\NAME\\DISK1\\INST16.EXE -BRiva"), 0u);
  EXPECT_NE(m_machine.Machine().Registry().Export("HKEY_CLASSES_ROOT\\SearchBios").value_or("").find("@=\"0\""),
            std::string::npos);
}

}  // namespace
