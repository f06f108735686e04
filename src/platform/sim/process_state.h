// What the interfaces of one running program share: the machine it runs on,
// the program's own file, its current folder and the code GetLastError
// answers next. Each interface holds it by reference.
#pragma once

#include <filesystem>
#include <string>

#include "platform/sim/machine.h"
#include "platform/win_types.h"

namespace sim {

struct ProcessState {
  // `programPath` is the Windows path the program runs as (D:\SETUP.EXE);
  // the current folder starts as the program's folder.
  ProcessState(const Machine& machine, std::string programPath);

  // The program's folder, with a closing backslash: bare library and
  // program names are looked for there first.
  std::string ProgramFolder() const;
  // Held open by another program, or the running program's own file, which
  // Windows keeps open while the program runs.
  bool IsHeldOpen(const std::filesystem::path& host) const;

  const Machine& machine;
  const std::string programPath;
  // With a closing backslash: relative paths start there.
  std::string currentDirectory;
  platform::DWORD lastError = ERROR_SUCCESS;
};

// The path-query contract of GetWindowsDirectoryA, GetCurrentDirectoryA,
// GetShortPathNameA …: the length copied, or the size needed with the NUL
// when `size` is too small.
platform::UINT CopyFolderOut(const std::string& folder, char* buffer, platform::UINT size);

}  // namespace sim
