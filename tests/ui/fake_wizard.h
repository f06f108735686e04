// Fake pages and a fake sheet on the real dialog templates of the English
// language library, for driving the page host.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"
#include "ui/headless/headless_host.h"

namespace ui_test {

// The module the fake sheets show: the test machine's language library, or
// the program's own module while none is set.
inline platform::HMODULE& FakeSheetResources() {
  static platform::HMODULE module = nullptr;
  return module;
}
inline void SetResourceModule(platform::HMODULE module) { FakeSheetResources() = module; }
inline platform::HMODULE GetResourceModule() {
  return FakeSheetResources() != nullptr ? FakeSheetResources() : sim::CallingProgram()->Interfaces().Resources().GetProgramModule();
}

// Dialog templates and control IDs of the library.
constexpr platform::UINT kLanguage = 129, kPrepare = 130, kCustom = 132, kReadMe = 209, kProgress = 210,
                         kFinish = 211, kType = 213;

// What the pages were told, in order ("init 213", "next 213", "timer 130 1 @100" …).
using Journal = std::vector<std::string>;
using Lines = std::vector<std::string>;

class FakePage : public platform::IWizardPage {
 public:
  FakePage(platform::UINT templateId, Journal& journal) : m_templateId(templateId), m_journal(journal) {}

  std::function<bool(FakePage&)> onInit;
  std::function<void(FakePage&)> onActive;
  std::function<std::intptr_t(FakePage&)> onBack, onNext;
  std::function<void(FakePage&, platform::UINT_PTR)> onTimer;
  std::function<void(FakePage&, int)> onCommand;
  const platform::PagePicture* picture = nullptr;

  platform::IPageWindow& Window() { return *m_window; }
  platform::ISheetWindow& Sheet() { return *m_sheet; }
  void Note(const std::string& line) { m_journal.push_back(line); }

  platform::UINT GetTemplateId() const override { return m_templateId; }
  bool OnInitDialog(platform::IPageWindow& window, platform::ISheetWindow& sheet) override {
    m_window = &window;
    m_sheet = &sheet;
    Note("init " + Id());
    return onInit ? onInit(*this) : true;
  }
  void OnSetActive() override {
    Note("active " + Id());
    if (onActive) onActive(*this);
  }
  std::intptr_t OnWizardBack() override {
    Note("back " + Id());
    return onBack ? onBack(*this) : platform::kMoveOn;
  }
  std::intptr_t OnWizardNext() override {
    Note("next " + Id());
    return onNext ? onNext(*this) : platform::kMoveOn;
  }
  void OnTimer(platform::UINT_PTR id) override {
    const std::uint64_t now = sim::CallingProgram()->Processes().Now();
    Note("timer " + Id() + " " + std::to_string(id) + " @" + std::to_string(now));
    if (onTimer) onTimer(*this, id);
  }
  void OnCommand(int controlId) override {
    Note("command " + Id() + " " + std::to_string(controlId));
    if (onCommand) onCommand(*this, controlId);
  }
  const platform::PagePicture* GetPicture() const override { return picture; }

 private:
  std::string Id() const { return std::to_string(m_templateId); }

  platform::UINT m_templateId;
  Journal& m_journal;
  platform::IPageWindow* m_window = nullptr;
  platform::ISheetWindow* m_sheet = nullptr;
};

class FakeSheet : public platform::IWizardSheet {
 public:
  FakeSheet(std::vector<platform::UINT> templates, Journal& journal, int startPage = 0) : m_start(startPage) {
    for (platform::UINT id : templates) m_pages.push_back(std::make_unique<FakePage>(id, journal));
  }
  FakePage& Page(int position) { return *m_pages[static_cast<std::size_t>(position)]; }
  std::function<void(platform::ISheetWindow&)> onCreate;

  platform::HMODULE GetResourceModule() const override { return ui_test::GetResourceModule(); }
  platform::UINT GetCaptionId() const override { return 1; }
  platform::UINT GetIconId() const override { return 128; }
  int GetPageCount() const override { return static_cast<int>(m_pages.size()); }
  platform::IWizardPage& GetPage(int position) override { return *m_pages[static_cast<std::size_t>(position)]; }
  int GetStartPage() const override { return m_start; }
  void OnCreate(platform::ISheetWindow& window) override {
    if (onCreate) onCreate(window);
  }
  void GetLogoBitmaps(int baseUnitX, platform::UINT& image, platform::UINT& mask) const override {
    image = baseUnitX > 8 ? 137 : 139;
    mask = baseUnitX > 8 ? 138 : 140;
  }

 private:
  std::vector<std::unique_ptr<FakePage>> m_pages;
  int m_start;
};

// A simulated machine whose resource module is the English library.
class HostTest : public ::testing::Test {
 protected:
  HostTest() {
    testing_support::InstallLanguageLibrary(m_machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
    SetResourceModule(m_machine.Interfaces().Libraries().LoadLibraryA("D:\\_INSTALL.ENU"));
  }
  ~HostTest() override { SetResourceModule(nullptr); }

  sim::SimPlatform& Platform() { return m_machine.Platform(); }
  std::uint64_t Now() { return Platform().Processes().Now(); }

  // The lines of events.log.
  std::vector<std::string> Events() {
    std::vector<std::string> lines;
    std::istringstream text(testing_support::ReadHostFile(m_machine.Folder() / "events.log"));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }
  bool Logged(const std::string& line) {
    const auto events = Events();
    return std::find(events.begin(), events.end(), line) != events.end();
  }
  // The events that begin with one of the host's words, in order.
  std::vector<std::string> HostEvents() {
    std::vector<std::string> lines;
    for (const std::string& line : Events()) {
      if (line.rfind("message", 0) != 0 && line.rfind("start", 0) != 0) lines.push_back(line);
    }
    return lines;
  }

  // Answers from the text of a [Pages] section.
  static ui::PageAnswers Answers(const std::vector<std::pair<platform::UINT, std::string>>& waits) {
    ui::PageAnswers answers;
    for (const auto& [page, text] : waits) {
      std::string error;
      auto actions = ui::ParsePageActions(text, error);
      EXPECT_TRUE(actions) << error;
      if (actions) answers.Add(page, std::move(*actions));
    }
    return answers;
  }

  testing_support::TempMachine m_machine;
};

}  // namespace ui_test
