// The page host: the wizard sheet and its pages as the system's pages see
// them. Pages are portable classes that act on their controls by ID and are
// told of events; a host runs them: a property sheet in wizard mode on
// Windows, a model of the same dialog templates on the simulated machine.
//
// Semantics both hosts keep (they are the property sheet's):
// - A page's dialog is created when the page is first made current: OnInitDialog
//   then OnSetActive. Pages are created at most once per run.
// - Back and Next call the current page's handler; its answer 0 moves to the
//   page before or after, -1 stays (the page moved by SetActivePage itself).
//   Next on the last page, or Back on the first, does not move.
// - SetActivePage moves at once: the new page is created if need be and made
//   active before the call returns.
// - PressButton is posted: it acts after the handler that called it returns.
// - Finish and Cancel end the run at once; no page is asked.
// - Timers fire in order of their time, each as OnTimer of the page that set
//   it, until killed. A page's timers stop with the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace platform {

// Where <windows.h> is included first (the Win32 implementation) these are
// its macros, with the same values.
#ifndef PSWIZB_BACK
// Wizard buttons (PSWIZB_*), combined in SetWizardButtons.
constexpr DWORD PSWIZB_BACK = 0x1;
constexpr DWORD PSWIZB_NEXT = 0x2;
constexpr DWORD PSWIZB_FINISH = 0x4;
#endif
#ifndef PSBTN_BACK
// Buttons a page can press (PSBTN_*).
constexpr int PSBTN_BACK = 0;
constexpr int PSBTN_NEXT = 1;
constexpr int PSBTN_FINISH = 2;
constexpr int PSBTN_CANCEL = 5;
#endif

// The answers of the Back and Next handlers.
constexpr std::intptr_t kMoveOn = 0;
constexpr std::intptr_t kStay = -1;

// Control IDs of the sheet itself.
constexpr int kSheetCancel = 2;
constexpr int kSheetBack = 0x3023;
constexpr int kSheetNext = 0x3024;
constexpr int kSheetFinish = 0x3025;
constexpr int kSheetEtchedLine = 0x3026;

// A list row as an owner-drawn list box shows it: the icon at the left
// edge, the text, and a text at the right edge (a size). Hosts that draw
// with characters show `mark` in the place of the icon.
enum class CheckMark { None, Clear, Ticked, Partial };
struct ListItemLook {
  UINT iconId = 0;  // an icon of the resource module; 0: none
  CheckMark mark = CheckMark::None;
  std::string text;
  std::string rightText;
  // The row shows `mark` as a check box of the font's height (Clear or
  // Ticked) instead of an icon; the text follows the box.
  bool checkBox = false;
};

// The pixel width of the icon column of an owner-drawn list row: a click
// within it acts on the row's check mark.
constexpr int kListIconColumn = 20;

// The controls of a dialog (a page or a modal dialog), by control ID.
class IControlWindow {
 public:
  virtual ~IControlWindow() = default;

  virtual HWND GetHwnd() = 0;
  // SetDlgItemTextA / GetDlgItemTextA.
  virtual void SetItemText(int id, const std::string& text) = 0;
  virtual std::string GetItemText(int id) = 0;
  // ShowWindow(GetDlgItem(id), SW_SHOW / SW_HIDE) and EnableWindow.
  virtual void ShowItem(int id, bool show) = 0;
  virtual void EnableItem(int id, bool enable) = 0;
  // CheckRadioButton / IsDlgButtonChecked.
  virtual void CheckRadioButton(int firstId, int lastId, int checkId) = 0;
  virtual bool IsButtonChecked(int id) = 0;

  // List boxes (LB_RESETCONTENT, LB_ADDSTRING with LB_SETITEMDATA,
  // LB_GETCOUNT, LB_SETCURSEL, LB_GETCURSEL, LB_GETITEMDATA). Rows count
  // from 0; -1 is no row. An owner-drawn list asks its dialog's handler for
  // the height and look of its rows.
  virtual void ResetList(int id) = 0;
  // The new row, or -1 when the control is no list box.
  virtual int AddListItem(int id, const std::string& text, std::uintptr_t data) = 0;
  virtual int GetListCount(int id) = 0;
  virtual void SetListSelection(int id, int row) = 0;
  virtual int GetListSelection(int id) = 0;
  // 0 for a row that does not exist.
  virtual std::uintptr_t GetListItemData(int id, int row) = 0;
  // Draws every row of the list again.
  virtual void RedrawList(int id) = 0;
};

// What a dialog's handler hears of its controls; pages and modal dialogs alike.
class IControlHandler {
 public:
  virtual ~IControlHandler() = default;

  // BN_CLICKED of a button, radio button or picture button.
  virtual void OnCommand(int controlId) = 0;
  // LBN_SELCHANGE and LBN_DBLCLK of a list box.
  virtual void OnListSelectionChange(int /*controlId*/) {}
  virtual void OnListDoubleClick(int /*controlId*/) {}
  // WM_LBUTTONDOWN in a list box, after the list box took it (the row under
  // the pointer is selected); x in pixels from the list's left edge.
  virtual void OnListLeftButtonDown(int /*controlId*/, int /*x*/) {}
  // The space bar in a list box that has the focus.
  virtual void OnListSpaceBar(int /*controlId*/) {}
  // WM_MEASUREITEM / WM_DRAWITEM of an owner-drawn list: the height of its
  // rows in pixels and the look of one row; false when the row has none.
  virtual int GetListItemHeight(int /*controlId*/) { return 16; }
  virtual bool GetListItemLook(int /*controlId*/, int /*row*/, ListItemLook& /*look*/) { return false; }
};

// A modal dialog's own window.
class IDialogWindow : public IControlWindow {
 public:
  // SetWindowTextA of the dialog.
  virtual void SetTitle(const std::string& title) = 0;
  // EndDialog: the dialog closes with `result` once its handler returns.
  virtual void EndDialog(int result) = 0;
};

// A modal dialog on a template of the resource module, as a host runs it.
class IModalDialog : public IControlHandler {
 public:
  // The module whose template, strings and icons the dialog shows.
  virtual HMODULE GetResourceModule() const = 0;
  virtual UINT GetTemplateId() const = 0;
  // WM_INITDIALOG: false ends the dialog at once with IDCANCEL's result.
  virtual bool OnInitDialog(IDialogWindow& window) = 0;
};

// The results of the standard buttons of a dialog.
constexpr int kDialogOk = 1;      // IDOK
constexpr int kDialogClose = 2;   // IDCANCEL

// A page's own dialog, by control ID.
class IPageWindow : public IControlWindow {
 public:
  // A progress bar control (PBM_SETRANGE, PBM_SETPOS, PBM_SETSTEP, PBM_STEPIT).
  virtual void SetProgressRange(int id, int low, int high) = 0;
  virtual void SetProgressPos(int id, int position) = 0;
  virtual void SetProgressStep(int id, int step) = 0;
  virtual void StepProgress(int id) = 0;
  // Makes control `id` a picture button drawn from three bitmaps of the
  // resource module (normal, pressed, focused) and sizes it to the first.
  // False when a bitmap is missing (the control stays as it was).
  virtual bool SetPictureButton(int id, UINT normal, UINT pressed, UINT focused) = 0;
  // SetTimer / KillTimer on the page's window.
  virtual void SetTimer(UINT_PTR id, UINT milliseconds) = 0;
  virtual void KillTimer(UINT_PTR id) = 0;
  // The shell's folder browser owned by the page, whole namespace, empty
  // title, file-system folders only: true with the chosen folder's path,
  // false when the user cancelled.
  virtual bool BrowseForFolder(std::string& path) = 0;
  // Asks for the page to be painted again (a new picture to show).
  virtual void Invalidate() = 0;
};

// The wizard sheet as its pages see it.
class ISheetWindow {
 public:
  virtual ~ISheetWindow() = default;

  virtual HWND GetHwnd() = 0;
  // PSM_SETWIZBUTTONS: a combination of PSWIZB_*; 0 disables all three.
  virtual void SetWizardButtons(DWORD buttons) = 0;
  // PSM_SETCURSEL by position.
  virtual void SetActivePage(int position) = 0;
  // PSM_PRESSBUTTON (posted).
  virtual void PressButton(int button) = 0;
  // The text of one of the sheet's own buttons (kSheetCancel …).
  virtual void SetButtonText(int controlId, const std::string& text) = 0;
  // MoveWindow without repainting.
  virtual void MoveWindow(int x, int y, int width, int height) = 0;
  // ShowWindow with SW_HIDE, SW_SHOWNORMAL, SW_RESTORE …
  virtual void ShowWindow(int command) = 0;
  // BringWindowToTop and SetActiveWindow.
  virtual void BringToTop() = 0;
};

// A picture a page shows beside its controls (the language picture): a
// packed DIB (header, colour table, bits) and its palette.
struct PagePicture {
  std::vector<std::uint8_t> dib;  // the bitmap file less its 14-byte file header
  std::size_t bitsOffset = 0;     // where the pixel bits begin in `dib`
  int width = 0, height = 0;
  std::vector<std::uint8_t> palette;  // red, green, blue per entry; empty: no palette
};

// One page, as the host drives it.
class IWizardPage : public IControlHandler {
 public:

  // The dialog template of the resource module.
  virtual UINT GetTemplateId() const = 0;
  // WM_INITDIALOG: false when the page cannot be created (the run ends).
  virtual bool OnInitDialog(IPageWindow& window, ISheetWindow& sheet) = 0;
  // PSN_SETACTIVE.
  virtual void OnSetActive() = 0;
  // PSN_WIZBACK / PSN_WIZNEXT: kMoveOn or kStay.
  virtual std::intptr_t OnWizardBack() = 0;
  virtual std::intptr_t OnWizardNext() = 0;
  virtual void OnTimer(UINT_PTR id) = 0;
  // The picture to paint beside the controls, or nullptr.
  virtual const PagePicture* GetPicture() const = 0;
};

// The sheet, as the host drives it.
class IWizardSheet {
 public:
  virtual ~IWizardSheet() = default;

  // The module whose templates, strings, icons and bitmaps the sheet shows.
  virtual HMODULE GetResourceModule() const = 0;
  virtual UINT GetCaptionId() const = 0;
  // Icon resource of the sheet.
  virtual UINT GetIconId() const = 0;
  virtual int GetPageCount() const = 0;
  virtual IWizardPage& GetPage(int position) = 0;
  virtual int GetStartPage() const = 0;
  // The sheet window exists (before the start page is created).
  virtual void OnCreate(ISheetWindow& window) = 0;
  // The logo below the etched line: image and mask bitmaps for the
  // horizontal dialog base unit of the system.
  virtual void GetLogoBitmaps(int baseUnitX, UINT& image, UINT& mask) const = 0;
};

class IWizardHost {
 public:
  virtual ~IWizardHost() = default;

  // Runs the sheet modally until Finish, Cancel or a page that cannot be
  // created: 1 after Finish, 0 otherwise.
  virtual int RunWizard(IWizardSheet& sheet) = 0;
  // Runs a dialog modally, owned by the window on top (the sheet, or the
  // dialog that is open): its result (EndDialog), or kDialogClose when it
  // cannot be made or nobody answers it. Dialogs nest.
  virtual int RunDialog(IModalDialog& dialog) = 0;
  // The window on top of the run (the innermost open dialog, else the
  // sheet), which owns a message box so that the box stays in front of the
  // wizard and the wizard waits for it; nullptr when no wizard is shown.
  virtual HWND GetTopWindow() { return nullptr; }
};

}  // namespace platform
