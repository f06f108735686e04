// The pictures kept in resources/images are the generator's output, byte for
// byte, and they are sound .bmp and .ico files with the shapes the wizard's
// drawing code relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "images.h"
#include "resources_test_support.h"

namespace {

using resources_test::Bitmap;
using resources_test::Bytes;
using resources_test::DecodeBmp;
using resources_test::ImagesDir;
using resources_test::Read16;
using resources_test::Read32;
using resources_test::ReadFile;

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kButtonFace = 0xC0C0C0;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "resgen-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

std::map<std::string, Bytes> Generated() {
  std::map<std::string, Bytes> files;
  for (auto& file : resgen::GenerateImages()) files[file.name] = file.bytes;
  return files;
}

Bitmap Decode(const std::string& name) {
  auto bytes = ReadFile(ImagesDir() / name);
  EXPECT_TRUE(bytes.has_value()) << name;
  if (!bytes) return {};
  std::string error;
  auto bmp = DecodeBmp(*bytes, error);
  EXPECT_TRUE(bmp.has_value()) << name << ": " << error;
  return bmp ? *bmp : Bitmap{};
}

TEST(ResourceImagesTest, KeptPicturesAreTheGeneratorsOutput) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(resgen::WriteImages(folder.Path().string(), error)) << error;

  std::set<std::string> written, kept;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) written.insert(entry.path().filename().string());
  for (const auto& entry : std::filesystem::directory_iterator(ImagesDir())) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".bmp" || ext == ".ico") kept.insert(entry.path().filename().string());
  }
  EXPECT_EQ(written, kept) << "resources/images is out of step with tools/resgen: build the resource_images target";

  for (const std::string& name : written) {
    auto fresh = ReadFile(folder.Path() / name);
    auto committed = ReadFile(ImagesDir() / name);
    ASSERT_TRUE(fresh && committed) << name;
    EXPECT_TRUE(*fresh == *committed) << name << " differs from the generator's output";
  }
}

TEST(ResourceImagesTest, GeneratorIsDeterministic) {
  EXPECT_EQ(Generated(), Generated());
}

TEST(ResourceImagesTest, EveryBitmapIsASoundEightBitDib) {
  for (const auto& [name, bytes] : Generated()) {
    if (!name.ends_with(".bmp")) continue;
    std::string error;
    EXPECT_TRUE(DecodeBmp(bytes, error).has_value()) << name << ": " << error;
  }
}

TEST(ResourceImagesTest, ButtonSizes) {
  const std::map<std::string, std::pair<int, int>> sizes = {
      {"type_minimal", {46, 40}}, {"type_typical", {46, 40}},     {"type_custom", {46, 40}},
      {"choose_modify", {46, 40}}, {"choose_reinstall", {46, 40}}, {"choose_remove", {46, 40}},
      {"readme", {72, 24}}};
  for (const auto& [base, size] : sizes) {
    for (const char* form : {"", "_down", "_focus"}) {
      Bitmap bmp = Decode(base + form + ".bmp");
      EXPECT_EQ(bmp.width, size.first) << base << form;
      EXPECT_EQ(bmp.height, size.second) << base << form;
    }
  }
}

// Normal: raised edge, picture in place. Pressed: sunken edge, the same
// picture one pixel down and right. Focused: the normal button with a dotted
// rectangle inside the edge and nothing else changed.
TEST(ResourceImagesTest, ButtonFormsDifferAsTheirStateNeeds) {
  for (const char* base : {"type_minimal", "type_typical", "type_custom", "choose_modify", "choose_reinstall",
                           "choose_remove", "readme"}) {
    SCOPED_TRACE(base);
    const Bitmap normal = Decode(std::string(base) + ".bmp");
    const Bitmap pressed = Decode(std::string(base) + "_down.bmp");
    const Bitmap focused = Decode(std::string(base) + "_focus.bmp");
    ASSERT_EQ(normal.pixels.size(), pressed.pixels.size());
    ASSERT_EQ(normal.pixels.size(), focused.pixels.size());
    const int w = normal.width, h = normal.height;

    EXPECT_EQ(normal.Colour(0, 0), kWhite);
    EXPECT_EQ(normal.Colour(w - 1, h - 1), kBlack);
    EXPECT_EQ(pressed.Colour(0, 0), kBlack);
    EXPECT_EQ(pressed.Colour(w - 1, h - 1), kWhite);

    int shiftedMismatches = 0;
    for (int y = 2; y <= h - 4; ++y) {
      for (int x = 2; x <= w - 4; ++x) {
        if (pressed.Colour(x + 1, y + 1) != normal.Colour(x, y)) ++shiftedMismatches;
      }
    }
    EXPECT_EQ(shiftedMismatches, 0) << "the pressed picture is not the normal one moved by a pixel";

    int frameChanges = 0, otherChanges = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (focused.Colour(x, y) == normal.Colour(x, y)) continue;
        const bool onFrame = (x == 3 || x == w - 4 || y == 3 || y == h - 4) && x >= 3 && x <= w - 4 && y >= 3 &&
                             y <= h - 4;
        (onFrame ? frameChanges : otherChanges)++;
        if (onFrame) {
          EXPECT_EQ(focused.Colour(x, y), kBlack);
        }
      }
    }
    EXPECT_GT(frameChanges, (w + h) / 2) << "no focus rectangle";
    EXPECT_EQ(otherChanges, 0);

    // A drawn picture, not noise and not a blank face: a handful of colours
    // and a good share of plain button face around the picture.
    std::set<std::uint32_t> colours;
    int face = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        colours.insert(normal.Colour(x, y));
        face += normal.Colour(x, y) == kButtonFace;
      }
    }
    EXPECT_GE(colours.size(), 5u);
    EXPECT_LE(colours.size(), 16u);
    EXPECT_GT(face, w * h / 5);
    EXPECT_LT(face, w * h * 9 / 10);
  }
}

TEST(ResourceImagesTest, ButtonsShowDifferentPictures) {
  std::set<std::vector<std::uint8_t>> pictures;
  for (const char* base : {"type_minimal", "type_typical", "type_custom", "choose_modify", "choose_reinstall",
                           "choose_remove"}) {
    pictures.insert(Decode(std::string(base) + ".bmp").pixels);
  }
  EXPECT_EQ(pictures.size(), 6u);
}

// The sheet draws the logo by AND with the mask, then XOR with the image
// masked by NOT mask: the mask must be black on the logo and white around
// it, and the image black around it.
TEST(ResourceImagesTest, LogosFitTheirMasks) {
  for (const char* base : {"logo", "logo_large"}) {
    SCOPED_TRACE(base);
    const Bitmap image = Decode(std::string(base) + ".bmp");
    const Bitmap mask = Decode(std::string(base) + "_mask.bmp");
    ASSERT_EQ(image.width, mask.width);
    ASSERT_EQ(image.height, mask.height);
    int logo = 0, around = 0, white = 0;
    std::set<std::uint32_t> logoColours;
    for (int y = 0; y < mask.height; ++y) {
      for (int x = 0; x < mask.width; ++x) {
        const std::uint32_t m = mask.Colour(x, y);
        ASSERT_TRUE(m == kBlack || m == kWhite) << "mask pixel " << x << "," << y;
        if (m == kWhite) {
          ++around;
          EXPECT_EQ(image.Colour(x, y), kBlack) << x << "," << y;
        } else {
          ++logo;
          logoColours.insert(image.Colour(x, y));
          white += image.Colour(x, y) == kWhite;
        }
      }
    }
    EXPECT_GT(logo, mask.width * mask.height / 6);
    EXPECT_GT(around, mask.width * mask.height / 3);
    EXPECT_GT(white, 0) << "no white letter on the tile";
    EXPECT_GE(logoColours.size(), 4u);
    // the tile's rounded corner lies outside the logo
    EXPECT_EQ(mask.Colour(0, 0), kWhite);
    EXPECT_EQ(mask.Colour(mask.height / 2, mask.height / 2), kBlack);
  }
  const Bitmap normal = Decode("logo.bmp"), large = Decode("logo_large.bmp");
  EXPECT_GT(large.width, normal.width);
  EXPECT_GT(large.height, normal.height);
  // Both fit below the etched line of their font size (about 25 dialog units).
  EXPECT_LE(normal.height, 36);
  EXPECT_LE(large.height, 46);
}

struct IconImage {
  int width = 0, height = 0;
  Bytes bytes;
  bool Transparent(int x, int y) const {  // AND mask bit
    const std::size_t xorStride = ((static_cast<std::size_t>(width) * 4 + 31) / 32) * 4;
    const std::size_t andStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    const std::size_t at = 40 + 64 + xorStride * static_cast<std::size_t>(height) +
                           andStride * static_cast<std::size_t>(height - 1 - y) + static_cast<std::size_t>(x / 8);
    return (bytes.at(at) >> (7 - x % 8)) & 1;
  }
  int ColourIndex(int x, int y) const {
    const std::size_t xorStride = ((static_cast<std::size_t>(width) * 4 + 31) / 32) * 4;
    const std::uint8_t b = bytes.at(40 + 64 + xorStride * static_cast<std::size_t>(height - 1 - y) +
                                    static_cast<std::size_t>(x / 2));
    return x % 2 == 0 ? b >> 4 : b & 0xF;
  }
};

std::vector<IconImage> DecodeIco(const std::string& name) {
  std::vector<IconImage> images;
  auto file = ReadFile(ImagesDir() / name);
  EXPECT_TRUE(file.has_value()) << name;
  if (!file) return images;
  const Bytes& b = *file;
  EXPECT_EQ(Read16(b, 0), 0u);
  EXPECT_EQ(Read16(b, 2), 1u) << "not an icon file";
  const std::uint32_t count = Read16(b, 4);
  std::uint32_t expectedOffset = 6 + 16 * count;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * i;
    IconImage image;
    image.width = b.at(entry);
    image.height = b.at(entry + 1);
    const std::uint32_t size = Read32(b, entry + 8), offset = Read32(b, entry + 12);
    EXPECT_EQ(Read16(b, entry + 4), 1u) << name << " planes";
    EXPECT_EQ(Read16(b, entry + 6), 4u) << name << " bits";
    EXPECT_EQ(offset, expectedOffset) << name << " images are not packed in order";
    expectedOffset = offset + size;
    if (offset + size > b.size()) {
      ADD_FAILURE() << name << " image " << i << " runs past the file";
      return {};
    }
    image.bytes.assign(b.begin() + offset, b.begin() + offset + size);
    EXPECT_EQ(Read32(image.bytes, 0), 40u);
    EXPECT_EQ(static_cast<int>(Read32(image.bytes, 4)), image.width);
    EXPECT_EQ(static_cast<int>(Read32(image.bytes, 8)), 2 * image.height) << "colour and mask height";
    EXPECT_EQ(Read16(image.bytes, 14), 4u);
    const std::size_t xorStride = ((static_cast<std::size_t>(image.width) * 4 + 31) / 32) * 4;
    const std::size_t andStride = ((static_cast<std::size_t>(image.width) + 31) / 32) * 4;
    EXPECT_EQ(size, 40 + 64 + (xorStride + andStride) * static_cast<std::size_t>(image.height)) << name;
    images.push_back(image);
  }
  EXPECT_EQ(expectedOffset, b.size()) << name << " has trailing bytes";
  return images;
}

TEST(ResourceImagesTest, IconsCarrySmallAndLargeImages) {
  for (const char* name : {"wizard.ico", "state_none.ico", "state_all.ico", "state_some.ico"}) {
    SCOPED_TRACE(name);
    auto images = DecodeIco(name);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 16);
    EXPECT_EQ(images[0].height, 16);
    EXPECT_EQ(images[1].width, 32);
    EXPECT_EQ(images[1].height, 32);
    for (const IconImage& image : images) {
      int opaque = 0;
      for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
          if (!image.Transparent(x, y)) ++opaque;
          // transparent pixels are black in the colour part, so XOR leaves the screen alone
          if (image.Transparent(x, y)) {
            EXPECT_EQ(image.ColourIndex(x, y), 0);
          }
        }
      }
      EXPECT_GT(opaque, image.width * image.height / 3);
      EXPECT_LT(opaque, image.width * image.height);
    }
  }
}

// The list draws the state icons at 16 x 16 over the row's background: the
// three differ, the box is opaque and its outside transparent.
TEST(ResourceImagesTest, StateIconsShowTheirState) {
  std::set<Bytes> smallImages;
  for (const char* name : {"state_none.ico", "state_all.ico", "state_some.ico"}) {
    auto images = DecodeIco(name);
    ASSERT_EQ(images.size(), 2u);
    const IconImage& small = images[0];
    smallImages.insert(small.bytes);
    EXPECT_TRUE(small.Transparent(0, 0)) << name;
    EXPECT_TRUE(small.Transparent(15, 15)) << name;
    EXPECT_FALSE(small.Transparent(7, 7)) << name;
  }
  EXPECT_EQ(smallImages.size(), 3u);
}

}  // namespace
