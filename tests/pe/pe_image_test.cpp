// The image and its resource directory: real libraries of both widths,
// hand-made images, and every kind of damage to headers, sections and the
// directory tree.
#include <functional>
#include <random>

#include "pe/pe_test_support.h"

namespace {

using pe_test::BuildImage;
using pe_test::BuiltImage;
using pe_test::Bytes;
using pe_test::Read32;
using pe_test::Write16;
using pe_test::Write32;

TEST(PeImage, SampleLibrariesOfBothWidthsHoldTheResourcesOfTheScript) {
  for (const char* name : {"sample32.dll", "sample64.dll"}) {
    SCOPED_TRACE(name);
    const sim::PeResources pe = pe_test::LoadSample(name);
    EXPECT_EQ(pe.Is64Bit(), std::string(name) == "sample64.dll");
    // Strings 1-15 in block 1, 16 in block 2, 100 in block 7, 4097 in block 257.
    EXPECT_EQ(pe.Ids(sim::kRtString), (std::vector<std::uint32_t>{1, 2, 7, 257}));
    EXPECT_EQ(pe.Ids(sim::kRtDialog), (std::vector<std::uint32_t>{101, 102, 103}));
    EXPECT_EQ(pe.Ids(sim::kRtBitmap), (std::vector<std::uint32_t>{200}));
    EXPECT_EQ(pe.Ids(sim::kRtGroupIcon), (std::vector<std::uint32_t>{300}));
    EXPECT_EQ(pe.Ids(sim::kRtIcon).size(), 2u);
    EXPECT_EQ(pe.Ids(sim::kRtVersion), (std::vector<std::uint32_t>{1}));
    // The named RCDATA and the resource of a named type are passed over.
    EXPECT_EQ(pe.Ids(sim::kRtRcData), (std::vector<std::uint32_t>{400}));
    EXPECT_FALSE(pe.HasResource(7, 7));
    // RCDATA numbers are stored as 16-bit words.
    EXPECT_EQ(pe.LoadRaw(sim::kRtRcData, 400), (Bytes{1, 0, 2, 0, 3, 0, 0x41, 0x42}));
    EXPECT_EQ(pe.Language(sim::kRtDialog, 101), std::optional<std::uint16_t>(0x409));
    EXPECT_TRUE(pe.HasResource(sim::kRtDialog, 102));
    EXPECT_FALSE(pe.HasResource(sim::kRtDialog, 104));
    EXPECT_FALSE(pe.HasResource(sim::kRtBitmap, 101));
    EXPECT_FALSE(pe.LoadRaw(sim::kRtRcData, 401).has_value());
    EXPECT_FALSE(pe.Language(sim::kRtRcData, 401).has_value());
  }
}

TEST(PeImage, HandMadeImagesOfBothWidthsReturnTheDataAndTheFirstLanguage) {
  for (bool is64Bit : {false, true}) {
    SCOPED_TRACE(is64Bit);
    const BuiltImage built = BuildImage({{sim::kRtRcData, 5, 0x407, {9, 8, 7}},
                                         {sim::kRtRcData, 5, 0x409, {1}},
                                         {sim::kRtRcData, 6, 0x409, {}},
                                         {sim::kRtRcData, 0xFFFF, 0x409, {0xAB, 0xCD, 0xEF, 0x01, 0x23}}},
                                        is64Bit);
    std::string error;
    const auto pe = pe_test::Parse(built.image, error);
    ASSERT_TRUE(pe) << error;
    EXPECT_EQ(pe->Is64Bit(), is64Bit);
    EXPECT_EQ(pe->LoadRaw(sim::kRtRcData, 5), (Bytes{9, 8, 7}));
    EXPECT_EQ(pe->Language(sim::kRtRcData, 5), std::optional<std::uint16_t>(0x407));
    EXPECT_EQ(pe->LoadRaw(sim::kRtRcData, 6), Bytes{});
    EXPECT_EQ(pe->LoadRaw(sim::kRtRcData, 0xFFFF), (Bytes{0xAB, 0xCD, 0xEF, 0x01, 0x23}));
    EXPECT_EQ(pe->Ids(sim::kRtRcData), (std::vector<std::uint32_t>{5, 6, 0xFFFF}));
  }
}

TEST(PeImage, AnImageWithoutResourcesIsValidAndEmpty) {
  BuiltImage built = BuildImage({{sim::kRtRcData, 1, 0x409, {1}}});
  Write32(built.image, built.optionalHeader + 96 + 16, 0);  // resource directory RVA
  std::string error;
  auto pe = pe_test::Parse(built.image, error);
  ASSERT_TRUE(pe) << error;
  EXPECT_FALSE(pe->HasResource(sim::kRtRcData, 1));
  EXPECT_FALSE(pe->LoadString(1).has_value());
  EXPECT_FALSE(pe->VersionInfo().has_value());
  EXPECT_TRUE(pe->Translations().empty());

  // Fewer than three data directories: no resource directory at all.
  Write32(built.image, built.optionalHeader + 96 + 16, BuiltImage::kRsrcRva);
  Write32(built.image, built.optionalHeader + 92, 2);
  pe = pe_test::Parse(built.image, error);
  ASSERT_TRUE(pe) << error;
  EXPECT_FALSE(pe->HasResource(sim::kRtRcData, 1));
}

struct Damage {
  const char* what;
  std::function<void(BuiltImage&)> apply;
  const char* message;  // part of the expected error
};

TEST(PeImage, DamagedHeadersAndSectionsAreRejectedWithTheirReason) {
  const std::vector<Damage> cases = {
      {"empty file", [](BuiltImage& b) { b.image.clear(); }, "no MZ header"},
      {"not MZ", [](BuiltImage& b) { b.image[0] = 'Z'; }, "no MZ header"},
      {"shorter than a DOS header", [](BuiltImage& b) { b.image.resize(63); }, "no MZ header"},
      {"e_lfanew beyond the file", [](BuiltImage& b) { Write32(b.image, 0x3C, 0x10000); }, "e_lfanew 0x10000"},
      {"e_lfanew near 4 GB", [](BuiltImage& b) { Write32(b.image, 0x3C, 0xFFFFFFF0u); }, "e_lfanew 0xFFFFFFF0"},
      {"no PE signature", [](BuiltImage& b) { b.image[BuiltImage::kPeOffset + 1] = 'X'; },
       "no PE signature at offset 0x40"},
      {"truncated in the COFF header", [](BuiltImage& b) { b.image.resize(BuiltImage::kPeOffset + 20); }, "e_lfanew"},
      {"truncated in the optional header", [](BuiltImage& b) { b.image.resize(b.optionalHeader + 100); },
       "does not fit the file"},
      {"optional header size of 1", [](BuiltImage& b) { Write16(b.image, BuiltImage::kPeOffset + 20, 1); },
       "optional header of 1 bytes"},
      {"unknown optional header magic", [](BuiltImage& b) { Write16(b.image, b.optionalHeader, 0x107); },
       "magic 0x107"},
      {"optional header too short for its directories",
       [](BuiltImage& b) { Write16(b.image, BuiltImage::kPeOffset + 20, 64); }, "too short for its data directories"},
      {"optional header ends before the resource entry",
       [](BuiltImage& b) { Write16(b.image, BuiltImage::kPeOffset + 20, 100); }, "ends before the resource directory"},
      {"too many sections", [](BuiltImage& b) { Write16(b.image, BuiltImage::kPeOffset + 6, 97); }, "97 sections"},
      {"section table beyond the file", [](BuiltImage& b) { Write16(b.image, BuiltImage::kPeOffset + 6, 30); },
       "section table (30 entries"},
      {"section table cut off", [](BuiltImage& b) { b.image.resize(b.sectionTable + 20); }, "section table (1 entries"},
      {"section data beyond the file", [](BuiltImage& b) { b.image.pop_back(); },
       "section 1 (.rsrc): raw data at offset 0x200"},
      {"resource RVA outside any section", [](BuiltImage& b) { Write32(b.image, b.optionalHeader + 96 + 16, 0x5000); },
       "(RVA 0x5000) lies outside"},
      {"resource RVA just past the section's data",
       [](BuiltImage& b) { Write32(b.image, b.optionalHeader + 96 + 16, BuiltImage::kRsrcRva + 0x1F8); },
       "lies outside the sections' file data"},
  };
  for (const Damage& damage : cases) {
    SCOPED_TRACE(damage.what);
    BuiltImage built = BuildImage({{sim::kRtRcData, 1, 0x409, {1, 2, 3}}});
    damage.apply(built);
    std::string error;
    EXPECT_FALSE(pe_test::Parse(built.image, error).has_value());
    EXPECT_NE(error.find(damage.message), std::string::npos) << error;
  }
}

TEST(PeImage, DamagedDirectoryTreesAreRejectedWithTheirReason) {
  constexpr std::size_t kRoot = BuiltImage::kRsrcFile;
  const std::vector<Damage> cases = {
      {"root entry count runs past the section", [](BuiltImage& b) { Write16(b.image, kRoot + 14, 0xFFFF); },
       "declares 65535 entries"},
      {"named and id counts beyond any library",
       [](BuiltImage& b) {
         Write16(b.image, kRoot + 12, 0xFFFF);
         Write16(b.image, kRoot + 14, 0xFFFF);
       },
       "more than 65536 directory entries"},
      {"type entry points back at the root", [](BuiltImage& b) { Write32(b.image, kRoot + 16 + 4, 0x80000000u); },
       "offset 0x0 is reached a second time"},
      {"id directory points back at its type directory",
       [](BuiltImage& b) {
         const std::size_t type = b.typeDirectory(0);
         Write32(b.image, type + 16 + 4, 0x80000000u | static_cast<std::uint32_t>(type - kRoot));
       },
       "is reached a second time"},
      {"type entry points to data", [](BuiltImage& b) { Write32(b.image, kRoot + 16 + 4, 0x18); },
       "resource type 6: the entry points to data"},
      {"id entry points to data", [](BuiltImage& b) { Write32(b.image, b.typeDirectory(0) + 16 + 4, 0x18); },
       "resource type 6 id 1: the entry points to data"},
      {"language entry points to a directory",
       [](BuiltImage& b) {
         const std::size_t type = b.typeDirectory(0);
         const std::size_t language = kRoot + (Read32(b.image, type + 16 + 4) & 0x7FFFFFFF);
         Write32(b.image, language + 16 + 4, 0x80000000u);
       },
       "a directory where the data entry belongs"},
      {"subdirectory beyond the section",
       [](BuiltImage& b) { Write32(b.image, kRoot + 16 + 4, 0x80000000u | 0x7FFFFFF0u); },
       "resource directory at offset 0x7FFFFFF0"},
      {"data entry beyond the section",
       [](BuiltImage& b) {
         const std::size_t type = b.typeDirectory(0);
         const std::size_t language = kRoot + (Read32(b.image, type + 16 + 4) & 0x7FFFFFFF);
         Write32(b.image, language + 16 + 4, 0x1FF8);
       },
       "resource data entry at offset 0x1FF8"},
      {"data size beyond the file", [](BuiltImage& b) { Write32(b.image, b.dataEntries[0] + 4, 0x10000); },
       "resource type 6 id 1: data at RVA"},
      {"data size near 4 GB", [](BuiltImage& b) { Write32(b.image, b.dataEntries[0] + 4, 0xFFFFFFFFu); },
       "4294967295 bytes, lies outside"},
      {"data RVA outside any section", [](BuiltImage& b) { Write32(b.image, b.dataEntries[0], 0x9000); },
       "data at RVA 0x9000"},
      {"data RVA below the section", [](BuiltImage& b) { Write32(b.image, b.dataEntries[0], 0x800); },
       "data at RVA 0x800"},
  };
  for (const Damage& damage : cases) {
    SCOPED_TRACE(damage.what);
    // Type 6 comes first in the tree.
    BuiltImage built = BuildImage({{sim::kRtString, 1, 0x409, {0, 0}}, {sim::kRtRcData, 1, 0x409, {1, 2, 3}}});
    damage.apply(built);
    std::string error;
    EXPECT_FALSE(pe_test::Parse(built.image, error).has_value());
    EXPECT_NE(error.find(damage.message), std::string::npos) << error;
  }
}

TEST(PeImage, DataWithinTheSectionsFileDataButPastItsVirtualSizeIsRejected) {
  BuiltImage built = BuildImage({{sim::kRtRcData, 1, 0x409, {1, 2, 3}}});
  std::string error;
  ASSERT_TRUE(pe_test::Parse(built.image, error)) << error;
  // The loader maps only the virtual size; the file's padding is not part of the image.
  const std::uint32_t virtualSize = Read32(built.image, built.sectionTable + 8);
  Write32(built.image, built.dataEntries[0], BuiltImage::kRsrcRva + virtualSize);
  Write32(built.image, built.dataEntries[0] + 4, 1);
  EXPECT_FALSE(pe_test::Parse(built.image, error).has_value());
  EXPECT_NE(error.find("lies outside"), std::string::npos) << error;
}

TEST(PeImage, EveryTruncationOfARealLibraryFailsWithAMessage) {
  const Bytes full = pe_test::ReadDataFile("sample32.dll");
  ASSERT_GT(full.size(), 1000u);
  for (std::size_t size = 0; size < full.size(); size += 7) {
    std::string error;
    const auto pe = pe_test::Parse(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)), error);
    EXPECT_FALSE(pe.has_value()) << size;
    EXPECT_FALSE(error.empty()) << size;
  }
}

TEST(PeImage, RandomDamageToARealLibraryNeverBreaksTheReader) {
  const Bytes full = pe_test::ReadDataFile("sample64.dll");
  std::mt19937 random(12345);
  int parsed = 0;
  for (int round = 0; round < 2000; ++round) {
    Bytes image = full;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < flips; ++i) image[random() % image.size()] = static_cast<std::uint8_t>(random());
    std::string error;
    const auto pe = pe_test::Parse(image, error);
    if (!pe) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    ++parsed;
    for (std::uint32_t type : {sim::kRtString, sim::kRtDialog, sim::kRtBitmap, sim::kRtIcon, sim::kRtGroupIcon}) {
      for (std::uint32_t id : pe->Ids(type)) {
        const auto raw = pe->LoadRaw(type, id);
        ASSERT_TRUE(raw.has_value());
        const auto bitmap = pe->LoadBitmap(id);
        if (type == sim::kRtBitmap && bitmap) {
          EXPECT_EQ(*bitmap, *raw);
        }
        (void)pe->LoadDialog(id);
        (void)pe->LoadIcon(id);
        (void)pe->LoadIconGroup(id);
      }
    }
    for (std::uint32_t id = 0; id < 120; ++id) {
      const auto text = pe->LoadString(id);
      if (text) {
        EXPECT_FALSE(text->empty());
      }
    }
    if (const auto info = pe->VersionInfo()) {
      EXPECT_EQ(info->size(), pe_test::Read16(*info, 0));
    }
    (void)pe->VersionString("040904E4", "FileVersion");
    (void)pe->Translations();
  }
  // Most single-byte damage lands in padding or data, so most images still parse.
  EXPECT_GT(parsed, 100);
}

}  // namespace
