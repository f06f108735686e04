#include "core/resource_module.h"

#include "platform/platform.h"

namespace {
constexpr int kMaxTextLength = 1023;
}

platform::HMODULE CResourceModule::GetHandle() const {
  return m_hModule != nullptr ? m_hModule : m_platform->Resources().GetProgramModule();
}

std::string CResourceModule::LoadString(int id) const {
  char buffer[kMaxTextLength + 1] = {};
  const int n = m_platform->Resources().LoadStringA(GetHandle(), static_cast<platform::UINT>(id), buffer,
                                                    static_cast<int>(sizeof buffer));
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}
