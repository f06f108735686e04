// Folders, deletion, attributes and the current folder.
#include <gtest/gtest.h>

#include <string>

#include "conformance_environment.h"

namespace {

class FolderConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    m_dir = m_env->ScratchFolder();
  }
  void TearDown() override {
    // Leave nothing read-only behind for the environment's clean-up.
    conformance::Interfaces().Files().SetFileAttributesA(m_dir + "\\RO.TXT", FILE_ATTRIBUTE_NORMAL);
    m_env.reset();
  }
  platform::DWORD LastError() { return conformance::Interfaces().System().GetLastError(); }
  void Write(const std::string& path, const std::string& text) {
    ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(path, text.data(), text.size()));
  }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_dir;
};

TEST_F(FolderConformanceTest, CreateAndRemoveFolders) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  ASSERT_TRUE(files.CreateDirectoryA(m_dir + "\\NEW"));
  EXPECT_EQ(files.GetFileAttributesA(m_dir + "\\new") & FILE_ATTRIBUTE_DIRECTORY, static_cast<platform::DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  EXPECT_FALSE(files.CreateDirectoryA(m_dir + "\\NEW"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(files.CreateDirectoryA(m_dir + "\\MISSING\\DEEPER")) << "one level at a time";
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));

  Write(m_dir + "\\NEW\\FILE.TXT", "x");
  EXPECT_FALSE(files.RemoveDirectoryA(m_dir + "\\NEW"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_FALSE(files.RemoveDirectoryA(m_dir + "\\NEW\\FILE.TXT"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_DIRECTORY));
  EXPECT_FALSE(files.DeleteFileA(m_dir + "\\NEW")) << "a folder is not deleted as a file";
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));

  EXPECT_TRUE(files.DeleteFileA(m_dir + "\\new\\file.txt"));
  EXPECT_TRUE(files.RemoveDirectoryA(m_dir + "\\NEW"));
  EXPECT_EQ(files.GetFileAttributesA(m_dir + "\\NEW"), static_cast<platform::DWORD>(INVALID_FILE_ATTRIBUTES));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(files.RemoveDirectoryA(m_dir + "\\NEW"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FolderConformanceTest, DeletingMissingFiles) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  EXPECT_FALSE(files.DeleteFileA(m_dir + "\\NOFILE.TXT"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(files.DeleteFileA(m_dir + "\\NODIR\\NOFILE.TXT"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(files.GetFileAttributesA(m_dir + "\\NODIR\\NOFILE.TXT"), static_cast<platform::DWORD>(INVALID_FILE_ATTRIBUTES));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FolderConformanceTest, ReadOnlyFilesAreNeitherWrittenNorDeleted) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  const std::string path = m_dir + "\\RO.TXT";
  Write(path, "first");
  const platform::DWORD fresh = files.GetFileAttributesA(path);
  EXPECT_EQ(fresh & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0u);
  EXPECT_EQ(fresh & FILE_ATTRIBUTE_ARCHIVE, static_cast<platform::DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << "a new file is marked for backup";

  ASSERT_TRUE(files.SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(files.GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY, static_cast<platform::DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(files.DeleteFileA(path));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
  if (m_env->ReadOnlyIsEnforced()) {
    EXPECT_EQ(conformance::ErrorOf(files.WriteWholeFile(path, "second", 6)), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
    std::vector<char> content;
    ASSERT_TRUE(files.ReadWholeFile(path, content));
    EXPECT_EQ(std::string(content.begin(), content.end()), "first");
  }

  ASSERT_TRUE(files.SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(files.GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(files.DeleteFileA(path));
  EXPECT_FALSE(files.SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FolderConformanceTest, RelativePathsStartInTheCurrentFolder) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  char before[261] = {};
  const platform::DWORD n = files.GetCurrentDirectoryA(sizeof before, before);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof before);

  ASSERT_TRUE(files.CreateDirectoryA(m_dir + "\\CUR"));
  Write(m_dir + "\\CUR\\HERE.TXT", "here");
  ASSERT_TRUE(files.SetCurrentDirectoryA(m_dir + "\\CUR\\"));
  char now[261] = {};
  const platform::DWORD m = files.GetCurrentDirectoryA(sizeof now, now);
  EXPECT_EQ(std::string(now, m).size(), m);
  EXPECT_NE(now[m - 1], '\\') << "no closing backslash below a root";
  EXPECT_TRUE(files.FileExists("HERE.TXT"));
  EXPECT_TRUE(files.FileExists("..\\CUR\\HERE.TXT"));
  char small[2] = {};
  EXPECT_EQ(files.GetCurrentDirectoryA(sizeof small, small), m + 1) << "the size needed with the NUL";

  EXPECT_FALSE(files.SetCurrentDirectoryA(m_dir + "\\NOWHERE"));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(files.FileExists("HERE.TXT")) << "a failed change keeps the folder";

  ASSERT_TRUE(files.SetCurrentDirectoryA(std::string(before, n)));
  EXPECT_TRUE(files.DeleteFileA(m_dir + "\\CUR\\HERE.TXT"));
  EXPECT_TRUE(files.RemoveDirectoryA(m_dir + "\\CUR"));
}

}  // namespace
