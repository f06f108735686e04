#include <gtest/gtest.h>

#include "app/install_app.h"
#include "platform/outside_libraries.h"
#include "script/script_line.h"
#include "core/name_compare.h"
#include "support/temp_machine.h"

using testing_support::TempMachine;

namespace {

TEST(SetupContextTest, StartsWithDocumentedValues) {
  TempMachine machine;
  CSetupContext c(machine.Interfaces());
  EXPECT_EQ(c.GetFlags(), 0u);
  EXPECT_EQ(c.GetLanguage(), -1);
  EXPECT_EQ(c.GetLanguageCount(), 19);
  EXPECT_EQ(c.GetLanguageMask(), 0xFFFFFFFFu);
  EXPECT_EQ(c.GetLastMessage(), 0);
  EXPECT_EQ(c.GetInstallFrom(), "A:");
  EXPECT_EQ(c.GetVersionInfo().dwOSVersionInfoSize, 148u);
  EXPECT_EQ(c.GetLanguageCodeAt(4), std::string("ENU"));
  EXPECT_EQ(c.GetLanguageCodeAt(19), nullptr);
  EXPECT_EQ(c.GetLanguageCodeAt(-1), nullptr);
  EXPECT_EQ(c.GetLanguageCode(), "ENU") << "no language chosen yet";
}

struct OsCase {
  sim::OsKind os;
  bool nt, nt4, nt5, win95, win98;
  const char* script;
};

class PerSystemTest : public ::testing::TestWithParam<OsCase> {};

TEST_P(PerSystemTest, PredicatesAndVariantScript) {
  const OsCase& p = GetParam();
  TempMachine machine(p.os);
  machine.PutFile(std::string("drive_d/") + p.script, "[DestinationDirs]\r\nSetup.Copy=Setup\r\n");
  CInstallApp app(machine.Interfaces(), "");
  const CSetupContext& c = app.GetContext();
  EXPECT_EQ(c.IsNT(), p.nt);
  EXPECT_EQ(c.Is9x(), !p.nt);
  EXPECT_FALSE(c.IsNT3());
  EXPECT_EQ(c.IsNT4(), p.nt4);
  EXPECT_EQ(c.IsNT5(), p.nt5);
  EXPECT_EQ(c.IsWin95(), p.win95);
  EXPECT_EQ(c.IsWin98(), p.win98);

  app.Run();
  EXPECT_EQ(app.GetContext().GetScriptName(), p.script);
}

INSTANTIATE_TEST_SUITE_P(AllSystems, PerSystemTest,
                         ::testing::Values(OsCase{sim::OsKind::Win95, false, false, false, true, false, "SETUPW95.IN"},
                                           OsCase{sim::OsKind::Win98, false, false, false, false, true, "SETUPW98.IN"},
                                           OsCase{sim::OsKind::NT4, true, true, false, false, false, "SETUPNT4.IN"},
                                           OsCase{sim::OsKind::NT5, true, false, true, false, false, "SETUPNT5.IN"}));

TEST(StartUpTest, FreshInstallFromTheDistribution) {
  TempMachine machine(sim::OsKind::Win98, "D:\\DRIVERS\\SETUP.EXE");
  machine.PutFile("drive_d/DRIVERS/SETUPW98.IN", "[DestinationDirs]\r\nSetup.Copy=Setup\r\n");
  CInstallApp app(machine.Interfaces(), "/MVE /LDEU");
  EXPECT_FALSE(app.Run());
  const CSetupContext& c = app.GetContext();
  EXPECT_EQ(c.GetSetupDir(), "D:\\DRIVERS");
  EXPECT_EQ(c.GetScriptPath(), "D:\\DRIVERS\\SETUPW98.IN");
  EXPECT_EQ(c.GetLanguageCode(), "DEU");
  EXPECT_EQ(app.GetWizard(), CInstallApp::Wizard::FreshInstall);
  EXPECT_EQ(c.GetFlags(), SF_FRESH_WIZARD | SF_UNATTENDED | SF_TYPE_FIRST | SF_QUIET);
  EXPECT_EQ(c.GetInstallFrom(), "D:\\DRIVERS");
  EXPECT_EQ(c.GetSetupCopy(), "Setup");
}

TEST(StartUpTest, LanguageDefaultsToEnglish) {
  TempMachine machine;
  CInstallApp app(machine.Interfaces(), "");
  app.Run();
  EXPECT_EQ(app.GetContext().GetLanguage(), kDefaultLanguage);
}

TEST(StartUpTest, ScriptValuesFollowTheMachineAndTheChosenFolder) {
  TempMachine machine(sim::OsKind::Win98, "D:\\SETUP.EXE", "JPN");
  {
    CInstallApp app(machine.Interfaces(), "");
    EXPECT_EQ(app.GetSetupScript().GetCodePage(), 932u);
    const std::string line = "Panel=@@InstallDir@@\\Utilities";
    app.GetContext().SetDestDir("C:\\Program Files\\Halvion");
    EXPECT_EQ(app.GetSetupScript().GetField(line, 1), "C:\\Program Files\\Halvion\\Utilities");
    app.GetContext().SetDestDir("E:\\Vela");
    EXPECT_EQ(app.GetSetupScript().GetField(line, 1), "E:\\Vela\\Utilities") << "the folder of the moment, not of the reading";
  }
  EXPECT_EQ(GetField("Panel=@@InstallDir@@\\Utilities", 1), "\\Utilities") << "no application, no folder";
}

TEST(SetupDirectoryTest, DriveAndFolderWithoutTrailingBackslash) {
  EXPECT_EQ(SetupDirectoryOf("D:\\SETUP.EXE"), "D:");
  EXPECT_EQ(SetupDirectoryOf("C:\\Program Files\\Maker\\Setup\\SETUP.EXE"), "C:\\Program Files\\Maker\\Setup");
  EXPECT_EQ(SetupDirectoryOf("D:SETUP.EXE"), "D:");
  EXPECT_EQ(SetupDirectoryOf("SETUP.EXE"), "");
}

TEST(ThunkLibraryTest, LoadsOnWindows9xAndAnswersEntryPoints) {
  TempMachine machine(sim::OsKind::Win98);
  machine.SetHardware(
      "[Bios]\nText=VGA BIOS Halvion Vela 3D rev 2\n"
      "[PCI]\n1=12AB,0042\n");
  CInstallApp app(machine.Interfaces(), "");
  EXPECT_EQ(app.GetThunkLibrary().GetProc(outside::kSearchBiosString32), nullptr) << "nothing before loading";
  ASSERT_TRUE(app.GetThunkLibrary().Load(app.GetContext(), app.GetMessages()));
  ASSERT_TRUE(app.GetThunkLibrary().IsLoaded());
  EXPECT_TRUE(app.GetThunkLibrary().Load(app.GetContext(), app.GetMessages())) << "a second call keeps the handle";

  auto bios = outside::EntryPointAs<outside::SearchBiosString32Proc>(app.GetThunkLibrary().GetProc(outside::kSearchBiosString32));
  ASSERT_NE(bios, nullptr);
  EXPECT_NE(bios("Vela 3D"), 0);
  EXPECT_EQ(bios("Vela 4D"), 0);

  auto pci = outside::EntryPointAs<outside::SearchPCIDevice32Proc>(app.GetThunkLibrary().GetProc(outside::kSearchPCIDevice32));
  ASSERT_NE(pci, nullptr);
  EXPECT_NE(pci(0x12AB, 0x42), 0);
  EXPECT_EQ(pci(0x12AB, 0x43), 0);

  EXPECT_EQ(app.GetThunkLibrary().GetProc("NoSuchEntry32"), nullptr);
  EXPECT_EQ(app.GetContext().GetLastMessage(), 0);
}

TEST(ThunkLibraryTest, MissingLibraryRecordsMessage1087) {
  TempMachine machine(sim::OsKind::Win95);
  machine.SetHardware("[Libraries]\n_THUNK32.DLL=0\n");
  CInstallApp app(machine.Interfaces(), "");
  EXPECT_FALSE(app.GetThunkLibrary().Load(app.GetContext(), app.GetMessages()));
  EXPECT_EQ(app.GetContext().GetLastMessage(), MSG_LIBRARY_NOT_LOADED);
  EXPECT_NE(testing_support::ReadHostFile(machine.Folder() / "events.log").find("message 1087 \"_THUNK32.DLL\" -> OK"),
            std::string::npos);
  EXPECT_EQ(app.GetThunkLibrary().GetProc(outside::kLDDToPath32), nullptr);
}

TEST(ThunkLibraryTest, SingleMissingEntryPointFallsBackToNone) {
  TempMachine machine(sim::OsKind::Win98);
  machine.SetHardware("[MissingEntryPoints]\n_THUNK32.DLL=SearchPCIDevice32, LDDToPath32\n");
  CInstallApp app(machine.Interfaces(), "");
  ASSERT_TRUE(app.GetThunkLibrary().Load(app.GetContext(), app.GetMessages()));
  EXPECT_EQ(app.GetThunkLibrary().GetProc(outside::kSearchPCIDevice32), nullptr);
  EXPECT_EQ(app.GetThunkLibrary().GetProc(outside::kLDDToPath32), nullptr);
  EXPECT_NE(app.GetThunkLibrary().GetProc(outside::kRestart32), nullptr);
}

TEST(ThunkLibraryTest, NeverLoadedOnWindowsNT) {
  TempMachine machine(sim::OsKind::NT4);
  machine.SetHardware("[Libraries]\n_THUNK32.DLL=1\n");
  CInstallApp app(machine.Interfaces(), "");
  EXPECT_TRUE(app.GetThunkLibrary().Load(app.GetContext(), app.GetMessages()));
  EXPECT_FALSE(app.GetThunkLibrary().IsLoaded());
  EXPECT_EQ(app.GetThunkLibrary().GetProc(outside::kSearchBiosString32), nullptr);
}

}  // namespace
