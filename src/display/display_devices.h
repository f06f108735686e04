// The display devices that use an adapter model: counted through the
// system's display device enumeration, named and located through
// SETUP32.DLL ordinal 11, and matched by their driver sub-key.
#pragma once

#include <string_view>
#include <vector>

#include "components/component.h"

// Appends one entry per display device whose driver sub-key holds
// `hardwareId` (case included) and whose DeviceDesc can be read; answers the
// number appended (0 when SETUP32.DLL or its ordinal is missing).
int EnumerateDisplayDevices(const platform::Platform& platform, std::vector<CDisplayDevice>& list,
                            std::string_view hardwareId);
