#include "actions/action_executors.h"

#include "actions/ini_actions.h"
#include "actions/program_groups.h"
#include "actions/program_runs.h"
#include "actions/registry_actions.h"

void CScriptActionExecutors::RunRegistrySection(const CScriptSection& section, int mode) {
  ::RunRegistrySection(section, mode);
}

void CScriptActionExecutors::RunIniSection(const CScriptSection& section, int mode) { ::RunIniSection(section, mode); }

void CScriptActionExecutors::RunProgramGroupSection(const CScriptSection& section, int mode) {
  ::RunProgramGroupSection(section, mode);
}

int CScriptActionExecutors::RunProgramSection(const CScriptSection& section, int mode) {
  return ::RunProgramSection(section, m_hCaller, mode);
}
