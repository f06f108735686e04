#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "ui/win32/property_sheet_host.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/win32/wizard_painting.h"
#include "ui/win32/wizard_windows.h"

namespace win32ui {
namespace {

class SheetRun;

// One page as the property sheet knows it: the lParam of its page record.
struct PageSlot {
  SheetRun* run = nullptr;
  platform::IWizardPage* page = nullptr;
  std::unique_ptr<Win32PageWindow> window;
  bool failed = false;
};

// The run in progress. The sheet's callback and its subclass procedure have
// no parameter of their own to find it by, and there is one wizard at a time.
SheetRun* g_run = nullptr;
WNDPROC g_originalSheetProc = nullptr;

int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM);
LRESULT CALLBACK SheetSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class SheetRun {
 public:
  SheetRun(platform::IWizardSheet& sheet, HMODULE resources) : m_sheet(sheet), m_resources(resources) {}
  ~SheetRun() {
    if (m_largeIcon != nullptr) DestroyIcon(m_largeIcon);
    if (m_smallIcon != nullptr) DestroyIcon(m_smallIcon);
  }
  SheetRun(const SheetRun&) = delete;
  SheetRun& operator=(const SheetRun&) = delete;

  int Run() {
    const int count = m_sheet.GetPageCount();
    if (count <= 0) return 0;
    // The sheet steps through the page records by their own size, which is
    // the first version's so that every system's property sheet takes them.
    const std::size_t recordSize = PROPSHEETPAGEA_V1_SIZE;
    std::vector<std::uint8_t> records(recordSize * static_cast<std::size_t>(count));
    for (int position = 0; position < count; ++position) {
      auto slot = std::make_unique<PageSlot>();
      slot->run = this;
      slot->page = &m_sheet.GetPage(position);
      PROPSHEETPAGEA record{};
      record.dwSize = static_cast<DWORD>(recordSize);
      record.dwFlags = PSP_DEFAULT;
      record.hInstance = m_resources;
      record.pszTemplate = MAKEINTRESOURCEA(slot->page->GetTemplateId());
      record.pfnDlgProc = PageDialogProc;
      record.lParam = reinterpret_cast<LPARAM>(slot.get());
      std::memcpy(records.data() + recordSize * static_cast<std::size_t>(position), &record, recordSize);
      m_slots.push_back(std::move(slot));
    }

    const std::string caption = LoadText(m_sheet.GetCaptionId());
    LPCSTR icon = MAKEINTRESOURCEA(m_sheet.GetIconId());
    m_largeIcon = static_cast<HICON>(
        LoadImageA(m_resources, icon, IMAGE_ICON, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(
        LoadImageA(m_resources, icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));

    PROPSHEETHEADERA header{};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_USECALLBACK | (m_largeIcon != nullptr ? PSH_USEHICON : 0);
    header.hwndParent = nullptr;
    header.hInstance = m_resources;
    header.hIcon = m_largeIcon;
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(count);
    header.nStartPage = static_cast<UINT>(std::clamp(m_sheet.GetStartPage(), 0, count - 1));
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(records.data());
    header.pfnCallback = SheetCallback;
    PropertySheetA(&header);
    return m_finished && !m_ending ? 1 : 0;
  }

  // The sheet window exists: from its callback or, should a page be made
  // first, from that page's creation.
  void SheetExists(HWND sheet) {
    if (m_sheetHwnd != nullptr || sheet == nullptr) return;
    m_sheetHwnd = sheet;
    m_sheetWindow.Attach(sheet);
    if (m_largeIcon != nullptr) SendMessageA(sheet, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_largeIcon));
    HICON small = m_smallIcon != nullptr ? m_smallIcon : m_largeIcon;
    if (small != nullptr) SendMessageA(sheet, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    g_originalSheetProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetSubclassProc)));
    m_sheet.OnCreate(m_sheetWindow);
  }

  INT_PTR InitPage(PageSlot& slot, HWND hwnd) {
    SheetExists(GetParent(hwnd));
    slot.window = std::make_unique<Win32PageWindow>(hwnd, m_resources);
    PrepareOwnerDrawnLists(hwnd, *slot.page);
    if (m_ending || !slot.page->OnInitDialog(*slot.window, m_sheetWindow)) {
      slot.failed = true;
      EndRun();
    }
    return TRUE;
  }

  INT_PTR PageMessage(PageSlot& slot, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    platform::IWizardPage& page = *slot.page;
    Win32PageWindow* window = slot.window.get();
    const bool live = window != nullptr && !slot.failed && !m_ending;
    switch (message) {
      case WM_NOTIFY: {
        LONG_PTR answer = 0;
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
          case PSN_SETACTIVE:
            if (live) page.OnSetActive();
            break;
          case PSN_WIZBACK:
            answer = live ? static_cast<LONG_PTR>(page.OnWizardBack()) : -1;
            break;
          case PSN_WIZNEXT:
            answer = live ? static_cast<LONG_PTR>(page.OnWizardNext()) : -1;
            break;
          case PSN_WIZFINISH:
            m_finished = true;
            break;
          default:
            return FALSE;
        }
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, answer);
        return TRUE;
      }
      case WM_TIMER:
        if (live) page.OnTimer(wParam);
        return TRUE;
      case WM_COMMAND:
        if (!live) return FALSE;
        if (ListNotification(hwnd, wParam, lParam, page)) return TRUE;
        if (HIWORD(wParam) != BN_CLICKED || lParam == 0) return FALSE;
        page.OnCommand(LOWORD(wParam));
        return TRUE;
      case WM_DRAWITEM: {
        if (window == nullptr) return FALSE;
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return window->DrawPictureButton(item) || (live && DrawListRow(item, page, window->Icons()));
      }
      case WM_PAINT: {
        const platform::PagePicture* picture = live ? page.GetPicture() : nullptr;
        if (picture == nullptr) return FALSE;
        PAINTSTRUCT paint{};
        if (HDC dc = BeginPaint(hwnd, &paint); dc != nullptr) window->PaintPicture(dc, *picture);
        EndPaint(hwnd, &paint);
        return TRUE;
      }
      case WM_QUERYNEWPALETTE: {
        const bool realized = live && window->RealizePicturePalette(page.GetPicture());
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, realized ? TRUE : FALSE);
        return TRUE;
      }
      case WM_PALETTECHANGED: {
        // A change this page or its sheet made needs no answer.
        const auto changer = reinterpret_cast<HWND>(wParam);
        if (live && changer != hwnd && changer != m_sheetHwnd) window->RealizePicturePalette(page.GetPicture());
        return TRUE;
      }
      case WM_DESTROY:
        if (window != nullptr) window->Release();
        return FALSE;
      default:
        return FALSE;
    }
  }

  HWND SheetHwnd() const { return m_sheetHwnd; }

  LRESULT SheetMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC original = g_originalSheetProc;
    switch (message) {
      case WM_PAINT: {
        const LRESULT result = CallWindowProcA(original, hwnd, message, wParam, lParam);
        PaintLogo();
        return result;
      }
      case WM_QUERYDRAGICON:
        if (m_largeIcon != nullptr) return reinterpret_cast<LRESULT>(m_largeIcon);
        break;
      case WM_SHOWWINDOW: {
        const LRESULT result = CallWindowProcA(original, hwnd, message, wParam, lParam);
        if (wParam != 0 && !m_shown) {
          m_shown = true;
          m_sheetWindow.ReapplyButtonTexts();
        }
        return result;
      }
      case WM_QUERYNEWPALETTE:
      case WM_PALETTECHANGED: {
        // Only top-level windows hear of palettes; the page's picture needs them.
        auto page = reinterpret_cast<HWND>(SendMessageA(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (page != nullptr) {
          const LRESULT answer = SendMessageA(page, message, wParam, lParam);
          if (message == WM_QUERYNEWPALETTE && answer != 0) return answer;
        }
        break;
      }
      case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        break;
      default:
        break;
    }
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
  }

 private:
  std::string LoadText(UINT id) const {
    char buffer[1024] = {};
    const int length = LoadStringA(m_resources, id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
  }

  // Below the etched line above the buttons, at its left edge.
  void PaintLogo() {
    HWND line = GetDlgItem(m_sheetHwnd, platform::kSheetEtchedLine);
    if (line == nullptr) return;
    UINT image = 0, mask = 0;
    m_sheet.GetLogoBitmaps(LOWORD(GetDialogBaseUnits()), image, mask);
    RECT bounds{};
    GetWindowRect(line, &bounds);
    MapWindowPoints(nullptr, m_sheetHwnd, reinterpret_cast<POINT*>(&bounds), 2);
    HDC dc = GetDC(m_sheetHwnd);
    if (dc == nullptr) return;
    DrawLogo(dc, bounds.left, bounds.bottom + 1, m_resources, image, mask);
    ReleaseDC(m_sheetHwnd, dc);
  }

  // A page that cannot be made ends the run; until the posted Cancel comes,
  // no page hears of anything.
  void EndRun() {
    if (m_ending) return;
    m_ending = true;
    if (m_sheetHwnd != nullptr) PropSheet_PressButton(m_sheetHwnd, PSBTN_CANCEL);
  }

  platform::IWizardSheet& m_sheet;
  HMODULE m_resources;
  std::vector<std::unique_ptr<PageSlot>> m_slots;
  Win32SheetWindow m_sheetWindow;
  HWND m_sheetHwnd = nullptr;
  HICON m_largeIcon = nullptr;
  HICON m_smallIcon = nullptr;
  bool m_shown = false;
  bool m_finished = false;
  bool m_ending = false;
};

int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED && g_run != nullptr) g_run->SheetExists(hwnd);
  return 0;
}

LRESULT CALLBACK SheetSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_run == nullptr) return CallWindowProcA(g_originalSheetProc, hwnd, message, wParam, lParam);
  return g_run->SheetMessage(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK PageDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* record = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto* slot = reinterpret_cast<PageSlot*>(record->lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(slot));
    return slot->run->InitPage(*slot, hwnd);
  }
  auto* slot = reinterpret_cast<PageSlot*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (slot == nullptr) return FALSE;
  return slot->run->PageMessage(*slot, hwnd, message, wParam, lParam);
}

// One modal dialog while it is open: the lParam of its creation.
struct DialogFrame {
  platform::IModalDialog* dialog = nullptr;
  HMODULE resources = nullptr;
  std::unique_ptr<Win32DialogWindow> window;
};

// The dialogs open now, innermost last: the next one is owned by the last.
std::vector<HWND> g_openDialogs;

INT_PTR CALLBACK ModalDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* frame = reinterpret_cast<DialogFrame*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(frame));
    frame->window = std::make_unique<Win32DialogWindow>(hwnd, frame->resources);
    g_openDialogs.push_back(hwnd);
    PrepareOwnerDrawnLists(hwnd, *frame->dialog);
    if (!frame->dialog->OnInitDialog(*frame->window)) EndDialog(hwnd, platform::kDialogClose);
    return TRUE;
  }
  auto* frame = reinterpret_cast<DialogFrame*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (frame == nullptr || !frame->window) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (ListNotification(hwnd, wParam, lParam, *frame->dialog)) return TRUE;
      // Enter, Escape and the close box send IDOK or IDCANCEL without a control.
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      frame->dialog->OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_DRAWITEM:
      return DrawListRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *frame->dialog, frame->window->Icons());
    case WM_DESTROY:
      std::erase(g_openDialogs, hwnd);
      frame->window->Icons().Release();
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

platform::HWND PropertySheetHost::GetTopWindow() {
  HWND top = !g_openDialogs.empty() ? g_openDialogs.back() : g_run != nullptr ? g_run->SheetHwnd() : nullptr;
  return reinterpret_cast<platform::HWND>(top);
}

int PropertySheetHost::RunDialog(platform::IModalDialog& dialog) {
  HWND owner = reinterpret_cast<HWND>(GetTopWindow());
  DialogFrame frame;
  frame.dialog = &dialog;
  frame.resources = reinterpret_cast<HMODULE>(dialog.GetResourceModule());
  const INT_PTR result = DialogBoxParamA(frame.resources, MAKEINTRESOURCEA(dialog.GetTemplateId()), owner,
                                         ModalDialogProc, reinterpret_cast<LPARAM>(&frame));
  // -1: the dialog could not be made (no template); it answers as closed.
  // 0 is a dialog's own result (the device dialog's OK).
  return result < 0 ? platform::kDialogClose : static_cast<int>(result);
}

int PropertySheetHost::RunWizard(platform::IWizardSheet& sheet) {
  if (g_run != nullptr) return 0;
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  SheetRun run(sheet, reinterpret_cast<HMODULE>(sheet.GetResourceModule()));
  g_run = &run;
  const int result = run.Run();
  g_run = nullptr;
  g_originalSheetProc = nullptr;
  return result;
}

}  // namespace win32ui
