// Bitmap files for the tests of the language picture: a palette picture
// written uncompressed or run-length encoded the way paint programs write
// them (runs of one colour, copied runs for pixels that change, an end of
// row after each row and the end-of-bitmap mark).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct PalettePicture {
  int width = 0, height = 0;
  int bits = 8;                            // 4 or 8
  std::vector<std::uint8_t> indices;       // one per pixel, rows from the top
  std::vector<std::uint32_t> colours;      // 0x00RRGGBB per palette entry
  std::uint8_t At(int x, int y) const { return indices[static_cast<std::size_t>(y * width + x)]; }
};

// Colour bands with a few lone pixels, so that both kinds of runs occur.
inline PalettePicture BandedPicture(int width, int height, int bits) {
  PalettePicture picture{width, height, bits, {}, {}};
  const int count = bits == 4 ? 16 : 256;
  for (int i = 0; i < count; ++i) {
    picture.colours.push_back(static_cast<std::uint32_t>((i * 37) & 0xFF) << 16 |
                              static_cast<std::uint32_t>((i * 91) & 0xFF) << 8 | static_cast<std::uint32_t>(i & 0xFF));
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int index = (x / 10 + y / 5) % 4 + 1;
      if (x % 7 == 3 && y % 3 == 0) index = (x + y) % 5 + 6;  // lone pixels: copied runs
      picture.indices.push_back(static_cast<std::uint8_t>(index % count));
    }
  }
  return picture;
}

// The run-length bits of `picture` (bottom row first).
inline std::vector<std::uint8_t> RunLengthBits(const PalettePicture& picture) {
  const bool nibbles = picture.bits == 4;
  std::vector<std::uint8_t> bits;
  for (int y = picture.height - 1; y >= 0; --y) {
    int x = 0;
    while (x < picture.width) {
      int run = 1;
      while (x + run < picture.width && run < 255 && picture.At(x + run, y) == picture.At(x, y)) ++run;
      if (run >= 2) {
        const std::uint8_t index = picture.At(x, y);
        bits.push_back(static_cast<std::uint8_t>(run));
        bits.push_back(nibbles ? static_cast<std::uint8_t>(index << 4 | index) : index);
        x += run;
        continue;
      }
      // Pixels that differ from their neighbours: one copied run of at least three.
      int lone = 1;
      while (x + lone < picture.width && lone < 255 &&
             (x + lone + 1 >= picture.width || picture.At(x + lone, y) != picture.At(x + lone + 1, y))) {
        ++lone;
      }
      if (lone < 3) {
        bits.push_back(1);
        bits.push_back(nibbles ? static_cast<std::uint8_t>(picture.At(x, y) << 4) : picture.At(x, y));
        x += 1;
        continue;
      }
      bits.push_back(0);
      bits.push_back(static_cast<std::uint8_t>(lone));
      std::vector<std::uint8_t> copied;
      for (int i = 0; i < lone; ++i) {
        const std::uint8_t index = picture.At(x + i, y);
        if (!nibbles) copied.push_back(index);
        else if (i % 2 == 0) copied.push_back(static_cast<std::uint8_t>(index << 4));
        else copied.back() = static_cast<std::uint8_t>(copied.back() | index);
      }
      if (copied.size() % 2 != 0) copied.push_back(0);
      bits.insert(bits.end(), copied.begin(), copied.end());
      x += lone;
    }
    bits.push_back(0);  // end of the row
    bits.push_back(0);
  }
  bits.push_back(0);  // end of the bitmap
  bits.push_back(1);
  return bits;
}

// A bitmap file of `picture`: compression 0 (rows as they stand), 1 (RLE8)
// or 2 (RLE4) with `bits` in the place of the encoded ones when given, and
// `sizeImage` written as given (-1: the size of the bits).
inline std::string BitmapFile(const PalettePicture& picture, std::uint32_t compression,
                              const std::vector<std::uint8_t>* bits = nullptr, std::int64_t sizeImage = -1) {
  std::vector<std::uint8_t> pixels;
  if (bits != nullptr) {
    pixels = *bits;
  } else if (compression != 0) {
    pixels = RunLengthBits(picture);
  } else {
    const int stride = ((picture.width * picture.bits + 31) / 32) * 4;
    for (int y = picture.height - 1; y >= 0; --y) {
      std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
      for (int x = 0; x < picture.width; ++x) {
        const std::uint8_t index = picture.At(x, y);
        if (picture.bits == 8) row[static_cast<std::size_t>(x)] = index;
        else row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
      }
      pixels.insert(pixels.end(), row.begin(), row.end());
    }
  }
  std::string file = "BM";
  auto put = [&](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file += static_cast<char>(value >> (8 * i) & 0xFF);
  };
  const std::uint32_t table = static_cast<std::uint32_t>(picture.colours.size()) * 4;
  put(14 + 40 + table + static_cast<std::uint32_t>(pixels.size()), 4);
  put(0, 4);
  put(14 + 40 + table, 4);
  put(40, 4);
  put(static_cast<std::uint32_t>(picture.width), 4);
  put(static_cast<std::uint32_t>(picture.height), 4);
  put(1, 2);
  put(static_cast<std::uint32_t>(picture.bits), 2);
  put(compression, 4);
  put(sizeImage < 0 ? static_cast<std::uint32_t>(pixels.size()) : static_cast<std::uint32_t>(sizeImage), 4);
  put(0, 4);
  put(0, 4);
  put(static_cast<std::uint32_t>(picture.colours.size()), 4);  // colours used
  put(0, 4);
  for (std::uint32_t colour : picture.colours) put(colour, 4);  // blue, green, red, 0
  file.append(pixels.begin(), pixels.end());
  return file;
}

}  // namespace testing_support
