#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/script_text.h"
#include "script_test_support.h"

namespace {

using script_test::EndsWithTail;
using script_test::MakeScript;
using script_test::SectionLines;
using Lines = std::vector<std::string>;

std::uint32_t Insert(CScriptText& script, std::string_view name, std::string_view block) {
  return script.InsertSectionText(name, block.data(), static_cast<std::uint32_t>(block.size()));
}

TEST(InsertSectionTextTest, JoinsTheEndOfAnExistingSectionBeforeItsTrailingEmptyLines) {
  CScriptText script = MakeScript("[A]\r\na=1\r\n\r\n\r\n[B]\r\nb=1\r\n");
  const std::string body = "x=2\r\ny=3\r\n";
  EXPECT_EQ(Insert(script, "a", "[A]\r\n\r\n" + body), body.size());
  EXPECT_EQ(script.GetText(), "[A]\r\na=1\r\nx=2\r\ny=3\r\n\r\n\r\n[B]\r\nb=1\r\n\r\n\r\n");
  EXPECT_EQ(SectionLines(script, "A"), (Lines{"a=1", "x=2", "y=3"}));
  EXPECT_EQ(SectionLines(script, "B"), Lines{"b=1"});
}

TEST(InsertSectionTextTest, BodyWithoutFinalLineBreakDoesNotSwallowTheNextHeader) {
  CScriptText script = MakeScript("[A]\r\na=1\r\n[B]\r\nb\r\n");
  EXPECT_EQ(Insert(script, "A", "[A]\r\nz=9"), 5u);
  EXPECT_EQ(SectionLines(script, "A"), (Lines{"a=1", "z=9"}));
  EXPECT_EQ(SectionLines(script, "B"), Lines{"b"});
  // A body ending in a lone CR gets its LF.
  EXPECT_EQ(Insert(script, "B", "[B]\r\nc\r"), 3u);
  EXPECT_EQ(SectionLines(script, "B"), (Lines{"b", "c"}));
  EXPECT_TRUE(EndsWithTail(script.GetText()));
}

TEST(InsertSectionTextTest, HeaderOnlyBlockInsertsNothing) {
  CScriptText script = MakeScript("[A]\r\na\r\n");
  const std::string before(script.GetText());
  EXPECT_EQ(Insert(script, "A", "[A]\r\n\r\n"), 0u);
  EXPECT_EQ(Insert(script, "A", "[A]"), 0u);
  EXPECT_EQ(script.GetText(), before);
}

TEST(InsertSectionTextTest, IntoTheLastSectionOfAFileWithoutFinalLineBreak) {
  CScriptText script = MakeScript("[A]\r\na");
  EXPECT_EQ(Insert(script, "A", "[A]\r\nb\r\n"), 3u);
  EXPECT_EQ(script.GetText(), "[A]\r\na\r\nb\r\n\r\n");
  EXPECT_EQ(SectionLines(script, "A"), (Lines{"a", "b"}));
}

TEST(InsertSectionTextTest, NewSectionIsAppendedWholeAndKeepsTheTail) {
  CScriptText script = MakeScript("[A]\r\na\r\n");
  const std::string block = "[SourceDisksFiles]\r\n\r\n";
  EXPECT_EQ(Insert(script, "SourceDisksFiles", block), block.size());
  EXPECT_TRUE(EndsWithTail(script.GetText()));
  EXPECT_EQ(SectionLines(script, "A"), Lines{"a"});
  ASSERT_NE(script.FindSection("SourceDisksFiles"), 0u);
  EXPECT_EQ(script.NextLine(), "");

  // An empty section takes appended lines right after its header, in order.
  ASSERT_TRUE(script.AppendLine("one.dll=1,,100"));
  ASSERT_TRUE(script.AppendLine("two.dll=1,,200"));
  EXPECT_EQ(SectionLines(script, "SourceDisksFiles"), (Lines{"one.dll=1,,100", "two.dll=1,,200"}));
  EXPECT_TRUE(EndsWithTail(script.GetText()));

  // A block without a final line break still leaves the text ending in the tail.
  EXPECT_EQ(Insert(script, "N", "[N]\r\nn=1"), 8u + 4u);
  EXPECT_TRUE(EndsWithTail(script.GetText()));
  EXPECT_EQ(SectionLines(script, "N"), Lines{"n=1"});
  EXPECT_EQ(SectionLines(script, "SourceDisksFiles").size(), 2u);
}

TEST(InsertSectionTextTest, BlockTakenFromTheSameTextWhileItGrows) {
  const std::string text = "[A]\r\na\r\n[B]\r\nb1\r\nb2\r\n";
  CScriptText script = MakeScript(text, static_cast<std::uint32_t>(text.size() + 4));
  const std::uint32_t length = script.FindSection("B");
  ASSERT_NE(length, 0u);
  const char* block = script.GetText().data() + script.GetSectionStart();
  // The block points into the buffer that the insertion must enlarge.
  // Everything after the header line "[B]\r\n" goes in, the last section's
  // blank line included.
  EXPECT_EQ(script.InsertSectionText("A", block, length), length - 5u);
  EXPECT_EQ(SectionLines(script, "A"), (Lines{"a", "b1", "b2"}));
  // The whole text as the block of a new section: it is appended to itself.
  const std::string before(script.GetText());
  EXPECT_EQ(script.InsertSectionText("Copy", script.GetText().data(), script.GetLength()), before.size());
  EXPECT_EQ(script.GetText(), before + before);
  EXPECT_LE(script.GetLength(), script.GetCapacity());
}

TEST(AppendLineTest, NeedsACurrentSectionAndLandsAfterItsLastLine) {
  CScriptText script = MakeScript("[A]\r\na ; note\r\n\r\n[B]\r\nb\r\n");
  EXPECT_FALSE(script.AppendLine("x"));
  ASSERT_NE(script.FindSection("A"), 0u);
  ASSERT_TRUE(script.AppendLine("x=1"));
  EXPECT_EQ(script.GetText(), "[A]\r\na ; note\r\nx=1\r\n\r\n[B]\r\nb\r\n\r\n\r\n");
  ASSERT_NE(script.FindSection("B"), 0u);
  ASSERT_TRUE(script.AppendLine("c"));
  EXPECT_EQ(SectionLines(script, "B"), (Lines{"b", "c"}));
  EXPECT_TRUE(EndsWithTail(script.GetText()));
}

TEST(AppendLineTest, EditsBeyondTheCapacityGrowTheText) {
  CScriptText script = MakeScript("[List]\r\n", 12);
  ASSERT_EQ(script.GetCapacity(), 12u);
  ASSERT_NE(script.FindSection("List"), 0u);
  Lines expected;
  for (int i = 0; i < 300; ++i) {
    const std::string line = "file" + std::to_string(i) + ".dll=1";
    ASSERT_TRUE(script.AppendLine(line));
    expected.push_back(line);
    ASSERT_LE(script.GetLength(), script.GetCapacity());
  }
  EXPECT_GT(script.GetCapacity(), 12u);
  EXPECT_EQ(SectionLines(script, "List"), expected);
  EXPECT_TRUE(EndsWithTail(script.GetText()));
}

TEST(DeleteSectionTest, FirstMiddleAndLast) {
  const std::string text = "[A]\r\na\r\n[B]\r\nb\r\n[C]\r\nc";
  {
    CScriptText script = MakeScript(text);
    EXPECT_TRUE(script.DeleteSection("a"));
    EXPECT_EQ(script.FindSection("A"), 0u);
    EXPECT_EQ(script.GetText(), "[B]\r\nb\r\n[C]\r\nc\r\n\r\n");
    EXPECT_EQ(SectionLines(script, "C"), Lines{"c"});
  }
  {
    CScriptText script = MakeScript(text);
    EXPECT_TRUE(script.DeleteSection("B"));
    EXPECT_EQ(SectionLines(script, "A"), Lines{"a"});
    EXPECT_EQ(script.FindSection("B"), 0u);
    EXPECT_EQ(SectionLines(script, "C"), Lines{"c"});
  }
  {
    CScriptText script = MakeScript(text);
    EXPECT_TRUE(script.DeleteSection("C"));
    EXPECT_EQ(script.GetText(), "[A]\r\na\r\n[B]\r\nb\r\n\r\n");
    EXPECT_EQ(SectionLines(script, "B"), Lines{"b"});
    EXPECT_FALSE(script.DeleteSection("C"));
  }
  {
    // The last section ending in a bare LF: the tail is put back.
    CScriptText script = MakeScript("[A]\na\n[B]\nb\n");
    EXPECT_TRUE(script.DeleteSection("B"));
    EXPECT_TRUE(EndsWithTail(script.GetText()));
    EXPECT_TRUE(script.DeleteSection("A"));
    EXPECT_TRUE(EndsWithTail(script.GetText()));
    EXPECT_EQ(script.NextSectionName(), "");
  }
  {
    CScriptText script = MakeScript("[Only]\r\nx");
    EXPECT_TRUE(script.DeleteSection("Only"));
    EXPECT_EQ(script.GetText(), "\r\n\r\n");
    EXPECT_EQ(Insert(script, "New", "[New]\r\nn\r\n"), 10u + 2u);
    EXPECT_EQ(SectionLines(script, "New"), Lines{"n"});
  }
}

TEST(DeleteSectionTest, RemovesTheFirstOfDuplicatesAndForgetsTheCurrentSection) {
  CScriptText script = MakeScript("[A]\r\n1\r\n[B]\r\n[A]\r\n2\r\n");
  ASSERT_NE(script.FindSection("A"), 0u);
  EXPECT_TRUE(script.DeleteSection("A"));
  EXPECT_FALSE(script.HasCurrentSection());
  EXPECT_EQ(script.GetCurrentSectionName(), "");
  EXPECT_EQ(script.NextLine(), "");
  EXPECT_FALSE(script.AppendLine("x"));
  EXPECT_EQ(SectionLines(script, "A"), Lines{"2"});
  EXPECT_FALSE(script.DeleteSection("Missing"));
  EXPECT_FALSE(script.DeleteSection(""));
}

TEST(DeleteSectionTest, SectionWalkGoesOnAfterDeletingTheReturnedSection) {
  CScriptText script = MakeScript("[Keep1]\r\n[Drop]\r\nx\r\n[Keep2]\r\n[Drop2]\r\n");
  Lines kept;
  for (std::string name = script.NextSectionName(); !name.empty(); name = script.NextSectionName()) {
    if (name.rfind("Drop", 0) == 0) {
      ASSERT_TRUE(script.DeleteSection(name));
    } else {
      kept.push_back(name);
    }
  }
  EXPECT_EQ(kept, (Lines{"Keep1", "Keep2"}));
  EXPECT_EQ(script.GetText(), "[Keep1]\r\n[Keep2]\r\n\r\n");
}

TEST(EditCursorTest, LineCursorFollowsInsertionsBeforeAndInsideTheCurrentSection) {
  CScriptText script = MakeScript("[A]\r\na1\r\n[B]\r\nb1\r\nb2\r\nb3\r\n");
  ASSERT_NE(script.FindSection("B"), 0u);
  ASSERT_EQ(script.NextLine(), "b1");

  // Text inserted in front of the current section moves it.
  ASSERT_EQ(Insert(script, "A", "[A]\r\na2\r\na3\r\n"), 8u);
  EXPECT_EQ(script.GetText().substr(script.GetSectionStart(), 3), "[B]");
  EXPECT_EQ(script.NextLine(), "b2");

  // A line appended while iterating is reached at the end.
  ASSERT_TRUE(script.AppendLine("b4"));
  EXPECT_EQ(script.NextLine(), "b3");
  EXPECT_EQ(script.NextLine(), "b4");
  EXPECT_EQ(script.NextLine(), "");
  EXPECT_EQ(SectionLines(script, "A"), (Lines{"a1", "a2", "a3"}));
}

TEST(EditCursorTest, HeaderInsideAnInsertedBodyShortensTheCurrentSection) {
  CScriptText script = MakeScript("[A]\r\na\r\n\r\n[B]\r\nb\r\n");
  ASSERT_NE(script.FindSection("A"), 0u);
  ASSERT_NE(Insert(script, "A", "[A]\r\nnew\r\n[Z]\r\nz\r\n"), 0u);
  // Same name: no scan, so the remembered extent must already be right.
  EXPECT_EQ(SectionLines(script, "A"), (Lines{"a", "new"}));
  EXPECT_EQ(SectionLines(script, "Z"), Lines{"z"});
  EXPECT_EQ(SectionLines(script, "B"), Lines{"b"});
}

TEST(EditCursorTest, SectionWalkSeesSectionsAppendedDuringIt) {
  CScriptText script = MakeScript("[A]\r\n[B]\r\n");
  EXPECT_EQ(script.NextSectionName(), "A");
  EXPECT_EQ(script.NextSectionName(), "B");
  ASSERT_NE(Insert(script, "C", "[C]\r\nc\r\n"), 0u);
  ASSERT_NE(Insert(script, "A", "[A]\r\na\r\n"), 0u);  // shifts everything after A
  EXPECT_EQ(script.NextSectionName(), "C");
  EXPECT_EQ(script.NextSectionName(), "");
}

}  // namespace
