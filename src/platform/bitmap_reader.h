// Device-independent bitmaps as bitmap files and resources hold them: a
// packed DIB (header, colour table, pixel bits; a file adds a 14-byte file
// header in front). The header is read and checked, and the bits, run-length
// encoded ones included, are decoded without ever reading past the data or
// writing past the picture, whatever the bytes say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Compression of the bits (BI_*).
inline constexpr std::uint32_t kDibRgb = 0;
inline constexpr std::uint32_t kDibRle8 = 1;
inline constexpr std::uint32_t kDibRle4 = 2;
inline constexpr std::uint32_t kDibBitFields = 3;

// The size of a bitmap file's own header ("BM", file size, bits offset).
inline constexpr std::size_t kBitmapFileHeaderSize = 14;

struct DibHeader {
  std::uint32_t headerSize = 0;  // 12: core header; 40, 108, 124: information header and its successors
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: the rows run from the top
  std::uint16_t bitCount = 0;
  std::uint32_t compression = kDibRgb;
  std::uint32_t sizeImage = 0;    // bytes of the bits as the header gives them (0: not given)
  std::uint32_t colourCount = 0;  // entries of the colour table: the used-colours field, else 2, 16 or 256
  std::uint32_t entrySize = 4;    // 3 after a core header (blue, green, red), else 4
  std::uint64_t tableBytes = 0;   // the colour table, and the three masks of BI_BITFIELDS after a 40-byte header
  std::uint64_t bitsBytes = 0;    // what the bits take: whole rows, or for run-length bits the image size

  bool RunLength() const { return compression == kDibRle8 || compression == kDibRle4; }
  int Rows() const { return height < 0 ? -height : height; }
  std::uint64_t TableOffset() const { return headerSize; }
  std::uint64_t BitsOffset() const { return std::uint64_t{headerSize} + tableBytes; }
};

// The bytes of one row of pixels: rows start on DWORD boundaries.
std::uint64_t DibRowBytes(std::int64_t width, std::uint16_t bitCount);

// The header of a packed DIB, checked: a known header size, one plane, a
// size of 1 to 32767 pixels each way, a bit count of 1, 4, 8, 16, 24 or 32
// with a compression that fits it (run-length bits bottom-up only), no more
// used colours than the bit count allows. It says nothing yet of whether the
// table and bits are there. nullopt with `error` saying what is wrong.
std::optional<DibHeader> ReadDibHeader(std::span<const std::uint8_t> dib, std::string& error);

// Whether the colour table and the bits lie within `dib`, and run-length bits
// are well formed: every run, copied run and move stays within its row and
// the picture, and the bits end with the end-of-bitmap mark within the image
// size (the rest of the data when the header gives none). `usedBytes` is
// how many bytes of bits the picture takes.
bool CheckDibBits(std::span<const std::uint8_t> dib, const DibHeader& header, std::string& error,
                  std::uint64_t* usedBytes = nullptr);

// A pixel that run-length bits pass over (a move or an early end of a row):
// what is beneath the picture shows there.
inline constexpr std::uint32_t kUnpaintedPixel = 0xFF000000;

// A picture decoded: one 0x00RRGGBB colour (or kUnpaintedPixel) per pixel,
// rows from the top.
struct DibPixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> colours;

  std::uint32_t At(int x, int y) const {
    return colours[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

// The pixels of a checked picture; nullopt with `error` when the bits are not
// whole (CheckDibBits) or the picture has more than `maxPixels` pixels.
std::optional<DibPixels> DecodeDib(std::span<const std::uint8_t> dib, const DibHeader& header,
                                   std::uint64_t maxPixels, std::string& error);

}  // namespace platform
