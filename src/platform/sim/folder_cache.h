// What the simulated machine knows of its host folders' names, so that a
// path resolves without listing every folder on the way each time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sim {

// The names of the host folders looked into, by name folded to lower case: a
// folder is listed once while it is in use. The machine's own changes are
// noted at once; a name made from outside while a program runs is seen when
// asked for as it was made, and in any spelling by the next run. At most
// kMaxKnownFolders are kept, the least recently used going first, so a large
// installation does not hold every folder's names.
//
// Every lookup may list a folder or mark it used, so none is const: the
// cache belongs to the path resolver of one machine, which alone changes it.
// Folders are keyed by their host path as a string.
class FolderCache {
 public:
  struct Entry {
    std::string name;
    std::filesystem::file_type type = std::filesystem::file_type::none;
  };
  static constexpr std::size_t kMaxKnownFolders = 128;

  // Whether the folder's names are known (it was listed or made).
  bool Knows(const std::string& folder) const { return m_folders.count(folder) != 0; }
  // The entry of `folder` whose name matches `name` without regard to case:
  // the exact spelling first, otherwise the smallest matching name, otherwise
  // the entry whose short name it is.
  std::optional<Entry> Find(const std::string& folder, const std::string& name);
  // Whether no entry of `folder` has `name` without regard to case (false
  // when the folder cannot be listed).
  bool IsFreeName(const std::string& folder, std::string_view name);

  // The host path changed (created, written, removed or renamed; a removed
  // folder takes its contents along): looked at again, or as `type` says
  // (not_found: nothing there now).
  void NoteChanged(const std::filesystem::path& host);
  void NoteChanged(const std::filesystem::path& host, std::filesystem::file_type type);
  // A folder just made, which is empty: it needs no listing.
  void NoteFolderMade(const std::filesystem::path& host);

 private:
  struct Names {
    std::uint64_t lastUse = 0;
    std::unordered_map<std::string, std::vector<Entry>> byFolded;  // each list sorted by name
  };
  const Names* NamesOf(const std::string& folder);
  // Drops a folder and every folder known below it.
  void Forget(const std::string& folder);
  // Room for one more folder: drops the least recently used (and what is known below it).
  void MakeRoom();

  std::unordered_map<std::string, Names> m_folders;  // by host folder path
  std::uint64_t m_uses = 0;
};

}  // namespace sim
