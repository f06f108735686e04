#include "platform/sim/sim_platform.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/sim/built_in_libraries.h"

namespace fs = std::filesystem;


namespace sim {
namespace {

const Machine* g_activeMachine = nullptr;

constexpr std::uintmax_t kMaxReadSize = 0x7FFFFFFF;

// "C:\DIR\FILE.DLL" -> "FILE.DLL"; a name without extension gets ".DLL".
std::string LibraryFileName(std::string_view name) {
  std::size_t slash = name.find_last_of("\\/");
  std::string file = ToUpper(slash == std::string_view::npos ? name : name.substr(slash + 1));
  if (file.find('.') == std::string::npos) file += ".DLL";
  return file;
}

}  // namespace

const Machine* ActiveMachine() { return g_activeMachine; }

SimPlatform::SimPlatform(const Machine& machine, std::string programPath)
    : m_machine(machine), m_programPath(std::move(programPath)) {}

SimPlatform::~SimPlatform() {
  if (m_installed) {
    platform::Install(m_previous);
    g_activeMachine = nullptr;
  }
}

void SimPlatform::Install() {
  m_previous = platform::Install(platform::Platform{this, this, this});
  g_activeMachine = &m_machine;
  m_installed = true;
}

std::string SimPlatform::CurrentDirectory() const {
  std::size_t slash = m_programPath.find_last_of("\\/");
  if (slash == std::string::npos) return "C:\\";
  return m_programPath.substr(0, slash + 1);
}

platform::BOOL SimPlatform::GetVersionExA(platform::OSVERSIONINFOA& info) {
  if (info.dwOSVersionInfoSize != sizeof(platform::OSVERSIONINFOA)) {
    m_lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  info = m_machine.VersionInfo();
  return 1;
}

std::string SimPlatform::GetModuleFileNameA() { return m_programPath; }

platform::UINT SimPlatform::GetACP() { return m_machine.CodePage(); }

platform::DWORD SimPlatform::ReadWholeFile(std::string_view path, std::vector<char>& content) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  if (!resolved.ok()) return resolved.error;
  std::error_code ec;
  fs::file_status status = fs::status(resolved.host, ec);
  if (!fs::exists(status)) return ERROR_FILE_NOT_FOUND;
  if (!fs::is_regular_file(status)) return ERROR_ACCESS_DENIED;
  std::uintmax_t size = fs::file_size(resolved.host, ec);
  if (ec) return ERROR_READ_FAULT;
  if (size > kMaxReadSize) return ERROR_NOT_ENOUGH_MEMORY;
  std::ifstream in(resolved.host, std::ios::binary);
  if (!in) return ERROR_ACCESS_DENIED;
  content.assign(static_cast<std::size_t>(size), '\0');
  in.read(content.data(), static_cast<std::streamsize>(size));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) {
    content.clear();
    return ERROR_READ_FAULT;
  }
  return ERROR_SUCCESS;
}

platform::DWORD SimPlatform::WriteWholeFile(std::string_view path, const char* data, std::size_t size) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  if (!resolved.ok()) return resolved.error;
  std::error_code ec;
  if (fs::is_directory(resolved.host, ec)) return ERROR_ACCESS_DENIED;
  std::ofstream out(resolved.host, std::ios::binary | std::ios::trunc);
  if (!out) return ERROR_ACCESS_DENIED;
  out.write(data, static_cast<std::streamsize>(size));
  out.flush();
  return out ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

bool SimPlatform::FileExists(std::string_view path) {
  ResolvedPath resolved = m_machine.Resolve(path, CurrentDirectory());
  std::error_code ec;
  return resolved.ok() && fs::is_regular_file(fs::symlink_status(resolved.host, ec));
}

platform::HMODULE SimPlatform::LoadLibraryA(std::string_view name) {
  const std::string file = LibraryFileName(name);
  if (!IsBuiltInLibrary(file) || !m_machine.LibraryPresent(file)) {
    // Any other library is a file the simulated machine cannot run.
    bool onDisk = !name.empty() && (FileExists(name) || FileExists(m_machine.SystemDir() + "\\" + file));
    m_lastError = onDisk ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  for (auto& [handle, library] : m_libraries) {
    if (library.name == file) {
      ++library.references;
      return reinterpret_cast<platform::HMODULE>(handle);
    }
  }
  std::uintptr_t handle = m_nextHandle;
  m_nextHandle += 0x10000;
  m_libraries[handle] = LoadedLibrary{file, 1};
  return reinterpret_cast<platform::HMODULE>(handle);
}

const SimPlatform::LoadedLibrary* SimPlatform::Find(platform::HMODULE module) const {
  auto it = m_libraries.find(reinterpret_cast<std::uintptr_t>(module));
  return it == m_libraries.end() ? nullptr : &it->second;
}

platform::FARPROC SimPlatform::GetProcAddress(platform::HMODULE module, const char* name) {
  const LoadedLibrary* library = Find(module);
  if (library == nullptr) {
    m_lastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  platform::FARPROC proc = name != nullptr && m_machine.EntryPointPresent(library->name, name)
                               ? BuiltInEntryPoint(library->name, name)
                               : nullptr;
  if (proc == nullptr) m_lastError = ERROR_PROC_NOT_FOUND;
  return proc;
}

platform::FARPROC SimPlatform::GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) {
  const LoadedLibrary* library = Find(module);
  if (library == nullptr) {
    m_lastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  platform::FARPROC proc = BuiltInEntryPoint(library->name, ordinal);
  if (proc == nullptr) m_lastError = ERROR_PROC_NOT_FOUND;
  return proc;
}

platform::BOOL SimPlatform::FreeLibrary(platform::HMODULE module) {
  auto it = m_libraries.find(reinterpret_cast<std::uintptr_t>(module));
  if (it == m_libraries.end()) {
    m_lastError = ERROR_INVALID_HANDLE;
    return 0;
  }
  if (--it->second.references == 0) m_libraries.erase(it);
  return 1;
}

platform::DWORD SimPlatform::GetLastError() { return m_lastError; }

}  // namespace sim
