#include "platform/sim/pe_resources.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>

namespace sim {
namespace {

std::string Hex(std::uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::size_t AlignUp4(std::size_t value) { return value + ((4 - (value & 3)) & 3); }

// Little-endian reads over one buffer. The first failure is kept and every
// later read yields 0, so callers test ok() once after a group of fields.
class Cursor {
 public:
  Cursor(std::span<const std::uint8_t> data, const char* what) : m_data(data), m_what(what) {}

  bool ok() const { return m_ok; }
  const std::string& error() const { return m_error; }
  std::size_t pos() const { return m_pos; }

  void Fail(const std::string& message) {
    if (!m_ok) return;
    m_ok = false;
    m_error = std::string(m_what) + ": " + message;
  }

  bool Need(std::uint64_t count, const char* field) {
    if (!m_ok) return false;
    if (count > m_data.size() - m_pos) {
      Fail(std::string(field) + " at offset " + Hex(m_pos) + " needs " + std::to_string(count) + " bytes, " +
           std::to_string(m_data.size() - m_pos) + " left");
      return false;
    }
    return true;
  }
  std::uint8_t U8(const char* field) { return Need(1, field) ? m_data[m_pos++] : 0; }
  std::uint16_t U16(const char* field) {
    if (!Need(2, field)) return 0;
    m_pos += 2;
    return Get16(&m_data[m_pos - 2]);
  }
  std::uint32_t U32(const char* field) {
    if (!Need(4, field)) return 0;
    m_pos += 4;
    return Get32(&m_data[m_pos - 4]);
  }
  std::int16_t I16(const char* field) { return static_cast<std::int16_t>(U16(field)); }
  void Skip(std::uint64_t count, const char* field) {
    if (Need(count, field)) m_pos += static_cast<std::size_t>(count);
  }
  // Past the end counts as the end: the next read reports the truncation.
  void AlignDword() { m_pos = std::min(AlignUp4(m_pos), m_data.size()); }

  // `count` UTF-16 units.
  std::u16string Chars(std::uint64_t count, const char* field) {
    std::u16string text;
    if (!Need(count * 2, field)) return text;
    text.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) text.push_back(static_cast<char16_t>(U16(field)));
    return text;
  }
  // A NUL-terminated UTF-16 string.
  std::u16string Sz(const char* field) {
    std::u16string text;
    const std::size_t start = m_pos;
    while (m_ok) {
      if (m_data.size() - m_pos < 2) {
        Fail(std::string(field) + " at offset " + Hex(start) + " has no terminating NUL");
        break;
      }
      const std::uint16_t unit = U16(field);
      if (unit == 0) break;
      text.push_back(static_cast<char16_t>(unit));
    }
    return text;
  }
  // sz_Or_Ord: 0x0000 nothing, 0xFFFF and an ordinal, or a string.
  struct NameOrOrdinal {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string name;
  };
  NameOrOrdinal SzOrOrd(const char* field) {
    NameOrOrdinal result;
    if (!Need(2, field)) return result;
    if (Get16(&m_data[m_pos]) == 0xFFFF) {
      m_pos += 2;
      result.isOrdinal = true;
      result.ordinal = U16(field);
    } else {
      result.name = Sz(field);
    }
    return result;
  }

 private:
  std::span<const std::uint8_t> m_data;
  const char* m_what;
  std::size_t m_pos = 0;
  bool m_ok = true;
  std::string m_error;
};

// Bytes 0x80-0xFF of the single-byte code pages. Positions the code page
// leaves undefined map to the C1 control of the same number, as Windows' own
// tables do.
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
constexpr std::array<char16_t, 128> kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// 1252 differs from Latin-1 only in 0x80-0x9F.
constexpr std::array<char16_t, 32> kCp1252Low = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char EncodeSingleByte(char32_t c, unsigned codePage) {
  if (c < 0x80) return static_cast<char>(c);
  std::span<const char16_t> table;
  std::size_t first = 0x80;
  switch (codePage) {
    case 1250:
      table = kCp1250;
      break;
    case 1251:
      table = kCp1251;
      break;
    case 1252:
      if (c >= 0xA0 && c <= 0xFF) return static_cast<char>(c);
      table = kCp1252Low;
      break;
    default:
      return '?';
  }
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == c) return static_cast<char>(first + i);
  }
  return '?';
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string OrdinalName(std::uint16_t ordinal) {
  std::string text(1, '#');
  text += std::to_string(ordinal);
  return text;
}

std::string NameText(const Cursor::NameOrOrdinal& value, unsigned codePage) {
  return value.isOrdinal ? OrdinalName(value.ordinal) : Utf16ToAnsi(value.name, codePage);
}

std::string ControlClassName(const Cursor::NameOrOrdinal& value, unsigned codePage) {
  static const char* const kAtoms[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  if (value.isOrdinal && value.ordinal >= 0x80 && value.ordinal <= 0x85) return kAtoms[value.ordinal - 0x80];
  return NameText(value, codePage);
}

constexpr std::uint32_t kDsSetFont = 0x40;
constexpr std::uint16_t kSystemFontPointSize = 0x7FFF;

// Creation data: a size word, then that many bytes (rounded down to whole
// words, as the dialog manager steps over them).
void SkipCreationData(Cursor& in) {
  const std::uint16_t size = in.U16("control creation data size");
  in.Skip(size & ~1u, "control creation data");
}

// The common part of the colour-table and bits arithmetic of a DIB.
struct DibHeader {
  std::uint32_t headerSize = 0;
  std::int64_t width = 0, height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::uint64_t tableBytes = 0;  // bit-field masks and colour table
};

constexpr std::int64_t kMaxDibDimension = 32767;
constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3;

std::uint64_t RowBytes(std::int64_t width, std::uint16_t bitCount) {
  return ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
}

bool ReadDibHeader(std::span<const std::uint8_t> data, const char* what, DibHeader& dib, std::string& error) {
  const std::string prefix = std::string(what) + ": ";
  if (data.size() < 4) {
    error = prefix + "no room for a header size (" + std::to_string(data.size()) + " bytes)";
    return false;
  }
  dib.headerSize = Get32(data.data());
  const std::uint32_t size = dib.headerSize;
  if (size != 12 && size != 40 && size != 108 && size != 124) {
    error = prefix + "unknown header size " + std::to_string(size);
    return false;
  }
  if (size > data.size()) {
    error = prefix + "header size " + std::to_string(size) + " exceeds the data (" + std::to_string(data.size()) +
            " bytes)";
    return false;
  }
  const std::uint8_t* p = data.data();
  std::uint16_t planes = 0;
  std::uint32_t colorsUsed = 0;
  std::uint64_t entrySize = 4;
  if (size == 12) {  // BITMAPCOREHEADER
    dib.width = Get16(p + 4);
    dib.height = Get16(p + 6);
    planes = Get16(p + 8);
    dib.bitCount = Get16(p + 10);
    entrySize = 3;
  } else {
    dib.width = static_cast<std::int32_t>(Get32(p + 4));
    dib.height = static_cast<std::int32_t>(Get32(p + 8));
    planes = Get16(p + 12);
    dib.bitCount = Get16(p + 14);
    dib.compression = Get32(p + 16);
    dib.sizeImage = Get32(p + 20);
    colorsUsed = Get32(p + 32);
  }
  if (planes != 1) {
    error = prefix + "planes is " + std::to_string(planes) + ", not 1";
    return false;
  }
  if (dib.width <= 0 || dib.width > kMaxDibDimension || dib.height == 0 || dib.height < -kMaxDibDimension ||
      dib.height > kMaxDibDimension) {
    error = prefix + "size " + std::to_string(dib.width) + "x" + std::to_string(dib.height) + " out of range";
    return false;
  }
  const std::uint16_t bits = dib.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    error = prefix + "unsupported bit count " + std::to_string(bits);
    return false;
  }
  const bool compressionFits = dib.compression == kBiRgb || (dib.compression == kBiRle8 && bits == 8) ||
                               (dib.compression == kBiRle4 && bits == 4) ||
                               (dib.compression == kBiBitFields && (bits == 16 || bits == 32));
  if (!compressionFits) {
    error = prefix + "compression " + std::to_string(dib.compression) + " does not fit " + std::to_string(bits) +
            " bits per pixel";
    return false;
  }
  if ((dib.compression == kBiRle8 || dib.compression == kBiRle4) && dib.height < 0) {
    error = prefix + "a top-down bitmap cannot be run-length encoded";
    return false;
  }
  std::uint64_t colors = colorsUsed;
  if (bits <= 8) {
    const std::uint64_t maximum = std::uint64_t{1} << bits;
    if (colors > maximum) {
      error = prefix + std::to_string(colors) + " colours used, more than " + std::to_string(bits) +
              " bits per pixel allow";
      return false;
    }
    if (colors == 0) colors = maximum;
  }
  dib.tableBytes = colors * entrySize;
  // BITMAPINFOHEADER keeps its three masks after the header; the later headers hold them inside.
  if (dib.compression == kBiBitFields && size == 40) dib.tableBytes += 12;
  return true;
}

bool CheckDibEnd(std::uint64_t end, std::span<const std::uint8_t> data, const char* what, std::string& error) {
  if (end > data.size()) {
    error = std::string(what) + ": the bits end at offset " + Hex(end) + ", beyond the data (" +
            std::to_string(data.size()) + " bytes)";
    return false;
  }
  return true;
}

constexpr std::size_t kMaxVersionDepth = 8;

std::size_t ParseVersionBlock(std::span<const std::uint8_t> data, std::size_t start, std::size_t limit,
                              std::size_t depth, VersionNode& node, std::string& error) {
  const std::string at = "version block at offset " + Hex(start);
  if (depth > kMaxVersionDepth) {
    error = at + " is nested too deeply";
    return 0;
  }
  if (limit - start < 6) {
    error = at + ": header truncated";
    return 0;
  }
  const std::uint16_t length = Get16(&data[start]);
  const std::uint16_t valueLength = Get16(&data[start + 2]);
  node.type = Get16(&data[start + 4]);
  if (length < 6) {
    error = at + ": length " + std::to_string(length) + " is shorter than its header";
    return 0;
  }
  if (length > limit - start) {
    error = at + ": length " + std::to_string(length) + " runs past the end of its parent at offset " + Hex(limit);
    return 0;
  }
  const std::size_t end = start + length;
  Cursor in(data.first(end), "version block");
  in.Skip(start + 6, "header");
  node.key = in.Sz("key");
  if (!in.ok()) {
    error = at + ": key has no terminating NUL within its length";
    return 0;
  }
  std::size_t pos = AlignUp4(in.pos());
  const std::uint64_t valueBytes = node.type == 1 ? std::uint64_t{valueLength} * 2 : valueLength;
  if (valueBytes != 0) {
    if (pos > end || valueBytes > end - pos) {
      error =
          at + ": value of " + std::to_string(valueBytes) + " bytes runs past the block's end at offset " + Hex(end);
      return 0;
    }
    node.value.assign(data.begin() + static_cast<std::ptrdiff_t>(pos),
                      data.begin() + static_cast<std::ptrdiff_t>(pos + valueBytes));
    pos += static_cast<std::size_t>(valueBytes);
  }
  // Children follow on DWORD boundaries; fewer bytes than a header are padding.
  for (pos = AlignUp4(pos); pos < end && end - pos >= 6; pos = AlignUp4(pos)) {
    VersionNode child;
    const std::size_t childEnd = ParseVersionBlock(data, pos, end, depth + 1, child, error);
    if (childEnd == 0) return 0;
    node.children.push_back(std::move(child));
    pos = childEnd;
  }
  return end;
}

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
    const std::uint8_t* p = m_file.data() + *header;
    const std::size_t named = Get16(p + 12);
    const std::size_t count = named + Get16(p + 14);
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
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t name = Get32(m_file.data() + *table + i * 8);
      const std::uint32_t target = Get32(m_file.data() + *table + i * 8 + 4);
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
    return std::make_pair(Get32(m_file.data() + *entry), Get32(m_file.data() + *entry + 4));
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

std::string Utf16ToAnsi(std::u16string_view text, unsigned codePage) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (codePage == 65001) {
      AppendUtf8(out, c);
    } else {
      out.push_back(EncodeSingleByte(c, codePage));
    }
  }
  return out;
}

std::optional<std::string> ParseStringTableEntry(std::span<const std::uint8_t> block, unsigned index, unsigned codePage,
                                                 std::string& error) {
  if (index > 15) {
    error = "string table block: entry " + std::to_string(index) + " out of range 0-15";
    return std::nullopt;
  }
  Cursor in(block, "string table block");
  for (unsigned i = 0; i < index; ++i) in.Skip(std::uint64_t{in.U16("string length")} * 2, "string");
  const std::uint16_t length = in.U16("string length");
  const std::u16string text = in.Chars(length, "string");
  if (!in.ok()) {
    error = in.error();
    return std::nullopt;
  }
  return Utf16ToAnsi(text, codePage);
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> data, unsigned codePage,
                                                  std::string& error) {
  DialogTemplate dialog;
  Cursor in(data, "dialog template");
  dialog.extended = data.size() >= 4 && Get16(data.data()) == 1 && Get16(data.data() + 2) == 0xFFFF;
  std::uint16_t count = 0;
  if (dialog.extended) {
    in.Skip(4, "version and signature");
    dialog.helpId = in.U32("help id");
    dialog.exStyle = in.U32("extended style");
    dialog.style = in.U32("style");
  } else {
    dialog.style = in.U32("style");
    dialog.exStyle = in.U32("extended style");
  }
  count = in.U16("control count");
  dialog.x = in.I16("x");
  dialog.y = in.I16("y");
  dialog.cx = in.I16("width");
  dialog.cy = in.I16("height");
  dialog.menu = NameText(in.SzOrOrd("menu"), codePage);
  dialog.windowClass = NameText(in.SzOrOrd("window class"), codePage);
  dialog.caption = Utf16ToAnsi(in.Sz("caption"), codePage);
  if ((dialog.style & kDsSetFont) != 0) {
    dialog.pointSize = in.U16("point size");
    // 0x7FFF stands for the system's message font; nothing more follows.
    if (dialog.pointSize != kSystemFontPointSize) {
      if (dialog.extended) {
        dialog.weight = in.U16("font weight");
        dialog.italic = in.U8("italic flag");
        dialog.charset = in.U8("character set");
      }
      dialog.font = Utf16ToAnsi(in.Sz("typeface"), codePage);
    }
  }
  if (!in.ok()) {
    error = in.error();
    return std::nullopt;
  }

  // Each control is at least 18 bytes, so the count cannot outgrow the data.
  dialog.controls.reserve(std::min<std::size_t>(count, data.size() / 18));
  for (std::uint16_t i = 0; i < count && in.ok(); ++i) {
    in.AlignDword();
    DialogControl control;
    if (dialog.extended) {
      control.helpId = in.U32("control help id");
      control.exStyle = in.U32("control extended style");
      control.style = in.U32("control style");
    } else {
      control.style = in.U32("control style");
      control.exStyle = in.U32("control extended style");
    }
    control.x = in.I16("control x");
    control.y = in.I16("control y");
    control.cx = in.I16("control width");
    control.cy = in.I16("control height");
    control.id = dialog.extended ? in.U32("control id") : in.U16("control id");
    control.className = ControlClassName(in.SzOrOrd("control class"), codePage);
    control.text = NameText(in.SzOrOrd("control text"), codePage);
    SkipCreationData(in);
    if (in.ok()) dialog.controls.push_back(std::move(control));
  }
  if (!in.ok()) {
    error =
        in.error() + " (control " + std::to_string(dialog.controls.size() + 1) + " of " + std::to_string(count) + ")";
    return std::nullopt;
  }
  return dialog;
}

bool CheckPackedDib(std::span<const std::uint8_t> data, std::string& error) {
  DibHeader dib;
  if (!ReadDibHeader(data, "bitmap", dib, error)) return false;
  std::uint64_t bitsBytes = 0;
  if (dib.compression == kBiRle8 || dib.compression == kBiRle4) {
    if (dib.sizeImage == 0) {
      error = "bitmap: a run-length encoded bitmap needs its image size";
      return false;
    }
    bitsBytes = dib.sizeImage;
  } else {
    bitsBytes =
        RowBytes(dib.width, dib.bitCount) * static_cast<std::uint64_t>(dib.height < 0 ? -dib.height : dib.height);
  }
  return CheckDibEnd(std::uint64_t{dib.headerSize} + dib.tableBytes + bitsBytes, data, "bitmap", error);
}

bool CheckIconImage(std::span<const std::uint8_t> data, std::string& error) {
  static const std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() >= sizeof kPng && std::equal(std::begin(kPng), std::end(kPng), data.begin())) {
    // Signature and the IHDR chunk (length, type, 13 bytes, CRC).
    if (data.size() < 33 || Get32(data.data() + 8) != 0x0D000000u || Get32(data.data() + 12) != 0x52444849u) {
      error = "icon: PNG image without its IHDR chunk";
      return false;
    }
    return true;
  }
  DibHeader dib;
  if (!ReadDibHeader(data, "icon", dib, error)) return false;
  if (dib.compression != kBiRgb && dib.compression != kBiBitFields) {
    error = "icon: compression " + std::to_string(dib.compression) + " is not allowed in an icon";
    return false;
  }
  if (dib.height < 2 || dib.height % 2 != 0) {
    error = "icon: height " + std::to_string(dib.height) + " is not twice a positive icon height";
    return false;
  }
  const std::uint64_t rows = static_cast<std::uint64_t>(dib.height / 2);
  const std::uint64_t end = std::uint64_t{dib.headerSize} + dib.tableBytes + RowBytes(dib.width, dib.bitCount) * rows +
                            RowBytes(dib.width, 1) * rows;
  return CheckDibEnd(end, data, "icon", error);
}

bool CheckIconGroup(std::span<const std::uint8_t> data, std::string& error) {
  if (data.size() < 6) {
    error = "icon group: header needs 6 bytes, " + std::to_string(data.size()) + " present";
    return false;
  }
  const std::uint16_t reserved = Get16(data.data());
  const std::uint16_t type = Get16(data.data() + 2);
  const std::uint16_t count = Get16(data.data() + 4);
  if (reserved != 0 || type != 1) {
    error = "icon group: reserved " + std::to_string(reserved) + " and type " + std::to_string(type) +
            " where 0 and 1 belong";
    return false;
  }
  if (count == 0) {
    error = "icon group: no images";
    return false;
  }
  if (std::uint64_t{count} * 14 > data.size() - 6) {
    error = "icon group: " + std::to_string(count) + " entries need " + std::to_string(6 + count * 14) + " bytes, " +
            std::to_string(data.size()) + " present";
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (Get32(data.data() + 6 + i * 14 + 8) == 0) {
      error = "icon group: entry " + std::to_string(i) + " has an image of 0 bytes";
      return false;
    }
  }
  return true;
}

std::optional<VersionNode> ParseVersionInfo(std::span<const std::uint8_t> data, std::string& error) {
  VersionNode root;
  if (ParseVersionBlock(data, 0, data.size(), 0, root, error) == 0) return std::nullopt;
  if (root.key != u"VS_VERSION_INFO") {
    error = "version block: key is not VS_VERSION_INFO";
    return std::nullopt;
  }
  return root;
}

// ---- PeResources ----

std::optional<PeResources> PeResources::Parse(std::vector<std::uint8_t> image, std::string& error) {
  const std::span<const std::uint8_t> file(image);
  const std::uint64_t size = file.size();
  if (size < 64 || file[0] != 'M' || file[1] != 'Z') {
    error = "not a PE image: no MZ header";
    return std::nullopt;
  }
  const std::uint32_t peOffset = Get32(&file[0x3C]);
  if (std::uint64_t{peOffset} + 24 > size) {
    error = "e_lfanew " + Hex(peOffset) + " leaves no room for the PE headers in a file of " + std::to_string(size) +
            " bytes";
    return std::nullopt;
  }
  if (Get32(&file[peOffset]) != 0x00004550u) {
    error = "not a PE image: no PE signature at offset " + Hex(peOffset);
    return std::nullopt;
  }
  const std::uint16_t sectionCount = Get16(&file[peOffset + 6]);
  const std::uint16_t optionalSize = Get16(&file[peOffset + 20]);
  const std::uint64_t optional = std::uint64_t{peOffset} + 24;
  if (optional + optionalSize > size || optionalSize < 2) {
    error = "optional header of " + std::to_string(optionalSize) + " bytes at offset " + Hex(optional) +
            " does not fit the file of " + std::to_string(size) + " bytes";
    return std::nullopt;
  }
  const std::uint16_t magic = Get16(&file[optional]);
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
  const std::uint32_t directoryCount = Get32(&file[optional + countField]);
  std::uint32_t resourceRva = 0;
  if (directoryCount > 2) {
    const std::uint64_t resourceDirectory = countField + 4 + 2 * 8;
    if (optionalSize < resourceDirectory + 8) {
      error = "optional header of " + std::to_string(optionalSize) + " bytes ends before the resource directory entry";
      return std::nullopt;
    }
    resourceRva = Get32(&file[optional + resourceDirectory]);
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
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::uint8_t* p = &file[table + i * 40];
    const std::uint32_t virtualSize = Get32(p + 8);
    const std::uint32_t rawSize = Get32(p + 16);
    Section& section = sections[i];
    section.virtualAddress = Get32(p + 12);
    section.fileOffset = Get32(p + 20);
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
  const std::size_t count = Get16(data->data() + 4);
  for (std::size_t i = 0; i < count; ++i) {
    if (!HasResource(kRtIcon, Get16(data->data() + 6 + i * 14 + 12))) return std::nullopt;
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
  return std::vector<std::uint8_t>(data->begin(), data->begin() + Get16(data->data()));
}

std::optional<FixedFileInfo> PeResources::FixedVersion() const {
  const auto tree = VersionTree();
  if (!tree || tree->value.size() != 52) return std::nullopt;
  const std::uint8_t* p = tree->value.data();
  if (Get32(p) != 0xFEEF04BDu) return std::nullopt;
  FixedFileInfo info;
  info.structVersion = Get32(p + 4);
  info.fileVersionMS = Get32(p + 8);
  info.fileVersionLS = Get32(p + 12);
  info.productVersionMS = Get32(p + 16);
  info.productVersionLS = Get32(p + 20);
  info.fileFlagsMask = Get32(p + 24);
  info.fileFlags = Get32(p + 28);
  info.fileOS = Get32(p + 32);
  info.fileType = Get32(p + 36);
  info.fileSubtype = Get32(p + 40);
  info.fileDateMS = Get32(p + 44);
  info.fileDateLS = Get32(p + 48);
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
  for (std::size_t i = 0; i + 1 < value->value.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(Get16(&value->value[i]));
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
  for (std::size_t i = 0; i + 4 <= translation->value.size(); i += 4) list.push_back(Get32(&translation->value[i]));
  return list;
}

}  // namespace sim
