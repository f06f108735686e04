#include "platform/sim/sim_processes.h"

#include "platform/ascii_text.h"

#include "platform/sim/sim_inst16.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/sim/scripted_programs.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

bool IsAbsolute(std::string_view path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return folder.back() == '\\' ? folder + std::string(name) : folder + "\\" + std::string(name);
}

std::uint64_t AddSaturating(std::uint64_t a, std::uint64_t b) {
  return a > ProgramRun::kForever - b ? ProgramRun::kForever : a + b;
}

}  // namespace

ProgramRun NotepadBehaviour(const ProgramStart& start, const Machine&) {
  ProgramRun run;
  run.runsForMs = ProgramRun::kForever;
  std::string shown = FileNameOf(start.arguments);
  run.windows.push_back({"Notepad", (shown.empty() ? "Untitled" : shown) + " - Notepad", ProgramRun::kForever});
  return run;
}

SimProcesses::SimProcesses(ProcessState& process) : m_machine(process.machine), m_process(process) {
  m_behaviours["NOTEPAD.EXE"] = NotepadBehaviour;
  // The distribution's helper, and the copy of it that the setup program
  // starts so that the helper's own folder can go.
  auto inst16 = [this](const ProgramStart& start, const Machine& m) { return Inst16Behaviour(start, m, *this); };
  m_behaviours["INST16.EXE"] = inst16;
  m_behaviours["$INST16.EXE"] = inst16;
}

void SimProcesses::AtProgramEnd(std::function<void()> work) { m_atProgramEnd.push_back(std::move(work)); }

void SimProcesses::ProgramEnded() {
  // Work may queue more work; each item runs once.
  for (std::size_t i = 0; i < m_atProgramEnd.size(); ++i) {
    auto work = std::move(m_atProgramEnd[i]);
    work();
  }
  m_atProgramEnd.clear();
}

void SimProcesses::SetBehaviour(const std::string& fileName, ProgramBehaviour behaviour) {
  m_behaviours[ascii::ToUpper(fileName)] = std::move(behaviour);
}

void SimProcesses::Fail(platform::DWORD error) { m_process.lastError = error; }

std::string SimProcesses::FindProgram(std::string_view commandLine, std::string& arguments,
                                      platform::DWORD& error) const {
  // The candidates for the program's name: the quoted text, or each run of
  // words up to a blank, shortest first, as Windows tries an unquoted path
  // with blanks.
  std::vector<std::pair<std::string, std::string>> candidates;  // name, arguments
  if (!commandLine.empty() && commandLine[0] == '"') {
    const std::size_t close = commandLine.find('"', 1);
    const std::string_view name = commandLine.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    std::string_view rest = close == std::string_view::npos ? std::string_view() : commandLine.substr(close + 1);
    if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
    candidates.emplace_back(std::string(name), std::string(rest));
  } else {
    std::size_t blank = commandLine.find(' ');
    while (true) {
      const std::string_view name = commandLine.substr(0, blank);
      const std::string_view rest = blank == std::string_view::npos ? std::string_view() : commandLine.substr(blank + 1);
      if (!name.empty()) candidates.emplace_back(std::string(name), std::string(rest));
      if (blank == std::string_view::npos) break;
      blank = commandLine.find(' ', blank + 1);
    }
  }
  // When nothing is found, the failure told is that of the first candidate:
  // the longer ones are guesses.
  error = ERROR_FILE_NOT_FOUND;
  bool firstCandidate = true;
  const std::string current = m_process.currentDirectory;
  for (auto& [name, rest] : candidates) {
    platform::DWORD candidateError = ERROR_FILE_NOT_FOUND;
    std::string file = name;
    if (FileNameOf(file).find('.') == std::string::npos) file += ".EXE";
    std::vector<std::string> paths;
    if (IsAbsolute(file) || file.find_first_of("\\/") != std::string::npos) {
      paths.push_back(IsAbsolute(file) ? file : Join(current, file));
    } else {
      // The program's own folder, the current folder, the system folder(s),
      // the Windows folder.
      paths.push_back(Join(FolderOf(m_process.programPath), file));
      paths.push_back(Join(current, file));
      paths.push_back(Join(m_machine.SystemDir(), file));
      if (m_machine.IsNT()) paths.push_back(Join(m_machine.WindowsDir() + "\\SYSTEM", file));
      paths.push_back(Join(m_machine.WindowsDir(), file));
    }
    for (const std::string& path : paths) {
      ResolvedPath resolved = m_machine.Resolve(path, current);
      std::error_code ec;
      if (!resolved.ok()) {
        candidateError = resolved.error;
        continue;
      }
      const fs::file_status status = fs::symlink_status(resolved.host, ec);
      if (fs::is_regular_file(status)) {
        arguments = rest;
        return m_machine.WindowsPathOf(resolved.host);
      }
      if (fs::is_directory(status)) {
        candidateError = ERROR_ACCESS_DENIED;
      } else if (!fs::is_directory(fs::symlink_status(resolved.host.parent_path(), ec))) {
        candidateError = ERROR_PATH_NOT_FOUND;
      } else {
        candidateError = ERROR_FILE_NOT_FOUND;
      }
    }
    if (firstCandidate) error = candidateError;
    firstCandidate = false;
  }
  return {};
}

platform::BOOL SimProcesses::CreateProcessA(std::string_view commandLine, platform::DWORD,
                                            platform::PROCESS_INFORMATION& info) {
  info = {};
  std::string arguments;
  platform::DWORD error = ERROR_SUCCESS;
  const std::string program = commandLine.empty() ? std::string() : FindProgram(commandLine, arguments, error);
  if (program.empty()) {
    if (commandLine.empty()) error = ERROR_INVALID_PARAMETER;
    m_machine.AppendEvent("process " + std::string(commandLine) + " -> error " + std::to_string(error));
    Fail(error);
    return 0;
  }
  m_machine.AppendEvent("process " + std::string(commandLine));
  // Another program may read the registry from disk: it gets what this one changed.
  std::string flushError;
  m_machine.Registry().Flush(flushError);

  const ProgramStart start{std::string(commandLine), program, arguments, m_process.currentDirectory};
  auto behaviour = m_behaviours.find(ascii::ToUpper(FileNameOf(program)));
  const ProgramRun run =
      behaviour != m_behaviours.end() ? behaviour->second(start, m_machine) : ScriptedProgramBehaviour(start, m_machine);

  const std::uintptr_t id = m_nextProcessId;
  m_nextProcessId += 4;
  m_processes[id] = Process{AddSaturating(m_now, run.runsForMs), run.exitCode};
  for (const ProgramRun::Window& window : run.windows) {
    m_windows[m_nextWindow] = Window{window.className, window.title, AddSaturating(m_now, window.openForMs)};
    m_nextWindow += 0x10;
  }
  const std::uintptr_t process = m_nextHandle;
  const std::uintptr_t thread = m_nextHandle + 4;
  m_nextHandle += 8;
  m_handles[process] = id;
  m_handles[thread] = id;
  info.hProcess = reinterpret_cast<platform::HANDLE>(process);
  info.hThread = reinterpret_cast<platform::HANDLE>(thread);
  info.dwProcessId = static_cast<platform::DWORD>(id);
  info.dwThreadId = static_cast<platform::DWORD>(id + 1);
  return 1;
}

platform::DWORD SimProcesses::WaitForSingleObject(platform::HANDLE handle, platform::DWORD milliseconds) {
  auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == m_handles.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  const Process& process = m_processes[it->second];
  if (process.endsAt <= m_now) return WAIT_OBJECT_0;
  if (milliseconds == INFINITE) {
    // A program that never ends would hang the caller for good; the machine
    // says so instead of hanging.
    if (process.endsAt == ProgramRun::kForever) {
      Fail(ERROR_POSSIBLE_DEADLOCK);
      return WAIT_FAILED;
    }
    m_now = process.endsAt;
    return WAIT_OBJECT_0;
  }
  const std::uint64_t deadline = AddSaturating(m_now, milliseconds);
  if (process.endsAt <= deadline) {
    m_now = process.endsAt;
    return WAIT_OBJECT_0;
  }
  m_now = deadline;
  return WAIT_TIMEOUT;
}

platform::BOOL SimProcesses::GetExitCodeProcess(platform::HANDLE handle, platform::DWORD* exitCode) {
  auto it = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == m_handles.end() || exitCode == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  const Process& process = m_processes[it->second];
  *exitCode = process.endsAt <= m_now ? process.exitCode : static_cast<platform::DWORD>(STILL_ACTIVE);
  return 1;
}

platform::BOOL SimProcesses::CloseHandle(platform::HANDLE handle) {
  if (m_handles.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  return 1;
}

void SimProcesses::Sleep(platform::DWORD milliseconds) { m_now = AddSaturating(m_now, milliseconds); }

const SimProcesses::Window* SimProcesses::LiveWindow(platform::HWND window) const {
  auto it = m_windows.find(reinterpret_cast<std::uintptr_t>(window));
  return it != m_windows.end() && it->second.closesAt > m_now ? &it->second : nullptr;
}

platform::HWND SimProcesses::FindWindowA(std::string_view className, std::string_view windowName) {
  // Class names and titles match without regard to case, as Windows does.
  for (const auto& [handle, window] : m_windows) {
    if (window.closesAt <= m_now) continue;
    if (!className.empty() && !ascii::EqualNoCase(window.className, className)) continue;
    if (!windowName.empty() && !ascii::EqualNoCase(window.title, windowName)) continue;
    return reinterpret_cast<platform::HWND>(handle);
  }
  Fail(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

int SimProcesses::GetWindowTextA(platform::HWND handle, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  const Window* window = LiveWindow(handle);
  if (window == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  const std::size_t n = std::min(window->title.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, window->title.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

platform::BOOL SimProcesses::BringWindowToTop(platform::HWND handle) {
  const Window* window = LiveWindow(handle);
  if (window == nullptr) {
    Fail(ERROR_INVALID_HANDLE);
    return 0;
  }
  m_machine.AppendEvent("window " + window->className + " \"" + window->title + "\" -> top");
  return 1;
}

platform::BOOL SimProcesses::ShowWindow(platform::HWND handle, int command) {
  const Window* window = LiveWindow(handle);
  if (window == nullptr) return 0;
  m_machine.AppendEvent("window " + window->className + " \"" + window->title + "\" -> show " + std::to_string(command));
  // The answer is whether the window was visible before; the machine's
  // windows always are.
  return 1;
}

platform::BOOL SimProcesses::PeekMessageA(platform::MSG* message, platform::HWND window, platform::UINT filterMin,
                                          platform::UINT filterMax, platform::UINT removeFlags) {
  // The only message that comes to the program's queue from outside is the
  // end of the session; a zero range means every message.
  const bool wanted = (filterMin == 0 && filterMax == 0) ||
                      (filterMin <= WM_QUERYENDSESSION && WM_QUERYENDSESSION <= filterMax);
  if (!wanted || m_now < m_endOfSessionAt) return 0;
  if (!m_endOfSessionTold) {
    m_machine.AppendEvent("session end requested at " + std::to_string(m_now) + " ms");
    m_endOfSessionTold = true;
  }
  if (message != nullptr) {
    *message = platform::MSG{};
    message->hwnd = window;
    message->message = WM_QUERYENDSESSION;
    message->time = static_cast<platform::DWORD>(m_now);
  }
  if ((removeFlags & PM_REMOVE) != 0) m_endOfSessionAt = ProgramRun::kForever;
  return 1;
}

}  // namespace sim
