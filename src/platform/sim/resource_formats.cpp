#include "platform/sim/resource_formats.h"

#include <algorithm>
#include <array>

#include "platform/bitmap_reader.h"
#include "platform/byte_cursor.h"
#include "platform/sim/hex_offset.h"

namespace sim {
namespace {

using platform::ByteCursor;

std::size_t AlignUp4(std::size_t value) { return value + ((4 - (value & 3)) & 3); }

// Reads of one resource, each naming its field: the first failure is kept
// as a message and every later read yields 0, so callers test ok() once after
// a group of fields.
class Cursor {
 public:
  Cursor(std::span<const std::uint8_t> data, const char* what) : m_data(data), m_in(data), m_what(what) {}

  bool ok() const { return m_ok; }
  const std::string& error() const { return m_error; }
  std::size_t pos() const { return m_in.pos(); }

  void Fail(const std::string& message) {
    if (!m_ok) return;
    m_ok = false;
    m_error = std::string(m_what) + ": " + message;
  }

  bool Need(std::uint64_t count, const char* field) {
    if (!m_ok) return false;
    if (count > m_in.left()) {
      Fail(std::string(field) + " at offset " + Hex(m_in.pos()) + " needs " + std::to_string(count) + " bytes, " +
           std::to_string(m_in.left()) + " left");
      return false;
    }
    return true;
  }
  std::uint8_t U8(const char* field) { return Need(1, field) ? m_in.U8() : 0; }
  std::uint16_t U16(const char* field) { return Need(2, field) ? m_in.U16() : 0; }
  std::uint32_t U32(const char* field) { return Need(4, field) ? m_in.U32() : 0; }
  std::int16_t I16(const char* field) { return static_cast<std::int16_t>(U16(field)); }
  void Skip(std::uint64_t count, const char* field) {
    if (Need(count, field)) m_in.Skip(count);
  }
  // Past the end counts as the end: the next read reports the truncation.
  void AlignDword() { m_in.Skip(std::min(AlignUp4(m_in.pos()), m_data.size()) - m_in.pos()); }

  // `count` UTF-16 units.
  std::u16string Chars(std::uint64_t count, const char* field) {
    std::u16string text;
    if (!Need(count * 2, field)) return text;
    text.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) text.push_back(static_cast<char16_t>(m_in.U16()));
    return text;
  }
  // A NUL-terminated UTF-16 string.
  std::u16string Sz(const char* field) {
    std::u16string text;
    const std::size_t start = m_in.pos();
    while (m_ok) {
      if (m_in.left() < 2) {
        Fail(std::string(field) + " at offset " + Hex(start) + " has no terminating NUL");
        break;
      }
      const std::uint16_t unit = m_in.U16();
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
    if (ByteCursor(m_data, m_in.pos()).U16() == 0xFFFF) {
      m_in.Skip(2);
      result.isOrdinal = true;
      result.ordinal = U16(field);
    } else {
      result.name = Sz(field);
    }
    return result;
  }

 private:
  std::span<const std::uint8_t> m_data;
  ByteCursor m_in;
  const char* m_what;
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

// The header of a bitmap or icon image, checked, its failure named after what the image is.
std::optional<platform::DibHeader> ReadImageHeader(std::span<const std::uint8_t> data, const char* what,
                                                   std::string& error) {
  auto header = platform::ReadDibHeader(data, error);
  if (!header) error = std::string(what) + ": " + error;
  return header;
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
  ByteCursor header(data, start);
  const std::uint16_t length = header.U16();
  const std::uint16_t valueLength = header.U16();
  node.type = header.U16();
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
  ByteCursor signature(data);
  dialog.extended = signature.U16() == 1 && signature.U16() == 0xFFFF && signature.ok();
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
  const auto dib = ReadImageHeader(data, "bitmap", error);
  if (!dib) return false;
  if (dib->RunLength() && dib->sizeImage == 0) {
    error = "bitmap: a run-length encoded bitmap needs its image size";
    return false;
  }
  return CheckDibEnd(dib->BitsOffset() + dib->bitsBytes, data, "bitmap", error);
}

bool CheckIconImage(std::span<const std::uint8_t> data, std::string& error) {
  static const std::uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() >= sizeof kPng && std::equal(std::begin(kPng), std::end(kPng), data.begin())) {
    // Signature and the IHDR chunk (length, type, 13 bytes, CRC).
    ByteCursor chunk(data, sizeof kPng);
    const std::uint32_t length = chunk.U32();
    const std::uint32_t type = chunk.U32();
    if (data.size() < 33 || length != 0x0D000000u || type != 0x52444849u) {
      error = "icon: PNG image without its IHDR chunk";
      return false;
    }
    return true;
  }
  const auto dib = ReadImageHeader(data, "icon", error);
  if (!dib) return false;
  if (dib->compression != platform::kDibRgb && dib->compression != platform::kDibBitFields) {
    error = "icon: compression " + std::to_string(dib->compression) + " is not allowed in an icon";
    return false;
  }
  if (dib->height < 2 || dib->height % 2 != 0) {
    error = "icon: height " + std::to_string(dib->height) + " is not twice a positive icon height";
    return false;
  }
  // The colour image and the mask below it, each half the height.
  const std::uint64_t rows = static_cast<std::uint64_t>(dib->height / 2);
  const std::uint64_t end = dib->BitsOffset() + platform::DibRowBytes(dib->width, dib->bitCount) * rows +
                            platform::DibRowBytes(dib->width, 1) * rows;
  return CheckDibEnd(end, data, "icon", error);
}

bool CheckIconGroup(std::span<const std::uint8_t> data, std::string& error) {
  if (data.size() < 6) {
    error = "icon group: header needs 6 bytes, " + std::to_string(data.size()) + " present";
    return false;
  }
  ByteCursor in(data);
  const std::uint16_t reserved = in.U16();
  const std::uint16_t type = in.U16();
  const std::uint16_t count = in.U16();
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
  // Each entry: width, height, colours, reserved, planes, bit count, image bytes, id.
  for (std::size_t i = 0; i < count; ++i) {
    in.Skip(8);
    const std::uint32_t imageBytes = in.U32();
    in.Skip(2);
    if (imageBytes == 0) {
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
