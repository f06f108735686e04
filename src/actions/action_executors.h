// The script actions as the component steps call them: registry, INI,
// program-group and program sections. The display driver, the licence
// dialog and the progress steps belong to the installation run, which
// completes this class.
#pragma once

#include "components/component_executors.h"
#include "platform/win_types.h"

class CScriptActionExecutors : public IComponentExecutors {
 public:
  // `caller`: the window hidden while a program runs (the wizard), or none.
  explicit CScriptActionExecutors(platform::HWND caller = nullptr) : m_hCaller(caller) {}

  void RunRegistrySection(const CScriptSection& section, int mode) override;
  void RunIniSection(const CScriptSection& section, int mode) override;
  void RunProgramGroupSection(const CScriptSection& section, int mode) override;
  int RunProgramSection(const CScriptSection& section, int mode) override;

  platform::HWND GetCallerWindow() const { return m_hCaller; }
  void SetCallerWindow(platform::HWND caller) { m_hCaller = caller; }

 private:
  platform::HWND m_hCaller;
};
