#include "wizard/finish_page.h"

#include "install/setup_session.h"
#include "platform/outside_libraries.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "wizard/install_sheet.h"

FinishTexts ChooseFinishTexts(std::uint32_t flags) {
  FinishTexts texts;
  if ((flags & SF_RUN_FAILED) != 0) {
    texts.outcome = (flags & SF_REMOVE) != 0          ? IDS_FINISH_REMOVE_FAILED
                    : (flags & SF_INSTALL_AGAIN) != 0 ? IDS_FINISH_REINSTALL_FAILED
                                                      : IDS_FINISH_INSTALL_FAILED;
    texts.nextStep = IDS_FINISH_FAILED_ADVICE;
    texts.buttons = 0;  // only Cancel leaves the page
    return texts;
  }
  texts.outcome = (flags & SF_REMOVE) != 0          ? IDS_FINISH_REMOVED
                  : (flags & SF_INSTALL_AGAIN) != 0 ? IDS_FINISH_REINSTALLED
                                                    : IDS_FINISH_INSTALLED;
  // A script that asks for no restart wins over what the run needed;
  // option R keeps that request from being made at all.
  if ((flags & SF_NO_RESTART) == 0 && (flags & (SF_RESTART_NEEDED | SF_FULL_RESTART | SF_RESTART_REQUESTED)) != 0) {
    texts.nextStep = IDS_FINISH_RESTART;
    texts.buttons = platform::PSWIZB_NEXT;
  } else {
    texts.nextStep = IDS_FINISH_CLOSE;
    texts.buttons = platform::PSWIZB_FINISH;
  }
  return texts;
}

void RestartSystem(const CSetupSession& session, bool fullRestart) {
  const platform::Platform& platform = session.GetContext().GetPlatform();
  if (session.GetContext().Is9x()) {
    auto restart =
        outside::EntryPointAs<outside::Restart32Proc>(session.GetThunkLibrary().GetProc(outside::kRestart32));
    if (restart != nullptr) restart(fullRestart ? outside::kRestartComputer : outside::kRestartWindows);
    return;
  }
  // Windows NT always restarts the whole computer.
  platform::ISystemInfo& system = platform.System();
  if (system.EnableShutdownPrivilege()) system.InitiateSystemShutdownA(nullptr, 0, FALSE, TRUE);
}

CFinishPage::CFinishPage() : CWizardPage(IDD_FINISH_PAGE) {}

bool CFinishPage::OnCreatePage() {
  const std::uint32_t flags = Context().GetFlags();
  const FinishTexts texts = ChooseFinishTexts(flags);
  m_pSheet->SetWizardButtons(texts.buttons);
  SetItemString(IDC_FINISH_OUTCOME, texts.outcome);
  SetItemString(IDC_FINISH_NEXT_STEP, texts.nextStep);
  ArmTimerWhenUnattended();
  return true;
}

void CFinishPage::OnTimer(platform::UINT_PTR id) {
  if (!TakeTimer(id)) return;
  const std::uint32_t flags = Context().GetFlags();
  // Unattended, only option R restarts, whatever the run needed.
  const bool restart = (flags & SF_RUN_FAILED) == 0 && (flags & SF_RESTART_REQUESTED) != 0;
  m_pSheet->PressButton(restart ? platform::PSBTN_NEXT : platform::PSBTN_CANCEL);
}

std::intptr_t CFinishPage::OnWizardNext() {
  const std::uint32_t flags = Context().GetFlags();
  platform::ISheetWindow* sheet = m_pSheet->GetWindow();
  if (Context().IsNT()) {
    Context().GetPlatform().Processes().Sleep(200);
  } else {
    if (sheet != nullptr) sheet->ShowWindow(SW_HIDE);
    m_pSheet->SetWizardButtons(0);
  }
  RestartSystem(Session(), (flags & SF_FULL_RESTART) != 0);
  if ((flags & SF_UNATTENDED) != 0) m_pSheet->PressButton(platform::PSBTN_CANCEL);
  // Should the restart not happen, the user can try again or leave.
  m_pSheet->SetWizardButtons(platform::PSWIZB_NEXT);
  if (sheet != nullptr) {
    sheet->ShowWindow(SW_RESTORE);
    sheet->ShowWindow(SW_SHOW);
    sheet->BringToTop();
    sheet->BringToTop();
  }
  return platform::kStay;
}
