#include "check.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <tuple>

#include <nlohmann/json.hpp>

#include "actions/registry_actions.h"
#include "app/install_app.h"
#include "app/language_library.h"
#include "components/component.h"
#include "core/name_compare.h"
#include "display/device_chooser.h"
#include "display/hardware_detection.h"
#include "files/file_copy.h"
#include "install/prepare_script.h"
#include "json_text.h"
#include "install/setup_choice.h"
#include "platform/ascii_text.h"
#include "platform/platform.h"
#include "platform/sim/sim_platform.h"
#include "script/destination_dirs.h"
#include "script/merge_script.h"
#include "script/script_line.h"
#include "script/source_disks.h"
#include "script/value_expansion.h"
#include "szdd.h"

namespace fs = std::filesystem;

namespace winsim {
namespace {

constexpr std::string_view kDistributionDrive = "D:";
// The driver's service for Windows NT lives in the install section's
// ".Services" companion.
constexpr std::string_view kServicesSuffix = ".Services";

// One line of a script file: where it is and what reading keeps of it.
struct SourceLine {
  std::string file;
  std::string section;
  int line = 0;
  std::string content;
};

// The line number of a byte offset: CR LF, LF and a lone CR each end a line.
class LineTable {
 public:
  explicit LineTable(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) m_breaks.push_back(i);
    }
  }
  int LineOf(std::size_t offset) const {
    return static_cast<int>(std::lower_bound(m_breaks.begin(), m_breaks.end(), offset) - m_breaks.begin()) + 1;
  }

 private:
  std::vector<std::size_t> m_breaks;
};

// The sections of one script file as the reader sees them, every occurrence
// of a repeated name apart.
struct FileSection {
  std::string name;
  SourceLine header;
  std::vector<SourceLine> lines;
};

std::vector<FileSection> ReadFileSections(platform::IFileSystem& files, const std::string& windowsPath,
                                          const std::string& shownName, unsigned codePage) {
  std::vector<FileSection> sections;
  CScriptText text;
  text.SetCodePage(codePage);
  if (!text.Load(files, windowsPath)) return sections;
  const std::string_view whole = text.GetText();
  const LineTable lines(whole);
  for (std::string name = text.NextSectionName(); !name.empty(); name = text.NextSectionName()) {
    const std::string_view block = text.GetIteratedSection();
    if (block.empty()) continue;
    const std::size_t base = static_cast<std::size_t>(block.data() - whole.data());
    FileSection section{name, {shownName, name, lines.LineOf(base), "[" + name + "]"}, {}};
    CScriptText one;
    one.SetCodePage(codePage);
    one.LoadFromMemory(block.data(), block.size());
    ForEachSectionLine(one, name, [&](std::string_view content, std::uint32_t start) {
      section.lines.push_back({shownName, name, lines.LineOf(base + start), std::string(content)});
    });
    sections.push_back(std::move(section));
  }
  return sections;
}

// A section of the merged script with the file line of each of its lines.
struct LocatedSection {
  bool exists = false;
  std::string name;
  std::optional<SourceLine> header;
  std::vector<std::string> raw;       // as read, not expanded
  std::vector<std::string> expanded;  // as the system reads it
  std::vector<std::optional<SourceLine>> origin;
  // The file line of line i, else the header.
  std::optional<SourceLine> At(std::size_t i) const {
    if (i < origin.size() && origin[i]) return origin[i];
    return header;
  }
};

struct Severity {
  static constexpr const char* kError = "error";
  static constexpr const char* kWarning = "warning";
  static constexpr const char* kNote = "note";
};

std::string ShownPath(std::string_view windowsPath) {
  std::string path(windowsPath);
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') path.erase(0, 3);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
  return buffer;
}

bool IsDecimalText(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  return !text.empty() && IsAllDigits(text);
}

// Why a shortcut's group would lead out of the Start menu's programs folder,
// or empty when it names a folder below it: no "..", no drive, no leading
// backslash, none of /:*?"<>|, and a backslash only between two names.
std::string GroupNameFault(std::string_view group) {
  if (group.find("..") != std::string_view::npos) return "holds .., which climbs out of the programs folder";
  for (std::size_t i = 0; i + 1 < group.size(); ++i) {
    if (std::isalpha(static_cast<unsigned char>(group[i])) && group[i + 1] == ':') return "names a drive";
  }
  if (!group.empty() && group.front() == '\\') return "begins with \\, which leads to the root of the drive";
  if (const std::size_t bad = group.find_first_of("/:*?\"<>|"); bad != std::string_view::npos) {
    return std::string("holds ") + group[bad] + ", which a folder name cannot hold";
  }
  if (!group.empty() && (group.back() == '\\' || group.find("\\\\") != std::string_view::npos)) {
    return "has an empty folder name between its backslashes";
  }
  return {};
}

// Why a shortcut's name cannot be a file name in its group, or empty.
std::string ItemNameFault(std::string_view item) {
  if (item.find("..") != std::string_view::npos) return "holds .., which climbs out of the group";
  if (const std::size_t bad = item.find_first_of("\\/:*?\"<>|"); bad != std::string_view::npos) {
    return std::string("holds ") + item[bad] + ", which a file name cannot hold";
  }
  return {};
}

// Why a component description cannot be one key name below
// Software\TORQUIST, or empty.
std::string DescriptionFault(std::string_view description) {
  if (Trim(description).empty()) return "is empty";
  if (description.find('\\') != std::string_view::npos) return "holds \\";
  return {};
}

bool IsHex(std::string_view text, std::size_t digits) {
  return text.size() == digits &&
         std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// What is wrong with a PCI identifier's part after "PCI\": VEN_xxxx&DEV_xxxx,
// then &SUBSYS_xxxxxxxx, &REV_xx or &CC_xxxx(xx); empty when nothing is.
std::string PciIdentifierFault(std::string_view rest) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; start <= rest.size();) {
    const std::size_t amp = std::min(rest.find('&', start), rest.size());
    parts.push_back(rest.substr(start, amp - start));
    start = amp + 1;
  }
  auto upper = [](std::string_view part) { return ascii::ToUpper(std::string(part)); };
  auto classCode = [](const std::string& part) {
    return part.rfind("CC_", 0) == 0 && (IsHex(std::string_view(part).substr(3), 4) || IsHex(std::string_view(part).substr(3), 6));
  };
  // A class code alone (PCI\CC_0300) is a compatible identifier.
  if (parts.size() == 1 && classCode(upper(parts[0]))) return {};
  if (parts.empty() || upper(parts[0]).rfind("VEN_", 0) != 0) return "does not begin with VEN_ (or CC_ and a class code)";
  if (parts[0].rfind("VEN_", 0) != 0) return "writes ven_ in small letters; the search finds VEN_ and DEV_ in capitals";
  if (!IsHex(parts[0].substr(4), 4)) return "needs four hexadecimal digits after VEN_";
  if (parts.size() == 2 && classCode(upper(parts[1]))) return {};
  if (parts.size() < 2 || upper(parts[1]).rfind("DEV_", 0) != 0) return "has no DEV_ part after VEN_";
  if (parts[1].rfind("DEV_", 0) != 0) return "writes dev_ in small letters; the search finds VEN_ and DEV_ in capitals";
  if (!IsHex(parts[1].substr(4), 4)) return "needs four hexadecimal digits after DEV_";
  for (std::size_t i = 2; i < parts.size(); ++i) {
    const std::string part = upper(parts[i]);
    const bool known = (part.rfind("SUBSYS_", 0) == 0 && IsHex(std::string_view(part).substr(7), 8)) ||
                       (part.rfind("REV_", 0) == 0 && IsHex(std::string_view(part).substr(4), 2)) || classCode(part);
    if (!known) return "has a part " + std::string(parts[i]) + " that is none of SUBSYS_, REV_ and CC_ with their digits";
  }
  return {};
}

// A class GUID as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
bool IsClassGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash != (text[i] == '-') || (!dash && !std::isxdigit(static_cast<unsigned char>(text[i])))) return false;
  }
  return true;
}

// The keys of a component section that name section lists; where the lists
// must find a destination, the component leaves a list without one
// unlabelled.
struct ListKey {
  std::string_view key;
  std::vector<CScriptSection> CComponent::*member;
};
constexpr ListKey kListKeys[] = {
    {"DelFiles", &CComponent::m_delFiles},           {"RenFiles", &CComponent::m_renFiles},
    {"CopyFiles", &CComponent::m_copyFiles},         {"Uninstall", &CComponent::m_uninstallFiles},
    {"ProgramGroups", &CComponent::m_programGroups}, {"AddReg", &CComponent::m_addReg},
    {"DelReg", &CComponent::m_delReg},               {"UpdateInis", &CComponent::m_updateInis},
    {"UninstallReg", &CComponent::m_uninstallReg},   {"Execute", &CComponent::m_execute},
    {"ExecuteUninstall", &CComponent::m_executeUninstall}};
constexpr std::string_view kComponentKeys[] = {
    "OptionDesc", "Tip",      "Parent",  "AdvancedComponent", "Restart",  "Reboot",        "Type",
    "Dependency", "DelFiles", "RenFiles", "CopyFiles",        "Uninstall", "ProgramGroups", "AddReg",
    "DelReg",     "UpdateInis", "UninstallReg", "Execute",    "ExecuteUninstall", "License", "DiskSize"};

// One pass over the distribution on one machine: the setup program started
// as an unattended run in one language, its script prepared.
class Pass {
 public:
  Pass(sim::Machine& machine, std::vector<Finding>& findings) : m_machine(machine), m_findings(findings) {}

  bool Start(const std::string& commandLine) {
    m_platform = std::make_unique<sim::SimPlatform>(m_machine, std::string(kDistributionDrive) + "\\SETUP.EXE");
    m_platform->SetMessageAnswerer([this](const platform::MessageBoxRequest& request) {
      if (!m_muted) m_messages.push_back(request);
      return (request.type & 0xF) == MB_YESNO ? IDYES : IDOK;
    });
    m_app = std::make_unique<CInstallApp>(m_platform->Interfaces(), commandLine);
    if (!m_app->StartUp()) return false;
    CSetupContext& c = m_app->GetContext();
    MarkWizard(c, IsMaintenanceRun(c));
    ReadIncludes();
    CSilentPreparationView view;
    PrepareScript(m_app->GetSession(), view, nullptr);
    if (m_app->GetScript().GetLength() == 0) return false;
    ReadMainFile();
    return true;
  }

  CInstallApp& App() { return *m_app; }
  std::vector<platform::MessageBoxRequest>& Messages() { return m_messages; }

  void Add(const std::optional<SourceLine>& where, const char* severity, const char* code, std::string message) {
    Finding f;
    if (where) {
      f.file = where->file;
      f.section = where->section;
      f.line = where->line;
    } else {
      f.file = ShownPath(m_app->GetContext().GetScriptPath());
    }
    f.severity = severity;
    f.code = code;
    f.message = std::move(message);
    m_findings.push_back(std::move(f));
  }

  // The merged section with the file line of each of its lines, as the
  // merge noted where it read them.
  const LocatedSection& Locate(const std::string& name) {
    const std::string folded = Fold(name);
    if (auto it = m_located.find(folded); it != m_located.end()) return it->second;
    LocatedSection& s = m_located[folded];
    s.name = name;
    CSetupScript& script = m_app->GetSetupScript();
    CScriptText& text = script.GetText();
    auto where = [&](std::uint32_t pos, std::string content) -> std::optional<SourceLine> {
      const auto origin = text.OriginOf(pos);
      if (!origin) return std::nullopt;
      return SourceLine{ShownPath(origin->file), name, origin->line, std::move(content)};
    };
    s.exists = ForEachSectionLine(text, name, [&](std::string_view content, std::uint32_t start) {
      s.raw.emplace_back(content);
      s.origin.push_back(where(start, s.raw.back()));
    });
    if (s.exists) s.header = where(text.GetSectionStart(), "[" + name + "]");
    {
      Mute mute(*this);
      s.expanded = script.ReadSection(name).GetLines();
    }
    return s;
  }

  // The first line of the section whose key is `key`, or none.
  std::optional<std::size_t> KeyLine(const LocatedSection& s, std::string_view key) {
    for (std::size_t i = 0; i < s.raw.size(); ++i) {
      if (Fold(GetKey(s.raw[i])) == Fold(key)) return i;
    }
    return std::nullopt;
  }

  std::string Fold(std::string_view text) const { return FoldCase(text, m_app->GetSetupScript().GetCodePage()); }
  bool EqualsFold(std::string_view a, std::string_view b) const { return Fold(a) == Fold(b); }

  struct Mute {
    explicit Mute(Pass& pass) : m_pass(pass), m_was(pass.m_muted) { pass.m_muted = true; }
    ~Mute() { m_pass.m_muted = m_was; }
    Pass& m_pass;
    bool m_was;
  };

  const std::vector<std::pair<std::size_t, std::string>>& Includes() const { return m_includes; }
  // The main script's sections as its file holds them, repeated names and
  // the include list (which merging drops) among them.
  const std::vector<FileSection>& MainFileSections() const { return m_mainFile; }

  // Expands one line alone; answers the messages it raised.
  std::vector<platform::MessageBoxRequest> ExpandAlone(std::string_view line) {
    const std::size_t before = m_messages.size();
    m_app->GetExpander().Expand(line);
    std::vector<platform::MessageBoxRequest> raised(m_messages.begin() + static_cast<std::ptrdiff_t>(before),
                                                    m_messages.end());
    m_messages.resize(before);
    return raised;
  }

 private:
  // The "IncludeInf" lines as the preparation reads them: before the string
  // sections, and the scripts they load.
  void ReadIncludes() {
    Mute mute(*this);
    CSetupScript& script = m_app->GetSetupScript();
    if (!script.GetText().Load(m_app->GetContext().GetPlatform().Files(), m_app->GetContext().GetScriptPath())) return;
    const CScriptSection includes = script.ReadSection("IncludeInf");
    for (std::size_t i = 0; i < includes.GetLines().size(); ++i) {
      std::string name;
      CScriptText included;
      if (LoadIncludedScript(m_app->GetContext().GetPlatform().Files(), included, m_app->GetContext().GetSetupDir(),
                             includes.GetLines()[i], name)) {
        m_includes.emplace_back(i, m_app->GetContext().GetSetupDir() + "\\" + name);
      } else {
        m_includes.emplace_back(i, std::string());
      }
    }
  }

  void ReadMainFile() {
    const unsigned codePage = m_app->GetSetupScript().GetCodePage();
    const std::string mainPath = m_app->GetContext().GetScriptPath();
    m_mainFile = ReadFileSections(m_app->GetContext().GetPlatform().Files(), mainPath, ShownPath(mainPath), codePage);
  }

  sim::Machine& m_machine;
  std::vector<Finding>& m_findings;
  std::unique_ptr<sim::SimPlatform> m_platform;
  std::unique_ptr<CInstallApp> m_app;
  std::vector<platform::MessageBoxRequest> m_messages;
  bool m_muted = false;
  std::vector<std::pair<std::size_t, std::string>> m_includes;  // IncludeInf line -> script loaded, or empty
  std::vector<FileSection> m_mainFile;
  std::map<std::string, LocatedSection> m_located;
};

// ---- The checks ------------------------------------------------------------

class Checker {
 public:
  Checker(Pass& pass, bool forNT) : m_pass(pass), m_script(pass.App().GetSetupScript()), m_forNT(forNT) {}

  void Run() {
    Includes();
    DuplicateSections();
    for (const char* name : {"DestinationDirs", "SourceDisksFiles", "SourceDisksNames", "Strings", "Version"}) {
      DuplicateKeys(m_pass.Locate(name), {});
    }
    for (const FileSection& s : m_pass.MainFileSections()) {
      if (m_pass.Fold(s.name).rfind(m_pass.Fold("Strings."), 0) == 0) DuplicateKeys(m_pass.Locate(s.name), {});
    }
    DirectoryCodes();
    // In the order the list is built: setup, adapter models, optional ones.
    LoadComponent(std::string(kSetupComponent), std::nullopt, {});
    Drivers();
    Components();
    for (auto& component : m_components) ComponentSections(*component);
    Tree();
    SetupCopy();
  }

  // The driver components, each with the models line that made it.
  const std::vector<std::pair<std::string, SourceLine>>& DriverLines() const { return m_driverLines; }

 private:
  void Includes() {
    // The preparation deleted the section from the merged text: its lines
    // are the main script's.
    const FileSection* section = nullptr;
    for (const FileSection& s : m_pass.MainFileSections()) {
      if (m_pass.Fold(s.name) == m_pass.Fold("IncludeInf")) {
        section = &s;
        break;
      }
    }
    for (const auto& [index, path] : m_pass.Includes()) {
      if (!path.empty() || section == nullptr || index >= section->lines.size()) continue;
      const SourceLine& where = section->lines[index];
      m_pass.Add(where, Severity::kError, "include-missing",
                 "the included script " + std::string(Trim(where.content)) + " is neither there nor in the setup folder; it is skipped");
    }
  }

  void DuplicateSections() {
    std::map<std::string, const FileSection*> first;
    for (const FileSection& s : m_pass.MainFileSections()) {
      auto [it, added] = first.emplace(m_pass.Fold(s.name), &s);
      if (!added) {
        m_pass.Add(s.header, Severity::kWarning, "duplicate-section",
                   "section [" + s.name + "] is already at line " + std::to_string(it->second->header.line) +
                       "; this one is never read");
      }
    }
  }

  void DuplicateKeys(const LocatedSection& s, std::span<const std::string_view> only) {
    std::map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < s.raw.size(); ++i) {
      const std::string key = GetKey(s.raw[i]);
      if (key.empty()) continue;
      if (!only.empty() && std::none_of(only.begin(), only.end(), [&](std::string_view k) {
            return m_pass.Fold(k) == m_pass.Fold(key);
          })) {
        continue;
      }
      auto [it, added] = seen.emplace(m_pass.Fold(key), i);
      if (added) continue;
      const auto first = s.At(it->second);
      m_pass.Add(s.At(i), Severity::kWarning, "duplicate-key",
                 "key " + key + " is already at line " + std::to_string(first ? first->line : 0) +
                     " of [" + s.name + "]; the first wins and this one is never read");
    }
  }

  // The components of "Optional Components", each loaded as the component
  // list loads it, before any is pruned.
  void Components() {
    const LocatedSection& optional = m_pass.Locate("Optional Components");
    for (std::size_t i = 0; i < optional.expanded.size(); ++i) {
      const std::string name = m_script.RestoreMarkers(optional.expanded[i]);
      if (name.empty()) break;
      LoadComponent(name, optional.At(i), {});
    }
  }

  CComponent* LoadComponent(const std::string& name, const std::optional<SourceLine>& namedAt,
                            const std::string& driverClass, const std::string& description = {}) {
    const LocatedSection& section = m_pass.Locate(name);
    if (!section.exists) {
      m_pass.Add(namedAt, Severity::kError, "missing-section",
                 "component section [" + name + "] does not exist (message 1088 stops the setup)");
      return nullptr;
    }
    auto component = std::make_unique<CComponent>(m_script, name);
    component->m_strDriverClass = driverClass;
    {
      Pass::Mute mute(m_pass);
      component->Load(name, description, {});
    }
    m_components.push_back(std::move(component));
    return m_components.back().get();
  }

  void Drivers() {
    const LocatedSection& manufacturer = m_pass.Locate("Manufacturer");
    if (manufacturer.expanded.empty()) return;
    const LocatedSection& version = m_pass.Locate("Version");
    const std::string deviceClass = m_script.GetField(version.expanded.empty() ? std::string() : [&] {
      const auto line = m_pass.KeyLine(version, "Class");
      return line ? version.expanded[*line] : std::string();
    }(), 1);
    if (m_script.EqualNoCase(deviceClass, "Software")) return;
    if (deviceClass.empty()) {
      m_pass.Add(version.exists ? version.header : manufacturer.At(0), Severity::kError, "missing-key",
                 "[Version] has no Class, so no adapter model can be installed (message " +
                     std::string(version.exists ? "1089" : "1086") + ")");
    }
    if (m_forNT) ClassGuid(version);
    const std::string modelsName = m_script.GetField(manufacturer.expanded[0], 1);
    const LocatedSection& models = m_pass.Locate(modelsName);
    if (models.expanded.empty()) {
      m_pass.Add(manufacturer.At(0), Severity::kError, "missing-section",
                 "models section [" + modelsName + "] does not exist or is empty (message 1088 stops the setup)");
      return;
    }
    for (std::size_t i = 0; i < models.expanded.size(); ++i) {
      const std::string& line = models.expanded[i];
      if (m_script.RestoreMarkers(line).empty()) break;
      const std::string install = m_script.GetField(line, 1);
      if (HardwareIdentifiers(m_script, line).empty()) {
        m_pass.Add(models.At(i), Severity::kError, "model-no-hardware-id",
                   "model " + m_script.GetKey(line) + " names no hardware identifier, so it never matches an adapter");
      } else {
        HardwareIds(line, models.At(i));
      }
      if (install.empty() || !m_pass.Locate(install).exists) {
        m_pass.Add(models.At(i), Severity::kError, "missing-section",
                   "install section [" + install + "] of model " + m_script.GetKey(line) +
                       " does not exist; the model is passed over");
        continue;
      }
      if (m_forNT) {
        const LocatedSection& services = m_pass.Locate(install + std::string(kServicesSuffix));
        if (services.expanded.empty() || m_script.GetField(services.expanded[0], 1).empty()) {
          m_pass.Add(m_pass.Locate(install).header, Severity::kError, "nt-services-missing",
                     "[" + install + std::string(kServicesSuffix) +
                         "] with the driver's service is missing, so the driver cannot be installed on Windows NT");
        }
      }
      if (!m_drivers.insert(m_pass.Fold(install)).second) continue;
      if (LoadComponent(install, models.At(i), deviceClass.empty() ? "Display" : deviceClass, m_script.GetKey(line)) &&
          models.At(i)) {
        m_driverLines.emplace_back(m_components.back()->m_strName, *models.At(i));
      }
    }
  }

  // The device installer of Windows NT takes the device's class from
  // [Version]; without a class GUID it cannot create the device.
  void ClassGuid(const LocatedSection& version) {
    const auto line = m_pass.KeyLine(version, "ClassGUID");
    const std::string guid = line ? m_script.GetField(version.expanded[*line], 1) : std::string();
    if (IsClassGuid(guid)) return;
    const std::string fix = "; display adapters take ClassGUID={4D36E968-E325-11CE-BFC1-08002BE10318}";
    if (!line) {
      m_pass.Add(version.exists ? version.header : std::nullopt, Severity::kError, "nt-classguid-missing",
                 "there is no ClassGUID, so the device installer of Windows NT cannot create the device and the "
                 "driver is not installed (message 1082)" + fix);
    } else {
      m_pass.Add(version.At(*line), Severity::kError, "nt-classguid-missing",
                 "ClassGUID " + guid + " is not a class GUID such as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, so the "
                 "device installer of Windows NT cannot create the device (message 1082)" + fix);
    }
  }

  // Each hardware identifier of a models line must be one the searches can
  // find: PCI\VEN_xxxx&DEV_xxxx…, *PNPxxxx, or ENUMERATOR\ID.
  void HardwareIds(const std::string& line, const std::optional<SourceLine>& where) {
    std::vector<std::string> fields;
    for (int f = 2; f < 1000; ++f) {
      std::string id = m_script.GetField(line, f);
      if (id.empty()) {
        if (f == 2) continue;
        break;
      }
      fields.push_back(std::move(id));
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const std::string& field = fields[i];
      const std::string id = field.front() == '*' ? field.substr(1) : field;
      const std::string upper = ascii::ToUpper(id);
      std::string fault;
      if (upper.rfind("PCI\\", 0) == 0) {
        fault = PciIdentifierFault(std::string_view(id).substr(4));
        // "PCI\VEN_1C7A,DEV_0002": the comma split one identifier in two.
        if (!fault.empty() && i + 1 < fields.size() && ascii::ToUpper(fields[i + 1]).rfind("DEV_", 0) == 0 &&
            upper.find("DEV_") == std::string::npos) {
          m_pass.Add(where, Severity::kError, "hardware-id-malformed",
                     "hardware identifier " + field + "," + fields[i + 1] +
                         " is split in two by its comma; join VEN_ and DEV_ with &: " + field + "&" + fields[i + 1]);
          ++i;
          continue;
        }
      } else if (field.front() == '*') {
        if (id.empty() || !std::all_of(id.begin(), id.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
          fault = "is not a device identifier such as *PNP0900";
        }
      } else if (id.find('\\') == std::string::npos || id.front() == '\\' || id.back() == '\\') {
        fault = "is not a hardware identifier: it needs its enumerator, as in PCI\\VEN_1A5C&DEV_0330";
      } else if (id.find_first_of(" ,;=\"") != std::string::npos) {
        fault = "holds a character a hardware identifier cannot hold";
      }
      if (fault.empty()) continue;
      m_pass.Add(where, Severity::kError, "hardware-id-malformed",
                 "hardware identifier " + field + " " + fault + ", so no adapter is ever found by it");
    }
  }

  void ComponentSections(CComponent& component) {
    const LocatedSection& section = m_pass.Locate(component.m_strName);
    DuplicateKeys(section, kComponentKeys);
    for (const ListKey& list : kListKeys) {
      const auto keyLine = m_pass.KeyLine(section, list.key);
      if (!keyLine) continue;
      const std::vector<CScriptSection>& read = component.*list.member;
      for (int field = 1;; ++field) {
        const std::string name = m_script.GetField(section.expanded[*keyLine], field);
        if (name.empty()) break;
        if (!m_pass.Locate(name).exists) {
          m_pass.Add(section.At(*keyLine), Severity::kError, "missing-section",
                     std::string(list.key) + " names [" + name + "], which does not exist");
        }
      }
      for (const CScriptSection& files : read) {
        if (!files.GetLabel().empty()) continue;
        // A line that names a directory code without a folder is reported there.
        const std::size_t index = static_cast<std::size_t>(&files - read.data());
        if (!DestinationLine(m_script.GetField(section.expanded[*keyLine], static_cast<int>(index) + 1)).empty()) continue;
        m_pass.Add(section.At(*keyLine), Severity::kError, "missing-destination",
                   "[DestinationDirs] has no line for " + std::string(list.key) + " list " +
                       m_script.GetField(section.expanded[*keyLine], static_cast<int>(&files - read.data()) + 1) +
                       " and no DefaultDestDir (message 1089)");
      }
    }
    for (const CScriptSection& files : component.m_copyFiles) CopyList(files);
    for (const auto* lists : {&component.m_addReg, &component.m_delReg, &component.m_uninstallReg}) {
      for (const CScriptSection& registry : *lists) RegistryList(registry, lists == &component.m_addReg);
    }
    for (const CScriptSection& programs : component.m_execute) ProgramList(programs);
    for (const CScriptSection& groups : component.m_programGroups) ProgramGroupList(groups);
    Description(component);
    Licence(component, section);
    for (const char* key : {"Type", "Dependency"}) {
      const auto line = m_pass.KeyLine(section, key);
      if (line && !IsDecimalText(m_script.GetField(section.expanded[*line], 1))) {
        m_pass.Add(section.At(*line), Severity::kWarning, "bits-not-decimal",
                   std::string(key) + " is read as a decimal number; " + m_script.GetField(section.expanded[*line], 1) +
                       " gives " + std::to_string(GetFieldInt(section.expanded[*line], 1)));
      }
    }
  }

  void Licence(const CComponent& component, const LocatedSection& section) {
    const std::string textSection = m_script.GetField(component.m_strLicense, 2);
    if (textSection.empty()) return;
    const auto line = m_pass.KeyLine(section, "License");
    const LocatedSection& text = m_pass.Locate(textSection);
    if (!text.exists) {
      m_pass.Add(section.At(line.value_or(0)), Severity::kError, "missing-section",
                 "licence text [" + textSection + "] does not exist");
    } else if (text.raw.empty()) {
      m_pass.Add(text.header, Severity::kError, "licence-empty",
                 "licence text [" + textSection + "] is empty: the licence dialog would show nothing to accept");
    }
  }

  // Whether a source file is in its folder under a name the copy looks for.
  enum class Presence { There, CompressedElsewhere, Missing };
  Presence SourcePresence(const CFileRecord& record, std::string& found) {
    CFileRecord r = record;
    if (r.m_strSourceName.empty()) r.m_strSourceName = r.m_strDestName;
    for (const std::string& name : SourceNameCandidates(m_script, r)) {
      if (m_script.GetContext().GetPlatform().Files().FileExists(JoinPath(r.m_strSourceDir, name))) {
        found = JoinPath(r.m_strSourceDir, name);
        return Presence::There;
      }
    }
    for (const std::string& name : {r.m_strSourceName, r.m_strDestName}) {
      const std::string compressed = szdd::CompressedName(name);
      if (m_script.GetContext().GetPlatform().Files().FileExists(JoinPath(r.m_strSourceDir, compressed))) {
        found = compressed;
        return Presence::CompressedElsewhere;
      }
    }
    return Presence::Missing;
  }

  void CopyList(const CScriptSection& files) {
    if (files.GetLabel().empty()) return;
    const LocatedSection& located = LocateList(files);
    if (!m_copyListsDone.insert(m_pass.Fold(located.name)).second) return;
    std::vector<CFileRecord> records;
    {
      Pass::Mute mute(m_pass);
      BuildCopyRecords(m_script, files, records);
    }
    for (std::size_t i = 0; i < files.GetLines().size(); ++i) {
      const std::string& line = files.GetLines()[i];
      std::string entry;
      {
        Pass::Mute mute(m_pass);
        entry = FindSourceEntry(m_script, line);
      }
      if (entry.empty()) {
        m_pass.Add(located.At(i), Severity::kError, "file-missing",
                   "file " + m_script.GetField(line, 0) + " has no [SourceDisksFiles] entry (message 1089)");
        continue;
      }
      bool listed;
      {
        Pass::Mute mute(m_pass);
        listed = IsDiskListed(m_script, line);
      }
      if (!listed) UnlistedDisk(entry);
      if (i >= records.size()) continue;
      std::string found;
      switch (SourcePresence(records[i], found)) {
        case Presence::Missing:
          m_pass.Add(located.At(i), Severity::kError, "file-missing",
                     "file " + m_script.GetField(line, 0) + " is not in " + ShownFolder(records[i].m_strSourceDir));
          break;
        case Presence::CompressedElsewhere:
          m_pass.Add(located.At(i), Severity::kError, "file-compressed-name",
                     "file " + m_script.GetField(line, 0) + " is in " + ShownFolder(records[i].m_strSourceDir) +
                         " only as " + found + ", a name the copy does not look for");
          break;
        case Presence::There: Size(line, entry, found); break;
      }
    }
  }

  std::string ShownFolder(const std::string& folder) {
    const std::string shown = ShownPath(folder);
    return shown.empty() || shown == kDistributionDrive ? std::string("the distribution's root") : shown;
  }

  // The section a read list came from (its label may be its destination).
  const LocatedSection& LocateList(const CScriptSection& files) {
    for (const auto& component : m_components) {
      for (const ListKey& list : kListKeys) {
        const auto& read = (*component).*list.member;
        for (std::size_t i = 0; i < read.size(); ++i) {
          if (&read[i] != &files) continue;
          const LocatedSection& section = m_pass.Locate(component->m_strName);
          const auto keyLine = m_pass.KeyLine(section, list.key);
          if (keyLine) return m_pass.Locate(m_script.GetField(section.expanded[*keyLine], static_cast<int>(i) + 1));
        }
      }
    }
    return m_pass.Locate(files.GetLabel());
  }

  void Size(const std::string& line, const std::string& entry, const std::string& path) {
    const std::string declared = m_script.GetField(entry, 3);
    if (declared.empty()) return;  // no size given: nothing to compare
    const std::string key = m_script.GetKey(entry);
    if (!m_sizesDone.insert(m_pass.Fold(key)).second) return;
    std::vector<char> bytes;
    if (!m_script.GetContext().GetPlatform().Files().ReadWholeFile(path, bytes)) return;
    std::size_t size = bytes.size();
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (szdd::IsCompressed(data)) {
      std::string error;
      const auto expanded = szdd::Expand(data, error);
      if (!expanded) return;
      size = expanded->data.size();
    }
    std::int32_t expected;
    {
      Pass::Mute mute(m_pass);
      expected = GetSourceSize(m_script, line);
    }
    if (expected >= 0 && static_cast<std::size_t>(expected) == size) return;
    const LocatedSection& disks = m_pass.Locate("SourceDisksFiles");
    const auto at = m_pass.KeyLine(disks, key);
    m_pass.Add(disks.At(at.value_or(0)), Severity::kWarning, "size-mismatch",
               key + " is given as " + std::to_string(expected) + " bytes but is " + std::to_string(size) +
                   " bytes, so the space check counts it wrong");
  }

  void RegistryList(const CScriptSection& registry, bool writes) {
    const LocatedSection& located = m_pass.Locate(registry.GetLabel());
    if (!m_registryDone.insert(m_pass.Fold(located.name) + (writes ? "+" : "-")).second) return;
    for (std::size_t i = 0; i < registry.GetLines().size(); ++i) {
      const std::string& line = registry.GetLines()[i];
      // A line too long to expand keeps no fields: its length is the fault.
      if (i < located.raw.size() && TooLong(located.raw[i])) continue;
      const std::string root = m_script.GetField(line, 0);
      if (!IsRegistryRoot(root)) {
        m_pass.Add(located.At(i), Severity::kError, "registry-root",
                   "root " + root + " is none of HKCR, HKCU, HKLM, HKU (message 1096)");
        continue;
      }
      if (m_script.GetField(line, 1).empty()) {
        m_pass.Add(located.At(i), Severity::kError, "registry-root", "the line names no key (message 1096)");
        continue;
      }
      if (!writes) continue;
      const std::string flags = m_script.GetField(line, 3);
      if (!flags.empty() && (!IsDecimalText(flags) || !IsKnownRegistryFlags(GetFieldInt(line, 3)))) {
        m_pass.Add(located.At(i), Severity::kWarning, "registry-flags",
                   "flags " + flags + " choose no value type; the value is written as a string");
      }
    }
  }

  void ProgramList(const CScriptSection& programs) {
    const LocatedSection& located = LocateList(programs);
    if (!m_programsDone.insert(m_pass.Fold(located.name)).second) return;
    for (std::size_t i = 0; i < programs.GetLines().size(); ++i) {
      const std::string& line = programs.GetLines()[i];
      if (!m_script.GetField(line, 0).empty()) continue;
      const std::string program = m_script.GetField(line, 1);
      std::string entry;
      {
        Pass::Mute mute(m_pass);
        entry = FindSourceEntry(m_script, program);
      }
      if (entry.empty()) {
        m_pass.Add(located.At(i), Severity::kError, "program-not-on-disk",
                   "program " + program + " has no [SourceDisksFiles] entry, so no disk holds it");
        continue;
      }
      CFileRecord record;
      {
        Pass::Mute mute(m_pass);
        record.m_strSourceDir = GetSourceFolder(m_script, program);
      }
      record.m_strSourceName = record.m_strDestName = program;
      std::string found;
      if (SourcePresence(record, found) != Presence::There) {
        m_pass.Add(located.At(i), Severity::kError, "program-not-on-disk",
                   "program " + program + " is not in " + ShownFolder(record.m_strSourceDir));
      }
    }
  }

  bool TooLong(const std::string& raw) {
    for (const auto& message : m_pass.ExpandAlone(raw)) {
      if (message.messageId == MSG_VALUE_TOO_LONG) return true;
    }
    return false;
  }

  // The "DestinationDirs" line a list takes: its own with a value, else
  // "DefaultDestDir" with one; empty when neither.
  std::string DestinationLine(const std::string& list) {
    for (const std::string& key : {list, std::string("DefaultDestDir")}) {
      const std::string line = m_script.GetDestinationDirs().FindKey(key);
      if (!line.empty() && (!m_script.GetField(line, 1).empty() || !m_script.GetField(line, 2).empty())) return line;
    }
    return {};
  }

  // Directory codes that name no folder on this system.
  void DirectoryCodes() {
    const LocatedSection& dirs = m_pass.Locate("DestinationDirs");
    for (std::size_t i = 0; i < dirs.expanded.size(); ++i) {
      const std::string& line = dirs.expanded[i];
      const std::string key = m_script.GetKey(line);
      if (m_pass.EqualsFold(key, "Setup.Copy")) continue;
      const std::string code = m_script.GetField(line, 1);
      if (!IsAllDigits(code) || (code.empty() && m_script.GetField(line, 2).empty())) continue;
      std::string folder;
      {
        Pass::Mute mute(m_pass);
        folder = DirectoryFromCode(m_script, GetFieldInt(line, 1));
      }
      if (!folder.empty()) continue;
      m_pass.Add(dirs.At(i), Severity::kError, "bad-directory-code",
                 "directory code " + (code.empty() ? std::string("0") : code) + " of " + key + " names no folder on " +
                     (m_forNT ? "Windows NT (message 1091)" : "Windows 95/98") +
                     ", so its files would go nowhere; use 10 (Windows folder), 11 (system folder), 12 (drivers "
                     "folder) or a folder name below the destination, such as " + key + "=Tools");
    }
  }

  void UnlistedDisk(const std::string& entry) {
    const std::string key = m_script.GetKey(entry);
    if (!m_disksDone.insert(m_pass.Fold(key)).second) return;
    const std::string disk = m_script.GetField(entry, 1);
    const LocatedSection& files = m_pass.Locate("SourceDisksFiles");
    const auto at = m_pass.KeyLine(files, key);
    m_pass.Add(files.At(at.value_or(0)), Severity::kError, "disk-unlisted",
               "disk " + (disk.empty() ? std::string("0") : disk) + " of " + key +
                   " is not in [SourceDisksNames] (message 1090): add the line " + (disk.empty() ? "0" : disk) +
                   "=\"DISK DESCRIPTION\" there, or give the file a disk it lists");
  }

  // Shortcuts stay below the Start menu's programs folder.
  void ProgramGroupList(const CScriptSection& groups) {
    const LocatedSection& located = LocateList(groups);
    if (!m_groupsDone.insert(m_pass.Fold(located.name)).second) return;
    for (std::size_t i = 0; i < groups.GetLines().size(); ++i) {
      const std::string& line = groups.GetLines()[i];
      const std::string group = m_script.GetField(line, 0), item = m_script.GetField(line, 1);
      std::string fault;
      if (const std::string why = GroupNameFault(group); !why.empty()) {
        fault = "group " + group + " " + why;
      } else if (const std::string whyItem = ItemNameFault(item); !whyItem.empty()) {
        fault = "shortcut name " + item + " " + whyItem;
      }
      if (fault.empty()) continue;
      m_pass.Add(located.At(i), Severity::kError, "shortcut-name",
                 fault + ": the line makes no shortcut; name a group below the programs folder (such as \"Maker "
                 "Product\") and a shortcut without \\/:*?\"<>|");
    }
  }

  // A component's installed marker is the key Software\TORQUIST\DESCRIPTION:
  // a description that cannot be one key name leaves it unrecorded.
  void Description(const CComponent& component) {
    if (component.IsSetup()) return;
    const std::string fault = DescriptionFault(component.m_strDescription);
    if (fault.empty()) return;
    const LocatedSection& section = m_pass.Locate(component.m_strName);
    std::optional<SourceLine> where = section.header;
    if (const auto line = m_pass.KeyLine(section, "OptionDesc")) {
      where = section.At(*line);
    } else {
      for (const auto& [name, line] : m_driverLines) {
        if (m_pass.EqualsFold(name, component.m_strName)) where = line;
      }
    }
    m_pass.Add(where, Severity::kError, "description-not-key",
               "description \"" + component.m_strDescription + "\" of " + component.m_strName + " " + fault +
                   ", so it cannot name the key that records the component as installed (message 1182): "
                   "the component could not be maintained or removed; give it a description without \\");
  }

  // The component named Setup must copy SETUP.EXE into the folder
  // Setup.Copy names: only a program started from there maintains, and so
  // removes, the installation.
  void SetupCopy() {
    const LocatedSection& dirs = m_pass.Locate("DestinationDirs");
    const auto line = m_pass.KeyLine(dirs, "Setup.Copy");
    if (!line || m_components.empty() || !m_components.front()->IsSetup()) return;
    const std::string folder = m_script.GetField(dirs.expanded[*line], 1);
    const std::string pattern = m_pass.Fold("%s\\" + folder);
    std::string elsewhere;
    for (const CScriptSection& files : m_components.front()->m_copyFiles) {
      for (const std::string& copy : files.GetLines()) {
        if (!m_pass.EqualsFold(m_script.GetField(copy, 0), "SETUP.EXE")) continue;
        if (m_pass.Fold(files.GetLabel()) == pattern) return;
        elsewhere = LocateList(files).name;
      }
    }
    const std::string where = "the installed copy can never start the maintenance wizard, so the product can never "
                              "be changed or removed";
    if (elsewhere.empty()) {
      m_pass.Add(dirs.At(*line), Severity::kError, "setup-copy-unreachable",
                 "Setup.Copy names folder " + folder + ", but no list of [Setup] copies SETUP.EXE there: " + where +
                     "; list SETUP.EXE in a copy list of [Setup] whose [DestinationDirs] line is " + folder);
    } else {
      m_pass.Add(dirs.At(*line), Severity::kError, "setup-copy-unreachable",
                 "Setup.Copy names folder " + folder + ", but [" + elsewhere + "] copies SETUP.EXE elsewhere: " + where +
                     "; give [DestinationDirs] the line " + elsewhere + "=" + folder + ", or name its folder here");
    }
  }

  void Tree() {
    std::map<std::string, CComponent*> byName;
    for (auto& c : m_components) byName.emplace(m_pass.Fold(c->m_strName), c.get());
    const std::set<std::string> kept = KeptComponents();
    for (auto& c : m_components) {
      const LocatedSection& section = m_pass.Locate(c->m_strName);
      if (!c->m_strParentName.empty()) {
        const auto parentLine = m_pass.KeyLine(section, "Parent");
        if (!byName.count(m_pass.Fold(c->m_strParentName))) {
          m_pass.Add(section.At(parentLine.value_or(0)), Severity::kError, "parent-missing",
                     "parent " + c->m_strParentName + " is no component; " + c->m_strName + " is listed nowhere");
        } else {
          // Following the parents from here must end at a top-level component.
          const CComponent* at = c.get();
          for (std::size_t steps = 0; at != nullptr && steps <= m_components.size(); ++steps) {
            const auto up = byName.find(m_pass.Fold(at->m_strParentName));
            at = up == byName.end() ? nullptr : up->second;
            if (at == c.get()) {
              m_pass.Add(section.At(parentLine.value_or(0)), Severity::kError, "parent-loop",
                         "the parents of " + c->m_strName + " lead back to it");
              break;
            }
          }
        }
      }
      if (c->IsDriver() || c->m_dwDependencyBits == 0) continue;
      if (kept.count(m_pass.Fold(c->m_strName))) continue;
      std::uint32_t provided = 0;
      for (const auto& other : m_components) {
        if (other.get() != c.get()) provided |= other->m_dwTypeBits;
      }
      const auto line = m_pass.KeyLine(section, "Dependency");
      const std::uint32_t missing = c->m_dwDependencyBits & ~provided;
      m_pass.Add(section.At(line.value_or(0)), Severity::kError, "dependency-unprovided",
                 c->m_strName + " is dropped before the list is shown: " +
                     (missing != 0 ? "no other component has Type bits " + Hex(missing)
                                   : std::string("the components with its Type bits are dropped first")));
    }
  }

  // The components the list keeps once dependencies are pruned: the setup
  // component, the first adapter model's and the optional ones, as a build
  // that recognises an adapter has them.
  std::set<std::string> KeptComponents() {
    CComponentList list(m_script);
    Pass::Mute mute(m_pass);
    bool driver = false;
    for (const auto& c : m_components) {
      if (c->IsDriver() && driver) continue;
      driver = driver || c->IsDriver();
      CComponent& copy = list.Append(c->m_strName);
      copy.m_strDriverClass = c->m_strDriverClass;
      copy.Load(c->m_strName, c->m_strDescription, {});
    }
    list.PruneDependencies();
    std::set<std::string> kept;
    for (const auto& c : list) kept.insert(m_pass.Fold(c->m_strName));
    return kept;
  }

  Pass& m_pass;
  CSetupScript& m_script;
  bool m_forNT;
  std::vector<std::unique_ptr<CComponent>> m_components;
  std::set<std::string> m_drivers, m_copyListsDone, m_sizesDone, m_registryDone, m_programsDone, m_groupsDone,
      m_disksDone;
  std::vector<std::pair<std::string, SourceLine>> m_driverLines;
};

// String references of every section, in the pass's language.
void CheckStrings(Pass& pass) {
  CInstallApp& app = pass.App();
  const std::string language = app.GetContext().GetLanguageCode();
  std::set<std::string> stringSections = {pass.Fold("Strings"), pass.Fold("Strings." + language), pass.Fold("IncludeInf")};
  auto report = [&](const std::optional<SourceLine>& where, const std::string& key) {
    pass.Add(where, Severity::kError, "undefined-string",
             "%" + key + "% is in no string section for " + language + " (message 1089)");
  };
  CScriptText& text = app.GetScript();
  std::vector<std::string> names;
  {
    // From the top, whatever section the text has current.
    CScriptText walk;
    walk.SetCodePage(text.GetCodePage());
    walk.LoadFromMemory(text.GetText().data(), text.GetText().size());
    for (std::string name = walk.NextSectionName(); !name.empty(); name = walk.NextSectionName()) names.push_back(name);
  }
  std::set<std::string> done;
  for (const std::string& name : names) {
    if (stringSections.count(pass.Fold(name)) || !done.insert(pass.Fold(name)).second) continue;
    const LocatedSection& s = pass.Locate(name);
    for (std::size_t i = 0; i < s.raw.size(); ++i) {
      for (const auto& message : pass.ExpandAlone(s.raw[i])) {
        if (message.messageId == MSG_KEY_NOT_FOUND && message.inserts.size() == 2 && message.inserts[1] == "Strings") {
          report(s.At(i), message.inserts[0]);
        }
        if (message.messageId == MSG_VALUE_TOO_LONG) {
          pass.Add(s.At(i), Severity::kError, "line-too-long",
                   "with its %strings% put in, this line grows longer than the setup program takes (message 1180 "
                   "stops the setup): shorten the strings it refers to, or split the line");
        }
      }
    }
  }
  // The lines the preparation read before the other sections: the string
  // sections as merged, and the main script's include list, which merging drops.
  std::vector<std::pair<std::optional<SourceLine>, std::string>> preparedLines;
  for (const std::string& name : {std::string("Strings"), "Strings." + language}) {
    const LocatedSection& s = pass.Locate(name);
    for (std::size_t i = 0; i < s.raw.size(); ++i) preparedLines.emplace_back(s.At(i), s.raw[i]);
  }
  for (const FileSection& section : pass.MainFileSections()) {
    if (!pass.EqualsFold(section.name, "IncludeInf")) continue;
    for (const SourceLine& line : section.lines) preparedLines.emplace_back(line, line.content);
  }
  // String values that grew too long while the preparation read them.
  for (const auto& message : pass.Messages()) {
    if (message.messageId != MSG_VALUE_TOO_LONG || message.inserts.empty()) continue;
    for (const auto& [where, content] : preparedLines) {
      if (pass.EqualsFold(GetKey(content), message.inserts[0])) {
        pass.Add(where, Severity::kError, "line-too-long",
                 "with its %strings% put in, the value of " + message.inserts[0] +
                     " grows longer than the setup program takes (message 1180 stops the setup): shorten it");
      }
    }
  }
  // References the preparation met in the string sections and the included
  // scripts' names: the lines that hold them.
  for (const auto& message : pass.Messages()) {
    if (message.messageId != MSG_KEY_NOT_FOUND || message.inserts.size() != 2 || message.inserts[1] != "Strings") continue;
    const std::string reference = pass.Fold("%" + message.inserts[0] + "%");
    for (const auto& [where, content] : preparedLines) {
      if (pass.Fold(content).find(reference) != std::string::npos) {
        report(where, message.inserts[0]);
        break;
      }
    }
  }
}

// Each offered language needs its language library or its README.
void CheckLanguages(Pass& pass) {
  const CSetupContext& c = pass.App().GetContext();
  const std::string companyIni = c.GetSetupDir() + "\\COMPANY.INI";
  if (!c.GetPlatform().Files().FileExists(companyIni)) return;
  const auto sections = ReadFileSections(c.GetPlatform().Files(), companyIni, ShownPath(companyIni),
                                         pass.App().GetSetupScript().GetCodePage());
  for (int i = 0; i < kLanguageCount; ++i) {
    if (!c.IsLanguageOffered(i)) continue;
    const std::string code = c.GetLanguageCodeAt(i);
    const std::string library = PickLanguageExtension(c.GetPlatform(), c.GetSetupDir() + "\\", "_INSTALL", code);
    const bool hasLibrary = library.substr(0, 2) == code.substr(0, 2);
    CSetupContext probe = c;
    probe.SetLanguage(i);
    CReadMe readMe;
    readMe.Load(probe);
    const bool hasReadMe = pass.Fold(readMe.GetPath()).find(pass.Fold("_" + code + ".")) != std::string::npos;
    if (hasLibrary || hasReadMe) continue;
    std::optional<SourceLine> where;
    for (const FileSection& s : sections) {
      if (!pass.EqualsFold(s.name, "Company")) continue;
      for (const SourceLine& line : s.lines) {
        if (!where && pass.EqualsFold(GetKey(line.content), code)) where = line;
      }
    }
    pass.Add(where, Severity::kError, "language-unsupported",
             code + " is offered but has neither its language library _INSTALL." + code + " nor its README_" + code +
                 ".TXT");
  }
}

// The descriptions of the components a language's pass built.
void CheckDescriptions(Pass& pass) {
  for (const auto& component : pass.App().GetComponents()) {
    if (component->IsSetup() || component->IsDriver()) continue;
    const std::string fault = DescriptionFault(component->m_strDescription);
    if (fault.empty()) continue;
    const LocatedSection& section = pass.Locate(component->m_strName);
    const auto line = pass.KeyLine(section, "OptionDesc");
    pass.Add(line ? section.At(*line) : section.header, Severity::kError, "description-not-key",
             "description \"" + component->m_strDescription + "\" of " + component->m_strName + " " + fault +
                 ", so it cannot name the key that records the component as installed (message 1182): "
                 "the component could not be maintained or removed; give it a description without \\");
  }
}

// A script the setup program could not prepare: what stopped it, where the
// fix goes.
void StartFailed(Pass& pass, const std::string& os, std::vector<Finding>& findings) {
  const std::string script = pass.App().GetContext().GetScriptPath();
  const std::string shown = ShownPath(script);
  const auto sections = ReadFileSections(pass.App().GetContext().GetPlatform().Files(), script, shown,
                                         pass.App().GetSetupScript().GetCodePage());
  auto find = [&](std::string_view section, std::string_view key) -> std::optional<SourceLine> {
    for (const FileSection& s : sections) {
      if (!pass.EqualsFold(s.name, section)) continue;
      if (key.empty()) return s.header;
      for (const SourceLine& line : s.lines) {
        if (pass.EqualsFold(GetKey(line.content), key)) return line;
      }
    }
    return std::nullopt;
  };
  for (const auto& m : pass.Messages()) {
    if (m.messageId == 1084 || m.messageId == 1085) {
      findings.push_back({shown, "", 0, Severity::kError, "script-missing",
                          "there is no " + shown + " beside SETUP.EXE, so the setup program stops at once (message " +
                              std::to_string(m.messageId) + ")"});
      return;
    }
    if (m.messageId != MSG_KEY_NOT_FOUND || m.inserts.size() != 2) continue;
    if (m.inserts[0] == "Setup.Copy" && m.inserts[1] == "DestinationDirs") {
      const auto where = find("DestinationDirs", "");
      findings.push_back({shown, "DestinationDirs", where ? where->line : 1, Severity::kError, "setup-copy-missing",
                          std::string(where ? "" : "there is no [DestinationDirs] section; ") +
                              "[DestinationDirs] needs Setup.Copy, the folder below the destination that receives "
                              "SETUP.EXE and the script (such as Setup.Copy=display): without it the setup program "
                              "stops at once (message 1089)"});
      return;
    }
    if (m.inserts[1] == "Strings") {
      const auto where = find("DestinationDirs", "Setup.Copy");
      findings.push_back({shown, "DestinationDirs", where ? where->line : 1, Severity::kError, "setup-copy-missing",
                          "Setup.Copy refers to %" + m.inserts[0] +
                              "%, which [Strings] does not define (language sections are not read so early): the "
                              "setup program stops at once (message 1089)"});
      return;
    }
  }
  std::string ids;
  for (const auto& m : pass.Messages()) ids += " " + std::to_string(m.messageId);
  findings.push_back({shown, "", 0, Severity::kError, "script-unreadable",
                      "the setup program cannot prepare its script on " + os +
                          (ids.empty() ? std::string() : " (messages" + ids + ")")});
}

std::string PciText(const sim::PciDevice& device) {
  char text[32];
  std::snprintf(text, sizeof text, "VEN_%04X&DEV_%04X", device.vendor, device.device);
  return text;
}

// Which models line the hardware detection takes on a machine with this
// hardware, and why each other one is not taken.
void RecogniseModels(Pass& pass, const sim::Machine& machine, const std::string& hardware) {
  CSetupScript& script = pass.App().GetSetupScript();
  const LocatedSection& manufacturer = pass.Locate("Manufacturer");
  if (manufacturer.expanded.empty()) return;
  const LocatedSection& version = pass.Locate("Version");
  const auto classLine = pass.KeyLine(version, "Class");
  if (classLine && script.EqualNoCase(script.GetField(version.expanded[*classLine], 1), "Software")) return;
  const std::string modelsName = script.GetField(manufacturer.expanded[0], 1);
  const LocatedSection& models = pass.Locate(modelsName);
  if (models.expanded.empty()) return;
  const std::string on = std::string("on ") + sim::OsKindName(machine.Os()) + " with " + hardware;
  std::string bus;
  for (const sim::PciDevice& device : machine.Hardware().PciDevices()) bus += (bus.empty() ? "" : ", ") + PciText(device);
  std::string installed;
  for (const std::string& id : machine.Hardware().InstalledHardwareIds()) installed += (installed.empty() ? "" : ", ") + id;
  CUnattendedDeviceChooser chooser;
  CHardwareDetection detection(script, chooser);
  std::optional<std::size_t> chosen;
  for (std::size_t i = 0; i < models.expanded.size(); ++i) {
    const std::string& line = models.expanded[i];
    if (script.RestoreMarkers(line).empty()) break;
    const std::string model = script.GetKey(line);
    auto note = [&](const char* code, const std::string& text) {
      pass.Add(models.At(i), Severity::kNote, code, "model " + model + " " + on + ": " + text);
    };
    if (chosen) {
      note("model-not-recognised", "not tried, the model of line " +
                                       std::to_string(models.At(*chosen) ? models.At(*chosen)->line : 0) +
                                       " is recognised first");
      continue;
    }
    const std::string install = script.GetField(line, 1);
    const LocatedSection& section = pass.Locate(install);
    if (install.empty() || !section.exists) {
      note("model-not-recognised", "passed over, its install section [" + install + "] does not exist");
      continue;
    }
    const auto biosLine = pass.KeyLine(section, "BiosString");
    const std::string bios = biosLine ? script.GetField(section.expanded[*biosLine], 1) : std::string();
    bool biosFound = true;
    if (!bios.empty()) {
      Pass::Mute mute(pass);
      biosFound = detection.SearchBios(bios);
    }
    if (!biosFound) {
      note("model-not-recognised", "not recognised, the video BIOS does not hold the text \"" + bios + "\" (BiosString of [" +
                                       install + "])");
      continue;
    }
    std::string id;
    int result;
    {
      Pass::Mute mute(pass);
      result = detection.SearchPci(line, id);
    }
    if (result == MSG_SAFE_MODE || result == MSG_NOT_ADMINISTRATOR) {
      pass.Add(models.header, Severity::kError, "no-model-recognised",
               "no model is recognised " + on + ": " +
                   (result == MSG_SAFE_MODE ? "Windows runs in safe mode (message 1098)"
                                            : "the user is no administrator (message 1099)"));
      return;
    }
    if (result != 0) {
      note("model-not-recognised", "not recognised, none of its identifiers is installed (the machine has " +
                                       (installed.empty() ? std::string("none") : installed) +
                                       ") or on the PCI bus (which holds " + (bus.empty() ? std::string("nothing") : bus) +
                                       ")");
      continue;
    }
    chosen = i;
    if (machine.IsNT()) {
      note("model-recognised", "recognised: Windows NT searches no identifiers, so the first model whose BIOS text is "
                               "found (or that names none) is taken");
    } else if (id == kNotInstalled) {
      note("model-recognised", "recognised: its adapter is on the PCI bus but Windows has not set it up, so the driver "
                               "is left for Windows to find at its next start");
    } else {
      note("model-recognised", "recognised by " + id + ", which the machine has installed");
    }
  }
  if (!chosen) {
    pass.Add(models.header, Severity::kError, "no-model-recognised",
             "no model is recognised " + on +
                 ", so the setup stops with message 1097; its PCI bus holds " + (bus.empty() ? std::string("nothing") : bus) +
                 ": name one of these in a models line (PCI\\VEN_xxxx&DEV_xxxx)");
  }
}

// A fresh machine in `folder` with the distribution on its drive D and,
// when given, the described hardware.
std::optional<sim::Machine> MachineWithDistribution(const fs::path& folder, sim::OsKind os,
                                                    const fs::path& distribution, const fs::path* hardware,
                                                    std::string& error) {
  if (!sim::Machine::Create(folder, os, "ENU", error)) return std::nullopt;
  std::error_code ec;
  if (hardware != nullptr) {
    fs::copy_file(*hardware, folder / "hardware.ini", fs::copy_options::overwrite_existing, ec);
    if (ec) {
      error = "cannot use " + hardware->string() + ": " + ec.message();
      return std::nullopt;
    }
  }
  fs::copy(distribution, folder / "drive_d", fs::copy_options::recursive | fs::copy_options::skip_symlinks, ec);
  if (ec) {
    error = "cannot copy " + distribution.string() + ": " + ec.message();
    return std::nullopt;
  }
  return sim::Machine::Open(folder, error);
}

}  // namespace

int CheckReport::Notes() const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                        [](const Finding& f) { return f.severity == Severity::kNote; }));
}

int CheckReport::Errors() const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                        [](const Finding& f) { return f.severity == Severity::kError; }));
}

bool ParseSystems(const std::string& text, std::vector<sim::OsKind>& systems) {
  systems.clear();
  if (text == "all") {
    systems = {sim::OsKind::Win95, sim::OsKind::Win98, sim::OsKind::NT4, sim::OsKind::NT5};
    return true;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const auto kind = sim::ParseOsKind(text.substr(start, comma - start));
    if (!kind) return false;
    if (std::find(systems.begin(), systems.end(), *kind) == systems.end()) systems.push_back(*kind);
    start = comma + 1;
  }
  return !systems.empty();
}

bool CheckDistribution(const fs::path& distribution, const std::vector<sim::OsKind>& systems, CheckReport& report,
                       std::string& error, const std::vector<fs::path>& hardware) {
  std::error_code ec;
  if (!fs::is_directory(distribution, ec)) {
    error = distribution.string() + " is not a folder";
    return false;
  }
  std::string pattern = (fs::temp_directory_path(ec) / "winsim-check-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    error = "cannot make a temporary folder";
    return false;
  }
  const fs::path scratch = pattern;
  bool ok = true;
  bool languagesDone = false;
  for (const sim::OsKind os : systems) {
    report.systems.push_back(sim::OsKindName(os));
    auto machine = MachineWithDistribution(scratch / sim::OsKindName(os), os, distribution, nullptr, error);
    if (!machine) {
      ok = false;
      break;
    }
    const bool nt = machine->IsNT();
    std::vector<std::string> languages = {""};
    {
      Pass pass(*machine, report.findings);
      if (!pass.Start("/S")) {
        StartFailed(pass, sim::OsKindName(os), report.findings);
        continue;
      }
      Checker(pass, nt).Run();
      if (!languagesDone) {
        CheckLanguages(pass);
        const CSetupContext& c = pass.App().GetContext();
        languages.clear();
        for (int i = 0; i < kLanguageCount; ++i) {
          if (c.IsLanguageOffered(i)) languages.push_back(c.GetLanguageCodeAt(i));
        }
        report.languages = languages;
      }
    }
    if (languagesDone) continue;
    languagesDone = true;
    for (const std::string& language : languages) {
      Pass pass(*machine, report.findings);
      if (!pass.Start("/S /L" + language)) continue;
      CheckStrings(pass);
      CheckDescriptions(pass);
    }
  }
  // Each described machine of each system: which model it would take.
  for (const sim::OsKind os : systems) {
    for (std::size_t h = 0; ok && h < hardware.size(); ++h) {
      const fs::path folder = scratch / (std::string(sim::OsKindName(os)) + "-hardware-" + std::to_string(h));
      auto machine = MachineWithDistribution(folder, os, distribution, &hardware[h], error);
      if (!machine) {
        ok = false;
        break;
      }
      std::vector<Finding> ignored;
      Pass pass(*machine, ignored);
      if (pass.Start("/S")) {
        RecogniseModels(pass, *machine, hardware[h].filename().string());
        for (Finding& f : ignored) {
          if (f.code == "model-recognised" || f.code == "model-not-recognised" || f.code == "no-model-recognised") {
            report.findings.push_back(std::move(f));
          }
        }
      }
      fs::remove_all(folder, ec);
    }
  }
  fs::remove_all(scratch, ec);
  // One finding per place and problem, in file and line order.
  auto key = [](const Finding& f) { return std::tie(f.file, f.line, f.code, f.message, f.section, f.severity); };
  std::sort(report.findings.begin(), report.findings.end(),
            [&](const Finding& a, const Finding& b) { return key(a) < key(b); });
  report.findings.erase(std::unique(report.findings.begin(), report.findings.end(),
                                    [&](const Finding& a, const Finding& b) { return key(a) == key(b); }),
                        report.findings.end());
  return ok;
}

int Check(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  constexpr const char* kUsage =
      "usage: winsim check DIST [--os all|win95,win98,nt4,nt5] [--hardware FILE...] [--json]\n";
  std::string distribution;
  std::vector<fs::path> hardware;
  std::vector<sim::OsKind> systems = {sim::OsKind::Win95, sim::OsKind::Win98, sim::OsKind::NT4, sim::OsKind::NT5};
  bool json = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--os") {
      if (i + 1 == args.size() || !ParseSystems(args[i + 1], systems)) {
        err << "winsim: --os needs all or a list of win95, win98, nt4, nt5\n";
        return 2;
      }
      ++i;
    } else if (args[i] == "--hardware") {
      // Every following argument that is not an option is one more file.
      const std::size_t before = hardware.size();
      while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
        std::error_code ec;
        if (!fs::is_regular_file(args[i + 1], ec)) {
          err << "winsim: " << args[i + 1] << " is not a hardware file\n";
          return 2;
        }
        hardware.emplace_back(args[++i]);
      }
      if (hardware.size() == before) {
        err << "winsim: --hardware needs a hardware.ini file\n";
        return 2;
      }
    } else if (distribution.empty() && args[i].rfind("--", 0) != 0) {
      distribution = args[i];
    } else {
      err << "winsim: unexpected argument '" << args[i] << "'\n" << kUsage;
      return 2;
    }
  }
  if (distribution.empty()) {
    err << kUsage;
    return 2;
  }
  CheckReport report;
  std::string error;
  if (!CheckDistribution(distribution, systems, report, error, hardware)) {
    err << "winsim: " << error << "\n";
    return 2;
  }
  if (json) {
    nlohmann::ordered_json doc;
    doc["systems"] = report.systems;
    doc["languages"] = report.languages;
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Finding& f : report.findings) {
      list.push_back({{"file", Utf8(f.file)},
                      {"section", Utf8(f.section)},
                      {"line", f.line},
                      {"severity", f.severity},
                      {"code", f.code},
                      {"message", Utf8(f.message)}});
    }
    doc["findings"] = std::move(list);
    doc["errors"] = report.Errors();
    doc["warnings"] = static_cast<int>(report.findings.size()) - report.Errors() - report.Notes();
    doc["notes"] = report.Notes();
    out << doc.dump(2) << "\n";
  } else {
    for (const Finding& f : report.findings) {
      out << f.file << ":" << f.line << ": " << f.severity << " " << f.code << ": "
          << (f.section.empty() ? "" : "[" + f.section + "] ") << f.message << "\n";
    }
    const int warnings = static_cast<int>(report.findings.size()) - report.Errors() - report.Notes();
    out << report.Errors() << " errors, " << warnings << " warnings";
    if (report.Notes() > 0) out << ", " << report.Notes() << " notes";
    out << "\n";
  }
  return report.Errors() > 0 ? 1 : 0;
}

}  // namespace winsim
