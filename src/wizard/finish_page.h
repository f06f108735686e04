// The finish page: the outcome of the run, and the restart of Windows or of
// the computer when the installation needs one.
#pragma once

#include "wizard/wizard_page.h"

class CFinishPage final : public CWizardPage {
 public:
  CFinishPage();

  void OnTimer(platform::UINT_PTR id) override;
  // Next restarts; the page stays should the restart not happen.
  std::intptr_t OnWizardNext() override;

 protected:
  bool OnCreatePage() override;
};

// The two texts and the buttons of the page for a flag word.
struct FinishTexts {
  int outcome = 0;
  int nextStep = 0;
  platform::DWORD buttons = 0;
};
FinishTexts ChooseFinishTexts(std::uint32_t flags);

// Restarts Windows (code 0x42) or the computer (0x43): Restart32 of the
// thunk library on Windows 95/98, a system shutdown with restart on NT.
void RestartSystem(const CSetupSession& session, bool fullRestart);
