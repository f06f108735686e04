// The resources a program takes from a language library (string tables,
// dialog templates, bitmaps, icons, the version resource), decoded from their
// bytes the way the Win32 loader hands them over.
//
// Every input is treated as hostile: whatever is malformed yields an error
// message or nullopt, never a read outside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/sim/code_pages.h"

namespace sim {

// Resource types (the RT_* numbers).
inline constexpr std::uint32_t kRtCursor = 1;
inline constexpr std::uint32_t kRtBitmap = 2;
inline constexpr std::uint32_t kRtIcon = 3;
inline constexpr std::uint32_t kRtMenu = 4;
inline constexpr std::uint32_t kRtDialog = 5;
inline constexpr std::uint32_t kRtString = 6;
inline constexpr std::uint32_t kRtRcData = 10;
inline constexpr std::uint32_t kRtGroupCursor = 12;
inline constexpr std::uint32_t kRtGroupIcon = 14;
inline constexpr std::uint32_t kRtVersion = 16;

struct DialogControl {
  std::uint32_t id = 0;
  // "BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX" for the
  // predefined atoms 0x80-0x85, "#<n>" for another ordinal, else the name given.
  std::string className;
  std::string text;  // a text given by ordinal (an icon of a static) reads as "#<n>"
  std::uint32_t style = 0, exStyle = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t helpId = 0;  // DLGITEMTEMPLATEEX only
};

struct DialogTemplate {
  bool extended = false;  // DLGTEMPLATEEX
  std::uint32_t style = 0, exStyle = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string menu, windowClass, caption, font;  // menu and class by ordinal read as "#<n>"
  std::uint16_t pointSize = 0;  // font fields only with DS_SETFONT; 0x7FFF is the system font, without the rest
  std::uint16_t weight = 0;     // DLGTEMPLATEEX only, as are the next three
  std::uint8_t italic = 0, charset = 0;
  std::uint32_t helpId = 0;
  std::vector<DialogControl> controls;
};

struct FixedFileInfo {
  std::uint32_t fileVersionMS = 0, fileVersionLS = 0, productVersionMS = 0, productVersionLS = 0;
  std::uint32_t fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
  std::uint32_t structVersion = 0, fileDateMS = 0, fileDateLS = 0;
};

// One block of a version resource: its key, type (1 text, 0 binary), value
// bytes and children.
struct VersionNode {
  std::u16string key;
  std::uint16_t type = 0;
  std::vector<std::uint8_t> value;
  std::vector<VersionNode> children;
};

// The pieces, on the bytes of one resource. On failure they set `error` to
// what is wrong and where (offsets within the resource).

// Entry `index` (0-15) of a string table block; an empty entry reads as "".
std::optional<std::string> ParseStringTableEntry(std::span<const std::uint8_t> block, unsigned index, unsigned codePage,
                                                 std::string& error);
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> data, unsigned codePage,
                                                  std::string& error);
// A packed DIB (BITMAPINFOHEADER or a later or core header, colour table, bits).
bool CheckPackedDib(std::span<const std::uint8_t> data, std::string& error);
// An RT_ICON image: a DIB of twice the icon's height (colour bits, then the
// mask) or a PNG.
bool CheckIconImage(std::span<const std::uint8_t> data, std::string& error);
// The GRPICONDIR layout of an RT_GROUP_ICON (not whether its icons exist).
bool CheckIconGroup(std::span<const std::uint8_t> data, std::string& error);
// A VS_VERSIONINFO block and its children; trailing bytes beyond its length
// are ignored.
std::optional<VersionNode> ParseVersionInfo(std::span<const std::uint8_t> data, std::string& error);

}  // namespace sim
