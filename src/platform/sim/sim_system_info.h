// System facts of the simulated machine as the running program asks them:
// version, folders, code page, token, displays, the last error.
#pragma once

#include <string>

#include "platform/sim/process_state.h"
#include "platform/system_info.h"

namespace sim {

class SimSystemInfo final : public platform::ISystemInfo {
 public:
  explicit SimSystemInfo(ProcessState& process);

  platform::BOOL GetVersionExA(platform::OSVERSIONINFOA& info) override;
  platform::DWORD GetModuleFileNameA(char* buffer, platform::DWORD size) override;
  platform::UINT GetACP() override;
  int GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) override;
  platform::UINT GetWindowsDirectoryA(char* buffer, platform::UINT size) override;
  platform::UINT GetSystemDirectoryA(char* buffer, platform::UINT size) override;
  platform::BOOL IsAdministratorToken() override;
  platform::BOOL EnableShutdownPrivilege() override;
  platform::BOOL InitiateSystemShutdownA(const char* message, platform::DWORD timeout, platform::BOOL forceAppsClosed,
                                         platform::BOOL rebootAfterShutdown) override;
  int GetSystemMetrics(int index) override;
  platform::BOOL EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) override;
  platform::DWORD GetLastError() override;
  void SetLastError(platform::DWORD code) override { m_process.lastError = code; }
  void OutputDebugStringA(const char* text) override;

 private:
  const Machine& m_machine;
  ProcessState& m_process;
};

}  // namespace sim
