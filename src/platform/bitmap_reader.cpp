#include "platform/bitmap_reader.h"

#include "platform/byte_cursor.h"

namespace platform {
namespace {

constexpr std::int64_t kMaxSide = 32767;

std::string Where(std::int64_t x, std::int64_t y) {
  return "row " + std::to_string(y) + " (from the bottom), column " + std::to_string(x);
}

// Walks run-length bits (bottom-up rows) to their end-of-bitmap mark and
// hands every pixel they paint to `paint(x, y, index)`, y counted from the
// bottom. Pixels only ever move on in raster order, so each is painted at
// most once and the walk is bounded by the bits and the picture.
template <typename Paint>
bool WalkRunLength(std::span<const std::uint8_t> bits, const DibHeader& header, Paint&& paint, std::string& error,
                   std::uint64_t& used) {
  const bool nibbles = header.compression == kDibRle4;
  const std::int64_t width = header.width, rows = header.height;
  auto indexOf = [&](std::uint8_t byte, std::int64_t i) -> std::uint8_t {
    if (!nibbles) return byte;
    return i % 2 == 0 ? static_cast<std::uint8_t>(byte >> 4) : static_cast<std::uint8_t>(byte & 0x0F);
  };
  auto fits = [&](std::int64_t x, std::int64_t y, std::int64_t count, const char* what) {
    if (y < rows && x + count <= width) return true;
    error = std::string(what) + " of " + std::to_string(count) + " pixels at " + Where(x, y) + " leaves the " +
            std::to_string(width) + "x" + std::to_string(rows) + " picture";
    return false;
  };
  std::int64_t x = 0, y = 0;
  ByteCursor in(bits);
  for (;;) {
    if (in.left() < 2) {
      error = "the run-length bits end at byte " + std::to_string(in.pos()) + " without their end-of-bitmap mark";
      return false;
    }
    const std::uint8_t count = in.U8();
    const std::uint8_t value = in.U8();
    if (count > 0) {
      if (!fits(x, y, count, "a run")) return false;
      for (std::int64_t i = 0; i < count; ++i) paint(x + i, y, indexOf(value, i));
      x += count;
      continue;
    }
    switch (value) {
      case 0:  // end of the row
        if (y >= rows) {
          error = "an end of row below the last row";
          return false;
        }
        x = 0;
        ++y;
        break;
      case 1:  // end of the bitmap
        used = in.pos();
        return true;
      case 2: {  // a move right and up
        if (in.left() < 2) {
          error = "a move at byte " + std::to_string(in.pos() - 2) + " is cut short";
          return false;
        }
        const std::int64_t right = in.U8(), up = in.U8();
        if (x + right > width || y + up > rows) {
          error = "a move from " + Where(x, y) + " leaves the picture";
          return false;
        }
        x += right;
        y += up;
        break;
      }
      default: {  // pixels copied as they stand, padded to a whole word
        const std::int64_t pixels = value;
        const std::size_t bytes = static_cast<std::size_t>(nibbles ? (pixels + 1) / 2 : pixels);
        const std::size_t padded = bytes + (bytes & 1);
        if (in.left() < padded) {
          error = "a copied run of " + std::to_string(pixels) + " pixels at byte " + std::to_string(in.pos() - 2) +
                  " goes past the end of the bits";
          return false;
        }
        if (!fits(x, y, pixels, "a copied run")) return false;
        const std::size_t start = in.pos();
        for (std::int64_t i = 0; i < pixels; ++i) {
          const std::uint8_t byte = bits[start + static_cast<std::size_t>(nibbles ? i / 2 : i)];
          paint(x + i, y, indexOf(byte, i));
        }
        in.Skip(padded);
        x += pixels;
        break;
      }
    }
  }
}

std::span<const std::uint8_t> RunLengthBits(std::span<const std::uint8_t> dib, const DibHeader& header) {
  const std::size_t offset = static_cast<std::size_t>(header.BitsOffset());
  const std::size_t available = dib.size() - offset;
  const std::size_t length = header.sizeImage != 0 ? static_cast<std::size_t>(header.sizeImage) : available;
  return dib.subspan(offset, length);
}

// Scales the bits of `mask` in `value` to 0-255.
std::uint32_t Channel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const std::uint64_t top = mask >> shift;
  return static_cast<std::uint32_t>(std::uint64_t{(value & mask) >> shift} * 255 / top);
}

}  // namespace

std::uint64_t DibRowBytes(std::int64_t width, std::uint16_t bitCount) {
  return ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
}

std::optional<DibHeader> ReadDibHeader(std::span<const std::uint8_t> dib, std::string& error) {
  ByteCursor in(dib);
  DibHeader header;
  header.headerSize = in.U32();
  if (!in.ok()) {
    error = "no room for a bitmap header (" + std::to_string(dib.size()) + " bytes)";
    return std::nullopt;
  }
  const std::uint32_t size = header.headerSize;
  if (size != 12 && size != 40 && size != 108 && size != 124) {
    error = "unknown bitmap header size " + std::to_string(size);
    return std::nullopt;
  }
  if (size > dib.size()) {
    error = "the bitmap header of " + std::to_string(size) + " bytes is cut short at " + std::to_string(dib.size());
    return std::nullopt;
  }
  std::uint16_t planes = 0;
  std::uint32_t colorsUsed = 0;
  if (size == 12) {
    // A core header's sizes are unsigned: its rows always run from the bottom.
    header.width = in.U16();
    header.height = in.U16();
    planes = in.U16();
    header.bitCount = in.U16();
    header.entrySize = 3;
  } else {
    header.width = in.I32();
    header.height = in.I32();
    planes = in.U16();
    header.bitCount = in.U16();
    header.compression = in.U32();
    header.sizeImage = in.U32();
    in.Skip(8);  // pixels per metre
    colorsUsed = in.U32();
  }
  if (planes != 1) {
    error = "a bitmap of " + std::to_string(planes) + " planes, not 1";
    return std::nullopt;
  }
  if (header.width <= 0 || header.width > kMaxSide || header.height == 0 || header.height < -kMaxSide ||
      header.height > kMaxSide) {
    error = "a bitmap of " + std::to_string(header.width) + "x" + std::to_string(header.height) + " pixels";
    return std::nullopt;
  }
  const std::uint16_t bits = header.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    error = "a bitmap of " + std::to_string(bits) + " bits per pixel";
    return std::nullopt;
  }
  const std::uint32_t compression = header.compression;
  const bool fits = compression == kDibRgb || (compression == kDibRle8 && bits == 8) ||
                    (compression == kDibRle4 && bits == 4) ||
                    (compression == kDibBitFields && (bits == 16 || bits == 32));
  if (!fits) {
    error = "compression " + std::to_string(compression) + " does not fit " + std::to_string(bits) + " bits per pixel";
    return std::nullopt;
  }
  if (header.RunLength() && header.height < 0) {
    error = "run-length bits from the top";
    return std::nullopt;
  }
  const std::uint32_t tableMaximum = bits <= 8 ? 1u << bits : 0;
  if (bits <= 8 && colorsUsed > tableMaximum) {
    error = std::to_string(colorsUsed) + " colours used, more than " + std::to_string(bits) + " bits per pixel hold";
    return std::nullopt;
  }
  header.colourCount = colorsUsed != 0 ? colorsUsed : tableMaximum;
  header.tableBytes = std::uint64_t{header.colourCount} * header.entrySize;
  // A 40-byte header keeps the three masks after it; the later ones hold them inside.
  if (compression == kDibBitFields && size == 40) header.tableBytes += 12;
  header.bitsBytes = header.RunLength() ? header.sizeImage
                                        : DibRowBytes(header.width, bits) * static_cast<std::uint64_t>(header.Rows());
  return header;
}

bool CheckDibBits(std::span<const std::uint8_t> dib, const DibHeader& header, std::string& error,
                  std::uint64_t* usedBytes) {
  if (header.BitsOffset() > dib.size()) {
    error = "the colour table ends at byte " + std::to_string(header.BitsOffset()) + ", beyond the " +
            std::to_string(dib.size()) + " bytes of the bitmap";
    return false;
  }
  const std::uint64_t available = dib.size() - header.BitsOffset();
  if (header.bitsBytes > available) {
    error = "the bits take " + std::to_string(header.bitsBytes) + " bytes, " + std::to_string(available) + " are there";
    return false;
  }
  std::uint64_t used = header.bitsBytes;
  if (header.RunLength() &&
      !WalkRunLength(RunLengthBits(dib, header), header, [](std::int64_t, std::int64_t, std::uint8_t) {}, error, used)) {
    return false;
  }
  if (usedBytes != nullptr) *usedBytes = used;
  return true;
}

std::optional<DibPixels> DecodeDib(std::span<const std::uint8_t> dib, const DibHeader& header,
                                   std::uint64_t maxPixels, std::string& error) {
  const std::uint64_t count = static_cast<std::uint64_t>(header.width) * static_cast<std::uint64_t>(header.Rows());
  if (count > maxPixels) {
    error = "a bitmap of " + std::to_string(count) + " pixels, more than " + std::to_string(maxPixels);
    return std::nullopt;
  }
  if (!CheckDibBits(dib, header, error)) return std::nullopt;
  DibPixels pixels;
  pixels.width = header.width;
  pixels.height = header.Rows();
  pixels.colours.assign(static_cast<std::size_t>(count), header.RunLength() ? kUnpaintedPixel : 0);

  auto tableColour = [&](std::uint32_t index) -> std::uint32_t {
    if (index >= header.colourCount) return 0;
    const std::size_t at = static_cast<std::size_t>(header.TableOffset() + std::uint64_t{index} * header.entrySize);
    return static_cast<std::uint32_t>(dib[at + 2]) << 16 | static_cast<std::uint32_t>(dib[at + 1]) << 8 | dib[at];
  };
  const bool bottomUp = header.height > 0;
  auto set = [&](std::int64_t x, std::int64_t row, std::uint32_t colour) {
    const std::int64_t y = bottomUp ? pixels.height - 1 - row : row;
    pixels.colours[static_cast<std::size_t>(y * pixels.width + x)] = colour;
  };

  if (header.RunLength()) {
    std::uint64_t used = 0;
    WalkRunLength(
        RunLengthBits(dib, header), header,
        [&](std::int64_t x, std::int64_t y, std::uint8_t index) { set(x, y, tableColour(index)); }, error, used);
    return pixels;
  }

  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 5-5-5 for 16 bits without masks
  if (header.bitCount == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  if (header.compression == kDibBitFields) {
    ByteCursor in(dib, 40);
    for (std::uint32_t& mask : masks) mask = in.U32();
  }
  const std::uint64_t stride = DibRowBytes(header.width, header.bitCount);
  const std::uint16_t bits = header.bitCount;
  for (std::int64_t row = 0; row < pixels.height; ++row) {
    const std::uint8_t* line = dib.data() + header.BitsOffset() + static_cast<std::uint64_t>(row) * stride;
    for (std::int64_t x = 0; x < pixels.width; ++x) {
      std::uint32_t colour = 0;
      if (bits <= 8) {
        const std::uint64_t bit = static_cast<std::uint64_t>(x) * bits;
        const std::uint8_t byte = line[bit / 8];
        const unsigned shift = static_cast<unsigned>(8 - bits - bit % 8);
        colour = tableColour((byte >> shift) & ((1u << bits) - 1));
      } else if (bits == 24) {
        const std::uint8_t* p = line + x * 3;
        colour = static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
      } else {
        const std::uint8_t* p = line + x * (bits / 8);
        std::uint32_t value = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
        if (bits == 32) value |= static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        colour = Channel(value, masks[0]) << 16 | Channel(value, masks[1]) << 8 | Channel(value, masks[2]);
      }
      set(x, row, colour);
    }
  }
  return pixels;
}

}  // namespace platform
