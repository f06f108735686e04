#include "platform/sim/process_state.h"

#include <cstring>
#include <system_error>

namespace fs = std::filesystem;

namespace sim {

ProcessState::ProcessState(const Machine& machine, std::string programPath)
    : machine(machine), programPath(std::move(programPath)), currentDirectory(ProgramFolder()) {}

std::string ProcessState::ProgramFolder() const {
  std::size_t slash = programPath.find_last_of("\\/");
  if (slash == std::string::npos) return "C:\\";
  return programPath.substr(0, slash + 1);
}

bool ProcessState::IsHeldOpen(const fs::path& host) const {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(host, ec))) return false;  // nothing there to hold
  if (machine.IsHeldOpen(host)) return true;
  const ResolvedPath program = machine.Resolve(programPath);
  return program.ok() && fs::equivalent(program.host, host, ec);
}

platform::UINT CopyFolderOut(const std::string& folder, char* buffer, platform::UINT size) {
  if (buffer == nullptr || size <= folder.size()) return static_cast<platform::UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<platform::UINT>(folder.size());
}

}  // namespace sim
