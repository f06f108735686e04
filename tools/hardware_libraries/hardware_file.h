// The hardware description of a Windows machine for our stand-ins of the
// distribution's hardware libraries: HARDWARE.INI in the Windows folder, in
// the format of the simulated machine's hardware.ini, so that a Windows (or
// Wine) installation can stand in for a machine with an adapter.
#pragma once

#include <string>

#include "platform/shared/hardware_description.h"

namespace hardware_libraries {

constexpr const char* kDescriptionFile = "HARDWARE.INI";
constexpr const char* kRecordFile = "HARDWARE.LOG";

// Read afresh at each call, so that a change to the file counts at once.
// A missing or malformed file describes a machine without any hardware.
sim::HardwareDescription ReadDescription();

std::string WindowsFolder();
std::string SystemFolder();
bool IsWindowsNT();
// Windows 98 (the Windows 95 family with a minor version other than 0).
bool IsWindows98();

// Appends one line to the record file in the Windows folder: the calls that
// would change the machine are recorded there instead.
void Record(const std::string& line);

}  // namespace hardware_libraries
