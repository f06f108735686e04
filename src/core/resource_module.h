// The resource module every text, dialog, icon and bitmap comes from: the
// language library, or the program's own module while none is loaded.
#pragma once

#include <string>

#include "platform/resources.h"
#include "platform/win_types.h"

class CResourceModule {
 public:
  // The resources must outlive the module.
  explicit CResourceModule(platform::IResources& resources, platform::HMODULE module = nullptr)
      : m_resources(&resources), m_hModule(module) {}

  void SetHandle(platform::HMODULE module) { m_hModule = module; }
  // The library, else the program's own module.
  platform::HMODULE GetHandle() const;
  // A string resource; empty when there is none.
  std::string LoadString(int id) const;

 private:
  platform::IResources* m_resources;
  platform::HMODULE m_hModule = nullptr;
};
