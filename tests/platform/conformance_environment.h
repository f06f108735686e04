// Where the platform conformance tests run: the simulated machine (Linux) or
// the real Win32 calls (Windows, under Wine). The same expectations hold on both.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace conformance {

class Environment {
 public:
  Environment() : m_previous(s_current) { s_current = this; }
  virtual ~Environment() {
    if (s_current == this) s_current = m_previous;
  }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  // The interfaces under test, as they are now: a new hardware description
  // makes the simulated machine's anew.
  virtual const platform::Platform& Interfaces() = 0;
  // The environment made last and still alive, or nullptr.
  static Environment* Current() { return s_current; }
  // A fresh, empty folder for this test, as a Windows path without a
  // trailing backslash.
  virtual std::string ScratchFolder() = 0;
  // Makes a folder below the scratch folder (test set-up, not under test).
  virtual void MakeFolder(const std::string& windowsPath) = 0;
  // The Windows path of language library `name` (_INSTALL.ENU) of this build.
  virtual std::string LanguageLibraryPath(const std::string& name) = 0;
  // Whether opening a read-only file for writing is refused. Windows
  // refuses; Wine run by the superuser does not, since it keeps the
  // read-only bit in the host's permissions, which bind no superuser.
  virtual bool ReadOnlyIsEnforced() = 0;
  // Whether Wine answers for Windows, where Wine departs from the system it
  // reports (its version installer, for one, leaves out some checks).
  virtual bool IsWine() { return false; }
  // A command line that starts a program which ends at once with `code`.
  virtual std::string ExitingProgramCommand(int code) = 0;
  // Describes the machine's hardware in the format of hardware.ini: the
  // simulated machine's own file, or HARDWARE.INI in the Windows folder,
  // which our thunk and setup libraries and INST16.EXE read on Windows.
  virtual void SetHardware(const std::string& text) = 0;
  // The Windows path of a helper of this build: _THUNK32.DLL, SETUP32.DLL, INST16.EXE.
  virtual std::string HelperPath(const std::string& name) = 0;
  // The Windows path of a versioned test library (V1.DLL …) of this build.
  virtual std::string VersionFilePath(const std::string& name) = 0;
  // Holds a library file open the way a running program holds its modules,
  // until the environment ends.
  virtual void HoldOpen(const std::string& windowsPath) = 0;

 private:
  inline static Environment* s_current = nullptr;
  Environment* m_previous;
};

// The calls under test: those of the environment made last.
inline const platform::Platform& Interfaces() {
  if (Environment::Current() == nullptr) {
    std::fprintf(stderr, "conformance test: no environment\n");
    std::abort();
  }
  return Environment::Current()->Interfaces();
}

// The code a call's answer stands for: ERROR_SUCCESS when it succeeded,
// else GetLastError's.
inline platform::DWORD ErrorOf(platform::BOOL succeeded) {
  return succeeded ? static_cast<platform::DWORD>(ERROR_SUCCESS) : Interfaces().System().GetLastError();
}

// The name FindFirstFileName finds first, or empty when it finds none.
inline std::string FirstMatch(std::string_view pattern) {
  std::string name;
  return Interfaces().Files().FindFirstFileName(pattern, name) ? name : std::string();
}

// Whether the system under test is a Windows NT one.
inline bool IsNT() {
  platform::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  return Interfaces().System().GetVersionExA(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The environment of this build, with its platform.
std::unique_ptr<Environment> MakeEnvironment();
// The same on a Windows NT system (the simulated machine runs NT 4).
std::unique_ptr<Environment> MakeNtEnvironment();

}  // namespace conformance
