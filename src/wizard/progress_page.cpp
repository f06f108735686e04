#include "wizard/progress_page.h"

#include <algorithm>
#include <vector>

#include "app/install_app.h"
#include "files/file_copy.h"
#include "files/file_dialogs.h"
#include "files/locked_files.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"
#include "wizard/message_box.h"

namespace {
constexpr int kProgressRangeMax = 0xFFFF;  // the bar's range is a 16-bit value
constexpr int kActionStepsPerComponent = 7;
}  // namespace

std::string FormatSetupFolder(const std::string& pattern, const std::string& destination) {
  // The destination is text, never a format: it is put in, not interpreted.
  std::string folder = pattern;
  if (const std::size_t mark = folder.find("%s"); mark != std::string::npos) folder.replace(mark, 2, destination);
  return folder;
}

int CInstallExecutors::InstallDisplayDriver(const CComponent&, int) { return 0; }

int CInstallExecutors::ShowLicense(std::string_view title, std::string_view text) {
  return FileDialogs().AskLicense(title, text);
}

CProgressPage::CProgressPage() : CWizardPage(IDD_PROGRESS_PAGE) {}

void CProgressPage::OnSetActive() {
  const std::uint32_t flags = TheApp().GetContext().GetFlags();
  const int title = (flags & SF_REMOVE) != 0         ? IDS_PROGRESS_REMOVE
                    : (flags & SF_INSTALL_AGAIN) != 0 ? IDS_PROGRESS_REINSTALL
                                                      : IDS_PROGRESS_INSTALL;
  SetItemString(IDC_PROGRESS_TITLE, title);
  for (int id : {IDC_PHASE_TEXT, IDC_DETAIL_SOURCE, IDC_DETAIL_DEST_LABEL, IDC_DETAIL_DEST}) Window().SetItemText(id, "");
  m_pSheet->SetWizardButtons(0);
  ArmTimer();
}

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

int CProgressPage::SaveSetupScript() {
  CInstallApp& app = TheApp();
  const CSetupContext& context = app.GetContext();
  CFileRecord job;
  job.m_strSourceDir = context.GetSetupDir();
  job.m_strSourceName = context.GetScriptName();
  job.m_strDestDir = FormatSetupFolder(context.GetSetupPath(), context.GetDestDir());
  job.m_strDestName = "SETUP.INF";
  BeginCopyPhase(1);
  ShowCopyJob(job);
  if (!CreateDestDir(job)) {
    CErrorBox().ShowError(MSG_CANNOT_WRITE, job.m_strDestDir);
    return 1;
  }
  if (!app.GetScript().SaveAs(DestPath(job))) {
    CErrorBox().ShowError(MSG_FILE_INSTALL);
    return 1;
  }
  Step();
  return 0;
}

std::intptr_t CProgressPage::OnWizardNext() {
  CInstallApp& app = TheApp();
  CSetupContext& context = app.GetContext();
  CComponentList& components = app.GetComponents();
  platform::ISheetWindow* sheet = m_pSheet->GetWindow();
  CInstallExecutors executors(sheet != nullptr ? sheet->GetHwnd() : nullptr, *this);

  // Nothing is changed before every agreement was accepted.
  if ((context.GetFlags() & SF_UNATTENDED) == 0 && !components.ConfirmLicenses(executors)) {
    const bool maintenance = (context.GetFlags() & SF_MAINTENANCE_WIZARD) != 0;
    const bool custom = (context.GetFlags() & SF_TYPE_CUSTOM) != 0;
    m_pSheet->SetActivePage(maintenance ? kMaintCustomPage : custom ? kFreshCustomPage : kFreshTypePathPage);
    return platform::kStay;
  }
  m_pSheet->SetWizardButtons(0);

  int r = RunDeletes(*this, 1);
  if (r == 0 && (context.GetFlags() & SF_FRESH_WIZARD) != 0) r = SaveSetupScript();
  if (r == 0) r = RunCopies(*this);
  if (r == 0) r = RunRenames(*this);
  if (r == 0) BeginActionPhase(kActionStepsPerComponent * components.GetCount());
  if (r == 0) r = components.RunExecute(0, executors);
  ShowSheet();
  if (r == 0) {
    app.WriteInstallRecord();
    r = components.RunDisplayDriver(executors);
  }
  if (r == 0) components.RunRegistry(executors);
  if (r == 0) components.RunIniUpdates(executors);
  if (r == 0) components.RunProgramGroups(executors);
  if (r == 0) r = RunDeletes(*this, 0);
  if (r == 0) r = components.RunExecute(1, executors);
  ShowSheet();
  if (r != 0) context.SetFlags(context.GetFlags() | SF_RUN_FAILED);
  return platform::kMoveOn;
}
