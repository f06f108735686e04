// The resource module every text, dialog, icon and bitmap comes from: the
// language library, or the program's own module while none is loaded.
#pragma once

#include <string>

#include "platform/win_types.h"

class CResourceModule {
 public:
  CResourceModule() = default;
  explicit CResourceModule(platform::HMODULE module) : m_hModule(module) {}

  void SetHandle(platform::HMODULE module) { m_hModule = module; }
  // The library, else the program's own module.
  platform::HMODULE GetHandle() const;
  // A string resource; empty when there is none.
  std::string LoadString(int id) const;

 private:
  platform::HMODULE m_hModule = nullptr;
};
