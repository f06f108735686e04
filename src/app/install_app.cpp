#include "app/install_app.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "app/language_library.h"
#include "components/choose_page.h"
#include "language/language_page.h"
#include "script/init_inst_page.h"
#include "wizard/finish_page.h"
#include "wizard/install_sheet.h"
#include "wizard/progress_page.h"
#include "wizard/readme_page.h"
#include "wizard/type_path_page.h"
#include "display/outside_libraries.h"
#include "platform/platform.h"
#include "script/script_line.h"
#include "script/text_compare.h"
#include "wizard/message_box.h"

namespace {
CInstallApp* g_app = nullptr;
}

CInstallApp& TheApp() {
  if (g_app == nullptr) {
    std::fprintf(stderr, "internal error: no application object\n");
    std::abort();
  }
  return *g_app;
}

std::string SetupDirectoryOf(std::string_view modulePath) {
  std::size_t slash = modulePath.find_last_of("\\/");
  if (slash != std::string_view::npos) return std::string(modulePath.substr(0, slash));
  // A bare "X:NAME" keeps its drive.
  if (modulePath.size() >= 2 && modulePath[1] == ':') return std::string(modulePath.substr(0, 2));
  return {};
}

CInstallApp::CInstallApp(std::string commandLine) : m_commandLine(std::move(commandLine)) {
  g_app = this;
  // Script names compare in the machine's code page; a destination marker in
  // a script value stands for the folder chosen at the moment it is taken.
  SetScriptCodePage(platform::System().GetACP());
  SetInstallDirProvider([] { return g_app != nullptr ? g_app->m_context.GetDestDir() : std::string(); });
}

CInstallApp::~CInstallApp() {
  if (m_hThunkLib != nullptr) platform::Libraries().FreeLibrary(m_hThunkLib);
  if (g_app == this) {
    g_app = nullptr;
    SetInstallDirProvider(nullptr);
  }
}

bool CInstallApp::LoadThunkLibrary() {
  if (m_context.IsNT() || m_hThunkLib != nullptr) return true;
  m_hThunkLib = platform::Libraries().LoadLibraryA(outside::kThunkLibraryName);
  if (m_hThunkLib != nullptr) return true;
  CErrorBox().ShowError(MSG_LIBRARY_NOT_LOADED, outside::kThunkLibraryName);
  return false;
}

platform::FARPROC CInstallApp::GetThunkProc(const char* name) const {
  if (m_hThunkLib == nullptr) return nullptr;
  return platform::Libraries().GetProcAddress(m_hThunkLib, name);
}

bool CInstallApp::StartUp() {
  platform::HMODULE program = platform::Resources().GetProgramModule();
  platform::HMODULE library = LoadLanguageLibrary(program, "_INSTALL");
  SetResourceModule(library != nullptr ? library : program);
  return PrepareSetup(m_commandLine);
}

int CInstallApp::RunWizard(bool maintenance) {
  CLanguagePage language;
  CInitInstPage initInst;
  CCustomPage custom;
  CProgressPage progress;
  CFinishPage finish;
  if (maintenance) {
    CChoosePage choose;
    CInstallSheet sheet(IDS_CAPTION, nullptr, kMaintInitInstPage);
    for (CWizardPage* page : std::initializer_list<CWizardPage*>{&language, &initInst, &choose, &custom, &progress, &finish}) {
      sheet.AddPage(*page);
    }
    return sheet.DoModal();
  }
  CTypePathPage typePath;
  CReadMePage readMe;
  // One language on offer, or a caller that chose it, passes over the language page.
  const bool languageChosen = m_context.GetLanguageCount() == 1 || !m_context.GetCallerCmd().empty();
  CInstallSheet sheet(IDS_CAPTION, nullptr, languageChosen ? kFreshInitInstPage : kFreshLanguagePage);
  for (CWizardPage* page :
       std::initializer_list<CWizardPage*>{&language, &initInst, &typePath, &custom, &readMe, &progress, &finish}) {
    sheet.AddPage(*page);
  }
  return sheet.DoModal();
}

bool CInstallApp::Run() {
  if (StartUp()) {
    HandleSourceTree(true);
    // The copy an earlier installation left in its setup folder maintains it.
    if (m_context.GetSetupPath() == m_context.GetSetupDir()) {
      m_wizard = Wizard::Maintenance;
      m_context.SetFlags(m_context.GetFlags() | SF_MAINTENANCE_WIZARD);
    } else {
      m_wizard = Wizard::FreshInstall;
      m_context.SetFlags(m_context.GetFlags() | SF_FRESH_WIZARD);
    }
    // The fresh-install wizard does not run over the older product.
    if (m_wizard == Wizard::FreshInstall && FindEarlierProduct()) {
      m_wizard = Wizard::None;
    } else {
      RunWizard(m_wizard == Wizard::Maintenance);
      if (m_components.DetectionPassedOver()) NotBuilt("recognising the display adapter");
    }
    if (m_hThunkLib != nullptr) {
      platform::Libraries().FreeLibrary(m_hThunkLib);
      m_hThunkLib = nullptr;
    }
    m_pReadMeText.reset();
  }
  HandleSourceTree(false);
  return false;
}
