// The page and sheet windows of the property sheet, as the pages see them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/wizard_host.h"

namespace win32ui {

// The calls on a dialog's controls that pages and modal dialogs share.
std::string ItemText(HWND dialog, int id);
void ShowItem(HWND dialog, int id, bool show);
void EnableItem(HWND dialog, int id, bool enable);
int AddListItem(HWND dialog, int id, const std::string& text, std::uintptr_t data);
std::uintptr_t ListItemData(HWND dialog, int id, int row);

// The owner-drawn lists of a dialog: each row as high as its handler asks,
// left-button clicks told to the handler after the list took them.
void PrepareOwnerDrawnLists(HWND dialog, platform::IControlHandler& handler);
// WM_COMMAND from a list box: LBN_SELCHANGE and LBN_DBLCLK; true when it was one.
bool ListNotification(HWND dialog, WPARAM wParam, LPARAM lParam, platform::IControlHandler& handler);

// The icons the rows of owner-drawn lists show, loaded once per window.
class RowIcons {
 public:
  explicit RowIcons(HMODULE resources) : m_resources(resources) {}
  ~RowIcons() { Release(); }
  RowIcons(const RowIcons&) = delete;
  RowIcons& operator=(const RowIcons&) = delete;
  HICON Get(UINT id);
  void Release();

 private:
  HMODULE m_resources;
  std::map<UINT, HICON> m_icons;
};

// WM_DRAWITEM of an owner-drawn list row: the highlight when it is selected,
// the text from 20 pixels on, the right text at the right edge, the icon at
// the left edge; true when it was a list row.
bool DrawListRow(const DRAWITEMSTRUCT& item, platform::IControlHandler& handler, RowIcons& icons);

// A dialog's controls by ID, for the page and the modal dialog windows.
template <typename Window>
class Win32Controls : public Window {
 public:
  Win32Controls(HWND hwnd, HMODULE resources) : m_hwnd(hwnd), m_resources(resources), m_icons(resources) {}

  platform::HWND GetHwnd() override { return reinterpret_cast<platform::HWND>(m_hwnd); }
  void SetItemText(int id, const std::string& text) override { SetDlgItemTextA(m_hwnd, id, text.c_str()); }
  std::string GetItemText(int id) override { return ItemText(m_hwnd, id); }
  void ShowItem(int id, bool show) override { win32ui::ShowItem(m_hwnd, id, show); }
  void EnableItem(int id, bool enable) override { win32ui::EnableItem(m_hwnd, id, enable); }
  void CheckRadioButton(int firstId, int lastId, int checkId) override {
    ::CheckRadioButton(m_hwnd, firstId, lastId, checkId);
  }
  bool IsButtonChecked(int id) override { return IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED; }
  void ResetList(int id) override { SendDlgItemMessageA(m_hwnd, id, LB_RESETCONTENT, 0, 0); }
  int AddListItem(int id, const std::string& text, std::uintptr_t data) override {
    return win32ui::AddListItem(m_hwnd, id, text, data);
  }
  int GetListCount(int id) override {
    const LRESULT count = SendDlgItemMessageA(m_hwnd, id, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
  }
  void SetListSelection(int id, int row) override {
    SendDlgItemMessageA(m_hwnd, id, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  }
  int GetListSelection(int id) override {
    const LRESULT row = SendDlgItemMessageA(m_hwnd, id, LB_GETCURSEL, 0, 0);
    return row == LB_ERR ? -1 : static_cast<int>(row);
  }
  std::uintptr_t GetListItemData(int id, int row) override { return ListItemData(m_hwnd, id, row); }
  void RedrawList(int id) override {
    if (HWND list = GetDlgItem(m_hwnd, id); list != nullptr) InvalidateRect(list, nullptr, TRUE);
  }

  HWND Hwnd() const { return m_hwnd; }
  RowIcons& Icons() { return m_icons; }

 protected:
  HWND m_hwnd;
  HMODULE m_resources;
  RowIcons m_icons;
};

// A modal dialog's window.
class Win32DialogWindow final : public Win32Controls<platform::IDialogWindow> {
 public:
  using Win32Controls::Win32Controls;
  void SetTitle(const std::string& title) override { SetWindowTextA(m_hwnd, title.c_str()); }
  void EndDialog(int result) override { ::EndDialog(m_hwnd, result); }
};

// One page's dialog. Its GDI objects (picture buttons, palette) are freed
// with the dialog; the object itself lasts for the run, so a page that calls
// it late reaches no freed memory, only a window that is gone.
class Win32PageWindow final : public Win32Controls<platform::IPageWindow> {
 public:
  Win32PageWindow(HWND page, HMODULE resources) : Win32Controls(page, resources) {}
  ~Win32PageWindow() override { Release(); }
  Win32PageWindow(const Win32PageWindow&) = delete;
  Win32PageWindow& operator=(const Win32PageWindow&) = delete;

  void SetProgressRange(int id, int low, int high) override;
  void SetProgressPos(int id, int position) override;
  void SetProgressStep(int id, int step) override;
  void StepProgress(int id) override;
  bool SetPictureButton(int id, platform::UINT normal, platform::UINT pressed, platform::UINT focused) override;
  void SetTimer(platform::UINT_PTR id, platform::UINT milliseconds) override;
  void KillTimer(platform::UINT_PTR id) override;
  bool BrowseForFolder(std::string& path) override;
  void Invalidate() override;

  // WM_DRAWITEM of a picture button: true when it was one of ours.
  bool DrawPictureButton(const DRAWITEMSTRUCT& item);
  // The page's picture, painted in WM_PAINT.
  void PaintPicture(HDC dc, const platform::PagePicture& picture);
  // WM_QUERYNEWPALETTE / WM_PALETTECHANGED: realises the picture's palette
  // in the page; true when there was one.
  bool RealizePicturePalette(const platform::PagePicture* picture);
  // The dialog is being destroyed.
  void Release();

 private:
  struct PictureButton {
    int id;
    HBITMAP normal, pressed, focused;
  };
  // The palette of `picture`, made again when its colours changed.
  HPALETTE PaletteFor(const platform::PagePicture& picture);

  std::vector<PictureButton> m_buttons;
  HPALETTE m_palette = nullptr;
  std::vector<std::uint8_t> m_paletteColours;
};

// The sheet window. Button texts set through it are remembered and set once
// more when the sheet is first shown, so that texts set while the sheet is
// being made stay whatever the sheet does before it appears.
class Win32SheetWindow final : public platform::ISheetWindow {
 public:
  void Attach(HWND sheet) { m_hwnd = sheet; }
  HWND Hwnd() const { return m_hwnd; }

  platform::HWND GetHwnd() override { return reinterpret_cast<platform::HWND>(m_hwnd); }
  void SetWizardButtons(platform::DWORD buttons) override;
  void SetActivePage(int position) override;
  void PressButton(int button) override;
  void SetButtonText(int controlId, const std::string& text) override;
  void MoveWindow(int x, int y, int width, int height) override;
  void ShowWindow(int command) override;
  void BringToTop() override;

  void ReapplyButtonTexts();

 private:
  HWND m_hwnd = nullptr;
  std::map<int, std::string> m_buttonTexts;
};

}  // namespace win32ui
