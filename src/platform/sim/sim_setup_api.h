// SETUPAPI.DLL of the simulated Windows NT machine: device information sets
// and root-enumerated device instances under SYSTEM\CurrentControlSet\Enum,
// class driver lists read from one INF, the device's installation (the
// install section's registry lines, its .Services section's services, no
// files under DI_NOFILECOPY) and registry-only installs of INF sections,
// failing with Windows' error codes. Each device install, and each that
// fails with its error, is a "setupapi install" line of events.log.
#pragma once

#include <memory>
#include <string_view>

#include "platform/win_types.h"

namespace sim {

platform::FARPROC SetupApiEntryPoint(std::string_view name);

// The device information sets and open INF files of one program, by handle.
struct SetupApiHandles;
struct SetupApiHandlesDeleter {
  void operator()(SetupApiHandles* handles) const;
};
using SetupApiHandlesPtr = std::unique_ptr<SetupApiHandles, SetupApiHandlesDeleter>;
SetupApiHandlesPtr MakeSetupApiHandles();

}  // namespace sim
