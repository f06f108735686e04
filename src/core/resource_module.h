// The resource module every text, dialog, icon and bitmap comes from: the
// language library, or the program's own module while none is loaded.
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/win_types.h"

class CResourceModule {
 public:
  // The platform must outlive the module.
  explicit CResourceModule(const platform::Platform& platform, platform::HMODULE module = nullptr)
      : m_platform(&platform), m_hModule(module) {}

  void SetHandle(platform::HMODULE module) { m_hModule = module; }
  // The library, else the program's own module.
  platform::HMODULE GetHandle() const;
  // A string resource; empty when there is none.
  std::string LoadString(int id) const;

 private:
  const platform::Platform* m_platform;
  platform::HMODULE m_hModule = nullptr;
};
