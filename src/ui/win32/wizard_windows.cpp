// The system's check-mark bitmap (OBM_CHECK).
#define OEMRESOURCE
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

#include "ui/win32/wizard_windows.h"

#include "ui/win32/wizard_painting.h"

namespace win32ui {
namespace {

bool FitsInWord(int value) { return value >= 0 && value <= 0xFFFF; }

}  // namespace

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return {};
  const int length = GetWindowTextLengthA(item);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(item, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

void ShowItem(HWND dialog, int id, bool show) {
  HWND item = GetDlgItem(dialog, id);
  if (item != nullptr) ::ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

void EnableItem(HWND dialog, int id, bool enable) {
  HWND item = GetDlgItem(dialog, id);
  if (item != nullptr) EnableWindow(item, enable ? TRUE : FALSE);
}

int AddListItem(HWND dialog, int id, const std::string& text, std::uintptr_t data) {
  const LRESULT row = SendDlgItemMessageA(dialog, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (row == LB_ERR || row == LB_ERRSPACE) return -1;
  SendDlgItemMessageA(dialog, id, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(data));
  return static_cast<int>(row);
}

std::uintptr_t ListItemData(HWND dialog, int id, int row) {
  const LRESULT data = SendDlgItemMessageA(dialog, id, LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
  return data == LB_ERR ? 0 : static_cast<std::uintptr_t>(data);
}

namespace {

constexpr const char* kListProcProperty = "SetupListProc";
constexpr const char* kListHandlerProperty = "SetupListHandler";

bool IsListBox(HWND window) {
  char name[16] = {};
  if (GetClassNameA(window, name, sizeof name) != 7) return false;
  const char* expected = "LISTBOX";
  for (int i = 0; i < 7; ++i) {
    const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A') : name[i];
    if (c != expected[i]) return false;
  }
  return true;
}

LRESULT CALLBACK ListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  auto original = reinterpret_cast<WNDPROC>(GetPropA(list, kListProcProperty));
  auto* handler = static_cast<platform::IControlHandler*>(GetPropA(list, kListHandlerProperty));
  if (original == nullptr) return DefWindowProcA(list, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropA(list, kListProcProperty);
    RemovePropA(list, kListHandlerProperty);
    return CallWindowProcA(original, list, message, wParam, lParam);
  }
  const LRESULT result = CallWindowProcA(original, list, message, wParam, lParam);
  // The list selected the row under the pointer; the dialog hears of the click after that.
  if (message == WM_LBUTTONDOWN && handler != nullptr) {
    handler->OnListLeftButtonDown(GetDlgCtrlID(list), static_cast<short>(LOWORD(lParam)));
  }
  if (message == WM_CHAR && wParam == ' ' && handler != nullptr) handler->OnListSpaceBar(GetDlgCtrlID(list));
  return result;
}

}  // namespace

void PrepareOwnerDrawnLists(HWND dialog, platform::IControlHandler& handler) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    if (!IsListBox(child) || (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) == 0) continue;
    const int id = GetDlgCtrlID(child);
    SendMessageA(child, LB_SETITEMHEIGHT, 0, MAKELPARAM(handler.GetListItemHeight(id), 0));
    if (GetPropA(child, kListProcProperty) != nullptr) continue;
    SetPropA(child, kListHandlerProperty, &handler);
    SetPropA(child, kListProcProperty,
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListSubclassProc))));
  }
}

bool ListNotification(HWND, WPARAM wParam, LPARAM lParam, platform::IControlHandler& handler) {
  const auto control = reinterpret_cast<HWND>(lParam);
  if (control == nullptr || !IsListBox(control)) return false;
  const int id = LOWORD(wParam);
  switch (HIWORD(wParam)) {
    case LBN_SELCHANGE: handler.OnListSelectionChange(id); return true;
    case LBN_DBLCLK: handler.OnListDoubleClick(id); return true;
    default: return false;
  }
}

HICON RowIcons::Get(UINT id) {
  if (id == 0) return nullptr;
  auto found = m_icons.find(id);
  if (found != m_icons.end()) return found->second;
  auto icon = static_cast<HICON>(LoadImageA(m_resources, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
  m_icons[id] = icon;
  return icon;
}

void RowIcons::Release() {
  for (const auto& [id, icon] : m_icons) {
    if (icon != nullptr) DestroyIcon(icon);
  }
  m_icons.clear();
}

namespace {

// The system's check mark, centred in `box` (one pixel right of centre),
// ANDed onto what is under it.
void DrawCheckMark(HDC dc, const RECT& box) {
  HBITMAP mark = LoadBitmapA(nullptr, MAKEINTRESOURCEA(OBM_CHECK));
  if (mark == nullptr) return;
  BITMAP size{};
  HDC source = CreateCompatibleDC(dc);
  if (source != nullptr && GetObjectA(mark, sizeof size, &size) != 0) {
    HGDIOBJ previous = SelectObject(source, mark);
    // The monochrome mark: its black on black, its white keeping the box.
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const int left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    const int markWidth = size.bmWidth, markHeight = size.bmHeight;
    int x = left + (right - left - markWidth) / 2 + 1;
    int y = top + (bottom - top - markHeight) / 2;
    // A mark larger than the box is cut to the box.
    const int fromX = x < left ? left - x : 0, fromY = y < top ? top - y : 0;
    x += fromX;
    y += fromY;
    const int width = std::min(markWidth - fromX, right - x);
    const int height = std::min(markHeight - fromY, bottom - y);
    if (width > 0 && height > 0) BitBlt(dc, x, y, width, height, source, fromX, fromY, SRCAND);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SelectObject(source, previous);
  }
  if (source != nullptr) DeleteDC(source);
  DeleteObject(mark);
}

// A row with a check box of the font's height, set in from the left edge as
// far as it is from the top, the text after it.
void DrawCheckBoxRow(const DRAWITEMSTRUCT& item, const platform::ListItemLook& look) {
  HDC dc = item.hDC;
  TEXTMETRICA metrics{};
  if (GetTextMetricsA(dc, &metrics) == 0) metrics.tmHeight = metrics.tmAveCharWidth = 8;
  const RECT& row = item.rcItem;
  const int side = metrics.tmHeight;
  const int inset = (row.bottom - row.top - side) / 2;
  const RECT box{row.left + inset, row.top + inset, row.left + inset + side, row.top + inset + side};

  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  if (HBRUSH brush = CreateSolidBrush(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW)); brush != nullptr) {
    FillRect(dc, &row, brush);
    DeleteObject(brush);
  }
  const COLORREF oldText = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));

  if (HPEN grey = CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)); grey != nullptr) {
    HGDIOBJ oldPen = SelectObject(dc, grey);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(grey);
  }
  if (look.mark == platform::CheckMark::Ticked) DrawCheckMark(dc, box);

  const int oldMode = SetBkMode(dc, TRANSPARENT);
  RECT text = row;
  text.left = box.right + metrics.tmAveCharWidth;
  DrawTextA(dc, look.text.c_str(), static_cast<int>(look.text.size()), &text,
            DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldText);
  if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(dc, &row);
}

}  // namespace

bool DrawListRow(const DRAWITEMSTRUCT& item, platform::IControlHandler& handler, RowIcons& icons) {
  if (item.CtlType != ODT_LISTBOX) return false;
  if (item.itemID == static_cast<UINT>(-1)) return true;  // an empty list with the focus
  platform::ListItemLook look;
  if (!handler.GetListItemLook(static_cast<int>(item.CtlID), static_cast<int>(item.itemID), look)) return true;
  if (look.checkBox) {
    DrawCheckBoxRow(item, look);
    return true;
  }
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF oldText = selected ? SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT)) : GetTextColor(dc);
  if (HBRUSH brush = CreateSolidBrush(selected ? GetSysColor(COLOR_HIGHLIGHT) : GetBkColor(dc)); brush != nullptr) {
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  }
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  rect.left += platform::kListIconColumn;
  const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  DrawTextA(dc, look.text.c_str(), static_cast<int>(look.text.size()), &rect, DT_LEFT | format);
  DrawTextA(dc, look.rightText.c_str(), static_cast<int>(look.rightText.size()), &rect, DT_RIGHT | format);
  SetTextColor(dc, oldText);
  SetBkMode(dc, oldMode);
  if (HICON icon = icons.Get(look.iconId); icon != nullptr) {
    DrawIconEx(dc, item.rcItem.left + 2, item.rcItem.top + 2, icon, 16, 16, 0, nullptr, DI_NORMAL);
  }
  return true;
}

void Win32PageWindow::SetProgressRange(int id, int low, int high) {
  // The 16-bit message reaches every progress bar; the 32-bit one only newer ones.
  if (FitsInWord(low) && FitsInWord(high)) {
    SendDlgItemMessageA(m_hwnd, id, PBM_SETRANGE, 0, MAKELPARAM(low, high));
  } else {
    SendDlgItemMessageA(m_hwnd, id, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
  }
}

void Win32PageWindow::SetProgressPos(int id, int position) {
  SendDlgItemMessageA(m_hwnd, id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32PageWindow::SetProgressStep(int id, int step) {
  SendDlgItemMessageA(m_hwnd, id, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void Win32PageWindow::StepProgress(int id) { SendDlgItemMessageA(m_hwnd, id, PBM_STEPIT, 0, 0); }

bool Win32PageWindow::SetPictureButton(int id, platform::UINT normal, platform::UINT pressed, platform::UINT focused) {
  HWND control = GetDlgItem(m_hwnd, id);
  if (control == nullptr) return false;
  PictureButton button{id, LoadBitmapA(m_resources, MAKEINTRESOURCEA(normal)),
                       LoadBitmapA(m_resources, MAKEINTRESOURCEA(pressed)),
                       LoadBitmapA(m_resources, MAKEINTRESOURCEA(focused))};
  BITMAP size{};
  if (button.normal == nullptr || button.pressed == nullptr || button.focused == nullptr ||
      GetObjectA(button.normal, sizeof size, &size) == 0) {
    for (HBITMAP bitmap : {button.normal, button.pressed, button.focused}) {
      if (bitmap != nullptr) DeleteObject(bitmap);
    }
    return false;
  }
  bool replaced = false;
  for (PictureButton& old : m_buttons) {
    if (old.id != id) continue;
    for (HBITMAP bitmap : {old.normal, old.pressed, old.focused}) DeleteObject(bitmap);
    old = button;
    replaced = true;
  }
  if (!replaced) m_buttons.push_back(button);

  // The button draws itself from its bitmaps, whatever its template says.
  const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
  SetWindowLongPtrA(control, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  SetWindowPos(control, nullptr, 0, 0, size.bmWidth, size.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(control, nullptr, TRUE);
  return true;
}

bool Win32PageWindow::DrawPictureButton(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return false;
  for (const PictureButton& button : m_buttons) {
    if (button.id != static_cast<int>(item.CtlID)) continue;
    HBITMAP bitmap = (item.itemState & ODS_SELECTED) != 0 ? button.pressed
                     : (item.itemState & ODS_FOCUS) != 0  ? button.focused
                                                          : button.normal;
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    HDC memory = CreateCompatibleDC(item.hDC);
    if (memory == nullptr) return true;
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return true;
  }
  return false;
}

void Win32PageWindow::SetTimer(platform::UINT_PTR id, platform::UINT milliseconds) {
  ::SetTimer(m_hwnd, id, milliseconds, nullptr);
}

void Win32PageWindow::KillTimer(platform::UINT_PTR id) { ::KillTimer(m_hwnd, id); }

bool Win32PageWindow::BrowseForFolder(std::string& path) {
  // The browser needs the component object library on this thread.
  const HRESULT com = CoInitialize(nullptr);
  char displayName[MAX_PATH] = {};
  char emptyTitle[] = "";
  BROWSEINFOA info{};
  info.hwndOwner = m_hwnd;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = emptyTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  bool chosen = false;
  if (LPITEMIDLIST item = SHBrowseForFolderA(&info); item != nullptr) {
    char folder[MAX_PATH] = {};
    if (SHGetPathFromIDListA(item, folder)) {
      path = folder;
      chosen = true;
    }
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}

void Win32PageWindow::Invalidate() { InvalidateRect(m_hwnd, nullptr, TRUE); }

HPALETTE Win32PageWindow::PaletteFor(const platform::PagePicture& picture) {
  if (m_palette == nullptr || picture.palette != m_paletteColours) {
    if (m_palette != nullptr) DeleteObject(m_palette);
    m_paletteColours = picture.palette;
    m_palette = MakePalette(m_paletteColours);
  }
  return m_palette;
}

void Win32PageWindow::PaintPicture(HDC dc, const platform::PagePicture& picture) {
  RECT client{};
  GetClientRect(m_hwnd, &client);
  DrawPagePicture(dc, client, picture, picture.palette.empty() ? nullptr : PaletteFor(picture));
}

bool Win32PageWindow::RealizePicturePalette(const platform::PagePicture* picture) {
  if (picture == nullptr || picture->palette.empty()) return false;
  HPALETTE palette = PaletteFor(*picture);
  if (palette == nullptr) return false;
  HDC dc = GetDC(m_hwnd);
  if (dc == nullptr) return false;
  HPALETTE old = SelectPalette(dc, palette, FALSE);
  const UINT changed = RealizePalette(dc);
  SelectPalette(dc, old, FALSE);
  ReleaseDC(m_hwnd, dc);
  if (changed != 0 && changed != GDI_ERROR) InvalidateRect(m_hwnd, nullptr, TRUE);
  return true;
}

void Win32PageWindow::Release() {
  m_icons.Release();
  for (const PictureButton& button : m_buttons) {
    for (HBITMAP bitmap : {button.normal, button.pressed, button.focused}) DeleteObject(bitmap);
  }
  m_buttons.clear();
  if (m_palette != nullptr) DeleteObject(m_palette);
  m_palette = nullptr;
  m_paletteColours.clear();
}

void Win32SheetWindow::SetWizardButtons(platform::DWORD buttons) { PropSheet_SetWizButtons(m_hwnd, buttons); }

void Win32SheetWindow::SetActivePage(int position) {
  SendMessageA(m_hwnd, PSM_SETCURSEL, static_cast<WPARAM>(position), 0);
}

void Win32SheetWindow::PressButton(int button) { PropSheet_PressButton(m_hwnd, button); }

void Win32SheetWindow::SetButtonText(int controlId, const std::string& text) {
  m_buttonTexts[controlId] = text;
  SetDlgItemTextA(m_hwnd, controlId, text.c_str());
}

void Win32SheetWindow::ReapplyButtonTexts() {
  for (const auto& [controlId, text] : m_buttonTexts) SetDlgItemTextA(m_hwnd, controlId, text.c_str());
}

void Win32SheetWindow::MoveWindow(int x, int y, int width, int height) {
  ::MoveWindow(m_hwnd, x, y, width, height, FALSE);
}

void Win32SheetWindow::ShowWindow(int command) { ::ShowWindow(m_hwnd, command); }

void Win32SheetWindow::BringToTop() {
  BringWindowToTop(m_hwnd);
  SetActiveWindow(m_hwnd);
}

}  // namespace win32ui
