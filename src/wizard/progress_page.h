// The progress page: the installation (or removal) run inside its own Next
// handler, with a progress bar each phase restarts.
#pragma once

#include "actions/action_executors.h"
#include "display/driver_install.h"
#include "install/installation_run.h"
#include "wizard/wizard_page.h"

class CProgressPage final : public CWizardPage, public IInstallProgress {
 public:
  CProgressPage();

  void OnSetActive() override;
  // The run: kMoveOn to the finish page, or kStay after a refused licence.
  std::intptr_t OnWizardNext() override;

  // IInstallProgress
  void BeginRun() override;
  void BeginDeletePhase(int count) override;
  void BeginCopyPhase(int count) override;
  void BeginRenamePhase(int count) override;
  void BeginActionPhase(int count) override;
  void ShowDeleteJob(const CFileRecord& job) override;
  void ShowCopyJob(const CFileRecord& job) override;
  void ShowRenameJob(const CFileRecord& job) override;
  void Step() override;
  void ShowSheet() override;

 private:
  void BeginPhase(int count, int phaseText, bool destinationLabel);
};

// What the run hands the component steps: the script actions, the licence
// question, the display driver and the progress bar.
class CInstallExecutors final : public CScriptActionExecutors {
 public:
  CInstallExecutors(CSetupScript& script, IFileDialogs& dialogs, platform::HWND caller, CProgressPage& page,
                    CInstallManifest* manifest = nullptr)
      : CScriptActionExecutors(script, dialogs, caller, manifest), m_driver(script), m_page(page) {}

  CStepResult InstallDisplayDriver(const CComponent& component, Action action) override;
  LicenseAnswer ShowLicense(std::string_view title, std::string_view text) override;
  void Step() override { m_page.Step(); }

 private:
  CDisplayDriverInstall m_driver;
  CProgressPage& m_page;
};
