// The page host of the Windows build: a real property sheet in wizard mode
// whose pages are the dialog templates of the language resource library.
#pragma once

#include "platform/wizard_host.h"

namespace win32ui {

class PropertySheetHost final : public platform::IWizardHost {
 public:
  // One wizard at a time: a run asked for while one is going returns 0 at once.
  int RunWizard(platform::IWizardSheet& sheet) override;
  // DialogBoxParamA on the dialog's template, owned by the innermost open
  // dialog or the sheet.
  int RunDialog(platform::IModalDialog& dialog) override;
  // The innermost open dialog, else the sheet, else nullptr.
  platform::HWND GetTopWindow() override;
};

}  // namespace win32ui
