#include "wizard/type_path_page.h"

#include <optional>

#include "install/setup_choice.h"
#include "install/setup_session.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"

CTypePathPage::CTypePathPage() : CWizardPage(IDD_TYPE_PATH_PAGE) {}

bool CTypePathPage::OnCreatePage() {
  m_strDestination = Context().GetDestDir();
  Window().SetPictureButton(IDC_TYPE_MINIMAL, IDB_TYPE_MINIMAL, IDB_TYPE_MINIMAL_DOWN, IDB_TYPE_MINIMAL_FOCUS);
  Window().SetPictureButton(IDC_TYPE_TYPICAL, IDB_TYPE_TYPICAL, IDB_TYPE_TYPICAL_DOWN, IDB_TYPE_TYPICAL_FOCUS);
  Window().SetPictureButton(IDC_TYPE_CUSTOM, IDB_TYPE_CUSTOM, IDB_TYPE_CUSTOM_DOWN, IDB_TYPE_CUSTOM_FOCUS);
  ArmTimerWhenUnattended();
  return true;
}

void CTypePathPage::OnSetActive() {
  const CSetupContext& context = Context();
  const bool noWayBack = context.GetLanguageCount() == 1 && context.GetCallerCmd().empty();
  m_pSheet->SetWizardButtons(noWayBack ? platform::PSWIZB_NEXT : platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
  Window().SetItemText(IDC_DEST_DIR, m_strDestination);
  SetItemString(IDC_TYPE_HEADING, IDS_TYPE_HEADING);
  SetItemString(IDC_DEST_DIR_LABEL, IDS_DEST_DIR_LABEL);
  SetItemString(IDC_TYPE_MINIMAL_TEXT, IDS_TYPE_MINIMAL_TEXT);
  SetItemString(IDC_TYPE_TYPICAL_TEXT, IDS_TYPE_TYPICAL_TEXT);
  SetItemString(IDC_TYPE_CUSTOM_TEXT, IDS_TYPE_CUSTOM_TEXT);
  SetItemString(IDC_BROWSE, IDS_BROWSE);
}

void CTypePathPage::ApplyType(std::uint32_t type) {
  ApplySetupChoice(Context(), Session().GetComponents(), type);
  m_pSheet->SetActivePage(type == SF_TYPE_CUSTOM ? kFreshCustomPage : kFreshReadMePage);
}

bool CTypePathPage::TakeDestination(const std::string& typed) {
  const std::optional<std::string> folder = NormaliseDestination(typed, Context().GetPlatform().System().GetACP());
  if (!folder) {
    // The page stays for another folder; an unattended run has nobody to
    // type one and ends.
    Session().GetMessages().ShowError(MSG_DESTINATION_INVALID, typed);
    if ((Context().GetFlags() & SF_UNATTENDED) != 0) m_pSheet->PressButton(platform::PSBTN_CANCEL);
    return false;
  }
  m_strDestination = *folder;
  Window().SetItemText(IDC_DEST_DIR, m_strDestination);
  Context().SetDestDir(m_strDestination);
  return true;
}

void CTypePathPage::ChooseSetupType(std::uint32_t type) {
  if (TakeDestination(Window().GetItemText(IDC_DEST_DIR))) ApplyType(type);
}

void CTypePathPage::OnCommand(int controlId) {
  switch (controlId) {
    case IDC_TYPE_MINIMAL: ChooseSetupType(SF_TYPE_FIRST); break;
    case IDC_TYPE_TYPICAL: ChooseSetupType(SF_TYPE_SECOND); break;
    case IDC_TYPE_CUSTOM: ChooseSetupType(SF_TYPE_CUSTOM); break;
    case IDC_BROWSE: {
      std::string folder;
      if (Window().BrowseForFolder(folder)) {
        m_strDestination = folder;
        Window().SetItemText(IDC_DEST_DIR, m_strDestination);
      }
      break;
    }
    default: break;
  }
}

std::intptr_t CTypePathPage::OnWizardNext() {
  ChooseSetupType(SF_TYPE_SECOND);
  return platform::kStay;
}

std::intptr_t CTypePathPage::OnWizardBack() {
  if (Context().GetCallerCmd().empty()) {
    m_pSheet->SetActivePage(kFreshLanguagePage);
  } else {
    // The caller takes over again in the chosen language.
    StartCaller(Context());
    m_pSheet->PressButton(platform::PSBTN_CANCEL);
  }
  return platform::kStay;
}

void CTypePathPage::OnTimer(platform::UINT_PTR id) {
  if (!TakeTimer(id)) return;
  if (UnattendedChoice(Context()) == SF_TYPE_SECOND) {
    m_pSheet->PressButton(platform::PSBTN_NEXT);
  } else {
    // The destination stays as the setup context holds it.
    if (TakeDestination(Context().GetDestDir())) ApplyType(SF_TYPE_FIRST);
  }
}
