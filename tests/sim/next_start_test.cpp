// Short names of the simulated machine, and its next start through winsim.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/platform.h"
#include "support/temp_machine.h"
#include "winsim_commands.h"

namespace fs = std::filesystem;

namespace {

std::string ShortPath(const platform::Platform& platform, const std::string& path) {
  char buffer[MAX_PATH] = {};
  const platform::DWORD n = platform.Files().GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
  return std::string(buffer, n < sizeof buffer ? n : 0);
}

TEST(ShortNamesTest, NumberedInTheFolderAsWindowsNumbersThem) {
  testing_support::TempMachine m(sim::OsKind::Win98);
  m.PutFile("drive_c/Program Files/Display Tools/Long Settings Name.text", "1");
  m.PutFile("drive_c/Program Files/Display Tools/Long Settings Other.text", "2");
  m.PutFile("drive_c/Program Files/Display Tools/LONGSE~1.TEX", "taken");
  m.PutFile("drive_c/Program Files/Display Tools/v.1.2.txt", "dots");
  EXPECT_EQ(ShortPath(m.Interfaces(), "C:\\Program Files\\Display Tools\\Long Settings Name.text"),
            "C:\\PROGRA~1\\DISPLA~1\\LONGSE~2.TEX")
      << "~1 is taken by a real 8.3 name";
  EXPECT_EQ(ShortPath(m.Interfaces(), "C:\\Program Files\\Display Tools\\Long Settings Other.text"),
            "C:\\PROGRA~1\\DISPLA~1\\LONGSE~3.TEX");
  EXPECT_EQ(ShortPath(m.Interfaces(), "C:\\Program Files\\Display Tools\\v.1.2.txt"), "C:\\PROGRA~1\\DISPLA~1\\V12~1.TXT");
  EXPECT_EQ(ShortPath(m.Interfaces(), "c:\\program files\\"), "C:\\PROGRA~1\\");

  // Short names lead to the same files.
  std::vector<char> content;
  ASSERT_TRUE(m.Interfaces().Files().ReadWholeFile("C:\\PROGRA~1\\DISPLA~1\\LONGSE~3.TEX", content));
  EXPECT_EQ(std::string(content.begin(), content.end()), "2");
  EXPECT_TRUE(m.Interfaces().Files().FileExists("C:\\progra~1\\displa~1\\longse~1.tex"));
  EXPECT_FALSE(m.Interfaces().Files().FileExists("C:\\PROGRA~1\\DISPLA~1\\LONGSE~9.TEX"));
}

TEST(ShortNamesTest, Windows9xKeepsNoListOfOperationsForTheNextStart) {
  testing_support::TempMachine m(sim::OsKind::Win95);
  m.PutFile("drive_c/A.TXT", "a");
  EXPECT_FALSE(m.Interfaces().Files().MoveFileExA("C:\\A.TXT", {}, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(m.Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_TRUE(m.Interfaces().Files().MoveFileExA("C:\\A.TXT", "C:\\B.TXT", 0)) << "renames work";
}

std::string Restart(const fs::path& folder, int expected = 0) {
  std::ostringstream out, err;
  EXPECT_EQ(winsim::RunCommand({"restart", folder.string()}, out, err), expected) << err.str();
  return out.str() + err.str();
}

TEST(NextStartTest, Windows9xWorksThroughWininitInOrder) {
  testing_support::TempMachine m(sim::OsKind::Win98);
  m.PutFile("drive_c/WINDOWS/WININIT.INI",
            "[Other]\r\nNUL=C:\\KEEP.TXT\r\n"
            "[rename]\r\n; a comment\r\nC:\\TARGET.TXT=C:\\FIRST.TXT\r\nC:\\TARGET.TXT=C:\\SECOND.TXT\r\n"
            "NUL=C:\\GONE.TXT\r\nNUL=C:\\EMPTY\r\nNUL=C:\\FULL\r\nC:\\NODIR\\X.TXT=C:\\THIRD.TXT\r\n");
  m.PutFile("drive_c/KEEP.TXT", "keep");
  m.PutFile("drive_c/FIRST.TXT", "first");
  m.PutFile("drive_c/SECOND.TXT", "second");
  m.PutFile("drive_c/GONE.TXT", "gone");
  m.PutFile("drive_c/THIRD.TXT", "third");
  m.PutFile("drive_c/FULL/IN.TXT", "in");
  fs::create_directories(m.Folder() / "drive_c" / "EMPTY");
  m.PutFile("drive_c/WINDOWS/WININIT.BAK", "an older one");
  const std::string report = Restart(m.Folder());
  const fs::path c = m.Folder() / "drive_c";
  EXPECT_EQ(testing_support::ReadHostFile(c / "TARGET.TXT"), "second") << report;
  EXPECT_FALSE(fs::exists(c / "FIRST.TXT"));
  EXPECT_FALSE(fs::exists(c / "SECOND.TXT"));
  EXPECT_FALSE(fs::exists(c / "GONE.TXT"));
  EXPECT_FALSE(fs::exists(c / "EMPTY"));
  EXPECT_TRUE(fs::exists(c / "FULL" / "IN.TXT")) << "a folder with files stays";
  EXPECT_TRUE(fs::exists(c / "THIRD.TXT")) << "a target folder that does not exist moves nothing";
  EXPECT_TRUE(fs::exists(c / "KEEP.TXT")) << "only [Rename] counts";
  EXPECT_FALSE(fs::exists(c / "WINDOWS" / "WININIT.INI"));
  EXPECT_NE(testing_support::ReadHostFile(c / "WINDOWS" / "WININIT.BAK").find("SECOND.TXT"), std::string::npos);
  EXPECT_NE(report.find("move C:\\SECOND.TXT to C:\\TARGET.TXT"), std::string::npos) << report;

  // Nothing is left for a second start.
  const std::string again = Restart(m.Folder());
  EXPECT_EQ(again.find("move"), std::string::npos) << again;
}

TEST(NextStartTest, NtCarriesOutPendingRenamesAndRunOnce) {
  testing_support::TempMachine m(sim::OsKind::NT4);
  m.PutFile("drive_c/DOOMED.TXT", "doomed");
  m.PutFile("drive_c/OLD/IN.TXT", "in");
  m.PutFile("drive_c/FROM.TXT", "from");
  m.PutFile("drive_c/TO.TXT", "to");
  m.PutFile("drive_c/KEPT.TXT", "kept");
  m.PutFile("drive_c/MOVE.TXT", "move");
  m.PutFile("drive_c/DIR/A.TXT", "a");
  m.PutFile("drive_c/TOOLS/ONCE.EXE", "simulated program\r\n");
  platform::IFileSystem& files = m.Interfaces().Files();
  ASSERT_TRUE(files.MoveFileExA("C:\\DOOMED.TXT", {}, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(files.MoveFileExA("C:\\OLD\\IN.TXT", {}, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(files.MoveFileExA("C:\\OLD", {}, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(files.MoveFileExA("C:\\FROM.TXT", "C:\\TO.TXT", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(files.MoveFileExA("C:\\MOVE.TXT", "C:\\KEPT.TXT", MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(files.MoveFileExA("C:\\DIR", "C:\\NEWDIR", MOVEFILE_DELAY_UNTIL_REBOOT));
  const std::string runOnce = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  ASSERT_TRUE(m.Machine().Registry().SetString(runOnce, "First", "C:\\TOOLS\\ONCE.EXE 1"));
  ASSERT_TRUE(m.Machine().Registry().SetString(runOnce, "Missing", "C:\\TOOLS\\NONE.EXE"));

  const std::string report = Restart(m.Folder());
  const fs::path c = m.Folder() / "drive_c";
  EXPECT_FALSE(fs::exists(c / "DOOMED.TXT")) << report;
  EXPECT_FALSE(fs::exists(c / "OLD")) << "a folder emptied first goes too";
  EXPECT_EQ(testing_support::ReadHostFile(c / "TO.TXT"), "from");
  EXPECT_EQ(testing_support::ReadHostFile(c / "KEPT.TXT"), "kept") << "no replacing without the flag";
  EXPECT_TRUE(fs::exists(c / "MOVE.TXT"));
  EXPECT_EQ(testing_support::ReadHostFile(c / "NEWDIR" / "A.TXT"), "a");
  EXPECT_NE(report.find("RunOnce First: C:\\TOOLS\\ONCE.EXE 1 (exit code 0)"), std::string::npos) << report;
  EXPECT_NE(report.find("RunOnce Missing: C:\\TOOLS\\NONE.EXE: cannot start (error 2)"), std::string::npos) << report;
  const std::string events = testing_support::ReadHostFile(m.Folder() / "events.log");
  EXPECT_NE(events.find("ONCE.EXE"), std::string::npos) << events;

  std::string error;
  auto machine = sim::Machine::Open(m.Folder(), error);
  ASSERT_TRUE(machine) << error;
  EXPECT_EQ(machine->Registry().Export(runOnce).value_or("").find("ONCE"), std::string::npos);
  EXPECT_EQ(machine->Registry()
                .Export("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager")
                .value_or("")
                .find("PendingFileRenameOperations"),
            std::string::npos);
}

TEST(NextStartTest, CommandLine) {
  std::ostringstream out, err;
  EXPECT_EQ(winsim::RunCommand({"restart"}, out, err), 2);
  EXPECT_EQ(winsim::RunCommand({"restart", "/nonexistent/machine"}, out, err), 1);
  EXPECT_NE(err.str().find("not a machine folder"), std::string::npos) << err.str();
}

}  // namespace
