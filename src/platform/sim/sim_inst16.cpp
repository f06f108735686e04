#include "platform/sim/sim_inst16.h"

#include <memory>
#include <system_error>

#include "platform/shared/inst16_logic.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

class SimInst16Host final : public inst16::Host {
 public:
  SimInst16Host(const Machine& machine, SimProcesses& processes, std::string currentDirectory)
      : m_machine(machine), m_processes(processes), m_current(std::move(currentDirectory)) {}

  std::string WindowsFolder() override { return m_machine.WindowsDir(); }

  std::optional<std::vector<inst16::FolderEntry>> ListFolder(const std::string& folder) override {
    const ResolvedPath resolved = m_machine.Resolve(folder, m_current);
    std::error_code ec;
    if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec))) return std::nullopt;
    std::vector<inst16::FolderEntry> entries;
    for (fs::directory_iterator it(resolved.host, ec), end; !ec && it != end; it.increment(ec)) {
      entries.push_back({it->path().filename().string(), fs::is_directory(it->symlink_status(ec))});
    }
    return entries;
  }

  bool RemoveFile(const std::string& path) override {
    const ResolvedPath resolved = m_machine.Resolve(path, m_current);
    std::error_code ec;
    const bool removed = resolved.ok() && !fs::is_directory(fs::symlink_status(resolved.host, ec)) &&
                         m_machine.RemoveHost(resolved.host, false);
    if (removed) m_machine.NoteChanged(resolved.host, fs::file_type::not_found);
    return removed;
  }

  bool RemoveFolder(const std::string& folder) override {
    const ResolvedPath resolved = m_machine.Resolve(folder, m_current);
    std::error_code ec;
    if (!resolved.ok() || !fs::is_directory(fs::symlink_status(resolved.host, ec)) ||
        !m_machine.RemoveHost(resolved.host, true)) {
      return false;
    }
    m_machine.NoteChanged(resolved.host, fs::file_type::not_found);
    m_machine.AppendEvent("inst16 removed " + folder);
    return true;
  }

  void WhenProgramHasEnded(const std::string& program, std::function<void()> then) override {
    const ResolvedPath waited = m_machine.Resolve(program, m_current);
    const ResolvedPath running = m_machine.Resolve(m_processes.ProgramPath(), m_current);
    // Other programs run and end in virtual time at once; only the setup
    // program itself is still running.
    if (waited.ok() && running.ok() && waited.host == running.host) {
      m_machine.AppendEvent("inst16 waits for " + program);
      m_processes.AtProgramEnd(std::move(then));
    } else {
      then();
    }
  }

  std::string BiosText() override { return m_machine.BiosText(); }

  void AnswerBiosSearch(bool found) override {
    m_machine.Registry().SetString("HKEY_CLASSES_ROOT\\SearchBios", "", found ? "1" : "0");
  }

 private:
  const Machine& m_machine;
  SimProcesses& m_processes;
  std::string m_current;
};

}  // namespace

ProgramRun Inst16Behaviour(const ProgramStart& start, const Machine& machine, SimProcesses& processes) {
  ProgramRun run;
  run.runsForMs = 50;
  std::string error;
  const auto command = inst16::ParseArguments(start.arguments, error);
  if (!command) {
    machine.AppendEvent("inst16 " + error);
    run.exitCode = inst16::kBadCommandLine;
    return run;
  }
  // The host lives as long as a removal that waits for the setup program.
  auto host = std::make_shared<SimInst16Host>(machine, processes, start.currentDirectory);
  if (command->kind == inst16::Command::Kind::RemoveTreeAfterProgram &&
      !inst16::IsProtectedFolder(command->folder, machine.WindowsDir())) {
    const std::string folder = command->folder;
    host->WhenProgramHasEnded(command->program, [host, folder] { inst16::RemoveTree(*host, folder); });
    return run;
  }
  run.exitCode = static_cast<platform::DWORD>(inst16::Run(*command, *host));
  return run;
}

}  // namespace sim
