#include "core/thunk_library.h"

#include "platform/outside_libraries.h"
#include "platform/platform.h"

bool CThunkLibrary::Load(const CSetupContext& context, IMessageSink& messages) {
  if (context.IsNT() || m_hThunkLib != nullptr) return true;
  m_platform = &context.GetPlatform();
  m_hThunkLib = m_platform->Libraries().LoadLibraryA(outside::kThunkLibraryName);
  if (m_hThunkLib != nullptr) return true;
  messages.ShowError(MSG_LIBRARY_NOT_LOADED, outside::kThunkLibraryName);
  return false;
}

void CThunkLibrary::Free() {
  if (m_hThunkLib == nullptr) return;
  m_platform->Libraries().FreeLibrary(m_hThunkLib);
  m_hThunkLib = nullptr;
}

platform::FARPROC CThunkLibrary::GetProc(std::string_view name) const {
  if (m_hThunkLib == nullptr) return nullptr;
  return m_platform->Libraries().GetProcAddress(m_hThunkLib, name);
}
