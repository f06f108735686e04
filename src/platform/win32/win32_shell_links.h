// Shell links through the component object library: the shell link object
// (IShellLinkA) and its IPersistFile.
#pragma once

#include "platform/shell_links.h"

namespace win32 {

class Win32ShellLinks final : public platform::IShellLinks {
 public:
  platform::HRESULT CoInitialize() override;
  void CoUninitialize() override;
  platform::HRESULT CreateShellLink(std::unique_ptr<platform::IShellLinkObject>& link) override;
};

}  // namespace win32
