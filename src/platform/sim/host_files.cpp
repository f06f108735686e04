#include "platform/sim/host_files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace fs = std::filesystem;

namespace sim {
namespace {

// `relative` opened beneath the folder `root` without following any link,
// one step at a time where the host has no openat2.
int OpenBeneath(int root, const fs::path& relative, int flags, unsigned mode) {
  open_how how{};
  how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC | O_NOFOLLOW);
  how.mode = (flags & O_CREAT) != 0 ? mode : 0;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  const long opened = ::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how);
  if (opened >= 0 || errno != ENOSYS) return static_cast<int>(opened);
  std::vector<std::string> parts;
  for (const fs::path& part : relative) {
    if (part.empty()) continue;
    if (part == "." || part == "..") {
      errno = EXDEV;
      return -1;
    }
    parts.push_back(part.string());
  }
  if (parts.empty()) return ::openat(root, ".", flags | O_CLOEXEC, mode);
  int folder = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
  for (std::size_t i = 0; folder >= 0 && i + 1 < parts.size(); ++i) {
    const int next = ::openat(folder, parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    ::close(folder);
    errno = saved;
    folder = next;
  }
  if (folder < 0) return -1;
  const int file = ::openat(folder, parts.back().c_str(), flags | O_CLOEXEC | O_NOFOLLOW, mode);
  const int saved = errno;
  ::close(folder);
  errno = saved;
  return file;
}

// Closes a descriptor on every way out.
struct HostHandle {
  int fd;
  explicit HostHandle(int handle) : fd(handle) {}
  HostHandle(const HostHandle&) = delete;
  HostHandle& operator=(const HostHandle&) = delete;
  ~HostHandle() {
    if (fd >= 0) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
    }
  }
};

}  // namespace

HostFiles::HostFiles(fs::path machineFolder, char cdDrive) : m_dir(std::move(machineFolder)) {
  m_cdFolder = "drive_";
  m_cdFolder += (cdDrive >= 'A' && cdDrive <= 'Z') ? static_cast<char>(cdDrive - 'A' + 'a') : cdDrive;
}

HostFiles::~HostFiles() {
  if (m_root >= 0) ::close(m_root);
  if (m_cdRoot >= 0) ::close(m_cdRoot);
}

void HostFiles::ShareCd(fs::path cdHome) {
  if (m_cdRoot >= 0) ::close(m_cdRoot);
  m_cdRoot = -1;
  m_cdHome = std::move(cdHome);
}

int HostFiles::Root() {
  if (m_root < 0) m_root = ::open(m_dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  return m_root;
}

bool HostFiles::IsOnCd(const fs::path& host) const {
  const fs::path relative = host.lexically_relative(CdHome());
  return !relative.empty() && relative.begin()->string() == m_cdFolder;
}

// errno for a change on the CD.
bool HostFiles::RefusedOnCd(const fs::path& host) const {
  if (!IsOnCd(host)) return false;
  errno = EROFS;
  return true;
}

int HostFiles::Open(const fs::path& host, int flags, unsigned mode) {
  if ((flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0 && RefusedOnCd(host)) return -1;
  const bool sharedCd = !m_cdHome.empty() && IsOnCd(host);
  if (sharedCd && m_cdRoot < 0) m_cdRoot = ::open(m_cdHome.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  const fs::path relative = host.lexically_relative(sharedCd ? m_cdHome : m_dir);
  const int root = sharedCd ? m_cdRoot : Root();
  if (root < 0) return -1;
  if (relative.empty() || *relative.begin() == ".." || relative.is_absolute()) {
    errno = EXDEV;
    return -1;
  }
  return OpenBeneath(root, relative, flags, mode);
}

int HostFiles::OpenParent(const fs::path& host, std::string& name) {
  const fs::path relative = host.lexically_relative(m_dir);
  // Below a drive's folder: "drive_c/NAME" at the least.
  if (relative.empty() || *relative.begin() == ".." || std::distance(relative.begin(), relative.end()) < 2) {
    errno = EACCES;
    return -1;
  }
  name = relative.filename().string();
  return Open(host.parent_path(), O_PATH | O_DIRECTORY, 0);
}

bool HostFiles::MakeFolder(const fs::path& host) {
  if (RefusedOnCd(host)) return false;
  std::string name;
  const HostHandle folder(OpenParent(host, name));
  return folder.fd >= 0 && ::mkdirat(folder.fd, name.c_str(), 0755) == 0;
}

bool HostFiles::Remove(const fs::path& host, bool folder) {
  if (RefusedOnCd(host)) return false;
  std::string name;
  const HostHandle parent(OpenParent(host, name));
  return parent.fd >= 0 && ::unlinkat(parent.fd, name.c_str(), folder ? AT_REMOVEDIR : 0) == 0;
}

bool HostFiles::Rename(const fs::path& from, const fs::path& to) {
  if (RefusedOnCd(from) || RefusedOnCd(to)) return false;
  std::string fromName, toName;
  const HostHandle fromFolder(OpenParent(from, fromName));
  if (fromFolder.fd < 0) return false;
  if (from.parent_path() == to.parent_path()) {
    toName = to.filename().string();
    return ::renameat(fromFolder.fd, fromName.c_str(), fromFolder.fd, toName.c_str()) == 0;
  }
  const HostHandle toFolder(OpenParent(to, toName));
  return toFolder.fd >= 0 && ::renameat(fromFolder.fd, fromName.c_str(), toFolder.fd, toName.c_str()) == 0;
}

bool HostFiles::ReadFile(const fs::path& host, std::vector<char>& content, std::size_t maxSize,
                         bool beginningOfLarger) {
  // Not blocking: a pipe put in the machine folder opens at once and is refused.
  const HostHandle file(Open(host, O_RDONLY | O_NONBLOCK, 0));
  struct stat info {};
  if (file.fd < 0 || ::fstat(file.fd, &info) != 0) return false;
  const bool tooLarge = static_cast<std::uintmax_t>(info.st_size) > maxSize;
  if (!S_ISREG(info.st_mode) || (tooLarge && !beginningOfLarger)) {
    errno = S_ISREG(info.st_mode) ? EFBIG : EISDIR;
    return false;
  }
  content.assign(tooLarge ? maxSize : static_cast<std::size_t>(info.st_size), '\0');
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::read(file.fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done == content.size()) return true;
  content.clear();
  errno = EIO;
  return false;
}

HostFiles::Write HostFiles::WriteFile(const fs::path& host, const char* data, std::size_t size, bool createNew) {
  // Not blocking: a pipe put in the machine folder is refused, not waited on.
  const HostHandle file(Open(host, O_WRONLY | O_NONBLOCK | O_CREAT | (createNew ? O_EXCL : O_TRUNC), 0644));
  if (file.fd < 0) return Write::kNotOpened;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(file.fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Write::kFailed;
    done += static_cast<std::size_t>(n);
  }
  return Write::kDone;
}

}  // namespace sim
