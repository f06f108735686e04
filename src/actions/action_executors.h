// The script actions as the component steps call them: registry, INI,
// program-group and program sections. The display driver, the licence
// dialog and the progress steps belong to the installation run, which
// completes this class.
#pragma once

#include "components/component_executors.h"
#include "files/file_dialogs.h"
#include "platform/win_types.h"

class CInstallManifest;
class CSetupScript;

class CScriptActionExecutors : public IComponentExecutors {
 public:
  // `caller`: the window hidden while a program runs (the wizard), or none;
  // `dialogs` ask for the disk of a program on the installation disks;
  // `manifest` notes the program-group folders made, when there is one.
  CScriptActionExecutors(const CSetupScript& script, IFileDialogs& dialogs, platform::HWND caller = nullptr,
                         CInstallManifest* manifest = nullptr)
      : m_script(script), m_dialogs(dialogs), m_hCaller(caller), m_pManifest(manifest) {}

  void RunRegistrySection(const CScriptSection& section, int mode) override;
  void RunIniSection(const CScriptSection& section, int mode) override;
  void RunProgramGroupSection(const CScriptSection& section, int mode) override;
  CStepResult RunProgramSection(const CScriptSection& section, int mode) override;

  platform::HWND GetCallerWindow() const { return m_hCaller; }
  void SetCallerWindow(platform::HWND caller) { m_hCaller = caller; }

 protected:
  const CSetupScript& m_script;
  IFileDialogs& m_dialogs;

 private:
  platform::HWND m_hCaller;
  CInstallManifest* m_pManifest;
};
