// The folders of a simulated machine as the folder browser offers them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/machine.h"

namespace ui {

// The folder a full Windows path names ("c:\program files" gives
// "C:\Program Files", a drive "C:\"), or nullopt when it is no folder of the machine.
std::optional<std::string> MachineFolder(const sim::Machine& machine, std::string_view path);
// The folders directly inside a folder, as full paths in name order.
std::vector<std::string> SubFolders(const sim::Machine& machine, std::string_view folder);
// The roots of the machine's drives ("A:\", "C:\", "D:\").
std::vector<std::string> DriveRoots(const sim::Machine& machine);

}  // namespace ui
