// Section search on scripts with thousands of sections must give exactly what
// a plain scan of the text gives, whatever path the search takes inside.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "script/script_line.h"
#include "script/script_section.h"
#include "script/script_text.h"
#include "script_test_support.h"

namespace {

using script_test::MakeScript;
using script_test::ReferenceFind;

class SectionIndexTest : public ::testing::Test {};

// A script of many sections with repeated names in differing case, lookalike
// headers that must not match, and comments, built from a fixed seed.
std::string GenerateScript(std::vector<std::string>& names) {
  std::mt19937 random(12345);
  std::string text = "; generated\r\n";
  for (int i = 0; i < 3000; ++i) {
    std::string name = "Section" + std::to_string(i % 2200);  // the tail repeats earlier names
    if (random() % 3 == 0) {
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    switch (random() % 10) {
      case 0: text += "[" + name + ".ENU]\r\n"; break;
      case 1: text += " [" + name + "]\r\n"; break;
      case 2: text += "[" + name + "] ; note\r\n"; break;
      case 3: text += "[" + name + "\r\n"; break;
      default: text += "[" + name + "]\r\n"; break;
    }
    for (unsigned line = 0; line < random() % 4; ++line) {
      text += "key" + std::to_string(line) + " = value, " + std::to_string(i) + "\r\n";
    }
    if (random() % 5 == 0) text += "\r\n";
    names.push_back(name);
  }
  text += "[a]b]\r\nodd\r\n";
  names.insert(names.end(), {"a]b", "a", "Missing", "section1.enu", "SECTION17.ENU"});
  return text;
}

void ExpectSameAsReference(CScriptText& script, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    const script_test::ReferenceHit expected = ReferenceFind(script.GetText(), name);
    // Move away first, so no search is answered from the current section.
    script.FindSection("Section0");
    const std::uint32_t length = script.FindSection(name);
    if (!expected.found) {
      ASSERT_EQ(length, 0u) << name;
      continue;
    }
    ASSERT_EQ(length, expected.length) << name;
    ASSERT_EQ(script.GetSectionStart(), expected.start) << name;
  }
}

TEST_F(SectionIndexTest, RepeatedSearchesFindTheFirstMatchingHeader) {
  std::vector<std::string> names;
  CScriptText script = MakeScript(GenerateScript(names));
  ExpectSameAsReference(script, names);
}

TEST_F(SectionIndexTest, SearchesStayExactAcrossEdits) {
  std::vector<std::string> names;
  CScriptText script = MakeScript(GenerateScript(names));
  ExpectSameAsReference(script, names);
  ASSERT_TRUE(script.DeleteSection("Section5"));
  const std::string block = "[Section5]\r\nmoved=1\r\n";
  ASSERT_NE(script.InsertSectionText("Section5", block.data(), static_cast<std::uint32_t>(block.size())), 0u);
  // A new header in front of existing ones takes over their name.
  const std::string early = "[Section1]\r\nx\r\n[SECTION2100]\r\nfirst=1\r\n";
  ASSERT_NE(script.InsertSectionText("Section1", early.data(), static_cast<std::uint32_t>(early.size())), 0u);
  ExpectSameAsReference(script, names);
}

TEST_F(SectionIndexTest, DoubleByteNamesFollowTheCodePage) {
  const std::string text = "[Other]\r\n[\x82\x61]\r\nlower\r\n[\x82\x41]\r\nupper\r\n";
  CScriptText script = MakeScript(text);
  const auto lower = static_cast<std::uint32_t>(text.find("[\x82\x61]"));
  const auto upper = static_cast<std::uint32_t>(text.find("[\x82\x41]"));
  for (int round = 0; round < 2; ++round) {  // the second round answers from the index
    script.SetCodePage(1252);
    script.FindSection("Other");
    ASSERT_NE(script.FindSection("\x82\x41"), 0u);
    EXPECT_EQ(script.GetSectionStart(), lower);
    script.SetCodePage(932);
    script.FindSection("Other");
    ASSERT_NE(script.FindSection("\x82\x41"), 0u);
    EXPECT_EQ(script.GetSectionStart(), upper);
    EXPECT_EQ(script.NextLine(), "upper");
  }
}

// Random edits, each followed by searches, in the merging pattern and in
// runs of edits: the index must never answer from a text that has changed.
TEST_F(SectionIndexTest, RandomEditsKeepSearchesExact) {
  std::vector<std::string> names;
  CScriptText script = MakeScript(GenerateScript(names));
  std::mt19937 random(777);
  for (int step = 0; step < 150; ++step) {
    const std::string& name = names[random() % names.size()];
    switch (random() % 4) {
      case 0: script.DeleteSection(name); break;
      case 1: {
        const std::string block = "[" + name + "]\r\nadded" + std::to_string(step) + "=1\r\n";
        script.InsertSectionText(name, block.data(), static_cast<std::uint32_t>(block.size()));
        break;
      }
      case 2:
        if (script.FindSection(name) != 0) script.AppendLine("[Section" + std::to_string(random() % 2200) + "]");
        break;
      default: break;
    }
    for (int probe = 0; probe < 3; ++probe) {
      const std::string& wanted = names[random() % names.size()];
      const script_test::ReferenceHit expected = ReferenceFind(script.GetText(), wanted);
      script.FindSection("Section0");
      const std::uint32_t length = script.FindSection(wanted);
      ASSERT_EQ(length != 0, expected.found) << wanted << " after step " << step;
      if (!expected.found) continue;
      ASSERT_EQ(length, expected.length) << wanted << " after step " << step;
      ASSERT_EQ(script.GetSectionStart(), expected.start) << wanted << " after step " << step;
    }
  }
}

// The key a plain walk over the lines finds first.
std::string ReferenceFindKey(const CScriptSection& section, std::string_view key, unsigned codePage) {
  for (const std::string& line : section.GetLines()) {
    if (EqualNoCase(GetKey(line), key, codePage)) return line;
  }
  return {};
}

// Keys in differing case, repeated, with markers, double-byte characters
// and empty keys, looked up in both code pages, by an object that has read
// other sections before.
TEST(KeyIndexTest, LookupsMatchAPlainWalk) {
  std::mt19937 random(4242);
  const std::vector<std::string> stems = {"File", "FILE", "file", "k@@Equal@@v", "x@", "\x82\x61", "\x82\x41",
                                          "Name ", " name", "a@,b", "", "@@Komma@@"};
  auto makeKey = [&] { return stems[random() % stems.size()] + std::to_string(random() % 40); };
  std::string text = "[Keys]\r\n";
  std::vector<std::string> wanted;
  for (int i = 0; i < 600; ++i) {
    const std::string key = makeKey();
    text += key + (random() % 4 == 0 ? "" : " = value" + std::to_string(i)) + "\r\n";
    wanted.push_back(key);
  }
  for (int i = 0; i < 100; ++i) wanted.push_back(makeKey());
  wanted.insert(wanted.end(), {"", "k=v0", "x@1", "FILE.", "a@,b3"});
  CScriptText script = MakeScript(text + "[Other]\r\nfile7 = other\r\nFILE7 = later\r\n");
  for (unsigned codePage : {1252u, 932u}) {
    script.SetCodePage(codePage);
    CScriptSection section;
    ASSERT_TRUE(section.Read(script, "Keys"));
    for (int round = 0; round < 2; ++round) {
      for (const std::string& key : wanted) {
        ASSERT_EQ(section.FindKey(key), ReferenceFindKey(section, key, codePage)) << key << " in " << codePage;
      }
      // The same object read again from another section answers from that one.
      ASSERT_TRUE(section.Read(script, round == 0 ? "Other" : "Keys"));
      EXPECT_EQ(section.FindKey("FILE7"), ReferenceFindKey(section, "FILE7", codePage));
    }
  }
}

}  // namespace
