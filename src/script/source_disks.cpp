#include "script/source_disks.h"

#include "app/install_app.h"
#include "script/destination_dirs.h"
#include "script/script_line.h"
#include "script/value_expansion.h"
#include "wizard/message_box.h"

namespace {

constexpr std::string_view kSourceDisksFiles = "SourceDisksFiles";

std::string CompressedName(std::string name) {
  if (!name.empty()) name.back() = '_';
  return name;
}

// The entry of a name or its compressed form; `tried` is the last name
// looked up. An empty name names nothing.
std::string LookUp(const CScriptSection& files, const std::string& name, std::string& tried) {
  if (name.empty()) return {};
  tried = name;
  std::string entry = files.FindKey(name);
  if (!entry.empty()) return entry;
  tried = CompressedName(name);
  return files.FindKey(tried);
}

std::string DiskLine(std::int32_t disk) { return TheApp().GetSourceDisksNames().FindKey(std::to_string(disk)); }

std::string SourceFolderOf(const std::string& entry) {
  std::string root = TheApp().GetContext().GetInstallFrom();
  std::string subfolder = GetField(entry, 2);
  if (subfolder.empty() || subfolder == ".") return root;
  if (subfolder.compare(0, 3, "..\\") == 0) {
    const std::size_t slash = root.rfind('\\');
    if (slash != std::string::npos) {
      subfolder.erase(0, 3);
      root.erase(slash);
    }
  }
  return root + "\\" + subfolder;
}

// A raw field written back so that reading the line expands it to itself:
// quoted when it holds anything the expansion or the comment cut acts on.
// Markers stay markers either way.
std::string AsScriptText(const std::string& field) {
  if (field.find_first_of("%@;") == std::string::npos) return field;
  return "\"" + field + "\"";
}

}  // namespace

std::string FindSourceEntry(std::string_view line) {
  const CScriptSection& files = TheApp().GetSourceDisksFiles();
  std::string tried;
  std::string entry = LookUp(files, GetField(line, 1), tried);
  if (entry.empty()) entry = LookUp(files, GetField(line, 0), tried);
  if (entry.empty()) CErrorBox().ShowError(MSG_KEY_NOT_FOUND, tried, kSourceDisksFiles);
  return entry;
}

std::int32_t GetSourceSize(std::string_view line) {
  const std::string entry = FindSourceEntry(line);
  return entry.empty() ? 0 : GetFieldInt(entry, 3);
}

std::int32_t GetSourceDisk(std::string_view line) {
  const std::string entry = FindSourceEntry(line);
  return entry.empty() ? 0 : GetFieldInt(entry, 1);
}

std::string GetDiskDescription(std::string_view line) {
  const std::string disk = DiskLine(GetSourceDisk(line));
  return disk.empty() ? std::string() : GetField(disk, 1);
}

bool IsDiskListed(std::string_view line) { return !DiskLine(GetSourceDisk(line)).empty(); }

std::string GetSourceFolder(std::string_view line) {
  const std::string entry = FindSourceEntry(line);
  return entry.empty() ? std::string() : SourceFolderOf(entry);
}

std::int64_t GetListSize(const CScriptSection& copyList) {
  std::int64_t total = 0;
  for (const std::string& line : copyList.GetLines()) total += GetSourceSize(line);
  return total;
}

void BuildCopyRecords(const CScriptSection& copyList, std::vector<CFileRecord>& records) {
  const std::string destDir = ExpandDestination(copyList.GetLabel());
  for (const std::string& line : copyList.GetLines()) {
    // One lookup per record: a file without an entry is reported once.
    const std::string entry = FindSourceEntry(line);
    CFileRecord record;
    record.m_strSourceDir = entry.empty() ? std::string() : SourceFolderOf(entry);
    record.m_strDestDir = destDir;
    record.m_strSourceName = GetField(line, 1);
    record.m_strDestName = GetField(line, 0);
    record.m_nDiskNumber = entry.empty() ? 0 : GetFieldInt(entry, 1);
    const std::string disk = DiskLine(record.m_nDiskNumber);
    if (disk.empty()) {
      CErrorBox().ShowError(MSG_DISK_NOT_LISTED, static_cast<int>(record.m_nDiskNumber));
    } else {
      record.m_strDiskLabel = GetField(disk, 1);
    }
    records.push_back(std::move(record));
  }
}

bool IsFloppySource(std::string_view folder) {
  if (folder.empty()) return false;
  const char drive = folder.front();
  return drive == 'A' || drive == 'a' || drive == 'B' || drive == 'b';
}

std::string FloppySourceLine(std::string_view line) {
  return AsScriptText(GetRawField(line, 0)) + "=" + AsScriptText(GetRawField(line, 1)) + ",," +
         AsScriptText(GetRawField(line, 3));
}

void RewriteSourceDisksForFloppy(CInstallApp& app) {
  CScriptText& script = app.GetScript();
  // Every section of that name goes, or a later one would be found instead.
  while (script.DeleteSection(kSourceDisksFiles)) {
  }
  const std::string block = "[" + std::string(kSourceDisksFiles) + "]\r\n\r\n";
  script.InsertSectionText(kSourceDisksFiles, block.data(), static_cast<std::uint32_t>(block.size()));
  script.FindSection(kSourceDisksFiles);
  for (const std::string& line : app.GetSourceDisksFiles().GetLines()) script.AppendLine(FloppySourceLine(line));
  app.GetSourceDisksFiles().Read(script, kSourceDisksFiles, &app.GetExpander());
}
