#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/name_compare.h"

namespace {

// The comparisons of one code page at a time, as a script holds it.
unsigned g_codePage = kDefaultCodePage;
void SetScriptCodePage(unsigned codePage) { g_codePage = codePage; }
bool EqualNoCase(std::string_view a, std::string_view b) { return ::EqualNoCase(a, b, g_codePage); }
std::string FoldCase(std::string_view text) { return ::FoldCase(text, g_codePage); }

class TextCompareTest : public ::testing::Test {
 protected:
  void TearDown() override { SetScriptCodePage(kDefaultCodePage); }
};

TEST_F(TextCompareTest, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualNoCase("Strings", "STRINGS"));
  EXPECT_TRUE(EqualNoCase("strings.enu", "Strings.ENU"));
  EXPECT_TRUE(EqualNoCase("", ""));
  EXPECT_FALSE(EqualNoCase("Strings", "Strings "));
  // Bytes 0x20 apart that are not letters must stay distinct.
  EXPECT_FALSE(EqualNoCase("[", "{"));
  EXPECT_FALSE(EqualNoCase("@", "`"));
  EXPECT_FALSE(EqualNoCase("]", "}"));
  // Accented letters of code page 1252 are not folded.
  EXPECT_FALSE(EqualNoCase("\xC4", "\xE4"));
}

TEST_F(TextCompareTest, DoubleByteCharactersCompareAsUnits) {
  // 0x82 is a lead byte in 932; its trail byte 'a' must not fold to 'A'.
  SetScriptCodePage(932);
  EXPECT_FALSE(EqualNoCase("\x82\x61", "\x82\x41"));
  EXPECT_TRUE(EqualNoCase("X\x82\x61y", "x\x82\x61Y"));
  // A lead byte at the very end compares as itself.
  EXPECT_TRUE(EqualNoCase("Name\x82", "NAME\x82"));
  EXPECT_FALSE(EqualNoCase("Name\x82", "NAME\x83"));
  // 0xFE is no lead byte in 932 ...
  EXPECT_TRUE(EqualNoCase("\xFE\x61", "\xFE\x41"));

  // ... but it is in the Chinese and Korean code pages.
  for (unsigned codePage : {936u, 949u, 950u}) {
    SetScriptCodePage(codePage);
    EXPECT_FALSE(EqualNoCase("\xFE\x61", "\xFE\x41")) << codePage;
    EXPECT_FALSE(EqualNoCase("\x81\x61", "\x81\x41")) << codePage;
    EXPECT_TRUE(EqualNoCase("Ab\x81\x61", "aB\x81\x61")) << codePage;
  }

  // In a single-byte code page the same bytes are two characters.
  SetScriptCodePage(1252);
  EXPECT_TRUE(EqualNoCase("\x82\x61", "\x82\x41"));
}

// FoldCase serves as a hash key for EqualNoCase: both must agree on every
// pair. Checked exhaustively over short texts of letters, brackets and lead
// bytes in each kind of code page.
TEST_F(TextCompareTest, FoldCaseAgreesWithEqualNoCase) {
  const std::string alphabet = std::string("aA[{") + "\x82\xFE" + "]";
  std::vector<std::string> texts{""};
  for (std::size_t length = 1; length <= 3; ++length) {
    std::vector<std::string> longer;
    for (const std::string& t : texts) {
      if (t.size() != length - 1) continue;
      for (char c : alphabet) longer.push_back(t + c);
    }
    texts.insert(texts.end(), longer.begin(), longer.end());
  }
  for (unsigned codePage : {1252u, 932u, 936u}) {
    SetScriptCodePage(codePage);
    for (const std::string& a : texts) {
      for (const std::string& b : texts) {
        ASSERT_EQ(EqualNoCase(a, b), FoldCase(a) == FoldCase(b)) << codePage << " '" << a << "' '" << b << "'";
      }
    }
  }
}

}  // namespace
