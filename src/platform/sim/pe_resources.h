// The simulated machine's reader of resource libraries: a 32- or 64-bit PE
// image held in memory, its resource directory walked once and checked, and
// the resources the program takes from a language library (string tables,
// dialog templates, bitmaps, icons, the version resource) decoded on demand
// the way the Win32 loader hands them over.
//
// Every input is treated as hostile: whatever is malformed yields an error
// message or nullopt, never a read outside the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// WideCharToMultiByte without best fit: code pages 1250, 1251, 1252 and
// 65001 (UTF-8); any other code page keeps ASCII only. Characters the code
// page lacks (and unpaired surrogates) become '?'.
std::string Utf16ToAnsi(std::u16string_view text, unsigned codePage);

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

class PeResources {
 public:
  // The whole file. nullopt with a message when it is not a PE image or its
  // resource directory is malformed. An image without resources is valid.
  static std::optional<PeResources> Parse(std::vector<std::uint8_t> image, std::string& error);

  bool Is64Bit() const { return m_is64Bit; }

  // String `id` of the string tables (block id/16+1, entry id%16, of the low
  // word of the id as LoadString takes it), in the ANSI code page; nullopt
  // when missing. An empty string is nullopt, as LoadStringA answers 0.
  std::optional<std::string> LoadString(std::uint32_t id, unsigned codePage = 1252) const;
  std::optional<DialogTemplate> LoadDialog(std::uint32_t id, unsigned codePage = 1252) const;
  // The packed DIB as stored, checked.
  std::optional<std::vector<std::uint8_t>> LoadBitmap(std::uint32_t id) const;
  // RT_GROUP_ICON data, checked, every icon it names present.
  std::optional<std::vector<std::uint8_t>> LoadIconGroup(std::uint32_t id) const;
  // RT_ICON by its id, checked.
  std::optional<std::vector<std::uint8_t>> LoadIcon(std::uint32_t id) const;

  bool HasResource(std::uint32_t type, std::uint32_t id) const;
  std::optional<std::vector<std::uint8_t>> LoadRaw(std::uint32_t type, std::uint32_t id) const;
  // The numeric ids of one type, ascending.
  std::vector<std::uint32_t> Ids(std::uint32_t type) const;
  // Language of the resource (the first one found for that type and id).
  std::optional<std::uint16_t> Language(std::uint32_t type, std::uint32_t id) const;

  // The VS_VERSIONINFO block (version resource 1, where GetFileVersionInfoA
  // looks), cut to its own length, and its fixed part (signature 0xFEEF04BD).
  std::optional<std::vector<std::uint8_t>> VersionInfo() const;
  std::optional<FixedFileInfo> FixedVersion() const;
  // \StringFileInfo\<langCodepage>\<key>, e.g. ("040904E4", "FileVersion");
  // keys match without regard to case, as VerQueryValue does.
  std::optional<std::string> VersionString(std::string_view langCodepage, std::string_view key,
                                           unsigned codePage = 1252) const;
  // \VarFileInfo\Translation: each entry has the language in its low word and
  // the code page in its high word.
  std::vector<std::uint32_t> Translations() const;

 private:
  struct Entry {
    std::size_t offset = 0;  // in the file
    std::uint32_t size = 0;
    std::uint16_t language = 0;
  };

  PeResources() = default;
  std::optional<std::span<const std::uint8_t>> Find(std::uint32_t type, std::uint32_t id) const;
  std::optional<VersionNode> VersionTree() const;

  std::vector<std::uint8_t> m_image;
  bool m_is64Bit = false;
  std::map<std::pair<std::uint32_t, std::uint32_t>, Entry> m_entries;  // (type, id)
};

}  // namespace sim
