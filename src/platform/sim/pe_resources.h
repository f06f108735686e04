// The simulated machine's reader of resource libraries: a 32- or 64-bit PE
// image held in memory, its resource directory walked once and checked, and
// its resources decoded on demand (resource_formats.h).
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

#include "platform/sim/resource_formats.h"

namespace sim {

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
