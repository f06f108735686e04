// The platform interfaces answered by a simulated machine.
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "platform/sim/pe_resources.h"
#include "platform/sim/process_state.h"
#include "platform/sim/sim_file_system.h"
#include "platform/sim/sim_library_loader.h"
#include "platform/sim/sim_processes.h"
#include "platform/sim/sim_profile_files.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_setup_api.h"
#include "platform/sim/sim_shell_links.h"
#include "platform/sim/sim_system_info.h"
#include "platform/sim/sim_user_interface.h"
#include "platform/sim/sim_version_installer.h"

namespace sim {

// One running program on a simulated machine: its process state and the
// interfaces that share it.
class SimPlatform final {
 public:
  // `programPath` is the Windows path the program runs as (D:\SETUP.EXE).
  // The machine must outlive the platform.
  SimPlatform(const Machine& machine, std::string programPath);
  ~SimPlatform();
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  // The interfaces the program runs against, to hand to it.
  const platform::Platform& Interfaces() const { return m_interfaces; }

  const Machine& GetMachine() const { return m_process.machine; }
  // The process's current folder, with a closing backslash: relative paths
  // start there. At start it is the program's folder.
  std::string CurrentDirectory() const { return m_process.currentDirectory; }
  // The program's folder, with a closing backslash: bare library and
  // program names are looked for there first.
  std::string ProgramFolder() const { return m_process.ProgramFolder(); }
  // What a built-in library's function leaves for GetLastError.
  void SetLastError(platform::DWORD code) { m_process.lastError = code; }

  // The resources of a loaded library, or nullptr (tests, the page host).
  const PeResources* ResourcesOf(platform::HMODULE module) const { return m_libraries.ResourcesOf(module); }

  // Message boxes are recorded in events.log, answered by the answerer when
  // one is set, otherwise by the box's default button.
  using MessageAnswerer = SimUserInterface::MessageAnswerer;
  void SetMessageAnswerer(MessageAnswerer answerer) { m_ui.SetMessageAnswerer(std::move(answerer)); }

  // The page host the program's wizard runs in (owned by the caller; it
  // must outlive the run), or nullptr.
  void SetWizardHost(platform::IWizardHost* host);

  // The machine's processes and windows (behaviours of programs, the clock).
  SimProcesses& Processes() { return m_processes; }
  // The device sets and INF files SETUPAPI.DLL handed this program; they go
  // with it.
  SetupApiHandles& SetupApiState() { return *m_setupApiHandles; }

 private:
  ProcessState m_process;
  SimSystemInfo m_system;
  SimFileSystem m_files;
  SimLibraryLoader m_libraries;
  SimResources m_resources;
  SimUserInterface m_ui;
  SimProfileFiles m_profiles;
  SimProcesses m_processes;
  SimShellLinks m_shellLinks;
  SimVersionInstaller m_versions;
  SetupApiHandlesPtr m_setupApiHandles;
  platform::Platform m_interfaces;
  SimPlatform* m_previousOnThread;
};

// Built-in libraries are reached through bare function pointers, as
// GetProcAddress hands them out, so nothing tells them whose call it is.
// A program runs on one thread: each SimPlatform is the calling program of
// its thread from construction to destruction (an inner one, while it
// lives), and machines on other threads never see it. nullptr when none.
SimPlatform* CallingProgram();
// The calling program's machine, or nullptr.
const Machine* ActiveMachine();
// SetLastError of the built-in libraries: the code GetLastError answers next.
void SetActiveLastError(platform::DWORD code);

}  // namespace sim
