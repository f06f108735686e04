// Resources of the modules the running program has loaded on the simulated
// machine (the language resource library).
#pragma once

#include "platform/resources.h"
#include "platform/sim/process_state.h"
#include "platform/sim/sim_library_loader.h"

namespace sim {

class SimResources final : public platform::IResources {
 public:
  SimResources(ProcessState& process, const SimLibraryLoader& libraries);

  int LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) override;
  platform::BOOL FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) override;
  platform::HMODULE GetProgramModule() override;

 private:
  const Machine& m_machine;
  ProcessState& m_process;
  const SimLibraryLoader& m_libraries;
};

}  // namespace sim
