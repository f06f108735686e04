#include "wizard/readme_page.h"

#include "install/setup_session.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"

CReadMePage::CReadMePage() : CWizardPage(IDD_README_PAGE) {}

bool CReadMePage::OnCreatePage() {
  const char* text = Session().GetReadMe().GetText();
  m_pText = text != nullptr ? text : "";
  Window().SetPictureButton(IDC_README_BUTTON, IDB_README, IDB_README_DOWN, IDB_README_FOCUS);
  ArmTimerWhenUnattended();
  return true;
}

void CReadMePage::OnSetActive() {
  const char* text = Session().GetReadMe().GetText();
  m_pText = text != nullptr ? text : "";
  Window().SetItemText(IDC_README_TEXT, m_pText);
  m_pSheet->SetWizardButtons(platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
  SetItemString(IDC_README_CAPTION, IDS_README_CAPTION);
  Window().ShowItem(IDC_README_BUTTON, !Session().GetReadMe().GetPath().empty());
}

std::intptr_t CReadMePage::OnWizardBack() {
  const bool custom = (Context().GetFlags() & SF_TYPE_CUSTOM) != 0;
  m_pSheet->SetActivePage(custom ? kFreshCustomPage : kFreshTypePathPage);
  return platform::kStay;
}

std::intptr_t CReadMePage::OnWizardNext() {
  m_pSheet->SetActivePage(kFreshProgressPage);
  return platform::kStay;
}

void CReadMePage::OnCommand(int controlId) {
  if (controlId == IDC_README_BUTTON) Session().GetReadMe().Show(Context().GetPlatform().Processes());
}
