// The installation (or removal) run: the licences, then the phases in their
// fixed order, stopping at the first failure. The progress page runs it;
// `winsim plan` runs the same phases in a listing mode, in which nothing is
// done and every phase lists what it would do.
#pragma once

#include <vector>

#include "components/component_executors.h"
#include "files/file_progress.h"
#include "script/file_record.h"

class CFileOperations;
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

class CInstallationRun {
 public:
  enum class Result { Done, LicenceDeclined, Failed };

  // `executors` do (or list) the component steps; with a listing, nothing
  // is done: the file phases and the record are listed instead.
  CInstallationRun(CSetupSession& session, IComponentExecutors& executors, IInstallProgress& progress,
                   IRunListing* listing = nullptr)
      : m_session(session), m_executors(executors), m_progress(progress), m_pListing(listing) {}

  // Nothing is changed before every licence was accepted (asked only in
  // an attended run). A failed run is marked in the setup context.
  Result Run();

 private:
  int RunPhases();
  int RunEachPhase(CFileOperations& files);
  int SaveSetupScript();
  void Begin(RunPhase phase);
  bool Listing() const { return m_pListing != nullptr; }

  CSetupSession& m_session;
  IComponentExecutors& m_executors;
  IInstallProgress& m_progress;
  IRunListing* m_pListing;
};

// The component action steps per component of the action phases, for the
// progress bar.
constexpr int kActionStepsPerComponent = 7;
