#include <gtest/gtest.h>

#include "component_fixture.h"

namespace {

using components_test::MarkerKeyExists;
using components_test::RecordingExecutors;
using components_test::ScriptOnMachine;
using components_test::SetMarker;

constexpr const char* kScript =
    "[DestinationDirs]\r\nDefaultDestDir = App\r\nTools.Files = Tools\r\n"
    "[SourceDisksNames]\r\n1 = Disk1\r\n"
    "[SourceDisksFiles]\r\nSETUP.EXE = 1,,1\r\nTOOL.EXE = 1,sub,2\r\nTOOL.HLP = 1,,3\r\n"
    "[Setup]\r\nOptionDesc = Setup\r\nAddReg = Setup.Add\r\nCopyFiles = Setup.Files\r\n"
    "[Optional Components]\r\nTools\r\nOld\r\nTwin\r\nFresh\r\n"
    "[Tools]\r\nOptionDesc = Tools\r\nRestart =\r\n"
    "CopyFiles = Tools.Files\r\nDelFiles = Gone.Files\r\nRenFiles = Ren.Files\r\n"
    "AddReg = Tools.Add\r\nDelReg = Tools.Del\r\nUpdateInis = Tools.Ini\r\nProgramGroups = Tools.Group\r\n"
    "Execute = Tools.Run, Tools.Run2\r\nExecuteUninstall = Tools.Unrun\r\n"
    "License = \"Tools licence\", Tools.Text\r\n"
    "[Old]\r\nOptionDesc = Shared\r\nReboot\r\nCopyFiles = Tools.Files\r\nAddReg = Old.Add\r\n"
    "ExecuteUninstall = Old.Unrun\r\nLicense = \"Old licence\", Tools.Text\r\n"
    "[Twin]\r\nOptionDesc = Shared\r\nUninstall =\r\nLicense = \"No text\"\r\n"
    "[Fresh]\r\nOptionDesc = Fresh\r\nLicense = \"Fresh licence\", Fresh.Text\r\n"
    "[Setup.Files]\r\nSETUP.EXE\r\n[Setup.Add]\r\nsetup-add\r\n"
    "[Tools.Files]\r\nTOOL.EXE\r\nTOOL.HLP\r\n[Gone.Files]\r\nGONE.EXE\r\n"
    "[Ren.Files]\r\nNEW.EXE, OLD.EXE\r\nSAME.EXE\r\n"
    "[Tools.Add]\r\ntools-add\r\n[Tools.Del]\r\ntools-del\r\n[Tools.Ini]\r\ntools-ini\r\n"
    "[Tools.Group]\r\ntools-group\r\n[Tools.Run]\r\nrun-1\r\n[Tools.Run2]\r\nrun-2\r\n[Tools.Unrun]\r\nunrun\r\n"
    "[Old.Add]\r\nold-add\r\n[Old.Unrun]\r\nold-unrun\r\n"
    "[Tools.Text]\r\nYou agree\r\n  to all of it.\r\n"
    "[Fresh.Text]\r\nFresh terms\r\n"
    "[End]\r\n";

// Tools is to be installed, Old (installed, shared marker with Twin) to be
// removed, Twin removed too, Fresh and Setup left alone.
class ComponentActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMarker(m.Interfaces(), "Shared", "1");
    ASSERT_TRUE(m.List().Build(nullptr));
    ASSERT_TRUE(m.Messages().empty());
    m.Context().SetFlags(SF_MAINTENANCE_WIZARD | SF_CHANGE_COMPONENTS | SF_NO_RESTART);
    m.List().ApplySetupType(SF_CHANGE_COMPONENTS);
    m.Named("Setup").Select(STATE_ALL);
    m.Named("Tools").Select(STATE_ALL);
    m.Named("Old").Select(STATE_NONE);
    m.Named("Twin").Select(STATE_NONE);
  }
  ScriptOnMachine m{kScript};
  RecordingExecutors x;
};

TEST_F(ComponentActionsTest, TwoComponentsWithOneDescriptionShareTheirMarker) {
  EXPECT_TRUE(m.Named("Old").m_nFlags & CF_INSTALLED);
  EXPECT_TRUE(m.Named("Twin").m_nFlags & CF_INSTALLED);
  EXPECT_FALSE(m.Named("Tools").m_nFlags & CF_INSTALLED);
  std::vector<Action> actions;
  for (auto& c : m.List()) actions.push_back(c->GetAction());
  EXPECT_EQ(actions, (std::vector<Action>{Action::None, Action::Install, Action::Remove, Action::Remove, Action::None}));
}

TEST_F(ComponentActionsTest, OnlyTheValueOneMarksAComponentInstalled) {
  SetMarker(m.Interfaces(), "Tools", "yes");
  SetMarker(m.Interfaces(), "Fresh", "1 ");
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_FALSE(m.Named("Tools").m_nFlags & CF_INSTALLED);
  EXPECT_FALSE(m.Named("Fresh").m_nFlags & CF_INSTALLED);
  EXPECT_FALSE(IsMarkedInstalled(m.Interfaces(), "")) << "no description, no marker";
}

TEST_F(ComponentActionsTest, DeletesOfBothPhases) {
  std::vector<CFileRecord> queue;
  m.List().QueueDeletes(StepPhase::ComponentsToInstall, queue);
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue[0].m_strDestDir, "C:\\HALVION\\App");
  EXPECT_EQ(queue[0].m_strDestName, "GONE.EXE");
  EXPECT_TRUE(queue[0].m_strSourceDir.empty() && queue[0].m_strSourceName.empty());

  queue.clear();
  m.Context().SetDestDir("E:\\ELSEWHERE");
  m.List().QueueDeletes(StepPhase::ComponentsToRemove, queue);
  ASSERT_EQ(queue.size(), 2u) << "Old removes what it copied; Twin's empty Uninstall removes nothing";
  EXPECT_EQ(queue[0].m_strDestDir, "E:\\ELSEWHERE\\Tools") << "the folder of the moment";
  EXPECT_EQ(queue[0].m_strDestName, "TOOL.EXE");
  EXPECT_EQ(queue[1].m_strDestName, "TOOL.HLP");
}

TEST_F(ComponentActionsTest, RenamesAndCopiesOfComponentsToInstall) {
  std::vector<CFileRecord> queue;
  m.List().QueueRenames(queue);
  ASSERT_EQ(queue.size(), 2u);
  EXPECT_EQ(queue[0].m_strSourceDir, "C:\\HALVION\\App");
  EXPECT_EQ(queue[0].m_strDestDir, "C:\\HALVION\\App");
  EXPECT_EQ(queue[0].m_strSourceName, "OLD.EXE");
  EXPECT_EQ(queue[0].m_strDestName, "NEW.EXE");
  EXPECT_EQ(queue[1].m_strSourceName, "SAME.EXE");

  queue.clear();
  m.Context().SetInstallFrom("D:\\CD");
  m.List().QueueCopies(queue);
  ASSERT_EQ(queue.size(), 2u) << "only Tools is installed";
  EXPECT_EQ(queue[0].m_strSourceDir, "D:\\CD\\sub");
  EXPECT_EQ(queue[0].m_strDestDir, "C:\\HALVION\\Tools");
  EXPECT_EQ(queue[0].m_strDestName, "TOOL.EXE");
  EXPECT_EQ(queue[0].m_strDiskLabel, "Disk1");
}

TEST_F(ComponentActionsTest, RegistryStepWritesSectionsFlagsAndMarkers) {
  m.List().RunRegistry(x);
  EXPECT_EQ(x.calls, (std::vector<std::string>{"reg tools-del 2", "reg tools-add 1", "reg old-add 2"}))
      << "Old has no UninstallReg: its AddReg runs in removal mode; Twin has nothing";
  EXPECT_EQ(x.steps, 5);
  EXPECT_EQ(m.Context().GetFlags() & (SF_NO_RESTART | SF_RESTART_NEEDED | SF_FULL_RESTART),
            SF_RESTART_NEEDED | SF_FULL_RESTART);
  EXPECT_TRUE(IsMarkedInstalled(m.Interfaces(), "Tools"));
  EXPECT_FALSE(MarkerKeyExists(m.Interfaces(), "Shared"));
  EXPECT_FALSE(MarkerKeyExists(m.Interfaces(), "Setup"));
  EXPECT_FALSE(MarkerKeyExists(m.Interfaces(), "Fresh"));
}

TEST_F(ComponentActionsTest, TheFirstInstallationRemovesADeselectedSetup) {
  m.Context().SetFlags(SF_FRESH_WIZARD);
  m.Named("Setup").Select(STATE_NONE);
  m.List().RunRegistry(x);
  EXPECT_EQ(x.calls.front(), "reg setup-add 2");
  EXPECT_FALSE(MarkerKeyExists(m.Interfaces(), "Setup")) << "Setup never gets a marker";
}

TEST_F(ComponentActionsTest, IniAndProgramGroupStepsUseTheActionAsMode) {
  m.List().RunIniUpdates(x);
  m.List().RunProgramGroups(x);
  EXPECT_EQ(x.calls, (std::vector<std::string>{"ini tools-ini 1", "group tools-group 1"}));
  EXPECT_EQ(x.steps, 10);
}

TEST_F(ComponentActionsTest, ExecuteStepsStopAtTheFirstFailure) {
  EXPECT_TRUE(m.List().RunExecute(StepPhase::ComponentsToInstall, x).GoesOn());
  EXPECT_EQ(x.calls, (std::vector<std::string>{"run run-1 1", "run run-2 1"}));
  x.calls.clear();
  EXPECT_TRUE(m.List().RunExecute(StepPhase::ComponentsToRemove, x).GoesOn());
  EXPECT_EQ(x.calls, (std::vector<std::string>{"run old-unrun 2"}));

  x.calls.clear();
  x.m_failingProgram = "run-1";
  EXPECT_EQ(m.List().RunExecute(StepPhase::ComponentsToInstall, x).Code(), 5) << "the failing line's own result";
  EXPECT_EQ(x.calls, (std::vector<std::string>{"run run-1 1"}));
}

TEST_F(ComponentActionsTest, TheDriverStepIsCalledForEveryComponentWithAnAction) {
  EXPECT_TRUE(m.List().RunDisplayDriver(x).GoesOn());
  EXPECT_EQ(x.calls, (std::vector<std::string>{"driver Tools 1", "driver Old 2", "driver Twin 2"}));
  x.calls.clear();
  x.m_failingDriver = "Old";
  EXPECT_EQ(m.List().RunDisplayDriver(x).Code(), 7);
  EXPECT_EQ(x.calls, (std::vector<std::string>{"driver Tools 1", "driver Old 2"}));
}

TEST_F(ComponentActionsTest, LicencesOfComponentsToInstall) {
  m.Named("Fresh").Select(STATE_ALL);
  EXPECT_TRUE(m.List().ConfirmLicenses(x));
  ASSERT_EQ(x.calls.size(), 2u) << "Old is installed and removed, Twin has no text section";
  EXPECT_EQ(x.calls[0], "license Tools licence You agree\r\n  to all of it.\r\n");
  EXPECT_EQ(x.calls[1], "license Fresh licence Fresh terms\r\n");

  x.calls.clear();
  x.m_licenseAnswers = {LicenseAnswer::Declined};
  EXPECT_FALSE(m.List().ConfirmLicenses(x));
  EXPECT_EQ(x.calls.size(), 1u) << "a refusal ends the walk";
}

TEST_F(ComponentActionsTest, NothingIsDoneForComponentsLeftAlone) {
  m.Context().SetFlags(SF_MAINTENANCE_WIZARD);
  std::vector<CFileRecord> queue;
  m.List().QueueDeletes(StepPhase::ComponentsToRemove, queue);
  m.List().QueueDeletes(StepPhase::ComponentsToInstall, queue);
  m.List().QueueRenames(queue);
  m.List().QueueCopies(queue);
  EXPECT_TRUE(queue.empty());
  m.List().RunRegistry(x);
  m.List().RunIniUpdates(x);
  m.List().RunProgramGroups(x);
  EXPECT_TRUE(m.List().RunExecute(StepPhase::ComponentsToRemove, x).GoesOn());
  EXPECT_TRUE(m.List().RunExecute(StepPhase::ComponentsToInstall, x).GoesOn());
  EXPECT_TRUE(m.List().RunDisplayDriver(x).GoesOn());
  EXPECT_TRUE(m.List().ConfirmLicenses(x));
  EXPECT_TRUE(x.calls.empty());
  EXPECT_EQ(m.Context().GetFlags(), SF_MAINTENANCE_WIZARD);
  EXPECT_TRUE(MarkerKeyExists(m.Interfaces(), "Shared"));
}

}  // namespace

namespace {

// Every product's records live side by side below one key: a description
// that is not one key name there must reach none of them.
TEST(ComponentMarkerTest, ADescriptionThatIsNoKeyNameTouchesNoRecord) {
  ScriptOnMachine m(
      "[Setup]\r\n[Optional Components]\r\nEvil\r\nDeep\r\nRecord\r\n"
      "[Evil]\r\nOptionDesc = \"\\\"\r\n[Deep]\r\nOptionDesc = Other\\Sub\r\n[Record]\r\nOptionDesc = Install.display\r\n");
  SetMarker(m.Interfaces(), "Other", "1");
  SetMarker(m.Interfaces(), "Other\\Sub", "1");
  SetMarker(m.Interfaces(), "Install.display", "1");
  ASSERT_TRUE(m.List().Build(nullptr));
  for (const char* name : {"Evil", "Deep", "Record"}) {
    EXPECT_FALSE(m.Named(name).m_nFlags & CF_INSTALLED) << name << ": no marker of its own to read";
  }
  RecordingExecutors x;
  m.Context().SetFlags(SF_MAINTENANCE_WIZARD | SF_REMOVE);
  for (auto& c : m.List()) c->m_nFlags |= CF_INSTALLED;
  m.List().ApplySetupType(SF_REMOVE);
  m.List().RunRegistry(x);
  EXPECT_TRUE(MarkerKeyExists(m.Interfaces(), "Other"));
  EXPECT_TRUE(MarkerKeyExists(m.Interfaces(), "Other\\Sub"));
  EXPECT_TRUE(MarkerKeyExists(m.Interfaces(), "Install.display"));
  EXPECT_EQ(m.CountMessages(MSG_MARKER_NAME), 3) << "once for each such component";
  EXPECT_EQ(m.Context().GetLastMessage(), 0) << "a warning: the run goes on";
}

}  // namespace
