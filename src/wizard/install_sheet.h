// The wizard: one modal property sheet in wizard mode with the pages of the
// fresh-install or the maintenance wizard, moved by position.
#pragma once

#include <memory>
#include <vector>

#include "platform/wizard_host.h"

class CSetupSession;
class CWizardPage;

class CInstallSheet final : public platform::IWizardSheet {
 public:
  // The session the pages work on, the caption string and the page the
  // wizard opens on.
  CInstallSheet(CSetupSession& session, platform::UINT captionId, int startPage);
  ~CInstallSheet() override;

  // Pages in the order of their positions; they stay owned by the caller.
  void AddPage(CWizardPage& page);
  // Runs the wizard through the page host: 1 after Finish, 0 otherwise.
  int DoModal();

  // What pages ask of the sheet; nothing happens before its window exists.
  void SetActivePage(int position);
  void SetWizardButtons(platform::DWORD buttons);
  void PressButton(int button);
  void SetButtonTexts();
  platform::ISheetWindow* GetWindow() { return m_pWindow; }
  CSetupSession& GetSession() const { return m_session; }

  // platform::IWizardSheet
  platform::HMODULE GetResourceModule() const override;
  platform::UINT GetCaptionId() const override { return m_nCaptionId; }
  platform::UINT GetIconId() const override;
  int GetPageCount() const override { return static_cast<int>(m_pages.size()); }
  platform::IWizardPage& GetPage(int position) override;
  int GetStartPage() const override { return m_nStartPage; }
  void OnCreate(platform::ISheetWindow& window) override;
  void GetLogoBitmaps(int baseUnitX, platform::UINT& image, platform::UINT& mask) const override;

 private:
  // Stands for a page towards the host, so that the pages made current are
  // kept in the session's outcome.
  class CPageSlot;

  CSetupSession& m_session;
  platform::UINT m_nCaptionId;
  int m_nStartPage;
  std::vector<CWizardPage*> m_pages;
  std::vector<std::unique_ptr<CPageSlot>> m_slots;
  platform::ISheetWindow* m_pWindow = nullptr;
};

// Where the hidden wizard stays while it works: off screen, a normal window.
constexpr int kHiddenSheetX = -300;
constexpr int kHiddenSheetY = -300;
constexpr int kHiddenSheetSize = 200;

// Positions of the fresh-install wizard.
constexpr int kFreshLanguagePage = 0;
constexpr int kFreshInitInstPage = 1;
constexpr int kFreshTypePathPage = 2;
constexpr int kFreshCustomPage = 3;
constexpr int kFreshReadMePage = 4;
constexpr int kFreshProgressPage = 5;
constexpr int kFreshFinishPage = 6;

// Positions of the maintenance wizard.
constexpr int kMaintLanguagePage = 0;
constexpr int kMaintInitInstPage = 1;
constexpr int kMaintChoosePage = 2;
constexpr int kMaintCustomPage = 3;
constexpr int kMaintProgressPage = 4;
constexpr int kMaintFinishPage = 5;
