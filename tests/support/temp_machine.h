// A simulated machine in a temporary folder, with the platform it answers
// for the length of a test. Its wizard runs in the page host with nobody to
// answer, as in an unattended winsim run without an answers file.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_host.h"

namespace testing_support {

inline std::filesystem::path MakeTempFolder(const char* prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  return pattern;
}

inline void WriteHostFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string ReadHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The name FindFirstFileName finds first, or empty when it finds none.
inline std::string FirstMatch(platform::IFileSystem& files, std::string_view pattern) {
  std::string name;
  return files.FindFirstFileName(pattern, name) ? name : std::string();
}

class TempMachine {
 public:
  explicit TempMachine(sim::OsKind os = sim::OsKind::Win98, std::string program = "D:\\SETUP.EXE",
                       const char* locale = "ENU")
      : m_folder(MakeTempFolder("winsim-test-")), m_program(std::move(program)) {
    std::string error;
    if (!sim::Machine::Create(m_folder / "m", os, locale, error)) throw std::runtime_error(error);
    Reopen();
  }
  ~TempMachine() {
    m_platform.reset();
    std::error_code ec;
    std::filesystem::remove_all(m_folder, ec);
  }
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  std::filesystem::path Folder() const { return m_folder / "m"; }
  const sim::Machine& Machine() const { return *m_machine; }
  sim::SimPlatform& Platform() { return *m_platform; }
  // The interfaces to hand to what the test runs. They stay where they are
  // when a new hardware description makes the machine's platform anew, and
  // a test may wrap some of them in place.
  const platform::Platform& Interfaces() const { return m_interfaces; }
  platform::Platform& Interfaces() { return m_interfaces; }
  // Another page host for the program's wizard (nullptr: none).
  void SetWizardHost(platform::IWizardHost* host) {
    m_platform->SetWizardHost(host);
    m_interfaces.wizard = host;
  }
  // The page host the program's wizard runs in, with nobody to answer.
  ui::HeadlessHost& Host() { return *m_host; }

  // Writes hardware.ini anew (the reader refuses a section given twice)
  // and reloads the machine.
  void SetHardware(const std::string& text) {
    WriteHostFile(Folder() / "hardware.ini", text);
    Reopen();
  }

  // A file on one of the machine's drives, by host-relative path such as
  // "drive_d/SETUP.INF".
  void PutFile(const std::string& relative, const std::string& text) { WriteHostFile(Folder() / relative, text); }

 private:
  void Reopen() {
    m_platform.reset();
    std::string error;
    m_machine = sim::Machine::Open(Folder(), error);
    if (!m_machine) throw std::runtime_error(error);
    m_platform = std::make_unique<sim::SimPlatform>(*m_machine, m_program);
    m_host = std::make_unique<ui::HeadlessHost>(*m_platform);
    m_platform->SetWizardHost(m_host.get());
    m_interfaces = m_platform->Interfaces();
  }

  std::filesystem::path m_folder;
  std::string m_program;
  std::optional<sim::Machine> m_machine;
  std::unique_ptr<sim::SimPlatform> m_platform;
  std::unique_ptr<ui::HeadlessHost> m_host;
  platform::Platform m_interfaces;
};

}  // namespace testing_support
