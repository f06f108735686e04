#include "script/source_disks.h"

#include "script/destination_dirs.h"
#include "script/script_line.h"
#include "script/setup_script.h"

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

std::string DiskLine(const CSetupScript& script, std::int32_t disk) {
  return script.GetSourceDisksNames().FindKey(std::to_string(disk));
}

std::string SourceFolderOf(const CSetupScript& script, const std::string& entry) {
  std::string root = script.GetContext().GetInstallFrom();
  std::string subfolder = script.GetField(entry, 2);
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

std::string FindSourceEntry(const CSetupScript& script, std::string_view line) {
  const CScriptSection& files = script.GetSourceDisksFiles();
  std::string tried;
  std::string entry = LookUp(files, script.GetField(line, 1), tried);
  if (entry.empty()) entry = LookUp(files, script.GetField(line, 0), tried);
  if (entry.empty()) script.GetMessages().ShowError(MSG_KEY_NOT_FOUND, tried, kSourceDisksFiles);
  return entry;
}

std::int32_t GetSourceSize(const CSetupScript& script, std::string_view line) {
  const std::string entry = FindSourceEntry(script, line);
  return entry.empty() ? 0 : GetFieldInt(entry, 3);
}

std::int32_t GetSourceDisk(const CSetupScript& script, std::string_view line) {
  const std::string entry = FindSourceEntry(script, line);
  return entry.empty() ? 0 : GetFieldInt(entry, 1);
}

std::string GetDiskDescription(const CSetupScript& script, std::string_view line) {
  const std::string disk = DiskLine(script, GetSourceDisk(script, line));
  return disk.empty() ? std::string() : script.GetField(disk, 1);
}

bool IsDiskListed(const CSetupScript& script, std::string_view line) {
  return !DiskLine(script, GetSourceDisk(script, line)).empty();
}

std::string GetSourceFolder(const CSetupScript& script, std::string_view line) {
  const std::string entry = FindSourceEntry(script, line);
  return entry.empty() ? std::string() : SourceFolderOf(script, entry);
}

std::int64_t GetListSize(const CSetupScript& script, const CScriptSection& copyList) {
  std::int64_t total = 0;
  for (const std::string& line : copyList.GetLines()) total += GetSourceSize(script, line);
  return total;
}

void BuildCopyRecords(const CSetupScript& script, const CScriptSection& copyList, std::vector<CFileRecord>& records) {
  const std::string destDir = ExpandDestination(script, copyList.GetLabel());
  for (const std::string& line : copyList.GetLines()) {
    // One lookup per record: a file without an entry is reported once.
    const std::string entry = FindSourceEntry(script, line);
    CFileRecord record;
    record.m_strSourceDir = entry.empty() ? std::string() : SourceFolderOf(script, entry);
    record.m_strDestDir = destDir;
    record.m_strSourceName = script.GetField(line, 1);
    record.m_strDestName = script.GetField(line, 0);
    record.m_nDiskNumber = entry.empty() ? 0 : GetFieldInt(entry, 1);
    const std::string disk = DiskLine(script, record.m_nDiskNumber);
    if (disk.empty()) {
      script.GetMessages().ShowError(MSG_DISK_NOT_LISTED, static_cast<int>(record.m_nDiskNumber));
    } else {
      record.m_strDiskLabel = script.GetField(disk, 1);
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

void RewriteSourceDisksForFloppy(CSetupScript& setupScript) {
  CScriptText& script = setupScript.GetText();
  // Every section of that name goes, or a later one would be found instead.
  while (script.DeleteSection(kSourceDisksFiles)) {
  }
  const std::string block = "[" + std::string(kSourceDisksFiles) + "]\r\n\r\n";
  script.InsertSectionText(kSourceDisksFiles, block.data(), static_cast<std::uint32_t>(block.size()));
  script.FindSection(kSourceDisksFiles);
  for (const std::string& line : setupScript.GetSourceDisksFiles().GetLines()) script.AppendLine(FloppySourceLine(line));
  setupScript.ReadSection(setupScript.GetSourceDisksFiles(), kSourceDisksFiles);
}
