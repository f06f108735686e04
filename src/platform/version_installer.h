// The version installer and version information (VERSION.DLL): files copied
// with their version resources compared, compressed sources expanded.
#pragma once

#include "platform/win_types.h"

namespace platform {

// VS_FIXEDFILEINFO, as VerQueryValueA answers for "\".
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

class IVersionInstaller {
 public:
  virtual ~IVersionInstaller() = default;

  // VerInstallFileA: installs srcDir\srcName as destDir\destName. The VIF_*
  // bits of the outcome; with VIF_TEMPFILE the copy is left in destDir under
  // the bare name written to `tmpFile` (*tmpFileLen: in, the buffer's size;
  // out, the name's length with the NUL). With VIFF_FORCEINSTALL and a name
  // in `tmpFile`, that temporary copy is installed. `curDir` may be null.
  virtual DWORD VerInstallFileA(DWORD flags, const char* srcName, const char* destName, const char* srcDir,
                                const char* destDir, const char* curDir, char* tmpFile, UINT* tmpFileLen) = 0;

  // The size of the version block of a file, 0 when it has none.
  virtual DWORD GetFileVersionInfoSizeA(const char* fileName, DWORD* handle) = 0;
  virtual BOOL GetFileVersionInfoA(const char* fileName, DWORD handle, DWORD size, void* data) = 0;
  // A value of a block GetFileVersionInfoA filled: "\" (VS_FIXEDFILEINFO),
  // "\VarFileInfo\Translation", "\StringFileInfo\040904E4\FileVersion" …
  // Texts come back in the ANSI code page; *length counts characters then.
  virtual BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) = 0;
};

}  // namespace platform
