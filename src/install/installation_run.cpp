#include "install/installation_run.h"

#include "files/file_copy.h"
#include "files/file_operations.h"
#include "files/manifest.h"
#include "install/install_record.h"
#include "install/setup_session.h"
#include "platform/platform.h"
#include "platform/registry.h"

CInstallationRun::CInstallationRun(CSetupSession& session, IComponentExecutors& executors, IInstallProgress& progress,
                                   IRunListing* listing)
    : m_session(session),
      m_pListing(listing),
      m_recorder(session.GetScript(), executors, progress, listing == nullptr ? &session.GetOutcome() : nullptr),
      m_executors(m_recorder.Executors()),
      m_progress(m_recorder.Progress()) {}

void CInstallationRun::Begin(RunPhase phase) {
  if (m_pListing != nullptr) {
    m_pListing->BeginPhase(phase);
    return;
  }
  // What the phases before changed is on disk before the next one starts.
  m_session.GetContext().GetPlatform().Registry().RegFlushKey(HKEY_LOCAL_MACHINE);
}

CInstallationRun::Result CInstallationRun::Run() {
  CSetupContext& context = m_session.GetContext();
  if ((context.GetFlags() & SF_UNATTENDED) == 0) {
    Begin(RunPhase::Licences);
    if (!m_session.GetComponents().ConfirmLicenses(m_executors)) return Result::LicenceDeclined;
  }
  m_progress.BeginRun();
  m_recorder.Begin(context);
  const bool done = RunPhases().GoesOn();
  m_recorder.End(done);
  if (!done) {
    context.SetFlags(context.GetFlags() | SF_RUN_FAILED);
    return Result::Failed;
  }
  return Result::Done;
}

CStepResult CInstallationRun::SaveSetupScript() {
  const CSetupContext& context = m_session.GetContext();
  CFileRecord job;
  job.m_strSourceDir = context.GetSetupDir();
  job.m_strSourceName = context.GetScriptName();
  job.m_strDestDir = FormatSetupFolder(context.GetSetupPath(), context.GetDestDir());
  job.m_strDestName = "SETUP.INF";
  if (Listing()) {
    m_pListing->ListFiles(RunPhase::SetupScript, {job});
    return CStepResult::GoOn();
  }
  m_progress.BeginCopyPhase(1);
  m_progress.ShowCopyJob(job);
  CInstallManifest& manifest = m_session.GetManifest();
  const platform::Platform& platform = m_session.GetContext().GetPlatform();
  if (!CreateDestDir(platform, job, &manifest)) {
    m_session.GetMessages().ShowError(MSG_CANNOT_WRITE, job.m_strDestDir);
    return CStepResult::Stop();
  }
  const bool existed = platform.Files().GetFileAttributesA(DestPath(job)) != INVALID_FILE_ATTRIBUTES;
  if (!m_session.GetScript().GetText().SaveAs(platform.Files(), DestPath(job))) {
    m_session.GetMessages().ShowError(MSG_FILE_INSTALL);
    return CStepResult::Stop();
  }
  if (!existed) manifest.NoteFile(DestPath(job));
  m_progress.FileInstalled(job);
  m_progress.Step();
  return CStepResult::GoOn();
}

CStepResult CInstallationRun::RunPhases() {
  CSetupContext& context = m_session.GetContext();
  CComponentList& components = m_session.GetComponents();
  CFileOperations files(m_session.GetScript(), components, m_session.GetFileDialogs());
  // What earlier runs made, and what this one makes, in the setup folder.
  const std::string setupFolder = FormatSetupFolder(context.GetSetupPath(), context.GetDestDir());
  CInstallManifest& manifest = m_session.GetManifest();
  if (!Listing()) {
    manifest.Load(context.GetPlatform().Files(), setupFolder);
    files.SetManifest(&manifest);
  }
  const CStepResult r = RunEachPhase(files);
  // A failed run made things too; a removal leaves the list for INST16.EXE.
  if (!Listing() && (context.GetFlags() & SF_REMOVE) == 0 &&
      context.GetPlatform().Files().GetFileAttributesA(setupFolder) != INVALID_FILE_ATTRIBUTES) {
    manifest.Save(context.GetPlatform().Files(), setupFolder);
  }
  return r;
}

CStepResult CInstallationRun::RunEachPhase(CFileOperations& files) {
  CSetupContext& context = m_session.GetContext();
  CComponentList& components = m_session.GetComponents();

  // A file phase lists its jobs, or does them.
  auto deletes = [&](RunPhase phase, StepPhase deletePhase) {
    Begin(phase);
    if (!Listing()) return files.RunDeletes(m_progress, deletePhase);
    std::vector<CFileRecord> queue;
    components.QueueDeletes(deletePhase, queue);
    m_pListing->ListFiles(phase, queue);
    return CStepResult::GoOn();
  };

  CStepResult r = deletes(RunPhase::DeletesBefore, StepPhase::ComponentsToInstall);
  if (r.GoesOn() && (context.GetFlags() & SF_FRESH_WIZARD) != 0) {
    Begin(RunPhase::SetupScript);
    r = SaveSetupScript();
  }
  if (r.GoesOn()) {
    Begin(RunPhase::Copies);
    if (Listing()) {
      m_pListing->ListFiles(RunPhase::Copies, InCopyOrder(files.QueueCopies()));
    } else {
      r = files.RunCopies(m_progress);
    }
  }
  if (r.GoesOn()) {
    Begin(RunPhase::Renames);
    if (Listing()) {
      std::vector<CFileRecord> queue;
      components.QueueRenames(queue);
      m_pListing->ListFiles(RunPhase::Renames, queue);
    } else {
      r = files.RunRenames(m_progress);
    }
  }
  if (r.GoesOn()) m_progress.BeginActionPhase(kActionStepsPerComponent * components.GetCount());
  if (r.GoesOn()) {
    Begin(RunPhase::ProgramsBeforeRemoval);
    r = components.RunExecute(StepPhase::ComponentsToRemove, m_executors);
  }
  m_progress.ShowSheet();
  if (r.GoesOn()) {
    Begin(RunPhase::InstallRecord);
    if (!Listing() && !WriteInstallRecord(context)) {
      // A run without its record would leave an installation nothing can
      // maintain or remove.
      m_session.GetMessages().ShowError(MSG_CANNOT_WRITE, "HKEY_LOCAL_MACHINE\\" + InstallRecordKey(context));
      r = CStepResult::Stop();
    } else if (!Listing()) {
      m_recorder.RecordWritten(context);
    }
  }
  if (r.GoesOn()) {
    Begin(RunPhase::DisplayDriver);
    r = components.RunDisplayDriver(m_executors);
  }
  if (r.GoesOn()) {
    Begin(RunPhase::Registry);
    components.RunRegistry(m_executors);
    Begin(RunPhase::IniFiles);
    components.RunIniUpdates(m_executors);
    Begin(RunPhase::ProgramGroups);
    components.RunProgramGroups(m_executors);
  }
  if (r.GoesOn()) r = deletes(RunPhase::DeletesAfter, StepPhase::ComponentsToRemove);
  if (r.GoesOn()) {
    Begin(RunPhase::ProgramsAfter);
    r = components.RunExecute(StepPhase::ComponentsToInstall, m_executors);
  }
  m_progress.ShowSheet();
  return r;
}
