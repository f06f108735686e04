// The maintenance wizard's choice: change the installed components, install
// them again, or remove them.
#pragma once

#include <cstdint>

#include "wizard/wizard_page.h"

class CChoosePage final : public CWizardPage {
 public:
  CChoosePage();

  void OnSetActive() override;
  std::intptr_t OnWizardNext() override;
  void OnCommand(int controlId) override;

  // Stores the choice, preselects the components and jumps on.
  void Choose(std::uint32_t choice);

 protected:
  bool OnCreatePage() override;
};

// The page of the component choice, until its list is built: it only moves.
class CCustomPage final : public CWizardPage {
 public:
  CCustomPage();

  void OnSetActive() override;
  std::intptr_t OnWizardBack() override;
  std::intptr_t OnWizardNext() override;

 protected:
  bool OnCreatePage() override;
};
