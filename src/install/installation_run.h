// The installation (or removal) run: the licences, then the phases in their
// fixed order, stopping at the first failure. The progress page runs it;
// `winsim plan` runs the same phases in a listing mode, in which nothing is
// done and every phase lists what it would do.
#pragma once

#include <vector>

#include "components/component_executors.h"
#include "files/file_progress.h"
#include "install/run_outcome.h"
#include "script/file_record.h"

class CFileOperations;
class CSetupContext;
class CSetupScript;
class CSetupSession;

// The phases in the order of the run.
enum class RunPhase {
  Licences,
  DeletesBefore,
  SetupScript,
  Copies,
  Renames,
  ProgramsBeforeRemoval,
  InstallRecord,
  DisplayDriver,
  Registry,
  IniFiles,
  ProgramGroups,
  DeletesAfter,
  ProgramsAfter,
};

// What the run shows while it works.
class IInstallProgress : public IFileProgress {
 public:
  // Every licence was accepted: the phases start changing the machine.
  virtual void BeginRun() = 0;
  virtual void BeginActionPhase(int count) = 0;
  // Programs may have hidden the wizard; it shows again.
  virtual void ShowSheet() = 0;
};

// A run nobody watches.
class CSilentInstallProgress final : public IInstallProgress {
 public:
  void BeginRun() override {}
  void BeginDeletePhase(int) override {}
  void BeginCopyPhase(int) override {}
  void BeginRenamePhase(int) override {}
  void BeginActionPhase(int) override {}
  void ShowDeleteJob(const CFileRecord&) override {}
  void ShowCopyJob(const CFileRecord&) override {}
  void ShowRenameJob(const CFileRecord&) override {}
  void Step() override {}
  void ShowSheet() override {}
};

// Where a listing run puts what an acting run would do.
class IRunListing {
 public:
  virtual ~IRunListing() = default;
  // A phase the run reaches, in order.
  virtual void BeginPhase(RunPhase phase) = 0;
  // The file jobs of a file phase, in the order they would be done.
  virtual void ListFiles(RunPhase phase, const std::vector<CFileRecord>& jobs) = 0;
};

// Stands between the installation run and what it drives: everything is
// passed on, and an acting run's work is kept in the outcome.
class CRunRecorder {
 public:
  // `outcome` null: a listing run, nothing is kept.
  CRunRecorder(const CSetupScript& script, IComponentExecutors& executors, IInstallProgress& progress,
               CRunOutcome* outcome)
      : m_executors(script, executors, outcome), m_progress(progress, outcome), m_pOutcome(outcome) {}

  IComponentExecutors& Executors() { return m_executors; }
  IInstallProgress& Progress() { return m_progress; }

  // A new attempt: what an earlier one kept is forgotten.
  void Begin(const CSetupContext& context);
  void End(bool done);
  // The install record was written (or, for a removal, deleted).
  void RecordWritten(const CSetupContext& context);

 private:
  class RecordingExecutors final : public IComponentExecutors {
   public:
    RecordingExecutors(const CSetupScript& script, IComponentExecutors& inner, CRunOutcome* outcome)
        : m_script(script), m_inner(inner), m_pOutcome(outcome) {}
    void RunRegistrySection(const CScriptSection& section, int mode) override;
    void RunIniSection(const CScriptSection& section, int mode) override { m_inner.RunIniSection(section, mode); }
    void RunProgramGroupSection(const CScriptSection& section, int mode) override;
    CStepResult RunProgramSection(const CScriptSection& section, int mode) override {
      return m_inner.RunProgramSection(section, mode);
    }
    CStepResult InstallDisplayDriver(const CComponent& component, Action action) override;
    LicenseAnswer ShowLicense(std::string_view title, std::string_view text) override {
      return m_inner.ShowLicense(title, text);
    }
    void Step() override { m_inner.Step(); }
    void BeginComponent(const CComponent& component) override { m_inner.BeginComponent(component); }

   private:
    const CSetupScript& m_script;
    IComponentExecutors& m_inner;
    CRunOutcome* m_pOutcome;
  };

  class RecordingProgress final : public IInstallProgress {
   public:
    RecordingProgress(IInstallProgress& inner, CRunOutcome* outcome) : m_inner(inner), m_pOutcome(outcome) {}
    void BeginRun() override { m_inner.BeginRun(); }
    void BeginDeletePhase(int count) override { m_inner.BeginDeletePhase(count); }
    void BeginCopyPhase(int count) override { m_inner.BeginCopyPhase(count); }
    void BeginRenamePhase(int count) override { m_inner.BeginRenamePhase(count); }
    void BeginActionPhase(int count) override { m_inner.BeginActionPhase(count); }
    void ShowDeleteJob(const CFileRecord& job) override { m_inner.ShowDeleteJob(job); }
    void ShowCopyJob(const CFileRecord& job) override { m_inner.ShowCopyJob(job); }
    void ShowRenameJob(const CFileRecord& job) override { m_inner.ShowRenameJob(job); }
    void FileInstalled(const CFileRecord& job) override;
    void Step() override { m_inner.Step(); }
    void ShowSheet() override { m_inner.ShowSheet(); }

   private:
    IInstallProgress& m_inner;
    CRunOutcome* m_pOutcome;
  };

  RecordingExecutors m_executors;
  RecordingProgress m_progress;
  CRunOutcome* m_pOutcome;
};

class CInstallationRun {
 public:
  enum class Result { Done, LicenceDeclined, Failed };

  // `executors` do (or list) the component steps; with a listing, nothing
  // is done: the file phases and the record are listed instead.
  CInstallationRun(CSetupSession& session, IComponentExecutors& executors, IInstallProgress& progress,
                   IRunListing* listing = nullptr);

  // Nothing is changed before every licence was accepted (asked only in
  // an attended run). A failed run is marked in the setup context.
  Result Run();

 private:
  CStepResult RunPhases();
  CStepResult RunEachPhase(CFileOperations& files);
  CStepResult SaveSetupScript();
  void Begin(RunPhase phase);
  bool Listing() const { return m_pListing != nullptr; }

  CSetupSession& m_session;
  IRunListing* m_pListing;
  // What the phases drive goes through the recorder, which keeps an acting
  // run's work in the session's outcome.
  CRunRecorder m_recorder;
  IComponentExecutors& m_executors;
  IInstallProgress& m_progress;
};

// The component action steps per component of the action phases, for the
// progress bar.
constexpr int kActionStepsPerComponent = 7;
