// What every page of the wizard shares: its dialog template, the window the
// host gave it and the sheet it belongs to.
#pragma once

#include "platform/wizard_host.h"

class CInstallSheet;
class CSetupContext;
class CSetupSession;

// The timer pages arm to act on their own.
constexpr platform::UINT_PTR kPageTimer = 1;
constexpr platform::UINT kPageTimerDelay = 100;

class CWizardPage : public platform::IWizardPage {
 public:
  explicit CWizardPage(platform::UINT templateId) : m_nTemplateId(templateId) {}

  platform::UINT GetTemplateId() const override { return m_nTemplateId; }
  // Takes the window and the sheet, then creates the page's own content.
  bool OnInitDialog(platform::IPageWindow& window, platform::ISheetWindow& sheet) override;
  void OnSetActive() override {}
  std::intptr_t OnWizardBack() override { return platform::kMoveOn; }
  std::intptr_t OnWizardNext() override { return platform::kMoveOn; }
  // The page's own timer presses Next once; pages that act otherwise override.
  void OnTimer(platform::UINT_PTR id) override;
  void OnCommand(int) override {}
  const platform::PagePicture* GetPicture() const override { return nullptr; }

  // The sheet this page was added to (before its dialog exists too).
  void SetSheet(CInstallSheet* sheet) { m_pSheet = sheet; }

 protected:
  // The dialog exists: false when the page cannot be created.
  virtual bool OnCreatePage() { return true; }

  platform::IPageWindow& Window() { return *m_pWindow; }
  // What the pages work on, lent by the sheet.
  CSetupSession& Session() const;
  CSetupContext& Context() const;
  // Loads a string of the resource module into a control.
  void SetItemString(int controlId, int stringId);
  // Arms the page's own timer; ArmTimerWhenUnattended only in unattended runs.
  void ArmTimer();
  void ArmTimerWhenUnattended();
  // True, with the timer stopped, when `id` is the page's own timer.
  bool TakeTimer(platform::UINT_PTR id);

  platform::IPageWindow* m_pWindow = nullptr;
  CInstallSheet* m_pSheet = nullptr;

 private:
  platform::UINT m_nTemplateId;
};
