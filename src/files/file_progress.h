// What the file phases of the installation run show while they work: the
// progress page counts the jobs of a phase and names the one in hand.
#pragma once

#include "script/file_record.h"

class IFileProgress {
 public:
  virtual ~IFileProgress() = default;
  virtual void BeginDeletePhase(int count) = 0;
  virtual void BeginCopyPhase(int count) = 0;
  virtual void BeginRenamePhase(int count) = 0;
  virtual void ShowDeleteJob(const CFileRecord& job) = 0;
  virtual void ShowCopyJob(const CFileRecord& job) = 0;
  virtual void ShowRenameJob(const CFileRecord& job) = 0;
  // One job is done.
  virtual void Step() = 0;
  // A copy job put its file in place (not skipped, not kept as it was).
  virtual void FileInstalled(const CFileRecord& /*job*/) {}
};

// A display that shows nothing (runs without a progress page).
class CSilentFileProgress final : public IFileProgress {
 public:
  void BeginDeletePhase(int) override {}
  void BeginCopyPhase(int) override {}
  void BeginRenamePhase(int) override {}
  void ShowDeleteJob(const CFileRecord&) override {}
  void ShowCopyJob(const CFileRecord&) override {}
  void ShowRenameJob(const CFileRecord&) override {}
  void Step() override {}
};
