#include "platform/sim/folder_cache.h"

#include <algorithm>
#include <system_error>

#include "platform/sim/short_names.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return folded;
}

// The type of a listed entry, from the listing itself where the host's
// folders tell it (no look at the entry).
fs::file_type EntryType(const fs::directory_entry& entry) {
  std::error_code ec;
  if (entry.is_symlink(ec)) return fs::file_type::symlink;
  if (!ec && entry.is_directory(ec)) return fs::file_type::directory;
  if (!ec && entry.is_regular_file(ec)) return fs::file_type::regular;
  return entry.symlink_status(ec).type();
}

}  // namespace

const FolderCache::Names* FolderCache::NamesOf(const std::string& key) {
  auto found = m_folders.find(key);
  if (found != m_folders.end()) {
    found->second.lastUse = ++m_uses;
    return &found->second;
  }
  // A folder that is no longer one (a link put in its place) has no entries.
  const fs::path folder(key);
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return nullptr;
  Names names;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::file_type type = EntryType(*it);
    std::string name = it->path().filename().string();
    names.byFolded[FoldName(name)].push_back({std::move(name), type});
  }
  if (ec) return nullptr;
  for (auto& [folded, entries] : names.byFolded) {
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
  }
  MakeRoom();
  names.lastUse = ++m_uses;
  return &(m_folders[key] = std::move(names));
}

std::optional<FolderCache::Entry> FolderCache::Find(const std::string& folder, const std::string& name) {
  const Names* names = NamesOf(folder);
  // "." and ".." are never entries of their own.
  if (names == nullptr || name == "." || name == "..") return std::nullopt;
  auto found = names->byFolded.find(FoldName(name));
  if (found != names->byFolded.end() && !found->second.empty()) {
    for (const Entry& entry : found->second) {
      if (entry.name == name) return entry;
    }
    return found->second.front();
  }
  // Not listed: an entry made from outside since the folder was listed, by
  // the very name asked for, or a short name.
  std::error_code ec;
  const fs::path asked(folder + '/' + name);
  const fs::file_status exact = fs::symlink_status(asked, ec);
  if (fs::exists(exact)) {
    NoteChanged(asked, exact.type());
    return Entry{name, exact.type()};
  }
  if (name.find('~') == std::string::npos) return std::nullopt;
  const std::optional<fs::path> other = FindByShortName(folder, name);
  if (!other) return std::nullopt;
  return Entry{other->filename().string(), fs::symlink_status(*other, ec).type()};
}

bool FolderCache::IsFreeName(const std::string& folder, std::string_view name) {
  const Names* names = NamesOf(folder);
  if (names == nullptr) return false;
  const auto found = names->byFolded.find(FoldName(name));
  return found == names->byFolded.end() || found->second.empty();
}

void FolderCache::Forget(const std::string& path) {
  m_folders.erase(path);
  const std::string below = path + "/";
  for (auto it = m_folders.begin(); it != m_folders.end();) {
    it = it->first.compare(0, below.size(), below) == 0 ? m_folders.erase(it) : std::next(it);
  }
}

void FolderCache::NoteChanged(const fs::path& host) {
  if (m_folders.empty()) return;
  std::error_code ec;
  NoteChanged(host, fs::symlink_status(host, ec).type());
}

void FolderCache::NoteChanged(const fs::path& host, fs::file_type type) {
  if (m_folders.empty()) return;
  const fs::file_status status(type);
  const std::string path = host.string();
  // A folder that went takes what was known below it along (a folder known
  // below is known itself: it was looked into on the way).
  if (!fs::is_directory(status) && m_folders.count(path) != 0) Forget(path);
  auto found = m_folders.find(host.parent_path().string());
  if (found == m_folders.end()) return;
  const std::string name = host.filename().string();
  std::vector<Entry>& entries = found->second.byFolded[FoldName(name)];
  entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; }),
                entries.end());
  if (!fs::exists(status) && entries.empty()) found->second.byFolded.erase(FoldName(name));
  if (fs::exists(status)) {
    const auto at = std::lower_bound(entries.begin(), entries.end(), name,
                                     [](const Entry& e, const std::string& n) { return e.name < n; });
    entries.insert(at, Entry{name, status.type()});
  }
}

void FolderCache::NoteFolderMade(const fs::path& host) {
  NoteChanged(host, fs::file_type::directory);
  MakeRoom();
  m_folders[host.string()] = Names{++m_uses, {}};
}

void FolderCache::MakeRoom() {
  if (m_folders.size() < kMaxKnownFolders) return;
  const auto oldest = std::min_element(m_folders.begin(), m_folders.end(), [](const auto& a, const auto& b) {
    return a.second.lastUse < b.second.lastUse;
  });
  Forget(std::string(oldest->first));
}

}  // namespace sim
