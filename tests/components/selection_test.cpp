#include <gtest/gtest.h>

#include <climits>

#include "core/setup_context.h"
#include "component_fixture.h"

namespace {

using components_test::RecordingConfirmation;
using components_test::ScriptOnMachine;
using components_test::SetMarker;

// A leaf in state 1 or 2, or a parent in state 3, installed or not.
struct Tree {
  components_test::LooseScript loose;
  CComponent parent{loose.script, "Parent"}, on{loose.script, "On"}, off{loose.script, "Off"};
  Tree() {
    on.m_nFlags = CF_SELECTED;
    parent.m_children = {&on, &off};
  }
};

CComponent& InState(Tree& t, int state, bool installed) {
  CComponent& c = state == STATE_SOME ? t.parent : state == STATE_ALL ? t.on : t.off;
  if (installed) c.m_nFlags |= CF_INSTALLED;
  return c;
}

TEST(ComponentAction, EveryRowOfTheActionTable) {
  struct Row {
    std::uint32_t flags;
    bool installed;
    int none, all, some;
  };
  const std::uint32_t M = SF_MAINTENANCE_WIZARD;
  const Row rows[] = {
      {SF_FRESH_WIZARD, false, 0, 1, 1},
      {SF_FRESH_WIZARD, true, 2, 1, 1},
      {SF_REMOVE, true, 2, 1, 1},  // a choice without the maintenance bit changes nothing
      {M | SF_CHANGE_COMPONENTS, false, 0, 1, 1},
      {M | SF_CHANGE_COMPONENTS, true, 2, 0, 0},
      {M | SF_INSTALL_AGAIN, false, 0, 0, 0},
      {M | SF_INSTALL_AGAIN, true, 1, 1, 1},
      {M | SF_REMOVE, false, 0, 0, 0},
      {M | SF_REMOVE, true, 2, 2, 2},
      {M, false, 0, 0, 0},
      {M, true, 0, 0, 0},
      // modify is tested first, then reinstall, then remove
      {M | SF_CHANGE_COMPONENTS | SF_REMOVE, true, 2, 0, 0},
      {M | SF_INSTALL_AGAIN | SF_REMOVE, true, 1, 1, 1},
  };
  for (const Row& row : rows) {
    const int expected[] = {row.none, row.all, row.some};
    for (int state : {STATE_NONE, STATE_ALL, STATE_SOME}) {
      Tree t;
      const CComponent& c = InState(t, state, row.installed);
      ASSERT_EQ(c.GetState(), state);
      EXPECT_EQ(static_cast<int>(c.GetAction(row.flags)), expected[state - 1])
          << "flags " << std::hex << row.flags << " installed " << row.installed << " state " << state;
    }
  }
}

TEST(ComponentState, ParentsFollowTheirChildrenNotTheirOwnBit) {
  Tree t;
  EXPECT_EQ(t.parent.GetState(), STATE_SOME);
  EXPECT_EQ(t.parent.CountSelectedChildren(), 1);
  t.parent.m_nFlags |= CF_SELECTED;
  EXPECT_EQ(t.parent.GetState(), STATE_SOME);
  t.parent.Select(STATE_NONE);
  EXPECT_EQ(t.parent.GetState(), STATE_NONE);
  EXPECT_EQ(t.parent.m_nFlags & CF_SELECTED, 0u);
  EXPECT_EQ(t.parent.CountSelectedChildren(), 0);
  t.parent.Select(STATE_SOME);  // any state but 1 selects
  EXPECT_EQ(t.parent.GetState(), STATE_ALL);
  EXPECT_EQ(t.on.m_nFlags & t.off.m_nFlags & t.parent.m_nFlags & CF_SELECTED, CF_SELECTED);
  EXPECT_EQ(t.parent.CountSelectedChildren(), 2);
}

TEST(ComponentState, SaveAndRestoreFrameTheWholeSubtree) {
  Tree t;
  CComponent grandchild{t.loose.script, "Grandchild"};
  t.off.m_children = {&grandchild};
  t.parent.SaveSelection();
  t.parent.Select(STATE_ALL);
  EXPECT_EQ(t.parent.GetState(), STATE_ALL);
  t.parent.RestoreSelection();
  EXPECT_EQ(t.on.m_nFlags, CF_SELECTED);
  EXPECT_EQ(grandchild.m_nFlags, 0u);
  EXPECT_EQ(t.parent.GetState(), STATE_SOME);
  t.parent.SyncSelectedWithChildren();
  EXPECT_EQ(t.parent.m_nFlags & CF_SELECTED, CF_SELECTED);
  t.on.Select(STATE_NONE);
  t.parent.SyncSelectedWithChildren();
  EXPECT_EQ(t.parent.m_nFlags & CF_SELECTED, 0u);
}

TEST(ComponentState, SetupTypesSelectByFlags) {
  struct Row {
    std::uint32_t type;
    std::uint32_t selectingFlags;
  };
  const Row rows[] = {
      {SF_TYPE_FIRST, CF_CORE},
      {SF_TYPE_SECOND, CF_INSTALLED | CF_CORE | CF_ADVANCED},
      {SF_TYPE_CUSTOM, CF_INSTALLED | CF_CORE | CF_ADVANCED},
      {SF_CHANGE_COMPONENTS, CF_INSTALLED},
      {SF_INSTALL_AGAIN, CF_INSTALLED},
      {SF_REMOVE, 0},
      {0, 0},
      {SF_TYPE_FIRST | SF_TYPE_SECOND, 0},
  };
  const std::uint32_t flagSets[] = {0, CF_INSTALLED, CF_CORE, CF_ADVANCED, CF_HIDDEN, CF_INSTALLED | CF_HIDDEN};
  components_test::LooseScript loose;
  for (const Row& row : rows) {
    for (std::uint32_t flags : flagSets) {
      for (std::uint32_t before : {0u, CF_SELECTED}) {
        CComponent c{loose.script, "C"};
        c.m_nFlags = flags | before;
        c.ApplySetupType(row.type);
        EXPECT_EQ((c.m_nFlags & CF_SELECTED) != 0, (flags & row.selectingFlags) != 0)
            << "type " << std::hex << row.type << " flags " << flags;
        EXPECT_EQ(c.m_nFlags & ~CF_SELECTED, flags) << "no other flag changes";
      }
    }
  }
}

constexpr const char* kScript =
    "[DestinationDirs]\r\nDefaultDestDir = App\r\n"
    "[SourceDisksFiles]\r\nBIG.DAT = 1,,2000000000\r\nMID.DAT = 1,,1048576\r\n"
    "[Manufacturer]\r\nHALVION = Models\r\n"
    "[Setup]\r\nOptionDesc = Setup\r\nDiskSize = 1000\r\n"
    "[Optional Components]\r\nViewer\r\nCodec\r\nSuite\r\nPartA\r\nPartB\r\nPlayer\r\nEditor\r\nAdvanced\r\nPlugin\r\n"
    "[Viewer]\r\nOptionDesc = Viewer\r\nDependency = 2\r\nDiskSize = 10\r\n"
    "[Codec]\r\nType = 2\r\nDependency = 8\r\nDiskSize = 20\r\n"
    "[Suite]\r\nOptionDesc = Suite\r\nType = 8\r\nDiskSize = 300\r\n"
    "[PartA]\r\nOptionDesc = Part A\r\nParent = Suite\r\nCopyFiles = Mid.Files\r\n"
    "[PartB]\r\nOptionDesc = Part B\r\nParent = Suite\r\nDiskSize = 40\r\n"
    "[Player]\r\nOptionDesc = Player\r\nType = 4\r\nDiskSize = 50\r\n"
    "[Editor]\r\nOptionDesc = Editor\r\nType = 16\r\nDependency = 4\r\nDiskSize = 60\r\n"
    "[Plugin]\r\nOptionDesc = Plugin\r\nDependency = 16\r\n"
    "[Advanced]\r\nOptionDesc = Advanced\r\nAdvancedComponent\r\nDependency = 4\r\nDiskSize = 70\r\n"
    "[Board]\r\nOptionDesc = Board\r\nDiskSize = 5\r\n"
    "[Mid.Files]\r\nMID.DAT\r\n";

class BoardDetection : public IHardwareDetection {
 public:
  bool Detect(CComponentList& list) override {
    CComponent& board = list.Append("Board");
    board.m_strDriverClass = "Display";
    return board.Load("Board");
  }
};

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BoardDetection detection;
    ASSERT_TRUE(m.List().Build(&detection));
    ASSERT_TRUE(m.Messages().empty());
  }
  std::vector<std::string> Selected() {
    std::vector<std::string> names;
    for (auto& c : m.List()) {
      if (c->m_children.empty() && c->GetState() == STATE_ALL) names.push_back(c->m_strName);
    }
    return names;
  }
  ScriptOnMachine m{kScript};
  RecordingConfirmation confirm;
};

TEST_F(SelectionTest, TheFirstSetupTypeSelectsSetupAndDrivers) {
  m.List().ApplySetupType(SF_TYPE_FIRST);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Setup", "Board"}));
  m.List().ApplySetupType(SF_TYPE_SECOND);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Setup", "Board", "Advanced"}));
}

TEST_F(SelectionTest, TheRemoveChoiceRemovesEveryInstalledComponent) {
  SetMarker(m.Interfaces(), "Viewer", "1");
  SetMarker(m.Interfaces(), "Player", "1");
  BoardDetection detection;
  ASSERT_TRUE(m.List().Build(&detection));
  m.List().ApplySetupType(SF_CHANGE_COMPONENTS);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Setup", "Viewer", "Player"}));
  m.List().ApplySetupType(SF_REMOVE);
  EXPECT_TRUE(Selected().empty());
  std::vector<std::string> removed;
  for (auto& c : m.List()) {
    if (c->GetAction(SF_MAINTENANCE_WIZARD | SF_REMOVE) == Action::Remove) removed.push_back(c->m_strName);
  }
  EXPECT_EQ(removed, (std::vector<std::string>{"Setup", "Viewer", "Player"}));
}

TEST_F(SelectionTest, SelectingPullsInAHiddenProviderWithoutAsking) {
  ASSERT_TRUE(m.List().ClickRow(m.Named("Viewer"), confirm));
  EXPECT_EQ(confirm.asked, 0);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Viewer", "Codec"}))
      << "one step deep: Codec's own need of the Suite is not followed";
}

TEST_F(SelectionTest, DeselectingAProviderAsksOnceForAllItsDependents) {
  for (const char* name : {"Player", "Editor", "Advanced", "Plugin"}) m.Named(name).Select(STATE_ALL);
  confirm.answer = 2;
  EXPECT_FALSE(m.List().ClickRow(m.Named("Player"), confirm));
  EXPECT_EQ(confirm.asked, 1);
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Player", "Editor", "Advanced", "Plugin"}))
      << "a refusal changes nothing";

  confirm.answer = 1;
  EXPECT_TRUE(m.List().ClickRow(m.Named("Player"), confirm));
  EXPECT_EQ(confirm.asked, 2);
  EXPECT_EQ(confirm.lastDescription, "Player");
  EXPECT_EQ(confirm.lastState, STATE_NONE);
  EXPECT_EQ(confirm.lastAffected, (std::vector<std::string>{"Editor", "Advanced"}));
  EXPECT_EQ(Selected(), (std::vector<std::string>{"Plugin"})) << "one step deep: what needs the Editor stays";
}

TEST_F(SelectionTest, SelectingAsksForVisibleProvidersAndMarksOnlyThoseThatDiffer) {
  m.Named("Editor").Select(STATE_NONE);
  EXPECT_TRUE(m.List().MarkAffected(4, STATE_ALL));
  EXPECT_TRUE(m.Named("Player").m_bMarked);
  EXPECT_FALSE(m.Named("Editor").m_bMarked) << "a dependent is not a provider";
  m.Named("Player").Select(STATE_ALL);
  EXPECT_FALSE(m.List().MarkAffected(4, STATE_ALL)) << "an already selected provider is not marked";
  EXPECT_FALSE(m.Named("Player").m_bMarked);
  EXPECT_FALSE(m.List().MarkAffected(0, STATE_ALL));
  EXPECT_FALSE(m.List().MarkAffected(2, STATE_ALL)) << "a hidden provider asks nothing";
  EXPECT_TRUE(m.Named("Codec").m_bMarked) << "but it is marked";

  EXPECT_TRUE(m.List().ClickRow(m.Named("Editor"), confirm));
  EXPECT_EQ(confirm.asked, 0) << "its provider is already selected";
}

TEST_F(SelectionTest, ClickingAPartlySelectedParentDeselectsItWhole) {
  CComponent& suite = m.Named("Suite");
  m.Named("PartA").Select(STATE_ALL);
  ASSERT_EQ(suite.GetState(), STATE_SOME);
  m.Named("Codec").Select(STATE_ALL);
  confirm.answer = 1;
  EXPECT_TRUE(m.List().ClickRow(suite, confirm));
  EXPECT_EQ(suite.GetState(), STATE_NONE);
  EXPECT_EQ(confirm.asked, 0) << "Codec, which needs the suite, is hidden";
  EXPECT_EQ(m.Named("Codec").GetState(), STATE_NONE);
  EXPECT_TRUE(m.List().ClickRow(suite, confirm));
  EXPECT_EQ(suite.GetState(), STATE_ALL);
}

TEST_F(SelectionTest, RowAndRequiredSizes) {
  CComponent& suite = m.Named("Suite");
  CComponent& partA = m.Named("PartA");
  ASSERT_EQ(partA.m_nSize, 1048576);
  // A top-level component without children always shows its size.
  EXPECT_EQ(m.Named("Player").GetDisplaySize(), 50);
  EXPECT_EQ(partA.GetDisplaySize(), 0) << "a child shows its size only when selected";
  EXPECT_EQ(suite.GetDisplaySize(), 0);
  EXPECT_EQ(m.List().GetRequiredSize(), 0);

  partA.Select(STATE_ALL);
  EXPECT_EQ(partA.GetDisplaySize(), 1048576);
  EXPECT_EQ(suite.GetDisplaySize(), 300 + 1048576);
  EXPECT_EQ(m.List().GetRequiredSize(), 300 + 1048576) << "the parent's own size counts with a child";

  m.Named("Setup").Select(STATE_ALL);
  m.Named("Board").Select(STATE_ALL);
  EXPECT_EQ(m.List().GetRequiredSize(), 1000 + 5 + 300 + 1048576);
  suite.Select(STATE_ALL);
  EXPECT_EQ(suite.GetDisplaySize(), 300 + 1048576 + 40);

  EXPECT_EQ(FormatRowSize(suite.GetDisplaySize()), "     1.0 MB  ");
  EXPECT_EQ(FormatRequiredSize(3 * 1048576 / 2), "1.500 MB  ");
  EXPECT_EQ(FormatFreeSpace(2560), "2.500 MB  ");
  EXPECT_EQ(FormatFreeSpace(UINT_MAX), "4194303.999 MB  ");
  EXPECT_EQ(FormatRequiredSize(INT_MAX), "2048.000 MB  ");
}

TEST(ComponentSize, SumsBeyondTheRangeAreHeldAtTheLimit) {
  ScriptOnMachine m(
      "[DestinationDirs]\r\nDefaultDestDir = App\r\n"
      "[SourceDisksFiles]\r\nBIG.DAT = 1,,2000000000\r\nHUGE.DAT = 1,,99999999999\r\n"
      "[Setup]\r\nCopyFiles = Big.Files, Big.Files\r\n"
      "[Optional Components]\r\nMore\r\nLess\r\nFew\r\n"
      "[More]\r\nOptionDesc = More\r\nDiskSize = 2000000000\r\nCopyFiles = Huge.Files\r\n"
      "[Less]\r\nOptionDesc = Less\r\nDiskSize = -2000000000\r\nParent = More\r\n"
      "[Few]\r\nOptionDesc = Few\r\nDiskSize = -2147483648\r\nCopyFiles = Neg.Files\r\n"
      "[Big.Files]\r\nBIG.DAT\r\nBIG.DAT\r\n[Huge.Files]\r\nHUGE.DAT\r\n[Neg.Files]\r\nNEG.DAT\r\n");
  ASSERT_TRUE(m.List().Build(nullptr));
  EXPECT_EQ(m.Named("Setup").m_nSize, INT_MAX) << "four files of 2 000 000 000 bytes";
  EXPECT_EQ(m.Named("More").m_nSize, INT_MAX);
  EXPECT_EQ(m.Named("Few").m_nSize, INT_MIN) << "a negative disk size and a missing file hold at the bottom";

  for (auto& c : m.List()) c->Select(STATE_ALL);
  // Held at each step in list order: Setup and More stop at the top, then
  // Less and Few take it down again.
  EXPECT_EQ(m.List().GetRequiredSize(), static_cast<int>(std::int64_t{INT_MAX} - 2000000000 + INT_MIN));
  EXPECT_EQ(m.Named("More").GetDisplaySize(), INT_MAX - 2000000000);

  EXPECT_EQ(AddSizes(INT_MAX, INT64_MAX), INT_MAX);
  EXPECT_EQ(AddSizes(INT_MIN, INT64_MIN), INT_MIN);
  EXPECT_EQ(AddSizes(5, -7), -2);
}

}  // namespace
