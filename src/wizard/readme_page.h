// The ReadMe page: the README text before the installation run, and a
// button that opens the README in Notepad.
#pragma once

#include "wizard/wizard_page.h"

class CReadMePage final : public CWizardPage {
 public:
  CReadMePage();

  void OnSetActive() override;
  std::intptr_t OnWizardBack() override;
  std::intptr_t OnWizardNext() override;
  void OnCommand(int controlId) override;

 protected:
  bool OnCreatePage() override;

 private:
  const char* m_pText = "";
};
