// Owner-drawn lists and modal dialogs in the page host: rows with their
// looks, clicks by column, double-clicks, nested dialogs and their results.
#include <gtest/gtest.h>

#include "fake_wizard.h"

namespace {

using namespace ui_test;
using ui::HeadlessHost;

constexpr platform::UINT kSubComponents = 208, kDependency = 215;
constexpr int kList = 1012, kChange = 1014;

// Rows "row 0" … with a check mark each; the mark flips on a click in the
// check-mark column. Shared by the fake page and the fake dialogs.
struct CheckList {
  std::vector<bool> ticked;
  Journal& journal;
  std::string who;

  void Fill(platform::IControlWindow& window) {
    window.ResetList(kList);
    for (std::size_t i = 0; i < ticked.size(); ++i) window.AddListItem(kList, "row " + std::to_string(i), i + 100);
  }
  bool Look(int row, platform::ListItemLook& look) {
    if (row < 0 || static_cast<std::size_t>(row) >= ticked.size()) return false;
    look.iconId = ticked[static_cast<std::size_t>(row)] ? 140 : 139;
    look.mark = ticked[static_cast<std::size_t>(row)] ? platform::CheckMark::Ticked : platform::CheckMark::Clear;
    look.text = "row " + std::to_string(row);
    look.rightText = "  1.0 MB  ";
    return true;
  }
  void Click(platform::IControlWindow& window, int x) {
    const int row = window.GetListSelection(kList);
    journal.push_back(who + " click " + std::to_string(row) + " at " + std::to_string(x));
    if (x < platform::kListIconColumn && row >= 0) {
      const std::size_t at = static_cast<std::size_t>(row);
      ticked[at] = !ticked[at];
    }
    window.RedrawList(kList);
  }
};

class FakeDialog final : public platform::IModalDialog {
 public:
  FakeDialog(platform::UINT templateId, Journal& journal, std::string name)
      : m_templateId(templateId), m_list{{false, true}, journal, std::move(name)} {}

  std::function<void(FakeDialog&, int)> onCommand;
  platform::IDialogWindow* window = nullptr;
  CheckList& List() { return m_list; }

  platform::HMODULE GetResourceModule() const override { return ui_test::GetResourceModule(); }
  platform::UINT GetTemplateId() const override { return m_templateId; }
  bool OnInitDialog(platform::IDialogWindow& w) override {
    window = &w;
    window->SetTitle(m_list.who);
    if (m_templateId == kSubComponents) m_list.Fill(w);
    return true;
  }
  void OnCommand(int id) override {
    m_list.journal.push_back(m_list.who + " command " + std::to_string(id));
    if (onCommand) onCommand(*this, id);
    if (id == 1 || id == 2) window->EndDialog(id);
  }
  void OnListLeftButtonDown(int id, int x) override {
    if (id == kList) m_list.Click(*window, x);
  }
  void OnListDoubleClick(int) override { m_list.journal.push_back(m_list.who + " double-click"); }
  int GetListItemHeight(int) override { return 20; }
  bool GetListItemLook(int id, int row, platform::ListItemLook& look) override {
    return id == kList && m_list.Look(row, look);
  }

 private:
  platform::UINT m_templateId;
  CheckList m_list;
};

// A page on the custom page's template with the check list.
class ListPage final : public FakePage {
 public:
  ListPage(Journal& journal) : FakePage(kCustom, journal), list{{true, false, false}, journal, "page"} {}
  CheckList list;
  void OnListSelectionChange(int id) override {
    Note("page selection " + std::to_string(Window().GetListSelection(id)));
  }
  void OnListDoubleClick(int id) override {
    Note("page double-click " + std::to_string(Window().GetListSelection(id)));
  }
  void OnListLeftButtonDown(int id, int x) override {
    if (id == kList) list.Click(Window(), x);
  }
  bool GetListItemLook(int id, int row, platform::ListItemLook& look) override {
    return id == kList && list.Look(row, look);
  }
};

class SingleSheet final : public platform::IWizardSheet {
 public:
  explicit SingleSheet(FakePage& page) : m_page(page) {}
  platform::HMODULE GetResourceModule() const override { return ui_test::GetResourceModule(); }
  platform::UINT GetCaptionId() const override { return 1; }
  platform::UINT GetIconId() const override { return 128; }
  int GetPageCount() const override { return 1; }
  platform::IWizardPage& GetPage(int) override { return m_page; }
  int GetStartPage() const override { return 0; }
  void OnCreate(platform::ISheetWindow&) override {}
  void GetLogoBitmaps(int, platform::UINT& image, platform::UINT& mask) const override {
    image = 139;
    mask = 140;
  }

 private:
  FakePage& m_page;
};

TEST_F(HostTest, OwnerDrawnRowsShowTheirLooksAndClicksActByColumn) {
  Journal journal;
  ListPage page(journal);
  page.onActive = [](FakePage& p) { static_cast<ListPage&>(p).list.Fill(p.Window()); };
  ui::PageAnswers answers = Answers({{kCustom, "select 1012 1, toggle 2, open 2"}, {kCustom, "cancel"}});
  std::vector<platform::CheckMark> marks;
  HeadlessHost host(Platform(), &answers);
  SingleSheet sheet(page);
  host.RunWizard(sheet);
  const ui::ControlModel* seen = host.Control(0, kList);
  ASSERT_NE(seen, nullptr);
  for (const auto& look : seen->looks) marks.push_back(look.mark);
  EXPECT_EQ(marks, (std::vector<platform::CheckMark>{platform::CheckMark::Ticked, platform::CheckMark::Clear,
                                                    platform::CheckMark::Ticked}))
      << "the toggled row is drawn again with its new mark";
  EXPECT_EQ(seen->looks[0].iconId, 140u);
  EXPECT_EQ(seen->looks[1].rightText, "  1.0 MB  ");
  EXPECT_EQ(seen->itemData, (std::vector<std::uintptr_t>{100, 101, 102}));
  EXPECT_EQ(seen->selectedRow, 2);
  // Selecting by text tells the page of the new row only; a toggle clicks in
  // the icon column after the row is selected; a double-click on the
  // selected row changes no selection.
  EXPECT_EQ(Lines(journal.begin() + 2, journal.end()),
            (Lines{"page selection 1", "page selection 2", "page click 2 at 0", "page double-click 2"}));
  EXPECT_TRUE(Logged("toggle 1012 2"));
  EXPECT_TRUE(Logged("open 1012 2"));
}

TEST_F(HostTest, DialogsNestEndWithTheirResultsAndCancelWhenNobodyAnswers) {
  Journal journal;
  FakePage page(kCustom, journal);
  FakeDialog outer(kSubComponents, journal, "outer"), inner(kSubComponents, journal, "inner"),
      unanswered(kDependency, journal, "question");
  std::vector<int> results;
  // The second 208 line answers the inner dialog; the outer one's line goes
  // on after the inner dialogs closed.
  ui::PageAnswers answers = Answers({{kCustom, "click 1014"},
                                     {kSubComponents, "toggle 0, click 1014, next, cancel"},
                                     {kSubComponents, "toggle 1, ok, ok"},
                                     {kCustom, "cancel"}});
  HeadlessHost answered(Platform(), &answers);
  page.onCommand = [&](FakePage&, int id) {
    if (id == kChange) results.push_back(answered.RunDialog(outer));
  };
  outer.onCommand = [&](FakeDialog&, int id) {
    if (id != kChange) return;
    EXPECT_EQ(answered.DialogDepth(), 1);
    results.push_back(answered.RunDialog(inner));
    results.push_back(answered.RunDialog(unanswered));
  };
  inner.onCommand = [&](FakeDialog&, int id) {
    if (id != 1) return;
    EXPECT_EQ(answered.DialogDepth(), 2);
    EXPECT_EQ(answered.TopDialog()->title, "inner");
    EXPECT_EQ(answered.ActiveTemplateId(), kSubComponents);
  };
  SingleSheet sheet(page);
  answered.RunWizard(sheet);
  EXPECT_EQ(results, (std::vector<int>{1, 2, 2})) << "inner OK, unanswered question cancelled, outer cancelled";
  EXPECT_EQ(outer.List().ticked, (std::vector<bool>{true, true}));
  EXPECT_EQ(inner.List().ticked, (std::vector<bool>{false, false}));
  const auto events = HostEvents();
  const Lines expected{"press 1014 on 132",        "dialog 208 subcomponents",
                       "toggle 1012 0",            "press 1014 on 208",
                       "dialog 208 subcomponents", "toggle 1012 1",
                       "press 1 on 208",           "refused ok on 208: the dialog is closed",
                       "dialog 208 ends with 1",   "dialog 215 dependency",
                       "dialog 215 waits with nobody to answer: cancelled",
                       "dialog 215 ends with 2",   "refused next on 208: a dialog has no wizard buttons",
                       "press 2 on 208",           "dialog 208 ends with 2"};
  auto first = std::find(events.begin(), events.end(), expected.front());
  ASSERT_NE(first, events.end());
  const std::size_t left = static_cast<std::size_t>(events.end() - first);
  EXPECT_EQ(Lines(first, first + static_cast<std::ptrdiff_t>(std::min(expected.size(), left))), expected);
}

TEST_F(HostTest, ADialogWithoutItsTemplateAnswersAsClosed) {
  Journal journal;
  FakeDialog missing(4321, journal, "missing");
  HeadlessHost host(Platform(), nullptr);
  EXPECT_EQ(host.RunDialog(missing), platform::kDialogClose);
  EXPECT_EQ(missing.window, nullptr) << "no dialog, no initialisation";
  EXPECT_TRUE(Logged("dialog 4321 cannot be made: no dialog template 4321"));
}

}  // namespace
