// What this installation made: the files and folders a run creates, kept
// in the manifest of the setup folder and merged with the one an earlier
// run left there. Removal (INST16.EXE -R) takes exactly these; a folder is
// only ever scheduled for removal at the next start when it is listed here.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "platform/file_system.h"
#include "platform/install_manifest.h"

class CInstallManifest {
 public:
  // Forgets everything, then reads the manifest of the setup folder, if any.
  void Load(platform::IFileSystem& files, const std::string& setupFolder);
  // Writes the manifest into the setup folder, itself listed, as a new file
  // renamed over the old one. False when it could not be written.
  bool Save(platform::IFileSystem& files, const std::string& setupFolder);

  void NoteFile(const std::string& path);
  void NoteFolder(const std::string& path);
  bool HasFile(const std::string& path) const;
  bool HasFolder(const std::string& path) const;

  const std::vector<install_manifest::Entry>& GetEntries() const { return m_entries; }

 private:
  void Note(const std::string& path, bool isFolder);
  bool Has(const std::string& path, bool isFolder) const;

  std::vector<install_manifest::Entry> m_entries;
  std::unordered_set<std::string> m_keys;  // upper-case path, '\' appended for a folder
};
