#ifndef _WIN32

#include <cstdlib>
#include <filesystem>

#include "conformance_environment.h"
#include "support/temp_machine.h"

namespace conformance {
namespace {

// The system the suite runs against: Windows 98 unless SETUP_SIM_OS names
// another (win95, win98, nt4, nt5), as the Wine runs choose theirs.
sim::OsKind OsOfThisRun() {
  const char* name = std::getenv("SETUP_SIM_OS");
  const auto os = name != nullptr ? sim::ParseOsKind(name) : std::nullopt;
  return os.value_or(sim::OsKind::Win98);
}

class SimEnvironment final : public Environment {
 public:
  explicit SimEnvironment(sim::OsKind os = OsOfThisRun()) : m_machine(os, "C:\\SETUP\\SETUP.EXE") {
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
  void SetHardware(const std::string& text) override { m_machine.SetHardware(text); }
  std::string HelperPath(const std::string& name) override {
    // The libraries are the machine's built-in ones; INST16.EXE runs by its name.
    m_machine.PutFile("drive_c/SETUP/" + name, "simulated program\r\n");
    return "C:\\SETUP\\" + name;
  }
  std::string VersionFilePath(const std::string& name) override {
    ScratchFolder();
    std::filesystem::copy_file(std::filesystem::path(SETUP_VERSION_FILES_DIR) / name,
                               m_machine.Folder() / "drive_c" / "SCRATCH" / name,
                               std::filesystem::copy_options::overwrite_existing);
    return "C:\\SCRATCH\\" + name;
  }
  void HoldOpen(const std::string& windowsPath) override {
    // The machine's hardware.ini names the files other programs hold open.
    std::string hardware = testing_support::ReadHostFile(m_machine.Folder() / "hardware.ini");
    const std::string header = "[FilesInUse]\n";
    const std::size_t at = hardware.find(header);
    const std::string line = "held" + std::to_string(++m_held) + "=" + windowsPath + "\n";
    if (at == std::string::npos) {
      hardware += "\n" + header + line;
    } else {
      hardware.insert(at + header.size(), line);
    }
    m_machine.SetHardware(hardware);
  }
  bool IsWine() override { return false; }
  const platform::Platform& Interfaces() override { return m_machine.Interfaces(); }

 private:
  testing_support::TempMachine m_machine;
  int m_held = 0;
};

}  // namespace

std::unique_ptr<Environment> MakeEnvironment() { return std::make_unique<SimEnvironment>(); }
std::unique_ptr<Environment> MakeNtEnvironment() { return std::make_unique<SimEnvironment>(sim::OsKind::NT4); }

}  // namespace conformance

#endif
