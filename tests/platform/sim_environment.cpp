#ifndef _WIN32

#include <filesystem>

#include "conformance_environment.h"
#include "support/temp_machine.h"

namespace conformance {
namespace {

class SimEnvironment final : public Environment {
 public:
  SimEnvironment() : m_machine(sim::OsKind::Win98, "C:\\SETUP\\SETUP.EXE") {
    // The running program's folder, as it is for a real program.
    m_machine.PutFile("drive_c/SETUP/SETUP.EXE", "simulated program\r\n");
  }
  std::string ScratchFolder() override {
    std::filesystem::create_directories(m_machine.Folder() / "drive_c" / "SCRATCH");
    return "C:\\SCRATCH";
  }
  std::string LanguageLibraryPath(const std::string& name) override {
    std::filesystem::copy_file(std::filesystem::path(SETUP_LANGUAGE_LIBRARY_DIR) / name,
                               m_machine.Folder() / "drive_c" / "SCRATCH" / name,
                               std::filesystem::copy_options::overwrite_existing);
    return "C:\\SCRATCH\\" + name;
  }
  void MakeFolder(const std::string& windowsPath) override {
    auto resolved = m_machine.Machine().Resolve(windowsPath);
    std::filesystem::create_directories(resolved.host);
  }
  bool ReadOnlyIsEnforced() override { return true; }
  std::string ExitingProgramCommand(int code) override {
    // A program file whose behaviour is to end with the code it is given.
    m_machine.PutFile("drive_c/SCRATCH/EXITER.EXE", "simulated program\r\n");
    m_machine.Platform().Processes().SetBehaviour("EXITER.EXE", [](const sim::ProgramStart& start, const sim::Machine&) {
      sim::ProgramRun run;
      run.exitCode = static_cast<platform::DWORD>(std::stoul(start.arguments.substr(start.arguments.rfind(' ') + 1)));
      run.runsForMs = 30;
      return run;
    });
    return "C:\\SCRATCH\\EXITER.EXE /c exit " + std::to_string(code);
  }

 private:
  testing_support::TempMachine m_machine;
};

}  // namespace

std::unique_ptr<Environment> MakeEnvironment() { return std::make_unique<SimEnvironment>(); }

}  // namespace conformance

#endif
