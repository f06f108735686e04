// The code a failed call leaves for GetLastError. Each case starts from a
// sentinel set with SetLastError, so a call that fails without setting its
// own code (a stale error) is caught rather than passing on an older one.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "conformance_environment.h"

namespace {

using platform::DWORD;

constexpr DWORD kSentinel = 0xDEADBEEF;

class LastErrorConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    m_dir = m_env->ScratchFolder();
  }
  void TearDown() override { m_env.reset(); }

  struct Case {
    const char* call;
    std::function<bool()> fails;  // makes the call; true when it reported failure
    DWORD error;
  };
  // Each case: sentinel, the failing call, then exactly its code.
  static void Check(const std::vector<Case>& cases) {
    platform::ISystemInfo& system = conformance::Interfaces().System();
    for (const Case& c : cases) {
      system.SetLastError(kSentinel);
      EXPECT_TRUE(c.fails()) << c.call << " succeeded";
      EXPECT_EQ(system.GetLastError(), c.error) << c.call;
    }
  }

  std::unique_ptr<conformance::Environment> m_env;
  std::string m_dir;
};

TEST_F(LastErrorConformanceTest, SetLastErrorIsWhatGetLastErrorAnswers) {
  platform::ISystemInfo& system = conformance::Interfaces().System();
  system.SetLastError(kSentinel);
  EXPECT_EQ(system.GetLastError(), kSentinel);
  system.SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(system.GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(LastErrorConformanceTest, FileAndFolderCallsLeaveTheirOwnCode) {
  platform::IFileSystem& files = conformance::Interfaces().Files();
  const std::string missing = m_dir + "\\NONE.TXT";
  const std::string missingFolder = m_dir + "\\NODIR";
  char buffer[260];
  std::string name;
  std::vector<char> content;
  Check({
      {"DeleteFileA of a missing file", [&] { return !files.DeleteFileA(missing); }, ERROR_FILE_NOT_FOUND},
      {"GetFileAttributesA of a missing file",
       [&] { return files.GetFileAttributesA(missing) == INVALID_FILE_ATTRIBUTES; }, ERROR_FILE_NOT_FOUND},
      {"SetFileAttributesA of a missing file",
       [&] { return !files.SetFileAttributesA(missing, FILE_ATTRIBUTE_NORMAL); }, ERROR_FILE_NOT_FOUND},
      {"RemoveDirectoryA of a missing folder", [&] { return !files.RemoveDirectoryA(missingFolder); },
       ERROR_FILE_NOT_FOUND},
      {"CreateDirectoryA of an existing folder", [&] { return !files.CreateDirectoryA(m_dir); }, ERROR_ALREADY_EXISTS},
      {"SetCurrentDirectoryA of a missing folder", [&] { return !files.SetCurrentDirectoryA(missingFolder); },
       ERROR_FILE_NOT_FOUND},
      {"MoveFileExA of a missing file",
       [&] { return !files.MoveFileExA(missing, m_dir + "\\NEW.TXT", 0); }, ERROR_FILE_NOT_FOUND},
      {"GetShortPathNameA of a missing file",
       [&] { return files.GetShortPathNameA(missing, buffer, sizeof buffer) == 0; }, ERROR_FILE_NOT_FOUND},
      {"FindFirstFileName with no match", [&] { return !files.FindFirstFileName(m_dir + "\\*.NONE", name); },
       ERROR_FILE_NOT_FOUND},
      {"FindFirstFileName in a missing folder",
       [&] { return !files.FindFirstFileName(missingFolder + "\\*.*", name); }, ERROR_PATH_NOT_FOUND},
      {"ReadWholeFile of a missing file", [&] { return !files.ReadWholeFile(missing, content); }, ERROR_FILE_NOT_FOUND},
      {"WriteWholeFile in a missing folder", [&] { return !files.WriteWholeFile(missingFolder + "\\NEW.TXT", "x", 1); },
       ERROR_PATH_NOT_FOUND},
      {"FileExists of a missing file", [&] { return !files.FileExists(missing); }, ERROR_FILE_NOT_FOUND},
      {"FileExists of a folder", [&] { return !files.FileExists(m_dir); }, ERROR_ACCESS_DENIED},
  });
}

TEST_F(LastErrorConformanceTest, LibraryProcessAndVersionCallsLeaveTheirOwnCode) {
  const platform::Platform& p = conformance::Interfaces();
  platform::HMODULE library = p.Libraries().LoadLibraryA(m_env->LanguageLibraryPath("_INSTALL.ENU"));
  ASSERT_NE(library, nullptr);
  platform::PROCESS_INFORMATION info;
  platform::DWORD handle = 0;
  const std::string missing = m_dir + "\\NONE.DLL";
  Check({
      {"LoadLibraryA of a missing library", [&] { return p.Libraries().LoadLibraryA("NOSUCHLIBRARY.DLL") == nullptr; },
       static_cast<DWORD>(conformance::IsNT() ? ERROR_MOD_NOT_FOUND : ERROR_DLL_NOT_FOUND)},
      {"GetProcAddress of a missing name", [&] { return p.Libraries().GetProcAddress(library, "NoSuchEntry") == nullptr; },
       ERROR_PROC_NOT_FOUND},
      {"FindResourceA of a missing template",
       [&] { return !p.Resources().FindResourceA(library, 9999, platform::kResourceTypeDialog); },
       ERROR_RESOURCE_NAME_NOT_FOUND},
      {"FindResourceA of a type the library lacks", [&] { return !p.Resources().FindResourceA(library, 1, 0x4242); },
       ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"FindResourceA of no module",
       [&] { return !p.Resources().FindResourceA(nullptr, 1, platform::kResourceTypeDialog); }, ERROR_INVALID_HANDLE},
      {"CreateProcessA of a missing program",
       [&] { return !p.Processes().CreateProcessA(m_dir + "\\NOSUCH.EXE", DETACHED_PROCESS, info); },
       ERROR_FILE_NOT_FOUND},
      {"GetFileVersionInfoSizeA of a missing file",
       [&] { return p.Versions().GetFileVersionInfoSizeA(missing.c_str(), &handle) == 0; }, ERROR_FILE_NOT_FOUND},
      {"GetVersionExA with a wrong size",
       [&] {
         platform::OSVERSIONINFOA wrong{};
         wrong.dwOSVersionInfoSize = 100;
         return !p.System().GetVersionExA(wrong);
       },
       ERROR_INSUFFICIENT_BUFFER},
      {"WritePrivateProfileStringA in a missing folder",
       [&] { return !p.Profiles().WritePrivateProfileStringA("S", "K", "V", (m_dir + "\\NODIR\\X.INI").c_str()); },
       ERROR_PATH_NOT_FOUND},
  });
  EXPECT_TRUE(p.Libraries().FreeLibrary(library));
}

}  // namespace
