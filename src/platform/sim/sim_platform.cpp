#include "platform/sim/sim_platform.h"

namespace sim {
namespace {

thread_local SimPlatform* t_callingProgram = nullptr;

}  // namespace

SimPlatform* CallingProgram() { return t_callingProgram; }

const Machine* ActiveMachine() { return t_callingProgram != nullptr ? &t_callingProgram->GetMachine() : nullptr; }

void SetActiveLastError(platform::DWORD code) {
  if (t_callingProgram != nullptr) t_callingProgram->SetLastError(code);
}

SimPlatform::SimPlatform(const Machine& machine, std::string programPath)
    : m_process(machine, std::move(programPath)),
      m_system(m_process),
      m_files(m_process),
      m_libraries(m_process, m_files),
      m_resources(m_process, m_libraries),
      m_ui(m_process),
      m_profiles(m_process),
      m_processes(m_process),
      m_shellLinks(m_process),
      m_versions(m_process, m_files),
      m_setupApiHandles(MakeSetupApiHandles()),
      m_interfaces{&m_system, &m_files, &m_libraries, &machine.Registry(), &m_resources, &m_ui, &m_profiles,
                   &m_processes, &m_shellLinks, &m_versions, nullptr},
      m_previousOnThread(t_callingProgram) {
  t_callingProgram = this;
}

SimPlatform::~SimPlatform() {
  // The program ends: what waited for it runs now.
  m_processes.ProgramEnded();
  std::string error;
  GetMachine().Registry().Flush(error);  // the program's changes reach registry.reg when it ends
  if (t_callingProgram == this) t_callingProgram = m_previousOnThread;
}

void SimPlatform::SetWizardHost(platform::IWizardHost* host) { m_interfaces.wizard = host; }

}  // namespace sim
