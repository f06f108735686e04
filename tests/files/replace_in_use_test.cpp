// A file in use on Windows NT that cannot even be moved aside.
#include <gtest/gtest.h>

#include <sstream>

#include "files_fixture.h"
#include "winsim_commands.h"

namespace {

using files_test::FilesTest;

// The machine's file calls, except that one file refuses to be renamed now
// (a rename at the next start is still recorded).
class StuckFile final : public platform::IFileSystem {
 public:
  StuckFile(platform::IFileSystem& inner, std::string path) : m_inner(inner), m_path(std::move(path)) {}
  platform::BOOL ReadWholeFile(std::string_view p, std::vector<char>& c) override { return m_inner.ReadWholeFile(p, c); }
  platform::BOOL WriteWholeFile(std::string_view p, const char* d, std::size_t s) override {
    return m_inner.WriteWholeFile(p, d, s);
  }
  platform::BOOL FileExists(std::string_view p) override { return m_inner.FileExists(p); }
  platform::BOOL FindFirstFileName(std::string_view p, std::string& n) override {
    return m_inner.FindFirstFileName(p, n);
  }
  platform::BOOL GetDiskFreeSpaceA(std::string_view r, platform::DWORD* a, platform::DWORD* b, platform::DWORD* c,
                                   platform::DWORD* d) override {
    return m_inner.GetDiskFreeSpaceA(r, a, b, c, d);
  }
  platform::BOOL CreateDirectoryA(std::string_view p) override { return m_inner.CreateDirectoryA(p); }
  platform::BOOL RemoveDirectoryA(std::string_view p) override { return m_inner.RemoveDirectoryA(p); }
  platform::BOOL DeleteFileA(std::string_view p) override { return m_inner.DeleteFileA(p); }
  platform::DWORD GetFileAttributesA(std::string_view p) override { return m_inner.GetFileAttributesA(p); }
  platform::BOOL SetFileAttributesA(std::string_view p, platform::DWORD a) override {
    return m_inner.SetFileAttributesA(p, a);
  }
  platform::DWORD GetCurrentDirectoryA(platform::DWORD s, char* b) override { return m_inner.GetCurrentDirectoryA(s, b); }
  platform::BOOL SetCurrentDirectoryA(std::string_view p) override { return m_inner.SetCurrentDirectoryA(p); }
  platform::BOOL MoveFileExA(std::string_view existing, std::string_view newName, platform::DWORD flags) override {
    if (m_path == existing && (flags & MOVEFILE_DELAY_UNTIL_REBOOT) == 0) return 0;
    return m_inner.MoveFileExA(existing, newName, flags);
  }
  platform::DWORD GetShortPathNameA(std::string_view p, char* b, platform::DWORD s) override {
    return m_inner.GetShortPathNameA(p, b, s);
  }

 private:
  platform::IFileSystem& m_inner;
  std::string m_path;
};

constexpr const char* kScript =
    "[DestinationDirs]\r\nDefaultDestDir = App\r\n"
    "[SourceDisksNames]\r\n1 = Disk1\r\n[SourceDisksFiles]\r\nHELD.DLL = 1\r\n"
    "[Setup]\r\nOptionDesc = Setup\r\n[Optional Components]\r\nDriver\r\n"
    "[Driver]\r\nOptionDesc = Driver\r\nCopyFiles = Driver.Files\r\n[Driver.Files]\r\nHELD.DLL\r\n[End]\r\n";

TEST_F(FilesTest, AFileInUseThatCannotMoveAsideIsReplacedAtTheNextStartOnNt) {
  Start(sim::OsKind::NT4, kScript, "held1=C:\\HALVION\\App\\HELD.DLL\n");
  const std::string v1 = Library("V1.DLL"), v2 = Library("V2.DLL");
  Put("drive_d/HELD.DLL", v2);
  Put("drive_c/HALVION/App/HELD.DLL", v1);
  StuckFile stuck(m_machine->Platform().Interfaces().Files(), "C:\\HALVION\\App\\HELD.DLL");
  // Only the file calls change; everything else of the machine stays in force.
  platform::Platform& interfaces = m_machine->Interfaces();
  platform::IFileSystem* const original = interfaces.files;
  interfaces.files = &stuck;

  const CStepResult result = Files().RunCopies(m_progress);
  interfaces.files = original;
  EXPECT_TRUE(result.GoesOn());
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(Get("drive_c/HALVION/App/HELD.DLL"), v1) << "left in place for now";
  EXPECT_EQ(Get("drive_c/HALVION/App/TMP0.@@@"), v2) << "the new file waits";
  EXPECT_TRUE(Context().GetFlags() & SF_RESTART_NEEDED);
  const std::string pending =
      Registry("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager");
  EXPECT_NE(pending.find("PendingFileRenameOperations"), std::string::npos) << pending;

  // The next start comes after the program, whose registry changes are on disk by then.
  m_machine->Machine().Registry().RegFlushKey(HKEY_LOCAL_MACHINE);
  std::ostringstream out, err;
  ASSERT_EQ(winsim::RunCommand({"restart", m_machine->Folder().string()}, out, err), 0) << err.str();
  EXPECT_EQ(Get("drive_c/HALVION/App/HELD.DLL"), v2) << out.str();
  EXPECT_FALSE(Exists("drive_c/HALVION/App/TMP0.@@@"));
}

}  // namespace
