#include "platform/sim/pe_resources.h"

#include <algorithm>
#include <set>

#include "platform/byte_cursor.h"
#include "platform/sim/hex_offset.h"

namespace sim {
namespace {

using platform::ByteCursor;

bool KeyEquals(std::u16string_view key, std::string_view name) {
  if (key.size() != name.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    char16_t a = key[i];
    char16_t b = static_cast<unsigned char>(name[i]);
    if (a >= 'a' && a <= 'z') a = static_cast<char16_t>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char16_t>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

const VersionNode* Child(const VersionNode& node, std::string_view key) {
  for (const VersionNode& child : node.children) {
    if (KeyEquals(child.key, key)) return &child;
  }
  return nullptr;
}

// ---- The image ----

constexpr std::size_t kMaxSections = 96;
// A resource library holds a few hundred entries; this bounds the walk of a
// hostile directory whose entries overlap or repeat.
constexpr std::size_t kMaxDirectoryEntries = 65536;

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t extent = 0;  // bytes both mapped and backed by the file
  std::uint32_t fileOffset = 0;
};

std::string SectionName(const std::uint8_t* header) {
  std::string name;
  for (std::size_t i = 0; i < 8 && header[i] != 0; ++i) {
    name.push_back(header[i] >= 0x20 && header[i] < 0x7F ? static_cast<char>(header[i]) : '?');
  }
  return name;
}

// File offset of `size` bytes at `rva` when they lie within one section's file data.
std::optional<std::size_t> MapRva(const std::vector<Section>& sections, std::uint64_t rva, std::uint64_t size) {
  for (const Section& section : sections) {
    if (rva < section.virtualAddress) continue;
    const std::uint64_t offset = rva - section.virtualAddress;
    if (offset > section.extent || size > section.extent - offset) continue;
    return static_cast<std::size_t>(section.fileOffset + offset);
  }
  return std::nullopt;
}

struct DirectoryEntry {
  bool named = false;
  std::uint32_t id = 0;
  bool isDirectory = false;
  std::uint32_t offset = 0;  // from the start of the resource directory
};

class DirectoryWalker {
 public:
  DirectoryWalker(std::span<const std::uint8_t> file, const std::vector<Section>& sections, std::uint32_t rootRva,
                  std::string& error)
      : m_file(file), m_sections(sections), m_rootRva(rootRva), m_error(error) {}

  std::optional<std::vector<DirectoryEntry>> Read(std::uint32_t offset) {
    const std::string at = "resource directory at offset " + Hex(offset);
    if (!m_visited.insert(offset).second) {
      m_error = at + " is reached a second time (the directory tree loops)";
      return std::nullopt;
    }
    const auto header = MapRva(m_sections, std::uint64_t{m_rootRva} + offset, 16);
    if (!header) {
      m_error = at + " (RVA " + Hex(std::uint64_t{m_rootRva} + offset) + ") lies outside the sections' file data";
      return std::nullopt;
    }
    ByteCursor in(m_file, *header);
    in.Skip(12);  // characteristics, time stamp, version
    const std::size_t named = in.U16();
    const std::size_t count = named + in.U16();
    if (count > kMaxDirectoryEntries - m_entriesRead) {
      m_error = at + ": more than " + std::to_string(kMaxDirectoryEntries) + " directory entries in all";
      return std::nullopt;
    }
    m_entriesRead += count;
    const auto table = MapRva(m_sections, std::uint64_t{m_rootRva} + offset + 16, std::uint64_t{count} * 8);
    if (!table) {
      m_error = at + " declares " + std::to_string(count) + " entries, which run past the section's data";
      return std::nullopt;
    }
    std::vector<DirectoryEntry> entries(count);
    ByteCursor list(m_file, *table);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t name = list.U32();
      const std::uint32_t target = list.U32();
      entries[i].named = (name & 0x80000000u) != 0;
      entries[i].id = name & 0x7FFFFFFFu;
      entries[i].isDirectory = (target & 0x80000000u) != 0;
      entries[i].offset = target & 0x7FFFFFFFu;
    }
    return entries;
  }

  // IMAGE_RESOURCE_DATA_ENTRY: the data's RVA and size.
  std::optional<std::pair<std::uint32_t, std::uint32_t>> ReadDataEntry(std::uint32_t offset) {
    const auto entry = MapRva(m_sections, std::uint64_t{m_rootRva} + offset, 16);
    if (!entry) {
      m_error = "resource data entry at offset " + Hex(offset) + " lies outside the sections' file data";
      return std::nullopt;
    }
    ByteCursor in(m_file, *entry);
    const std::uint32_t rva = in.U32();
    const std::uint32_t size = in.U32();
    return std::make_pair(rva, size);
  }

 private:
  std::span<const std::uint8_t> m_file;
  const std::vector<Section>& m_sections;
  std::uint32_t m_rootRva;
  std::string& m_error;
  std::set<std::uint32_t> m_visited;
  std::size_t m_entriesRead = 0;
};

}  // namespace

// ---- PeResources ----

std::optional<PeResources> PeResources::Parse(std::vector<std::uint8_t> image, std::string& error) {
  const std::span<const std::uint8_t> file(image);
  const std::uint64_t size = file.size();
  if (size < 64 || file[0] != 'M' || file[1] != 'Z') {
    error = "not a PE image: no MZ header";
    return std::nullopt;
  }
  const std::uint32_t peOffset = ByteCursor(file, 0x3C).U32();
  if (std::uint64_t{peOffset} + 24 > size) {
    error = "e_lfanew " + Hex(peOffset) + " leaves no room for the PE headers in a file of " + std::to_string(size) +
            " bytes";
    return std::nullopt;
  }
  ByteCursor headers(file, peOffset);
  if (headers.U32() != 0x00004550u) {
    error = "not a PE image: no PE signature at offset " + Hex(peOffset);
    return std::nullopt;
  }
  headers.Skip(2);  // machine
  const std::uint16_t sectionCount = headers.U16();
  headers.Skip(12);  // time stamp, symbol table and its size
  const std::uint16_t optionalSize = headers.U16();
  const std::uint64_t optional = std::uint64_t{peOffset} + 24;
  if (optional + optionalSize > size || optionalSize < 2) {
    error = "optional header of " + std::to_string(optionalSize) + " bytes at offset " + Hex(optional) +
            " does not fit the file of " + std::to_string(size) + " bytes";
    return std::nullopt;
  }
  const std::uint16_t magic = ByteCursor(file, static_cast<std::size_t>(optional)).U16();
  if (magic != 0x10B && magic != 0x20B) {
    error = "optional header magic " + Hex(magic) + " is neither PE32 nor PE32+";
    return std::nullopt;
  }
  PeResources result;
  result.m_is64Bit = magic == 0x20B;
  const std::uint64_t countField = result.m_is64Bit ? 108 : 92;
  if (optionalSize < countField + 4) {
    error = "optional header of " + std::to_string(optionalSize) + " bytes is too short for its data directories";
    return std::nullopt;
  }
  const std::uint32_t directoryCount = ByteCursor(file, static_cast<std::size_t>(optional + countField)).U32();
  std::uint32_t resourceRva = 0;
  if (directoryCount > 2) {
    const std::uint64_t resourceDirectory = countField + 4 + 2 * 8;
    if (optionalSize < resourceDirectory + 8) {
      error = "optional header of " + std::to_string(optionalSize) + " bytes ends before the resource directory entry";
      return std::nullopt;
    }
    resourceRva = ByteCursor(file, static_cast<std::size_t>(optional + resourceDirectory)).U32();
  }

  const std::uint64_t table = optional + optionalSize;
  if (sectionCount > kMaxSections) {
    error = std::to_string(sectionCount) + " sections, more than the " + std::to_string(kMaxSections) + " allowed";
    return std::nullopt;
  }
  if (table + std::uint64_t{sectionCount} * 40 > size) {
    error = "section table (" + std::to_string(sectionCount) + " entries at offset " + Hex(table) +
            ") runs past the end of the file (" + std::to_string(size) + " bytes)";
    return std::nullopt;
  }
  std::vector<Section> sections(sectionCount);
  ByteCursor headerTable(file, static_cast<std::size_t>(table));
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::uint8_t* p = &file[headerTable.pos()];
    headerTable.Skip(8);  // name
    const std::uint32_t virtualSize = headerTable.U32();
    Section& section = sections[i];
    section.virtualAddress = headerTable.U32();
    const std::uint32_t rawSize = headerTable.U32();
    section.fileOffset = headerTable.U32();
    headerTable.Skip(16);  // relocations, line numbers, characteristics
    section.extent = virtualSize != 0 ? std::min(virtualSize, rawSize) : rawSize;
    if (rawSize != 0 && std::uint64_t{section.fileOffset} + rawSize > size) {
      error = "section " + std::to_string(i + 1) + " (" + SectionName(p) + "): raw data at offset " +
              Hex(section.fileOffset) + ", " + std::to_string(rawSize) + " bytes, runs past the end of the file (" +
              std::to_string(size) + " bytes)";
      return std::nullopt;
    }
  }
  if (resourceRva == 0) {
    result.m_image = std::move(image);
    return result;
  }

  // Types, then ids, then languages; named types and ids are passed over.
  DirectoryWalker walker(file, sections, resourceRva, error);
  const auto types = walker.Read(0);
  if (!types) return std::nullopt;
  for (const DirectoryEntry& type : *types) {
    if (type.named) continue;
    const std::string typeText = "resource type " + std::to_string(type.id);
    if (!type.isDirectory) {
      error = typeText + ": the entry points to data where a directory belongs";
      return std::nullopt;
    }
    const auto ids = walker.Read(type.offset);
    if (!ids) return std::nullopt;
    for (const DirectoryEntry& id : *ids) {
      if (id.named) continue;
      const std::string idText = typeText + " id " + std::to_string(id.id);
      if (!id.isDirectory) {
        error = idText + ": the entry points to data where a directory belongs";
        return std::nullopt;
      }
      const auto languages = walker.Read(id.offset);
      if (!languages) return std::nullopt;
      for (const DirectoryEntry& language : *languages) {
        if (language.isDirectory) {
          error = idText + ": a directory where the data entry belongs";
          return std::nullopt;
        }
        const auto data = walker.ReadDataEntry(language.offset);
        if (!data) return std::nullopt;
        const auto offset = MapRva(sections, data->first, data->second);
        if (!offset) {
          error = idText + ": data at RVA " + Hex(data->first) + ", " + std::to_string(data->second) +
                  " bytes, lies outside the sections' file data";
          return std::nullopt;
        }
        if (language.named) continue;
        Entry entry;
        entry.offset = *offset;
        entry.size = data->second;
        entry.language = static_cast<std::uint16_t>(language.id);
        result.m_entries.emplace(std::make_pair(type.id, id.id), entry);
      }
    }
  }
  result.m_image = std::move(image);
  return result;
}

std::optional<std::span<const std::uint8_t>> PeResources::Find(std::uint32_t type, std::uint32_t id) const {
  const auto it = m_entries.find({type, id});
  if (it == m_entries.end()) return std::nullopt;
  return std::span<const std::uint8_t>(m_image).subspan(it->second.offset, it->second.size);
}

bool PeResources::HasResource(std::uint32_t type, std::uint32_t id) const { return m_entries.count({type, id}) != 0; }

std::optional<std::vector<std::uint8_t>> PeResources::LoadRaw(std::uint32_t type, std::uint32_t id) const {
  const auto data = Find(type, id);
  if (!data) return std::nullopt;
  return std::vector<std::uint8_t>(data->begin(), data->end());
}

std::vector<std::uint32_t> PeResources::Ids(std::uint32_t type) const {
  std::vector<std::uint32_t> ids;
  for (auto it = m_entries.lower_bound({type, 0}); it != m_entries.end() && it->first.first == type; ++it) {
    ids.push_back(it->first.second);
  }
  return ids;
}

std::optional<std::uint16_t> PeResources::Language(std::uint32_t type, std::uint32_t id) const {
  const auto it = m_entries.find({type, id});
  if (it == m_entries.end()) return std::nullopt;
  return it->second.language;
}

std::optional<std::string> PeResources::LoadString(std::uint32_t id, unsigned codePage) const {
  const std::uint32_t word = id & 0xFFFF;
  const auto block = Find(kRtString, word / 16 + 1);
  if (!block) return std::nullopt;
  std::string error;
  auto text = ParseStringTableEntry(*block, word % 16, codePage, error);
  if (!text || text->empty()) return std::nullopt;
  return text;
}

std::optional<DialogTemplate> PeResources::LoadDialog(std::uint32_t id, unsigned codePage) const {
  const auto data = Find(kRtDialog, id);
  if (!data) return std::nullopt;
  std::string error;
  return ParseDialogTemplate(*data, codePage, error);
}

std::optional<std::vector<std::uint8_t>> PeResources::LoadBitmap(std::uint32_t id) const {
  const auto data = Find(kRtBitmap, id);
  std::string error;
  if (!data || !CheckPackedDib(*data, error)) return std::nullopt;
  return std::vector<std::uint8_t>(data->begin(), data->end());
}

std::optional<std::vector<std::uint8_t>> PeResources::LoadIconGroup(std::uint32_t id) const {
  const auto data = Find(kRtGroupIcon, id);
  std::string error;
  if (!data || !CheckIconGroup(*data, error)) return std::nullopt;
  ByteCursor in(*data, 4);
  const std::size_t count = in.U16();
  for (std::size_t i = 0; i < count; ++i) {
    in.Skip(12);  // the image's size and format
    if (!HasResource(kRtIcon, in.U16())) return std::nullopt;
  }
  return std::vector<std::uint8_t>(data->begin(), data->end());
}

std::optional<std::vector<std::uint8_t>> PeResources::LoadIcon(std::uint32_t id) const {
  const auto data = Find(kRtIcon, id);
  std::string error;
  if (!data || !CheckIconImage(*data, error)) return std::nullopt;
  return std::vector<std::uint8_t>(data->begin(), data->end());
}

std::optional<VersionNode> PeResources::VersionTree() const {
  const auto data = Find(kRtVersion, 1);
  if (!data) return std::nullopt;
  std::string error;
  return ParseVersionInfo(*data, error);
}

std::optional<std::vector<std::uint8_t>> PeResources::VersionInfo() const {
  if (!VersionTree()) return std::nullopt;
  const auto data = Find(kRtVersion, 1);
  return std::vector<std::uint8_t>(data->begin(), data->begin() + ByteCursor(*data).U16());
}

std::optional<FixedFileInfo> PeResources::FixedVersion() const {
  const auto tree = VersionTree();
  if (!tree || tree->value.size() != 52) return std::nullopt;
  ByteCursor in(tree->value);
  if (in.U32() != 0xFEEF04BDu) return std::nullopt;
  FixedFileInfo info;
  info.structVersion = in.U32();
  info.fileVersionMS = in.U32();
  info.fileVersionLS = in.U32();
  info.productVersionMS = in.U32();
  info.productVersionLS = in.U32();
  info.fileFlagsMask = in.U32();
  info.fileFlags = in.U32();
  info.fileOS = in.U32();
  info.fileType = in.U32();
  info.fileSubtype = in.U32();
  info.fileDateMS = in.U32();
  info.fileDateLS = in.U32();
  return info;
}

std::optional<std::string> PeResources::VersionString(std::string_view langCodepage, std::string_view key,
                                                      unsigned codePage) const {
  const auto tree = VersionTree();
  if (!tree) return std::nullopt;
  const VersionNode* strings = Child(*tree, "StringFileInfo");
  const VersionNode* table = strings ? Child(*strings, langCodepage) : nullptr;
  const VersionNode* value = table ? Child(*table, key) : nullptr;
  if (!value) return std::nullopt;
  std::u16string text;
  for (ByteCursor in(value->value); in.left() >= 2;) {
    const char16_t unit = static_cast<char16_t>(in.U16());
    if (unit == 0) break;
    text.push_back(unit);
  }
  return Utf16ToAnsi(text, codePage);
}

std::vector<std::uint32_t> PeResources::Translations() const {
  std::vector<std::uint32_t> list;
  const auto tree = VersionTree();
  const VersionNode* files = tree ? Child(*tree, "VarFileInfo") : nullptr;
  const VersionNode* translation = files ? Child(*files, "Translation") : nullptr;
  if (!translation) return list;
  for (ByteCursor in(translation->value); in.left() >= 4;) list.push_back(in.U32());
  return list;
}

}  // namespace sim
