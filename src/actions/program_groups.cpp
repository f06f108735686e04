#include "actions/program_groups.h"

#include <memory>

#include "files/file_copy.h"
#include "files/locked_files.h"
#include "files/manifest.h"
#include "platform/platform.h"
#include "script/script_line.h"
#include "script/setup_script.h"

namespace {

constexpr const char* kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kCommonShellFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr platform::DWORD kShellFolderBuffer = 260;
constexpr int kAllUsersBit = 1;

// A path of the line: as it stands when it names a drive, otherwise below
// the destination directory (an empty field is the directory itself).
std::string CompletePath(const CSetupScript& script, const std::string& field) {
  if (field.size() >= 2 && field[1] == ':') return field;
  return script.GetContext().GetDestDir() + "\\" + field;
}

std::string ReadShellFolder(const platform::Platform& platform, bool allUsers, bool startup) {
  platform::IRegistry& registry = platform.Registry();
  platform::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                             allUsers ? kCommonShellFolders : kUserShellFolders, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return {};
  }
  const char* name = allUsers ? (startup ? "Common Startup" : "Common Programs") : (startup ? "Startup" : "Programs");
  char buffer[kShellFolderBuffer + 1] = {};
  platform::DWORD size = kShellFolderBuffer;
  platform::DWORD type = 0;
  const platform::LONG status =
      registry.RegQueryValueExA(key, name, &type, reinterpret_cast<platform::BYTE*>(buffer), &size);
  registry.RegCloseKey(key);
  if (status != ERROR_SUCCESS) return {};
  return std::string(buffer, size < kShellFolderBuffer ? size : kShellFolderBuffer).c_str();
}

// Whether a name could be one file name: not empty, not "." or "..", and
// no character a file name cannot hold.
bool IsOneFileName(std::string_view name) {
  if (name.empty() || name.find_first_not_of('.') == std::string_view::npos) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

// A read-only link is deleted all the same; a missing one is no error; one
// in use is deleted at the next start. True when the link is gone or goes then.
bool DeleteLinkFile(const CSetupScript& script, const std::string& folder, const std::string& name) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  platform::IFileSystem& files = platform.Files();
  const std::string path = folder + "\\" + name;
  const platform::DWORD attributes = files.GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  ClearReadOnly(platform, path);
  if (files.DeleteFileA(path)) return true;
  const platform::DWORD error = platform.System().GetLastError();
  if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return false;
  CSetupContext& context = script.GetContext();
  context.SetFlags(context.GetFlags() | SF_RESTART_NEEDED);
  if (context.IsNT()) return files.MoveFileExA(path, {}, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  CFileRecord record;
  record.m_strDestDir = folder;
  record.m_strDestName = name;
  return AddWininitDelete(platform, record);
}

void InstallLink(const CSetupScript& script, std::string_view line, const std::string& folder,
                 CInstallManifest* manifest) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  platform::IShellLinks& links = platform.ShellLinks();
  const platform::HRESULT initialized = links.CoInitialize();
  std::unique_ptr<platform::IShellLinkObject> link;
  if (!folder.empty() && platform::Succeeded(links.CreateShellLink(link)) && link) {
    CFileRecord where;
    where.m_strDestDir = folder;
    CreateDestDir(platform, where, manifest);
    const std::string name = script.GetField(line, 1);
    link->SetDescription(name.c_str());
    link->SetPath(CompletePath(script, script.GetField(line, 2)).c_str());
    link->SetArguments(script.GetField(line, 3).c_str());
    link->SetWorkingDirectory(CompletePath(script, script.GetField(line, 4)).c_str());
    link->SetIconLocation(CompletePath(script, script.GetField(line, 5)).c_str(), GetFieldInt(line, 6));
    link->Save((folder + "\\" + name + ".lnk").c_str(), 1);
    link.reset();
  }
  if (platform::Succeeded(initialized)) links.CoUninitialize();
}

void RemoveLink(const CSetupScript& script, std::string_view line, const std::string& folder,
                const CInstallManifest* manifest) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  if (folder.empty()) return;
  const std::string name = script.GetField(line, 1);
  const bool link = DeleteLinkFile(script, folder, name + ".lnk");
  const bool pif = DeleteLinkFile(script, folder, name + ".pif");
  const std::string group = script.GetField(line, 0);
  // The Startup folder, and the programs folder itself, are never removed;
  // a group this line emptied goes now, or at the next start after the links.
  if (group != kStartupGroup && !group.empty()) {
    CFileRecord record;
    record.m_strDestDir = folder;
    RemoveRecordFolder(platform, record, link || pif, manifest);
  }
}

}  // namespace

std::string GetProgramGroupFolder(const CSetupScript& script, std::string_view line) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  const std::string group = script.GetField(line, 0);
  const bool allUsers = script.GetContext().IsNT() && (GetFieldInt(line, 7) & kAllUsersBit) != 0;
  const bool startup = group == kStartupGroup;
  std::string folder = ReadShellFolder(platform, allUsers, startup);
  if (folder.empty() || startup || group.empty()) return folder;
  return folder + "\\" + group;
}

std::string WhyProgramGroupNamesAreRefused(std::string_view group, std::string_view item) {
  if (!IsOneFileName(item)) return "the shortcut name is not one file name";
  if (group.empty() || group == kStartupGroup) return {};
  for (std::size_t start = 0;;) {
    const std::size_t end = group.find('\\', start);
    if (!IsOneFileName(group.substr(start, end == std::string_view::npos ? end : end - start))) {
      return "the group is not a folder below the programs folder";
    }
    if (end == std::string_view::npos) return {};
    start = end + 1;
  }
}

void RunProgramGroupSection(const CSetupScript& script, const CScriptSection& section, int mode,
                            CInstallManifest* manifest) {
  for (const std::string& line : section.GetLines()) ApplyProgramGroupLine(script, line, mode, manifest);
}

void ApplyProgramGroupLine(const CSetupScript& script, std::string_view line, int mode, CInstallManifest* manifest) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  const std::string why = WhyProgramGroupNamesAreRefused(script.GetField(line, 0), script.GetField(line, 1));
  if (!why.empty()) {
    platform.System().OutputDebugStringA(("program group line refused, " + why + ": " + std::string(line)).c_str());
    return;
  }
  const std::string folder = GetProgramGroupFolder(script, line);
  if (mode == kGroupInstall) {
    InstallLink(script, line, folder, manifest);
  } else {
    RemoveLink(script, line, folder, manifest);
  }
}
