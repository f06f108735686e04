// Host I/O beneath the simulated machine's folder that follows no link: a
// folder swapped for a link from outside while the program runs leads
// nowhere outside the machine folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace sim {

class HostFiles {
 public:
  // `machineFolder` is absolute; `cdDrive` is the drive whose folder nothing
  // writes to (a write fails with EROFS).
  HostFiles(std::filesystem::path machineFolder, char cdDrive);
  HostFiles(const HostFiles&) = delete;
  HostFiles& operator=(const HostFiles&) = delete;
  ~HostFiles();

  // The CD drive is another machine folder's from now on.
  void ShareCd(std::filesystem::path cdHome);

  // Whether the host path lies on the CD drive.
  bool IsOnCd(const std::filesystem::path& host) const;

  // Opens, makes, removes and renames host paths below the machine folder.
  // A drive's own folder is neither removed nor renamed; nothing on the CD is
  // written, made, removed or renamed. -1 or false with errno set.
  int Open(const std::filesystem::path& host, int flags, unsigned mode);
  bool MakeFolder(const std::filesystem::path& host);
  bool Remove(const std::filesystem::path& host, bool folder);
  bool Rename(const std::filesystem::path& from, const std::filesystem::path& to);
  // A whole regular file, one open and one look at its size; false when it
  // cannot be opened, is no file or exceeds maxSize (`beginningOfLarger`:
  // then its first maxSize bytes).
  bool ReadFile(const std::filesystem::path& host, std::vector<char>& content, std::size_t maxSize,
                bool beginningOfLarger);
  // A whole file, made or emptied first. `createNew`: only a file that is
  // not there yet (kNotOpened, errno EEXIST).
  enum class Write { kDone, kNotOpened, kFailed };
  Write WriteFile(const std::filesystem::path& host, const char* data, std::size_t size, bool createNew);

 private:
  // True, with errno EROFS, for a host path on the CD.
  bool RefusedOnCd(const std::filesystem::path& host) const;
  // The machine folder, opened on first use and held open; every path is
  // resolved beneath it. -1 while it cannot be opened.
  int Root();
  // The folder that holds `host`, opened beneath the root, and the name in it.
  int OpenParent(const std::filesystem::path& host, std::string& name);

  // The machine folder whose CD folder this machine reads.
  const std::filesystem::path& CdHome() const { return m_cdHome.empty() ? m_dir : m_cdHome; }

  std::filesystem::path m_dir;
  std::string m_cdFolder;  // "drive_d"
  int m_root = -1;
  std::filesystem::path m_cdHome;  // empty: the CD is this machine's own
  int m_cdRoot = -1;               // m_cdHome held open, once used
};

}  // namespace sim
