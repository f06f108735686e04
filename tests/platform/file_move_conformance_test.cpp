// Renames, deletions at the next start, short names and files held open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conformance_environment.h"

namespace {

constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenames = "PendingFileRenameOperations";

class FileMoveConformanceTest : public ::testing::Test {
 protected:
  void Start(bool nt) {
    m_env.reset();  // the platform it installed goes first
    m_env = nt ? conformance::MakeNtEnvironment() : conformance::MakeEnvironment();
    m_dir = m_env->ScratchFolder();
  }
  void SetUp() override { Start(false); }
  void TearDown() override { m_env.reset(); }
  platform::DWORD LastError() { return conformance::Interfaces().System().GetLastError(); }
  void Write(const std::string& path, const std::string& text) {
    ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(path, text.data(), text.size())) << path;
  }
  std::string Read(const std::string& path) {
    std::vector<char> content;
    if (!conformance::Interfaces().Files().ReadWholeFile(path, content)) return "<missing>";
    return std::string(content.begin(), content.end());
  }
  // The pending renames, as the strings of the list; the value is removed
  // so that nothing happens at the next start.
  std::vector<std::string> TakePendingRenames() {
    std::vector<std::string> strings;
    platform::HKEY key = nullptr;
    if (conformance::Interfaces().Registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) != 0) {
      return strings;
    }
    platform::DWORD type = 0, size = 0;
    if (conformance::Interfaces().Registry().RegQueryValueExA(key, kPendingRenames, &type, nullptr, &size) == 0) {
      std::vector<platform::BYTE> data(size + 2);
      conformance::Interfaces().Registry().RegQueryValueExA(key, kPendingRenames, &type, data.data(), &size);
      EXPECT_EQ(type, static_cast<platform::DWORD>(REG_MULTI_SZ));
      std::string current;
      for (platform::DWORD i = 0; i < size; ++i) {
        if (data[i] == 0) {
          strings.push_back(current);
          current.clear();
        } else {
          current += static_cast<char>(data[i]);
        }
      }
      conformance::Interfaces().Registry().RegDeleteValueA(key, kPendingRenames);
    }
    conformance::Interfaces().Registry().RegCloseKey(key);
    return strings;
  }
  std::string LongPath(const std::string& path, const char* prefix = "") {
    std::string result = prefix;
    result += "\\??\\";
    result += path;
    return result;
  }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_dir;
};

TEST_F(FileMoveConformanceTest, RenamesFilesAndFolders) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  Write(m_dir + "\\OLD.TXT", "old");
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\OLD.TXT").c_str(), (m_dir + "\\NEW.TXT").c_str(), 0));
  EXPECT_FALSE(files.FileExists(m_dir + "\\OLD.TXT"));
  EXPECT_EQ(Read(m_dir + "\\NEW.TXT"), "old");

  Write(m_dir + "\\OTHER.TXT", "other");
  EXPECT_FALSE(files.MoveFileExA((m_dir + "\\OTHER.TXT").c_str(), (m_dir + "\\NEW.TXT").c_str(), 0));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(Read(m_dir + "\\NEW.TXT"), "old");
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\OTHER.TXT").c_str(), (m_dir + "\\NEW.TXT").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Read(m_dir + "\\NEW.TXT"), "other");

  EXPECT_FALSE(files.MoveFileExA((m_dir + "\\GONE.TXT").c_str(), (m_dir + "\\X.TXT").c_str(), 0));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(files.MoveFileExA((m_dir + "\\NEW.TXT").c_str(), (m_dir + "\\NODIR\\X.TXT").c_str(), 0));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));

  m_env->MakeFolder(m_dir + "\\FOLDER");
  Write(m_dir + "\\FOLDER\\IN.TXT", "in");
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\FOLDER").c_str(), (m_dir + "\\MOVED").c_str(), 0));
  EXPECT_EQ(Read(m_dir + "\\MOVED\\IN.TXT"), "in");
  EXPECT_TRUE(files.DeleteFileA(m_dir + "\\MOVED\\IN.TXT"));
  EXPECT_TRUE(files.RemoveDirectoryA(m_dir + "\\MOVED"));
}

TEST_F(FileMoveConformanceTest, ShortNames) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  Write(m_dir + "\\SHORT.TXT", "short");
  char buffer[MAX_PATH] = {};
  platform::DWORD n = files.GetShortPathNameA((m_dir + "\\SHORT.TXT").c_str(), buffer, sizeof buffer);
  ASSERT_GT(n, 0u);
  const std::string shortOfShort(buffer, n);
  EXPECT_EQ(shortOfShort.substr(shortOfShort.size() - 10), "\\SHORT.TXT") << "an 8.3 name is its own short name";

  m_env->MakeFolder(m_dir + "\\Long Folder Name");
  Write(m_dir + "\\Long Folder Name\\Quite Long Name.Text", "long");
  n = files.GetShortPathNameA((m_dir + "\\Long Folder Name\\Quite Long Name.Text").c_str(), buffer, sizeof buffer);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof buffer);
  const std::string shortPath(buffer, n);
  EXPECT_EQ(Read(shortPath), "long") << shortPath;
  const std::string last = shortPath.substr(shortPath.find_last_of('\\') + 1);
  EXPECT_NE(last.find('~'), std::string::npos) << last;
  EXPECT_LE(last.size(), 12u) << last;
  EXPECT_EQ(last.substr(last.size() - 4), ".TEX") << "the extension keeps three characters";
  for (char c : last) EXPECT_FALSE(c >= 'a' && c <= 'z') << last;

  char small[4] = {};
  EXPECT_EQ(files.GetShortPathNameA((m_dir + "\\Long Folder Name\\Quite Long Name.Text").c_str(), small, sizeof small),
            n + 1)
      << "the size needed with the NUL";
  EXPECT_EQ(files.GetShortPathNameA((m_dir + "\\NOFILE.TXT").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileMoveConformanceTest, FileHeldOpenMovesButStays) {
  const std::string library = Read(m_env->VersionFilePath("V1.DLL"));
  Write(m_dir + "\\HELD.DLL", library);
  m_env->HoldOpen(m_dir + "\\HELD.DLL");
  platform::IFileSystem& files = conformance::Interfaces().Files();
  EXPECT_FALSE(files.DeleteFileA(m_dir + "\\HELD.DLL"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
  Write(m_dir + "\\NEW.DLL", "new");
  EXPECT_FALSE(files.MoveFileExA((m_dir + "\\NEW.DLL").c_str(), (m_dir + "\\HELD.DLL").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
  // A module in use can be given another name, which frees its own.
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\HELD.DLL").c_str(), (m_dir + "\\ASIDE.DLL").c_str(), 0));
  EXPECT_EQ(Read(m_dir + "\\ASIDE.DLL"), library);
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\NEW.DLL").c_str(), (m_dir + "\\HELD.DLL").c_str(), 0));
  EXPECT_EQ(Read(m_dir + "\\HELD.DLL"), "new");
}

TEST_F(FileMoveConformanceTest, NtKeepsOperationsForTheNextStart) {
  Start(true);
  platform::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(conformance::Interfaces().System().GetVersionExA(version));
  // The simulated machine can be an NT one here; Wine is the system it reports.
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) GTEST_SKIP() << "only Windows NT keeps next-start operations";
  platform::IFileSystem& files = conformance::Interfaces().Files();
  TakePendingRenames();

  Write(m_dir + "\\DOOMED.TXT", "doomed");
  Write(m_dir + "\\FROM.TXT", "from");
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\DOOMED.TXT").c_str(), {}, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\FROM.TXT").c_str(), (m_dir + "\\TO.TXT").c_str(),
                                MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(files.MoveFileExA((m_dir + "\\FROM.TXT").c_str(), (m_dir + "\\THERE.TXT").c_str(),
                                MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_TRUE(files.MoveFileExA((m_dir + "\\NOFILE.TXT").c_str(), {}, MOVEFILE_DELAY_UNTIL_REBOOT))
      << "whether the file exists is the next start's concern";
  EXPECT_EQ(Read(m_dir + "\\DOOMED.TXT"), "doomed") << "nothing happens before the next start";
  EXPECT_EQ(Read(m_dir + "\\FROM.TXT"), "from");

  const std::vector<std::string> pending = TakePendingRenames();
  ASSERT_GE(pending.size(), 8u);
  EXPECT_EQ(pending[0], LongPath(m_dir + "\\DOOMED.TXT"));
  EXPECT_EQ(pending[1], "");
  EXPECT_EQ(pending[2], LongPath(m_dir + "\\FROM.TXT"));
  EXPECT_EQ(pending[3], LongPath(m_dir + "\\TO.TXT", "!"));
  EXPECT_EQ(pending[4], LongPath(m_dir + "\\FROM.TXT"));
  EXPECT_EQ(pending[5], LongPath(m_dir + "\\THERE.TXT"));
  EXPECT_EQ(pending[6], LongPath(m_dir + "\\NOFILE.TXT"));
  EXPECT_EQ(pending[7], "");
}

}  // namespace
