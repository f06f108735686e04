#include <windows.h>

#include "platform/win32/win32_profile_files.h"

namespace win32 {

platform::DWORD Win32ProfileFiles::GetPrivateProfileStringA(const char* section, const char* key,
                                                            const char* defaultValue, char* buffer,
                                                            platform::DWORD size, const char* fileName) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

platform::UINT Win32ProfileFiles::GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                                        const char* fileName) {
  return ::GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

platform::DWORD Win32ProfileFiles::GetPrivateProfileSectionA(const char* section, char* buffer,
                                                             platform::DWORD size, const char* fileName) {
  // Windows answers 0 for an empty buffer; Wine writes before it.
  if (size == 0) return 0;
  return ::GetPrivateProfileSectionA(section, buffer, size, fileName);
}

platform::BOOL Win32ProfileFiles::WritePrivateProfileStringA(const char* section, const char* key,
                                                             const char* value, const char* fileName) {
  return ::WritePrivateProfileStringA(section, key, value, fileName);
}

platform::BOOL Win32ProfileFiles::WritePrivateProfileSectionA(const char* section, const char* lines,
                                                              const char* fileName) {
  return ::WritePrivateProfileSectionA(section, lines, fileName);
}

}  // namespace win32
