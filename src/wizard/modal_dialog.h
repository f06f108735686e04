// A modal dialog on a template of the language library: its controls by ID,
// its texts from the library's strings, its result. A dialog may open
// another one from its handlers; they nest to any depth.
#pragma once

#include <string>

#include "core/resource_module.h"
#include "platform/wizard_host.h"

class CModalDialog : public platform::IModalDialog {
 public:
  CModalDialog(const CResourceModule& resources, platform::UINT templateId)
      : m_resources(resources), m_nTemplateId(templateId) {}
  CModalDialog(const CModalDialog&) = delete;
  CModalDialog& operator=(const CModalDialog&) = delete;

  // Runs the dialog through the page host: its result (1 OK, 2 Cancel or
  // closed, or what a button of its own ended it with).
  int DoModal(platform::IWizardHost& host);

  // platform::IModalDialog
  platform::HMODULE GetResourceModule() const override { return m_resources.GetHandle(); }
  platform::UINT GetTemplateId() const override { return m_nTemplateId; }
  bool OnInitDialog(platform::IDialogWindow& window) override;
  // OK and Cancel end the dialog through OnOK and OnCancel.
  void OnCommand(int controlId) override;

 protected:
  // The dialog exists: false ends it at once as cancelled.
  virtual bool OnCreateDialog() { return true; }
  virtual void OnOK() { EndDialog(platform::kDialogOk); }
  virtual void OnCancel() { EndDialog(platform::kDialogClose); }

  platform::IDialogWindow& Window() { return *m_pWindow; }
  void EndDialog(int result) { m_pWindow->EndDialog(result); }
  // A string of the library into a control, with an optional insert for "%1".
  void SetItemString(int controlId, int stringId);
  void SetItemString(int controlId, int stringId, const std::string& insert);
  std::string LoadText(int stringId) const;
  std::string LoadText(int stringId, const std::string& insert) const;
  const CResourceModule& Resources() const { return m_resources; }

 private:
  const CResourceModule& m_resources;
  platform::UINT m_nTemplateId;
  platform::IDialogWindow* m_pWindow = nullptr;
};
