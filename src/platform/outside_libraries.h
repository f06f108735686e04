// Call contracts of the distribution's two hardware-near libraries.
//
// _THUNK32.DLL reaches the 16-bit setup services of Windows 95/98 and is
// looked up entry by entry (any entry may be missing; each caller then takes
// its own fallback). SETUP32.DLL enumerates display devices through its
// ordinal 11. All arguments are 32-bit; texts are NUL-terminated ANSI.
//
// Every entry point of both libraries uses the C calling convention
// (OUTSIDE_CALL): the caller removes the arguments, which is what lets a
// library of the older two-argument InstallCompatibleDriver32 take the three
// the setup program always passes. Our own stand-ins for the libraries
// (tools/hardware_libraries, the simulated machine's built-ins) are defined
// with exactly these types.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

#if defined(_WIN32) && !defined(_M_X64) && !defined(__x86_64__)
#define OUTSIDE_CALL __cdecl
#else
#define OUTSIDE_CALL
#endif

namespace outside {

constexpr const char* kThunkLibraryName = "_THUNK32.DLL";
constexpr const char* kSetupLibraryName = "SETUP32.DLL";
constexpr platform::WORD kDisplayDeviceOrdinal = 11;

// Entry-point names of the thunk library.
constexpr const char* kDoDriverInstall32 = "DoDriverInstall32";
constexpr const char* kDoMultiDriverInstall32 = "DoMultiDriverInstall32";
constexpr const char* kInstallCompatibleDriver32 = "InstallCompatibleDriver32";
constexpr const char* kSearchBiosString32 = "SearchBiosString32";
constexpr const char* kIsVendorIdPresent32 = "IsVendorIdPresent32";
constexpr const char* kSearchPCIDevice32 = "SearchPCIDevice32";
constexpr const char* kRestart32 = "Restart32";
constexpr const char* kLDDToPath32 = "LDDToPath32";

// 0 = success, else a failure code that ends the installation run.
using DoDriverInstall32Proc = std::int32_t (OUTSIDE_CALL*)(const char* deviceClass, const char* hardwareId,
                                               const char* installSection, const char* infPath,
                                               const char* description, const char* manufacturer);
// Once per chosen device (0-based); the result is not used.
using DoMultiDriverInstall32Proc = std::int32_t (OUTSIDE_CALL*)(const char* deviceClass, const char* hardwareId,
                                                    const char* installSection, const char* infPath,
                                                    const char* description, const char* manufacturer,
                                                    std::int32_t device);
// 0 = success; any other value: nothing was given back the standard driver
// (no display device with the identifier, or the device installer failed).
// Always called with three arguments: the device number is the 0-based
// device chosen on Windows 98 when several display devices have the
// identifier, else kNoDevice, the adapter's single device (every device with
// the identifier). A library of the older contract, which takes class and
// identifier only, never reads the third; the caller removes it.
using InstallCompatibleDriver32Proc = std::int32_t (OUTSIDE_CALL*)(const char* deviceClass, const char* hardwareId,
                                                                   std::int32_t device);
// The device number of InstallCompatibleDriver32 for the adapter's single device.
constexpr std::int32_t kNoDevice = -1;
// Non-zero = the text occurs in the video BIOS.
using SearchBiosString32Proc = std::int32_t (OUTSIDE_CALL*)(const char* text);
// Non-zero = a device with that hardware identifier is already installed.
using IsVendorIdPresent32Proc = std::int32_t (OUTSIDE_CALL*)(const char* hardwareId);
// Non-zero = a PCI device with these numbers is on the bus.
using SearchPCIDevice32Proc = std::int32_t (OUTSIDE_CALL*)(std::int32_t vendor, std::int32_t device);
// how: kRestartWindows or kRestartComputer; the result is not used.
using Restart32Proc = std::int32_t (OUTSIDE_CALL*)(std::int32_t how);
constexpr std::int32_t kRestartWindows = 0x42;
constexpr std::int32_t kRestartComputer = 0x43;
// Fills `path` (kLogicalDirectoryBufferSize characters) with the folder of
// a logical directory number; non-zero when the number is known.
using LDDToPath32Proc = std::int32_t (OUTSIDE_CALL*)(std::int32_t ldid, char* path);
constexpr std::uint32_t kLogicalDirectoryBufferSize = 260;

// SETUP32.DLL ordinal 11: device is 1-based; the sizes are in and out (the
// caller passes kDisplayDeviceBufferSize). Non-zero: the device exists, the
// buffers hold its display name and the registry sub-key of its driver
// under *root. Zero ends the enumeration.
using DisplayDeviceProc = std::int32_t (OUTSIDE_CALL*)(std::int32_t device, char* name, std::uint16_t* nameSize,
                                           platform::HKEY* root, char* subKey, std::uint16_t* subKeySize);
constexpr std::uint16_t kDisplayDeviceBufferSize = 2048;

// An exported address as its contract's type (nullptr stays nullptr).
template <typename Proc>
Proc EntryPointAs(platform::FARPROC address) {
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(address));
}

template <typename Proc>
platform::FARPROC AsFarProc(Proc proc) {
  return reinterpret_cast<platform::FARPROC>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace outside
