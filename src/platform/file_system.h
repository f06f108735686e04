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

  // The whole content of a file (CreateFileA for reading, ReadFile to the end).
  // ERROR_SUCCESS or the Windows error code of the failure.
  virtual DWORD ReadWholeFile(std::string_view path, std::vector<char>& content) = 0;

  // Creates or truncates the file and writes the bytes (CREATE_ALWAYS, WriteFile).
  virtual DWORD WriteWholeFile(std::string_view path, const char* data, std::size_t size) = 0;

  // True when a file (not a folder) of that path exists: the existence test
  // of OpenFile with OF_EXIST, which never opens the file for reading.
  virtual bool FileExists(std::string_view path) = 0;

  // FindFirstFileA then FindClose: the name (without folder) of the first
  // entry that matches the pattern's last component ('?' and '*'), or empty.
  virtual std::string FindFirstFileName(std::string_view pattern) = 0;

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

  // MoveFileExA: renames a file or folder (`newName` null: deletes it, only
  // with MOVEFILE_DELAY_UNTIL_REBOOT, which leaves the operation for the
  // next start of Windows NT).
  virtual BOOL MoveFileExA(const char* existing, const char* newName, DWORD flags) = 0;
  // GetShortPathNameA: the 8.3 form of an existing path; the length copied,
  // or the size needed with the NUL when `size` is too small; 0 on failure.
  virtual DWORD GetShortPathNameA(const char* longPath, char* buffer, DWORD size) = 0;
};

}  // namespace platform
