// The page and sheet windows of the property sheet, as the pages see them.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/wizard_host.h"

namespace win32ui {

// One page's dialog. Its GDI objects (picture buttons, palette) are freed
// with the dialog; the object itself lasts for the run, so a page that calls
// it late reaches no freed memory, only a window that is gone.
class Win32PageWindow final : public platform::IPageWindow {
 public:
  Win32PageWindow(HWND page, HMODULE resources) : m_hwnd(page), m_resources(resources) {}
  ~Win32PageWindow() override { Release(); }
  Win32PageWindow(const Win32PageWindow&) = delete;
  Win32PageWindow& operator=(const Win32PageWindow&) = delete;

  platform::HWND GetHwnd() override { return reinterpret_cast<platform::HWND>(m_hwnd); }
  void SetItemText(int id, const std::string& text) override;
  std::string GetItemText(int id) override;
  void ShowItem(int id, bool show) override;
  void EnableItem(int id, bool enable) override;
  void CheckRadioButton(int firstId, int lastId, int checkId) override;
  bool IsButtonChecked(int id) override;
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

  HWND m_hwnd;
  HMODULE m_resources;
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
