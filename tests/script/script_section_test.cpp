#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/script_line.h"
#include "script/script_section.h"
#include "script_test_support.h"

namespace {

using script_test::MakeScript;
using Lines = std::vector<std::string>;

// Stands in for the value expansion: protects quoted ',' and '=' with the
// markers and drops the quotes, and records what it was given.
class QuoteExpander : public ILineExpander {
 public:
  Lines seen;
  std::string Expand(std::string_view line) override {
    seen.emplace_back(line);
    std::string out;
    bool quoted = false;
    for (char c : line) {
      if (c == '"') {
        quoted = !quoted;
      } else if (quoted && c == ',') {
        out += "@@Komma@@";
      } else if (quoted && c == '=') {
        out += "@@Equal@@";
      } else {
        out += c;
      }
    }
    return out;
  }
};

TEST(ScriptSectionReadTest, TrimsCutsCommentsOutsideQuotesAndExpandsEachLine) {
  CScriptText script = MakeScript(
      "[Strings]\r\n"
      "  Key = \"a,b;c\" ; trailing comment\r\n"
      "; a whole comment line\r\n"
      "\t; indented comment\r\n"
      "Eq = \"x=y\"\r\n"
      "Plain = v ; c\r\n");
  QuoteExpander expander;
  CScriptSection section;
  ASSERT_TRUE(section.Read(script, "Strings", &expander));
  EXPECT_EQ(section.GetLabel(), "Strings");
  // The expander sees each kept line once, trimmed, its comment cut.
  EXPECT_EQ(expander.seen, (Lines{"Key = \"a,b;c\" ", "Eq = \"x=y\"", "Plain = v "}));
  ASSERT_EQ(section.GetCount(), 3);
  EXPECT_EQ(GetKey(section.GetLine(0)), "Key");
  EXPECT_EQ(GetField(section.GetLine(0), 1), "a,b;c");
  EXPECT_EQ(GetField(section.GetLine(0), 2), "");
  EXPECT_EQ(GetField(section.GetLine(1), 1), "x=y");
  EXPECT_EQ(GetField(section.GetLine(2), 1), "v");
}

TEST(ScriptSectionReadTest, WithoutExpanderLinesStayAsWritten) {
  CScriptText script = MakeScript("[A]\r\n  k = \"q\" , %Ref% @p  \r\n");
  CScriptSection section;
  ASSERT_TRUE(section.Read(script, "A"));
  EXPECT_EQ(section.GetLines(), Lines{"k = \"q\" , %Ref% @p"});
}

TEST(ScriptSectionReadTest, EmptyMissingDuplicateAndRereadSections) {
  CScriptText script = MakeScript("[Full]\r\nx\r\ny\r\n[Empty]\r\n\r\n  \r\n; only a comment\r\n[full]\r\nz\r\n");
  CScriptSection section;
  ASSERT_TRUE(section.Read(script, "Full"));
  EXPECT_EQ(section.GetLines(), (Lines{"x", "y"}));  // the first of the two

  EXPECT_TRUE(section.Read(script, "Empty"));
  EXPECT_EQ(section.GetCount(), 0);
  EXPECT_EQ(section.GetLabel(), "Empty");

  ASSERT_TRUE(section.Read(script, "Full"));
  EXPECT_FALSE(section.Read(script, "Missing"));
  EXPECT_EQ(section.GetCount(), 0);
  EXPECT_EQ(section.GetLabel(), "Missing");

  section.SetLabel("C:\\Dest");
  EXPECT_EQ(section.GetLabel(), "C:\\Dest");
}

TEST(ScriptSectionLookupTest, LinesByIndexAndByKey) {
  CScriptText script = MakeScript(
      "[S]\r\n"
      "Name = first\r\n"
      "NAME = second\r\n"
      "x@=hidden\r\n"
      "k@@Equal@@v = marker\r\n"
      "lone\r\n");
  CScriptSection section;
  ASSERT_TRUE(section.Read(script, "S"));
  ASSERT_EQ(section.GetCount(), 5);
  EXPECT_EQ(section.GetLine(-1), "");
  EXPECT_EQ(section.GetLine(5), "");
  EXPECT_EQ(section.GetLine(4), "lone");

  EXPECT_EQ(section.FindKey("name"), "Name = first");
  EXPECT_EQ(section.FindKey("LONE"), "lone");
  EXPECT_EQ(section.FindKey("k=v"), "k@@Equal@@v = marker");
  EXPECT_EQ(section.FindKey("x@"), "");  // that line's key is empty
  EXPECT_EQ(section.FindKey("missing"), "");
}

TEST(ScriptSectionLookupTest, KeysCompareDoubleByteCharactersExactly) {
  CScriptText script = MakeScript("[S]\r\n\x82\x61=lower\r\n\x82\x41=upper\r\n");
  CScriptSection section;
  script.SetCodePage(932);
  ASSERT_TRUE(section.Read(script, "S"));
  EXPECT_EQ(section.FindKey("\x82\x41"), "\x82\x41=upper");
  script.SetCodePage(1252);
  ASSERT_TRUE(section.Read(script, "S"));
  EXPECT_EQ(section.FindKey("\x82\x41"), "\x82\x61=lower");
}

}  // namespace
