#include "app/install_app.h"

#include <cstdio>
#include <cstdlib>

#include "app/language_library.h"
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

bool CInstallApp::Run() {
  if (StartUp()) {
    NotBuilt("source tree before the wizard");
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
      NotBuilt(m_wizard == Wizard::Maintenance ? "maintenance wizard" : "fresh-install wizard");
    }
    if (m_hThunkLib != nullptr) {
      platform::Libraries().FreeLibrary(m_hThunkLib);
      m_hThunkLib = nullptr;
    }
    m_pReadMeText.reset();
  }
  NotBuilt("source tree after the wizard");
  return false;
}
