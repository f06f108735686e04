// The maker's language picture saved run-length encoded: read as its
// uncompressed twin, its size filled in when the file leaves it out, and
// bits that break the picture's bounds refused without a read or write
// beyond them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/bitmap_reader.h"
#include "support/bitmap_files.h"
#include "wizard/language_page.h"

namespace {

using testing_support::BitmapFile;
using testing_support::PalettePicture;

std::optional<platform::PagePicture> Read(const std::string& file) {
  return ReadPagePicture(std::vector<char>(file.begin(), file.end()));
}

// The picture's pixels as the hosts draw them.
std::optional<platform::DibPixels> Pixels(const platform::PagePicture& picture) {
  std::string error;
  const auto header = platform::ReadDibHeader(picture.dib, error);
  if (!header) return std::nullopt;
  return platform::DecodeDib(picture.dib, *header, 1u << 20, error);
}

TEST(LanguagePictureTest, RunLengthPicturesShowAsTheirUncompressedTwins) {
  for (const int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    const PalettePicture banded = testing_support::BandedPicture(40, 20, bits);
    const auto plain = Read(BitmapFile(banded, 0));
    const auto packed = Read(BitmapFile(banded, bits == 8 ? platform::kDibRle8 : platform::kDibRle4));
    ASSERT_TRUE(plain.has_value());
    ASSERT_TRUE(packed.has_value()) << "a valid run-length picture is refused";
    EXPECT_EQ(packed->width, 40);
    EXPECT_EQ(packed->height, 20);
    EXPECT_EQ(packed->palette, plain->palette);
    const auto plainPixels = Pixels(*plain);
    const auto packedPixels = Pixels(*packed);
    ASSERT_TRUE(plainPixels.has_value());
    ASSERT_TRUE(packedPixels.has_value());
    EXPECT_TRUE(packedPixels->colours == plainPixels->colours);
    // Rows from the top, colours from the palette: a band and a lone pixel.
    EXPECT_EQ(plainPixels->At(0, 0), banded.colours[banded.At(0, 0)]);
    EXPECT_EQ(plainPixels->At(3, 19), banded.colours[banded.At(3, 19)]);
    EXPECT_EQ(plainPixels->At(10, 18), banded.colours[banded.At(10, 18)]);
  }
}

TEST(LanguagePictureTest, ARunLengthPictureWithoutItsSizeGetsIt) {
  const PalettePicture banded = testing_support::BandedPicture(16, 8, 8);
  const std::vector<std::uint8_t> bits = testing_support::RunLengthBits(banded);
  const auto picture = Read(BitmapFile(banded, platform::kDibRle8, nullptr, 0));
  ASSERT_TRUE(picture.has_value());
  std::string error;
  const auto header = platform::ReadDibHeader(picture->dib, error);
  ASSERT_TRUE(header.has_value());
  EXPECT_EQ(header->sizeImage, bits.size()) << "the painter needs the size of run-length bits";
}

TEST(LanguagePictureTest, BrokenRunLengthBitsShowNoPicture) {
  const PalettePicture small = testing_support::BandedPicture(8, 4, 8);  // 8 wide, 4 high
  const struct {
    const char* what;
    std::vector<std::uint8_t> bits;
  } broken[] = {
      {"a run past the end of its row", {9, 1, 0, 1}},
      {"a copied run past the end of its row", {6, 1, 0, 3, 1, 2, 3, 0, 0, 1}},
      {"a move beyond the right edge", {0, 2, 9, 0, 0, 1}},
      {"a move above the top", {0, 2, 0, 5, 0, 1}},
      {"an end of row below the last row", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {"pixels above the last row", {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1}},
      {"a copied run cut short by the end", {0, 8, 1, 2, 3}},
      {"a move cut short by the end", {0, 2, 1}},
      {"no end-of-bitmap mark", {8, 1, 0, 0}},
      {"nothing at all", {}},
  };
  for (const auto& bad : broken) {
    EXPECT_FALSE(Read(BitmapFile(small, platform::kDibRle8, &bad.bits)).has_value()) << bad.what;
  }
  EXPECT_FALSE(Read(BitmapFile(small, platform::kDibRle8, nullptr, 100000)).has_value()) << "an image size beyond the file";
  const PalettePicture sixteen = testing_support::BandedPicture(8, 4, 4);
  EXPECT_FALSE(Read(BitmapFile(sixteen, platform::kDibRle8)).has_value()) << "RLE8 with 4 bits a pixel";
}

TEST(LanguagePictureTest, MovesLeaveThePixelsTheyPassOverUnpainted) {
  PalettePicture small = testing_support::BandedPicture(8, 4, 8);
  // Bottom row: two pixels of colour 5; a move 3 right and 1 up; two of colour 6.
  const std::vector<std::uint8_t> bits = {2, 5, 0, 2, 3, 1, 2, 6, 0, 1};
  const auto picture = Read(BitmapFile(small, platform::kDibRle8, &bits));
  ASSERT_TRUE(picture.has_value());
  const auto pixels = Pixels(*picture);
  ASSERT_TRUE(pixels.has_value());
  EXPECT_EQ(pixels->At(1, 3), small.colours[5]);
  EXPECT_EQ(pixels->At(2, 3), platform::kUnpaintedPixel);
  EXPECT_EQ(pixels->At(5, 2), small.colours[6]);
  EXPECT_EQ(pixels->At(6, 2), small.colours[6]);
  EXPECT_EQ(pixels->At(7, 2), platform::kUnpaintedPixel);
  EXPECT_EQ(pixels->At(0, 0), platform::kUnpaintedPixel);
}

}  // namespace
