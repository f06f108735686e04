// _THUNK32.DLL and SETUP32.DLL as the simulated machine provides them: they
// answer from hardware.ini of the active machine. On Windows NT the machine
// also has SETUPAPI.DLL, its device installer.
#pragma once

#include <string_view>

#include "platform/win_types.h"

namespace sim {

bool IsBuiltInLibrary(std::string_view upperFileName);
platform::FARPROC BuiltInEntryPoint(std::string_view upperFileName, std::string_view name);
platform::FARPROC BuiltInEntryPoint(std::string_view upperFileName, platform::WORD ordinal);

}  // namespace sim
