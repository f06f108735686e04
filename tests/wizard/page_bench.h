// A page's window and its sheet as a test sees them: every control's state
// by ID and what the page asked of the sheet, without a host that moves on.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/wizard_host.h"
#include "core/message_text.h"
#include "wizard/install_sheet.h"
#include "wizard/wizard_page.h"

namespace wizard_test {

// A text value of HKEY_LOCAL_MACHINE as the program left it, "<none>" when
// the key or the value is missing.
inline std::string MachineValue(const platform::Platform& platform, const std::string& key, const std::string& name) {
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY handle = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "<none>";
  platform::BYTE data[1024] = {};
  platform::DWORD size = sizeof data - 1, type = 0;
  const platform::LONG status = registry.RegQueryValueExA(handle, name.c_str(), &type, data, &size);
  registry.RegCloseKey(handle);
  if (status != ERROR_SUCCESS) return "<none>";
  std::string text(reinterpret_cast<const char*>(data), size);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

struct ControlState {
  std::string text;
  bool visible = true, enabled = true, checked = false;
  int low = 0, high = 100, position = 0, step = 10;
  std::vector<unsigned> pictures;
};

class BenchPageWindow final : public platform::IPageWindow {
 public:
  platform::HWND GetHwnd() override { return reinterpret_cast<platform::HWND>(0x2000); }
  void SetItemText(int id, const std::string& text) override { controls[id].text = text; }
  std::string GetItemText(int id) override { return controls[id].text; }
  void ShowItem(int id, bool show) override { controls[id].visible = show; }
  void EnableItem(int id, bool enable) override { controls[id].enabled = enable; }
  void CheckRadioButton(int firstId, int lastId, int checkId) override {
    for (int id = firstId; id <= lastId; ++id) controls[id].checked = id == checkId;
  }
  bool IsButtonChecked(int id) override { return controls[id].checked; }
  void ResetList(int id) override { lists[id] = ListState{}; }
  int AddListItem(int id, const std::string& text, std::uintptr_t data) override {
    lists[id].items.push_back(text);
    lists[id].data.push_back(data);
    return static_cast<int>(lists[id].items.size()) - 1;
  }
  int GetListCount(int id) override { return static_cast<int>(lists[id].items.size()); }
  void SetListSelection(int id, int row) override {
    lists[id].selected = row >= 0 && row < GetListCount(id) ? row : -1;
  }
  int GetListSelection(int id) override { return lists[id].selected; }
  std::uintptr_t GetListItemData(int id, int row) override {
    return row >= 0 && row < GetListCount(id) ? lists[id].data[static_cast<std::size_t>(row)] : 0;
  }
  void RedrawList(int id) override { ++lists[id].redraws; }
  void SetProgressRange(int id, int low, int high) override {
    controls[id].low = low;
    controls[id].high = high;
  }
  void SetProgressPos(int id, int position) override { controls[id].position = position; }
  void SetProgressStep(int id, int step) override { controls[id].step = step; }
  void StepProgress(int id) override {
    ControlState& c = controls[id];
    c.position += c.step;
    if (c.position > c.high) c.position = c.low + (c.position - c.high);  // wraps as the control does
  }
  bool SetPictureButton(int id, platform::UINT normal, platform::UINT pressed, platform::UINT focused) override {
    controls[id].pictures = {normal, pressed, focused};
    return true;
  }
  void SetTimer(platform::UINT_PTR id, platform::UINT milliseconds) override { timers[id] = milliseconds; }
  void KillTimer(platform::UINT_PTR id) override { timers.erase(id); }
  bool BrowseForFolder(std::string& path) override {
    if (browseAnswer.empty()) return false;
    path = browseAnswer;
    return true;
  }
  void Invalidate() override { ++invalidated; }

  struct ListState {
    std::vector<std::string> items;
    std::vector<std::uintptr_t> data;
    int selected = -1;
    int redraws = 0;
  };
  std::map<int, ControlState> controls;
  std::map<int, ListState> lists;
  std::map<platform::UINT_PTR, platform::UINT> timers;
  std::string browseAnswer;
  int invalidated = 0;
};

class BenchSheetWindow final : public platform::ISheetWindow {
 public:
  platform::HWND GetHwnd() override { return reinterpret_cast<platform::HWND>(0x1000); }
  void SetWizardButtons(platform::DWORD b) override { buttons = b; }
  void SetActivePage(int position) override { jumps.push_back(position); }
  void PressButton(int button) override { presses.push_back(button); }
  void SetButtonText(int controlId, const std::string& text) override { buttonTexts[controlId] = text; }
  void MoveWindow(int x, int y, int width, int height) override { placement = {x, y, width, height}; }
  void ShowWindow(int command) override { shows.push_back(command); }
  void BringToTop() override { ++broughtToTop; }

  platform::DWORD buttons = 0xFF;
  std::vector<int> jumps, presses, shows, placement;
  std::map<int, std::string> buttonTexts;
  int broughtToTop = 0;
};

// One page in a sheet of `pages` positions, its dialog created and shown.
class PageBench {
 public:
  PageBench(CSetupSession& session, CWizardPage& page, int pages = 7) : m_sheet(session, 1, 0) {
    m_fillers.resize(static_cast<std::size_t>(pages - 1), CWizardPage(100));
    m_sheet.AddPage(page);
    for (CWizardPage& filler : m_fillers) m_sheet.AddPage(filler);
    m_sheet.OnCreate(sheet);
    created = page.OnInitDialog(window, sheet);
    if (created) page.OnSetActive();
  }

  CInstallSheet& Sheet() { return m_sheet; }

  BenchPageWindow window;
  BenchSheetWindow sheet;
  bool created = false;

 private:
  CInstallSheet m_sheet;
  std::vector<CWizardPage> m_fillers;
};

}  // namespace wizard_test
