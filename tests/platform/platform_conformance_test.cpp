// How Windows answers the calls the system relies on. The same expectations
// run against the simulated machine and, under Wine, against Win32.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "conformance_environment.h"

namespace {

class ConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override { m_env = conformance::MakeEnvironment(); }
  void TearDown() override { m_env.reset(); }
  std::unique_ptr<conformance::Environment> m_env;
};

TEST_F(ConformanceTest, VersionNeedsTheSizeField) {
  platform::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(conformance::Interfaces().System().GetVersionExA(info));
  EXPECT_TRUE(info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS || info.dwPlatformId == VER_PLATFORM_WIN32_NT);
  EXPECT_GE(info.dwMajorVersion, 4u);
  EXPECT_NE(std::memchr(info.szCSDVersion, '\0', sizeof(info.szCSDVersion)), nullptr);

  platform::OSVERSIONINFOA wrong{};
  wrong.dwOSVersionInfoSize = 100;
  EXPECT_FALSE(conformance::Interfaces().System().GetVersionExA(wrong));
  EXPECT_EQ(conformance::Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// The run names the system it asked for (Wine's version setting, the
// simulated machine's kind) in SETUP_EXPECTED_WINDOWS: it must be the one
// answered, or the expectations that differ by system test the wrong one.
TEST_F(ConformanceTest, VersionIsTheSystemOfThisRun) {
  const char* expected = std::getenv("SETUP_EXPECTED_WINDOWS");
  if (expected == nullptr) GTEST_SKIP() << "no system named for this run";
  platform::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(conformance::Interfaces().System().GetVersionExA(info));
  const std::string name = expected;
  if (name == "win95") {
    EXPECT_EQ(info.dwPlatformId, static_cast<platform::DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
  } else if (name == "win98") {
    EXPECT_EQ(info.dwPlatformId, static_cast<platform::DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 10u);
  } else if (name == "nt40") {
    EXPECT_EQ(info.dwPlatformId, static_cast<platform::DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
  } else if (name == "win2k") {
    EXPECT_EQ(info.dwPlatformId, static_cast<platform::DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
  } else {
    FAIL() << "SETUP_EXPECTED_WINDOWS=" << name << " is not win95, win98, nt40 or win2k";
  }
}

TEST_F(ConformanceTest, ModulePathIsTheFullPathOfTheProgram) {
  std::string path = platform::ProgramPath(conformance::Interfaces().System());
  ASSERT_GE(path.size(), 4u);
  EXPECT_EQ(path[1], ':');
  EXPECT_EQ(path[2], '\\');
  EXPECT_NE(path.find_last_of('\\'), std::string::npos);
  EXPECT_GT(conformance::Interfaces().System().GetACP(), 0u);
  // A buffer too small gets the path's start, ended, and the size back.
  char small[4] = {'x', 'x', 'x', 'x'};
  conformance::Interfaces().System().SetLastError(0);
  EXPECT_EQ(conformance::Interfaces().System().GetModuleFileNameA(small, sizeof small), sizeof small);
  EXPECT_EQ(std::string(small), path.substr(0, 3));
  EXPECT_EQ(conformance::Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// Upper case, for folder names that Windows reports in either case.
std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

TEST_F(ConformanceTest, WindowsAndSystemFolders) {
  char windows[260] = {};
  const platform::UINT n = conformance::Interfaces().System().GetWindowsDirectoryA(windows, sizeof windows);
  ASSERT_GE(n, 3u);
  ASSERT_LT(n, sizeof windows);
  EXPECT_EQ(std::strlen(windows), n) << "the result is the length";
  EXPECT_EQ(windows[1], ':');
  EXPECT_EQ(windows[2], '\\');
  if (n > 3) {
    EXPECT_NE(windows[n - 1], '\\') << "no trailing backslash";
  }

  char system[260] = {};
  const platform::UINT s = conformance::Interfaces().System().GetSystemDirectoryA(system, sizeof system);
  ASSERT_LT(s, sizeof system);
  EXPECT_EQ(std::strlen(system), s);
  platform::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(conformance::Interfaces().System().GetVersionExA(info));
  // Windows 95/98 keep the system folder in SYSTEM, NT in SYSTEM32. Wine
  // keeps it in SYSTEM32 whatever version it reports: Wine departs from
  // Windows 95/98 there.
  const bool system32 = info.dwPlatformId == VER_PLATFORM_WIN32_NT || m_env->IsWine();
  const std::string below = system32 ? "SYSTEM32" : "SYSTEM";
  const std::string base(windows, n);
  EXPECT_EQ(Upper(system), Upper(base + (base.back() == '\\' ? "" : "\\") + below));

  // Too small a buffer: nothing copied, the size needed with the NUL.
  char small[3] = {'#', '#', '#'};
  EXPECT_EQ(conformance::Interfaces().System().GetWindowsDirectoryA(small, sizeof small), n + 1);
  EXPECT_EQ(conformance::Interfaces().System().GetSystemDirectoryA(small, sizeof small), s + 1);
  EXPECT_EQ(conformance::Interfaces().System().GetWindowsDirectoryA(windows, n), n + 1) << "no room for the NUL";
  EXPECT_EQ(conformance::Interfaces().System().GetWindowsDirectoryA(windows, n + 1), n) << "exactly enough";
}

TEST_F(ConformanceTest, FilesRoundTripAndNamesIgnoreCase) {
  const std::string dir = m_env->ScratchFolder();
  const std::string text("line one\r\n\0binary\xff", 19);
  ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(dir + "\\Setup.Inf", text.data(), text.size()));
  std::vector<char> content;
  ASSERT_TRUE(conformance::Interfaces().Files().ReadWholeFile(dir + "\\SETUP.INF", content));
  EXPECT_EQ(std::string(content.begin(), content.end()), text);
  EXPECT_TRUE(conformance::Interfaces().Files().FileExists(dir + "\\setup.inf"));

  // Writing again truncates.
  ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(dir + "\\setup.inf", "x", 1));
  ASSERT_TRUE(conformance::Interfaces().Files().ReadWholeFile(dir + "\\Setup.inf", content));
  EXPECT_EQ(std::string(content.begin(), content.end()), "x");

  ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(dir + "\\EMPTY.TXT", "", 0));
  ASSERT_TRUE(conformance::Interfaces().Files().ReadWholeFile(dir + "\\EMPTY.TXT", content));
  EXPECT_TRUE(content.empty());
}

TEST_F(ConformanceTest, MissingFilesAndFolders) {
  const std::string dir = m_env->ScratchFolder();
  std::vector<char> content;
  EXPECT_EQ(conformance::ErrorOf(conformance::Interfaces().Files().ReadWholeFile(dir + "\\NONE.INF", content)), static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(conformance::ErrorOf(conformance::Interfaces().Files().ReadWholeFile(dir + "\\NODIR\\NONE.INF", content)), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(conformance::ErrorOf(conformance::Interfaces().Files().WriteWholeFile(dir + "\\NODIR\\NEW.INF", "x", 1)), static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(dir + "\\NONE.INF"));
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(dir + "\\NODIR\\NONE.INF"));

  m_env->MakeFolder(dir + "\\SUB");
  EXPECT_FALSE(conformance::Interfaces().Files().FileExists(dir + "\\SUB")) << "a folder is not a file";
  EXPECT_EQ(conformance::ErrorOf(conformance::Interfaces().Files().ReadWholeFile(dir + "\\SUB", content)), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(conformance::ErrorOf(conformance::Interfaces().Files().WriteWholeFile(dir + "\\SUB", "x", 1)), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(ConformanceTest, DotDotAndRelativeSegments) {
  const std::string dir = m_env->ScratchFolder();
  m_env->MakeFolder(dir + "\\A");
  ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(dir + "\\A\\.\\..\\A\\F.TXT", "f", 1));
  EXPECT_TRUE(conformance::Interfaces().Files().FileExists(dir + "\\A\\F.TXT"));
  EXPECT_TRUE(conformance::Interfaces().Files().FileExists(dir + "/A/F.TXT")) << "forward slashes separate too";
}

TEST_F(ConformanceTest, FileSearchWithWildcards) {
  const std::string dir = m_env->ScratchFolder();
  for (const char* name : {"_INSTALL.DEU", "_INSTALL.ENU", "README.TXT"}) {
    ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(dir + "\\" + name, "x", 1));
  }
  EXPECT_EQ(conformance::FirstMatch(dir + "\\_INSTALL.EN?"), "_INSTALL.ENU");
  EXPECT_EQ(conformance::FirstMatch(dir + "\\_install.deu"), "_INSTALL.DEU") << "names ignore case";
  EXPECT_EQ(conformance::FirstMatch(dir + "\\READ*"), "README.TXT");
  EXPECT_EQ(conformance::FirstMatch(dir + "\\_INSTALL.FR?"), "");
  EXPECT_EQ(conformance::FirstMatch(dir + "\\NODIR\\*"), "");
}

TEST_F(ConformanceTest, StringsOfAResourceLibrary) {
  m_env->ScratchFolder();
  platform::HMODULE library = conformance::Interfaces().Libraries().LoadLibraryA(m_env->LanguageLibraryPath("_INSTALL.ENU"));
  ASSERT_NE(library, nullptr) << conformance::Interfaces().System().GetLastError();
  char text[1024] = {};
  const int length = conformance::Interfaces().Resources().LoadStringA(library, 1089, text, sizeof text);
  ASSERT_GT(length, 4);
  EXPECT_EQ(static_cast<std::size_t>(length), std::strlen(text));

  char cut[5] = {'#', '#', '#', '#', '#'};
  EXPECT_EQ(conformance::Interfaces().Resources().LoadStringA(library, 1089, cut, sizeof cut), 4) << "cut to the buffer, NUL kept";
  EXPECT_EQ(std::string(cut), std::string(text, 4));

  EXPECT_EQ(conformance::Interfaces().Resources().LoadStringA(library, 9999, text, sizeof text), 0) << "a missing string";
  EXPECT_EQ(conformance::Interfaces().Libraries().GetProcAddress(library, "DllMain"), nullptr) << "resources only";
  EXPECT_TRUE(conformance::Interfaces().Libraries().FreeLibrary(library));
}

// Windows NT: the module is not found; Windows 95/98: the library is not.
TEST_F(ConformanceTest, MissingLibrary) {
  EXPECT_EQ(conformance::Interfaces().Libraries().LoadLibraryA("NOSUCHLIBRARY.DLL"), nullptr);
  EXPECT_EQ(conformance::Interfaces().System().GetLastError(),
            static_cast<platform::DWORD>(conformance::IsNT() ? ERROR_MOD_NOT_FOUND : ERROR_DLL_NOT_FOUND));
}

}  // namespace
