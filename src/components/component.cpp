#include "components/component.h"

#include <algorithm>
#include <limits>

#include "components/component_executors.h"
#include "components/component_list.h"
#include "platform/ascii_text.h"
#include "platform/registry.h"
#include "script/destination_dirs.h"
#include "script/script_line.h"
#include "script/setup_script.h"
#include "script/source_disks.h"
#include "core/registry_key.h"

namespace {

constexpr std::string_view kDestinationDirs = "DestinationDirs";
constexpr std::string_view kDefaultDestDir = "DefaultDestDir";
constexpr std::string_view kInstalledValue = "Installed";

bool HasKey(const CScriptSection& section, std::string_view key) { return !section.FindKey(key).empty(); }

// A "DestinationDirs" line counts only with something after its key.
std::string DestinationLine(const CSetupScript& script, std::string_view name) {
  std::string line = script.GetDestinationDirs().FindKey(name);
  if (!line.empty() && script.GetField(line, 1).empty() && script.GetField(line, 2).empty()) line.clear();
  return line;
}

// Backslash + 'n' becomes CR + LF in place: the text keeps its length.
void ConvertLineBreaks(std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\\' && text[i + 1] == 'n') {
      text[i] = '\r';
      text[i + 1] = '\n';
      ++i;
    }
  }
}

// The body of a section as the script holds it, header line left out.
std::string RawSectionText(CScriptText& script, std::string_view name) {
  const std::uint32_t length = script.FindSection(name);
  if (length == 0) return {};
  const std::string_view text = script.GetText();
  const std::size_t start = std::min<std::size_t>(script.GetSectionStart(), text.size());
  std::string_view section = text.substr(start, length);
  const std::size_t lineEnd = section.find('\n');
  return lineEnd == std::string_view::npos ? std::string() : std::string(section.substr(lineEnd + 1));
}

}  // namespace

std::int32_t AddSizes(std::int32_t a, std::int64_t b) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  // Holding b first keeps the 64-bit sum itself from wrapping.
  const std::int64_t sum = std::int64_t{a} + std::clamp(b, 4 * kMin, 4 * kMax);
  return static_cast<std::int32_t>(std::clamp(sum, kMin, kMax));
}

bool CComponent::IsSetup() const { return m_script.EqualNoCase(m_strName, kSetupComponent); }

bool CComponent::ReadSectionList(const CScriptSection& section, std::string_view key, bool needsDestination,
                                 std::vector<CScriptSection>& list) {
  const std::string line = section.FindKey(key);
  if (line.empty()) return false;
  for (int field = 1;; ++field) {
    const std::string name = m_script.GetField(line, field);
    if (name.empty()) break;
    list.emplace_back();
    CScriptSection& files = list.back();
    m_script.ReadSection(files, name);
    files.SetLabel(name);
    if (!needsDestination) continue;
    std::string destination = DestinationLine(m_script, name);
    if (destination.empty()) destination = DestinationLine(m_script, kDefaultDestDir);
    if (destination.empty()) {
      m_script.GetMessages().ShowError(MSG_KEY_NOT_FOUND, name, kDestinationDirs);
      files.SetLabel(std::string());
      return false;
    }
    files.SetLabel(GetDestinationTemplate(m_script, destination));
  }
  return true;
}

bool CComponent::Load(std::string_view sectionName, std::string_view defaultDescription, std::string_view setupTip) {
  CScriptSection section;
  if (!m_script.ReadSection(section, sectionName)) {
    m_script.GetMessages().ShowError(MSG_SECTION_NOT_FOUND, sectionName);
    return false;
  }
  if (m_strName.empty()) m_strName = std::string(sectionName);

  if (IsDriver()) {
    m_nFlags |= CF_CORE;
    m_dwTypeBits = 1;
  } else if (IsSetup()) {
    m_nFlags |= CF_INSTALLED | CF_CORE;
  }

  if (HasKey(section, "AdvancedComponent")) m_nFlags |= CF_ADVANCED;
  m_strDescription = m_script.GetField(section.FindKey("OptionDesc"), 1);
  if (m_strDescription.empty()) {
    if (IsDriver()) {
      m_strDescription = std::string(defaultDescription);
    } else {
      m_nFlags |= CF_HIDDEN;
      m_strDescription = std::string(sectionName);
    }
  }

  if (IsInstalled()) m_nFlags |= CF_INSTALLED;

  m_strTip = m_script.GetField(section.FindKey("Tip"), 1);
  if (m_strTip.empty()) m_strTip = IsDriver() ? std::string(setupTip) : m_strDescription;
  ConvertLineBreaks(m_strTip);
  m_strParentName = m_script.GetField(section.FindKey("Parent"), 1);
  if (HasKey(section, "Restart")) m_bRestart = true;
  if (HasKey(section, "Reboot")) m_bReboot = true;
  if (const std::string line = section.FindKey("Type"); !line.empty()) {
    m_dwTypeBits |= static_cast<std::uint32_t>(GetFieldInt(line, 1));
  }
  if (const std::string line = section.FindKey("Dependency"); !line.empty()) {
    m_dwDependencyBits |= static_cast<std::uint32_t>(GetFieldInt(line, 1));
  }

  ReadSectionList(section, "DelFiles", true, m_delFiles);
  ReadSectionList(section, "RenFiles", true, m_renFiles);
  ReadSectionList(section, "CopyFiles", true, m_copyFiles);
  // A present but empty "Uninstall" removes nothing; without one, removing
  // takes away what installing brought.
  if (!ReadSectionList(section, "Uninstall", true, m_uninstallFiles) && !IsDriver()) m_uninstallFiles = m_copyFiles;
  ReadSectionList(section, "ProgramGroups", false, m_programGroups);
  if (!IsDriver()) {
    ReadSectionList(section, "AddReg", false, m_addReg);
    ReadSectionList(section, "DelReg", false, m_delReg);
    ReadSectionList(section, "UpdateInis", false, m_updateInis);
  }
  if (!ReadSectionList(section, "UninstallReg", false, m_uninstallReg) && !IsDriver()) m_uninstallReg = m_addReg;
  ReadSectionList(section, "Execute", true, m_execute);
  ReadSectionList(section, "ExecuteUninstall", true, m_executeUninstall);

  m_strLicense = section.FindKey("License");
  m_nDiskSize = GetFieldInt(section.FindKey("DiskSize"), 1);

  m_nSize = m_nDiskSize;
  for (const CScriptSection& files : m_copyFiles) m_nSize = AddSizes(m_nSize, GetListSize(m_script, files));
  return true;
}

std::string CComponent::MarkerKey() const { return std::string(kInstalledMarkerRoot) + "\\" + m_strDescription; }

bool IsMarkerName(std::string_view description) {
  constexpr std::size_t kLongestKeyName = 255;
  constexpr std::string_view kRecord = "Install";
  if (description.empty() || description.size() > kLongestKeyName) return false;
  if (description.front() == ' ' || description.back() == ' ' || description.find('\\') != std::string_view::npos) {
    return false;
  }
  const bool record = ascii::EqualNoCase(description.substr(0, kRecord.size()), kRecord) &&
                      (description.size() == kRecord.size() || description[kRecord.size()] == '.');
  return !record;
}

bool IsMarkedInstalled(const platform::Platform& platform, std::string_view description) {
  if (!IsMarkerName(description)) return false;
  CRegistryKey key(platform, HKEY_LOCAL_MACHINE);
  if (!key.Open(std::string(kInstalledMarkerRoot) + "\\" + std::string(description))) return false;
  return key.ReadString(kInstalledValue) == "1";
}

bool CComponent::IsInstalled() const {
  if (IsSetup()) return true;
  return IsMarkedInstalled(m_script.GetContext().GetPlatform(), m_strDescription);
}

void CComponent::WriteInstalledMarker(Action action) const {
  if (action != Action::Install && action != Action::Remove) return;
  // Any other name would reach a key that is not this component's: the
  // root of every product's records, or a key below another one.
  if (!IsMarkerName(m_strDescription)) {
    m_script.GetMessages().ShowWarning(MSG_MARKER_NAME, m_strName);
    return;
  }
  if (action == Action::Install) {
    CRegistryKey key(m_script.GetContext().GetPlatform(), HKEY_LOCAL_MACHINE);
    if (key.Create(MarkerKey()) != 0) key.WriteString(kInstalledValue, "1");
  } else {
    CRegistryKey(m_script.GetContext().GetPlatform(), HKEY_LOCAL_MACHINE).DeleteTree(MarkerKey());
  }
}

Action CComponent::GetAction(std::uint32_t contextFlags) const {
  const bool installed = (m_nFlags & CF_INSTALLED) != 0;
  const bool none = GetState() == STATE_NONE;
  if ((contextFlags & SF_MAINTENANCE_WIZARD) == 0) {
    if (none) return installed ? Action::Remove : Action::None;
    return Action::Install;
  }
  if (contextFlags & SF_CHANGE_COMPONENTS) {
    if (installed) return none ? Action::Remove : Action::None;
    return none ? Action::None : Action::Install;
  }
  if (contextFlags & SF_INSTALL_AGAIN) return installed ? Action::Install : Action::None;
  if (contextFlags & SF_REMOVE) return installed ? Action::Remove : Action::None;
  return Action::None;
}

Action CComponent::GetAction() const { return GetAction(m_script.GetContext().GetFlags()); }

void CComponent::LinkToParent(CComponentList& list) {
  if (m_strParentName.empty()) return;
  CComponent* parent = list.Find(m_strParentName);
  if (parent == nullptr) return;
  // A parent chain that leads back here, or one too deep, is not linked:
  // every walk of the tree must end.
  int depth = 1;
  for (const CComponent* p = parent; p != nullptr; p = p->m_pParent, ++depth) {
    if (p == this || depth >= kMaxComponentDepth) return;
  }
  parent->m_children.push_back(this);
  m_pParent = parent;
}

// Action steps.

namespace {

CFileRecord DeleteRecord(const CSetupScript& script, const std::string& destDir, const std::string& line) {
  CFileRecord record;
  record.m_strDestDir = destDir;
  record.m_strDestName = script.GetField(line, 0);
  return record;
}

}  // namespace

void CComponent::QueueDeletes(StepPhase phase, std::vector<CFileRecord>& queue) const {
  if (GetAction() != ActionOf(phase)) return;
  const std::vector<CScriptSection>& lists = phase == StepPhase::ComponentsToInstall ? m_delFiles : m_uninstallFiles;
  for (const CScriptSection& files : lists) {
    const std::string destDir = ExpandDestination(m_script, files.GetLabel());
    for (const std::string& line : files.GetLines()) queue.push_back(DeleteRecord(m_script, destDir, line));
  }
}

void CComponent::QueueRenames(std::vector<CFileRecord>& queue) const {
  if (GetAction() != Action::Install) return;
  for (const CScriptSection& files : m_renFiles) {
    const std::string dir = ExpandDestination(m_script, files.GetLabel());
    for (const std::string& line : files.GetLines()) {
      CFileRecord record;
      record.m_strSourceDir = dir;
      record.m_strDestDir = dir;
      record.m_strDestName = m_script.GetField(line, 0);
      record.m_strSourceName = m_script.GetField(line, 1);
      if (record.m_strSourceName.empty()) record.m_strSourceName = record.m_strDestName;
      queue.push_back(std::move(record));
    }
  }
}

void CComponent::QueueCopies(std::vector<CFileRecord>& queue) const {
  if (GetAction() != Action::Install) return;
  for (const CScriptSection& files : m_copyFiles) BuildCopyRecords(m_script, files, queue);
}

std::size_t CComponent::CopyCount() const {
  std::size_t count = 0;
  if (GetAction() != Action::Install) return count;
  for (const CScriptSection& files : m_copyFiles) count += files.GetLines().size();
  return count;
}

void CComponent::RunRegistry(IComponentExecutors& executors) const {
  const Action action = GetAction();
  if (action == Action::None) return;
  CSetupContext& context = m_script.GetContext();
  if (m_bRestart) context.SetFlags((context.GetFlags() & ~SF_NO_RESTART) | SF_RESTART_NEEDED);
  if (m_bReboot) context.SetFlags((context.GetFlags() & ~SF_NO_RESTART) | SF_FULL_RESTART);
  if (action == Action::Install) {
    for (const CScriptSection& section : m_delReg) executors.RunRegistrySection(section, MODE_REMOVE);
    for (const CScriptSection& section : m_addReg) executors.RunRegistrySection(section, MODE_INSTALL);
  } else {
    for (const CScriptSection& section : m_uninstallReg) executors.RunRegistrySection(section, MODE_REMOVE);
  }
  if (!IsSetup()) WriteInstalledMarker(action);
}

void CComponent::RunIniUpdates(IComponentExecutors& executors) const {
  const Action action = GetAction();
  if (action == Action::None) return;
  for (const CScriptSection& section : m_updateInis) executors.RunIniSection(section, ModeOf(action));
}

void CComponent::RunProgramGroups(IComponentExecutors& executors) const {
  const Action action = GetAction();
  if (action == Action::None) return;
  for (const CScriptSection& section : m_programGroups) executors.RunProgramGroupSection(section, ModeOf(action));
}

CStepResult CComponent::RunExecute(StepPhase phase, IComponentExecutors& executors) const {
  const Action action = GetAction();
  if (action != ActionOf(phase)) return CStepResult::GoOn();
  const std::vector<CScriptSection>& lists =
      phase == StepPhase::ComponentsToInstall ? m_execute : m_executeUninstall;
  for (const CScriptSection& section : lists) {
    if (const CStepResult result = executors.RunProgramSection(section, ModeOf(action)); result.Stops()) {
      return result;
    }
  }
  return CStepResult::GoOn();
}

CStepResult CComponent::RunDisplayDriver(IComponentExecutors& executors) const {
  const Action action = GetAction();
  if (action == Action::None) return CStepResult::GoOn();
  return executors.InstallDisplayDriver(*this, action);
}

LicenseAnswer CComponent::ConfirmLicense(IComponentExecutors& executors) const {
  if ((m_nFlags & CF_INSTALLED) != 0 || GetAction() != Action::Install) return LicenseAnswer::Accepted;
  const std::string textSection = m_script.GetField(m_strLicense, 2);
  if (textSection.empty()) return LicenseAnswer::Accepted;
  return executors.ShowLicense(m_script.GetField(m_strLicense, 1), RawSectionText(m_script.GetText(), textSection));
}
