// A simulated Windows machine kept in a folder: its description files, its
// drives and its event record. Every Windows path the simulated program uses
// is resolved here, and never leaves the machine folder.
//
// The jobs live apart: fresh_machine.cpp lays a machine down,
// machine_description.cpp reads its description files, PathResolver (with
// its FolderCache) resolves paths, HostFiles does the host I/O that follows
// no link, EventLog keeps the event record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/shared/config_file.h"
#include "platform/shared/hardware_description.h"
#include "platform/sim/event_log.h"
#include "platform/sim/host_files.h"
#include "platform/sim/path_resolver.h"
#include "platform/sim/sim_registry.h"
#include "platform/win_types.h"

namespace sim {

enum class OsKind { Win95, Win98, NT4, NT5 };

std::optional<OsKind> ParseOsKind(std::string_view name);
const char* OsKindName(OsKind os);

struct DriveSpace {
  std::uint32_t freeClusters = 0;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
};

class Machine {
 public:
  // Lays down a fresh machine: folders of that system, machine.ini,
  // hardware.ini, registry.reg, an empty drive D. False with a message if
  // the folder cannot be written or already holds a machine.
  static bool Create(const std::filesystem::path& dir, OsKind os, std::string_view locale, std::string& error);

  // Reads and checks the description files; nullopt with a message when a
  // file is missing or malformed.
  static std::optional<Machine> Open(const std::filesystem::path& dir, std::string& error);

  const std::filesystem::path& Folder() const { return m_dir; }
  OsKind Os() const { return m_os; }
  bool IsNT() const { return m_os == OsKind::NT4 || m_os == OsKind::NT5; }
  // The user runs programs as a member of the Administrators group.
  bool IsAdministrator() const { return m_administrator; }
  // Windows was started in safe mode (machine.ini SafeMode=1).
  bool IsSafeMode() const { return m_safeMode; }
  const std::string& Locale() const { return m_locale; }
  platform::UINT CodePage() const { return m_codePage; }
  const std::string& WindowsDir() const { return m_windowsDir; }
  std::string SystemDir() const;
  platform::OSVERSIONINFOA VersionInfo() const;

  // Hardware answers.
  const HardwareDescription& Hardware() const { return m_hardware; }
  const std::string& BiosText() const { return m_hardware.BiosText(); }
  const std::vector<PciDevice>& PciDevices() const { return m_hardware.PciDevices(); }
  const std::vector<std::string>& InstalledHardwareIds() const { return m_hardware.InstalledHardwareIds(); }
  const std::vector<DisplayDevice>& DisplayDevices() const { return m_hardware.DisplayDevices(); }
  // The free space hardware.ini gives a drive, or a default.
  DriveSpace FreeSpace(char driveLetter) const;
  bool LibraryPresent(std::string_view libraryName) const;
  bool EntryPointPresent(std::string_view libraryName, std::string_view entryPoint) const;
  // Whether another program holds the file open (hardware.ini [FilesInUse]),
  // as a running program holds its modules: it cannot be deleted or
  // overwritten, but it can be renamed.
  bool IsHeldOpen(const std::filesystem::path& host) const;
  // Folder of a logical directory number, or nullopt when unknown.
  std::optional<std::string> LogicalDirectory(int ldid) const;

  // Resolves a Windows path ("C:\WINDOWS\X.INI", relative to `currentDir`
  // when not absolute). Names match without regard to case; "." and ".."
  // are resolved inside the drive; links are refused. The last component
  // need not exist (a file about to be created).
  ResolvedPath Resolve(std::string_view windowsPath, std::string_view currentDir = "C:\\") const {
    return m_paths->Resolve(windowsPath, currentDir);
  }

  // Tells the path cache that the program changed this host path (created,
  // wrote, removed or renamed it; a removed folder takes its contents
  // along). Every change the machine makes itself goes through here.
  void NoteChanged(const std::filesystem::path& host) const { m_paths->Folders().NoteChanged(host); }
  // The same when the caller knows what is there now (not_found: nothing).
  void NoteChanged(const std::filesystem::path& host, std::filesystem::file_type type) const {
    m_paths->Folders().NoteChanged(host, type);
  }
  // The same for a folder the program has just made, which is empty: it
  // needs no listing.
  void NoteFolderMade(const std::filesystem::path& host) const { m_paths->Folders().NoteFolderMade(host); }

  // Drive D is the machine's CD: what the program does never writes there
  // (a write fails with EROFS, which the calls answer as ERROR_ACCESS_DENIED,
  // as Windows answers for a CD-ROM). `winsim insert` fills it from the host.
  static constexpr char kCdDrive = 'D';
  bool IsOnCd(const std::filesystem::path& host) const { return m_hostFiles->IsOnCd(host); }
  // The CD of another machine folder instead of this one's: a copy made to
  // try something out shares its original's CD, which nothing writes, and
  // copies the rest.
  void ShareCdOf(const std::filesystem::path& machineFolder);
  // The host folder of a drive ("drive_c" in the machine folder).
  std::filesystem::path DriveFolder(char letter) const { return m_paths->DriveFolder(letter); }

  // Opens, makes, removes and renames the host paths Resolve gave, never
  // following a link on the way: a folder swapped for a link from outside
  // while the program runs leads nowhere outside the machine folder. A
  // drive's own folder is neither removed nor renamed; nothing on the CD is
  // written, made, removed or renamed. -1 or false with errno set.
  int OpenHost(const std::filesystem::path& host, int flags, unsigned mode = 0644) const {
    return m_hostFiles->Open(host, flags, mode);
  }
  bool MakeHostFolder(const std::filesystem::path& host) const { return m_hostFiles->MakeFolder(host); }
  bool RemoveHost(const std::filesystem::path& host, bool folder) const { return m_hostFiles->Remove(host, folder); }
  bool RenameHost(const std::filesystem::path& from, const std::filesystem::path& to) const {
    return m_hostFiles->Rename(from, to);
  }
  // A whole regular file through OpenHost, one open and one look at its
  // size; false when it cannot be opened, is no file or exceeds maxSize
  // (`beginningOfLarger`: then its first maxSize bytes).
  bool ReadHostFile(const std::filesystem::path& host, std::vector<char>& content, std::size_t maxSize,
                    bool beginningOfLarger = false) const {
    return m_hostFiles->ReadFile(host, content, maxSize, beginningOfLarger);
  }
  // A whole file written through OpenHost, made or emptied first.
  // `createNew`: only a file that is not there yet (kNotOpened, errno EEXIST).
  using HostWrite = HostFiles::Write;
  HostWrite WriteHostFile(const std::filesystem::path& host, const char* data, std::size_t size,
                          bool createNew = false) const {
    return m_hostFiles->WriteFile(host, data, size, createNew);
  }
  // Whether no entry of the host folder `folder` has `name` without regard
  // to case, as the machine knows the folder (listing it if not yet known).
  bool IsFreeName(const std::filesystem::path& folder, std::string_view name) const {
    return m_paths->Folders().IsFreeName(folder.string(), name);
  }

  // The Windows path of a host path inside the machine's drives ("X:\..."
  // with the names as they are stored); empty outside them.
  std::string WindowsPathOf(const std::filesystem::path& host) const { return m_paths->WindowsPathOf(host); }

  // The registry, loaded from registry.reg and written back when flushed.
  SimRegistry& Registry() const { return *m_registry; }

  // One line of the machine's event record.
  void AppendEvent(std::string_view line) const { m_events.Append(line); }

 private:
  Machine() = default;

  std::filesystem::path m_dir;
  OsKind m_os = OsKind::Win98;
  bool m_administrator = true;
  bool m_safeMode = false;
  std::string m_locale = "ENU";
  platform::UINT m_codePage = 1252;
  std::string m_windowsDir = "C:\\WINDOWS";
  HardwareDescription m_hardware;
  std::vector<std::pair<char, DriveSpace>> m_drives;
  std::vector<std::pair<std::string, bool>> m_libraries;
  std::vector<std::pair<std::string, std::string>> m_missingEntries;  // library, entry point
  std::vector<std::string> m_filesInUse;  // Windows paths
  std::shared_ptr<SimRegistry> m_registry;
  EventLog m_events{std::filesystem::path()};

  // What resolving paths and host I/O keep while the machine is in use: the
  // names of the folders looked into (the resolver's FolderCache), the
  // machine folder held open. They
  // change as a const Machine resolves a path or opens a file, as a disk's
  // caches do under a program that only reads; they are owned here, one of
  // each per machine, and held apart so that they stay where they are when
  // the Machine moves.
  std::unique_ptr<PathResolver> m_paths;
  std::unique_ptr<HostFiles> m_hostFiles;
};

}  // namespace sim
