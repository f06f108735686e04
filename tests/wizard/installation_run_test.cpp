// The installation run of the progress page: its phases in order, the stop
// at the first failure, the install record and the source-tree removal.
#include <gtest/gtest.h>

#include "app/install_app.h"
#include "install/install_record.h"
#include "components/component_list.h"
#include "files/file_dialogs.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "install/prepare_script.h"
#include "support/faulty_platform.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"
#include "wizard/page_bench.h"
#include "wizard/progress_page.h"

using testing_support::TempMachine;
using wizard_test::PageBench;

namespace {

constexpr const char* kScript =
    "[Version]\r\nDefaultRestart=1\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=Program\r\nSetup.Copy=display\r\nSetup.Files=display\r\n"
    "[SourceDisksNames]\r\n1=\"Disk one\",disk1.tag,0\r\n"
    "[SourceDisksFiles]\r\nSETUP.EXE=1,,10\r\nTOOL.EXE=1,,10\r\n"
    "[Setup]\r\nOptionDesc=Setup\r\nCopyFiles=Setup.Files\r\n"
    "[Optional Components]\r\nTools\r\n"
    "[Tools]\r\nOptionDesc=Tools\r\nAdvancedComponent\r\nCopyFiles=Tools.Files\r\nAddReg=Tools.Reg\r\n"
    "UninstallReg=Tools.Reg\r\nUpdateInis=Tools.Ini\r\nLicense=\"Tools licence\",Tools.Text\r\n"
    "[Setup.Files]\r\nSETUP.EXE\r\n[Tools.Files]\r\nTOOL.EXE\r\n"
    "[Tools.Reg]\r\nHKLM,Software\\Tools,Path,0,installed\r\n"
    "[Tools.Ini]\r\nTOOLS.INI,Tools,,\"Folder=here\"\r\n"
    "[Tools.Text]\r\nYou agree.\r\n";

class ProgressTest : public ::testing::Test {
 protected:
  explicit ProgressTest(sim::OsKind os = sim::OsKind::Win98) : m_machine(os, "D:\\SETUP.EXE") {
    testing_support::InstallLanguageLibrary(m_machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
    m_machine.PutFile("drive_d/SETUP.INF", kScript);
    m_machine.PutFile("drive_d/SETUP.EXE", "setup program");
    m_machine.PutFile("drive_d/TOOL.EXE", "tool program");
    m_machine.Platform().SetMessageAnswerer([this](const platform::MessageBoxRequest& box) {
      m_messages.push_back(box.messageId);
      return IDOK;
    });
  }

  // Start-up and the first page's preparation, then a setup type.
  CInstallApp& Prepare(const std::string& commandLine, std::uint32_t wizard, std::uint32_t type) {
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), commandLine);
    EXPECT_TRUE(m_app->StartUp());
    CSetupContext& c = m_app->GetContext();
    c.SetFlags(c.GetFlags() | wizard);
    CSilentPreparationView view;
    EXPECT_EQ(PrepareScript(m_app->GetSession(), view, nullptr), 0);
    c.SetFlags((c.GetFlags() & ~(SF_TYPE_MASK | SF_MAINTENANCE_MASK)) | type);
    m_app->GetComponents().ApplySetupType(type);
    return *m_app;
  }

  std::string Registry(const std::string& key, const std::string& name) {
    return wizard_test::MachineValue(m_machine.Interfaces(), key, name);
  }
  bool Exists(const std::string& relative) { return std::filesystem::exists(m_machine.Folder() / relative); }

  TempMachine m_machine;
  std::unique_ptr<CInstallApp> m_app;
  std::vector<int> m_messages;
};

TEST_F(ProgressTest, AFreshInstallationRunsEveryPhase) {
  CInstallApp& app = Prepare("/S", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(bench.window.controls[IDC_PROGRESS_TITLE].text, CMessageText(m_app->GetResources()).LoadText(IDS_PROGRESS_INSTALL));
  EXPECT_EQ(bench.sheet.buttons, 0u);
  page.OnTimer(kPageTimer);
  EXPECT_EQ(bench.sheet.presses, (std::vector<int>{platform::PSBTN_NEXT}));

  EXPECT_EQ(page.OnWizardNext(), platform::kMoveOn);
  EXPECT_EQ(app.GetContext().GetFlags() & SF_RUN_FAILED, 0u);
  EXPECT_TRUE(m_messages.empty());
  EXPECT_TRUE(Exists("drive_c/Program Files/Halvion/display/SETUP.INF")) << "the merged script for later runs";
  EXPECT_TRUE(Exists("drive_c/Program Files/Halvion/display/SETUP.EXE"));
  EXPECT_TRUE(Exists("drive_c/Program Files/Halvion/Program/TOOL.EXE")) << "DefaultDestDir names a folder below the destination";
  EXPECT_EQ(Registry("Software\\Tools", "Path"), "installed");
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Destination Dir"), "C:\\Program Files\\Halvion");
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Setup Path"), "C:\\Program Files\\Halvion\\display");
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Install From"), "D:");
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Language"), "ENU");
  const std::string ini = testing_support::ReadHostFile(m_machine.Folder() / "drive_c/WINDOWS/TOOLS.INI");
  EXPECT_NE(ini.find("Folder=here"), std::string::npos) << ini;
  EXPECT_EQ(bench.window.controls[IDC_PHASE_TEXT].text, CMessageText(m_app->GetResources()).LoadText(IDS_PHASE_ACTIONS))
      << "the last phase shown";
  EXPECT_EQ(bench.window.controls[IDC_PROGRESS_BAR].high, 7 * app.GetComponents().GetCount());
}

TEST_F(ProgressTest, ACopyFailureStopsTheRunBeforeTheRecord) {
  std::filesystem::remove(m_machine.Folder() / "drive_d/SETUP.EXE");  // the disk is not there
  CInstallApp& app = Prepare("/S", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(page.OnWizardNext(), platform::kMoveOn) << "the finish page follows all the same";
  EXPECT_NE(app.GetContext().GetFlags() & SF_RUN_FAILED, 0u);
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Destination Dir"), "<none>");
  EXPECT_EQ(Registry("Software\\Tools", "Path"), "<none>");
}

TEST_F(ProgressTest, ASetupFolderThatCannotBeMadeStopsBeforeAnyCopy) {
  CInstallApp& app = Prepare("/S", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  app.GetContext().SetDestDir("Q:\\NOWHERE");
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  page.OnWizardNext();
  EXPECT_EQ(m_messages, (std::vector<int>{1092}));
  EXPECT_NE(app.GetContext().GetFlags() & SF_RUN_FAILED, 0u);
  EXPECT_FALSE(Exists("drive_c/Program Files/Halvion/TOOL.EXE"));
}

// Faults in the middle of a run: each stops it visibly, leaves no record of
// an installation that is not whole, and leaves every file whole or absent.
TEST_F(ProgressTest, ADiskThatFillsDuringTheCopiesStopsTheRunWithoutARecord) {
  CInstallApp& app = Prepare("/S", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  testing_support::FaultyPlatform faults(&m_machine.Interfaces());
  faults.versions.filesBeforeDiskFull = 1;
  m_machine.Platform().SetMessageAnswerer([this](const platform::MessageBoxRequest& box) {
    m_messages.push_back(box.messageId);
    return IDYES;  // try again, without freeing anything
  });
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  page.OnWizardNext();
  EXPECT_EQ(m_messages, (std::vector<int>{1094})) << "asked once: nothing freed, no retry";
  EXPECT_NE(app.GetContext().GetFlags() & SF_RUN_FAILED, 0u);
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Destination Dir"), "<none>");
  EXPECT_EQ(Registry("Software\\Tools", "Path"), "<none>");
  EXPECT_EQ(testing_support::ReadHostFile(m_machine.Folder() / "drive_c/Program Files/Halvion/display/SETUP.EXE"),
            "setup program");
  EXPECT_FALSE(Exists("drive_c/Program Files/Halvion/Program/TOOL.EXE"));
}

class SkippingDialogs final : public IFileDialogs {
 public:
  int AskSourceDisk(CFileRecord&) override { return kDialogCancel; }
  int AskSourceFile(CFileRecord&) override {
    ++fileQuestions;
    return kDialogSkipFile;
  }
  int AskVersionConflict(const CFileRecord&) override { return kDialogReplace; }
  LicenseAnswer AskLicense(std::string_view, std::string_view) override { return LicenseAnswer::Accepted; }
  int fileQuestions = 0;
};

TEST_F(ProgressTest, AnUnreadableSourceFileGoesToTheSourceFileQuestion) {
  Prepare("", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  testing_support::FaultyPlatform faults(&m_machine.Interfaces());
  faults.versions.unreadableSources = {"TOOL.EXE"};
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  SkippingDialogs dialogs;
  IFileDialogs* previous = m_app->SetFileDialogs(&dialogs);
  page.OnWizardNext();
  m_app->SetFileDialogs(previous);
  EXPECT_EQ(dialogs.fileQuestions, 1) << "the file is asked for, not the disk";
  EXPECT_TRUE(m_messages.empty());
  EXPECT_FALSE(Exists("drive_c/Program Files/Halvion/Program/TOOL.EXE")) << "skipped";
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Language"), "ENU") << "a skipped file does not fail the run";
}

TEST_F(ProgressTest, AnInstallRecordThatCannotBeWrittenFailsTheRun) {
  CInstallApp& app = Prepare("/S", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  testing_support::FaultyPlatform faults(&m_machine.Interfaces());
  faults.registry.failingValue = "Setup Path";
  faults.registry.writeFailure = ERROR_ACCESS_DENIED;
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  page.OnWizardNext();
  EXPECT_EQ(faults.registry.writesRefused, 1);
  EXPECT_EQ(m_messages, (std::vector<int>{1092}));
  EXPECT_NE(app.GetContext().GetFlags() & SF_RUN_FAILED, 0u) << "not reported as a success";
  EXPECT_EQ(Registry("Software\\Tools", "Path"), "<none>") << "the phases after the record do not run";
}

class RefusingDialogs final : public IFileDialogs {
 public:
  int AskSourceDisk(CFileRecord&) override { return kDialogCancel; }
  int AskSourceFile(CFileRecord&) override { return kDialogSkipFile; }
  int AskVersionConflict(const CFileRecord&) override { return kDialogReplace; }
  LicenseAnswer AskLicense(std::string_view title, std::string_view) override {
    titles.emplace_back(title);
    return LicenseAnswer::Declined;
  }
  std::vector<std::string> titles;
};

TEST_F(ProgressTest, ARefusedLicenceReturnsToTheChoiceWithNothingDone) {
  CInstallApp& app = Prepare("", SF_FRESH_WIZARD, SF_TYPE_CUSTOM);
  RefusingDialogs dialogs;
  IFileDialogs* previous = m_app->SetFileDialogs(&dialogs);
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(page.OnWizardNext(), platform::kStay);
  m_app->SetFileDialogs(previous);
  EXPECT_EQ(dialogs.titles, (std::vector<std::string>{"Tools licence"}));
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshCustomPage}));
  EXPECT_FALSE(Exists("drive_c/Program Files/Halvion/display/SETUP.INF"));
  EXPECT_EQ(app.GetContext().GetFlags() & SF_RUN_FAILED, 0u);
}

TEST_F(ProgressTest, UnattendedRunsAskForNoLicence) {
  Prepare("/M", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  RefusingDialogs dialogs;
  IFileDialogs* previous = m_app->SetFileDialogs(&dialogs);
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(page.OnWizardNext(), platform::kMoveOn);
  m_app->SetFileDialogs(previous);
  EXPECT_TRUE(dialogs.titles.empty());
}

TEST_F(ProgressTest, ARemovalDeletesTheRecordAndLeavesTheFolderForTheNextStart) {
  // An earlier installation of Tools into C:\VELA.
  auto& registry = m_machine.Machine().Registry();
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install", "Destination Dir", "C:\\Vela Tools");
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install\\Sub", "x", "y");
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Tools", "Installed", "1");
  registry.SetString("HKEY_LOCAL_MACHINE\\Software\\Tools", "Path", "C:\\Vela Tools");
  m_machine.PutFile("drive_c/Vela Tools/TOOL.EXE", "tool program");
  CInstallApp& app = Prepare("/S", SF_MAINTENANCE_WIZARD, SF_REMOVE);
  CProgressPage page;
  PageBench bench(m_app->GetSession(), page, 6);
  EXPECT_EQ(bench.window.controls[IDC_PROGRESS_TITLE].text, CMessageText(m_app->GetResources()).LoadText(IDS_PROGRESS_REMOVE));
  EXPECT_EQ(page.OnWizardNext(), platform::kMoveOn);
  EXPECT_EQ(app.GetContext().GetFlags() & SF_RUN_FAILED, 0u);
  EXPECT_EQ(Registry("Software\\TORQUIST\\Install", "Destination Dir"), "<none>");
  EXPECT_EQ(Registry("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Install"),
            "C:\\Vela Tools\\display\\INST16.EXE -RC:\\VELATO~1")
      << "the setup folder, then the short form of the destination";
  EXPECT_EQ(Registry("Software\\TORQUIST\\Tools", "Installed"), "<none>") << "the marker is cleared";
  EXPECT_EQ(Registry("Software\\Tools", "Path"), "<none>") << "the uninstall registry list ran";
  EXPECT_FALSE(Exists("drive_c/Vela Tools/display/SETUP.INF")) << "the maintenance wizard writes no script";
}

TEST_F(ProgressTest, InstallingAgainCancelsAPendingRemoval) {
  auto& registry = m_machine.Machine().Registry();
  const std::string runOnce = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  registry.SetString(runOnce, "Install", "C:\\OLD\\display\\INST16.EXE -RC:\\OLD");
  registry.SetString(runOnce, "Install.Tools", "another product's removal");
  CInstallApp& app = Prepare("/S", SF_FRESH_WIZARD, SF_TYPE_SECOND);
  WriteInstallRecord(app.GetContext());
  EXPECT_EQ(Registry("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Install"), "<none>");
  EXPECT_EQ(Registry("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Install.Tools"),
            "another product's removal");
}

TEST(SetupFolder, TheDestinationIsPutInAsText) {
  EXPECT_EQ(FormatSetupFolder("%s\\display", "C:\\A%dB"), "C:\\A%dB\\display");
  EXPECT_EQ(FormatSetupFolder("%s\\", "C:\\X"), "C:\\X\\");
  EXPECT_EQ(FormatSetupFolder("no mark", "C:\\X"), "no mark");
}

// ---- The source tree of option W -----------------------------------------

class SourceTreeTest : public ::testing::Test {
 protected:
  SourceTreeTest() : m_machine(sim::OsKind::Win98, "C:\\TEMP\\NAME\\DISK1\\SETUP.EXE") {
    m_machine.PutFile("drive_c/TEMP/NAME/DISK1/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=display\r\n");
    m_machine.PutFile("drive_c/TEMP/NAME/DISK1/SETUP.EXE", "setup program");
    m_machine.PutFile("drive_c/TEMP/NAME/DISK1/INST16.EXE", "helper program");
  }
  std::string RunOnce(const std::string& name) {
    return wizard_test::MachineValue(m_machine.Interfaces(), "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", name);
  }
  TempMachine m_machine;
};

TEST_F(SourceTreeTest, TheTreeIsLeftForTheNextStartAndRemovedAtTheEnd) {
  CInstallApp app(m_machine.Interfaces(), "/M /W\"name\"");
  ASSERT_TRUE(app.StartUp());
  HandleSourceTree(app.GetSession(), true);
  EXPECT_TRUE(std::filesystem::exists(m_machine.Folder() / "drive_c/TEMP/NAME/DISK1/$INST16.EXE"));
  EXPECT_EQ(RunOnce("RemoveSrcTree"), "C:\\TEMP\\NAME\\DISK1\\$INST16  /wC:\\TEMP\\NAME");
  HandleSourceTree(app.GetSession(), false);
  EXPECT_EQ(RunOnce("RemoveSrcTree"), "<none>");
  const std::string events = testing_support::ReadHostFile(m_machine.Folder() / "events.log");
  EXPECT_NE(events.find("process C:\\TEMP\\NAME\\DISK1\\$INST16 /f\\DISK1\\SETUP.EXE /wC:\\TEMP\\NAME"),
            std::string::npos)
      << events;
}

TEST_F(SourceTreeTest, ANameNotInThePathLeavesNoCommand) {
  CInstallApp app(m_machine.Interfaces(), "/M /W\"OTHER\"");
  ASSERT_TRUE(app.StartUp());
  HandleSourceTree(app.GetSession(), true);
  EXPECT_EQ(RunOnce("RemoveSrcTree"), "<none>");
  HandleSourceTree(app.GetSession(), false);
  const std::string events = testing_support::ReadHostFile(m_machine.Folder() / "events.log");
  EXPECT_EQ(events.find("$INST16"), std::string::npos) << events;
}

TEST_F(SourceTreeTest, WithoutOptionWNothingHappens) {
  CInstallApp none(m_machine.Interfaces(), "/M");
  ASSERT_TRUE(none.StartUp());
  HandleSourceTree(none.GetSession(), true);
  EXPECT_FALSE(std::filesystem::exists(m_machine.Folder() / "drive_c/TEMP/NAME/DISK1/$INST16.EXE"))
      << "without option W nothing is copied";
}

}  // namespace
