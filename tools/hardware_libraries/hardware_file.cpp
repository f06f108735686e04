#include <windows.h>

#include "hardware_file.h"

#include <vector>

namespace hardware_libraries {

std::string WindowsFolder() {
  char buffer[MAX_PATH + 1] = {};
  const UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string("C:\\WINDOWS");
}

std::string SystemFolder() {
  char buffer[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : WindowsFolder() + "\\SYSTEM";
}

bool IsWindowsNT() { return (GetVersion() & 0x80000000u) == 0; }

bool IsWindows98() {
  const DWORD version = GetVersion();
  return (version & 0x80000000u) != 0 && ((version >> 8) & 0xFFu) != 0;
}

namespace {

std::string InWindowsFolder(const char* name) {
  std::string folder = WindowsFolder();
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + name;
}

// A description larger than this is not one.
constexpr DWORD kMaxDescriptionSize = 1u << 20;

}  // namespace

sim::HardwareDescription ReadDescription() {
  const std::string path = InWindowsFolder(kDescriptionFile);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  const DWORD size = GetFileSize(file, nullptr);
  if (size != INVALID_FILE_SIZE && size <= kMaxDescriptionSize) {
    text.resize(size);
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file, text.data(), size, &read, nullptr) || read != size)) text.clear();
  }
  CloseHandle(file);
  std::string error;
  auto description = sim::HardwareDescription::Parse(text, error);
  if (description) return std::move(*description);
  // A description that says nothing sure answers as a machine without the hardware, and says why.
  Record("refused " + error);
  return {};
}

void Record(const std::string& line) {
  const std::string path = InWindowsFolder(kRecordFile);
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace hardware_libraries
