// Libraries loaded at run time and their entry points.
#pragma once

#include <string_view>

#include "platform/win_types.h"

namespace platform {

class ILibraryLoader {
 public:
  virtual ~ILibraryLoader() = default;

  // LoadLibraryA: nullptr on failure, with the reason in GetLastError.
  virtual HMODULE LoadLibraryA(std::string_view name) = 0;

  // GetProcAddress by name; nullptr when the entry point is missing.
  virtual FARPROC GetProcAddress(HMODULE module, std::string_view name) = 0;

  // GetProcAddress by ordinal (MAKEINTRESOURCE).
  virtual FARPROC GetProcAddressByOrdinal(HMODULE module, WORD ordinal) = 0;

  virtual BOOL FreeLibrary(HMODULE module) = 0;
};

}  // namespace platform
