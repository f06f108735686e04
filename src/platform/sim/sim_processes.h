// Processes and windows of a simulated machine. Programs run in virtual
// time: a start is recorded in events.log, the program's behaviour decides
// at once what it does, how long it runs and which windows it keeps open;
// waits and sleeps move the machine's clock instead of waiting.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/sim/process_state.h"

namespace sim {

// What a started program is given.
struct ProgramStart {
  std::string commandLine;  // exactly as passed to CreateProcessA
  std::string programPath;  // the Windows path of the program file found
  std::string arguments;    // the command line after the program, without the separating blank
  std::string currentDirectory;
};

// What it does: its exit code, how long it runs, the windows it opens.
struct ProgramRun {
  static constexpr std::uint64_t kForever = UINT64_MAX;
  struct Window {
    std::string className;
    std::string title;
    std::uint64_t openForMs = kForever;  // from the program's start
  };
  platform::DWORD exitCode = 0;
  std::uint64_t runsForMs = 0;
  std::vector<Window> windows;
};

// A program's behaviour; it may change the machine (files, registry) while
// it decides.
using ProgramBehaviour = std::function<ProgramRun(const ProgramStart&, const Machine&)>;

class SimProcesses final : public platform::IProcesses {
 public:
  // Programs are looked for from the running program's folder and its
  // current folder; failures leave their code in its last error.
  explicit SimProcesses(ProcessState& process);

  // A behaviour for every program file of that name (upper case, with its
  // extension). Files without one only run: recorded, exit code 0.
  void SetBehaviour(const std::string& fileName, ProgramBehaviour behaviour);

  // The running program's Windows path.
  const std::string& ProgramPath() const { return m_process.programPath; }
  // Work that waits for the running program to end (a helper that removes
  // the program's own folder); done by ProgramEnded, in order.
  void AtProgramEnd(std::function<void()> work);
  void ProgramEnded();

  // The machine's clock, in milliseconds since the program started.
  std::uint64_t Now() const { return m_now; }

  // The moment the user ends the Windows session: from then on a
  // WM_QUERYENDSESSION waits in the program's queue. Unless set, a day
  // after the start, so that no wait of the program lasts for ever.
  void SetEndOfSession(std::uint64_t atMs) { m_endOfSessionAt = atMs; }

  platform::BOOL CreateProcessA(std::string_view commandLine, platform::DWORD creationFlags,
                                platform::PROCESS_INFORMATION& info) override;
  platform::DWORD WaitForSingleObject(platform::HANDLE handle, platform::DWORD milliseconds) override;
  platform::BOOL GetExitCodeProcess(platform::HANDLE process, platform::DWORD* exitCode) override;
  platform::BOOL CloseHandle(platform::HANDLE handle) override;
  void Sleep(platform::DWORD milliseconds) override;
  platform::HWND FindWindowA(std::string_view className, std::string_view windowName) override;
  int GetWindowTextA(platform::HWND window, char* buffer, int size) override;
  platform::BOOL BringWindowToTop(platform::HWND window) override;
  platform::BOOL ShowWindow(platform::HWND window, int command) override;
  platform::BOOL PeekMessageA(platform::MSG* message, platform::HWND window, platform::UINT filterMin,
                              platform::UINT filterMax, platform::UINT removeFlags) override;

  static constexpr std::uint64_t kDefaultEndOfSession = 24ull * 60 * 60 * 1000;

 private:
  struct Process {
    std::uint64_t endsAt = 0;  // kForever: runs on
    platform::DWORD exitCode = 0;
  };
  struct Window {
    std::string className;
    std::string title;
    std::uint64_t closesAt = 0;
  };
  // The program file the command line names, as Windows looks for it; the
  // arguments that follow. Empty path and the error code when not found.
  std::string FindProgram(std::string_view commandLine, std::string& arguments, platform::DWORD& error) const;
  const Window* LiveWindow(platform::HWND window) const;
  void Fail(platform::DWORD error);

  const Machine& m_machine;
  ProcessState& m_process;
  std::map<std::string, ProgramBehaviour> m_behaviours;
  std::uint64_t m_now = 0;
  std::uintptr_t m_nextHandle = 0x100;
  std::map<std::uintptr_t, std::uintptr_t> m_handles;  // handle -> process id (0 for a thread handle)
  std::map<std::uintptr_t, Process> m_processes;       // by process id
  std::uintptr_t m_nextProcessId = 0x40;
  std::map<std::uintptr_t, Window> m_windows;          // by window handle
  std::uintptr_t m_nextWindow = 0x10010;
  std::uint64_t m_endOfSessionAt = kDefaultEndOfSession;
  bool m_endOfSessionTold = false;
  std::vector<std::function<void()>> m_atProgramEnd;
};

// Notepad as the machine knows it: a window of class "Notepad" titled with
// the name of the file it shows, open until the machine's run ends.
ProgramRun NotepadBehaviour(const ProgramStart& start, const Machine& machine);

}  // namespace sim
