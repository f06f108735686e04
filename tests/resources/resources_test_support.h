// Shared helpers of the resource tests: files, the Win32 style bits the
// templates use, and a decoder of the .bmp files the generator writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace resources_test {

using Bytes = std::vector<std::uint8_t>;

#ifndef SETUP_RESOURCE_IMAGES_DIR
#error "the resource tests need SETUP_RESOURCE_IMAGES_DIR (set by resources/CMakeLists.txt)"
#endif

inline std::filesystem::path ImagesDir() { return SETUP_RESOURCE_IMAGES_DIR; }

inline std::optional<Bytes> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint32_t Read16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b.at(at) | (b.at(at + 1) << 8));
}
inline std::uint32_t Read32(const Bytes& b, std::size_t at) { return Read16(b, at) | (Read16(b, at + 2) << 16); }

// Window, dialog and control styles, with Win32's values.
inline constexpr std::uint32_t kWsPopup = 0x80000000, kWsChild = 0x40000000, kWsVisible = 0x10000000,
                               kWsDisabled = 0x08000000, kWsCaption = 0x00C00000, kWsSysMenu = 0x00080000,
                               kWsGroup = 0x00020000, kWsVScroll = 0x00200000;
inline constexpr std::uint32_t kDsModalFrame = 0x80, kDsSetFont = 0x40;
inline constexpr std::uint32_t kBsTypeMask = 0xF, kBsPushButton = 0, kBsDefPushButton = 1, kBsAutoRadioButton = 9,
                               kBsGroupBox = 7, kBsOwnerDraw = 0xB;
inline constexpr std::uint32_t kLbsOwnerDrawFixed = 0x10, kLbsHasStrings = 0x40, kLbsNotify = 0x1;
inline constexpr std::uint32_t kEsMultiline = 0x4, kEsReadOnly = 0x800;
inline constexpr std::uint32_t kSsNoPrefix = 0x80;

// A decoded bottom-up BMP with a colour table: its pixels as colour-table
// indices, top row first.
struct Bitmap {
  int width = 0, height = 0, bits = 0;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint8_t> pixels;

  std::uint8_t Index(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
  std::uint32_t Colour(int x, int y) const { return palette.at(Index(x, y)); }
};

// Checks the file and info headers of a .bmp file as the generator writes it
// (8 bits a pixel, uncompressed, colour table, bottom-up) and decodes it.
inline std::optional<Bitmap> DecodeBmp(const Bytes& file, std::string& error) {
  auto fail = [&](const std::string& what) {
    error = what;
    return std::optional<Bitmap>();
  };
  if (file.size() < 54) return fail("shorter than the two headers");
  if (file[0] != 'B' || file[1] != 'M') return fail("no BM signature");
  if (Read32(file, 2) != file.size()) return fail("bfSize is not the file size");
  if (Read32(file, 6) != 0) return fail("reserved fields not zero");
  if (Read32(file, 14) != 40) return fail("not a BITMAPINFOHEADER");
  Bitmap bmp;
  bmp.width = static_cast<int>(Read32(file, 18));
  bmp.height = static_cast<int>(Read32(file, 22));
  bmp.bits = static_cast<int>(Read16(file, 28));
  if (bmp.width <= 0 || bmp.height <= 0) return fail("not a bottom-up bitmap of positive size");
  if (Read16(file, 26) != 1) return fail("planes not 1");
  if (bmp.bits != 8) return fail("not 8 bits a pixel");
  if (Read32(file, 30) != 0) return fail("compressed");
  const std::uint32_t colours = Read32(file, 46) ? Read32(file, 46) : 256;
  if (colours > 256) return fail("more than 256 colours");
  const std::uint32_t offBits = Read32(file, 10);
  if (offBits != 54 + 4 * colours) return fail("bfOffBits does not follow the colour table");
  const std::uint32_t stride = (static_cast<std::uint32_t>(bmp.width) + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(bmp.height);
  if (Read32(file, 34) != imageSize) return fail("biSizeImage wrong");
  if (offBits + imageSize != file.size()) return fail("pixel data does not end the file");
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::size_t at = 54 + 4 * i;
    bmp.palette.push_back(static_cast<std::uint32_t>(file[at + 2] << 16 | file[at + 1] << 8 | file[at]));
  }
  for (int y = bmp.height - 1; y >= 0; --y) {
    for (int x = 0; x < bmp.width; ++x) {
      const std::uint8_t index = file[offBits + static_cast<std::uint32_t>(y) * stride + static_cast<std::uint32_t>(x)];
      if (index >= colours) return fail("pixel outside the colour table");
    }
  }
  bmp.pixels.resize(static_cast<std::size_t>(bmp.width * bmp.height));
  for (int y = 0; y < bmp.height; ++y) {
    const std::size_t row = offBits + static_cast<std::size_t>(bmp.height - 1 - y) * stride;
    for (int x = 0; x < bmp.width; ++x) bmp.pixels[static_cast<std::size_t>(y * bmp.width + x)] = file[row + x];
  }
  return bmp;
}

}  // namespace resources_test
