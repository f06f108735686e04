#include "app/install_app.h"

#include <algorithm>
#include <initializer_list>

#include "app/language_library.h"
#include "core/message_text.h"
#include "install/install_record.h"
#include "install/setup_choice.h"
#include "platform/platform.h"
#include "resource_ids.h"
#include "wizard/choose_page.h"
#include "wizard/finish_page.h"
#include "wizard/init_inst_page.h"
#include "wizard/install_sheet.h"
#include "wizard/language_page.h"
#include "wizard/progress_page.h"
#include "wizard/readme_page.h"
#include "wizard/type_path_page.h"

std::string SetupDirectoryOf(std::string_view modulePath) {
  std::size_t slash = modulePath.find_last_of("\\/");
  if (slash != std::string_view::npos) return std::string(modulePath.substr(0, slash));
  // A bare "X:NAME" keeps its drive.
  if (modulePath.size() >= 2 && modulePath[1] == ':') return std::string(modulePath.substr(0, 2));
  return {};
}

CInstallApp::CInstallApp(const platform::Platform& platform, std::string commandLine)
    : m_commandLine(std::move(commandLine)), m_context(platform), m_resources(platform) {
  // Script names compare in the machine's code page.
  m_script.GetText().SetCodePage(m_context.GetPlatform().System().GetACP());
  m_session.SetFileDialogs(&m_fileDialogs);
}

bool CInstallApp::StartUp() {
  // Without a language library the program's own module answers.
  m_resources.SetHandle(LoadLanguageLibrary(m_context.GetPlatform(), kLanguageLibraryName));
  return PrepareSetup(m_commandLine);
}

int CInstallApp::RunWizard(bool maintenance) {
  CLanguagePage language;
  CInitInstPage initInst(&m_detection);
  CCustomPage custom;
  CProgressPage progress;
  CFinishPage finish;
  if (maintenance) {
    CChoosePage choose;
    CInstallSheet sheet(m_session, IDS_CAPTION, kMaintInitInstPage);
    for (CWizardPage* page : std::initializer_list<CWizardPage*>{&language, &initInst, &choose, &custom, &progress, &finish}) {
      sheet.AddPage(*page);
    }
    return sheet.DoModal();
  }
  CTypePathPage typePath;
  CReadMePage readMe;
  // One language on offer, or a caller that chose it, passes over the language page.
  const bool languageChosen = m_context.GetLanguageCount() == 1 || !m_context.GetCallerCmd().empty();
  CInstallSheet sheet(m_session, IDS_CAPTION, languageChosen ? kFreshInitInstPage : kFreshLanguagePage);
  for (CWizardPage* page :
       std::initializer_list<CWizardPage*>{&language, &initInst, &typePath, &custom, &readMe, &progress, &finish}) {
    sheet.AddPage(*page);
  }
  return sheet.DoModal();
}

bool CInstallApp::UseCompleteLanguageLibrary() {
  const platform::Platform& platform = m_context.GetPlatform();
  const platform::UINT missing = MissingWizardTemplate(platform, m_resources.GetHandle());
  if (missing == 0) return true;
  // A translation that lacks a page or dialog would end the wizard where it
  // is needed: the English library takes its place.
  const platform::HMODULE english = LoadEnglishLanguageLibrary(platform, kLanguageLibraryName);
  if (english != nullptr && MissingWizardTemplate(platform, english) == 0) {
    m_resources.SetHandle(english);
    return true;
  }
  if ((m_context.GetFlags() & SF_QUIET) != 0) return false;
  // No library can say it: the program's own words, once.
  const std::string page = std::to_string(missing);
  platform::MessageBoxRequest box;
  box.messageId = MSG_NO_COMPLETE_LANGUAGE_LIBRARY;
  box.inserts = {page, std::string(kLanguageLibraryName) + ".ENU"};
  box.caption = m_resources.LoadString(IDS_CAPTION);
  if (box.caption.empty()) box.caption = "Setup";
  box.text = "This setup program cannot show its wizard: dialog " + page +
             " is missing from its language library, and there is no complete English library (" +
             box.inserts[1] + ") beside the program.";
  box.type = MB_OK | MB_ICONERROR;
  m_context.GetPlatform().UserInterface().MessageBoxA(box);
  return false;
}

bool CInstallApp::Run() {
  CRunOutcome::Ending ending = CRunOutcome::Ending::NotStarted;
  if (StartUp()) {
    HandleSourceTree(m_session, true);
    // The copy an earlier installation left in its setup folder maintains it.
    const bool maintenance = IsMaintenanceRun(m_context);
    m_wizard = maintenance ? Wizard::Maintenance : Wizard::FreshInstall;
    MarkWizard(m_context, maintenance);
    // The fresh-install wizard does not run over the older product.
    if (m_wizard == Wizard::FreshInstall && FindEarlierProduct(m_context.GetPlatform(), m_resources)) {
      m_wizard = Wizard::None;
      ending = CRunOutcome::Ending::EarlierProduct;
    } else if (UseCompleteLanguageLibrary()) {
      RunWizard(m_wizard == Wizard::Maintenance);
      const std::vector<unsigned>& pages = m_session.GetOutcome().m_pages;
      ending = std::find(pages.begin(), pages.end(), static_cast<unsigned>(IDD_FINISH_PAGE)) != pages.end()
                   ? CRunOutcome::Ending::Finished
                   : CRunOutcome::Ending::Cancelled;
    }
    m_thunkLibrary.Free();
    m_readMe.Free();
  }
  HandleSourceTree(m_session, false);
  CompleteOutcome(ending);
  return false;
}

void CInstallApp::GetLastMessage(int& id, std::vector<std::string>& inserts, std::string& text) const {
  id = m_context.GetLastMessage();
  inserts.clear();
  text.clear();
  if (id == 0) return;
  const CMessage message = m_errorBox.FindLast(id);
  inserts = message.m_inserts;
  text = m_errorBox.TextOf(message);
}

void CInstallApp::CompleteOutcome(CRunOutcome::Ending ending) {
  CRunOutcome& outcome = m_session.GetOutcome();
  outcome.m_ending = ending;
  outcome.m_bMaintenance = m_wizard == Wizard::Maintenance;
  outcome.m_nFlags = m_context.GetFlags();
  GetLastMessage(outcome.m_nMessage, outcome.m_messageInserts, outcome.m_strMessageText);
  outcome.m_messages = m_errorBox.GetMessages();
  if (ending == CRunOutcome::Ending::EarlierProduct && outcome.m_nMessage == 0) {
    // Its box is the program's own, not an error the context records.
    outcome.m_nMessage = MSG_EARLIER_PRODUCT;
    outcome.m_strMessageText = m_errorBox.TextOf({MSG_EARLIER_PRODUCT, {}});
  }
}
