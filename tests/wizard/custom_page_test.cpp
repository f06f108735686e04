// The custom page and its sub-component dialogs on a component tree built
// by hand: which rows are listed, what a click does by its column, and the
// subtree a cancelled dialog puts back, however deep the dialogs went.
#include <gtest/gtest.h>

#include "app/install_app.h"
#include "components/component.h"
#include "resource_ids.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"
#include "ui/headless/headless_host.h"
#include "wizard/choose_page.h"
#include "wizard/page_bench.h"

namespace {

using wizard_test::PageBench;

class CustomPageTest : public ::testing::Test {
 protected:
  CustomPageTest() : m_machine(sim::OsKind::Win98, "D:\\SETUP.EXE") {
    testing_support::InstallLanguageLibrary(m_machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
    m_machine.PutFile("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=display\r\n");
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), "");
    EXPECT_TRUE(m_app->StartUp());
    // Tools > (Viewer > Codec, Player), Hidden; Lost names a parent that is not there.
    tools = &Add("Tools", "", 1000);
    viewer = &Add("Viewer", "Tools", 2000);
    codec = &Add("Codec", "Viewer", 3 * 1024 * 1024);
    player = &Add("Player", "Viewer", 4000);
    Add("Hidden", "", 5000).m_nFlags |= CF_HIDDEN;
    Add("Lost", "Nowhere", 6000);
  }
  CComponent& Add(const std::string& name, const std::string& parent, std::int32_t size) {
    CComponent& c = m_app->GetComponents().Append(name);
    c.m_strDescription = name + " description";
    c.m_strTip = name + " tip";
    c.m_strParentName = parent;
    c.m_nSize = size;
    c.m_nFlags = CF_SELECTED;
    if (CComponent* p = m_app->GetComponents().Find(parent)) {
      c.m_pParent = p;
      p->m_children.push_back(&c);
    }
    return c;
  }
  // The page's dialogs answered from `waits` (template, actions).
  void Answer(const std::vector<std::pair<platform::UINT, std::string>>& waits) {
    for (const auto& [id, text] : waits) {
      std::string error;
      auto actions = ui::ParsePageActions(text, error);
      ASSERT_TRUE(actions) << error;
      m_answers.Add(id, std::move(*actions));
    }
    m_host = std::make_unique<ui::HeadlessHost>(m_machine.Platform(), &m_answers);
    m_machine.SetWizardHost(m_host.get());
  }

  testing_support::TempMachine m_machine;
  std::unique_ptr<CInstallApp> m_app;
  ui::PageAnswers m_answers;
  std::unique_ptr<ui::HeadlessHost> m_host;
  CComponent *tools = nullptr, *viewer = nullptr, *codec = nullptr, *player = nullptr;
};

TEST_F(CustomPageTest, OnlyVisibleTopLevelRowsAndClicksInTheIconColumnToggle) {
  CCustomPage page;
  PageBench bench(m_app->GetSession(), page);
  const auto& list = bench.window.lists[IDC_COMPONENT_LIST];
  EXPECT_EQ(list.items, (std::vector<std::string>{"Tools description"})) << "no hidden, no lost component";
  EXPECT_EQ(list.selected, 0);
  EXPECT_EQ(bench.window.controls[IDC_COMPONENT_TIP].text, "Tools tip");
  EXPECT_EQ(bench.window.controls[IDC_CHILDREN_SELECTED].text, "1 of 1 components selected");
  EXPECT_TRUE(bench.window.controls[IDC_CHANGE].enabled);
  platform::ListItemLook look;
  ASSERT_TRUE(page.GetListItemLook(IDC_COMPONENT_LIST, 0, look));
  EXPECT_EQ(look.iconId, static_cast<platform::UINT>(IDI_STATE_ALL));
  EXPECT_EQ(look.rightText, "     3.0 MB  ");
  const std::string before = bench.window.controls[IDC_SPACE_REQUIRED].text;

  page.OnListLeftButtonDown(IDC_COMPONENT_LIST, platform::kListIconColumn);
  EXPECT_EQ(tools->GetState(), STATE_ALL) << "a click on the text only selects";
  page.OnListLeftButtonDown(IDC_COMPONENT_LIST, 3);
  EXPECT_EQ(tools->GetState(), STATE_NONE);
  EXPECT_EQ(codec->m_nFlags & CF_SELECTED, 0u) << "the whole subtree";
  EXPECT_NE(bench.window.controls[IDC_SPACE_REQUIRED].text, before) << "the space line follows the click";
  EXPECT_EQ(bench.window.controls[IDC_CHILDREN_SELECTED].text, "0 of 1 components selected");
  EXPECT_GT(bench.window.lists[IDC_COMPONENT_LIST].redraws, 0);
}

TEST_F(CustomPageTest, CancelRestoresTheSubtreeThatNestedDialogsConfirmed) {
  // Tools' dialog opens Viewer's, which clears Codec and is confirmed; Tools'
  // dialog is then cancelled.
  Answer({{IDD_SUBCOMPONENTS, "open 0"}, {IDD_SUBCOMPONENTS, "toggle 0, ok"}, {IDD_SUBCOMPONENTS, "cancel"}});
  CCustomPage page;
  PageBench bench(m_app->GetSession(), page);
  page.OnCommand(IDC_CHANGE);
  EXPECT_EQ(m_answers.WaitsLeft(IDD_SUBCOMPONENTS), 0u);
  EXPECT_NE(codec->m_nFlags & CF_SELECTED, 0u);
  EXPECT_EQ(tools->GetState(), STATE_ALL);

  // Confirmed at both depths, the change stays and the parents follow their children.
  Answer({{IDD_SUBCOMPONENTS, "open 0"}, {IDD_SUBCOMPONENTS, "toggle 0, toggle 1, ok"}, {IDD_SUBCOMPONENTS, "ok"}});
  page.OnListDoubleClick(IDC_COMPONENT_LIST);
  EXPECT_EQ(tools->GetState(), STATE_NONE);
  EXPECT_EQ(viewer->m_nFlags & CF_SELECTED, 0u) << "a parent with nothing selected is cleared";
  EXPECT_EQ(tools->m_nFlags & CF_SELECTED, 0u);
  EXPECT_EQ(bench.window.controls[IDC_CHILDREN_SELECTED].text, "0 of 1 components selected");
}

TEST_F(CustomPageTest, TheChoosePagePreselectsAndShowsItsReadMeButtonOnlyWithAReadMe) {
  m_app->GetContext().SetFlags(m_app->GetContext().GetFlags() | SF_MAINTENANCE_WIZARD);
  viewer->m_nFlags = 0;
  codec->m_nFlags = CF_INSTALLED;
  player->m_nFlags = CF_SELECTED;
  CChoosePage page;
  PageBench bench(m_app->GetSession(), page, 6);
  EXPECT_FALSE(bench.window.controls[IDC_README_BUTTON].visible) << "no README in the setup folder";
  page.OnCommand(IDC_CHOOSE_MODIFY);
  EXPECT_NE(codec->m_nFlags & CF_SELECTED, 0u) << "what is installed stays chosen";
  EXPECT_EQ(player->m_nFlags & CF_SELECTED, 0u) << "what is not installed is not";
  EXPECT_EQ(bench.sheet.jumps.back(), kMaintCustomPage);
  page.OnCommand(IDC_CHOOSE_REMOVE);
  EXPECT_EQ(codec->m_nFlags & CF_SELECTED, 0u) << "removal clears everything";

  m_machine.PutFile("drive_d/README.TXT", "Read me.\r\n");
  m_app->GetReadMe().Load(m_app->GetContext());
  page.OnSetActive();
  EXPECT_TRUE(bench.window.controls[IDC_README_BUTTON].visible);
}

}  // namespace
