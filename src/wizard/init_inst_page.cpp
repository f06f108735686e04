#include "wizard/init_inst_page.h"

#include "resource_ids.h"
#include "wizard/install_sheet.h"

CInitInstPage::CInitInstPage(IHardwareDetection* detection)
    : CWizardPage(IDD_PREPARE_PAGE), m_pDetection(detection) {}

void CInitInstPage::OnSetActive() {
  m_pSheet->SetWizardButtons(0);
  SetItemString(IDC_PREPARE_TEXT, IDS_PREPARING);
  Window().SetProgressRange(IDC_PREPARE_PROGRESS, 0, kPrepareDone);
  Window().SetProgressStep(IDC_PREPARE_PROGRESS, 1);
  Window().SetProgressPos(IDC_PREPARE_PROGRESS, 0);
  ArmTimer();
}

std::intptr_t CInitInstPage::OnWizardNext() { return PrepareScript(Session(), *this, m_pDetection); }

void CInitInstPage::SetProgressPos(int position) { Window().SetProgressPos(IDC_PREPARE_PROGRESS, position); }
void CInitInstPage::SetProgressStep(int step) { Window().SetProgressStep(IDC_PREPARE_PROGRESS, step); }
void CInitInstPage::StepProgress() { Window().StepProgress(IDC_PREPARE_PROGRESS); }
void CInitInstPage::DisableWizardButtons() { m_pSheet->SetWizardButtons(0); }
void CInitInstPage::PressCancel() { m_pSheet->PressButton(platform::PSBTN_CANCEL); }
