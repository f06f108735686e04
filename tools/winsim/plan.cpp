#include "plan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include "app/install_app.h"
#include "components/component_executors.h"
#include "install/install_record.h"
#include "install/installation_run.h"
#include "install/prepare_script.h"
#include "json_text.h"
#include "outcome.h"
#include "install/setup_choice.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "script/destination_dirs.h"
#include "script/script_line.h"

namespace fs = std::filesystem;

namespace winsim {
namespace {

// ---- What the plan holds -------------------------------------------------

struct PlannedMessage {
  int id = 0;
  std::vector<std::string> inserts;
  std::string text;
  bool shown = true;  // false: recorded only, as a quiet run does
};

struct PlannedComponent {
  std::string name, description, parent;
  std::uint32_t flags = 0, typeBits = 0, dependencyBits = 0;
  std::int32_t size = 0;
  int state = 0;
  Action action = Action::None;
};

struct PlannedFile {
  std::string source;  // full source path
  std::string destination;
  int disk = 0;
  std::string diskLabel;
};

// One step of the run: a title and its lines.
struct PlannedStep {
  std::string phase;      // "registry", "ini", …
  std::string component;  // the component it belongs to, or empty
  std::string detail;     // section, mode, destination
  std::vector<std::string> lines;
};

struct PlanResult {
  std::string script, language, wizard, destination, setupFolder, installFrom;
  std::uint32_t flags = 0;
  std::string setupType;
  std::vector<PlannedComponent> components;
  std::vector<PlannedFile> deletesBefore, copies, renames, deletesAfter;
  std::vector<PlannedStep> steps;
  std::int32_t requiredBytes = 0;
  std::uint32_t freeKilobytes = 0;
  std::vector<std::string> notes;
  std::vector<PlannedMessage> messages;
  bool prepared = false;
};

// ---- Working it out ------------------------------------------------------

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
  return buffer;
}

std::string FlagNames(std::uint32_t flags) {
  std::string names;
  auto add = [&](std::uint32_t bit, const char* name) {
    if ((flags & bit) == 0) return;
    if (!names.empty()) names += ' ';
    names += name;
  };
  add(CF_INSTALLED, "installed");
  add(CF_SELECTED, "selected");
  add(CF_HIDDEN, "hidden");
  add(CF_CORE, "core");
  add(CF_ADVANCED, "advanced");
  return names;
}

const char* ActionName(Action action) {
  return action == Action::Install ? "install" : action == Action::Remove ? "remove" : "leave";
}

const char* ModeName(int mode) { return mode == MODE_REMOVE ? "remove" : "install"; }

// A stored line as its fields, with the destination and protected characters
// put back: "a | b | c".
std::string Fields(const CSetupScript& script, const std::string& line) {
  std::size_t separators = 0;
  for (char c : line) separators += (c == ',' || c == '=') ? 1 : 0;
  std::string text;
  std::size_t last = 0;
  std::vector<std::string> fields;
  for (std::size_t i = 0; i <= separators && i < 256; ++i) {
    fields.push_back(script.GetField(line, static_cast<int>(i)));
    if (!fields.back().empty()) last = i + 1;
  }
  for (std::size_t i = 0; i < last; ++i) text += (i == 0 ? "" : " | ") + fields[i];
  return text;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::vector<PlannedFile> Files(const std::vector<CFileRecord>& records) {
  std::vector<PlannedFile> files;
  for (const CFileRecord& r : records) {
    const std::string& source = r.m_strSourceName.empty() ? r.m_strDestName : r.m_strSourceName;
    files.push_back({r.m_strSourceDir.empty() ? std::string() : JoinPath(r.m_strSourceDir, source),
                     JoinPath(r.m_strDestDir, r.m_strDestName), r.m_nDiskNumber, r.m_strDiskLabel});
  }
  return files;
}

// The executors and the listing of a run that only writes down what it
// would do.
class RecordingExecutors final : public IComponentExecutors, public IRunListing {
 public:
  RecordingExecutors(const CSetupScript& script, PlanResult& plan) : m_script(script), m_plan(plan) {}

  // IRunListing
  void BeginPhase(RunPhase phase) override {
    m_phase = PhaseName(phase);
    m_component = nullptr;
  }
  void ListFiles(RunPhase phase, const std::vector<CFileRecord>& jobs) override {
    switch (phase) {
      case RunPhase::DeletesBefore: m_plan.deletesBefore = Files(jobs); break;
      case RunPhase::Copies: m_plan.copies = Files(jobs); break;
      case RunPhase::Renames: m_plan.renames = Files(jobs); break;
      case RunPhase::DeletesAfter: m_plan.deletesAfter = Files(jobs); break;
      default: break;  // the setup folder's script copy is printed as the setup folder
    }
  }

  // IComponentExecutors
  void BeginComponent(const CComponent& component) override { m_component = &component; }
  void RunRegistrySection(const CScriptSection& section, int mode) override { Add(section, ModeName(mode)); }
  void RunIniSection(const CScriptSection& section, int mode) override { Add(section, ModeName(mode)); }
  void RunProgramGroupSection(const CScriptSection& section, int mode) override { Add(section, ModeName(mode)); }
  CStepResult RunProgramSection(const CScriptSection& section, int mode) override {
    // Program lists carry their destination as their label.
    PlannedStep step{m_phase, Name(),
                     std::string(ModeName(mode)) + ", in " + ExpandDestination(m_script, section.GetLabel()), {}};
    for (const std::string& line : section.GetLines()) step.lines.push_back(Fields(m_script, line));
    m_plan.steps.push_back(std::move(step));
    return CStepResult::GoOn();
  }
  CStepResult InstallDisplayDriver(const CComponent& component, Action action) override {
    if (component.IsDriver()) {
      m_plan.steps.push_back({m_phase, component.m_strName, ActionName(action), {component.m_strHardwareId}});
    }
    return CStepResult::GoOn();
  }
  LicenseAnswer ShowLicense(std::string_view title, std::string_view) override {
    m_plan.steps.push_back({m_phase, Name(), std::string(title), {}});
    return LicenseAnswer::Accepted;
  }
  void Step() override {}

 private:
  static const char* PhaseName(RunPhase phase) {
    switch (phase) {
      case RunPhase::Licences: return "licence";
      case RunPhase::ProgramsBeforeRemoval: return "programs before removal";
      case RunPhase::DisplayDriver: return "display driver";
      case RunPhase::Registry: return "registry";
      case RunPhase::IniFiles: return "INI files";
      case RunPhase::ProgramGroups: return "program groups";
      case RunPhase::ProgramsAfter: return "programs after installation";
      default: return "files";
    }
  }
  std::string Name() const { return m_component != nullptr ? m_component->m_strName : std::string(); }
  void Add(const CScriptSection& section, const std::string& detail) {
    // Lists read with a destination carry it as their label.
    PlannedStep step{m_phase, Name(), "[" + section.GetLabel() + "] " + detail, {}};
    for (const std::string& line : section.GetLines()) step.lines.push_back(Fields(m_script, line));
    m_plan.steps.push_back(std::move(step));
  }

  const CSetupScript& m_script;
  PlanResult& m_plan;
  std::string m_phase;
  const CComponent* m_component = nullptr;
};

std::optional<std::uint32_t> ParseType(const std::string& text) {
  static const std::map<std::string, std::uint32_t> names = {
      {"minimal", SF_TYPE_FIRST}, {"typical", SF_TYPE_SECOND}, {"custom", SF_TYPE_CUSTOM},
      {"change", SF_CHANGE_COMPONENTS}, {"again", SF_INSTALL_AGAIN}, {"remove", SF_REMOVE}};
  if (auto it = names.find(text); it != names.end()) return it->second;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (end == text.c_str() || *end != '\0') return std::nullopt;
  for (const auto& [name, bits] : names) {
    if (bits == value) return bits;
  }
  return std::nullopt;
}

std::string TypeName(std::uint32_t type) {
  switch (type) {
    case SF_TYPE_FIRST: return "0x10 (minimal)";
    case SF_TYPE_SECOND: return "0x20 (typical)";
    case SF_TYPE_CUSTOM: return "0x40 (custom)";
    case SF_CHANGE_COMPONENTS: return "0x100 (change the components)";
    case SF_INSTALL_AGAIN: return "0x200 (install again)";
    case SF_REMOVE: return "0x400 (remove)";
    default: return Hex(type);
  }
}

void WorkOut(CInstallApp& app, std::optional<std::uint32_t> chosenType, PlanResult& plan) {
  CSetupContext& c = app.GetContext();
  if (!app.StartUp()) return;
  const bool maintenance = IsMaintenanceRun(c);
  MarkWizard(c, maintenance);
  plan.wizard = maintenance ? "maintenance" : "fresh install";

  CSilentPreparationView view;
  // Nobody answers a listing: several display devices are all chosen, as
  // in an unattended run.
  CUnattendedDeviceChooser devices;
  IDeviceChooser& previous = app.GetDetection().SetChooser(devices);
  const int prepared = PrepareScript(app.GetSession(), view, &app.GetDetection());
  app.GetDetection().SetChooser(previous);
  if (prepared != 0) return;
  if (!app.GetScript().GetLength()) {
    plan.notes.push_back("the script could not be loaded");
    return;
  }
  plan.prepared = true;
  if (app.GetComponents().DetectionPassedOver()) {
    plan.notes.push_back("the script names display adapter models; recognising the adapter is not built yet, "
                         "so no driver component is planned");
  }

  // The choice of the pages: the one an unattended run takes unless given.
  const std::uint32_t type = chosenType.value_or(UnattendedChoice(c));
  ApplySetupChoice(c, app.GetComponents(), type);
  plan.setupType = TypeName(type);
  plan.flags = c.GetFlags();

  CComponentList& list = app.GetComponents();
  for (const auto& component : list) {
    plan.components.push_back({component->m_strName, component->m_strDescription, component->m_strParentName,
                               component->m_nFlags, component->m_dwTypeBits, component->m_dwDependencyBits,
                               component->m_nSize, component->GetState(), component->GetAction()});
  }

  // The run itself, listing instead of acting.
  RecordingExecutors recorder(app.GetSetupScript(), plan);
  CSilentInstallProgress progress;
  CInstallationRun(app.GetSession(), recorder, progress, &recorder).Run();

  plan.requiredBytes = list.GetRequiredSize();
  plan.freeKilobytes = GetFreeKilobytes(c.GetPlatform(), c.GetDestDir());
}

// ---- Printing ------------------------------------------------------------

using Json = nlohmann::ordered_json;

Json JsonFiles(const std::vector<PlannedFile>& files) {
  Json list = Json::array();
  for (const PlannedFile& f : files) {
    list.push_back({{"source", Utf8(f.source)},
                    {"destination", Utf8(f.destination)},
                    {"disk", f.disk},
                    {"diskLabel", Utf8(f.diskLabel)}});
  }
  return list;
}

void PrintJson(const PlanResult& p, std::ostream& out) {
  Json components = Json::array();
  for (const PlannedComponent& c : p.components) {
    components.push_back({{"name", Utf8(c.name)},
                          {"description", Utf8(c.description)},
                          {"parent", Utf8(c.parent)},
                          {"flags", c.flags},
                          {"type", c.typeBits},
                          {"dependency", c.dependencyBits},
                          {"size", c.size},
                          {"state", c.state},
                          {"action", ActionName(c.action)}});
  }
  Json steps = Json::array();
  for (const PlannedStep& s : p.steps) {
    steps.push_back({{"phase", s.phase}, {"component", Utf8(s.component)}, {"detail", Utf8(s.detail)},
                     {"lines", Utf8List(s.lines)}});
  }
  Json messages = Json::array();
  for (const PlannedMessage& m : p.messages) {
    messages.push_back({{"id", m.id}, {"inserts", Utf8List(m.inserts)}, {"text", Utf8(m.text)}, {"shown", m.shown}});
  }
  Json plan;
  plan["prepared"] = p.prepared;
  plan["script"] = Utf8(p.script);
  plan["language"] = Utf8(p.language);
  plan["wizard"] = p.wizard;
  plan["setupType"] = p.setupType;
  plan["flags"] = p.flags;
  plan["destination"] = Utf8(p.destination);
  plan["setupFolder"] = Utf8(p.setupFolder);
  plan["installFrom"] = Utf8(p.installFrom);
  plan["components"] = std::move(components);
  plan["deletesBefore"] = JsonFiles(p.deletesBefore);
  plan["copies"] = JsonFiles(p.copies);
  plan["renames"] = JsonFiles(p.renames);
  plan["deletesAfter"] = JsonFiles(p.deletesAfter);
  plan["steps"] = std::move(steps);
  plan["requiredBytes"] = p.requiredBytes;
  plan["freeKilobytes"] = p.freeKilobytes;
  plan["notes"] = Utf8List(p.notes);
  plan["messages"] = std::move(messages);
  out << plan.dump(2) << "\n";
}

void PrintFiles(const char* title, const std::vector<PlannedFile>& files, bool withSource, std::ostream& out,
                bool byDisk = false) {
  if (files.empty()) return;
  out << title << "\n";
  int disk = -1;
  for (const PlannedFile& f : files) {
    if (byDisk && f.disk != disk) {
      disk = f.disk;
      out << "  disk " << f.disk << (f.diskLabel.empty() ? "" : " \"" + f.diskLabel + "\"") << "\n";
    }
    if (withSource) {
      const char* indent = byDisk ? "    " : "  ";
      out << indent << (f.source.empty() ? "(no source)" : f.source) << "\n" << indent << "  -> " << f.destination
          << "\n";
    } else {
      out << "  " << f.destination << "\n";
    }
  }
}

void PrintText(const PlanResult& p, std::ostream& out) {
  out << "script        " << p.script << "\n"
      << "language      " << p.language << "\n"
      << "wizard        " << p.wizard << "\n";
  if (p.prepared) {
    out << "setup type    " << p.setupType << "\n"
        << "flags         " << Hex(p.flags) << "\n"
        << "destination   " << p.destination << "\n"
        << "setup folder  " << p.setupFolder << "\n"
        << "install from  " << p.installFrom << "\n";
    out << "components\n";
    for (const PlannedComponent& c : p.components) {
      out << "  " << c.name << (c.description != c.name ? " \"" + c.description + "\"" : "") << "\n"
          << "      action " << ActionName(c.action) << ", state " << c.state << ", flags " << Hex(c.flags);
      const std::string names = FlagNames(c.flags);
      if (!names.empty()) out << " (" << names << ")";
      out << ", type " << Hex(c.typeBits) << ", dependency " << Hex(c.dependencyBits) << ", size " << c.size;
      if (!c.parent.empty()) out << ", parent " << c.parent;
      out << "\n";
    }
    PrintFiles("deletions before copying", p.deletesBefore, false, out);
    PrintFiles("copies", p.copies, true, out, true);
    PrintFiles("renames", p.renames, true, out);
    std::string phase;
    for (const PlannedStep& s : p.steps) {
      if (s.phase != phase) {
        phase = s.phase;
        out << phase << "\n";
      }
      out << "  " << (s.component.empty() ? "" : s.component + ": ") << s.detail << "\n";
      for (const std::string& line : s.lines) out << "      " << line << "\n";
    }
    PrintFiles("deletions of removed components", p.deletesAfter, false, out);
    out << "space         required " << p.requiredBytes << " bytes (" << FormatRequiredSize(p.requiredBytes)
        << "), free " << p.freeKilobytes << " KB (" << FormatFreeSpace(p.freeKilobytes) << ")\n";
  }
  for (const std::string& note : p.notes) out << "note: " << note << "\n";
  if (p.messages.empty()) {
    out << "messages      none\n";
  } else {
    out << "messages\n";
    for (const PlannedMessage& m : p.messages) {
      out << "  " << m.id;
      for (const std::string& insert : m.inserts) out << " \"" << insert << "\"";
      if (!m.text.empty()) out << ": " << OneLine(m.text);
      if (!m.shown) out << " (recorded, not shown: a quiet run)";
      out << "\n";
    }
  }
}

// The machine folder without its CD's folder.
bool CopyAllButCd(const fs::path& machine, const fs::path& copy, std::error_code& ec) {
  const fs::path cd = std::string("drive_") + static_cast<char>(sim::Machine::kCdDrive - 'A' + 'a');
  if (!fs::create_directory(copy, ec)) {
    if (!ec) ec = std::make_error_code(std::errc::file_exists);
    return false;
  }
  for (fs::directory_iterator it(machine, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename() == cd) continue;
    fs::copy(it->path(), copy / it->path().filename(), fs::copy_options::recursive, ec);
    if (ec) return false;
  }
  return !ec;
}

}  // namespace

int Plan(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  constexpr const char* kUsage = "usage: winsim plan DIR PROGRAM [OPTIONS...] [--type minimal|typical|custom|change|again|remove] [--json]\n";
  if (args.size() < 3) {
    err << kUsage;
    return 2;
  }
  const std::string& program = args[2];
  if (program.size() < 3 || program[1] != ':' || (program[2] != '\\' && program[2] != '/')) {
    err << "winsim: PROGRAM must be a full Windows path inside the machine, such as D:\\SETUP.EXE\n";
    return 2;
  }
  std::string commandLine;
  std::optional<std::uint32_t> type;
  bool json = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--type") {
      if (i + 1 == args.size() || !(type = ParseType(args[i + 1]))) {
        err << "winsim: --type needs minimal, typical, custom, change, again or remove\n";
        return 2;
      }
      ++i;
    } else {
      commandLine += (commandLine.empty() ? "" : " ") + args[i];
    }
  }

  // The plan is worked out on a copy, so the machine itself never changes.
  // Only what a run can write is copied: the CD, however large, is read
  // where it is.
  std::string error;
  if (!sim::Machine::Open(args[1], error)) {
    err << "winsim: " << error << "\n";
    return 1;
  }
  std::error_code ec;
  const fs::path scratch = fs::temp_directory_path(ec) / ("winsim-plan-" + std::to_string(::getpid()));
  fs::remove_all(scratch, ec);
  if (!CopyAllButCd(args[1], scratch, ec)) {
    err << "winsim: cannot copy the machine for planning: " << ec.message() << "\n";
    fs::remove_all(scratch, ec);
    return 1;
  }
  PlanResult plan;
  {
    auto machine = sim::Machine::Open(scratch, error);
    if (!machine) {
      err << "winsim: " << error << "\n";
      fs::remove_all(scratch, ec);
      return 1;
    }
    machine->ShareCdOf(args[1]);
    sim::SimPlatform platform(*machine, program);
    platform.SetMessageAnswerer([&](const platform::MessageBoxRequest& request) {
      plan.messages.push_back({request.messageId, request.inserts, request.text});
      switch (request.type & 0xF) {
        case MB_YESNO: return IDYES;
        default: return IDOK;
      }
    });
    CInstallApp app(platform.Interfaces(), commandLine);
    WorkOut(app, type, plan);
    const CSetupContext& c = app.GetContext();
    if (c.GetLastMessage() != 0 && (plan.messages.empty() || plan.messages.back().id != c.GetLastMessage())) {
      // A quiet run shows no box, yet its message stopped it all the same.
      PlannedMessage quiet;
      app.GetLastMessage(quiet.id, quiet.inserts, quiet.text);
      quiet.shown = false;
      plan.messages.push_back(std::move(quiet));
    }
    plan.script = c.GetScriptPath();
    plan.language = c.GetLanguageCode();
    plan.destination = c.GetDestDir();
    plan.installFrom = c.GetInstallFrom();
    plan.setupFolder = FormatSetupFolder(c.GetSetupPath(), c.GetDestDir());
  }
  fs::remove_all(scratch, ec);
  if (json) {
    PrintJson(plan, out);
  } else {
    PrintText(plan, out);
  }
  return plan.prepared ? 0 : 1;
}

}  // namespace winsim
