// The file jobs of an installation run: copies with the version installer,
// deletions, renames and files in use, on the run's context, components,
// dialogs and message sink.
#pragma once

#include <vector>

#include "components/step_result.h"
#include "files/file_dialogs.h"
#include "files/file_progress.h"
#include "platform/platform.h"
#include "platform/win_types.h"
#include "script/file_record.h"

class CComponentList;
class CInstallManifest;
class CSetupContext;
class CSetupScript;
class IMessageSink;

// What giving one file its new name came to; the values are the rename's
// own numbers.
enum class RenameResult { Done = 0, Failed = -1 };

class CFileOperations {
 public:
  CFileOperations(CSetupScript& script, const CComponentList& components, IFileDialogs& dialogs);

  // What the installation made: files and folders the jobs create are
  // noted there, and only its folders are ever left for the next start to
  // remove. None: nothing is noted and no folder is scheduled.
  void SetManifest(CInstallManifest* manifest) { m_pManifest = manifest; }

  // The copy records of every component to be installed, in list order; a
  // line without a source name takes its destination name.
  std::vector<CFileRecord> QueueCopies() const;
  // Copies every queued file: goes on when each was copied or skipped, stops
  // when the run was cancelled or stopped by an error (its message shown).
  CStepResult RunCopies(IFileProgress& progress);
  // Copies one file with the version installer: its result bits as adjusted
  // here, VIF_CANNOTREADSRC when no source name exists, VIF_CANNOTREADDST
  // when the destination folder cannot be made, or 0.
  platform::DWORD CopyFile(CFileRecord& record, platform::DWORD flags);

  // Deletes the files of every component the phase takes (DelFiles of the
  // components to be installed, Uninstall of those to be removed). A file
  // that cannot be deleted never stops the run: always goes on.
  CStepResult RunDeletes(IFileProgress& progress, StepPhase phase);
  // Gives the files of the RenFiles sections their new names. Always goes on.
  CStepResult RunRenames(IFileProgress& progress);

  // 0 when the file is gone or was never there (or lies on a drive that is
  // not ready), the deferral's result for a file in use, else the error code.
  platform::DWORD DeleteFileRecord(const CFileRecord& record);
  // Deletes the file at the next start. 0 or the error of the request.
  platform::DWORD DeferDelete(const CFileRecord& record);
  // Installs a file that is in use so that the new one takes its place at
  // the next start: 0 or a CopyFile result.
  platform::DWORD ReplaceInUse(const CFileRecord& record, platform::DWORD flags);
  // Done also when there is nothing to rename.
  RenameResult RenameFileRecord(const CFileRecord& record);

 private:
  void RequestRestart();

  CSetupScript& m_script;
  CSetupContext& m_context;
  const platform::Platform& m_platform;
  IMessageSink& m_messages;
  const CComponentList& m_components;
  IFileDialogs& m_dialogs;
  CInstallManifest* m_pManifest = nullptr;
};
