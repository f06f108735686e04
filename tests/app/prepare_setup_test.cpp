#include <gtest/gtest.h>

#include "app/install_app.h"
#include "app/prepare_setup.h"
#include "support/temp_machine.h"

using testing_support::ReadHostFile;
using testing_support::TempMachine;

namespace {

constexpr const char* kScript = "[Version]\r\nSignature=\"$CHICAGO$\"\r\n[DestinationDirs]\r\nSetup.Copy=Setup\r\n";

class PrepareSetupTest : public ::testing::Test {
 protected:
  explicit PrepareSetupTest(sim::OsKind os = sim::OsKind::Win98, const char* program = "D:\\SETUP.EXE")
      : m_machine(os, program) {}

  // Runs start-up with the command line and answers what it prepared.
  const CSetupContext& Start(const std::string& commandLine) {
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), commandLine);
    m_app->Run();
    return m_app->GetContext();
  }
  void Put(const std::string& relative, const std::string& text) { m_machine.PutFile(relative, text); }
  std::string Events() const { return ReadHostFile(m_machine.Folder() / "events.log"); }

  TempMachine m_machine;
  std::unique_ptr<CInstallApp> m_app;
};

struct ScriptChoice {
  const char* name;
  sim::OsKind os;
  std::vector<const char*> scripts;  // files beside the program
  const char* company;               // COMPANY.INI, or nullptr
  const char* commandLine;
  const char* chosen;
};

class ScriptChoiceTest : public ::testing::TestWithParam<ScriptChoice> {};

TEST_P(ScriptChoiceTest, ChoosesTheScript) {
  const ScriptChoice& c = GetParam();
  TempMachine machine(c.os, "D:\\SETUP.EXE");
  for (const char* script : c.scripts) machine.PutFile(std::string("drive_d/") + script, kScript);
  if (c.company != nullptr) machine.PutFile("drive_d/COMPANY.INI", c.company);
  CInstallApp app(machine.Interfaces(), c.commandLine);
  app.Run();
  EXPECT_EQ(app.GetContext().GetScriptName(), c.chosen);
  EXPECT_EQ(app.GetContext().GetLastMessage(), 0);
}

constexpr const char* kMultiOs = "[Install]\r\nMultiOS=1\r\n";
constexpr const char* kSingleOs = "[Install]\r\nMultiOS=0\r\n";

INSTANTIATE_TEST_SUITE_P(
    Systems, ScriptChoiceTest,
    ::testing::Values(
        ScriptChoice{"Win95Variant", sim::OsKind::Win95, {"SETUPW95.IN", "SETUP.INF"}, nullptr, "", "SETUPW95.IN"},
        ScriptChoice{"Win98Variant", sim::OsKind::Win98, {"SETUPW98.IN", "SETUP.INF"}, nullptr, "", "SETUPW98.IN"},
        ScriptChoice{"NT4Variant", sim::OsKind::NT4, {"SETUPNT4.IN", "SETUP.INF"}, nullptr, "", "SETUPNT4.IN"},
        ScriptChoice{"NT5Variant", sim::OsKind::NT5, {"SETUPNT5.IN", "SETUP.INF"}, nullptr, "", "SETUPNT5.IN"},
        ScriptChoice{"MissingVariantFallsBack", sim::OsKind::NT5, {"SETUPNT4.IN", "SETUP.INF"}, nullptr, "",
                     "SETUP.INF"},
        ScriptChoice{"MultiOsOffUsesCommon", sim::OsKind::Win98, {"SETUPW98.IN", "SETUP.INF"}, kSingleOs, "",
                     "SETUP.INF"},
        ScriptChoice{"CompanyWithoutMultiOs", sim::OsKind::Win98, {"SETUPW98.IN", "SETUP.INF"}, "[Company]\r\nENU=1\r\n",
                     "", "SETUP.INF"},
        ScriptChoice{"MultiOsOn", sim::OsKind::NT4, {"SETUPNT4.IN", "SETUP.INF"}, kMultiOs, "", "SETUPNT4.IN"},
        ScriptChoice{"OptionF", sim::OsKind::Win98, {"SETUPW98.IN", "MY.INF", "SETUP.INF"}, nullptr, "/F:MY.INF",
                     "MY.INF"},
        ScriptChoice{"OptionFMissingFallsBack", sim::OsKind::Win98, {"SETUP.INF"}, nullptr, "/F:MY.INF", "SETUP.INF"}),
    [](const ::testing::TestParamInfo<ScriptChoice>& info) { return info.param.name; });

TEST_F(PrepareSetupTest, NoScriptAtAll) {
  const CSetupContext& c = Start("/MVE");
  EXPECT_EQ(c.GetLastMessage(), MSG_WRONG_SYSTEM_OR_NO_SCRIPT) << "a variant was looked for";
  EXPECT_EQ(m_app->GetWizard(), CInstallApp::Wizard::None);
  EXPECT_EQ(Events().find("message"), std::string::npos) << "quiet";

  const CSetupContext& named = Start("/F:MY.INF");
  EXPECT_EQ(named.GetLastMessage(), MSG_NO_SCRIPT);
  EXPECT_NE(Events().find("message 1085 \"D:\\SETUP.INF\""), std::string::npos) << Events();
}

TEST_F(PrepareSetupTest, CompanyIniOffersLanguages) {
  Put("drive_d/SETUP.INF", kScript);
  EXPECT_EQ(Start("").GetLanguageCount(), 19) << "without COMPANY.INI every language";
  EXPECT_EQ(m_app->GetContext().GetLanguageMask(), 0xFFFFFFFFu);

  Put("drive_d/COMPANY.INI", "[Company]\r\nENU=1\r\nDEU=1\r\nFRA=0\r\n[Install]\r\nDlgLangBMP=LANG.BMP\r\n");
  const CSetupContext& c = Start("");
  EXPECT_EQ(c.GetLanguageCount(), 2);
  EXPECT_EQ(c.GetLanguageMask(), (1u << 4) | (1u << 7));
  EXPECT_EQ(c.GetLangBitmap(), "LANG.BMP");

  Put("drive_d/COMPANY.INI", "[Company]\r\nENU=0\r\n");
  EXPECT_EQ(Start("").GetLanguageCount(), 1) << "no language offered still counts one";
  EXPECT_EQ(m_app->GetContext().GetLanguageMask(), 0u);

  Put("drive_d/COMPANY.INI", "[Company]\r\nDEU=1\r\nENU=1\r\n");
  EXPECT_EQ(Start("/LENU").GetLanguageCount(), 1) << "the command line comes after COMPANY.INI";
}

class DeepSetupTest : public PrepareSetupTest {
 protected:
  DeepSetupTest() : PrepareSetupTest(sim::OsKind::Win98, "D:\\DISKS\\DISK1\\SETUP.EXE") {}
};

TEST_F(DeepSetupTest, CompanyIniTwoLevelsUp) {
  Put("drive_d/DISKS/DISK1/SETUP.INF", kScript);
  Put("drive_d/COMPANY.INI", "[Company]\r\nJPN=1\r\n");
  const CSetupContext& c = Start("");
  EXPECT_EQ(c.GetLanguageMask(), 1u << 9);
  EXPECT_EQ(c.GetSetupDir(), "D:\\DISKS\\DISK1");
  EXPECT_EQ(c.GetInstallFrom(), "D:\\DISKS\\DISK1") << "installs from where it was started";
}

TEST_F(PrepareSetupTest, SetupCopyAndItsStringReference) {
  Put("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=%SetupFolder%\r\n[Strings]\r\nSetupFolder=\"Setup\"\r\n");
  EXPECT_EQ(Start("").GetSetupCopy(), "Setup");
  EXPECT_EQ(m_app->GetContext().GetLastMessage(), 0);

  Put("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=display\r\n");
  EXPECT_EQ(Start("").GetSetupCopy(), "");
  EXPECT_EQ(m_app->GetContext().GetLastMessage(), 0);
  Put("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=Display\r\n");
  EXPECT_EQ(Start("").GetSetupCopy(), "Display") << "only the exact word";
}

TEST_F(PrepareSetupTest, SetupCopyErrorsQuietAndLoud) {
  Put("drive_d/SETUP.INF", "[DestinationDirs]\r\nDefaultDestDir=24,Halvion\r\n");
  EXPECT_EQ(Start("/SE").GetLastMessage(), MSG_MISSING_KEY);
  EXPECT_EQ(m_app->GetWizard(), CInstallApp::Wizard::None) << "a failed preparation runs no wizard";
  EXPECT_EQ(Events().find("message"), std::string::npos);

  EXPECT_EQ(Start("").GetLastMessage(), MSG_MISSING_KEY);
  EXPECT_NE(Events().find("message 1089 \"Setup.Copy\" \"DestinationDirs\""), std::string::npos) << Events();

  Put("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=%Nowhere%\r\n[Strings]\r\nOther=x\r\n");
  EXPECT_EQ(Start("").GetLastMessage(), MSG_MISSING_KEY);
  EXPECT_NE(Events().find("message 1089 \"Nowhere\" \"Strings\""), std::string::npos) << Events();
}

TEST_F(PrepareSetupTest, DefaultRestart) {
  const std::string base = "[DestinationDirs]\r\nSetup.Copy=Setup\r\n";
  Put("drive_d/SETUP.INF", base + "[Version]\r\nDefaultRestart=0\r\n");
  EXPECT_TRUE(Start("").GetFlags() & SF_NO_RESTART);
  EXPECT_FALSE(Start("/R").GetFlags() & SF_NO_RESTART) << "the option wins over the script";
  Put("drive_d/SETUP.INF", base + "[Version]\r\nDefaultRestart=07\r\n");
  EXPECT_TRUE(Start("").GetFlags() & SF_NO_RESTART) << "only the first character counts";
  Put("drive_d/SETUP.INF", base + "[Version]\r\nDefaultRestart=1\r\n");
  EXPECT_FALSE(Start("").GetFlags() & SF_NO_RESTART);
  Put("drive_d/SETUP.INF", base);
  EXPECT_FALSE(Start("").GetFlags() & SF_NO_RESTART) << "missing means 1";
}

TEST(FreeSpaceTest, KilobytesAreAMultipleOfTheSectorSize) {
  TempMachine machine;
  machine.SetHardware("[Drives]\nC=100000,8,512\nD=4294967295,64,4096\nE=1000,8,512\n");
  EXPECT_EQ(GetFreeKilobytes(machine.Interfaces(), "C:\\Program Files"), 399872u);
  EXPECT_EQ(GetFreeKilobytes(machine.Interfaces(), "D:\\"), 0xFFFFFFFFu) << "more than 4 GB free saturates instead of wrapping";
  EXPECT_EQ(GetFreeKilobytes(machine.Interfaces(), "E:\\x"), 0u) << "no drive E in this machine";
  EXPECT_EQ(GetFreeKilobytes(machine.Interfaces(), "C:"), 399872u);
}

}  // namespace
