// What reading a machine's description files (machine.ini, hardware.ini)
// and laying down a fresh machine share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sim/machine.h"

namespace sim {

struct LocaleInfo {
  const char* code;
  platform::UINT codePage;
};

// The setup's own languages; any other abbreviated language name (DES, ENG,
// FRB …) is a locale of the 1252 code page, its code kept in `storage`.
std::optional<LocaleInfo> FindLocale(std::string_view code, std::string& storage);

std::string DefaultWindowsDir(OsKind os);

// A display service of Windows NT, the one \Device\Video0 names.
void WriteDisplayService(SimRegistry& r, const std::string& name, const std::string& group, std::uint32_t start);

}  // namespace sim
