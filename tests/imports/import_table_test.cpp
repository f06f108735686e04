#include <gtest/gtest.h>

#include <cstring>

#include "import_table.h"

namespace {

// A 32-bit image with one section (RVA 0x1000, file offset 0x200) holding an
// import table: KERNEL32.dll, GetTickCount by name and ordinal 7.
class ImportTableTest : public ::testing::Test {
 protected:
  static constexpr std::size_t kSection = 0x200, kSectionSize = 0x200;
  static constexpr std::uint32_t kBase = 0x1000;
  static constexpr std::size_t kOptional = 0x58, kImportDirectory = kOptional + 104;
  static constexpr std::uint32_t kLookup = kBase + 0x30, kHintName = kBase + 0x40, kDllName = kBase + 0x60;

  ImportTableTest() : m_image(kSection + kSectionSize) {
    Put(0, 0x5A4D, 2);
    Put(0x3C, 0x40, 4);
    Put(0x40, 0x4550, 4);
    Put(0x44, 0x14C, 2);      // i386
    Put(0x46, 1, 2);          // one section
    Put(0x54, 0xE0, 2);       // optional header size
    Put(kOptional, 0x10B, 2);  // PE32
    Put(kOptional + 92, 16, 4);
    Put(kImportDirectory, kBase, 4);
    Put(kImportDirectory + 4, 40, 4);
    const std::size_t section = kOptional + 0xE0;
    Put(section + 8, kSectionSize, 4);
    Put(section + 12, kBase, 4);
    Put(section + 16, kSectionSize, 4);
    Put(section + 20, kSection, 4);
    Put(File(kBase), kLookup, 4);
    Put(File(kBase) + 12, kDllName, 4);
    Put(File(kBase) + 16, kLookup, 4);
    Put(File(kLookup), kHintName, 4);
    Put(File(kLookup) + 4, 0x80000007u, 4);
    std::memcpy(&m_image[File(kHintName) + 2], "GetTickCount", 13);
    std::memcpy(&m_image[File(kDllName)], "KERNEL32.dll", 13);
  }

  static std::size_t File(std::uint32_t rva) { return kSection + (rva - kBase); }
  void Put(std::size_t offset, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) m_image[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  // Refused, with a message containing `expected`.
  void ExpectRefused(const std::string& expected) {
    std::string error;
    EXPECT_FALSE(imports::ReadImportTable(m_image, error).has_value());
    EXPECT_NE(error.find(expected), std::string::npos) << error;
  }

  std::vector<std::uint8_t> m_image;
};

TEST_F(ImportTableTest, ReadsFunctionsByNameAndOrdinal) {
  std::string error;
  const auto table = imports::ReadImportTable(m_image, error);
  ASSERT_TRUE(table.has_value()) << error;
  ASSERT_EQ(table->size(), 1u);
  EXPECT_EQ((*table)[0].name, "KERNEL32.dll");
  EXPECT_EQ((*table)[0].functions, (std::vector<std::string>{"GetTickCount", "#7"}));
}

TEST_F(ImportTableTest, RefusesAnImportDirectoryOutsideTheSections) {
  Put(kImportDirectory, 0x9000, 4);
  ExpectRefused("the import directory at 0x9000 lies outside");
}

TEST_F(ImportTableTest, RefusesALibraryNameWithoutEnd) {
  std::memset(&m_image[File(kDllName)], 'A', kSectionSize - (kDllName - kBase));
  ExpectRefused("the name of import entry 1 at 0x1060 runs past the end of its section");
}

TEST_F(ImportTableTest, RefusesAFunctionListWithoutEnd) {
  const std::uint32_t last = kBase + kSectionSize - 4;
  Put(File(kBase), last, 4);
  Put(File(last), kHintName, 4);
  ExpectRefused("the function list of KERNEL32.dll runs past the end of its section");
}

TEST_F(ImportTableTest, RefusesADirectoryWithoutTerminatingEntry) {
  Put(kImportDirectory, kBase + kSectionSize - 20, 4);
  Put(File(kBase + kSectionSize - 20) + 12, kDllName, 4);
  Put(File(kBase + kSectionSize - 20), kLookup, 4);
  ExpectRefused("no terminating entry");
}

TEST_F(ImportTableTest, RefusesSectionDataBeyondTheFile) {
  m_image.resize(kSection + 0x10);
  ExpectRefused("section 1's data runs past the end of the file");
}

}  // namespace
