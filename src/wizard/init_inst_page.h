// The first page: prepares the merged script while a progress bar moves,
// then goes on by itself, or cancels the wizard when a message was shown.
#pragma once

#include "install/prepare_script.h"
#include "wizard/wizard_page.h"

class CInitInstPage final : public CWizardPage, private IPreparationView {
 public:
  // `detection` adds the recognised adapter's component; may be nullptr.
  explicit CInitInstPage(IHardwareDetection* detection = nullptr);

  void OnSetActive() override;
  std::intptr_t OnWizardNext() override;

 private:
  // IPreparationView
  void SetProgressPos(int position) override;
  void SetProgressStep(int step) override;
  void StepProgress() override;
  void DisableWizardButtons() override;
  void PressCancel() override;

  IHardwareDetection* m_pDetection;
};
