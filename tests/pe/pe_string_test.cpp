// String tables and the conversion from UTF-16 to the ANSI code pages.
#include "pe/pe_test_support.h"

namespace {

using pe_test::BuildImage;
using pe_test::Bytes;
using pe_test::StringBlock;

TEST(PeStrings, SampleStringsLoadByIdAcrossBlocks) {
  for (const char* name : {"sample32.dll", "sample64.dll"}) {
    SCOPED_TRACE(name);
    const sim::PeResources pe = pe_test::LoadSample(name);
    EXPECT_EQ(pe.LoadString(1), "Display Setup");
    EXPECT_EQ(pe.LoadString(15), "Last of the first block");
    EXPECT_EQ(pe.LoadString(16), "First of the second block");
    EXPECT_EQ(pe.LoadString(100), "Copying %1 to %2");
    // LoadString takes the low word of the id.
    EXPECT_EQ(pe.LoadString(0x10001), pe.LoadString(1));
    // Missing within a present block, in a missing block, and an empty string.
    EXPECT_FALSE(pe.LoadString(3).has_value());
    EXPECT_FALSE(pe.LoadString(17).has_value());
    EXPECT_FALSE(pe.LoadString(50).has_value());
    EXPECT_FALSE(pe.LoadString(0xFFFF).has_value());
    EXPECT_FALSE(pe.LoadString(5).has_value());
  }
}

TEST(PeStrings, NonAsciiTextFollowsTheCodePage) {
  const sim::PeResources pe = pe_test::LoadSample("sample32.dll");
  // "Grüße: ä ö ü ß Ä Ö Ü – 5 €"
  EXPECT_EQ(pe.LoadString(2),
            "Gr\xFC\xDF"
            "e: \xE4 \xF6 \xFC \xDF \xC4 \xD6 \xDC \x96 5 \x80");
  EXPECT_EQ(pe.LoadString(2, 1250),
            "Gr\xFC\xDF"
            "e: \xE4 \xF6 \xFC \xDF \xC4 \xD6 \xDC \x96 5 \x80");
  EXPECT_EQ(pe.LoadString(2, 1251), "Gr??e: ? ? ? ? ? ? ? \x96 5 \x88");
  EXPECT_EQ(pe.LoadString(2, 65001), "Grüße: ä ö ü ß Ä Ö Ü – 5 €");
  EXPECT_EQ(pe.LoadString(2, 932), "Gr??e: ? ? ? ? ? ? ? ? 5 ?");
  // Omega is in none of the Western code pages.
  EXPECT_EQ(pe.LoadString(4097), "? is not in the ANSI code page");
  EXPECT_EQ(pe.LoadString(4097, 65001), "Ω is not in the ANSI code page");
}

TEST(PeStrings, ConversionCoversEachCodePageAndSurrogates) {
  EXPECT_EQ(sim::Utf16ToAnsi(u"plain", 1252), "plain");
  EXPECT_EQ(sim::Utf16ToAnsi(u"", 1252), "");
  // 1252 differs from Latin-1 in 0x80-0x9F; its holes map to the C1 controls.
  EXPECT_EQ(sim::Utf16ToAnsi(u"\u20AC\u0192\u0178\u0081\u00A0\u00FF", 1252), "\x80\x83\x9F\x81\xA0\xFF");
  EXPECT_EQ(sim::Utf16ToAnsi(u"\u0080\u0100", 1252), "??");
  EXPECT_EQ(sim::Utf16ToAnsi(u"\u0141\u00F3d\u017A", 1250),
            "\xA3\xF3"
            "d\x9F");
  EXPECT_EQ(sim::Utf16ToAnsi(u"\u041F\u0440\u0438\u0432\u0435\u0442", 1251), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(sim::Utf16ToAnsi(u"\u041F", 1252), "?");
  // A pair is one character; a lone half is one unmappable character.
  EXPECT_EQ(sim::Utf16ToAnsi(u"a\U0001F600b", 1252), "a?b");
  EXPECT_EQ(sim::Utf16ToAnsi(u"a\U0001F600b", 65001),
            "a\xF0\x9F\x98\x80"
            "b");
  const std::u16string lone = {u'a', char16_t{0xD800}, u'b', char16_t{0xDC00}};
  EXPECT_EQ(sim::Utf16ToAnsi(lone, 1252), "a?b?");
  EXPECT_EQ(sim::Utf16ToAnsi(lone, 65001),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(sim::Utf16ToAnsi(u"\u00E9\u0800", 65001), "\xC3\xA9\xE0\xA0\x80");
}

TEST(PeStrings, EachByteOfACodePageDecodesToWhatEncodesBackToIt) {
  for (unsigned codePage : {1250u, 1251u, 1252u}) {
    for (unsigned byte = 0x01; byte <= 0xFF; ++byte) {
      const char16_t c = sim::AnsiByteToUtf16(static_cast<unsigned char>(byte), codePage);
      ASSERT_NE(c, 0) << codePage << " byte " << byte;
      EXPECT_EQ(sim::Utf16ToAnsi(std::u16string(1, c), codePage), std::string(1, static_cast<char>(byte)))
          << codePage << " byte " << byte;
    }
  }
  // A code page without a table gives the bytes above ASCII no character.
  EXPECT_EQ(sim::AnsiByteToUtf16('A', 932), u'A');
  EXPECT_EQ(sim::AnsiByteToUtf16(0x80, 932), 0);
}

TEST(PeStrings, BlockEntriesAreCountedStrings) {
  const Bytes block = StringBlock({{0, u"first"}, {3, u"fourth"}, {15, u"last"}});
  std::string error;
  EXPECT_EQ(sim::ParseStringTableEntry(block, 0, 1252, error), "first");
  EXPECT_EQ(sim::ParseStringTableEntry(block, 3, 1252, error), "fourth");
  EXPECT_EQ(sim::ParseStringTableEntry(block, 15, 1252, error), "last");
  EXPECT_EQ(sim::ParseStringTableEntry(block, 1, 1252, error), "");
  EXPECT_FALSE(sim::ParseStringTableEntry(block, 16, 1252, error).has_value());
  EXPECT_NE(error.find("entry 16 out of range"), std::string::npos) << error;
}

TEST(PeStrings, TruncatedBlocksFailAtTheEntryThatRunsOut) {
  const Bytes block = StringBlock({{0, u"first"}, {2, u"third"}});
  // Cut inside "third": entries before it still read.
  const Bytes cut(block.begin(), block.begin() + 2 + 10 + 2 + 2 + 4);
  std::string error;
  EXPECT_EQ(sim::ParseStringTableEntry(cut, 1, 1252, error), "");
  EXPECT_FALSE(sim::ParseStringTableEntry(cut, 2, 1252, error).has_value());
  EXPECT_NE(error.find("string at offset 0x10 needs 10 bytes, 4 left"), std::string::npos) << error;
  // A block that stops after three entries has no length word for the fourth.
  EXPECT_FALSE(sim::ParseStringTableEntry(Bytes(block.begin(), block.begin() + 2 + 10 + 2 + 2 + 10), 3, 1252, error));
  EXPECT_NE(error.find("string length at offset 0x1A"), std::string::npos) << error;
  EXPECT_FALSE(sim::ParseStringTableEntry(Bytes{}, 0, 1252, error).has_value());
  EXPECT_FALSE(sim::ParseStringTableEntry(Bytes{5}, 0, 1252, error).has_value());
  // A length word of 0xFFFF claims far more than any block holds.
  Bytes huge = block;
  huge[0] = 0xFF;
  huge[1] = 0xFF;
  EXPECT_FALSE(sim::ParseStringTableEntry(huge, 0, 1252, error).has_value());
  EXPECT_NE(error.find("needs 131070 bytes"), std::string::npos) << error;
}

TEST(PeStrings, ATruncatedBlockInALibraryLoadsWhatItHolds) {
  Bytes block = StringBlock({{1, u"one"}, {9, u"nine"}});
  block.resize(30);  // into "nine", which starts at offset 26
  std::string error;
  const auto pe = pe_test::Parse(BuildImage({{sim::kRtString, 1, 0x409, block}}).image, error);
  ASSERT_TRUE(pe) << error;
  EXPECT_EQ(pe->LoadString(1), "one");
  EXPECT_FALSE(pe->LoadString(9).has_value());
  EXPECT_FALSE(pe->LoadString(12).has_value());
}

}  // namespace
