#include "platform/sim/sim_library_loader.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/ascii_text.h"
#include "platform/sim/built_in_libraries.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr std::uintmax_t kMaxLibrarySize = 64u << 20;

// "C:\DIR\FILE.DLL" -> "FILE.DLL"; a name without extension gets ".DLL".
std::string LibraryFileName(std::string_view name) {
  std::size_t slash = name.find_last_of("\\/");
  std::string file = ascii::ToUpper(slash == std::string_view::npos ? name : name.substr(slash + 1));
  if (file.find('.') == std::string::npos) file += ".DLL";
  return file;
}

}  // namespace

SimLibraryLoader::SimLibraryLoader(ProcessState& process, platform::IFileSystem& files)
    : m_machine(process.machine), m_process(process), m_files(files) {}

platform::HMODULE SimLibraryLoader::LoadLibraryA(std::string_view name) {
  const std::string file = LibraryFileName(name);
  const bool builtIn = IsBuiltInLibrary(file) && m_machine.LibraryPresent(file);
  // A built-in library is known by its name, a library file by where it lies.
  std::string key = file;
  fs::path host;
  if (!builtIn) {
    // Found by its path, or in the program's, the system and the Windows folder.
    std::string path(name);
    if (name.find_first_of("\\/") == std::string_view::npos) {
      path.clear();
      for (const std::string& folder :
           {m_process.ProgramFolder(), m_process.currentDirectory, m_machine.SystemDir() + "\\", m_machine.WindowsDir() + "\\"}) {
        if (m_files.FileExists(folder + file)) {
          path = folder + file;
          break;
        }
      }
    }
    ResolvedPath resolved = path.empty() ? ResolvedPath{{}, ERROR_MOD_NOT_FOUND} : m_machine.Resolve(path, m_process.currentDirectory);
    std::error_code ec;
    if (!resolved.ok() || !fs::is_regular_file(fs::symlink_status(resolved.host, ec))) {
      // Windows 95/98 tell a missing library by a code of their own.
      m_process.lastError = m_machine.IsNT() ? ERROR_MOD_NOT_FOUND : ERROR_DLL_NOT_FOUND;
      return nullptr;
    }
    host = resolved.host;
    key = host.string();
  }
  for (auto& [handle, library] : m_libraries) {
    if (library.name == key) {
      ++library.references;
      return reinterpret_cast<platform::HMODULE>(handle);
    }
  }
  std::shared_ptr<const PeResources> resources;
  if (!builtIn) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(host, ec);
    std::vector<std::uint8_t> image;
    if (!ec && size <= kMaxLibrarySize) {
      std::ifstream in(host, std::ios::binary);
      image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string error;
    auto parsed = image.empty() ? std::nullopt : PeResources::Parse(std::move(image), error);
    if (!parsed) {
      m_process.lastError = ERROR_BAD_EXE_FORMAT;
      return nullptr;
    }
    resources = std::make_shared<const PeResources>(std::move(*parsed));
  }
  std::uintptr_t handle = m_nextHandle;
  m_nextHandle += 0x10000;
  m_libraries[handle] = LoadedLibrary{key, 1, std::move(resources)};
  return reinterpret_cast<platform::HMODULE>(handle);
}

const SimLibraryLoader::LoadedLibrary* SimLibraryLoader::Find(platform::HMODULE module) const {
  auto it = m_libraries.find(reinterpret_cast<std::uintptr_t>(module));
  return it == m_libraries.end() ? nullptr : &it->second;
}

platform::FARPROC SimLibraryLoader::GetProcAddress(platform::HMODULE module, std::string_view name) {
  const LoadedLibrary* library = Find(module);
  if (library == nullptr) {
    m_process.lastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  platform::FARPROC proc = !name.empty() && !library->resources && m_machine.EntryPointPresent(library->name, name)
                               ? BuiltInEntryPoint(library->name, name)
                               : nullptr;
  if (proc == nullptr) m_process.lastError = ERROR_PROC_NOT_FOUND;
  return proc;
}

platform::FARPROC SimLibraryLoader::GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) {
  const LoadedLibrary* library = Find(module);
  if (library == nullptr) {
    m_process.lastError = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  platform::FARPROC proc = library->resources ? nullptr : BuiltInEntryPoint(library->name, ordinal);
  if (proc == nullptr) m_process.lastError = ERROR_PROC_NOT_FOUND;
  return proc;
}

platform::BOOL SimLibraryLoader::FreeLibrary(platform::HMODULE module) {
  auto it = m_libraries.find(reinterpret_cast<std::uintptr_t>(module));
  if (it == m_libraries.end()) {
    m_process.lastError = ERROR_INVALID_HANDLE;
    return 0;
  }
  if (--it->second.references == 0) m_libraries.erase(it);
  return 1;
}

const PeResources* SimLibraryLoader::ResourcesOf(platform::HMODULE module) const {
  const LoadedLibrary* library = Find(module);
  return library != nullptr ? library->resources.get() : nullptr;
}

}  // namespace sim
