#include "wizard/progress_page.h"

#include <algorithm>

#include "files/file_copy.h"
#include "install/setup_session.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"

namespace {
constexpr int kProgressRangeMax = 0xFFFF;  // the bar's range is a 16-bit value
}  // namespace

CStepResult CInstallExecutors::InstallDisplayDriver(const CComponent& component, Action action) {
  return m_driver.InstallDisplayDriver(component, action);
}

LicenseAnswer CInstallExecutors::ShowLicense(std::string_view title, std::string_view text) {
  return m_dialogs.AskLicense(title, text);
}

CProgressPage::CProgressPage() : CWizardPage(IDD_PROGRESS_PAGE) {}

void CProgressPage::OnSetActive() {
  const std::uint32_t flags = Context().GetFlags();
  const int title = (flags & SF_REMOVE) != 0         ? IDS_PROGRESS_REMOVE
                    : (flags & SF_INSTALL_AGAIN) != 0 ? IDS_PROGRESS_REINSTALL
                                                      : IDS_PROGRESS_INSTALL;
  SetItemString(IDC_PROGRESS_TITLE, title);
  for (int id : {IDC_PHASE_TEXT, IDC_DETAIL_SOURCE, IDC_DETAIL_DEST_LABEL, IDC_DETAIL_DEST}) Window().SetItemText(id, "");
  m_pSheet->SetWizardButtons(0);
  ArmTimer();
}

void CProgressPage::BeginRun() { m_pSheet->SetWizardButtons(0); }

void CProgressPage::BeginPhase(int count, int phaseText, bool destinationLabel) {
  Window().SetProgressRange(IDC_PROGRESS_BAR, 0, std::clamp(count, 0, kProgressRangeMax));
  Window().SetProgressPos(IDC_PROGRESS_BAR, 0);
  Window().SetProgressStep(IDC_PROGRESS_BAR, 1);
  SetItemString(IDC_PHASE_TEXT, phaseText);
  Window().SetItemText(IDC_DETAIL_SOURCE, "");
  Window().SetItemText(IDC_DETAIL_DEST, "");
  if (destinationLabel) {
    SetItemString(IDC_DETAIL_DEST_LABEL, IDS_DETAIL_TO_LABEL);
  } else {
    Window().SetItemText(IDC_DETAIL_DEST_LABEL, "");
  }
}

void CProgressPage::BeginDeletePhase(int count) { BeginPhase(count, IDS_PHASE_DELETE, false); }
void CProgressPage::BeginCopyPhase(int count) { BeginPhase(count, IDS_PHASE_COPY, true); }
void CProgressPage::BeginRenamePhase(int count) { BeginPhase(count, IDS_PHASE_RENAME, true); }
void CProgressPage::BeginActionPhase(int count) { BeginPhase(count, IDS_PHASE_ACTIONS, false); }

void CProgressPage::ShowDeleteJob(const CFileRecord& job) { Window().SetItemText(IDC_DETAIL_SOURCE, DestPath(job)); }

void CProgressPage::ShowCopyJob(const CFileRecord& job) {
  Window().SetItemText(IDC_DETAIL_SOURCE, SourcePath(job));
  Window().SetItemText(IDC_DETAIL_DEST, DestPath(job));
}

void CProgressPage::ShowRenameJob(const CFileRecord& job) { ShowCopyJob(job); }

void CProgressPage::Step() { Window().StepProgress(IDC_PROGRESS_BAR); }

void CProgressPage::ShowSheet() {
  if (platform::ISheetWindow* sheet = m_pSheet->GetWindow()) sheet->ShowWindow(SW_SHOWNORMAL);
}

std::intptr_t CProgressPage::OnWizardNext() {
  CSetupSession& session = Session();
  platform::ISheetWindow* sheet = m_pSheet->GetWindow();
  CInstallExecutors executors(session.GetScript(), session.GetFileDialogs(), sheet != nullptr ? sheet->GetHwnd() : nullptr,
                              *this, &session.GetManifest());
  if (CInstallationRun(session, executors, *this).Run() == CInstallationRun::Result::LicenceDeclined) {
    const std::uint32_t flags = Context().GetFlags();
    const bool maintenance = (flags & SF_MAINTENANCE_WIZARD) != 0;
    const bool custom = (flags & SF_TYPE_CUSTOM) != 0;
    m_pSheet->SetActivePage(maintenance ? kMaintCustomPage : custom ? kFreshCustomPage : kFreshTypePathPage);
    return platform::kStay;
  }
  return platform::kMoveOn;
}
