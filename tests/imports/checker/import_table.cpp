#include "import_table.h"

namespace imports {
namespace {

class Image {
 public:
  explicit Image(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

  bool Has(std::size_t offset, std::size_t size) const {
    return offset <= m_bytes.size() && size <= m_bytes.size() - offset;
  }
  std::uint32_t Read(std::size_t offset, std::size_t size) const {
    std::uint32_t value = 0;
    for (std::size_t i = size; i > 0; --i) value = (value << 8) | m_bytes[offset + i - 1];
    return value;
  }
  std::uint64_t Read64(std::size_t offset) const {
    return (std::uint64_t{Read(offset + 4, 4)} << 32) | Read(offset, 4);
  }
  std::uint8_t Byte(std::size_t offset) const { return m_bytes[offset]; }

 private:
  std::span<const std::uint8_t> m_bytes;
};

struct Section {
  std::uint32_t virtualAddress = 0, rawSize = 0, rawOffset = 0;
};

// Where an address of the loaded image lies in the file, with the bytes of
// its section that follow it; nullopt outside every section's file data.
struct Mapped {
  std::size_t offset = 0, available = 0;
};

std::optional<Mapped> Map(const std::vector<Section>& sections, std::uint32_t rva) {
  for (const Section& section : sections) {
    if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize) {
      const std::uint32_t into = rva - section.virtualAddress;
      return Mapped{std::size_t{section.rawOffset} + into, std::size_t{section.rawSize} - into};
    }
  }
  return std::nullopt;
}

std::string Hex(std::uint64_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return "0x" + text;
}

std::optional<std::string> ReadName(const Image& image, const std::vector<Section>& sections, std::uint32_t rva,
                                    const std::string& what, std::string& error) {
  const std::optional<Mapped> at = Map(sections, rva);
  if (!at) {
    error = what + " at " + Hex(rva) + " lies outside the file's sections";
    return std::nullopt;
  }
  std::string name;
  for (std::size_t i = 0; i < at->available; ++i) {
    const std::uint8_t c = image.Byte(at->offset + i);
    if (c == 0) {
      if (name.empty()) error = what + " at " + Hex(rva) + " is empty";
      return name.empty() ? std::nullopt : std::optional<std::string>(name);
    }
    name.push_back(static_cast<char>(c));
  }
  error = what + " at " + Hex(rva) + " runs past the end of its section";
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<ImportedLibrary>> ReadImportTable(std::span<const std::uint8_t> bytes, std::string& error) {
  const Image image(bytes);
  if (!image.Has(0, 0x40) || image.Read(0, 2) != 0x5A4D) {
    error = "not an executable image (no MZ header)";
    return std::nullopt;
  }
  const std::size_t pe = image.Read(0x3C, 4);
  if (!image.Has(pe, 24) || image.Read(pe, 4) != 0x4550) {
    error = "no PE signature at " + Hex(pe);
    return std::nullopt;
  }
  const std::size_t sectionCount = image.Read(pe + 6, 2);
  const std::size_t optionalSize = image.Read(pe + 20, 2);
  const std::size_t optional = pe + 24;
  if (!image.Has(optional, optionalSize) || optionalSize < 2) {
    error = "the optional header is cut short";
    return std::nullopt;
  }
  const std::uint32_t magic = image.Read(optional, 2);
  if (magic != 0x10B && magic != 0x20B) {
    error = "unknown optional header magic " + Hex(magic);
    return std::nullopt;
  }
  const bool is64Bit = magic == 0x20B;
  const std::size_t directoryCountAt = is64Bit ? 108 : 92;
  const std::size_t importDirectoryAt = directoryCountAt + 4 + 8;  // entry 1, after the exports
  if (optionalSize < importDirectoryAt + 8 || image.Read(optional + directoryCountAt, 4) < 2) {
    error = "the optional header has no import directory entry";
    return std::nullopt;
  }
  const std::uint32_t importRva = image.Read(optional + importDirectoryAt, 4);

  const std::size_t sectionTable = optional + optionalSize;
  if (!image.Has(sectionTable, sectionCount * 40)) {
    error = "the section table runs past the end of the file";
    return std::nullopt;
  }
  std::vector<Section> sections;
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::size_t at = sectionTable + i * 40;
    Section section{image.Read(at + 12, 4), image.Read(at + 16, 4), image.Read(at + 20, 4)};
    if (!image.Has(section.rawOffset, section.rawSize)) {
      error = "section " + std::to_string(i + 1) + "'s data runs past the end of the file";
      return std::nullopt;
    }
    sections.push_back(section);
  }

  std::vector<ImportedLibrary> libraries;
  if (importRva == 0) return libraries;
  const std::optional<Mapped> table = Map(sections, importRva);
  if (!table) {
    error = "the import directory at " + Hex(importRva) + " lies outside the file's sections";
    return std::nullopt;
  }
  const std::size_t thunkSize = is64Bit ? 8 : 4;
  const std::uint64_t ordinalFlag = is64Bit ? std::uint64_t{1} << 63 : std::uint64_t{1} << 31;
  for (std::size_t entry = 0;; ++entry) {
    if ((entry + 1) * 20 > table->available) {
      error = "the import directory has no terminating entry within its section";
      return std::nullopt;
    }
    const std::size_t descriptor = table->offset + entry * 20;
    const std::uint32_t lookupRva = image.Read(descriptor, 4), nameRva = image.Read(descriptor + 12, 4),
                        addressRva = image.Read(descriptor + 16, 4);
    if (lookupRva == 0 && nameRva == 0 && addressRva == 0) break;
    ImportedLibrary library;
    const std::string which = "import entry " + std::to_string(entry + 1);
    std::optional<std::string> name = ReadName(image, sections, nameRva, "the name of " + which, error);
    if (!name) return std::nullopt;
    library.name = *name;
    // The lookup table names the functions; without one, the address table
    // still holds them in a file that is not yet bound.
    const std::uint32_t thunksRva = lookupRva != 0 ? lookupRva : addressRva;
    const std::optional<Mapped> thunks = Map(sections, thunksRva);
    if (!thunks) {
      error = "the function list of " + library.name + " at " + Hex(thunksRva) + " lies outside the file's sections";
      return std::nullopt;
    }
    for (std::size_t slot = 0;; ++slot) {
      if ((slot + 1) * thunkSize > thunks->available) {
        error = "the function list of " + library.name + " runs past the end of its section";
        return std::nullopt;
      }
      const std::size_t at = thunks->offset + slot * thunkSize;
      const std::uint64_t thunk = is64Bit ? image.Read64(at) : image.Read(at, 4);
      if (thunk == 0) break;
      if ((thunk & ordinalFlag) != 0) {
        library.functions.push_back("#" + std::to_string(thunk & 0xFFFF));
        continue;
      }
      if (thunk > 0xFFFFFFFFu) {
        error = "function " + std::to_string(slot + 1) + " of " + library.name + " has an invalid address";
        return std::nullopt;
      }
      // The name follows a two-byte hint.
      const auto hintRva = static_cast<std::uint32_t>(thunk);
      if (hintRva > 0xFFFFFFFDu) {
        error = "function " + std::to_string(slot + 1) + " of " + library.name + " has an invalid address";
        return std::nullopt;
      }
      std::optional<std::string> function =
          ReadName(image, sections, hintRva + 2, "function " + std::to_string(slot + 1) + " of " + library.name, error);
      if (!function) return std::nullopt;
      library.functions.push_back(*function);
    }
    libraries.push_back(std::move(library));
  }
  return libraries;
}

}  // namespace imports
