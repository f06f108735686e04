// Files and folders, by Windows path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace platform {

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // Every call answers as Win32 does: FALSE (or the documented failure
  // value) with GetLastError's code. Paths are std::string_view throughout.

  // The whole content of a file (CreateFileA for reading, ReadFile to the end).
  virtual BOOL ReadWholeFile(std::string_view path, std::vector<char>& content) = 0;

  // Creates or truncates the file and writes the bytes (CREATE_ALWAYS, WriteFile).
  virtual BOOL WriteWholeFile(std::string_view path, const char* data, std::size_t size) = 0;

  // TRUE when a file (not a folder) of that path exists: the existence test
  // of OpenFile with OF_EXIST, which never opens the file for reading. FALSE
  // with ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND, or ERROR_ACCESS_DENIED
  // for a folder.
  virtual BOOL FileExists(std::string_view path) = 0;

  // FindFirstFileA then FindClose: TRUE and the name (without folder) of the
  // first entry that matches the pattern's last component ('?' and '*');
  // FALSE with ERROR_FILE_NOT_FOUND when none does.
  virtual BOOL FindFirstFileName(std::string_view pattern, std::string& name) = 0;

  // GetDiskFreeSpaceA of a root folder ("C:\").
  virtual BOOL GetDiskFreeSpaceA(std::string_view root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                                 DWORD* freeClusters, DWORD* totalClusters) = 0;

  // Folders and files by name; FALSE with GetLastError's code on failure.
  virtual BOOL CreateDirectoryA(std::string_view path) = 0;  // no security attributes
  virtual BOOL RemoveDirectoryA(std::string_view path) = 0;  // an empty folder only
  virtual BOOL DeleteFileA(std::string_view path) = 0;
  // FILE_ATTRIBUTE_* bits, or INVALID_FILE_ATTRIBUTES.
  virtual DWORD GetFileAttributesA(std::string_view path) = 0;
  virtual BOOL SetFileAttributesA(std::string_view path, DWORD attributes) = 0;

  // The process's current folder: relative paths start there.
  // GetCurrentDirectoryA: the length copied, or the size needed with the NUL.
  virtual DWORD GetCurrentDirectoryA(DWORD size, char* buffer) = 0;
  virtual BOOL SetCurrentDirectoryA(std::string_view path) = 0;

  // MoveFileExA: renames a file or folder (`newName` empty, Win32's null:
  // deletes it, only with MOVEFILE_DELAY_UNTIL_REBOOT, which leaves the
  // operation for the next start of Windows NT).
  virtual BOOL MoveFileExA(std::string_view existing, std::string_view newName, DWORD flags) = 0;
  // GetShortPathNameA: the 8.3 form of an existing path; the length copied,
  // or the size needed with the NUL when `size` is too small; 0 on failure.
  virtual DWORD GetShortPathNameA(std::string_view longPath, char* buffer, DWORD size) = 0;
};

}  // namespace platform
