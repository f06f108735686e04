// Free space of a drive, for the disk-space display.
#pragma once

#include <cstdint>
#include <string_view>

// Kilobytes free on the drive of `path`, a multiple of the sector size; the
// largest 32-bit value when there is more.
std::uint32_t GetFreeKilobytes(std::string_view path);

// Message numbers of the preparation.
constexpr int MSG_WRONG_SYSTEM_OR_NO_SCRIPT = 1084;
constexpr int MSG_NO_SCRIPT = 1085;
constexpr int MSG_MISSING_KEY = 1089;
