#include "files/file_copy.h"

#include <algorithm>
#include <utility>
#include <cstdio>
#include <optional>

#include "components/component_list.h"
#include "core/message_sink.h"
#include "files/file_dialogs.h"
#include "files/file_operations.h"
#include "files/locked_files.h"
#include "files/manifest.h"
#include "platform/platform.h"
#include "script/setup_script.h"

namespace {

constexpr platform::DWORD kVersionConflictBits = VIF_MISMATCH | VIF_SRCOLD | VIF_DIFFLANG | VIF_DIFFCODEPG | VIF_DIFFTYPE;
constexpr platform::DWORD kInUseBits = VIF_FILEINUSE | VIF_CANNOTDELETE | VIF_OUTOFMEMORY;
constexpr int kTempNameCount = 10000;

// The compressed form of a name: its last character replaced by '_'.
std::string CompressedForm(const std::string& name) {
  std::string result = name;
  if (!result.empty()) result.back() = '_';
  return result;
}

// Runs the version installer into a temporary-name buffer; a temporary file
// it leaves behind is deleted and only VIF_MISMATCH of the outcome is kept.
platform::DWORD Install(const platform::Platform& platform, platform::DWORD flags, const CFileRecord& record,
                        const std::string& destName) {
  char tempName[MAX_PATH] = {};
  platform::UINT tempLength = sizeof tempName;
  platform::DWORD r =
      platform.Versions().VerInstallFileA(flags, record.m_strSourceName.c_str(), destName.c_str(),
                                           record.m_strSourceDir.c_str(), record.m_strDestDir.c_str(), nullptr,
                                           tempName, &tempLength);
  if (r & VIF_TEMPFILE) {
    tempName[sizeof tempName - 1] = '\0';
    platform.Files().DeleteFileA(JoinPath(record.m_strDestDir, tempName));
    r &= VIF_MISMATCH;
  }
  return r;
}

std::string Drive(const std::string& folder) { return folder.substr(0, 2); }

// A copy of the existing file `dest` as `copy`, for the version installer to
// compare with; nothing when there is no such file or it cannot be read, as
// the installer then finds no version to keep.
void CopyForComparison(const platform::Platform& platform, const std::string& dest, const std::string& copy) {
  platform::IFileSystem& files = platform.Files();
  if (!files.FileExists(dest)) return;
  std::vector<char> content;
  if (!files.ReadWholeFile(dest, content)) return;
  if (!files.WriteWholeFile(copy, content.data(), content.size())) files.DeleteFileA(copy);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::vector<std::string> SourceNameCandidates(const CSetupScript& script, const CFileRecord& record) {
  std::vector<std::string> candidates = {record.m_strSourceName, CompressedForm(record.m_strSourceName)};
  if (!script.EqualNoCase(record.m_strSourceName, record.m_strDestName)) {
    candidates.push_back(record.m_strDestName);
    candidates.push_back(CompressedForm(record.m_strDestName));
  }
  return candidates;
}

std::string SourcePath(const CFileRecord& record) { return JoinPath(record.m_strSourceDir, record.m_strSourceName); }
std::string DestPath(const CFileRecord& record) { return JoinPath(record.m_strDestDir, record.m_strDestName); }

bool IsLongName(const CFileRecord& record) {
  const std::string& name = record.m_strDestName;
  const std::size_t dot = name.find_last_of('.');
  const std::size_t base = dot == std::string::npos ? name.size() : dot;
  const std::size_t extension = dot == std::string::npos ? 0 : name.size() - dot;
  return base > 8 || extension > 4;
}

std::string FindTempName(const platform::Platform& platform, const CFileRecord& record) {
  std::string name;
  for (int n = 0; n < kTempNameCount; ++n) {
    name = "TMP" + std::to_string(n) + ".@@@";
    if (!platform.Files().FileExists(JoinPath(record.m_strDestDir, name))) break;
  }
  return name;
}

bool CreateDestDir(const platform::Platform& platform, const CFileRecord& record, CInstallManifest* manifest) {
  platform::IFileSystem& files = platform.Files();
  // A level counts as made here only when this call created it.
  auto make = [&](const std::string& level) {
    if (files.CreateDirectoryA(level)) {
      if (manifest != nullptr) manifest->NoteFolder(level);
      return true;
    }
    return platform.System().GetLastError() == ERROR_ALREADY_EXISTS;
  };
  const std::string& dir = record.m_strDestDir;
  if (dir.size() <= 3) return true;  // a drive's root
  if (make(dir)) return true;
  if (dir[1] != ':' || dir[2] != '\\') return false;
  // Level by level below the drive: "C:\A", "C:\A\B", … the whole folder last.
  std::string level = dir.substr(0, 2);
  std::size_t start = 3;
  while (start < dir.size()) {
    std::size_t end = dir.find('\\', start);
    if (end == std::string::npos) end = dir.size();
    if (end > start) {
      level += '\\';
      level.append(dir, start, end - start);
      if (!make(level)) return false;
    }
    start = end + 1;
  }
  return true;
}

CFileOperations::CFileOperations(CSetupScript& script, const CComponentList& components, IFileDialogs& dialogs)
    : m_script(script),
      m_context(script.GetContext()),
      m_platform(m_context.GetPlatform()),
      m_messages(script.GetMessages()),
      m_components(components),
      m_dialogs(dialogs) {}

platform::DWORD CFileOperations::CopyFile(CFileRecord& record, platform::DWORD flags) {
  if (record.m_strDestName.empty() || record.m_strDestDir.empty() || record.m_strSourceName.empty()) return 0;

  bool found = false;
  for (const std::string& name : SourceNameCandidates(m_script, record)) {
    if (m_platform.Files().FileExists(JoinPath(record.m_strSourceDir, name))) {
      record.m_strSourceName = name;
      found = true;
      break;
    }
  }
  if (!found) return VIF_CANNOTREADSRC;

  if (!CreateDestDir(m_platform, record, m_pManifest)) return VIF_CANNOTREADDST;

  if (IsLongName(record) && m_context.Is9x()) {
    // The version installer of Windows 95/98 works on short names: the file
    // goes in under a free short name first, then takes its own. The file it
    // replaces waits under that short name, so that the installer compares
    // the two as it does on the short-name road.
    const std::string temp = FindTempName(m_platform, record);
    const std::string tempPath = JoinPath(record.m_strDestDir, temp);
    const std::string dest = DestPath(record);
    if ((flags & VIFF_FORCEINSTALL) == 0) CopyForComparison(m_platform, dest, tempPath);
    platform::DWORD r = Install(m_platform, flags, record, temp);
    if (r != 0) {
      m_platform.Files().DeleteFileA(tempPath);
    } else {
      const bool deleted = m_platform.Files().DeleteFileA(dest) != 0;
      const platform::DWORD deleteError = deleted ? 0 : m_platform.System().GetLastError();
      if (!m_platform.Files().MoveFileExA(tempPath, dest, 0)) {
        m_platform.Files().DeleteFileA(tempPath);
        // An old file that is held open is replaced at the next start, as
        // a short-named one would be.
        const bool held = deleteError == ERROR_SHARING_VIOLATION || deleteError == ERROR_LOCK_VIOLATION ||
                          deleteError == ERROR_ACCESS_DENIED;
        const platform::DWORD attributes = m_platform.Files().GetFileAttributesA(dest);
        if (held && attributes != INVALID_FILE_ATTRIBUTES) {
          r = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? VIF_WRITEPROT : VIF_FILEINUSE;
        } else {
          r = VIF_ACCESSVIOLATION;
        }
      }
    }
    return r;
  }
  return Install(m_platform, flags, record, record.m_strDestName);
}

std::vector<CFileRecord> InCopyOrder(std::vector<CFileRecord> queue) {
  // Ordered in place: a large queue is never held twice.
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [](const CFileRecord& r) { return r.m_nDiskNumber < 0 || r.m_nDiskNumber > kLastDisk; }),
              queue.end());
  const auto byDisk = [](const CFileRecord& a, const CFileRecord& b) { return a.m_nDiskNumber < b.m_nDiskNumber; };
  if (!std::is_sorted(queue.begin(), queue.end(), byDisk)) std::stable_sort(queue.begin(), queue.end(), byDisk);
  return queue;
}

std::vector<CFileRecord> CFileOperations::QueueCopies() const {
  std::vector<CFileRecord> queue;
  m_components.QueueCopies(queue);
  for (CFileRecord& record : queue) {
    if (record.m_strSourceName.empty()) record.m_strSourceName = record.m_strDestName;
  }
  return queue;
}

CStepResult CFileOperations::RunCopies(IFileProgress& progress) {
  std::vector<CFileRecord> queue = QueueCopies();
  if (queue.empty()) return CStepResult::GoOn();
  progress.BeginCopyPhase(static_cast<int>(queue.size()));

  CSetupContext& context = m_context;
  CQuietFileDialogs quiet;
  IFileDialogs& dialogs = (context.GetFlags() & SF_QUIET) != 0 ? quiet : m_dialogs;
  IMessageSink& box = m_messages;

  queue = InCopyOrder(std::move(queue));
  std::optional<std::int32_t> disk;
  bool firstOfDisk = true;
  for (CFileRecord& record : queue) {
    if (record.m_nDiskNumber != disk) {
      disk = record.m_nDiskNumber;
      firstOfDisk = true;
    }
    progress.ShowCopyJob(record);
    // Only a file this run brings into being is the installation's own.
    const bool existed = m_platform.Files().GetFileAttributesA(DestPath(record)) != INVALID_FILE_ATTRIBUTES;
    bool skipped = false;
    platform::DWORD flags = (context.GetFlags() & SF_UNATTENDED) != 0 ? VIFF_FORCEINSTALL : 0;
    bool installed = true;
    while (true) {
      platform::DWORD r = CopyFile(record, flags);
      bool handled = false;
      if (r & VIF_CANNOTREADSRC) {
        if (firstOfDisk) {
          if (dialogs.AskSourceDisk(record) == kDialogCancel) return CStepResult::Stop();
          // The folder entered serves the whole disk.
          for (CFileRecord& other : queue) {
            if (other.m_nDiskNumber == *disk) other.m_strSourceDir = record.m_strSourceDir;
          }
          handled = true;
        } else {
          const int answer = dialogs.AskSourceFile(record);
          if (answer == kDialogCancel) return CStepResult::Stop();
          if (answer == kDialogSkipFile) {
            r = 0;
            skipped = true;
            installed = false;
          } else {
            handled = true;
          }
        }
      }
      if (r & kVersionConflictBits) {
        if (dialogs.AskVersionConflict(record) == kDialogKeepExisting) {
          r = 0;
          installed = false;
        } else {
          flags |= VIFF_FORCEINSTALL;
          handled = true;
        }
      }
      if (r & VIF_ACCESSVIOLATION) {
        box.ShowError(MSG_CANNOT_WRITE, record.m_strDestDir);
        return CStepResult::Stop();
      }
      if (r & kInUseBits) {
        // Done, or a failure of its own: a retry would meet the file in
        // use again, so what the steps below do not resolve is reported.
        r = ReplaceInUse(record, flags);
        handled = false;
      }
      if (r & VIF_CANNOTCREATE) {
        box.ShowError(MSG_CANNOT_CREATE_FILE, Drive(record.m_strDestDir));
        return CStepResult::Stop();
      }
      if (r & VIF_OUTOFSPACE) {
        const std::uint32_t freeBefore = GetFreeKilobytes(m_platform, record.m_strDestDir);
        // Trying again on a drive with no more room than before meets the
        // same end: only space freed in the meantime earns a retry.
        if (box.AskYesNo(MSG_ASK_DISK_FULL, Drive(record.m_strDestDir)) != IDYES ||
            GetFreeKilobytes(m_platform, record.m_strDestDir) <= freeBefore) {
          context.SetLastMessage(MSG_ASK_DISK_FULL);
          return CStepResult::Stop();
        }
        handled = true;
      }
      if (r & VIF_WRITEPROT) {
        // The read-only file gives way; the retry installs over nothing.
        const std::string dest = DestPath(record);
        ClearReadOnly(m_platform, dest);
        m_platform.Files().DeleteFileA(dest);
        const platform::DWORD after = m_platform.Files().GetFileAttributesA(dest);
        handled = after == INVALID_FILE_ATTRIBUTES || (after & FILE_ATTRIBUTE_READONLY) == 0;
      }
      if (r != 0 && !handled) {
        box.ShowError(MSG_FILE_INSTALL, static_cast<int>(r));
        return CStepResult::Stop();
      }
      if (r == 0) break;
    }
    if (m_pManifest != nullptr && !existed && !skipped && !record.m_strDestName.empty()) {
      m_pManifest->NoteFile(DestPath(record));
    }
    firstOfDisk = false;
    if (installed) progress.FileInstalled(record);
    progress.Step();
  }
  return CStepResult::GoOn();
}
