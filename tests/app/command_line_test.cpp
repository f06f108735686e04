#include <gtest/gtest.h>

#include "core/setup_context.h"
#include "support/temp_machine.h"

namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  CSetupContext Parse(const std::string& text) {
    CSetupContext context(m_machine.Interfaces());
    context.SetLanguage(kDefaultLanguage);  // as start-up does before parsing
    context.ParseCommandLine(text);
    return context;
  }
  testing_support::TempMachine m_machine;
};

TEST_F(CommandLineTest, ScriptNameAndRestart) {
  CSetupContext c = Parse("/F:MY.INF /R");
  EXPECT_EQ(c.GetScriptName(), "MY.INF");
  EXPECT_EQ(c.GetFlags(), SF_RESTART_REQUESTED);

  EXPECT_EQ(Parse("/F:").GetScriptName(), "");
  EXPECT_EQ(Parse("/FMY.INF").GetScriptName(), "") << "without the colon no name is taken";
}

TEST_F(CommandLineTest, UnattendedSuffixes) {
  EXPECT_EQ(Parse("/M").GetFlags(), SF_UNATTENDED | SF_HIDDEN | SF_TYPE_FIRST);
  EXPECT_EQ(Parse("/MVE").GetFlags(), SF_UNATTENDED | SF_TYPE_FIRST | SF_QUIET);
  EXPECT_EQ(Parse("/SEV").GetFlags(), SF_UNATTENDED | SF_TYPE_SECOND | SF_QUIET);
  EXPECT_EQ(Parse("-s").GetFlags(), Parse("/S").GetFlags());
  EXPECT_EQ(Parse("/mxe").GetFlags(), SF_UNATTENDED | SF_HIDDEN | SF_TYPE_FIRST | SF_QUIET)
      << "an unknown suffix letter is passed over";
  // Only the two characters after the letter count.
  EXPECT_EQ(Parse("/MXXE").GetFlags(), SF_UNATTENDED | SF_HIDDEN | SF_TYPE_FIRST);
  // A separator stops the look; the option after it is still read.
  EXPECT_EQ(Parse("/M/R").GetFlags(), SF_UNATTENDED | SF_HIDDEN | SF_TYPE_FIRST | SF_RESTART_REQUESTED);
  EXPECT_EQ(Parse("/M V").GetFlags(), SF_UNATTENDED | SF_HIDDEN | SF_TYPE_FIRST);
}

TEST_F(CommandLineTest, IgnoredAndTruncatedOptions) {
  EXPECT_EQ(Parse("/X").GetFlags(), 0u);
  EXPECT_EQ(Parse("/").GetFlags(), 0u);
  EXPECT_EQ(Parse("-").GetFlags(), 0u);
  EXPECT_EQ(Parse("plain words").GetFlags(), 0u);
  EXPECT_EQ(Parse("").GetScriptName(), "");
}

TEST_F(CommandLineTest, Language) {
  CSetupContext german = Parse("/LDEU");
  EXPECT_EQ(german.GetLanguage(), 7);
  EXPECT_EQ(german.GetLanguageCode(), "DEU");
  EXPECT_EQ(german.GetLanguageCount(), 1);

  CSetupContext lower = Parse("/Ldeu");
  EXPECT_EQ(lower.GetLanguage(), kDefaultLanguage);
  EXPECT_EQ(lower.GetLanguageCount(), kLanguageCount) << "no match leaves the count";

  EXPECT_EQ(Parse("/LTHA").GetLanguage(), 18);
  EXPECT_EQ(Parse("/LCHS").GetLanguage(), 0);
  EXPECT_EQ(Parse("/LDE").GetLanguage(), kDefaultLanguage) << "too short to match";
  EXPECT_EQ(Parse("/L").GetLanguage(), kDefaultLanguage);
}

TEST_F(CommandLineTest, ScanGoesOnInsideValues) {
  CSetupContext c = Parse("/F:A-M.INF");
  EXPECT_EQ(c.GetScriptName(), "A-M.INF");
  EXPECT_EQ(c.GetFlags(), SF_UNATTENDED | SF_HIDDEN | SF_TYPE_FIRST);

  // The caller's own options are read as ours too.
  CSetupContext z = Parse("/ZC:\\UTIL\\PANEL.EXE-R");
  EXPECT_EQ(z.GetCallerCmd(), "C:\\UTIL\\PANEL.EXE-R");
  EXPECT_EQ(z.GetFlags(), SF_RESTART_REQUESTED);
}

TEST_F(CommandLineTest, SourceTreeAndCaller) {
  EXPECT_EQ(Parse("/W\"temp\"").GetSourceTreeName(), "\\TEMP\\");
  EXPECT_EQ(Parse("/W\"cd image").GetSourceTreeName(), "\\CD IMAGE\\") << "an unclosed quote runs to the end";
  EXPECT_EQ(Parse("/Wtemp").GetSourceTreeName(), "") << "the value needs its quote";
  EXPECT_EQ(Parse("/ZC:\\APP.EXE /R").GetCallerCmd(), "C:\\APP.EXE");
  EXPECT_EQ(Parse("/Z").GetCallerCmd(), "");
}

TEST_F(CommandLineTest, CombinedUnattendedRun) {
  CSetupContext c = Parse("/S /LFRA /F:SETUP.INF /W\"tmp\" /R");
  EXPECT_EQ(c.GetFlags(), SF_UNATTENDED | SF_HIDDEN | SF_TYPE_SECOND | SF_RESTART_REQUESTED);
  EXPECT_EQ(c.GetLanguageCode(), "FRA");
  EXPECT_EQ(c.GetScriptName(), "SETUP.INF");
  EXPECT_EQ(c.GetSourceTreeName(), "\\TMP\\");
}

}  // namespace
