// How a Windows path is read: ".." never climbs above a drive's root, the
// last name loses its trailing dots and blanks, device names are never
// files, network shares and the "\\?\" and "\\.\" prefixes, and the length
// limit of the ANSI calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conformance_environment.h"

namespace {

class PathConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    m_dir = m_env->ScratchFolder();
  }
  void TearDown() override { m_env.reset(); }
  platform::DWORD LastError() { return conformance::Interfaces().System().GetLastError(); }
  platform::DWORD Write(const std::string& path, const std::string& text = "x") {
    return conformance::ErrorOf(conformance::Interfaces().Files().WriteWholeFile(path, text.data(), text.size()));
  }
  std::string Read(const std::string& path) {
    std::vector<char> content;
    if (!conformance::Interfaces().Files().ReadWholeFile(path, content)) return "<missing>";
    return std::string(content.begin(), content.end());
  }
  // The scratch folder named from the root of its drive, without "X:".
  std::string BelowRoot() const { return m_dir.substr(2); }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_dir;
};

TEST_F(PathConformanceTest, DotDotNeverClimbsAboveTheDrivesRoot) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  ASSERT_EQ(Write(m_dir + "\\F.TXT", "f"), 0u);
  const std::string drive = m_dir.substr(0, 2);
  EXPECT_EQ(Read(drive + "\\..\\..\\..\\.." + BelowRoot() + "\\F.TXT"), "f");
  EXPECT_EQ(Read(drive + "\\.\\..\\." + BelowRoot() + "\\SUB\\..\\.\\F.TXT"), "f");
  EXPECT_EQ(Read(m_dir + "\\\\F.TXT"), "f") << "a doubled separator is one";
  EXPECT_NE(files.GetFileAttributesA(drive + "\\..") & FILE_ATTRIBUTE_DIRECTORY, 0u) << "C:\\.. is C:\\";

  // A relative path climbs from the current folder and stops at the root too.
  char saved[platform::kMaxPath] = {};
  ASSERT_GT(files.GetCurrentDirectoryA(sizeof(saved), saved), 0u);
  ASSERT_TRUE(files.SetCurrentDirectoryA(m_dir));
  std::string climb;
  for (int i = 0; i < 12; ++i) climb += "..\\";
  EXPECT_EQ(Read(climb + BelowRoot().substr(1) + "\\F.TXT"), "f");
  ASSERT_EQ(Write(climb + BelowRoot().substr(1) + "\\G.TXT", "g"), 0u);
  EXPECT_EQ(Read(m_dir + "\\G.TXT"), "g");
  files.SetCurrentDirectoryA(saved);
}

TEST_F(PathConformanceTest, TheLastNameLosesItsTrailingDotsAndBlanks) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  ASSERT_EQ(Write(m_dir + "\\G.TXT. . ", "g"), 0u);
  EXPECT_EQ(conformance::FirstMatch(m_dir + "\\G*"), "G.TXT");
  EXPECT_EQ(Read(m_dir + "\\G.TXT.."), "g");
  ASSERT_TRUE(files.CreateDirectoryA(m_dir + "\\DIR ."));
  EXPECT_EQ(files.GetFileAttributesA(m_dir + "\\DIR"), static_cast<platform::DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  // A folder on the way loses one trailing dot, and no blank.
  EXPECT_EQ(Write(m_dir + "\\DIR.\\A.TXT", "a"), 0u);
  EXPECT_EQ(Read(m_dir + "\\DIR\\A.TXT"), "a");
  EXPECT_NE(Write(m_dir + "\\DIR..\\B.TXT"), 0u);
  EXPECT_NE(Write(m_dir + "\\DIR \\C.TXT"), 0u);
  EXPECT_EQ(conformance::FirstMatch(m_dir + "\\DIR\\?.TXT"), "A.TXT");
  EXPECT_FALSE(files.FileExists(m_dir + "\\DIR\\B.TXT"));
  EXPECT_FALSE(files.FileExists(m_dir + "\\DIR\\C.TXT"));
}

// CON, PRN, AUX, NUL, COMn and LPTn name devices in every folder, with any
// extension; whatever opening one answers, no file of that name is made.
TEST_F(PathConformanceTest, DeviceNamesAreNeverFiles) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  for (const char* name : {"NUL", "nul.txt", "NUL .INI", "AUX", "PRN.LOG"}) {
    Write(m_dir + "\\" + name);
  }
  for (const char* name : {"CON", "LPT1", "COM1.X", "NUL"}) files.CreateDirectoryA(m_dir + "\\" + name);
  for (const char* pattern : {"NUL*", "AUX*", "PRN*", "CON*", "LPT*", "COM*"}) {
    EXPECT_EQ(conformance::FirstMatch(m_dir + "\\" + pattern), "") << pattern;
  }
  EXPECT_NE(Write(m_dir + "\\NUL\\X.TXT"), 0u) << "no folder is a device";

  // Names that only begin like one are ordinary files.
  for (const char* name : {"CONX", "COM10", "NULL.TXT"}) {
    ASSERT_EQ(Write(m_dir + "\\" + name, name), 0u) << name;
    EXPECT_EQ(Read(m_dir + "\\" + name), name);
  }
}

TEST_F(PathConformanceTest, NetworkSharesAndPrefixes) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  // Windows answers ERROR_BAD_NETPATH for a server that is not there; Wine
  // answers ERROR_PATH_NOT_FOUND.
  const platform::DWORD noServer = m_env->IsWine() ? ERROR_PATH_NOT_FOUND : ERROR_BAD_NETPATH;
  EXPECT_EQ(Write("\\\\server\\share\\X.TXT"), noServer);
  EXPECT_FALSE(files.CreateDirectoryA("\\\\server\\share\\DIR"));
  EXPECT_EQ(LastError(), noServer);
  EXPECT_EQ(Read("\\\\?\\UNC\\server\\share\\X.TXT"), "<missing>");

  // "\\?\" takes the name as it stands: no trimming, no "..".
  ASSERT_EQ(Write(m_dir + "\\F.TXT", "f"), 0u);
  EXPECT_EQ(Read("\\\\?\\" + m_dir + "\\F.TXT"), "f");
  ASSERT_EQ(Write("\\\\?\\" + m_dir + "\\T.TXT.", "t"), 0u);
  EXPECT_EQ(conformance::FirstMatch(m_dir + "\\T*"), "T.TXT.");
  std::vector<char> content;
  EXPECT_EQ(conformance::ErrorOf(files.ReadWholeFile("\\\\?\\" + m_dir + "\\..\\" + m_dir.substr(m_dir.rfind('\\') + 1) + "\\F.TXT",
                                content)), static_cast<platform::DWORD>(ERROR_INVALID_NAME));

  // "\\.\X:\" is an ordinary path; "\\.\NAME" a device.
  EXPECT_EQ(Read("\\\\.\\" + m_dir + "\\F.TXT"), "f");
  ASSERT_EQ(Write("\\\\.\\" + m_dir + "\\P.TXT", "p"), 0u);
  EXPECT_EQ(Read(m_dir + "\\P.TXT"), "p");
  EXPECT_EQ(conformance::ErrorOf(files.ReadWholeFile("\\\\.\\NOSUCHDEVICE", content)), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
}

// The ANSI calls take a path of at most MAX_PATH characters, as the
// thread's buffer for its wide form holds (MAX_PATH + 1 with the NUL).
TEST_F(PathConformanceTest, PathsLongerThanMaxPathAreRefused) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  const std::string longest = m_dir + "\\" + std::string(platform::kMaxPath - 1 - m_dir.size(), 'L');
  ASSERT_EQ(longest.size(), platform::kMaxPath);
  EXPECT_EQ(Write(longest, "l"), 0u);
  EXPECT_EQ(Read(longest), "l");
  const std::string tooLong = longest + "M";
  EXPECT_EQ(Write(tooLong), static_cast<platform::DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(files.GetFileAttributesA(tooLong), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILENAME_EXCED_RANGE));
  std::string deep = m_dir;
  while (deep.size() < 400) deep += "\\FOLDER";
  EXPECT_FALSE(files.CreateDirectoryA(deep));
  EXPECT_EQ(LastError(), static_cast<platform::DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

}  // namespace
