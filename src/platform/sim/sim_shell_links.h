// Shell links on a simulated machine: link objects that save real .lnk
// files onto the machine's drives and load them again.
#pragma once

#include <memory>
#include <string>

#include "platform/shell_links.h"
#include "platform/sim/process_state.h"
#include "platform/sim/shell_link_file.h"

namespace sim {

class SimShellLinks final : public platform::IShellLinks {
 public:
  // Relative targets start at the process's current folder.
  explicit SimShellLinks(const ProcessState& process);

  platform::HRESULT CoInitialize() override;
  void CoUninitialize() override;
  platform::HRESULT CreateShellLink(std::unique_ptr<platform::IShellLinkObject>& link) override;

 private:
  const ProcessState& m_process;
  int m_initialized = 0;
};

}  // namespace sim
