#include "platform/sim/sim_resources.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

constexpr std::uintptr_t kProgramModule = 0x00400000;  // where Windows maps a program

}  // namespace

SimResources::SimResources(ProcessState& process, const SimLibraryLoader& libraries)
    : m_machine(process.machine), m_process(process), m_libraries(libraries) {}

int SimResources::LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  const PeResources* resources = m_libraries.ResourcesOf(module);
  auto text = resources != nullptr ? resources->LoadString(id, m_machine.CodePage()) : std::nullopt;
  if (!text) return 0;
  const std::size_t n = std::min(text->size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text->data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

platform::BOOL SimResources::FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) {
  const PeResources* resources = m_libraries.ResourcesOf(module);
  platform::DWORD error = ERROR_SUCCESS;
  if (resources == nullptr) {
    error = ERROR_INVALID_HANDLE;
  } else if (!resources->HasResource(type, id)) {
    error = resources->Ids(type).empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND;
  }
  if (error == ERROR_SUCCESS) return 1;
  m_process.lastError = error;
  return 0;
}

platform::HMODULE SimResources::GetProgramModule() { return reinterpret_cast<platform::HMODULE>(kProgramModule); }

}  // namespace sim
