// Bitmaps, icons and icon groups: the real ones against the files they were
// made from, and hand-made DIBs with each header field out of order.
#include "pe/pe_test_support.h"

namespace {

using pe_test::BuildImage;
using pe_test::Bytes;
using pe_test::Read16;
using pe_test::Read32;
using pe_test::Writer;

// A DIB header (BITMAPINFOHEADER-sized fields, or the 12-byte core header)
// followed by `rest` bytes of colour table, masks and bits.
Bytes Dib(std::uint32_t headerSize, std::int32_t width, std::int32_t height, std::uint16_t bits,
          std::uint32_t compression, std::uint32_t colorsUsed, std::size_t rest, std::uint32_t sizeImage = 0) {
  Writer w;
  if (headerSize == 12) {
    w.U32(12).U16(static_cast<std::uint32_t>(width)).U16(static_cast<std::uint32_t>(height)).U16(1).U16(bits);
  } else {
    w.U32(headerSize).U32(static_cast<std::uint32_t>(width)).U32(static_cast<std::uint32_t>(height)).U16(1).U16(bits);
    w.U32(compression).U32(sizeImage).U32(2835).U32(2835).U32(colorsUsed).U32(0);
    while (w.bytes.size() < headerSize) w.U8(0);
  }
  w.bytes.resize(w.bytes.size() + rest, 0x5A);
  return w.bytes;
}

TEST(PeBitmaps, TheLibrarysBitmapIsTheDibOfItsFile) {
  const Bytes file = pe_test::ReadDataFile("sample.bmp");
  ASSERT_GT(file.size(), 14u);
  const Bytes dib(file.begin() + 14, file.end());  // without BITMAPFILEHEADER
  for (const char* name : {"sample32.dll", "sample64.dll"}) {
    SCOPED_TRACE(name);
    const sim::PeResources pe = pe_test::LoadSample(name);
    EXPECT_EQ(pe.LoadBitmap(200), dib);
    EXPECT_FALSE(pe.LoadBitmap(201).has_value());
    EXPECT_FALSE(pe.LoadBitmap(101).has_value());
  }
}

TEST(PeBitmaps, WellFormedDibsOfEachKindPass) {
  struct Case {
    const char* what;
    Bytes dib;
  };
  const std::vector<Case> cases = {
      {"5x3, 24 bits: rows of 16 bytes", Dib(40, 5, 3, 24, 0, 0, 48)},
      {"8x2, 1 bit: 2 colours, rows of 4 bytes", Dib(40, 8, 2, 1, 0, 0, 8 + 8)},
      {"3x2, 4 bits, 3 colours used", Dib(40, 3, 2, 4, 0, 3, 12 + 8)},
      {"2x2 top-down, 8 bits: 256 colours", Dib(40, 2, -2, 8, 0, 0, 1024 + 8)},
      {"2x2, 16 bits with masks after the header", Dib(40, 2, 2, 16, 3, 0, 12 + 8)},
      {"1x1, 32 bits, V5 header with its own masks", Dib(124, 1, 1, 32, 3, 0, 4)},
      {"1x1, 24 bits, V4 header", Dib(108, 1, 1, 24, 0, 0, 4)},
      {"2x2, 8 bits, core header with 3-byte colours", Dib(12, 2, 2, 8, 0, 0, 768 + 8)},
      {"8x1, 1 bit, core header", Dib(12, 8, 1, 1, 0, 0, 6 + 4)},
      {"run-length 8 bits, 10 bytes", Dib(40, 30, 30, 8, 1, 0, 1024 + 10, 10)},
      {"run-length 4 bits, 6 bytes", Dib(40, 30, 30, 4, 2, 0, 64 + 6, 6)},
      {"trailing bytes", Dib(40, 1, 1, 24, 0, 0, 4 + 100)},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_TRUE(sim::CheckPackedDib(c.dib, error)) << c.what << ": " << error;
    // One byte less is always too little, unless the case has trailing bytes.
    if (std::string(c.what) != "trailing bytes") {
      EXPECT_FALSE(sim::CheckPackedDib(Bytes(c.dib.begin(), c.dib.end() - 1), error)) << c.what;
      EXPECT_FALSE(error.empty()) << c.what;
    }
  }
}

TEST(PeBitmaps, DibsWithLyingHeadersAreRejected) {
  struct Case {
    const char* what;
    Bytes dib;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"no header", Bytes{40, 0, 0}, "no room for a bitmap header"},
      {"header size beyond the data",
       [] {
         Bytes d = Dib(40, 1, 1, 24, 0, 0, 0);
         d.resize(20);
         return d;
       }(),
       "header of 40 bytes is cut short at 20"},
      {"unknown header size", Dib(64, 1, 1, 24, 0, 0, 4), "unknown bitmap header size 64"},
      {"header size near 4 GB",
       [] {
         Bytes d = Dib(40, 1, 1, 24, 0, 0, 4);
         pe_test::Write32(d, 0, 0xFFFFFFFF);
         return d;
       }(),
       "unknown bitmap header size 4294967295"},
      {"zero width", Dib(40, 0, 1, 24, 0, 0, 4), "a bitmap of 0x1 pixels"},
      {"negative width", Dib(40, -3, 1, 24, 0, 0, 4), "a bitmap of -3x1 pixels"},
      {"zero height", Dib(40, 1, 0, 24, 0, 0, 4), "a bitmap of 1x0 pixels"},
      {"huge width", Dib(40, 40000, 1, 24, 0, 0, 4), "a bitmap of 40000x1 pixels"},
      {"core header's sizes are unsigned", Dib(12, 1, -1, 24, 0, 0, 4), "a bitmap of 1x65535 pixels"},
      {"most negative height", Dib(40, 1, INT32_MIN, 24, 0, 0, 4), "x-2147483648 pixels"},
      {"two planes",
       [] {
         Bytes d = Dib(40, 1, 1, 24, 0, 0, 4);
         pe_test::Write16(d, 12, 2);
         return d;
       }(),
       "2 planes, not 1"},
      {"3 bits per pixel", Dib(40, 1, 1, 3, 0, 0, 4), "3 bits per pixel"},
      {"0 bits per pixel", Dib(40, 1, 1, 0, 0, 0, 4), "0 bits per pixel"},
      {"RLE8 at 4 bits", Dib(40, 1, 1, 4, 1, 0, 64 + 4, 4), "compression 1 does not fit 4 bits"},
      {"RLE4 at 8 bits", Dib(40, 1, 1, 8, 2, 0, 1024 + 4, 4), "compression 2 does not fit 8 bits"},
      {"bit fields at 24 bits", Dib(40, 1, 1, 24, 3, 0, 16), "compression 3 does not fit 24 bits"},
      {"JPEG", Dib(40, 1, 1, 24, 4, 0, 4), "compression 4"},
      {"top-down RLE", Dib(40, 1, -1, 8, 1, 0, 1024 + 4, 4), "run-length bits from the top"},
      {"RLE without its size", Dib(40, 1, 1, 8, 1, 0, 1024 + 4, 0), "needs its image size"},
      {"more colours than 8 bits hold", Dib(40, 1, 1, 8, 0, 300, 1200 + 4), "300 colours used"},
      {"colour table claiming 16 GB", Dib(40, 1, 1, 24, 0, 0xFFFFFFFF, 4), "beyond the data"},
      {"bits cut short", Dib(40, 5, 3, 24, 0, 0, 47), "the bits end at offset 0x58, beyond the data (87 bytes)"},
      {"masks missing", Dib(40, 2, 2, 16, 3, 0, 8), "the bits end at offset 0x3C"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(sim::CheckPackedDib(c.dib, error)) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
}

TEST(PeIcons, TheLibrarysIconsAndGroupMatchTheIconFile) {
  const Bytes ico = pe_test::ReadDataFile("sample.ico");
  ASSERT_GE(ico.size(), 6u);
  const std::uint16_t count = Read16(ico, 4);
  ASSERT_EQ(count, 2);
  for (const char* name : {"sample32.dll", "sample64.dll"}) {
    SCOPED_TRACE(name);
    const sim::PeResources pe = pe_test::LoadSample(name);
    const auto group = pe.LoadIconGroup(300);
    ASSERT_TRUE(group);
    ASSERT_EQ(group->size(), 6u + 14u * count);
    EXPECT_EQ(Read16(*group, 0), 0);
    EXPECT_EQ(Read16(*group, 2), 1);
    EXPECT_EQ(Read16(*group, 4), count);
    for (std::size_t i = 0; i < count; ++i) {
      SCOPED_TRACE(i);
      const std::size_t fileEntry = 6 + 16 * i;
      const std::size_t groupEntry = 6 + 14 * i;
      // Width, height, colours, reserved, planes, bits and size are copied over.
      EXPECT_TRUE(std::equal(ico.begin() + static_cast<std::ptrdiff_t>(fileEntry),
                             ico.begin() + static_cast<std::ptrdiff_t>(fileEntry + 12),
                             group->begin() + static_cast<std::ptrdiff_t>(groupEntry)));
      const std::uint32_t size = Read32(ico, fileEntry + 8);
      const std::uint32_t offset = Read32(ico, fileEntry + 12);
      ASSERT_LE(std::uint64_t{offset} + size, ico.size());
      const auto image = pe.LoadIcon(Read16(*group, groupEntry + 12));
      ASSERT_TRUE(image);
      EXPECT_EQ(*image, Bytes(ico.begin() + offset, ico.begin() + offset + size));
      std::string error;
      EXPECT_TRUE(sim::CheckIconImage(*image, error)) << error;
    }
    EXPECT_FALSE(pe.LoadIconGroup(301).has_value());
    EXPECT_FALSE(pe.LoadIcon(300).has_value());
  }
}

TEST(PeIcons, IconImagesNeedColourBitsAndMask) {
  std::string error;
  // 16x16 at 4 bits: 16 colours, colour rows of 8 bytes, mask rows of 4 bytes.
  const Bytes icon = Dib(40, 16, 32, 4, 0, 0, 64 + 16 * 8 + 16 * 4);
  EXPECT_TRUE(sim::CheckIconImage(icon, error)) << error;
  EXPECT_FALSE(sim::CheckIconImage(Bytes(icon.begin(), icon.end() - 1), error));
  EXPECT_NE(error.find("icon: the bits end at offset 0x128"), std::string::npos) << error;
  EXPECT_FALSE(sim::CheckIconImage(Dib(40, 16, 31, 4, 0, 0, 400), error));
  EXPECT_NE(error.find("height 31 is not twice"), std::string::npos) << error;
  EXPECT_FALSE(sim::CheckIconImage(Dib(40, 16, -32, 4, 0, 0, 400), error));
  EXPECT_NE(error.find("height -32"), std::string::npos) << error;
  EXPECT_FALSE(sim::CheckIconImage(Dib(40, 16, 32, 8, 1, 0, 2000, 100), error));
  EXPECT_NE(error.find("compression 1 is not allowed"), std::string::npos) << error;
  EXPECT_FALSE(sim::CheckIconImage(Dib(41, 16, 32, 4, 0, 0, 400), error));
  EXPECT_NE(error.find("icon: unknown bitmap header size 41"), std::string::npos) << error;

  // PNG images: the signature and an IHDR chunk.
  Writer png;
  png.U8(0x89).U8('P').U8('N').U8('G').U8('\r').U8('\n').U8(0x1A).U8('\n');
  png.U8(0).U8(0).U8(0).U8(13).U8('I').U8('H').U8('D').U8('R');
  Bytes full = png.bytes;
  full.resize(33, 0);
  EXPECT_TRUE(sim::CheckIconImage(full, error)) << error;
  EXPECT_FALSE(sim::CheckIconImage(Bytes(full.begin(), full.begin() + 20), error));
  EXPECT_NE(error.find("PNG image without its IHDR"), std::string::npos) << error;
}

Bytes Group(std::uint16_t reserved, std::uint16_t type, std::uint16_t count, const std::vector<std::uint16_t>& ids,
            std::uint32_t bytes = 100) {
  Writer w;
  w.U16(reserved).U16(type).U16(count);
  for (std::uint16_t id : ids) w.U8(16).U8(16).U8(0).U8(0).U16(1).U16(32).U32(bytes).U16(id);
  return w.bytes;
}

TEST(PeIcons, IconGroupsAreCheckedAndTheirIconsMustExist) {
  std::string error;
  EXPECT_TRUE(sim::CheckIconGroup(Group(0, 1, 2, {1, 2}), error)) << error;
  struct Case {
    const char* what;
    Bytes group;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"empty", Bytes{}, "header needs 6 bytes, 0 present"},
      {"reserved set", Group(1, 1, 1, {1}), "reserved 1 and type 1"},
      {"a cursor group", Group(0, 2, 1, {1}), "reserved 0 and type 2"},
      {"no images", Group(0, 1, 0, {}), "no images"},
      {"count beyond the entries", Group(0, 1, 3, {1, 2}), "3 entries need 48 bytes, 34 present"},
      {"count near the maximum", Group(0, 1, 0xFFFF, {1}), "65535 entries"},
      {"an image of 0 bytes", Group(0, 1, 1, {1}, 0), "entry 0 has an image of 0 bytes"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(sim::CheckIconGroup(c.group, error)) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }

  const Bytes icon = Dib(40, 1, 2, 32, 0, 0, 4 + 4);
  const auto pe = pe_test::Parse(BuildImage({{sim::kRtIcon, 4, 0x409, icon},
                                             {sim::kRtIcon, 5, 0x409, Bytes(icon.begin(), icon.end() - 1)},
                                             {sim::kRtGroupIcon, 1, 0x409, Group(0, 1, 1, {4})},
                                             {sim::kRtGroupIcon, 2, 0x409, Group(0, 1, 2, {4, 6})},
                                             {sim::kRtGroupIcon, 3, 0x409, Group(0, 1, 2, {4})}})
                                     .image,
                                 error);
  ASSERT_TRUE(pe) << error;
  EXPECT_TRUE(pe->LoadIconGroup(1).has_value());
  EXPECT_FALSE(pe->LoadIconGroup(2).has_value());  // names icon 6, which is missing
  EXPECT_FALSE(pe->LoadIconGroup(3).has_value());  // entries cut short
  EXPECT_TRUE(pe->LoadIcon(4).has_value());
  EXPECT_FALSE(pe->LoadIcon(5).has_value());  // mask cut short
  EXPECT_FALSE(pe->LoadBitmap(4).has_value());
}

}  // namespace
