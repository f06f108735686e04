#include "files/manifest.h"

#include "files/file_copy.h"
#include "platform/ascii_text.h"
#include "platform/platform.h"

namespace {

std::string Key(std::string_view path, bool isFolder) {
  while (path.size() > 3 && path.back() == '\\') path.remove_suffix(1);
  std::string key = ascii::ToUpper(path);
  if (isFolder) key += '\\';
  return key;
}

}  // namespace

void CInstallManifest::Load(platform::IFileSystem& files, const std::string& setupFolder) {
  m_entries.clear();
  m_keys.clear();
  std::vector<char> text;
  if (!files.ReadWholeFile(JoinPath(setupFolder, std::string(install_manifest::kFileName)), text)) return;
  for (const install_manifest::Entry& entry : install_manifest::Parse(std::string_view(text.data(), text.size()))) {
    Note(entry.path, entry.isFolder);
  }
}

bool CInstallManifest::Save(platform::IFileSystem& files, const std::string& setupFolder) {
  const std::string path = JoinPath(setupFolder, std::string(install_manifest::kFileName));
  const std::string newPath = JoinPath(setupFolder, std::string(install_manifest::kNewFileName));
  NoteFile(path);
  const std::string text = install_manifest::Format(m_entries);
  // Never torn: the old manifest stays whole until the new one replaces it.
  if (!files.WriteWholeFile(newPath, text.data(), text.size())) return false;
  if (files.MoveFileExA(newPath, path, MOVEFILE_REPLACE_EXISTING)) return true;
  files.DeleteFileA(newPath);
  return false;
}

void CInstallManifest::NoteFile(const std::string& path) { Note(path, false); }
void CInstallManifest::NoteFolder(const std::string& path) { Note(path, true); }
bool CInstallManifest::HasFile(const std::string& path) const { return Has(path, false); }
bool CInstallManifest::HasFolder(const std::string& path) const { return Has(path, true); }

void CInstallManifest::Note(const std::string& path, bool isFolder) {
  std::string_view trimmed = path;
  while (trimmed.size() > 3 && trimmed.back() == '\\') trimmed.remove_suffix(1);
  if (trimmed.size() <= 3) return;  // a drive's root is nobody's
  if (m_keys.insert(Key(trimmed, isFolder)).second) m_entries.push_back({std::string(trimmed), isFolder});
}

bool CInstallManifest::Has(const std::string& path, bool isFolder) const {
  return m_keys.count(Key(path, isFolder)) != 0;
}
