// The install record read back at start.
#include <gtest/gtest.h>

#include "app/install_app.h"
#include "install/install_record.h"
#include "install/setup_choice.h"
#include "support/faulty_platform.h"
#include "support/temp_machine.h"

using testing_support::TempMachine;

namespace {

constexpr const char* kScript = "[DestinationDirs]\r\nSetup.Copy=%Copy%\r\n[Strings]\r\nCopy=Tools\r\n";

class InstallRecordTest : public ::testing::Test {
 protected:
  InstallRecordTest() : m_machine(sim::OsKind::Win98, "D:\\SETUP.EXE") { m_machine.PutFile("drive_d/SETUP.INF", kScript); }
  const CSetupContext& Start(const std::string& commandLine = "/M") {
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), commandLine);
    EXPECT_TRUE(m_app->StartUp());
    return m_app->GetContext();
  }
  void Record(const std::string& key, const std::string& name, const std::string& value) {
    m_machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\" + key, name, value);
  }

  TempMachine m_machine;
  std::unique_ptr<CInstallApp> m_app;
};

TEST_F(InstallRecordTest, WithoutARecordTheProgramFilesFolderIsProposed) {
  const CSetupContext& c = Start();
  EXPECT_EQ(c.GetDestDir(), "C:\\Program Files\\Halvion");
  EXPECT_EQ(c.GetInstallFrom(), "D:") << "a setup not started from its copy installs from where it runs";
  EXPECT_EQ(c.GetLanguageCode(), "ENU");
}

TEST_F(InstallRecordTest, TheRecordOfTheSetupCopyIsRead) {
  Record("Software\\TORQUIST\\Install", "Destination Dir", "C:\\WRONG");
  Record("Software\\TORQUIST\\Install.Tools", "Destination Dir", "E:\\VELA");
  Record("Software\\TORQUIST\\Install.Tools", "Setup Path", "%s\\Tools");
  Record("Software\\TORQUIST\\Install.Tools", "Install From", "F:\\CD");
  Record("Software\\TORQUIST\\Install.Tools", "Language", "DEU");
  const CSetupContext& c = Start();
  EXPECT_EQ(c.GetDestDir(), "E:\\VELA");
  EXPECT_EQ(c.GetSetupPath(), "%s\\Tools");
  EXPECT_EQ(c.GetLanguageCode(), "DEU");
}

TEST_F(InstallRecordTest, ARecordedLanguageThatIsNotOfferedGivesTheFirstOffered) {
  m_machine.PutFile("drive_d/COMPANY.INI", "[Company]\r\nFRA=1\r\nITA=1\r\n");
  Record("Software\\TORQUIST\\Install.Tools", "Language", "DEU");
  EXPECT_EQ(Start().GetLanguageCode(), "FRA");
  Record("Software\\TORQUIST\\Install.Tools", "Language", "ITA");
  EXPECT_EQ(Start().GetLanguageCode(), "ITA");
  Record("Software\\TORQUIST\\Install.Tools", "Language", "XYZ");
  EXPECT_EQ(Start().GetLanguageCode(), "ENU") << "an unknown code changes nothing";
}

TEST_F(InstallRecordTest, ASingleLanguageIsNotOverridden) {
  Record("Software\\TORQUIST\\Install.Tools", "Language", "DEU");
  EXPECT_EQ(Start("/M /LFRA").GetLanguageCode(), "FRA");
}

}  // namespace

namespace {

TEST_F(InstallRecordTest, TheOlderProductStopsTheFreshInstallationInAnyCase) {
  m_machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvion\\Installed\\Other", "", "x");
  m_machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvion\\Installed\\QUELLPATH tools 95", "", "x");
  CInstallApp app(m_machine.Interfaces(), "/ME");
  app.Run();
  EXPECT_EQ(app.GetWizard(), CInstallApp::Wizard::None);
  const std::string events = testing_support::ReadHostFile(m_machine.Folder() / "events.log");
  EXPECT_NE(events.find("message 1159 -> OK"), std::string::npos) << "shown even in quiet mode: " << events;
  EXPECT_EQ(app.GetContext().GetLastMessage(), 0) << "not an error message";
}

TEST_F(InstallRecordTest, AUserWhoMayOnlyReadStillSeesTheOlderProduct) {
  m_machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvion\\Installed\\Quellpath Tools 95", "", "x");
  CInstallApp app(m_machine.Interfaces(), "/M");
  testing_support::FaultyPlatform faults(&m_machine.Interfaces());
  faults.registry.allowedAccess = KEY_READ;
  EXPECT_TRUE(FindEarlierProduct(m_machine.Interfaces(), app.GetResources()));
}

TEST(MaintenanceRunTest, TheRecordedSetupFolderIsFoundInAnyCaseAndInItsShortForm) {
  for (const char* program : {"C:\\PROGRA~1\\HALVION\\DISPLAY\\SETUP.EXE", "c:\\program files\\halvion\\DISPLAY\\SETUP.EXE"}) {
    TempMachine machine(sim::OsKind::Win98, program);
    machine.PutFile("drive_c/Program Files/Halvion/display/SETUP.INF", kScript);
    machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install.Tools", "Setup Path",
                                           "C:\\Program Files\\Halvion\\display");
    CInstallApp app(machine.Interfaces(), "/M");
    ASSERT_TRUE(app.StartUp()) << program;
    EXPECT_TRUE(IsMaintenanceRun(app.GetContext())) << program;
    EXPECT_FALSE(IsSameFolder(machine.Interfaces(), "C:\\Program Files\\Halvion", "C:\\Program Files\\Halvion\\display"));
  }
}

TEST_F(InstallRecordTest, OtherProductsOfTheMakerDoNotCount) {
  m_machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvion\\Installed\\Quellpath Tools 98", "", "x");
  CInstallApp app(m_machine.Interfaces(), "/M");
  app.Run();
  EXPECT_EQ(app.GetWizard(), CInstallApp::Wizard::FreshInstall);
}

}  // namespace
