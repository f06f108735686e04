// The application object: owns everything that lives longer than one page
// and runs the whole program from start-up to exit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/setup_context.h"
#include "components/component_list.h"
#include "platform/win_types.h"
#include "script/script_section.h"
#include "script/script_text.h"
#include "script/value_expansion.h"

class CInstallApp {
 public:
  enum class Wizard { None, FreshInstall, Maintenance };

  // `commandLine` is the text after the program name. The platform must be
  // installed first; the object registers itself as the process's one app.
  explicit CInstallApp(std::string commandLine);
  ~CInstallApp();
  CInstallApp(const CInstallApp&) = delete;
  CInstallApp& operator=(const CInstallApp&) = delete;

  // The whole program. Always false: no message loop follows.
  bool Run();

  // Start-up up to the choice of the wizard: the language library and the
  // setup context. False when it failed (its message was shown).
  bool StartUp();

  // The record of an earlier installation: destination, setup path, source
  // root and language, with the defaults of a first installation.
  void ReadInstallRecord();
  // True when the maker's older utility product is installed (after saying so).
  bool FindEarlierProduct();
  // Records the installation, or for a removal deletes the record and leaves
  // the removal of the installed folder for the next start.
  void WriteInstallRecord();
  // Option W: the temporary source tree is removed at the next start (before
  // the wizard) or once this program has ended (after it).
  void HandleSourceTree(bool beforeWizard);
  // The process runs as a member of the Administrators group.
  static bool IsAdministrator();

  // The README of the chosen language, else "README.TXT", from the setup
  // folder; a missing or empty file keeps the text read before.
  void LoadReadMe();
  // Shows the README in Notepad, raising a Notepad that shows one already.
  void ShowReadMe();
  // Starts the program that started this setup again.
  void StartCaller();
  // The README text (NUL-terminated), or nullptr.
  const char* GetReadMeText() const { return m_pReadMeText.get(); }

  // The thunk library, loaded once on Windows 95/98 (never on NT).
  bool LoadThunkLibrary();
  platform::FARPROC GetThunkProc(const char* name) const;
  bool IsThunkLibraryLoaded() const { return m_hThunkLib != nullptr; }

  CSetupContext& GetContext() { return m_context; }
  const CSetupContext& GetContext() const { return m_context; }
  CScriptText& GetScript() { return m_script; }
  CScriptSection& GetLangStrings() { return m_secLangStrings; }
  CScriptSection& GetStrings() { return m_secStrings; }
  CScriptSection& GetSourceDisksFiles() { return m_secSourceDisksFiles; }
  CScriptSection& GetSourceDisksNames() { return m_secSourceDisksNames; }
  CScriptSection& GetDestinationDirs() { return m_secDestinationDirs; }
  // Expands every line of a section read with it (quotes, codes, references).
  CValueExpander& GetExpander() { return m_expander; }
  const std::string& GetReadMePath() const { return m_strReadMePath; }
  CComponentList& GetComponents() { return m_components; }

  // Which wizard start-up chose: None when preparation failed or the older
  // product is installed.
  Wizard GetWizard() const { return m_wizard; }

  // Steps of the start-up road passed over because they are not built yet, in order.
  const std::vector<std::string>& GetStepsNotBuilt() const { return m_stepsNotBuilt; }

 private:
  bool PrepareSetup(std::string_view commandLine);
  // Runs the fresh-install or the maintenance wizard modally.
  int RunWizard(bool maintenance);
  void NotBuilt(std::string step) { m_stepsNotBuilt.push_back(std::move(step)); }

  std::string m_commandLine;
  CSetupContext m_context;
  CScriptText m_script;
  platform::HMODULE m_hThunkLib = nullptr;
  CScriptSection m_secLangStrings;
  CScriptSection m_secStrings;
  CScriptSection m_secSourceDisksFiles;
  CScriptSection m_secSourceDisksNames;
  CScriptSection m_secDestinationDirs;
  std::unique_ptr<char[]> m_pReadMeText;
  std::string m_strReadMePath;
  CComponentList m_components;
  CValueExpander m_expander{*this};

  Wizard m_wizard = Wizard::None;
  std::vector<std::string> m_stepsNotBuilt;
};

// The process's application object; valid while one exists.
CInstallApp& TheApp();

// Message numbers of start-up.
constexpr int MSG_LIBRARY_NOT_LOADED = 1087;
constexpr int MSG_EARLIER_PRODUCT = 1159;

// Starts a command as its own detached process and lets it go; a failure
// to start is not reported.
void StartDetached(const std::string& command);

// "D:\SUB\SETUP.EXE" -> "D:\SUB": drive and folder without the trailing backslash.
std::string SetupDirectoryOf(std::string_view modulePath);
