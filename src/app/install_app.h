// The application object: builds the objects that live longer than one page,
// wires them together and runs the program from start-up to exit.
#pragma once

#include <string>

#include "components/component_list.h"
#include "core/resource_module.h"
#include "core/setup_context.h"
#include "core/thunk_library.h"
#include "display/hardware_detection.h"
#include "install/readme.h"
#include "install/setup_session.h"
#include "script/setup_script.h"
#include "wizard/device_dialog.h"
#include "wizard/error_box.h"
#include "wizard/file_dialog_boxes.h"

// The base name of the language resource libraries (_INSTALL.ENU …).
constexpr const char* kLanguageLibraryName = "_INSTALL";
// The message of a wizard that cannot be shown: no language library holds
// every page and dialog. Its text is the program's own (no library has it);
// the inserts are the missing template's number and the English library.
constexpr int MSG_NO_COMPLETE_LANGUAGE_LIBRARY = 0;

class CInstallApp {
 public:
  enum class Wizard { None, FreshInstall, Maintenance };

  // `commandLine` is the text after the program name. The platform must be
  // installed first.
  // The platform must outlive the program.
  CInstallApp(const platform::Platform& platform, std::string commandLine);
  CInstallApp(const CInstallApp&) = delete;
  CInstallApp& operator=(const CInstallApp&) = delete;

  // The whole program. Always false: no message loop follows.
  bool Run();

  // Start-up up to the choice of the wizard: the language library and the
  // setup context. False when it failed (its message was shown).
  bool StartUp();

  CSetupContext& GetContext() { return m_context; }
  const CSetupContext& GetContext() const { return m_context; }
  CSetupSession& GetSession() { return m_session; }
  CSetupScript& GetSetupScript() { return m_script; }
  // The merged script and its shared sections.
  CScriptText& GetScript() { return m_script.GetText(); }
  CScriptSection& GetLangStrings() { return m_script.GetLangStrings(); }
  CScriptSection& GetStrings() { return m_script.GetStrings(); }
  CScriptSection& GetSourceDisksFiles() { return m_script.GetSourceDisksFiles(); }
  CScriptSection& GetSourceDisksNames() { return m_script.GetSourceDisksNames(); }
  CScriptSection& GetDestinationDirs() { return m_script.GetDestinationDirs(); }
  CValueExpander& GetExpander() { return m_script.GetExpander(); }
  CComponentList& GetComponents() { return m_components; }
  const CComponentList& GetComponents() const { return m_components; }
  CReadMe& GetReadMe() { return m_readMe; }
  // Recognises the adapter while the first page prepares the script.
  CHardwareDetection& GetDetection() { return m_detection; }
  CThunkLibrary& GetThunkLibrary() { return m_thunkLibrary; }
  IMessageSink& GetMessages() { return m_errorBox; }
  const CResourceModule& GetResources() const { return m_resources; }
  // The dialogs that ask about files (the wizard's own until others are set;
  // nullptr: the quiet answers); returns the previous ones.
  IFileDialogs* SetFileDialogs(IFileDialogs* dialogs) { return m_session.SetFileDialogs(dialogs); }

  // Which wizard start-up chose: None when preparation failed or the older
  // product is installed.
  Wizard GetWizard() const { return m_wizard; }
  // What this start came to; complete once Run has returned.
  const CRunOutcome& GetOutcome() const { return m_session.GetOutcome(); }
  // The last message recorded in the setup context with its inserts and
  // text (number 0: none).
  void GetLastMessage(int& id, std::vector<std::string>& inserts, std::string& text) const;

 private:
  bool PrepareSetup(std::string_view commandLine);
  // Makes sure the resource module holds every page and dialog of the
  // wizards (else the English library, if it does); false after saying why
  // when none does.
  bool UseCompleteLanguageLibrary();
  // Runs the fresh-install or the maintenance wizard modally.
  int RunWizard(bool maintenance);
  // The outcome's account of how the start ended.
  void CompleteOutcome(CRunOutcome::Ending ending);

  std::string m_commandLine;
  CSetupContext m_context;
  CResourceModule m_resources;
  CErrorBox m_errorBox{m_context, m_resources};
  CThunkLibrary m_thunkLibrary;
  CSetupScript m_script{m_context, m_errorBox, m_thunkLibrary};
  CComponentList m_components{m_script};
  CReadMe m_readMe;
  CSetupSession m_session{m_context, m_script, m_components, m_readMe, m_thunkLibrary, m_errorBox, m_resources};
  // The installation asks its questions with the wizard's dialogs.
  CWizardFileDialogs m_fileDialogs{m_context, m_resources};
  // Several display devices of the adapter: the device dialog, or every
  // device in an unattended run.
  CWizardDeviceChooser m_deviceChooser{m_context, m_resources};
  CHardwareDetection m_detection{m_script, m_deviceChooser};

  Wizard m_wizard = Wizard::None;
};

// "D:\SUB\SETUP.EXE" -> "D:\SUB": drive and folder without the trailing backslash.
std::string SetupDirectoryOf(std::string_view modulePath);
