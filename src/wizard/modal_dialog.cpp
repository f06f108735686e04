#include "wizard/modal_dialog.h"

#include "core/message_text.h"
#include "platform/platform.h"

int CModalDialog::DoModal(platform::IWizardHost& host) { return host.RunDialog(*this); }

bool CModalDialog::OnInitDialog(platform::IDialogWindow& window) {
  m_pWindow = &window;
  return OnCreateDialog();
}

void CModalDialog::OnCommand(int controlId) {
  if (controlId == platform::kDialogOk) OnOK();
  if (controlId == platform::kDialogClose) OnCancel();
}

std::string CModalDialog::LoadText(int stringId) const {
  CMessageText text(m_resources);
  return text.LoadText(stringId);
}

std::string CModalDialog::LoadText(int stringId, const std::string& insert) const {
  CMessageText text(m_resources);
  return text.LoadText(stringId, insert);
}

void CModalDialog::SetItemString(int controlId, int stringId) {
  m_pWindow->SetItemText(controlId, LoadText(stringId));
}

void CModalDialog::SetItemString(int controlId, int stringId, const std::string& insert) {
  m_pWindow->SetItemText(controlId, LoadText(stringId, insert));
}
