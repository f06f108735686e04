// The distribution's thunk library: loaded once on Windows 95/98, looked up
// entry by entry, freed after the wizard.
#pragma once

#include <string_view>

#include "core/message_sink.h"
#include "core/setup_context.h"
#include "platform/platform.h"
#include "platform/win_types.h"

constexpr int MSG_LIBRARY_NOT_LOADED = 1087;

class CThunkLibrary {
 public:
  CThunkLibrary() = default;
  ~CThunkLibrary() { Free(); }
  CThunkLibrary(const CThunkLibrary&) = delete;
  CThunkLibrary& operator=(const CThunkLibrary&) = delete;

  // Loads the library unless it is loaded or the system is NT, which has
  // none; false after reporting 1087.
  bool Load(const CSetupContext& context, IMessageSink& messages);
  void Free();
  bool IsLoaded() const { return m_hThunkLib != nullptr; }
  // The entry point of that name, or nullptr (also while not loaded).
  platform::FARPROC GetProc(std::string_view name) const;

 private:
  const platform::Platform* m_platform = nullptr;  // the platform it came from, while loaded
  platform::HMODULE m_hThunkLib = nullptr;
};
