// The registry, shaped after the Win32 calls the system makes: the same
// buffers, sizes and result codes, so the system's code reads the same on
// both machines.
#pragma once

#include "platform/win_types.h"

namespace platform {

using REGSAM = DWORD;

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // An empty or null sub-key opens the key itself again.
  virtual LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM desired, HKEY* result) = 0;
  // Creates missing keys along the path; disposition REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
  virtual LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM desired, HKEY* result,
                               DWORD* disposition) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;
  // `nameSize`: in, the buffer's size in characters; out, the name's length without the NUL.
  virtual LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize) = 0;
  virtual LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, BYTE* data,
                             DWORD* dataSize) = 0;
  // A null or empty name is the key's default value. With null data only the size is answered.
  virtual LONG RegQueryValueExA(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* dataSize) = 0;
  virtual LONG RegSetValueExA(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) = 0;
  virtual LONG RegDeleteValueA(HKEY key, const char* name) = 0;
  // Windows NT refuses a key that has sub-keys; Windows 95/98 removes the whole tree.
  virtual LONG RegDeleteKeyA(HKEY key, const char* subKey) = 0;
  // Writes the key's changes to disk before returning; without it they may
  // reach the disk only later (a crash loses them).
  virtual LONG RegFlushKey(HKEY key) = 0;
};

// The predefined roots.
inline HKEY RootClassesRoot() { return PredefinedKey(0x80000000); }
inline HKEY RootCurrentUser() { return PredefinedKey(0x80000001); }
inline HKEY RootLocalMachine() { return PredefinedKey(0x80000002); }
inline HKEY RootUsers() { return PredefinedKey(0x80000003); }
inline HKEY RootCurrentConfig() { return PredefinedKey(0x80000005); }
inline HKEY RootDynData() { return PredefinedKey(0x80000006); }

}  // namespace platform

#ifndef HKEY_CLASSES_ROOT
#define HKEY_CLASSES_ROOT (::platform::RootClassesRoot())
#define HKEY_CURRENT_USER (::platform::RootCurrentUser())
#define HKEY_LOCAL_MACHINE (::platform::RootLocalMachine())
#define HKEY_USERS (::platform::RootUsers())
#define HKEY_CURRENT_CONFIG (::platform::RootCurrentConfig())
#define HKEY_DYN_DATA (::platform::RootDynData())
#endif
