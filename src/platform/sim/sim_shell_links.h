// Shell links on a simulated machine: link objects that save real .lnk
// files onto the machine's drives and load them again.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/shell_links.h"
#include "platform/sim/machine.h"
#include "platform/sim/shell_link_file.h"

namespace sim {

class SimShellLinks final : public platform::IShellLinks {
 public:
  // `currentDirectory` answers the process's current folder.
  SimShellLinks(const Machine& machine, std::function<std::string()> currentDirectory);

  platform::HRESULT CoInitialize() override;
  void CoUninitialize() override;
  platform::HRESULT CreateShellLink(std::unique_ptr<platform::IShellLinkObject>& link) override;

 private:
  const Machine& m_machine;
  std::function<std::string()> m_currentDirectory;
  int m_initialized = 0;
};

}  // namespace sim
