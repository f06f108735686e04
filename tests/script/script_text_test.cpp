#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "script/script_section.h"
#include "script/script_text.h"
#include "script_test_support.h"

namespace {

using script_test::EndsWithTail;
using script_test::MakeScript;
using script_test::SectionLines;
using Lines = std::vector<std::string>;

using ScriptLoadTest = script_test::ScriptFileTest;

TEST_F(ScriptLoadTest, SizesFollowTheFileAndTheRequestedCapacity) {
  const std::string file = "[Version]\r\nSignature=$Chicago$\r\n";
  fs.files["C:\\SETUP.INF"] = file;
  const auto fileLength = static_cast<std::uint32_t>(file.size());

  CScriptText script;
  ASSERT_TRUE(script.Load(fs, "C:\\SETUP.INF"));
  EXPECT_EQ(script.GetPath(), "C:\\SETUP.INF");
  EXPECT_EQ(script.GetLength(), fileLength + 4);
  EXPECT_EQ(script.GetCapacity(), fileLength + 1000);
  EXPECT_EQ(script.GetText(), file + "\r\n\r\n");

  ASSERT_TRUE(script.Load(fs, "C:\\SETUP.INF", 200000));
  EXPECT_EQ(script.GetCapacity(), 200000u);
  // A requested capacity below the text is raised to fit it.
  ASSERT_TRUE(script.Load(fs, "C:\\SETUP.INF", 5));
  EXPECT_EQ(script.GetCapacity(), fileLength + 4);
  EXPECT_LE(script.GetLength(), script.GetCapacity());

  ASSERT_TRUE(script.SaveAs(fs, "C:\\COPY.INF"));
  EXPECT_EQ(script.GetPath(), "C:\\COPY.INF");
  EXPECT_EQ(fs.files["C:\\COPY.INF"].size(), file.size() + 4);
  EXPECT_EQ(fs.files["C:\\COPY.INF"], script.GetText());
  // Save writes back to the path of the last load or save.
  EXPECT_FALSE(script.AppendLine("x"));  // no current section after a load
  ASSERT_EQ(script.FindSection("Version"), script.GetLength() - 2);
  ASSERT_TRUE(script.AppendLine("Provider=Test"));
  ASSERT_TRUE(script.Save(fs));
  EXPECT_EQ(fs.files["C:\\COPY.INF"], script.GetText());
  EXPECT_EQ(fs.files["C:\\SETUP.INF"], file);
}

TEST_F(ScriptLoadTest, EmptyFileLoadsAsTheTailOnly) {
  fs.files["E.INF"] = "";
  CScriptText script;
  ASSERT_TRUE(script.Load(fs, "E.INF"));
  EXPECT_EQ(script.GetText(), "\r\n\r\n");
  EXPECT_EQ(script.GetCapacity(), 1000u);
  EXPECT_EQ(script.FindSection("A"), 0u);
  EXPECT_EQ(script.NextSectionName(), "");
}

TEST_F(ScriptLoadTest, FailedLoadLeavesNothingBehind) {
  fs.files["OLD.INF"] = "[Old]\r\nx=1\r\n";
  CScriptText script;
  ASSERT_TRUE(script.Load(fs, "OLD.INF"));
  ASSERT_NE(script.FindSection("Old"), 0u);

  EXPECT_FALSE(script.Load(fs, "MISSING.INF"));
  EXPECT_EQ(script.GetLength(), 0u);
  EXPECT_EQ(script.GetText(), "");
  EXPECT_FALSE(script.HasCurrentSection());
  EXPECT_EQ(script.FindSection("Old"), 0u);
  EXPECT_EQ(script.NextLine(), "");
  EXPECT_EQ(script.NextSectionName(), "");
  // Nothing to save: the stale text must not be written anywhere.
  EXPECT_FALSE(script.SaveAs(fs, "OUT.INF"));
  EXPECT_EQ(fs.files.count("OUT.INF"), 0u);
}

TEST_F(ScriptLoadTest, SaveFailures) {
  CScriptText never;
  EXPECT_FALSE(never.SaveAs(fs, "A.INF"));

  CScriptText fromMemory = MakeScript("[A]\r\n");
  EXPECT_FALSE(fromMemory.Save(fs));  // no path yet

  fs.refuseWrites = true;
  EXPECT_FALSE(fromMemory.SaveAs(fs, "B.INF"));
  EXPECT_EQ(fs.files.count("B.INF"), 0u);
  fs.refuseWrites = false;
  EXPECT_TRUE(fromMemory.SaveAs(fs, "B.INF"));
}

TEST(ScriptHeaderTest, NamesMatchWithoutRegardToCaseAndOnlyInExactForm) {
  CScriptText lower = MakeScript("[strings]\r\na=1\r\n");
  EXPECT_NE(lower.FindSection("Strings"), 0u);
  CScriptText upper = MakeScript("[STRINGS] trailing text\r\na=1\r\n");
  EXPECT_NE(upper.FindSection("Strings"), 0u);
  EXPECT_EQ(SectionLines(upper, "Strings"), Lines{"a=1"});

  CScriptText spaced = MakeScript("[ Strings]\r\na=1\r\n [Strings]\r\nb=2\r\n[Strings ]\r\n[Strings.ENU]\r\nc=3\r\n");
  EXPECT_EQ(spaced.FindSection("Strings"), 0u);
  EXPECT_FALSE(spaced.HasCurrentSection());
  EXPECT_NE(spaced.FindSection("Strings.ENU"), 0u);
  EXPECT_NE(spaced.FindSection(" Strings"), 0u);
  // A '[' after a lone CR does not start a line for headers.
  CScriptText crOnly = MakeScript("x\r[B]\r\ny\r\n");
  EXPECT_EQ(crOnly.FindSection("B"), 0u);
  // "[]" cannot be found by an empty name.
  CScriptText empty = MakeScript("[]\r\nx\r\n");
  EXPECT_EQ(empty.FindSection(""), 0u);
}

TEST(ScriptHeaderTest, SectionExtentAndLength) {
  const std::string text = "[A]\r\nx\r\n[B]\r\ny";
  CScriptText script = MakeScript(text);
  const std::string_view loaded = script.GetText();
  EXPECT_EQ(script.FindSection("A"), loaded.find("[B]"));
  EXPECT_EQ(script.GetSectionStart(), 0u);
  // The last section runs to two bytes before the end of the text.
  const auto bStart = static_cast<std::uint32_t>(loaded.find("[B]"));
  EXPECT_EQ(script.FindSection("B"), script.GetLength() - 2 - bStart);
  EXPECT_EQ(script.GetSectionStart(), bStart);
  EXPECT_EQ(script.GetCurrentSectionName(), "B");
}

TEST(ScriptHeaderTest, AnyLineStartingWithBracketEndsASection) {
  CScriptText script = MakeScript("[A]\r\nx\r\n[oops\r\ny\r\n[B]\r\nz\r\n");
  EXPECT_EQ(SectionLines(script, "A"), Lines{"x"});
  EXPECT_EQ(SectionLines(script, "B"), Lines{"z"});
  // An indented bracket is an ordinary line.
  CScriptText indented = MakeScript("[A]\r\nx\r\n  [B]\r\ny\r\n");
  EXPECT_EQ(SectionLines(indented, "A"), (Lines{"x", "[B]", "y"}));
}

TEST(ScriptHeaderTest, DuplicateSectionsAreReadFromTheFirstOnly) {
  CScriptText script = MakeScript("[A]\r\n1\r\n[B]\r\n2\r\n[a]\r\n3\r\n");
  EXPECT_EQ(SectionLines(script, "A"), Lines{"1"});
  script.FindSection("B");
  EXPECT_EQ(SectionLines(script, "a"), Lines{"1"});
  EXPECT_EQ(script.GetSectionStart(), 0u);
}

TEST(ScriptLineIterationTest, LinesAreLeftTrimmedAndBlankLinesSkipped) {
  CScriptText script = MakeScript("[A]\r\n  one  \r\n\r\n \t \r\n\ttwo\nthree\rfour\n\n[B]\r\nb\r\n");
  ASSERT_NE(script.FindSection("A"), 0u);
  EXPECT_EQ(script.NextLine(), "one  ");
  EXPECT_EQ(script.NextLine(), "two");
  EXPECT_EQ(script.NextLine(), "three");
  EXPECT_EQ(script.NextLine(), "four");
  EXPECT_EQ(script.NextLine(), "");
  EXPECT_EQ(script.NextLine(), "");  // stays at the end

  // Searching the current section again restarts it without a scan.
  ASSERT_NE(script.FindSection("a"), 0u);
  EXPECT_EQ(script.GetCurrentSectionName(), "A");
  EXPECT_EQ(script.NextLine(), "one  ");
}

TEST(ScriptLineIterationTest, FailedSearchKeepsTheSectionAndRestartsItsLines) {
  CScriptText script = MakeScript("[A]\r\n1\r\n2\r\n");
  EXPECT_EQ(script.NextLine(), "");  // no section yet
  ASSERT_NE(script.FindSection("A"), 0u);
  EXPECT_EQ(script.NextLine(), "1");
  EXPECT_EQ(script.FindSection("Missing"), 0u);
  EXPECT_TRUE(script.HasCurrentSection());
  EXPECT_EQ(script.GetCurrentSectionName(), "A");
  EXPECT_EQ(script.NextLine(), "1");
}

TEST(ScriptSectionIterationTest, WalksEveryHeaderInOrderIncludingDuplicates) {
  CScriptText script = MakeScript("; top\r\n[A]\r\na\r\n[B]\r\n[]\r\n[no bracket\r\n[a]\r\nsecond\r\n[C] x\r\n");
  EXPECT_EQ(script.NextSectionName(), "A");
  EXPECT_EQ(script.NextSectionName(), "B");
  // The empty and unclosed headers are skipped; the duplicate is returned
  // by its own spelling while the first section of the name is current.
  EXPECT_EQ(script.NextSectionName(), "a");
  EXPECT_EQ(script.GetCurrentSectionName(), "a");
  EXPECT_EQ(script.GetSectionStart(), script.GetText().find("[A]"));
  // Reading the returned section does not send the walk back.
  CScriptSection section;
  EXPECT_TRUE(section.Read(script, "a"));
  EXPECT_EQ(section.GetLines(), Lines{"a"});
  EXPECT_EQ(script.NextSectionName(), "C");
  EXPECT_EQ(script.NextSectionName(), "");
  EXPECT_EQ(script.NextSectionName(), "");
  EXPECT_EQ(script.GetCurrentSectionName(), "C");
}

TEST(ScriptSectionIterationTest, ContinuesAfterTheSectionFoundBySearch) {
  CScriptText script = MakeScript("[A]\r\n[B]\r\n[C]\r\n[D]\r\n");
  ASSERT_NE(script.FindSection("B"), 0u);
  EXPECT_EQ(script.NextSectionName(), "C");
  EXPECT_EQ(script.NextSectionName(), "D");
  EXPECT_EQ(script.NextSectionName(), "");
}

TEST(ScriptCopyTest, CopyCarriesTextCapacityPathAndCursor) {
  CScriptText original = MakeScript("[A]\r\n1\r\n2\r\n3\r\n[B]\r\nb\r\n", 300);
  ASSERT_NE(original.FindSection("A"), 0u);
  ASSERT_EQ(original.NextLine(), "1");

  CScriptText copy(original);
  EXPECT_EQ(copy.GetText(), original.GetText());
  EXPECT_NE(copy.GetText().data(), original.GetText().data());
  EXPECT_EQ(copy.GetCapacity(), 300u);
  EXPECT_EQ(copy.GetCurrentSectionName(), "A");
  EXPECT_EQ(copy.GetSectionStart(), original.GetSectionStart());
  EXPECT_EQ(copy.NextLine(), "2");
  EXPECT_EQ(original.NextLine(), "2");

  // The copies are independent.
  ASSERT_TRUE(copy.AppendLine("4"));
  EXPECT_EQ(SectionLines(original, "A"), (Lines{"1", "2", "3"}));
  EXPECT_EQ(SectionLines(copy, "A"), (Lines{"1", "2", "3", "4"}));

  CScriptText assigned = MakeScript("[Other]\r\n");
  assigned = copy;
  EXPECT_EQ(assigned.GetText(), copy.GetText());
  EXPECT_EQ(assigned.GetCapacity(), copy.GetCapacity());
  EXPECT_EQ(assigned.NextSectionName(), "B");
}

TEST(ScriptCopyTest, MovedFromTextIsEmptyAndUsable) {
  CScriptText source = MakeScript("[A]\r\na\r\n");
  ASSERT_NE(source.FindSection("A"), 0u);
  CScriptText target(std::move(source));
  EXPECT_EQ(SectionLines(target, "A"), Lines{"a"});
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is what is tested
  EXPECT_EQ(source.GetLength(), 0u);
  EXPECT_EQ(source.GetText(), "");
  EXPECT_FALSE(source.HasCurrentSection());
  EXPECT_EQ(source.NextSectionName(), "");
  source = std::move(target);
  EXPECT_EQ(SectionLines(source, "A"), Lines{"a"});
}

TEST_F(ScriptLoadTest, CopyCarriesThePath) {
  fs.files["P.INF"] = "[A]\r\n";
  CScriptText original;
  ASSERT_TRUE(original.Load(fs, "P.INF"));
  CScriptText copy;
  copy = original;
  EXPECT_EQ(copy.GetPath(), "P.INF");
  EXPECT_TRUE(copy.Save(fs));
}

TEST(ScriptLoadLimitTest, RejectsMissingDataAndSizesBeyond32Bits) {
  CScriptText script;
  // The size is refused before any byte is read.
  const char byte = 'x';
  EXPECT_FALSE(script.LoadFromMemory(&byte, std::size_t{0xFFFFFFFFu} - 1003));
  EXPECT_EQ(script.GetLength(), 0u);
  EXPECT_FALSE(script.LoadFromMemory(nullptr, 10));
  EXPECT_TRUE(script.LoadFromMemory(nullptr, 0));
  EXPECT_EQ(script.GetText(), "\r\n\r\n");
}

}  // namespace
