// What the pages and the installation run work on: the setup context, the
// merged script, the component list, the README, the thunk library, the
// message sink, the resource module and the file dialogs. The application
// owns them and lends them out through this object.
#pragma once

#include "components/component_list.h"
#include "core/message_sink.h"
#include "core/resource_module.h"
#include "core/setup_context.h"
#include "core/thunk_library.h"
#include "files/file_dialogs.h"
#include "files/manifest.h"
#include "install/readme.h"
#include "install/run_outcome.h"
#include "script/setup_script.h"

class CSetupSession {
 public:
  CSetupSession(CSetupContext& context, CSetupScript& script, CComponentList& components, CReadMe& readMe,
                CThunkLibrary& thunkLibrary, IMessageSink& messages, const CResourceModule& resources)
      : m_context(context),
        m_script(script),
        m_components(components),
        m_readMe(readMe),
        m_thunkLibrary(thunkLibrary),
        m_messages(messages),
        m_resources(resources) {}
  CSetupSession(const CSetupSession&) = delete;
  CSetupSession& operator=(const CSetupSession&) = delete;

  CSetupContext& GetContext() const { return m_context; }
  CSetupScript& GetScript() const { return m_script; }
  CComponentList& GetComponents() const { return m_components; }
  CReadMe& GetReadMe() const { return m_readMe; }
  CThunkLibrary& GetThunkLibrary() const { return m_thunkLibrary; }
  IMessageSink& GetMessages() const { return m_messages; }
  const CResourceModule& GetResources() const { return m_resources; }
  // What this start came to so far: the run, the sheet and the application fill it in.
  CRunOutcome& GetOutcome() const { return m_outcome; }

  // What the installation made, as the run keeps it in the setup folder.
  CInstallManifest& GetManifest() const { return m_manifest; }

  // The dialogs that ask about files; the quiet answers until others are set.
  IFileDialogs& GetFileDialogs() const { return m_pFileDialogs != nullptr ? *m_pFileDialogs : m_quietDialogs; }
  // Sets the dialogs (nullptr: the quiet answers); returns the previous ones.
  IFileDialogs* SetFileDialogs(IFileDialogs* dialogs) {
    IFileDialogs* previous = m_pFileDialogs;
    m_pFileDialogs = dialogs;
    return previous;
  }

 private:
  CSetupContext& m_context;
  CSetupScript& m_script;
  CComponentList& m_components;
  CReadMe& m_readMe;
  CThunkLibrary& m_thunkLibrary;
  IMessageSink& m_messages;
  const CResourceModule& m_resources;
  IFileDialogs* m_pFileDialogs = nullptr;
  mutable CQuietFileDialogs m_quietDialogs;
  mutable CInstallManifest m_manifest;
  mutable CRunOutcome m_outcome;
};
