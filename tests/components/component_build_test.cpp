#include <gtest/gtest.h>

#include "component_fixture.h"
#include "script/script_line.h"
#include "script/value_expansion.h"

namespace {

using components_test::FirstLines;
using components_test::Labels;
using components_test::ScriptOnMachine;
using components_test::SetMarker;

constexpr const char* kScript =
    "[DestinationDirs]\r\n"
    "DefaultDestDir = 11\r\n"
    "Setup.Copy = SETUP\r\n"
    "Tools.Files = Tools, Bin\r\n"
    "Blank.Files =\r\n"
    "[SourceDisksNames]\r\n"
    "1 = Disk1\r\n"
    "[SourceDisksFiles]\r\n"
    "SETUP.EXE = 1,,1000\r\n"
    "TOOL.EXE = 1,,2000\r\n"
    "TOOL.HL_ = 1,,500\r\n"
    "[Setup]\r\n"
    "OptionDesc = Setup program\r\n"
    "Tip = First\\nSecond\r\n"
    "CopyFiles = Setup.Files\r\n"
    "[Setup.Files]\r\n"
    "SETUP.EXE\r\n"
    "[Optional Components]\r\n"
    "Tools\r\n"
    "Quiet\r\n"
    "Child\r\n"
    "[Tools]\r\n"
    "OptionDesc = Display tools\r\n"
    "Tip = Tools tip\r\n"
    "AdvancedComponent\r\n"
    "Restart =\r\n"
    "Reboot = 0\r\n"
    "Type = 6\r\n"
    "Dependency = +1\r\n"
    "CopyFiles = Tools.Files, Blank.Files\r\n"
    "DelFiles = Old.Files\r\n"
    "RenFiles = Ren.Files\r\n"
    "ProgramGroups = Tools.Group\r\n"
    "AddReg = Tools.Add\r\n"
    "DelReg = Tools.Del\r\n"
    "UpdateInis = Tools.Ini\r\n"
    "Execute = Tools.Run\r\n"
    "ExecuteUninstall = Tools.Unrun\r\n"
    "License = \"Licence agreement\", Tools.License\r\n"
    "DiskSize = 100\r\n"
    "Unknown = ignored\r\n"
    "[Tools.Files]\r\n"
    "TOOL.EXE\r\n"
    "TOOL.HLP\r\n"
    "[Blank.Files]\r\n"
    "TOOL.EXE\r\n"
    "[Old.Files]\r\n"
    "OLD.EXE\r\n"
    "[Ren.Files]\r\n"
    "NEW.EXE, OLD.EXE\r\n"
    "[Tools.Add]\r\n"
    "HKLM,Software\\Tools,Path,,1\r\n"
    "[Tools.Del]\r\n"
    "HKLM,Software\\OldTools\r\n"
    "[Tools.Group]\r\n"
    "Tools\r\n"
    "[Tools.Ini]\r\n"
    "win.ini, Tools, Key, Value\r\n"
    "[Tools.Run]\r\n"
    "TOOL.EXE /install\r\n"
    "[Tools.Unrun]\r\n"
    "TOOL.EXE /remove\r\n"
    "[Tools.License]\r\n"
    "You agree.\r\n"
    "[Quiet]\r\n"
    "Type = 1\r\n"
    "DiskSize = 7\r\n"
    "[Child]\r\n"
    "OptionDesc = Child part\r\n"
    "Parent = TOOLS\r\n";

TEST(ComponentBuild, ReadsEveryKeyOfTheKeyTable) {
  ScriptOnMachine m(kScript);
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_TRUE(m.Messages().empty());
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"Setup", "Tools", "Quiet", "Child"}));
  EXPECT_EQ(m.Context().GetSetupPath(), "%s\\SETUP");

  const CComponent& tools = m.Named("Tools");
  EXPECT_EQ(tools.m_strDescription, "Display tools");
  EXPECT_EQ(tools.m_strTip, "Tools tip");
  EXPECT_EQ(tools.m_nFlags, CF_ADVANCED);
  EXPECT_TRUE(tools.m_bRestart) << "an empty Restart value still asks for a restart";
  EXPECT_TRUE(tools.m_bReboot) << "a Reboot value of 0 is present all the same";
  EXPECT_EQ(tools.m_dwTypeBits, 6u);
  EXPECT_EQ(tools.m_dwDependencyBits, 1u);
  EXPECT_EQ(Labels(tools.m_copyFiles), (std::vector<std::string>{"%s\\Tools\\Bin", "C:\\WINDOWS\\SYSTEM"}))
      << "an empty DestinationDirs line falls back to DefaultDestDir, here code 11 made a folder";
  EXPECT_EQ(FirstLines(tools.m_delFiles), (std::vector<std::string>{"OLD.EXE"}));
  EXPECT_EQ(FirstLines(tools.m_renFiles), (std::vector<std::string>{"NEW.EXE, OLD.EXE"}));
  EXPECT_EQ(Labels(tools.m_programGroups), (std::vector<std::string>{"Tools.Group"}));
  EXPECT_EQ(Labels(tools.m_addReg), (std::vector<std::string>{"Tools.Add"}));
  EXPECT_EQ(Labels(tools.m_delReg), (std::vector<std::string>{"Tools.Del"}));
  EXPECT_EQ(Labels(tools.m_updateInis), (std::vector<std::string>{"Tools.Ini"}));
  EXPECT_EQ(FirstLines(tools.m_execute), (std::vector<std::string>{"TOOL.EXE /install"}));
  EXPECT_EQ(FirstLines(tools.m_executeUninstall), (std::vector<std::string>{"TOOL.EXE /remove"}));
  EXPECT_EQ(GetField(tools.m_strLicense, 1), "Licence agreement");
  EXPECT_EQ(GetField(tools.m_strLicense, 2), "Tools.License");
  EXPECT_EQ(tools.m_nDiskSize, 100);
  EXPECT_EQ(tools.m_nSize, 100 + 2000 + 500 + 2000) << "disk size and every file of every copy list";
  EXPECT_EQ(Labels(tools.m_uninstallFiles), Labels(tools.m_copyFiles)) << "no Uninstall key: the copy lists";
  EXPECT_EQ(Labels(tools.m_uninstallReg), Labels(tools.m_addReg)) << "no UninstallReg key: the AddReg lists";
  EXPECT_EQ(m.Named("Child").m_strParentName, "TOOLS");
}

TEST(ComponentBuild, SetupIsInstalledCoreAndConvertsItsTipInPlace) {
  ScriptOnMachine m(kScript);
  ASSERT_TRUE(m.List().Build(nullptr));
  const CComponent& setup = m.List().GetAt(0);
  EXPECT_EQ(setup.m_strName, "Setup");
  EXPECT_EQ(setup.m_nFlags, CF_INSTALLED | CF_CORE);
  EXPECT_EQ(setup.m_strTip, "First\r\nSecond");
  EXPECT_EQ(setup.m_strTip.size(), std::string("First\\nSecond").size());
  EXPECT_EQ(setup.m_nSize, 1000);
}

TEST(ComponentBuild, AComponentWithoutDescriptionIsHiddenUnderItsSectionName) {
  ScriptOnMachine m(kScript);
  ASSERT_TRUE(m.List().Build(nullptr));
  const CComponent& quiet = m.Named("Quiet");
  EXPECT_EQ(quiet.m_nFlags, CF_HIDDEN);
  EXPECT_EQ(quiet.m_strDescription, "Quiet");
  EXPECT_EQ(quiet.m_strTip, "Quiet") << "the tip falls back to the description";
  EXPECT_EQ(quiet.m_nSize, 7);
  EXPECT_TRUE(quiet.m_uninstallFiles.empty());

  // A setup type that names it selects it like any other.
  SetMarker(m.Interfaces(), "Quiet", "1");
  ASSERT_TRUE(m.List().Build(nullptr));
  m.List().ApplySetupType(SF_TYPE_SECOND);
  EXPECT_EQ(m.Named("Quiet").GetState(), STATE_ALL);
  EXPECT_EQ(m.Named("Quiet").GetAction(0), Action::Install);
}

TEST(ComponentBuild, ChildrenAreLinkedToTheirParentWithoutRegardToCase) {
  ScriptOnMachine m(kScript);
  ASSERT_TRUE(m.List().Build(nullptr));
  ASSERT_EQ(m.Named("Tools").m_children.size(), 1u);
  EXPECT_EQ(m.Named("Tools").m_children[0], &m.Named("Child"));
  EXPECT_TRUE(m.Named("Setup").m_children.empty());
}

TEST(ComponentBuild, AMissingComponentSectionFailsTheBuild) {
  ScriptOnMachine missing(
      "[Setup]\r\nOptionDesc = S\r\n[Optional Components]\r\nGhost\r\nLater\r\n[Later]\r\nOptionDesc = L\r\n");
  EXPECT_FALSE(missing.List().Build(nullptr));
  ASSERT_EQ(missing.Messages().size(), 1u);
  EXPECT_EQ(missing.Messages()[0].id, MSG_SECTION_NOT_FOUND);
  EXPECT_EQ(missing.Messages()[0].inserts, (std::vector<std::string>{"Ghost"}));
  EXPECT_EQ(missing.Names(), (std::vector<std::string>{"Setup", "Ghost"})) << "no later component is read";

  ScriptOnMachine noSetup("[Optional Components]\r\nLater\r\n[Later]\r\nOptionDesc = L\r\n");
  EXPECT_FALSE(noSetup.List().Build(nullptr));
  EXPECT_EQ(noSetup.CountMessages(MSG_SECTION_NOT_FOUND), 1);
}

TEST(ComponentBuild, AListWithoutDestinationStopsItsKeyAndLoadingGoesOn) {
  ScriptOnMachine m(
      "[DestinationDirs]\r\nKnown.Files = Known\r\n"
      "[SourceDisksFiles]\r\nA.DLL = 1,,10\r\nB.DLL = 1,,20\r\n"
      "[Setup]\r\n"
      "[Optional Components]\r\nPart\r\nDriverless\r\n"
      "[Part]\r\nOptionDesc = Part\r\nCopyFiles = Known.Files, Lost.Files, Known.Files\r\n"
      "Uninstall = Known.Files, Lost.Files\r\nExecute = Lost.Files\r\nDiskSize = 1\r\n"
      "[Known.Files]\r\nA.DLL\r\n[Lost.Files]\r\nB.DLL\r\n"
      "[Driverless]\r\nOptionDesc = D\r\nUninstall = \r\nCopyFiles = Known.Files\r\n");
  ASSERT_TRUE(m.List().Build(nullptr));
  const CComponent& part = m.Named("Part");
  EXPECT_EQ(Labels(part.m_copyFiles), (std::vector<std::string>{"%s\\Known", ""}))
      << "the section without destination stays, the rest of the key is not read";
  EXPECT_EQ(part.m_nSize, 1 + 10 + 20);
  EXPECT_EQ(Labels(part.m_uninstallFiles), Labels(part.m_copyFiles))
      << "an Uninstall stopped by a missing destination falls back to the copy lists";
  EXPECT_EQ(Labels(part.m_execute), (std::vector<std::string>{""}));
  EXPECT_TRUE(m.Named("Driverless").m_uninstallFiles.empty()) << "an empty Uninstall removes no files";
  ASSERT_EQ(m.CountMessages(MSG_KEY_NOT_FOUND), 3);
  for (const auto& shown : m.Messages()) {
    EXPECT_EQ(shown.inserts, (std::vector<std::string>{"Lost.Files", "DestinationDirs"}));
  }
}

TEST(ComponentBuild, AFileMissingFromSourceDisksFilesCountsNothing) {
  ScriptOnMachine m(
      "[DestinationDirs]\r\nDefaultDestDir = App\r\n[SourceDisksFiles]\r\nA.DLL = 1,,10\r\n"
      "[Setup]\r\nCopyFiles = F\r\n[F]\r\nA.DLL\r\nGONE.DLL\r\n");
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_EQ(m.List().GetAt(0).m_nSize, 10);
  ASSERT_EQ(m.Messages().size(), 1u);
  EXPECT_EQ(m.Messages()[0].id, MSG_KEY_NOT_FOUND);
  EXPECT_EQ(m.Messages()[0].inserts, (std::vector<std::string>{"GONE.DL_", "SourceDisksFiles"}));
}

TEST(ComponentBuild, UninstallRegFallsBackToAddRegOnlyWithoutTheKey) {
  ScriptOnMachine m(
      "[Setup]\r\n[Optional Components]\r\nWith\r\nWithout\r\nEmpty\r\n"
      "[With]\r\nOptionDesc = W\r\nAddReg = W.Add\r\nUninstallReg = W.Remove\r\n"
      "[Without]\r\nOptionDesc = O\r\nAddReg = O.Add, O.More\r\n"
      "[Empty]\r\nOptionDesc = E\r\nAddReg = E.Add\r\nUninstallReg =\r\n"
      "[W.Add]\r\n[W.Remove]\r\n[O.Add]\r\n[O.More]\r\n[E.Add]\r\n");
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_EQ(Labels(m.Named("With").m_uninstallReg), (std::vector<std::string>{"W.Remove"}));
  EXPECT_EQ(Labels(m.Named("Without").m_uninstallReg), (std::vector<std::string>{"O.Add", "O.More"}));
  EXPECT_TRUE(m.Named("Empty").m_uninstallReg.empty()) << "a present key yields, even when empty";
}

constexpr const char* kDriverScript =
    "[DestinationDirs]\r\nDefaultDestDir = 11\r\n"
    "[Manufacturer]\r\nHALVION = Models\r\n"
    "[Setup]\r\nTip = Setup tip\r\n"
    "[Optional Components]\r\nTools\r\n"
    "[Tools]\r\nOptionDesc = Tools\r\nType = 1\r\n"
    "[Board]\r\nAddReg = B.Add\r\nDelReg = B.Del\r\nUpdateInis = B.Ini\r\nCopyFiles = B.Files\r\n"
    "[B.Add]\r\n[B.Del]\r\n[B.Ini]\r\n[B.Files]\r\n";

class BoardDetection : public IHardwareDetection {
 public:
  bool Detect(CComponentList& list) override {
    ++calls;
    countAtCall = list.GetCount();
    if (!succeed) return false;
    CComponent& board = list.Append("Board");
    board.m_strDriverClass = "Display";
    return board.Load("Board", "HALVION board", list.GetAt(0).m_strTip);
  }
  bool succeed = true;
  int calls = 0;
  int countAtCall = 0;
};

TEST(ComponentBuild, TheDetectionAddsDriverComponentsAfterSetup) {
  ScriptOnMachine m(kDriverScript);
  BoardDetection detection;
  ASSERT_TRUE(m.List().Build(&detection));
  EXPECT_EQ(detection.calls, 1);
  EXPECT_EQ(detection.countAtCall, 1) << "only Setup is listed when the detection runs";
  EXPECT_FALSE(m.List().DetectionPassedOver());
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"Setup", "Board", "Tools"}));
  const CComponent& board = m.Named("Board");
  EXPECT_EQ(board.m_nFlags, CF_CORE) << "a driver component is never hidden";
  EXPECT_EQ(board.m_dwTypeBits, 1u);
  EXPECT_EQ(board.m_strDescription, "HALVION board");
  EXPECT_EQ(board.m_strTip, "Setup tip");
  EXPECT_TRUE(board.m_addReg.empty());
  EXPECT_TRUE(board.m_delReg.empty());
  EXPECT_TRUE(board.m_updateInis.empty());
  EXPECT_TRUE(board.m_uninstallReg.empty()) << "no AddReg fallback for a driver component";
  EXPECT_TRUE(board.m_uninstallFiles.empty()) << "no CopyFiles fallback for a driver component";

  detection.succeed = false;
  EXPECT_FALSE(m.List().Build(&detection));

  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_TRUE(m.List().DetectionPassedOver());
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"Setup", "Tools"}));

  ScriptOnMachine noManufacturer(kScript);
  ASSERT_TRUE(noManufacturer.List().Build(&detection));
  EXPECT_EQ(detection.calls, 2) << "no Manufacturer lines, no detection";
}

TEST(ComponentBuild, PruningTestsEachComponentAgainstTheListOfItsMoment) {
  ScriptOnMachine m(
      "[Setup]\r\nType = 1\r\n"
      "[Optional Components]\r\nNeedsNobody\r\nKeptByLater\r\nEarlyProvider\r\nLostProvider\r\nLaterProvider\r\n"
      "Fine\r\n"
      "[NeedsNobody]\r\nOptionDesc = a\r\nDependency = 2\r\n"
      // needs 4, which LaterProvider gives until its own turn removes it
      "[KeptByLater]\r\nOptionDesc = b\r\nDependency = 4\r\n"
      // gives 8 but needs 16 from nobody: removed at its turn
      "[EarlyProvider]\r\nOptionDesc = c\r\nType = 8\r\nDependency = 16\r\n"
      // needs 8, whose only provider was removed earlier in the walk
      "[LostProvider]\r\nOptionDesc = d\r\nDependency = 8\r\n"
      "[LaterProvider]\r\nOptionDesc = e\r\nType = 4\r\nDependency = 32\r\n"
      "[Fine]\r\nOptionDesc = f\r\nDependency = 1\r\n");
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"Setup", "KeptByLater", "Fine"}));
}

TEST(ComponentBuild, ADependencyOnItsOwnTypeIsNotEnough) {
  ScriptOnMachine m("[Setup]\r\n[Optional Components]\r\nSelf\r\n[Self]\r\nType = 2\r\nDependency = 2\r\n");
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"Setup"}));
}

TEST(ComponentBuild, ParentCyclesAndChainsTooDeepAreNotLinked) {
  std::string script =
      "[Setup]\r\n[Optional Components]\r\nA\r\nB\r\nSelfish\r\nOrphan\r\n";
  for (int i = 0; i < kMaxComponentDepth + 5; ++i) script += "L" + std::to_string(i) + "\r\n";
  script += "[A]\r\nParent = B\r\n[B]\r\nParent = a\r\n[Selfish]\r\nParent = Selfish\r\n[Orphan]\r\nParent = Nobody\r\n";
  script += "[L0]\r\n";
  for (int i = 1; i < kMaxComponentDepth + 5; ++i) {
    script += "[L" + std::to_string(i) + "]\r\nParent = L" + std::to_string(i - 1) + "\r\n";
  }
  ScriptOnMachine m(script);
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_EQ(m.Named("B").m_children, (std::vector<CComponent*>{&m.Named("A")}));
  EXPECT_TRUE(m.Named("A").m_children.empty()) << "B under A would close the circle";
  EXPECT_TRUE(m.Named("Selfish").m_children.empty());
  EXPECT_EQ(m.Named("Orphan").m_pParent, nullptr);

  int depth = 0;
  for (const CComponent* c = &m.Named("L0"); !c->m_children.empty(); c = c->m_children[0]) ++depth;
  EXPECT_EQ(depth, kMaxComponentDepth - 1);

  // Every walk of the tree ends.
  m.Named("L0").Select(STATE_ALL);
  EXPECT_EQ(m.Named("L0").GetState(), STATE_ALL);
  EXPECT_EQ(m.Named("B").GetState(), STATE_NONE);
}

TEST(ComponentBuild, RemovingAComponentLeavesNoPointerToIt) {
  ScriptOnMachine m(kScript);
  ASSERT_TRUE(m.List().Build(nullptr));
  CComponent& child = m.Named("Child");
  m.List().RemoveAt(1);  // Tools, the parent
  EXPECT_EQ(child.m_pParent, nullptr);
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"Setup", "Quiet", "Child"}));
  m.List().RemoveAt(2);
  m.List().RemoveAt(99);
  m.List().RemoveAt(-1);
  EXPECT_EQ(m.List().GetCount(), 2);
}

TEST(ComponentBuild, ACopyListTakesItsOwnDestinationLineThenTheDefaultThenReportsIt) {
  const std::string head =
      "[Strings]\r\nToolDir = \"Tools, Extra\"\r\n"
      "[SourceDisksNames]\r\n1 = Disk1\r\n"
      "[Setup]\r\nOptionDesc = Setup program\r\n"
      "CopyFiles = utility.files, Driver.Files, Help.Files\r\n";
  ScriptOnMachine m(head + "[DestinationDirs]\r\nSetup.Copy = SETUP\r\nUtility.Files = %ToolDir%\r\n"
                           "Driver.Files = 12\r\nDefaultDestDir = 10, HALVION\r\n",
                    sim::OsKind::NT4);
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_EQ(Labels(m.Named("Setup").m_copyFiles),
            (std::vector<std::string>{"%s\\Tools, Extra", "C:\\WINNT\\SYSTEM32\\DRIVERS", "C:\\WINNT\\HALVION"}))
      << "names match without regard to case";
  EXPECT_TRUE(m.Messages().empty());

  ScriptOnMachine missing(head + "[DestinationDirs]\r\nSetup.Copy = SETUP\r\nUtility.Files = Tools\r\n"
                                 "Driver.Files = 12\r\n",
                          sim::OsKind::NT4);
  ASSERT_TRUE(missing.List().Build(nullptr));
  EXPECT_EQ(Labels(missing.Named("Setup").m_copyFiles).back(), "");
  ASSERT_EQ(missing.Messages().size(), 1u);
  EXPECT_EQ(missing.Messages()[0].id, MSG_KEY_NOT_FOUND);
  EXPECT_EQ(missing.Messages()[0].inserts, (std::vector<std::string>{"Help.Files", "DestinationDirs"}));
}

}  // namespace
