#include "wizard/install_sheet.h"

#include "core/message_text.h"
#include "install/setup_session.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "wizard/wizard_page.h"

class CInstallSheet::CPageSlot final : public platform::IWizardPage {
 public:
  CPageSlot(CWizardPage& page, CRunOutcome& outcome) : m_page(page), m_outcome(outcome) {}

  platform::UINT GetTemplateId() const override { return m_page.GetTemplateId(); }
  bool OnInitDialog(platform::IPageWindow& window, platform::ISheetWindow& sheet) override {
    return m_page.OnInitDialog(window, sheet);
  }
  void OnSetActive() override {
    m_outcome.m_pages.push_back(m_page.GetTemplateId());
    m_page.OnSetActive();
  }
  std::intptr_t OnWizardBack() override { return m_page.OnWizardBack(); }
  std::intptr_t OnWizardNext() override { return m_page.OnWizardNext(); }
  void OnTimer(platform::UINT_PTR id) override { m_page.OnTimer(id); }
  const platform::PagePicture* GetPicture() const override { return m_page.GetPicture(); }
  void OnCommand(int controlId) override { m_page.OnCommand(controlId); }
  void OnListSelectionChange(int controlId) override { m_page.OnListSelectionChange(controlId); }
  void OnListDoubleClick(int controlId) override { m_page.OnListDoubleClick(controlId); }
  void OnListLeftButtonDown(int controlId, int x) override { m_page.OnListLeftButtonDown(controlId, x); }
  void OnListSpaceBar(int controlId) override { m_page.OnListSpaceBar(controlId); }
  int GetListItemHeight(int controlId) override { return m_page.GetListItemHeight(controlId); }
  bool GetListItemLook(int controlId, int row, platform::ListItemLook& look) override {
    return m_page.GetListItemLook(controlId, row, look);
  }

 private:
  CWizardPage& m_page;
  CRunOutcome& m_outcome;
};

CInstallSheet::CInstallSheet(CSetupSession& session, platform::UINT captionId, int startPage)
    : m_session(session), m_nCaptionId(captionId), m_nStartPage(startPage) {}

CInstallSheet::~CInstallSheet() = default;

platform::HMODULE CInstallSheet::GetResourceModule() const { return m_session.GetResources().GetHandle(); }

void CInstallSheet::AddPage(CWizardPage& page) {
  page.SetSheet(this);
  m_pages.push_back(&page);
  m_slots.push_back(std::make_unique<CPageSlot>(page, m_session.GetOutcome()));
}

int CInstallSheet::DoModal() {
  const int result = m_session.GetContext().GetPlatform().WizardHost().RunWizard(*this);
  m_pWindow = nullptr;
  return result;
}

platform::UINT CInstallSheet::GetIconId() const { return IDI_WIZARD; }

platform::IWizardPage& CInstallSheet::GetPage(int position) { return *m_slots.at(static_cast<std::size_t>(position)); }

void CInstallSheet::SetActivePage(int position) {
  if (m_pWindow != nullptr && position >= 0 && position < GetPageCount()) m_pWindow->SetActivePage(position);
}

void CInstallSheet::SetWizardButtons(platform::DWORD buttons) {
  if (m_pWindow != nullptr) m_pWindow->SetWizardButtons(buttons);
}

void CInstallSheet::PressButton(int button) {
  if (m_pWindow != nullptr) m_pWindow->PressButton(button);
}

void CInstallSheet::SetButtonTexts() {
  if (m_pWindow == nullptr) return;
  CMessageText text(m_session.GetResources());
  m_pWindow->SetButtonText(platform::kSheetCancel, text.LoadText(IDS_CANCEL));
  m_pWindow->SetButtonText(platform::kSheetBack, text.LoadText(IDS_BACK));
  m_pWindow->SetButtonText(platform::kSheetNext, text.LoadText(IDS_NEXT));
  m_pWindow->SetButtonText(platform::kSheetFinish, text.LoadText(IDS_FINISH));
}

void CInstallSheet::OnCreate(platform::ISheetWindow& window) {
  m_pWindow = &window;
  SetButtonTexts();
  // Hidden mode keeps an ordinary, enabled window, only off screen.
  if ((m_session.GetContext().GetFlags() & SF_HIDDEN) != 0) {
    window.MoveWindow(kHiddenSheetX, kHiddenSheetY, kHiddenSheetSize, kHiddenSheetSize);
  }
}

void CInstallSheet::GetLogoBitmaps(int baseUnitX, platform::UINT& image, platform::UINT& mask) const {
  // Large fonts have a wider dialog base unit and a larger logo.
  if (baseUnitX > 8) {
    image = IDB_LOGO_LARGE;
    mask = IDB_LOGO_LARGE_MASK;
  } else {
    image = IDB_LOGO;
    mask = IDB_LOGO_MASK;
  }
}
