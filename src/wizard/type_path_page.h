// The setup type and destination page: the folder to install into, and the
// three setup-type buttons that store it and move straight on.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/wizard_page.h"

constexpr int MSG_DESTINATION_INVALID = 1181;  // %1 the folder as typed

class CTypePathPage final : public CWizardPage {
 public:
  CTypePathPage();

  void OnSetActive() override;
  std::intptr_t OnWizardBack() override;
  std::intptr_t OnWizardNext() override;
  void OnTimer(platform::UINT_PTR id) override;
  void OnCommand(int controlId) override;

  // Stores the typed destination and the type, selects the components of
  // the type and jumps to the page that follows it. A destination that is
  // not an absolute folder on a drive is refused with a message.
  void ChooseSetupType(std::uint32_t type);

  const std::string& GetDestination() const { return m_strDestination; }

 protected:
  bool OnCreatePage() override;

 private:
  void ApplyType(std::uint32_t type);
  // Normalises and stores the destination; false after refusing it.
  bool TakeDestination(const std::string& typed);

  std::string m_strDestination;
};
