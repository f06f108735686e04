// The progress page: the installation (or removal) run, phase after phase,
// inside its own Next handler, with a progress bar each phase restarts.
#pragma once

#include "actions/action_executors.h"
#include "files/file_progress.h"
#include "wizard/wizard_page.h"

class CProgressPage final : public CWizardPage, public IFileProgress {
 public:
  CProgressPage();

  void OnSetActive() override;
  // The run: kMoveOn to the finish page, or kStay after a refused licence.
  std::intptr_t OnWizardNext() override;

  // IFileProgress
  void BeginDeletePhase(int count) override;
  void BeginCopyPhase(int count) override;
  void BeginRenamePhase(int count) override;
  void BeginActionPhase(int count);
  void ShowDeleteJob(const CFileRecord& job) override;
  void ShowCopyJob(const CFileRecord& job) override;
  void ShowRenameJob(const CFileRecord& job) override;
  void Step() override;

 private:
  void BeginPhase(int count, int phaseText, bool destinationLabel);
  // Writes the merged script into the setup folder: 0, or 1 after its message.
  int SaveSetupScript();
  void ShowSheet();
};

// What the run hands the component steps: the script actions, the licence
// question and the progress bar. The display driver is not installed yet.
class CInstallExecutors final : public CScriptActionExecutors {
 public:
  CInstallExecutors(platform::HWND caller, CProgressPage& page) : CScriptActionExecutors(caller), m_page(page) {}

  int InstallDisplayDriver(const CComponent& component, int action) override;
  int ShowLicense(std::string_view title, std::string_view text) override;
  void Step() override { m_page.Step(); }

 private:
  CProgressPage& m_page;
};

// The setup folder of a destination: "%s" of the pattern put in once.
std::string FormatSetupFolder(const std::string& pattern, const std::string& destination);
