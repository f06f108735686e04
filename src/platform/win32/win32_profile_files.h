// The profile functions of the real system, passed through unchanged.
#pragma once

#include "platform/profile_files.h"

namespace win32 {

class Win32ProfileFiles final : public platform::IProfileFiles {
 public:
  platform::DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                           char* buffer, platform::DWORD size, const char* fileName) override;
  platform::UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                       const char* fileName) override;
  platform::DWORD GetPrivateProfileSectionA(const char* section, char* buffer, platform::DWORD size,
                                            const char* fileName) override;
  platform::BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                            const char* fileName) override;
  platform::BOOL WritePrivateProfileSectionA(const char* section, const char* lines, const char* fileName) override;
};

}  // namespace win32
