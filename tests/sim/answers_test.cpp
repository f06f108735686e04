#include <gtest/gtest.h>

#include <sstream>

#include "answers.h"
#include "outcome.h"
#include "support/temp_machine.h"
#include "winsim_commands.h"

namespace fs = std::filesystem;
using testing_support::MakeTempFolder;
using testing_support::WriteHostFile;

namespace {

class AnswersTest : public ::testing::Test {
 protected:
  void SetUp() override { m_dir = MakeTempFolder("winsim-answers-"); }
  void TearDown() override { fs::remove_all(m_dir); }
  std::optional<winsim::Answers> Load(const std::string& text, std::string& error) {
    WriteHostFile(m_dir / "answers.ini", text);
    return winsim::Answers::Load((m_dir / "answers.ini").string(), error);
  }
  fs::path m_dir;
};

TEST_F(AnswersTest, AnswersComeInOrderAndTheLastRepeats) {
  std::string error;
  auto answers = Load("[Messages]\n1094=No, yes\n1089=OK\n", error);
  ASSERT_TRUE(answers) << error;
  EXPECT_EQ(answers->NextMessageAnswer(1094), IDNO);
  EXPECT_EQ(answers->NextMessageAnswer(1094), IDYES);
  EXPECT_EQ(answers->NextMessageAnswer(1094), IDYES);
  EXPECT_EQ(answers->NextMessageAnswer(1089), IDOK);
  EXPECT_EQ(answers->NextMessageAnswer(1085), std::nullopt);
}

TEST_F(AnswersTest, MalformedFilesAreRefused) {
  for (const char* text : {"[Messages]\nabc=OK\n", "[Messages]\n1094=Maybe\n", "[Messages]\n1094=\n",
                           "[Messages]\n1094=OK,,No\n", "1094=OK\n"}) {
    std::string error;
    EXPECT_FALSE(Load(text, error)) << text;
    EXPECT_NE(error.find("answers.ini"), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(winsim::Answers::Load((m_dir / "none.ini").string(), error));
}

TEST(TerminalTest, APersonAnswers) {
  platform::MessageBoxRequest request;
  request.messageId = 1094;
  request.caption = "Setup";
  request.text = "Drive C: is full. Go on?";
  request.type = MB_YESNO | MB_ICONERROR;
  std::ostringstream out;
  std::istringstream no("n\n");
  EXPECT_EQ(winsim::AskAtTerminal(request, no, out), IDNO);
  EXPECT_NE(out.str().find("Drive C: is full."), std::string::npos);
  std::istringstream empty("\n");
  EXPECT_EQ(winsim::AskAtTerminal(request, empty, out), IDYES) << "an empty line takes the default";
  std::istringstream retry("maybe\nNo\n");
  EXPECT_EQ(winsim::AskAtTerminal(request, retry, out), IDNO) << "a word that is no button asks again";
  std::istringstream closed("");
  EXPECT_EQ(winsim::AskAtTerminal(request, closed, out), IDYES) << "no more input: the default";
  request.type = MB_OK;
  std::istringstream yes("yes\nok\n");
  EXPECT_EQ(winsim::AskAtTerminal(request, yes, out), IDOK) << "only the box's own buttons";
}

class WinsimAnswersTest : public AnswersTest {};

TEST_F(WinsimAnswersTest, RunsTakeTheirAnswersFromFileOrTerminal) {
  const std::string machine = (m_dir / "m").string();
  std::ostringstream out, err;
  ASSERT_EQ(winsim::RunCommand({"new", machine}, out, err), 0);

  // A run that fails its preparation shows message 1084; a person answers it.
  std::istringstream person("\n");
  std::ostringstream shown;
  ASSERT_EQ(winsim::RunCommand({"run", machine, "D:\\SETUP.EXE"}, shown, err, {&person, true}), winsim::kRunNotPrepared);
  EXPECT_NE(shown.str().find("message 1084"), std::string::npos);
  EXPECT_NE(shown.str().find("Answer OK [OK]"), std::string::npos) << shown.str();

  // An unattended run never waits for the person.
  std::istringstream nobody("");
  std::ostringstream quiet;
  ASSERT_EQ(winsim::RunCommand({"run", machine, "D:\\SETUP.EXE", "/M"}, quiet, err, {&nobody, true}),
            winsim::kRunNotPrepared);
  EXPECT_EQ(quiet.str().find("Answer"), std::string::npos) << quiet.str();
  EXPECT_NE(quiet.str().find("message 1084 \"D:\\SETUP.INF\" -> OK"), std::string::npos) << quiet.str();

  WriteHostFile(m_dir / "bad.ini", "[Messages]\n1084=Perhaps\n");
  std::ostringstream badErr;
  EXPECT_EQ(winsim::RunCommand({"run", machine, "D:\\SETUP.EXE", "--answers", (m_dir / "bad.ini").string()}, out,
                               badErr),
            1);
  EXPECT_NE(badErr.str().find("Perhaps"), std::string::npos);
  EXPECT_EQ(winsim::RunCommand({"run", machine, "D:\\SETUP.EXE", "--answers"}, out, err), 2);
}

}  // namespace
