// The maintenance wizard's choice: change the installed components, install
// them again, or remove them.
#pragma once

#include <cstdint>
#include <optional>

#include "wizard/component_list_box.h"
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

// The custom choice of components: the top-level components in a list with
// their check marks and sizes, the details of the selected one, the space
// required and free, and the sub-component dialogs.
class CCustomPage final : public CWizardPage {
 public:
  CCustomPage();

  void OnSetActive() override;
  std::intptr_t OnWizardBack() override;
  std::intptr_t OnWizardNext() override;
  void OnCommand(int controlId) override;
  void OnListSelectionChange(int controlId) override;
  void OnListDoubleClick(int controlId) override;
  void OnListLeftButtonDown(int controlId, int x) override;
  int GetListItemHeight(int controlId) override;
  bool GetListItemLook(int controlId, int row, platform::ListItemLook& look) override;

 protected:
  bool OnCreatePage() override;

 private:
  std::optional<CComponentChooser> m_chooser;
};
