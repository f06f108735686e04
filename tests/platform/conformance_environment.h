// Where the platform conformance tests run: the simulated machine (Linux) or
// the real Win32 calls (Windows, under Wine). The same expectations hold on both.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace conformance {

class Environment {
 public:
  virtual ~Environment() = default;
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
};

// Installs the platform of this build and returns its environment.
std::unique_ptr<Environment> MakeEnvironment();
// The same on a Windows NT system (the simulated machine runs NT 4).
std::unique_ptr<Environment> MakeNtEnvironment();

}  // namespace conformance
