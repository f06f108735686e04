// Fake pages and a fake sheet for the tests of the page host: each records
// what the host tells it, and does what the test scripts it to do.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/wizard_host.h"

namespace wizard_host_test {

class EventLog {
 public:
  void Add(const std::string& line) { m_lines.push_back(line); }
  const std::vector<std::string>& Lines() const { return m_lines; }
  int Count(const std::string& line) const {
    return static_cast<int>(std::count(m_lines.begin(), m_lines.end(), line));
  }

 private:
  std::vector<std::string> m_lines;
};

class FakePage final : public platform::IWizardPage {
 public:
  FakePage(std::string name, platform::UINT templateId, EventLog& log)
      : m_name(std::move(name)), m_template(templateId), m_log(log) {}

  // What the page does; unset: accept creation, move on, do nothing.
  std::function<bool()> onInit;
  std::function<void()> onActive;
  std::function<std::intptr_t()> onBack, onNext;
  std::function<void(platform::UINT_PTR)> onTimer;
  std::function<void(int)> onCommand;
  // List events: the look of a row (none: no look), clicks by x.
  std::function<bool(int, int, platform::ListItemLook&)> onLook;
  std::function<void(int, int)> onListClick;
  const platform::PagePicture* picture = nullptr;

  platform::IPageWindow* window = nullptr;
  platform::ISheetWindow* sheet = nullptr;
  HWND Hwnd() const { return window != nullptr ? reinterpret_cast<HWND>(window->GetHwnd()) : nullptr; }
  HWND SheetHwnd() const { return sheet != nullptr ? reinterpret_cast<HWND>(sheet->GetHwnd()) : nullptr; }

  // On every activation, timer 1 fires once and the page presses the next
  // of `buttons` (PSBTN_*), the last one again when they run out.
  void PressOnEachActivation(std::vector<int> buttons) {
    m_presses = std::move(buttons);
    onActive = [this] { window->SetTimer(1, 10); };
    onTimer = [this](platform::UINT_PTR id) {
      if (id != 1) return;
      window->KillTimer(1);
      const int button = m_presses[std::min(m_pressed++, m_presses.size() - 1)];
      sheet->PressButton(button);
    };
  }
  // Once active, timer 1 fires once and runs `check`.
  void CheckWhenActive(std::function<void()> check) {
    m_check = std::move(check);
    onActive = [this] { window->SetTimer(1, 10); };
    onTimer = [this](platform::UINT_PTR id) {
      if (id != 1) return;
      window->KillTimer(1);
      m_check();
    };
  }

  platform::UINT GetTemplateId() const override { return m_template; }
  bool OnInitDialog(platform::IPageWindow& pageWindow, platform::ISheetWindow& sheetWindow) override {
    m_log.Add(m_name + " init");
    window = &pageWindow;
    sheet = &sheetWindow;
    return onInit ? onInit() : true;
  }
  void OnSetActive() override {
    m_log.Add(m_name + " active");
    if (onActive) onActive();
  }
  std::intptr_t OnWizardBack() override {
    m_log.Add(m_name + " back");
    return onBack ? onBack() : platform::kMoveOn;
  }
  std::intptr_t OnWizardNext() override {
    m_log.Add(m_name + " next");
    return onNext ? onNext() : platform::kMoveOn;
  }
  void OnTimer(platform::UINT_PTR id) override {
    m_log.Add(m_name + " timer " + std::to_string(id));
    if (onTimer) onTimer(id);
  }
  void OnCommand(int controlId) override {
    m_log.Add(m_name + " command " + std::to_string(controlId));
    if (onCommand) onCommand(controlId);
  }
  void OnListSelectionChange(int controlId) override {
    m_log.Add(m_name + " selection " + std::to_string(controlId) + " " +
              std::to_string(window->GetListSelection(controlId)));
  }
  void OnListDoubleClick(int controlId) override {
    m_log.Add(m_name + " double-click " + std::to_string(window->GetListSelection(controlId)));
  }
  void OnListLeftButtonDown(int controlId, int x) override {
    m_log.Add(m_name + " click " + std::to_string(window->GetListSelection(controlId)) + " at " + std::to_string(x));
    if (onListClick) onListClick(controlId, x);
  }
  int GetListItemHeight(int) override { return 20; }
  bool GetListItemLook(int controlId, int row, platform::ListItemLook& look) override {
    return onLook && onLook(controlId, row, look);
  }
  const platform::PagePicture* GetPicture() const override { return picture; }

 private:
  std::string m_name;
  platform::UINT m_template;
  EventLog& m_log;
  std::vector<int> m_presses;
  std::size_t m_pressed = 0;
  std::function<void()> m_check;
};

class FakeSheet final : public platform::IWizardSheet {
 public:
  FakeSheet(std::vector<FakePage*> pages, int startPage, EventLog& log)
      : m_pages(std::move(pages)), m_start(startPage), m_log(log) {}

  std::function<void(platform::ISheetWindow&)> onCreate;
  mutable int baseUnitAsked = -1;
  platform::ISheetWindow* window = nullptr;

  // The English language library of this build.
  platform::HMODULE GetResourceModule() const override;
  platform::UINT GetCaptionId() const override { return 1; }
  platform::UINT GetIconId() const override { return 128; }
  int GetPageCount() const override { return static_cast<int>(m_pages.size()); }
  platform::IWizardPage& GetPage(int position) override { return *m_pages.at(static_cast<std::size_t>(position)); }
  int GetStartPage() const override { return m_start; }
  void OnCreate(platform::ISheetWindow& sheetWindow) override {
    m_log.Add("sheet create");
    window = &sheetWindow;
    if (onCreate) onCreate(sheetWindow);
  }
  void GetLogoBitmaps(int baseUnitX, platform::UINT& image, platform::UINT& mask) const override {
    baseUnitAsked = baseUnitX;
    image = baseUnitX > 8 ? 137 : 139;
    mask = image + 1;
  }

 private:
  std::vector<FakePage*> m_pages;
  int m_start;
  EventLog& m_log;
};

}  // namespace wizard_host_test
