#include "wizard/wizard_page.h"

#include "wizard/message_box.h"

bool CWizardPage::OnInitDialog(platform::IPageWindow& window, platform::ISheetWindow&) {
  m_pWindow = &window;
  // A page without a sheet cannot work: it moves only through it.
  if (m_pSheet == nullptr) return false;
  return OnCreatePage();
}

void CWizardPage::SetItemString(int controlId, int stringId) {
  CMessageText text;
  m_pWindow->SetItemText(controlId, text.LoadText(stringId));
}
