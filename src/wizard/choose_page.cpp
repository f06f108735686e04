#include "wizard/choose_page.h"

#include "install/setup_choice.h"
#include "install/setup_session.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"

CChoosePage::CChoosePage() : CWizardPage(IDD_CHOOSE_PAGE) {}

bool CChoosePage::OnCreatePage() {
  SetItemString(IDC_CHOOSE_HEADING, IDS_CHOOSE_HEADING);
  SetItemString(IDC_CHOOSE_MODIFY_TEXT, IDS_CHOOSE_MODIFY_TEXT);
  SetItemString(IDC_CHOOSE_REINSTALL_TEXT, IDS_CHOOSE_REINSTALL_TEXT);
  SetItemString(IDC_CHOOSE_REMOVE_TEXT, IDS_CHOOSE_REMOVE_TEXT);
  Window().SetPictureButton(IDC_CHOOSE_MODIFY, IDB_MODIFY, IDB_MODIFY_DOWN, IDB_MODIFY_FOCUS);
  Window().SetPictureButton(IDC_CHOOSE_REINSTALL, IDB_REINSTALL, IDB_REINSTALL_DOWN, IDB_REINSTALL_FOCUS);
  Window().SetPictureButton(IDC_CHOOSE_REMOVE, IDB_REMOVE, IDB_REMOVE_DOWN, IDB_REMOVE_FOCUS);
  Window().SetPictureButton(IDC_README_BUTTON, IDB_README, IDB_README_DOWN, IDB_README_FOCUS);
  // Unattended, the page does what its Next does: install again.
  ArmTimerWhenUnattended();
  return true;
}

void CChoosePage::OnSetActive() {
  m_pSheet->SetWizardButtons(platform::PSWIZB_NEXT);
  Window().ShowItem(IDC_README_BUTTON, !Session().GetReadMe().GetPath().empty());
}

void CChoosePage::Choose(std::uint32_t choice) {
  ApplySetupChoice(Context(), Session().GetComponents(), choice);
  m_pSheet->SetActivePage(choice == SF_CHANGE_COMPONENTS ? kMaintCustomPage : kMaintProgressPage);
}

void CChoosePage::OnCommand(int controlId) {
  switch (controlId) {
    case IDC_CHOOSE_MODIFY: Choose(SF_CHANGE_COMPONENTS); break;
    case IDC_CHOOSE_REINSTALL: Choose(SF_INSTALL_AGAIN); break;
    case IDC_CHOOSE_REMOVE: Choose(SF_REMOVE); break;
    case IDC_README_BUTTON: Session().GetReadMe().Show(Context().GetPlatform().Processes()); break;
    default: break;
  }
}

std::intptr_t CChoosePage::OnWizardNext() {
  Choose(SF_INSTALL_AGAIN);
  return platform::kStay;
}

CCustomPage::CCustomPage() : CWizardPage(IDD_CUSTOM_PAGE) {}

bool CCustomPage::OnCreatePage() {
  m_chooser.emplace(Session(), IDC_COMPONENTS_LABEL);
  m_chooser->Attach(Window());
  return true;
}

void CCustomPage::OnSetActive() {
  m_chooser->List().FillTopLevel(Session().GetComponents());
  m_chooser->UpdateDetails();
  m_chooser->ShowFreeSpace();
  m_chooser->SetLabels();
  m_pSheet->SetWizardButtons(platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
}

void CCustomPage::OnCommand(int controlId) { m_chooser->HandleCommand(controlId); }

void CCustomPage::OnListSelectionChange(int controlId) { m_chooser->OnListSelectionChange(controlId); }

void CCustomPage::OnListDoubleClick(int controlId) { m_chooser->OnListDoubleClick(controlId); }

void CCustomPage::OnListLeftButtonDown(int controlId, int x) { m_chooser->OnListLeftButtonDown(controlId, x); }

int CCustomPage::GetListItemHeight(int controlId) {
  return m_chooser ? m_chooser->GetListItemHeight(controlId) : kComponentRowHeight;
}

bool CCustomPage::GetListItemLook(int controlId, int row, platform::ListItemLook& look) {
  return m_chooser && m_chooser->GetListItemLook(controlId, row, look);
}

std::intptr_t CCustomPage::OnWizardBack() {
  m_pSheet->SetActivePage((Context().GetFlags() & SF_MAINTENANCE_WIZARD) != 0 ? kMaintChoosePage : kFreshTypePathPage);
  return platform::kStay;
}

std::intptr_t CCustomPage::OnWizardNext() {
  m_pSheet->SetActivePage((Context().GetFlags() & SF_MAINTENANCE_WIZARD) != 0 ? kMaintProgressPage : kFreshReadMePage);
  return platform::kStay;
}
