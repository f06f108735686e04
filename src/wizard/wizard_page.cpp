#include "wizard/wizard_page.h"

#include "core/message_text.h"
#include "install/setup_session.h"
#include "wizard/install_sheet.h"

bool CWizardPage::OnInitDialog(platform::IPageWindow& window, platform::ISheetWindow&) {
  m_pWindow = &window;
  // A page without a sheet cannot work: it moves only through it.
  if (m_pSheet == nullptr) return false;
  return OnCreatePage();
}

CSetupSession& CWizardPage::Session() const { return m_pSheet->GetSession(); }

CSetupContext& CWizardPage::Context() const { return Session().GetContext(); }

void CWizardPage::SetItemString(int controlId, int stringId) {
  CMessageText text(Session().GetResources());
  m_pWindow->SetItemText(controlId, text.LoadText(stringId));
}

void CWizardPage::ArmTimer() { m_pWindow->SetTimer(kPageTimer, kPageTimerDelay); }

void CWizardPage::ArmTimerWhenUnattended() {
  if ((Context().GetFlags() & SF_UNATTENDED) != 0) ArmTimer();
}

bool CWizardPage::TakeTimer(platform::UINT_PTR id) {
  if (id != kPageTimer) return false;
  m_pWindow->KillTimer(kPageTimer);
  return true;
}

void CWizardPage::OnTimer(platform::UINT_PTR id) {
  if (TakeTimer(id)) m_pSheet->PressButton(platform::PSBTN_NEXT);
}
