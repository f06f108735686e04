#include "platform/sim/sim_shell_links.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace sim {
namespace {

bool IsAbsolute(std::string_view path) { return path.size() >= 2 && path[1] == ':'; }

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

platform::HRESULT CopyOut(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return E_INVALIDARG;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return S_OK;
}

std::uint32_t DriveTypeOf(char drive) {
  switch (drive) {
    case 'A': case 'a': case 'B': case 'b': return 2;  // DRIVE_REMOVABLE
    case 'D': case 'd': return 5;                      // DRIVE_CDROM
    default: return 3;                                 // DRIVE_FIXED
  }
}

class SimShellLink final : public platform::IShellLinkObject {
 public:
  explicit SimShellLink(const ProcessState& process) : m_machine(process.machine), m_process(process) {}

  platform::HRESULT SetDescription(const char* text) override { return Set(m_link.description, text); }
  platform::HRESULT SetPath(const char* path) override {
    if (path == nullptr) return E_INVALIDARG;
    // Like GetFullPathName: a relative target is taken from the current folder.
    std::string full = path;
    if (!full.empty() && !IsAbsolute(full)) {
      std::string current = m_process.currentDirectory;
      if (!current.empty() && current.back() != '\\') current += '\\';
      full = full[0] == '\\' ? current.substr(0, 2) + full : current + full;
    }
    m_link.path = full;
    return S_OK;
  }
  platform::HRESULT SetArguments(const char* text) override { return Set(m_link.arguments, text); }
  platform::HRESULT SetWorkingDirectory(const char* text) override { return Set(m_link.workingDirectory, text); }
  platform::HRESULT SetIconLocation(const char* path, int index) override {
    m_link.iconIndex = index;
    return Set(m_link.iconLocation, path);
  }

  platform::HRESULT GetDescription(char* buffer, int size) override { return CopyOut(m_link.description, buffer, size); }
  platform::HRESULT GetPath(char* buffer, int size) override { return CopyOut(m_link.path, buffer, size); }
  platform::HRESULT GetArguments(char* buffer, int size) override { return CopyOut(m_link.arguments, buffer, size); }
  platform::HRESULT GetWorkingDirectory(char* buffer, int size) override {
    return CopyOut(m_link.workingDirectory, buffer, size);
  }
  platform::HRESULT GetIconLocation(char* buffer, int size, int* index) override {
    if (index != nullptr) *index = m_link.iconIndex;
    return CopyOut(m_link.iconLocation, buffer, size);
  }

  platform::HRESULT Save(const char* fileName, platform::BOOL) override {
    if (fileName == nullptr) return E_INVALIDARG;
    // The name must fit the wide-character buffer of MAX_PATH characters.
    if (std::strlen(fileName) >= MAX_PATH) return platform::ResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
    const std::string current = m_process.currentDirectory;
    const ResolvedPath resolved = m_machine.Resolve(fileName, current);
    if (!resolved.ok()) return platform::ResultFromWin32(resolved.error);
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(resolved.host.parent_path(), ec))) {
      return platform::ResultFromWin32(ERROR_PATH_NOT_FOUND);
    }
    const fs::file_status status = fs::symlink_status(resolved.host, ec);
    if (fs::is_directory(status) ||
        (fs::is_regular_file(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none)) {
      return platform::ResultFromWin32(ERROR_ACCESS_DENIED);
    }

    ShellLinkData data = m_link;
    const std::string linkPath = m_machine.WindowsPathOf(resolved.host);
    data.relativePath = data.path.empty() ? std::string() : RelativeLinkPath(FolderOf(linkPath), data.path);
    data.fileAttributes = 0;
    data.fileSize = 0;
    if (!data.path.empty()) {
      data.driveType = DriveTypeOf(data.path[0]);
      data.driveSerial = 0x1A2B0000u + static_cast<unsigned char>(data.path[0] & 0xDF);
      const ResolvedPath target = m_machine.Resolve(data.path, current);
      if (target.ok()) {
        const fs::file_status targetStatus = fs::symlink_status(target.host, ec);
        if (fs::is_regular_file(targetStatus)) {
          data.fileAttributes = FILE_ATTRIBUTE_ARCHIVE;
          const std::uintmax_t size = fs::file_size(target.host, ec);
          data.fileSize = ec ? 0 : static_cast<std::uint32_t>(std::min<std::uintmax_t>(size, 0xFFFFFFFFu));
        } else if (fs::is_directory(targetStatus)) {
          data.fileAttributes = FILE_ATTRIBUTE_DIRECTORY;
        }
      }
    }
    const std::string bytes = WriteShellLinkFile(data);
    const Machine::HostWrite written = m_machine.WriteHostFile(resolved.host, bytes.data(), bytes.size());
    if (written != Machine::HostWrite::kNotOpened) m_machine.NoteChanged(resolved.host, fs::file_type::regular);
    if (written != Machine::HostWrite::kDone) return platform::ResultFromWin32(ERROR_WRITE_FAULT);
    m_machine.AppendEvent("shortcut " + linkPath + " -> " + data.path);
    return S_OK;
  }

  platform::HRESULT Load(const char* fileName) override {
    if (fileName == nullptr) return E_INVALIDARG;
    const ResolvedPath resolved = m_machine.Resolve(fileName, m_process.currentDirectory);
    if (!resolved.ok()) return platform::ResultFromWin32(resolved.error);
    constexpr std::size_t kMaxLinkFile = 1 << 20;
    std::vector<char> content;
    if (!m_machine.ReadHostFile(resolved.host, content, kMaxLinkFile)) {
      return errno == EFBIG ? E_FAIL : platform::ResultFromWin32(ERROR_FILE_NOT_FOUND);
    }
    auto link = ReadShellLinkFile(std::string(content.begin(), content.end()));
    if (!link) return E_FAIL;
    m_link = std::move(*link);
    return S_OK;
  }

 private:
  static platform::HRESULT Set(std::string& field, const char* text) {
    if (text == nullptr) return E_INVALIDARG;
    field = text;
    return S_OK;
  }

  const Machine& m_machine;
  const ProcessState& m_process;
  ShellLinkData m_link;
};

}  // namespace

SimShellLinks::SimShellLinks(const ProcessState& process) : m_process(process) {}

platform::HRESULT SimShellLinks::CoInitialize() { return m_initialized++ == 0 ? S_OK : S_FALSE; }

void SimShellLinks::CoUninitialize() {
  if (m_initialized > 0) --m_initialized;
}

platform::HRESULT SimShellLinks::CreateShellLink(std::unique_ptr<platform::IShellLinkObject>& link) {
  link.reset();
  if (m_initialized == 0) return CO_E_NOTINITIALIZED;
  link = std::make_unique<SimShellLink>(m_process);
  return S_OK;
}

}  // namespace sim
