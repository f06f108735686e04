#include "actions/action_executors.h"

#include "actions/ini_actions.h"
#include "actions/program_groups.h"
#include "actions/program_runs.h"
#include "actions/registry_actions.h"

void CScriptActionExecutors::RunRegistrySection(const CScriptSection& section, int mode) {
  ::RunRegistrySection(m_script, section, mode);
}

void CScriptActionExecutors::RunIniSection(const CScriptSection& section, int mode) { ::RunIniSection(m_script, section, mode); }

void CScriptActionExecutors::RunProgramGroupSection(const CScriptSection& section, int mode) {
  ::RunProgramGroupSection(m_script, section, mode, m_pManifest);
}

CStepResult CScriptActionExecutors::RunProgramSection(const CScriptSection& section, int mode) {
  // The failing line's result: 1 cancelled at the disk prompt, or the
  // message shown for a program that did not start.
  return CStepResult::FromCode(::RunProgramSection(m_script, m_dialogs, section, m_hCaller, mode));
}
