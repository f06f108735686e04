// The platform interfaces answered by the real Win32 calls: a thin layer that
// adapts types and adds no behaviour of its own.
#pragma once

#include "platform/platform.h"

namespace win32 {

class Win32Platform final : public platform::ISystemInfo,
                            public platform::IFileSystem,
                            public platform::ILibraryLoader {
 public:
  Win32Platform() = default;
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  void Install();

  platform::BOOL GetVersionExA(platform::OSVERSIONINFOA& info) override;
  std::string GetModuleFileNameA() override;
  platform::UINT GetACP() override;
  platform::DWORD GetLastError() override;

  platform::DWORD ReadWholeFile(std::string_view path, std::vector<char>& content) override;
  platform::DWORD WriteWholeFile(std::string_view path, const char* data, std::size_t size) override;
  bool FileExists(std::string_view path) override;

  platform::HMODULE LoadLibraryA(std::string_view name) override;
  platform::FARPROC GetProcAddress(platform::HMODULE module, const char* name) override;
  platform::FARPROC GetProcAddressByOrdinal(platform::HMODULE module, platform::WORD ordinal) override;
  platform::BOOL FreeLibrary(platform::HMODULE module) override;

 private:
  bool m_installed = false;
  platform::Platform m_previous;
};

}  // namespace win32
