// Nothing the simulated program names reaches the host outside the machine
// folder: ".." chains from every drive, links planted in a drive, device
// names and prefixes. Each case checks the folder that holds the machine
// folder, before and after.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/device_installer.h"
#include "platform/sim/scripted_programs.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;
using testing_support::ReadHostFile;
using testing_support::TempMachine;
using testing_support::WriteHostFile;

namespace {

class ContainmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder beside the machine that links point into.
    WriteHostFile(Outside() / "SECRET.TXT", "secret");
    fs::create_directories(Outside() / "EMPTY");
    fs::create_directories(m_machine.Folder() / "drive_e");
    fs::create_directory_symlink(Outside(), C() / "OUTDIR");
    fs::create_symlink(Outside() / "SECRET.TXT", C() / "SECRET.TXT");
    fs::create_directory_symlink(Outside(), m_machine.Folder() / "drive_f");
    m_before = Snapshot();
  }
  void TearDown() override { EXPECT_EQ(Snapshot(), m_before) << "something outside the machine folder changed"; }

  fs::path Parent() const { return m_machine.Folder().parent_path(); }
  fs::path Outside() const { return Parent() / "outside"; }
  fs::path C() const { return m_machine.Folder() / "drive_c"; }
  // Every entry beside the machine folder and below it, with its content.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(Parent(), ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (it->path() == m_machine.Folder()) {
        it.disable_recursion_pending();
        continue;
      }
      entries[it->path().string()] = it->is_regular_file() ? ReadHostFile(it->path()) : "<folder>";
    }
    return entries;
  }
  platform::DWORD Write(const std::string& path) {
    return m_machine.Interfaces().Files().WriteWholeFile(path, "x", 1) ? static_cast<platform::DWORD>(ERROR_SUCCESS)
                                                                       : LastError();
  }
  platform::DWORD LastError() { return m_machine.Interfaces().System().GetLastError(); }

  TempMachine m_machine;
  std::map<std::string, std::string> m_before;
};

TEST_F(ContainmentTest, DotDotChainsStopAtEveryDrivesRoot) {
  platform::IFileSystem& files = m_machine.Interfaces().Files();
  const std::string up = "..\\..\\..\\..\\..\\..\\..\\..\\";
  for (const char drive : {'C', 'E'}) {  // D is the CD, never written
    const std::string root = std::string(1, drive) + ":\\";
    ASSERT_EQ(Write(root + up + "outside\\UP.TXT"), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND)) << root;
    ASSERT_EQ(Write(root + up + "UP.TXT"), 0u) << root;
    const fs::path host = m_machine.Folder() / (std::string("drive_") + static_cast<char>(drive - 'A' + 'a'));
    EXPECT_TRUE(fs::is_regular_file(host / "UP.TXT")) << root;
    EXPECT_TRUE(files.CreateDirectoryA(root + up + "m"));
    EXPECT_TRUE(fs::is_directory(host / "m"));
    // From a folder on the drive, as the current folder.
    ASSERT_TRUE(files.SetCurrentDirectoryA(root + "m"));
    EXPECT_EQ(Write(up + "REL.TXT"), 0u);
    EXPECT_EQ(Write(std::string(1, drive) + ":" + up + "DRIVEREL.TXT"), 0u);
    EXPECT_TRUE(fs::is_regular_file(host / "REL.TXT"));
    EXPECT_TRUE(fs::is_regular_file(host / "DRIVEREL.TXT"));
  }
  // The literal prefix refuses ".." instead of climbing.
  EXPECT_EQ(Write("\\\\?\\C:\\..\\..\\UP.TXT"), static_cast<platform::DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(Write("\\\\?\\C:\\..."), 0u) << "three dots are a name there";
  EXPECT_TRUE(fs::is_regular_file(C() / "..."));
  EXPECT_EQ(Write("C:\\...\\X.TXT"), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND)) << "a file is no folder";
}

TEST_F(ContainmentTest, LinksOutOfADriveAreNeverFollowed) {
  platform::IFileSystem& files = m_machine.Interfaces().Files();
  std::vector<char> content;
  for (const std::string path : {"C:\\OUTDIR\\SECRET.TXT", "C:\\SECRET.TXT", "F:\\SECRET.TXT", "c:\\outdir\\secret.txt"}) {
    EXPECT_FALSE(files.ReadWholeFile(path, content)) << path;
    EXPECT_NE(Write(path), 0u) << path;
    EXPECT_FALSE(files.DeleteFileA(path)) << path;
    EXPECT_FALSE(files.SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY)) << path;
    EXPECT_FALSE(files.MoveFileExA(path, "C:\\MOVED.TXT", 0)) << path;
    EXPECT_FALSE(files.FileExists(path)) << path;
  }
  EXPECT_NE(Write("C:\\OUTDIR\\NEW.TXT"), 0u);
  EXPECT_FALSE(files.CreateDirectoryA("C:\\OUTDIR\\NEW"));
  EXPECT_FALSE(files.RemoveDirectoryA("C:\\OUTDIR\\EMPTY"));
  EXPECT_FALSE(files.RemoveDirectoryA("C:\\OUTDIR")) << "the link itself is no folder of the drive";
  EXPECT_EQ(testing_support::FirstMatch(files, "C:\\OUTDIR\\*"), "");
  EXPECT_EQ(testing_support::FirstMatch(files, "C:\\SECRET*"), "") << "links are not listed";
  EXPECT_FALSE(files.SetCurrentDirectoryA("C:\\OUTDIR"));
  EXPECT_FALSE(files.SetCurrentDirectoryA("F:\\"));
  ASSERT_EQ(Write("C:\\MINE.TXT"), 0u);
  EXPECT_FALSE(files.MoveFileExA("C:\\MINE.TXT", "C:\\OUTDIR\\MINE.TXT", 0));
  EXPECT_FALSE(files.MoveFileExA("C:\\MINE.TXT", "C:\\SECRET.TXT", MOVEFILE_REPLACE_EXISTING));
  char shortPath[platform::kMaxPath] = {};
  EXPECT_EQ(files.GetShortPathNameA("C:\\OUTDIR\\SECRET.TXT", shortPath, sizeof(shortPath)), 0u);
  m_machine.Interfaces().Profiles().WritePrivateProfileStringA("S", "K", "V", "C:\\OUTDIR\\OUT.INI");
  m_machine.Interfaces().Profiles().WritePrivateProfileStringA("S", "K", "V", "C:\\SECRET.TXT");
}

// A folder the machine has looked into, replaced by a link from outside
// while the program runs, is not followed either.
TEST_F(ContainmentTest, AFolderReplacedByALinkIsNotFollowed) {
  ASSERT_EQ(Write("C:\\SWAP\\..\\KEEP.TXT"), static_cast<platform::DWORD>(ERROR_SUCCESS));
  ASSERT_TRUE(m_machine.Interfaces().Files().CreateDirectoryA("C:\\SWAP"));
  ASSERT_EQ(Write("C:\\SWAP\\IN.TXT"), 0u);
  fs::remove_all(C() / "SWAP");
  fs::create_directory_symlink(Outside(), C() / "SWAP");
  std::vector<char> content;
  EXPECT_FALSE(m_machine.Interfaces().Files().ReadWholeFile("C:\\SWAP\\SECRET.TXT", content));
  EXPECT_NE(Write("C:\\SWAP\\SECRET.TXT"), 0u);
  EXPECT_NE(Write("C:\\SWAP\\NEW.TXT"), 0u);
  EXPECT_NE(Write("C:\\SWAP\\EMPTY\\NEW.TXT"), 0u);
  EXPECT_FALSE(m_machine.Interfaces().Files().CreateDirectoryA("C:\\SWAP\\EMPTY\\SUB"));
  EXPECT_FALSE(m_machine.Interfaces().Files().MoveFileExA("C:\\KEEP.TXT", "C:\\SWAP\\EMPTY\\KEEP.TXT", 0));
}

TEST_F(ContainmentTest, DevicesSharesAndLongPathsMakeNoFiles) {
  platform::IFileSystem& files = m_machine.Interfaces().Files();
  for (const char* name : {"NUL", "con", "COM1", "LPT1", "CON.TXT", "nul.ini", "AUX .LOG", "PRN", "COM9.X"}) {
    const std::string path = std::string("C:\\WINDOWS\\") + name;
    EXPECT_EQ(Write(path), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED)) << name;
    EXPECT_FALSE(files.CreateDirectoryA(path)) << name;
    EXPECT_EQ(Write(std::string("C:\\") + name + "\\X.TXT"), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND))
        << name;
    EXPECT_EQ(Write(std::string("\\\\.\\") + name), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED)) << name;
  }
  // A folder of a device's name put there from outside is not one to the program.
  fs::create_directories(C() / "NUL");
  EXPECT_EQ(Write("C:\\NUL\\X.TXT"), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(fs::is_empty(C() / "NUL"));

  EXPECT_EQ(Write("\\\\server\\share\\X.TXT"), static_cast<platform::DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(Write("\\\\?\\UNC\\server\\share\\X.TXT"), static_cast<platform::DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(Write("//server/share/X.TXT"), static_cast<platform::DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(Write("\\\\?\\" + Outside().string()), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Write("\\\\.\\C:"), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Write(Outside().string() + "/HOST.TXT"), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND))
      << "a host path is a path on the current drive";

  std::string deep = "C:";
  while (deep.size() < 600) deep += "\\..\\DEEP";
  EXPECT_EQ(Write(deep), static_cast<platform::DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(Write("C:\\" + std::string(255, 'N')), 0u) << "one name of 255 characters is allowed";
  EXPECT_EQ(Write("C:\\" + std::string(256, 'N')), static_cast<platform::DWORD>(ERROR_INVALID_NAME));
}

}  // namespace

// A pipe put in a drive is never waited on: reading it as a program, a
// driver's INF or a file, or writing it, ends at once with a refusal.
TEST_F(ContainmentTest, APipeIsRefusedNotWaitedOn) {
  ASSERT_EQ(::mkfifo((C() / "PIPE.EXE").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo((C() / "PIPE.INF").c_str(), 0644), 0);
  const sim::ProgramRun run =
      sim::ScriptedProgramBehaviour(sim::ProgramStart{"C:\\PIPE.EXE", "C:\\PIPE.EXE", "", "C:\\"}, m_machine.Machine());
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(sim::ReadMachineFile(m_machine.Machine(), "C:\\PIPE.INF"));
  std::vector<char> content;
  EXPECT_FALSE(m_machine.Interfaces().Files().ReadWholeFile("C:\\PIPE.INF", content));
  EXPECT_NE(Write("C:\\PIPE.INF"), 0u);
}
