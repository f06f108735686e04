#include "actions/program_runs.h"

#include <string>

#include "files/file_dialogs.h"
#include "script/file_record.h"
#include "platform/platform.h"
#include "script/destination_dirs.h"
#include "script/script_line.h"
#include "script/setup_script.h"
#include "script/source_disks.h"
#include "core/registry_key.h"

namespace {

constexpr platform::DWORD kWaitStep = 100;
constexpr platform::DWORD kHandOverPause = 50;
constexpr const char* kInstallShieldClasses[] = {"InstallSHIELD", "InstallShield_Win"};

bool SessionEnding(const platform::Platform& platform, platform::HWND caller) {
  platform::MSG message;
  return platform.Processes().PeekMessageA(&message, caller, WM_QUERYENDSESSION, WM_QUERYENDSESSION, PM_NOREMOVE) != 0;
}

bool InstallShieldWindowOpen(const platform::Platform& platform) {
  for (const char* className : kInstallShieldClasses) {
    if (platform.Processes().FindWindowA(className, {}) != nullptr) return true;
  }
  return false;
}

// Waits for the program, then for the InstallShield engine an uninstaller
// may have handed its work to; the end of the session cuts both short.
void WaitForProgram(const platform::Platform& platform, const platform::PROCESS_INFORMATION& info, platform::HWND caller) {
  platform::IProcesses& processes = platform.Processes();
  processes.CloseHandle(info.hThread);
  while (processes.WaitForSingleObject(info.hProcess, kWaitStep) == static_cast<platform::DWORD>(WAIT_TIMEOUT)) {
    if (SessionEnding(platform, caller)) break;
  }
  processes.Sleep(kHandOverPause);
  while (InstallShieldWindowOpen(platform) && !SessionEnding(platform, caller)) processes.Sleep(kWaitStep);
  processes.CloseHandle(info.hProcess);
}

bool Start(const platform::Platform& platform, const std::string& command, platform::PROCESS_INFORMATION& info) {
  return platform.Processes().CreateProcessA(command, DETACHED_PROCESS, info) != 0;
}

std::string CurrentFolder(const platform::Platform& platform) {
  char buffer[MAX_PATH + 1] = {};
  const platform::DWORD n = platform.Files().GetCurrentDirectoryA(MAX_PATH, buffer);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

// A program from the installation disks: started from its source folder,
// asking for the disk while it is not found. Sets `started` on success.
int StartDiskProgram(const CSetupScript& script, IFileDialogs& dialogs, std::string_view line, const std::string& name,
                     std::string_view destFolder, platform::PROCESS_INFORMATION& info, bool& started) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  CFileRecord record;
  record.m_strSourceDir = GetSourceFolder(script, name);
  record.m_strDestDir = std::string(destFolder);
  record.m_strSourceName = name;
  record.m_strDestName = name;
  record.m_nDiskNumber = GetSourceDisk(script, name);
  record.m_strDiskLabel = GetDiskDescription(script, name);
  const std::string arguments = script.GetField(line, 2);
  for (bool firstFailure = true;; firstFailure = false) {
    const std::string command = record.m_strSourceDir + "\\" + name + " " + arguments;
    platform.Files().SetCurrentDirectoryA(record.m_strSourceDir);
    if (Start(platform, command, info)) {
      started = true;
      return 0;
    }
    const platform::DWORD error = platform.System().GetLastError();
    if (error != static_cast<platform::DWORD>(ERROR_FILE_NOT_FOUND) &&
        error != static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND)) {
      script.GetMessages().ShowError(MSG_PROGRAM_NOT_STARTED, command);
      return MSG_PROGRAM_NOT_STARTED;
    }
    const int answer = firstFailure ? dialogs.AskSourceDisk(record) : dialogs.AskSourceFile(record);
    if (answer == kDialogCancel) return kProgramCancelled;
    if (!firstFailure && answer == kDialogSkipFile) return 0;
  }
}

}  // namespace

int RunProgramSection(const CSetupScript& script, IFileDialogs& dialogs, const CScriptSection& section,
                      platform::HWND caller, int mode) {
  const std::string destFolder = ExpandDestination(script, section.GetLabel());
  for (const std::string& line : section.GetLines()) {
    const int result = RunProgramLine(script, dialogs, line, destFolder, caller, mode);
    if (result != 0) return result;
  }
  return 0;
}

int RunProgramLine(const CSetupScript& script, IFileDialogs& dialogs, std::string_view line, std::string_view destFolder,
                   platform::HWND caller, int mode) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  const std::string remembered = CurrentFolder(platform);
  const std::string installed = script.GetField(line, 0);
  platform::PROCESS_INFORMATION info;
  bool started = false;
  int result = 0;

  if (!installed.empty()) {
    const std::string command = std::string(destFolder) + "\\" + installed + " " + script.GetField(line, 2);
    platform.Files().SetCurrentDirectoryA(destFolder);
    started = Start(platform, command, info);
    if (!started && mode == kProgramInstall) {
      script.GetMessages().ShowError(MSG_PROGRAM_NOT_STARTED, command);
      result = MSG_PROGRAM_NOT_STARTED;
    }
  } else if (mode == kProgramRemove) {
    CRegistryKey key(platform, std::string(kUninstallKey) + script.GetField(line, 1), HKEY_LOCAL_MACHINE);
    const std::string command = key.ReadString("UninstallString");
    if (!command.empty()) started = Start(platform, command, info);
  } else {
    result = StartDiskProgram(script, dialogs, line, script.GetField(line, 1), destFolder, info, started);
  }

  if (started) {
    if (GetFieldInt(line, 3) == 0 && caller != nullptr) platform.Processes().ShowWindow(caller, SW_HIDE);
    WaitForProgram(platform, info, caller);
  }
  if (!remembered.empty()) platform.Files().SetCurrentDirectoryA(remembered);
  return result;
}
