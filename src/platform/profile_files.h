// Profile (INI) files through the Windows profile functions, with their
// buffers, sizes and results. A bare file name means the file in the
// Windows folder.
#pragma once

#include "platform/win_types.h"

namespace platform {

class IProfileFiles {
 public:
  virtual ~IProfileFiles() = default;

  // A null section lists the section names, a null key the keys of the
  // section (each NUL-terminated, a second NUL at the end).
  virtual DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                         DWORD size, const char* fileName) = 0;
  virtual UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                     const char* fileName) = 0;
  virtual DWORD GetPrivateProfileSectionA(const char* section, char* buffer, DWORD size, const char* fileName) = 0;
  // A null value deletes the key; a null key deletes the section.
  virtual BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                          const char* fileName) = 0;
  // `lines`: "key=value" strings, each NUL-terminated, a second NUL at the end.
  virtual BOOL WritePrivateProfileSectionA(const char* section, const char* lines, const char* fileName) = 0;
};

}  // namespace platform
