// Owner-drawn lists and modal dialogs in the property sheet host under Wine:
// clicks in and beside the icon column, double-clicks, the rows as drawn on
// the screen, and dialogs nested over the sheet.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "ui/win32/property_sheet_host.h"
#include "wizard_host/fake_wizard.h"
#include "wizard_host/wizard_host_environment.h"

namespace wizard_host_test {
namespace {

class ListDialogTest : public ::testing::Test {
 protected:
  EventLog m_log;
};

// A dialog whose handlers the test scripts; OK and Cancel end it.
class FakeDialog final : public platform::IModalDialog {
 public:
  FakeDialog(UINT templateId, std::string name, EventLog& log)
      : m_template(templateId), m_name(std::move(name)), m_log(log) {}

  std::function<void()> onInit;
  std::function<void(int)> onCommand;
  platform::IDialogWindow* window = nullptr;  // while the dialog is open
  HWND Hwnd() const { return window != nullptr ? reinterpret_cast<HWND>(window->GetHwnd()) : nullptr; }
  // Clicks control `id` once the dialog runs its message loop.
  void PostClick(int id) const {
    PostMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Hwnd(), id)));
  }

  platform::HMODULE GetResourceModule() const override { return reinterpret_cast<platform::HMODULE>(ResourceModule()); }
  platform::UINT GetTemplateId() const override { return m_template; }
  bool OnInitDialog(platform::IDialogWindow& w) override {
    window = &w;
    m_log.Add(m_name + " init");
    if (onInit) onInit();
    return true;
  }
  void OnCommand(int id) override {
    m_log.Add(m_name + " command " + std::to_string(id));
    if (onCommand) onCommand(id);
    if (id == IDOK || id == IDCANCEL) window->EndDialog(id);
  }
  int GetListItemHeight(int) override { return 20; }

 private:
  UINT m_template;
  std::string m_name;
  EventLog& m_log;
};

COLORREF PixelOf(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, x, y) & 0xFFFFFF;
  ReleaseDC(window, dc);
  return colour;
}

TEST_F(ListDialogTest, RowsAreDrawnAndClickedByColumn) {
  FakePage page("custom", IDD_CUSTOM_PAGE, m_log);
  page.onInit = [&] {
    for (int i = 0; i < 3; ++i) page.window->AddListItem(IDC_COMPONENT_LIST, "row " + std::to_string(i), 100 + i);
    page.window->SetListSelection(IDC_COMPONENT_LIST, 0);
    return true;
  };
  page.onLook = [](int, int row, platform::ListItemLook& look) {
    look.iconId = row == 0 ? IDI_STATE_ALL : IDI_STATE_NONE;
    look.text = "row " + std::to_string(row);
    look.rightText = "1.0 MB  ";
    return true;
  };
  LRESULT height = 0;
  int count = 0;
  std::uintptr_t data = 0;
  RECT row2{}, row1{};
  COLORREF selectedEdge = 0, otherEdge = 0, iconCentre = 0, textBackground = 0;
  page.CheckWhenActive([&] {
    HWND list = GetDlgItem(page.Hwnd(), IDC_COMPONENT_LIST);
    height = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    count = page.window->GetListCount(IDC_COMPONENT_LIST);
    data = page.window->GetListItemData(IDC_COMPONENT_LIST, 1);
    SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row1));
    SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row2));
    auto click = [&](UINT message, int x, const RECT& row) {
      const LPARAM at = MAKELPARAM(x, (row.top + row.bottom) / 2);
      SendMessageA(list, message, MK_LBUTTON, at);
      SendMessageA(list, WM_LBUTTONUP, 0, at);
    };
    click(WM_LBUTTONDOWN, 5, row1);    // in the icon column
    click(WM_LBUTTONDOWN, 60, row2);   // on the text
    click(WM_LBUTTONDBLCLK, 60, row2);
    UpdateWindow(list);
    selectedEdge = PixelOf(list, row2.right - 2, row2.top + 1);
    otherEdge = PixelOf(list, row1.right - 2, row1.top + 1);
    RECT row0{};
    SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row0));
    iconCentre = PixelOf(list, row0.left + 2 + 8, row0.top + 2 + 8);
    textBackground = PixelOf(list, row0.left + 19, row0.top + 1);
    page.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&page}, 0, m_log);
  RunWizard(sheet);
  EXPECT_EQ(height, 20);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(data, 101u);
  EXPECT_EQ(m_log.Count("custom click 1 at 5"), 1);
  EXPECT_EQ(m_log.Count("custom click 2 at 60"), 1) << "the double-click's second press is no click of its own";
  EXPECT_EQ(m_log.Count("custom selection 1012 2"), 1);
  EXPECT_EQ(m_log.Count("custom double-click 2"), 1);
  EXPECT_EQ(selectedEdge, GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF) << "the selected row is highlighted";
  EXPECT_EQ(otherEdge, GetSysColor(COLOR_WINDOW) & 0xFFFFFF);
  EXPECT_NE(iconCentre, textBackground) << "the state icon is drawn at the left edge";
}

TEST_F(ListDialogTest, DialogsNestOverTheSheetAndEndWithTheirResults) {
  win32ui::PropertySheetHost host;
  FakePage page("custom", IDD_CUSTOM_PAGE, m_log);
  FakeDialog outer(IDD_SUBCOMPONENTS, "outer", m_log), inner(IDD_SUBCOMPONENTS, "inner", m_log),
      missing(4321, "missing", m_log);
  // Windows as they were while the dialogs ran: the windows objects end with their dialogs.
  HWND outerOwner = nullptr, innerOwner = nullptr, sheetHwnd = nullptr, outerHwnd = nullptr;
  // The window on top, which owns the message boxes: the sheet, then each dialog while it is open.
  std::vector<HWND> onTop{reinterpret_cast<HWND>(host.GetTopWindow())};
  HWND innerHwnd = nullptr;
  std::string innerTitle;
  LRESULT innerHeight = 0;
  std::vector<int> results;
  outer.onInit = [&] {
    outerHwnd = outer.Hwnd();
    onTop.push_back(reinterpret_cast<HWND>(host.GetTopWindow()));
    outerOwner = GetWindow(outerHwnd, GW_OWNER);
    outer.PostClick(IDC_CHANGE);
  };
  outer.onCommand = [&](int id) {
    if (id != IDC_CHANGE) return;
    results.push_back(host.RunDialog(inner));
    onTop.push_back(reinterpret_cast<HWND>(host.GetTopWindow()));
    results.push_back(host.RunDialog(missing));
    outer.window->EndDialog(1024);
  };
  inner.onInit = [&] {
    innerHwnd = inner.Hwnd();
    onTop.push_back(reinterpret_cast<HWND>(host.GetTopWindow()));
    innerOwner = GetWindow(inner.Hwnd(), GW_OWNER);
    inner.window->SetTitle("Components of Utilities");
    innerTitle = WindowText(inner.Hwnd());
    innerHeight = SendDlgItemMessageA(inner.Hwnd(), IDC_COMPONENT_LIST, LB_GETITEMHEIGHT, 0, 0);
    inner.PostClick(IDOK);
  };
  page.CheckWhenActive([&] {
    sheetHwnd = page.SheetHwnd();
    onTop.push_back(reinterpret_cast<HWND>(host.GetTopWindow()));
    results.push_back(host.RunDialog(outer));
    onTop.push_back(reinterpret_cast<HWND>(host.GetTopWindow()));
    page.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&page}, 0, m_log);
  RunWizard(sheet);
  onTop.push_back(reinterpret_cast<HWND>(host.GetTopWindow()));
  EXPECT_EQ(onTop, (std::vector<HWND>{nullptr, sheetHwnd, outerHwnd, innerHwnd, outerHwnd, sheetHwnd, nullptr}));
  EXPECT_EQ(results, (std::vector<int>{1, 2, 1024})) << "inner OK, no template: closed, outer its own result";
  EXPECT_EQ(outerOwner, sheetHwnd) << "the first dialog is owned by the sheet";
  EXPECT_EQ(innerOwner, outerHwnd) << "a nested dialog is owned by the one it opened from";
  EXPECT_EQ(innerTitle, "Components of Utilities");
  EXPECT_EQ(innerHeight, 20);
  EXPECT_EQ(m_log.Count("missing init"), 0);
}

}  // namespace
}  // namespace wizard_host_test
