// The device choice dialog in the property sheet host under Wine: its rows
// as drawn on the screen (check box, check mark, text), OK enabled by a
// tick in the check box, and nothing but OK ending it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "resource_ids.h"
#include "ui/win32/property_sheet_host.h"
#include "wizard/device_dialog.h"
#include "wizard_host/fake_wizard.h"
#include "wizard_host/wizard_host_environment.h"

namespace wizard_host_test {
namespace {

// The real dialog, with a check run from its own message loop once it is shown.
class WatchedDialog final : public platform::IModalDialog {
 public:
  WatchedDialog(CDisplayDeviceDialog& dialog, std::function<void(HWND)> check)
      : m_dialog(dialog), m_check(std::move(check)) {}

  platform::HMODULE GetResourceModule() const override { return m_dialog.GetResourceModule(); }
  platform::UINT GetTemplateId() const override { return m_dialog.GetTemplateId(); }
  bool OnInitDialog(platform::IDialogWindow& window) override {
    s_watched = this;
    m_hwnd = reinterpret_cast<HWND>(window.GetHwnd());
    SetTimer(m_hwnd, 1, 50, Check);
    // A check that leaves the dialog open must not hang the run.
    SetTimer(m_hwnd, 2, 20000, Stop);
    return m_dialog.OnInitDialog(window);
  }
  void OnCommand(int id) override { m_dialog.OnCommand(id); }
  void OnListSelectionChange(int id) override { m_dialog.OnListSelectionChange(id); }
  void OnListLeftButtonDown(int id, int x) override { m_dialog.OnListLeftButtonDown(id, x); }
  void OnListSpaceBar(int id) override { m_dialog.OnListSpaceBar(id); }
  int GetListItemHeight(int id) override { return m_dialog.GetListItemHeight(id); }
  bool GetListItemLook(int id, int row, platform::ListItemLook& look) override {
    return m_dialog.GetListItemLook(id, row, look);
  }
  bool stopped = false;

 private:
  static void CALLBACK Check(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    s_watched->m_check(hwnd);
  }
  static void CALLBACK Stop(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    s_watched->stopped = true;
    EndDialog(hwnd, 99);
  }
  static inline WatchedDialog* s_watched = nullptr;
  CDisplayDeviceDialog& m_dialog;
  std::function<void(HWND)> m_check;
  HWND m_hwnd = nullptr;
};

// The dialog's texts straight from the library, as Windows loads them.
class LibraryResources final : public platform::IResources {
 public:
  int LoadStringA(platform::HMODULE module, platform::UINT id, char* buffer, int size) override {
    return ::LoadStringA(reinterpret_cast<HMODULE>(module), id, buffer, size);
  }
  platform::BOOL FindResourceA(platform::HMODULE module, platform::UINT id, platform::UINT type) override {
    return ::FindResourceA(reinterpret_cast<HMODULE>(module), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type)) != nullptr;
  }
  platform::HMODULE GetProgramModule() override { return reinterpret_cast<platform::HMODULE>(GetModuleHandleA(nullptr)); }
};

// Pixels of `colour` within `rect` of `window`.
int CountPixels(HWND window, const RECT& rect, COLORREF colour) {
  HDC dc = GetDC(window);
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) count += (GetPixel(dc, x, y) & 0xFFFFFF) == colour ? 1 : 0;
  }
  ReleaseDC(window, dc);
  return count;
}

TEST(DeviceDialogTest, ShowsItsRowsAndATickEnablesOk) {
  EventLog log;
  std::vector<CDisplayDevice> devices(2);
  for (int i = 0; i < 2; ++i) {
    devices[static_cast<std::size_t>(i)].m_nDevice = i;
    devices[static_cast<std::size_t>(i)].m_strDisplayName = "\\\\.\\Display" + std::to_string(i + 1);
    devices[static_cast<std::size_t>(i)].m_strDeviceDesc = "Vela 3D";
  }
  LibraryResources library;
  platform::Platform interfaces;
  interfaces.resources = &library;
  CResourceModule resources(interfaces, reinterpret_cast<platform::HMODULE>(ResourceModule()));
  CDisplayDeviceDialog dialog(resources, devices, false);
  int rows = 0, greyFrame = 0, whiteBox = 0, markBefore = -1, markAfter = 0, textInk = 0;
  bool okAtFirst = true, okAfterTick = false, openAfterCancel = false, pictureSaved = true;
  WatchedDialog watched(dialog, [&](HWND hwnd) {
    HWND list = GetDlgItem(hwnd, IDC_DISPLAY_DEVICE_LIST);
    HWND ok = GetDlgItem(hwnd, IDOK);
    UpdateWindow(hwnd);
    UpdateWindow(list);
    rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    okAtFirst = IsWindowEnabled(ok) != FALSE;
    RECT row0{}, row1{};
    SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row0));
    SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row1));
    const RECT column0{row0.left, row0.top, row0.left + platform::kListIconColumn, row0.bottom};
    const RECT column1{row1.left, row1.top, row1.left + platform::kListIconColumn, row1.bottom};
    greyFrame = CountPixels(list, column0, RGB(0x80, 0x80, 0x80));
    whiteBox = CountPixels(list, column0, RGB(0xFF, 0xFF, 0xFF));
    markBefore = CountPixels(list, column1, 0);
    // The text follows the box; row 1 is not selected, so its ink is the window text's.
    const RECT text1{row1.left + platform::kListIconColumn, row1.top, row1.right, row1.bottom};
    textInk = CountPixels(list, text1, GetSysColor(COLOR_WINDOWTEXT) & 0xFFFFFF);

    // A click in row 1's check box ticks it.
    const LPARAM at = MAKELPARAM(row1.left + 5, (row1.top + row1.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    UpdateWindow(list);
    okAfterTick = IsWindowEnabled(ok) != FALSE;
    markAfter = CountPixels(list, column1, 0);
    // The wizard pictures take the dialog from here, as a run on one display never shows it.
    if (const char* picture = std::getenv("WIZARD_HOST_DEVICE_DIALOG_PICTURE")) {
      pictureSaved = SaveWindowPicture(hwnd, picture);
    }

    // Escape and the close box do not end it; OK does.
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    openAfterCancel = IsWindow(hwnd) != FALSE;
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  });
  int result = -1;
  FakePage page("custom", IDD_CUSTOM_PAGE, log);
  win32ui::PropertySheetHost host;
  page.CheckWhenActive([&] {
    result = host.RunDialog(watched);
    page.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&page}, 0, log);
  RunWizard(sheet);
  EXPECT_FALSE(watched.stopped) << "the dialog did not end by OK";
  EXPECT_EQ(result, 0);
  EXPECT_EQ(rows, 2);
  EXPECT_FALSE(okAtFirst) << "nothing is ticked at first";
  EXPECT_GT(greyFrame, 8) << "the check box's grey frame";
  EXPECT_GT(whiteBox, 8) << "the check box is white inside";
  EXPECT_GT(textInk, 10) << "the row's text";
  EXPECT_EQ(markBefore, 0) << "no check mark before the tick";
  EXPECT_GT(markAfter, 3) << "the system's check mark in the ticked box";
  EXPECT_TRUE(okAfterTick);
  EXPECT_TRUE(openAfterCancel);
  EXPECT_TRUE(pictureSaved) << "the dialog's picture could not be written";
  EXPECT_FALSE(devices[0].m_bChosen);
  EXPECT_TRUE(devices[1].m_bChosen);
}

}  // namespace
}  // namespace wizard_host_test
