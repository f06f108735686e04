// A simulated machine with a setup script read into the component model,
// everything selected for installation, and what the file phases show and ask.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/install_app.h"
#include "files/file_operations.h"
#include "files/file_copy.h"
#include "files/file_dialogs.h"
#include "files/locked_files.h"
#include "support/temp_machine.h"

namespace files_test {

struct ShownMessage {
  int id = 0;
  std::vector<std::string> inserts;
};

// Records the jobs a phase shows, in order.
class RecordingProgress : public IFileProgress {
 public:
  void BeginDeletePhase(int count) override { phases.push_back("delete " + std::to_string(count)); }
  void BeginCopyPhase(int count) override { phases.push_back("copy " + std::to_string(count)); }
  void BeginRenamePhase(int count) override { phases.push_back("rename " + std::to_string(count)); }
  void ShowDeleteJob(const CFileRecord& job) override { jobs.push_back(job.m_strDestName); }
  void ShowCopyJob(const CFileRecord& job) override { jobs.push_back(job.m_strDestName); }
  void ShowRenameJob(const CFileRecord& job) override { jobs.push_back(job.m_strDestName); }
  void Step() override { ++steps; }
  std::vector<std::string> phases, jobs;
  int steps = 0;
};

// Answers the file questions from lists (the last answer repeating) and
// records them; a source folder answer is put into the record.
class ScriptedDialogs : public IFileDialogs {
 public:
  int AskSourceDisk(CFileRecord& record) override {
    asked.push_back("disk " + std::to_string(record.m_nDiskNumber) + " " + record.m_strDestName);
    if (!newFolder.empty()) record.m_strSourceDir = newFolder;
    return diskAnswer;
  }
  int AskSourceFile(CFileRecord& record) override {
    asked.push_back("file " + record.m_strDestName);
    if (!newFolder.empty()) record.m_strSourceDir = newFolder;
    return fileAnswer;
  }
  int AskVersionConflict(const CFileRecord& record) override {
    asked.push_back("conflict " + record.m_strDestName);
    return conflictAnswer;
  }
  std::vector<std::string> asked;
  std::string newFolder;
  int diskAnswer = kDialogCancel;
  int fileAnswer = kDialogSkipFile;
  int conflictAnswer = kDialogReplace;
};

class FilesTest : public ::testing::Test {
 protected:
  // A fresh machine of that system with these hardware.ini lines added.
  void Start(sim::OsKind os, const std::string& script, const std::string& hardwareLines = {}) {
    if (m_app) m_app->SetFileDialogs(m_previousDialogs);
    m_progress = RecordingProgress();
    m_dialogs = ScriptedDialogs();
    m_messages.clear();
    m_app.reset();
    m_machine.reset();
    m_machine = std::make_unique<testing_support::TempMachine>(os);
    if (!hardwareLines.empty()) {
      std::string hardware = testing_support::ReadHostFile(m_machine->Folder() / "hardware.ini");
      const std::string header = "[FilesInUse]\n";
      hardware.insert(hardware.find(header) + header.size(), hardwareLines);
      m_machine->SetHardware(hardware);
    }
    m_machine->Platform().SetMessageAnswerer([this](const platform::MessageBoxRequest& request) {
      m_messages.push_back({request.messageId, request.inserts});
      return (request.type & 0xF) == MB_YESNO ? m_yesNoAnswer : IDOK;
    });
    m_app = std::make_unique<CInstallApp>(m_machine->Interfaces(), "");
    CInstallApp& app = *m_app;
    ASSERT_TRUE(app.GetScript().LoadFromMemory(script.data(), script.size()));
    app.GetExpander().ReadStringSections();
    app.GetSourceDisksFiles().Read(app.GetScript(), "SourceDisksFiles", &app.GetExpander());
    app.GetSourceDisksNames().Read(app.GetScript(), "SourceDisksNames", &app.GetExpander());
    app.GetDestinationDirs().Read(app.GetScript(), "DestinationDirs", &app.GetExpander());
    app.GetContext().SetDestDir("C:\\HALVION");
    app.GetContext().SetInstallFrom("D:\\");
    app.GetContext().SetFlags(SF_FRESH_WIZARD);
    ASSERT_TRUE(app.GetComponents().Build(nullptr));
    for (auto& component : app.GetComponents()) component->Select(STATE_ALL);
    m_previousDialogs = m_app->SetFileDialogs(&m_dialogs);
  }
  void TearDown() override {
    if (m_app) m_app->SetFileDialogs(m_previousDialogs);
    m_app.reset();
    m_machine.reset();
  }

  CSetupContext& Context() { return m_app->GetContext(); }
  // The file jobs of the run on this machine's script and components.
  CFileOperations Files() {
    CSetupSession& session = m_app->GetSession();
    return CFileOperations(session.GetScript(), session.GetComponents(), session.GetFileDialogs());
  }
  void AddFlags(std::uint32_t flags) { Context().SetFlags(Context().GetFlags() | flags); }
  std::filesystem::path Host(const std::string& relative) { return m_machine->Folder() / relative; }
  void Put(const std::string& relative, const std::string& text) { m_machine->PutFile(relative, text); }
  std::string Get(const std::string& relative) {
    std::error_code ec;
    if (!std::filesystem::exists(Host(relative), ec)) return "<missing>";
    return testing_support::ReadHostFile(Host(relative));
  }
  bool Exists(const std::string& relative) {
    std::error_code ec;
    return std::filesystem::exists(Host(relative), ec);
  }
  // A versioned test library's bytes.
  static std::string Library(const std::string& name) {
    return testing_support::ReadHostFile(std::filesystem::path(SETUP_VERSION_FILES_DIR) / name);
  }
  std::vector<int> MessageIds() const {
    std::vector<int> ids;
    for (const ShownMessage& m : m_messages) ids.push_back(m.id);
    return ids;
  }
  // The lines of WININIT.INI's [Rename] section, in order.
  std::vector<std::string> RenameLines() {
    std::vector<std::string> lines;
    const std::string text = Get(WindowsFolder() + "/WININIT.INI");
    bool in = false;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      start = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] == '[') {
        in = line == "[Rename]";
        continue;
      }
      if (in && !line.empty()) lines.push_back(line);
    }
    return lines;
  }
  std::string WindowsFolder() const {
    return m_machine->Machine().IsNT() ? "drive_c/WINNT" : "drive_c/WINDOWS";
  }
  std::string Registry(const std::string& key) {
    auto text = m_machine->Machine().Registry().Export(key);
    return text ? *text : std::string();
  }

  std::unique_ptr<testing_support::TempMachine> m_machine;

 public:
  const platform::Platform& Interfaces() const { return m_machine->Interfaces(); }

 protected:
  std::unique_ptr<CInstallApp> m_app;
  std::vector<ShownMessage> m_messages;
  int m_yesNoAnswer = IDYES;
  ScriptedDialogs m_dialogs;
  IFileDialogs* m_previousDialogs = nullptr;
  RecordingProgress m_progress;
};

}  // namespace files_test
