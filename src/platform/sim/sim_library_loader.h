// Libraries the running program loads on the simulated machine: the
// built-in ones by name, library files (their resources) by where they lie.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/library_loader.h"
#include "platform/sim/pe_resources.h"
#include "platform/sim/process_state.h"

namespace sim {

class SimLibraryLoader final : public platform::ILibraryLoader {
 public:
  // `files` finds library files by bare name in the folders Windows searches.
  SimLibraryLoader(ProcessState& process, platform::IFileSystem& files);

  platform::HMODULE LoadLibraryA(std::string_view name) override;
  platform::FARPROC GetProcAddress(platform::HMODULE module, std::string_view name) override;
  platform::FARPROC GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) override;
  platform::BOOL FreeLibrary(platform::HMODULE module) override;

  // The resources of a loaded library file, or nullptr (built-ins, unknown handles).
  const PeResources* ResourcesOf(platform::HMODULE module) const;

 private:
  struct LoadedLibrary {
    std::string name;  // upper case, with extension; the full path for a library file
    int references = 0;
    std::shared_ptr<const PeResources> resources;  // a library file's resources; none for built-ins
  };
  const LoadedLibrary* Find(platform::HMODULE module) const;

  const Machine& m_machine;
  ProcessState& m_process;
  platform::IFileSystem& m_files;
  std::map<std::uintptr_t, LoadedLibrary> m_libraries;
  std::uintptr_t m_nextHandle = 0x10000000;
};

}  // namespace sim
