// The [Pages] section of winsim's answers file and the actions it is made of.
#include <gtest/gtest.h>

#include "answers.h"
#include "support/temp_machine.h"
#include "ui/headless/page_actions.h"
#include "winsim_commands.h"

namespace {

namespace fs = std::filesystem;
using ui::PageAction;

class PagesSectionTest : public ::testing::Test {
 protected:
  void SetUp() override { m_dir = testing_support::MakeTempFolder("winsim-pages-"); }
  void TearDown() override { fs::remove_all(m_dir); }
  std::optional<winsim::Answers> Load(const std::string& text, std::string& error) {
    testing_support::WriteHostFile(m_dir / "answers.ini", text);
    return winsim::Answers::Load((m_dir / "answers.ini").string(), error);
  }
  fs::path m_dir;
};

std::vector<std::string> Written(const std::optional<std::vector<PageAction>>& actions) {
  std::vector<std::string> out;
  if (actions) {
    for (const PageAction& a : *actions) out.push_back(a.ToString());
  }
  return out;
}

TEST_F(PagesSectionTest, EachWaitOfAPageTakesItsNextLine) {
  std::string error;
  auto answers = Load(
      "; a scripted run\n"
      "[Messages]\n"
      "1094=No\n"
      "[Pages]\n"
      "language = click 10, NEXT\n"
      "type = text 1009 C:\\TOOLS, click 0x3EA\n"
      "readme = back\n"
      "213 = browse \"D:\\A, B\", click 1010, next\n"
      "Custom = select 1012 2, text 1009 \"say \"\"hi\"\", twice\", next\n",
      error);
  ASSERT_TRUE(answers) << error;
  ui::PageAnswers& pages = answers->Pages();
  EXPECT_EQ(Written(pages.NextWait(129)), (std::vector<std::string>{"click 10", "next"}));
  EXPECT_EQ(Written(pages.NextWait(213)), (std::vector<std::string>{"text 1009 \"C:\\TOOLS\"", "click 1002"}));
  EXPECT_EQ(Written(pages.NextWait(213)),
            (std::vector<std::string>{"browse \"D:\\A, B\"", "click 1010", "next"}))
      << "a name and a number of the same page are one page";
  EXPECT_FALSE(pages.NextWait(213)) << "the last wait does not repeat";
  EXPECT_EQ(Written(pages.NextWait(209)), (std::vector<std::string>{"back"}));
  const auto custom = pages.NextWait(132);
  ASSERT_TRUE(custom);
  EXPECT_EQ((*custom)[0].row, 2);
  EXPECT_EQ((*custom)[1].text, "say \"hi\", twice");
  EXPECT_FALSE(pages.NextWait(211));
  EXPECT_EQ(answers->NextMessageAnswer(1094), IDNO) << "the messages are still answered";
}

TEST_F(PagesSectionTest, MalformedLinesAreRefusedWithTheirPlace) {
  struct Case {
    const char* text;
    const char* says;
  };
  for (const Case& c : {
           Case{"[Pages]\nlangauge = next\n", "line 2: [Pages] 'langauge' is not a page"},
           Case{"[Messages]\n1094=No\n\n[Pages]\ntype = clik 1002\n",
                "line 5: [Pages] type: 'clik 1002' is not an action"},
           Case{"[Pages]\ntype = click\n", "needs a control ID"},
           Case{"[Pages]\ntype = click abc\n", "needs a control ID"},
           Case{"[Pages]\ntype = click 70000\n", "needs a control ID"},
           Case{"[Pages]\ntype = click 1002 now\n", "takes only a control ID"},
           Case{"[Pages]\ntype = next please\n", "takes nothing after 'next'"},
           Case{"[Pages]\ntype = next,, back\n", "an empty action"},
           Case{"[Pages]\ntype =\n", "an empty action"},
           Case{"[Pages]\ntype = text 1009 \"C:\\TOOLS\n", "no closing quote"},
           Case{"[Pages]\ntype = text 1009 \"A\" B\n", "text follows the closing quote"},
           Case{"[Pages]\ncustom = select 1012\n", "needs a row number"},
           Case{"[Pages]\ntype = browse\n", "needs a folder or 'cancel'"},
           Case{"[Pages]\n0 = next\n", "'0' is not a page"},
           Case{"[Pages]\nnext\n", "line 2: expected 'key=value'"},
       }) {
    std::string error;
    EXPECT_FALSE(Load(c.text, error)) << c.text;
    EXPECT_NE(error.find("answers.ini"), std::string::npos) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

TEST_F(PagesSectionTest, WinsimRefusesARunWithAMalformedAnswersFile) {
  const std::string machine = (m_dir / "m").string();
  std::ostringstream out, err;
  ASSERT_EQ(winsim::RunCommand({"new", machine}, out, err), 0);
  testing_support::WriteHostFile(m_dir / "answers.ini", "[Pages]\nreadme = scroll down\n");
  EXPECT_EQ(winsim::RunCommand({"run", machine, "D:\\SETUP.EXE", "--answers", (m_dir / "answers.ini").string()}, out,
                               err),
            1);
  EXPECT_NE(err.str().find("line 2: [Pages] readme: 'scroll down' is not an action"), std::string::npos) << err.str();
}

TEST(PageNames, NamesAndNumbers) {
  EXPECT_EQ(ui::PageTemplateOf("TYPE"), 213u);
  EXPECT_EQ(ui::PageTemplateOf(" progress "), 210u);
  EXPECT_EQ(ui::PageTemplateOf("216"), 216u) << "any dialog by its number";
  EXPECT_FALSE(ui::PageTemplateOf("types"));
  EXPECT_FALSE(ui::PageTemplateOf("65536"));
  EXPECT_STREQ(ui::PageName(129), "language");
  EXPECT_STREQ(ui::PageName(212), "choose");
  EXPECT_EQ(ui::PageName(300), nullptr);
  EXPECT_STREQ(ui::PageName(216), "devices");
  EXPECT_EQ(ui::PageTemplateOf("Version-Conflict"), 142u) << "dialogs by name";
  EXPECT_EQ(ui::AnswerTemplateOf(217), 216u) << "the two display choices share their answers";
}

}  // namespace
