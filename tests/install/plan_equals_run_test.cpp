// What `winsim plan` lists is what the installation run does: the same run,
// once listing and once acting, on two equal machines, gives the same file
// jobs and the same sections in the same order.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "actions/action_executors.h"
#include "app/install_app.h"
#include "files/file_copy.h"
#include "install/installation_run.h"
#include "install/prepare_script.h"
#include "install/setup_choice.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;

// Writes down, in the order of the run, every file job and every section
// the run hands on. Acting, it passes the sections on to the real actions.
class RunRecorder final : public IComponentExecutors, public IInstallProgress, public IRunListing {
 public:
  RunRecorder(const CSetupScript& script, IComponentExecutors* acting) : m_script(script), m_pActing(acting) {}

  std::vector<std::string> entries;

  // IRunListing: the jobs a listing run would do.
  void BeginPhase(RunPhase) override {}
  void ListFiles(RunPhase phase, const std::vector<CFileRecord>& jobs) override {
    for (const CFileRecord& job : jobs) {
      if (phase == RunPhase::DeletesBefore || phase == RunPhase::DeletesAfter) {
        ShowDeleteJob(job);
      } else if (phase == RunPhase::Renames) {
        ShowRenameJob(job);
      } else {
        ShowCopyJob(job);
      }
    }
  }

  // IInstallProgress: the jobs an acting run does.
  void BeginRun() override {}
  void BeginDeletePhase(int) override {}
  void BeginCopyPhase(int) override {}
  void BeginRenamePhase(int) override {}
  void BeginActionPhase(int) override {}
  void ShowDeleteJob(const CFileRecord& job) override { entries.push_back("delete " + DestPath(job)); }
  void ShowCopyJob(const CFileRecord& job) override {
    entries.push_back("copy " + SourcePath(job) + " -> " + DestPath(job));
  }
  void ShowRenameJob(const CFileRecord& job) override {
    entries.push_back("rename " + SourcePath(job) + " -> " + DestPath(job));
  }
  void ShowSheet() override {}
  void Step() override {
    if (m_pActing != nullptr) m_pActing->Step();
  }

  // IComponentExecutors
  void BeginComponent(const CComponent& component) override { m_strComponent = component.m_strName; }
  void RunRegistrySection(const CScriptSection& section, int mode) override {
    Add("registry", section, mode);
    if (m_pActing != nullptr) m_pActing->RunRegistrySection(section, mode);
  }
  void RunIniSection(const CScriptSection& section, int mode) override {
    Add("ini", section, mode);
    if (m_pActing != nullptr) m_pActing->RunIniSection(section, mode);
  }
  void RunProgramGroupSection(const CScriptSection& section, int mode) override {
    Add("group", section, mode);
    if (m_pActing != nullptr) m_pActing->RunProgramGroupSection(section, mode);
  }
  CStepResult RunProgramSection(const CScriptSection& section, int mode) override {
    Add("program", section, mode);
    return m_pActing != nullptr ? m_pActing->RunProgramSection(section, mode) : CStepResult::GoOn();
  }
  CStepResult InstallDisplayDriver(const CComponent& component, Action action) override {
    entries.push_back("driver " + component.m_strName + " " + std::to_string(static_cast<int>(action)));
    return CStepResult::GoOn();
  }
  LicenseAnswer ShowLicense(std::string_view title, std::string_view) override {
    entries.push_back("licence " + std::string(title));
    return LicenseAnswer::Accepted;
  }

 private:
  void Add(const char* kind, const CScriptSection& section, int mode) {
    std::string entry = std::string(kind) + " " + m_strComponent + " [" + section.GetLabel() + "] " +
                        std::to_string(mode) + ":";
    for (const std::string& line : section.GetLines()) {
      entry += "\n  ";
      for (int field = 0; field < 8; ++field) entry += m_script.GetField(line, field) + "|";
    }
    entries.push_back(std::move(entry));
  }

  const CSetupScript& m_script;
  IComponentExecutors* m_pActing;
  std::string m_strComponent;
};

// The script actions of a real run; the recorder answers for the rest.
class SectionActions final : public CScriptActionExecutors {
 public:
  using CScriptActionExecutors::CScriptActionExecutors;
  CStepResult InstallDisplayDriver(const CComponent&, Action) override { return CStepResult::GoOn(); }
  LicenseAnswer ShowLicense(std::string_view, std::string_view) override { return LicenseAnswer::Accepted; }
  void Step() override {}
};

// One unattended run of the distribution in `cd` (drive D) on a fresh
// machine: listed, or done.
std::vector<std::string> RunOn(const fs::path& cd, const std::string& options, bool listing) {
  testing_support::TempMachine machine;
  fs::copy(cd, machine.Folder() / "drive_d", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  CInstallApp app(machine.Interfaces(), options);
  EXPECT_TRUE(app.StartUp());
  CSetupContext& context = app.GetContext();
  MarkWizard(context, IsMaintenanceRun(context));
  CSilentPreparationView view;
  EXPECT_EQ(PrepareScript(app.GetSession(), view, nullptr), 0);
  ApplySetupChoice(context, app.GetComponents(), UnattendedChoice(context));

  SectionActions actions(app.GetSetupScript(), app.GetSession().GetFileDialogs());
  RunRecorder recorder(app.GetSetupScript(), listing ? nullptr : &actions);
  const auto result = CInstallationRun(app.GetSession(), recorder, recorder, listing ? &recorder : nullptr).Run();
  EXPECT_EQ(result, CInstallationRun::Result::Done);
  return recorder.entries;
}

std::string Joined(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) text += entry + "\n";
  return text;
}

bool Lists(const std::vector<std::string>& entries, const std::string& part) {
  return Joined(entries).find(part) != std::string::npos;
}

TEST(PlanEqualsRun, TheSampleDistribution) {
  const auto planned = RunOn(SETUP_SAMPLE_DIR, "/S", true);
  const auto done = RunOn(SETUP_SAMPLE_DIR, "/S", false);
  EXPECT_EQ(Joined(planned), Joined(done));
  EXPECT_TRUE(Lists(planned, "VELAPNL.EXE")) << Joined(planned);
  EXPECT_TRUE(Lists(planned, "registry ")) << Joined(planned);
}

TEST(PlanEqualsRun, OnlyDisksZeroToNinetyNineAreCopied) {
  const fs::path cd = testing_support::MakeTempFolder("plan-disks-");
  testing_support::WriteHostFile(
      cd / "SETUP.INF",
      "[DestinationDirs]\r\nSetup.Copy = display\r\nDefaultDestDir = 10, DISKS\r\n"
      "[SourceDisksNames]\r\n-1 = Before\r\n0 = Zero\r\n99 = Last\r\n100 = After\r\n"
      "[SourceDisksFiles]\r\nMINUS.TXT = -1\r\nZERO.TXT = 0\r\nLAST.TXT = 99\r\nAFTER.TXT = 100\r\n"
      "[Setup]\r\nOptionDesc = Setup\r\nCopyFiles = Disk.Files\r\n"
      "[Disk.Files]\r\nAFTER.TXT\r\nLAST.TXT\r\nMINUS.TXT\r\nZERO.TXT\r\n");
  for (const char* name : {"MINUS.TXT", "ZERO.TXT", "LAST.TXT", "AFTER.TXT"}) {
    testing_support::WriteHostFile(cd / name, name);
  }
  const auto planned = RunOn(cd, "/S", true);
  const auto done = RunOn(cd, "/S", false);
  fs::remove_all(cd);
  EXPECT_EQ(Joined(planned), Joined(done));
  EXPECT_TRUE(Lists(planned, "D:\\ZERO.TXT -> C:\\WINDOWS\\DISKS\\ZERO.TXT\ncopy D:\\LAST.TXT"))
      << "disk 0 before disk 99: " << Joined(planned);
  EXPECT_FALSE(Lists(planned, "MINUS.TXT")) << Joined(planned);
  EXPECT_FALSE(Lists(planned, "AFTER.TXT")) << Joined(planned);
}

}  // namespace
