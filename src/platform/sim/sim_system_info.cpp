#include "platform/sim/sim_system_info.h"

#include <algorithm>
#include <cstring>

#include "platform/ascii_text.h"

namespace sim {
namespace {

#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif

// Each simulated monitor shows 1024 by 768 pixels, side by side.
constexpr int kMonitorWidth = 1024;
constexpr int kMonitorHeight = 768;

// USER32 of Windows 98 and NT 5 has the multiple-monitor functions; that of
// Windows 95 and NT 4 has none of them.
bool HasMultipleMonitorCalls(const Machine& machine) {
  return machine.Os() == OsKind::Win98 || machine.Os() == OsKind::NT5;
}

std::size_t CountMonitors(const Machine& machine) {
  std::size_t count = machine.Hardware().MonitoredDisplays().size();
  return count == 0 ? 1 : count;  // Windows always shows on one display
}

template <std::size_t N>
void CopyText(char (&buffer)[N], std::string_view text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, buffer);
  std::fill(buffer + n, buffer + N, '\0');
}

}  // namespace

SimSystemInfo::SimSystemInfo(ProcessState& process) : m_machine(process.machine), m_process(process) {}

platform::BOOL SimSystemInfo::IsAdministratorToken() { return m_machine.IsAdministrator() ? TRUE : FALSE; }

platform::BOOL SimSystemInfo::EnableShutdownPrivilege() {
  // Every user of a workstation holds the privilege; tokens exist on every
  // system the machine can be (as Wine gives them on any version).
  return TRUE;
}

platform::BOOL SimSystemInfo::InitiateSystemShutdownA(const char* message, platform::DWORD timeout,
platform::BOOL forceAppsClosed, platform::BOOL rebootAfterShutdown) {
  if (!m_machine.IsNT()) {
    m_process.lastError = ERROR_CALL_NOT_IMPLEMENTED;
    return FALSE;
  }
  std::string line = rebootAfterShutdown ? "restart request: shut down and restart" : "restart request: shut down";
  line += " (timeout " + std::to_string(timeout) + (forceAppsClosed ? ", forced" : "") + ")";
  if (message != nullptr && *message != '\0') line += std::string(" \"") + message + "\"";
  m_machine.AppendEvent(line);
  return TRUE;
}

int SimSystemInfo::GetSystemMetrics(int index) {
  const bool multiple = HasMultipleMonitorCalls(m_machine);
  const int monitors = static_cast<int>(std::min<std::size_t>(CountMonitors(m_machine), 64));
  switch (index) {
    case SM_CXSCREEN: return kMonitorWidth;
    case SM_CYSCREEN: return kMonitorHeight;
    case SM_CLEANBOOT: return m_machine.IsSafeMode() ? 1 : 0;
    case SM_CXVIRTUALSCREEN: return multiple ? kMonitorWidth * monitors : 0;
    case SM_CYVIRTUALSCREEN: return multiple ? kMonitorHeight : 0;
    case SM_CMONITORS: return multiple ? monitors : 0;
    default: return 0;
  }
}

platform::BOOL SimSystemInfo::EnumDisplayDevicesA(platform::DWORD device, platform::DISPLAY_DEVICEA& info) {
  if (info.cb != sizeof(platform::DISPLAY_DEVICEA)) {
    m_process.lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  if (!HasMultipleMonitorCalls(m_machine)) {
    // The single-display stand-by.
    if (device != 0) return FALSE;
    CopyText(info.DeviceName, "\\\\.\\Display1");
    CopyText(info.DeviceString, "Need to thunk to get name");
    info.StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE | DISPLAY_DEVICE_VGA_COMPATIBLE;
    return TRUE;
  }
  const auto& displays = m_machine.DisplayDevices();
  const std::vector<std::string> monitored = m_machine.Hardware().MonitoredDisplays();
  if (displays.empty()) {
    // A machine without a described adapter has the standard VGA one.
    if (device != 0) return FALSE;
    CopyText(info.DeviceName, "\\\\.\\Display1");
    CopyText(info.DeviceString, "Standard Display Adapter (VGA)");
    info.StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE | DISPLAY_DEVICE_VGA_COMPATIBLE;
    return TRUE;
  }
  if (device >= displays.size()) return FALSE;
  const DisplayDevice& d = displays[device];
  CopyText(info.DeviceName, d.name);
  CopyText(info.DeviceString, d.description);
  info.StateFlags = 0;
  auto attached = [&](const std::string& name) {
    return std::any_of(monitored.begin(), monitored.end(),
                       [&](const std::string& m) { return ascii::EqualNoCase(m, name); });
  };
  if (attached(d.name)) {
    info.StateFlags |= DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
    // The first device with a monitor is the primary one.
    const auto first = std::find_if(displays.begin(), displays.end(), [&](const DisplayDevice& x) { return attached(x.name); });
    if (first == displays.begin() + device) {
      info.StateFlags |= DISPLAY_DEVICE_PRIMARY_DEVICE | DISPLAY_DEVICE_VGA_COMPATIBLE;
    }
  }
  return TRUE;
}

platform::BOOL SimSystemInfo::GetVersionExA(platform::OSVERSIONINFOA& info) {
  if (info.dwOSVersionInfoSize != sizeof(platform::OSVERSIONINFOA)) {
    m_process.lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  info = m_machine.VersionInfo();
  return 1;
}

platform::DWORD SimSystemInfo::GetModuleFileNameA(char* buffer, platform::DWORD size) {
  if (buffer == nullptr || size == 0) {
    m_process.lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  const std::string& path = m_process.programPath;
  const std::size_t copied = std::min<std::size_t>(path.size(), size - 1);
  std::memcpy(buffer, path.data(), copied);
  buffer[copied] = '\0';
  if (copied < path.size()) {
    m_process.lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
  }
  return static_cast<platform::DWORD>(copied);
}

platform::UINT SimSystemInfo::GetACP() { return m_machine.CodePage(); }

int SimSystemInfo::GetLocaleInfoA(platform::DWORD lcType, char* buffer, int size) {
  if (lcType != LOCALE_SABBREVLANGNAME) {
    m_process.lastError = ERROR_INVALID_FLAGS;
    return 0;
  }
  const std::string& code = m_machine.Locale();
  const int needed = static_cast<int>(code.size()) + 1;
  if (size == 0) return needed;
  if (buffer == nullptr || size < needed) {
    m_process.lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::memcpy(buffer, code.c_str(), static_cast<std::size_t>(needed));
  return needed;
}

platform::UINT SimSystemInfo::GetWindowsDirectoryA(char* buffer, platform::UINT size) {
  return CopyFolderOut(m_machine.WindowsDir(), buffer, size);
}

platform::UINT SimSystemInfo::GetSystemDirectoryA(char* buffer, platform::UINT size) {
  return CopyFolderOut(m_machine.SystemDir(), buffer, size);
}

platform::DWORD SimSystemInfo::GetLastError() { return m_process.lastError; }

void SimSystemInfo::OutputDebugStringA(const char* text) {
  if (text == nullptr) return;
  // One line of the record, however the text breaks.
  std::string line(text);
  std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  while (!line.empty() && line.back() == ' ') line.pop_back();
  m_machine.AppendEvent("debug " + line);
}

}  // namespace sim
