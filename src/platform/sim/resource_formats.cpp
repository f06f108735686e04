#include "platform/sim/resource_formats.h"

#include <algorithm>
#include <array>

#include "platform/sim/pe_bytes.h"

namespace sim {
namespace {

using pe::Get16;
using pe::Get32;
using pe::Hex;

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

}  // namespace

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

}  // namespace sim
