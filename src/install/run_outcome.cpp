#include "install/run_outcome.h"

#include <algorithm>

#include "actions/program_groups.h"
#include "actions/registry_actions.h"
#include "components/component.h"
#include "core/setup_context.h"
#include "files/file_copy.h"
#include "install/install_record.h"
#include "install/installation_run.h"
#include "platform/platform.h"
#include "script/setup_script.h"

bool CRunOutcome::Succeeded() const {
  return m_ending == Ending::Finished && m_bRunDone && (m_nFlags & SF_RUN_FAILED) == 0;
}

bool CRunOutcome::DriversDone() const {
  return !m_drivers.empty() &&
         std::all_of(m_drivers.begin(), m_drivers.end(), [](const CDriverStep& step) { return step.m_nResult == 0; });
}

void CRunRecorder::Begin(const CSetupContext& context) {
  if (m_pOutcome == nullptr) return;
  CRunOutcome& o = *m_pOutcome;
  o.m_bRunBegun = true;
  o.m_bRunDone = false;
  o.m_bRemoval = (context.GetFlags() & SF_REMOVE) != 0;
  o.m_files.clear();
  o.m_nValuesWritten = o.m_nValuesDeleted = 0;
  o.m_shortcuts.clear();
  o.m_drivers.clear();
  o.m_strSetupFolder.clear();
  o.m_bRemovalScheduled = false;
}

void CRunRecorder::End(bool done) {
  if (m_pOutcome != nullptr) m_pOutcome->m_bRunDone = done;
}

void CRunRecorder::RecordWritten(const CSetupContext& context) {
  if (m_pOutcome == nullptr) return;
  if ((context.GetFlags() & SF_REMOVE) != 0) {
    m_pOutcome->m_bRemovalScheduled = !PendingRemovalCommand(context).empty();
  } else {
    m_pOutcome->m_strSetupFolder = FormatSetupFolder(context.GetSetupPath(), context.GetDestDir());
  }
}

void CRunRecorder::RecordingExecutors::RunRegistrySection(const CScriptSection& section, int mode) {
  m_inner.RunRegistrySection(section, mode);
  if (m_pOutcome == nullptr) return;
  // Lines with a root and a key reach the registry; the others were refused.
  for (const std::string& line : section.GetLines()) {
    if (!IsRegistryRoot(m_script.GetField(line, 0)) || m_script.GetField(line, 1).empty()) continue;
    ++(mode == kRegistryDelete ? m_pOutcome->m_nValuesDeleted : m_pOutcome->m_nValuesWritten);
  }
}

void CRunRecorder::RecordingExecutors::RunProgramGroupSection(const CScriptSection& section, int mode) {
  if (m_pOutcome == nullptr) {
    m_inner.RunProgramGroupSection(section, mode);
    return;
  }
  // What the lines leave is looked at in place: a line that was refused or
  // failed made (or removed) nothing.
  std::vector<std::pair<std::string, bool>> links;
  for (const std::string& line : section.GetLines()) {
    const std::string folder = GetProgramGroupFolder(m_script, line);
    const std::string name = m_script.GetField(line, 1);
    if (folder.empty() || name.empty()) continue;
    const std::string link = folder + "\\" + name + ".lnk";
    links.emplace_back(link, m_script.GetContext().GetPlatform().Files().FileExists(link));
  }
  m_inner.RunProgramGroupSection(section, mode);
  for (const auto& [link, before] : links) {
    const bool after = m_script.GetContext().GetPlatform().Files().FileExists(link);
    if (mode == kGroupInstall ? after : (before && !after)) m_pOutcome->m_shortcuts.push_back(link);
  }
}

CStepResult CRunRecorder::RecordingExecutors::InstallDisplayDriver(const CComponent& component, Action action) {
  const CStepResult result = m_inner.InstallDisplayDriver(component, action);
  if (m_pOutcome != nullptr && component.IsDriver() && (action == Action::Install || action == Action::Remove)) {
    CDriverStep step = DescribeDriverStep(m_script.GetContext(), component, action);
    step.m_nResult = result.Code();
    m_pOutcome->m_drivers.push_back(std::move(step));
  }
  return result;
}

void CRunRecorder::RecordingProgress::FileInstalled(const CFileRecord& job) {
  m_inner.FileInstalled(job);
  if (m_pOutcome != nullptr) m_pOutcome->m_files.push_back(DestPath(job));
}
