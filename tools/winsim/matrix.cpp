#include "matrix.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "changes.h"
#include "check.h"
#include "json_text.h"
#include "outcome.h"
#include "components/component.h"
#include "core/setup_context.h"
#include "platform/ascii_text.h"
#include "platform/sim/machine.h"
#include "winsim_commands.h"

extern char** environ;

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace winsim {
namespace {

// The page answers of a removal: the maintenance wizard's choice, then its end.
constexpr const char* kRemovalAnswers = "[Pages]\nchoose = click 1044\nfinish = finish\n";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A REGEDIT4 string value as its text.
std::string RegistryText(std::string data) {
  if (data.size() < 2 || data.front() != '"' || data.back() != '"') return {};
  data = data.substr(1, data.size() - 2);
  std::string plain;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\\' && i + 1 < data.size()) ++i;
    plain += data[i];
  }
  return plain;
}

// Bytes written as REGEDIT4 hex ("53,74,00"), or nothing when they are not.
std::optional<std::string> HexBytes(std::string_view text) {
  std::string bytes;
  while (!text.empty()) {
    const std::size_t comma = std::min(text.find(','), text.size());
    const std::string_view pair = ascii::Trim(text.substr(0, comma));
    if (pair.size() != 2 || !std::isxdigit(static_cast<unsigned char>(pair[0])) ||
        !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
      return std::nullopt;
    }
    bytes += static_cast<char>(std::stoi(std::string(pair), nullptr, 16));
    text.remove_prefix(std::min(comma + 1, text.size()));
  }
  return bytes;
}

// A registry value as a person reads it: expandable and multi-strings as
// their text rather than their bytes; every other form as REGEDIT4 writes it.
std::string ReadableValue(const std::string& data) {
  if (data.size() >= 2 && data.front() == '"' && data.back() == '"') return "\"" + RegistryText(data) + "\"";
  const bool expand = data.rfind("hex(2):", 0) == 0, multi = data.rfind("hex(7):", 0) == 0;
  if (!expand && !multi) return data;
  const auto bytes = HexBytes(std::string_view(data).substr(7));
  if (!bytes || std::any_of(bytes->begin(), bytes->end(), [](char c) { return c != 0 && static_cast<unsigned char>(c) < 0x20; })) {
    return data;
  }
  if (expand) {
    const std::string text = bytes->substr(0, bytes->find('\0'));
    return "expand:\"" + text + "\"" + (text.size() + 1 == bytes->size() ? "" : " (" + std::to_string(bytes->size()) + " bytes)");
  }
  // Each string of the list, as its NULs divide it: "a\0" and "a\0\0" differ.
  std::string shown = "multi:";
  std::size_t start = 0;
  for (std::size_t nul = bytes->find('\0'); nul != std::string::npos; nul = bytes->find('\0', start)) {
    shown += (start == 0 ? "\"" : ",\"") + bytes->substr(start, nul - start) + "\"";
    start = nul + 1;
  }
  if (start < bytes->size()) shown += (start == 0 ? "\"" : ",\"") + bytes->substr(start) + "\" (no closing NUL)";
  return shown;
}

// Windows paths of one machine written so that systems compare: the
// Windows, system and drivers folders, and the shell's program folders.
class Normaliser {
 public:
  Normaliser(const sim::Machine& machine, const MachineSnapshot& snapshot) {
    for (const auto& [key, values] : snapshot.registry) {
      if (!EndsWith(ascii::ToUpper(key), "\\EXPLORER\\SHELL FOLDERS")) continue;
      for (const auto& [name, shown] : {std::pair{"Common Startup", "%common startup%"}, {"Startup", "%startup%"},
                                        {"Common Programs", "%common programs%"}, {"Programs", "%programs%"}}) {
        const auto value = values.find(name);
        if (value == values.end()) continue;
        const std::string folder = ascii::ToUpper(RegistryText(value->second));
        if (!folder.empty()) m_prefixes.emplace_back(folder, shown);
      }
    }
    const std::string windows = ascii::ToUpper(machine.WindowsDir());
    const std::string system = windows + (machine.IsNT() ? "\\SYSTEM32" : "\\SYSTEM");
    // Directory code 12: the drivers folder of each family.
    m_prefixes.emplace_back(system + (machine.IsNT() ? "\\DRIVERS" : "\\IOSUBSYS"), "%drivers%");
    m_prefixes.emplace_back(system, "%system%");
    m_prefixes.emplace_back(windows, "%windows%");
    // The longest folder first: the startup folder lies in the programs one.
    std::stable_sort(m_prefixes.begin(), m_prefixes.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
  }
  std::string operator()(const std::string& text) const {
    std::string result = text;
    for (const auto& [prefix, name] : m_prefixes) {
      std::size_t from = 0;
      for (std::size_t at = ascii::ToUpper(result).find(prefix, from); at != std::string::npos;
           at = ascii::ToUpper(result).find(prefix, from)) {
        // A folder only where its name ends: C:\WINDOWS\SYSTEM.INI is a file
        // of the Windows folder, not of the system folder.
        const std::size_t end = at + prefix.size();
        if (!EndsName(result, end) || (at > 0 && IsNameCharacter(result[at - 1]))) {
          from = at + 1;
          continue;
        }
        result.replace(at, prefix.size(), name);
        from = at + name.size();
      }
    }
    return result;
  }

 private:
  static bool IsNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("._-~$!#&'()@^{}`").find(c) != std::string_view::npos ||
           static_cast<unsigned char>(c) >= 0x80;
  }
  // Whether a folder name ends at `end`: the text ends, or a separator follows.
  static bool EndsName(const std::string& text, std::size_t end) {
    return end >= text.size() || std::string_view("\\/\",;=|").find(text[end]) != std::string_view::npos;
  }
  static bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
  }
  std::vector<std::pair<std::string, std::string>> m_prefixes;
};

bool IsShortcut(const std::string& path) {
  const std::string upper = ascii::ToUpper(path);
  return upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".LNK") == 0;
}

// What differs between two states of a machine: files and values added or
// changed since `before`, and files and values gone.
std::vector<std::string> Differences(const MachineSnapshot& before, const MachineSnapshot& after) {
  std::vector<std::string> left;
  for (const auto& [path, content] : after.files) {
    const auto was = before.files.find(path);
    if (was == before.files.end()) {
      left.push_back("file " + path);
    } else if (was->second != content) {
      left.push_back("changed file " + path);
    }
  }
  for (const auto& [path, content] : before.files) {
    if (!after.files.count(path)) left.push_back("missing file " + path);
  }
  for (const auto& [key, values] : after.registry) {
    const auto was = before.registry.find(key);
    for (const auto& [name, data] : values) {
      if (was == before.registry.end() || !was->second.count(name)) {
        left.push_back("value " + key + " " + name + "=" + data);
      } else if (was->second.at(name) != data) {
        left.push_back("changed value " + key + " " + name + "=" + data);
      }
    }
  }
  return left;
}

int Quietly(const std::vector<std::string>& args, std::string* output = nullptr) {
  std::ostringstream out, err;
  const int status = RunCommand(args, out, err);
  if (output) *output = out.str() + err.str();
  return status;
}

Json ToJson(const CombinationOutcome& o) {
  return {{"os", o.combination.os},
          {"type", o.combination.type},
          {"language", o.combination.language},
          {"hardware", Utf8(o.combination.hardware)},
          {"ran", o.ran},
          {"success", o.success},
          {"flags", o.flags},
          {"lastMessage", o.lastMessage},
          {"files", o.files},
          {"registryValues", o.registryValues},
          {"shortcuts", o.shortcuts},
          {"restartNeeded", o.restartNeeded},
          {"driverInstalled", o.driverInstalled},
          {"driver", o.driver},
          {"why", Utf8(o.why)},
          {"messages", Utf8List(o.messages)},
          {"installedFiles", Utf8List(o.installedFiles)},
          {"installedValues", Utf8List(o.installedValues)},
          {"installedShortcuts", Utf8List(o.installedShortcuts)},
          {"removed", o.removed},
          {"leftAfterRemoval", Utf8List(o.leftAfterRemoval)},
          {"leftAfterRestart", Utf8List(o.leftAfterRestart)},
          {"installation", OutcomeJson(o.installation)},
          {"removal", OutcomeJson(o.removal)},
          {"error", Utf8(o.error)}};
}

std::vector<std::string> Strings(const Json& list) {
  std::vector<std::string> texts;
  if (!list.is_array()) return texts;
  for (const Json& item : list) {
    if (item.is_string()) texts.push_back(item.get<std::string>());
  }
  return texts;
}

// A child's answer read back; a child that died leaves the error.
CombinationOutcome FromJson(const Combination& combination, const std::string& text) {
  CombinationOutcome o;
  o.combination = combination;
  const Json j = Json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    o.error = "the run of this combination ended without a result";
    return o;
  }
  auto flag = [&](const char* name) { return j.contains(name) && j[name].is_boolean() && j[name].get<bool>(); };
  auto number = [&](const char* name) {
    return j.contains(name) && j[name].is_number_integer() ? j[name].get<long long>() : 0LL;
  };
  o.ran = flag("ran");
  o.success = flag("success");
  o.flags = static_cast<std::uint32_t>(number("flags"));
  o.lastMessage = static_cast<int>(number("lastMessage"));
  o.files = static_cast<int>(number("files"));
  o.registryValues = static_cast<int>(number("registryValues"));
  o.shortcuts = static_cast<int>(number("shortcuts"));
  o.restartNeeded = flag("restartNeeded");
  o.driverInstalled = flag("driverInstalled");
  o.driver = j.contains("driver") && j["driver"].is_string() ? j["driver"].get<std::string>() : "";
  o.why = j.contains("why") && j["why"].is_string() ? j["why"].get<std::string>() : "";
  o.messages = Strings(j.value("messages", Json::array()));
  o.installation = OutcomeFromJson(j.value("installation", Json()));
  o.removal = OutcomeFromJson(j.value("removal", Json()));
  o.installedFiles = Strings(j.value("installedFiles", Json::array()));
  o.installedValues = Strings(j.value("installedValues", Json::array()));
  o.installedShortcuts = Strings(j.value("installedShortcuts", Json::array()));
  o.removed = flag("removed");
  o.leftAfterRemoval = Strings(j.value("leftAfterRemoval", Json::array()));
  o.leftAfterRestart = Strings(j.value("leftAfterRestart", Json::array()));
  if (j.contains("error") && j["error"].is_string()) o.error = j["error"].get<std::string>();
  return o;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    if (comma > start) items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

std::string Label(const Combination& c) {
  std::string label = c.os + " " + c.type + " " + c.language;
  if (!c.hardware.empty()) label += " " + fs::path(c.hardware).filename().string();
  return label;
}

// Combinations that differ only in `vary` should have installed the same.
struct Difference {
  std::string group;  // what the combinations share
  std::string item;
  std::vector<std::string> onlyOn;
};

// What the combinations that differ only in `vary` share.
std::string GroupKey(const Combination& c, const char* vary) {
  const bool byOs = std::string(vary) == "os";
  return (byOs ? c.type + " " + c.language : c.os + " " + c.type) +
         (c.hardware.empty() ? "" : " " + fs::path(c.hardware).filename().string());
}

std::map<std::string, std::vector<const CombinationOutcome*>> Groups(const std::vector<CombinationOutcome>& outcomes,
                                                                    const char* vary) {
  std::map<std::string, std::vector<const CombinationOutcome*>> groups;
  for (const CombinationOutcome& o : outcomes) {
    if (o.ran) groups[GroupKey(o.combination, vary)].push_back(&o);
  }
  return groups;
}

std::vector<Difference> CompareGroups(const std::vector<CombinationOutcome>& outcomes, const char* vary) {
  const auto groups = Groups(outcomes, vary);
  std::vector<Difference> differences;
  for (const auto& [key, members] : groups) {
    if (members.size() < 2) continue;
    std::map<std::string, std::vector<std::string>> where;
    for (const CombinationOutcome* o : members) {
      const std::string name = std::string(vary) == "os" ? o->combination.os : o->combination.language;
      // Shortcuts are among the files already.
      std::set<std::string> items(o->installedFiles.begin(), o->installedFiles.end());
      items.insert(o->installedValues.begin(), o->installedValues.end());
      for (const std::string& item : items) where[item].push_back(name);
    }
    for (const auto& [item, names] : where) {
      if (names.size() == members.size()) continue;
      differences.push_back({key, item, names});
    }
  }
  return differences;
}

const char* ResultWord(const CombinationOutcome& o) {
  if (!o.ran || !o.error.empty()) return "not run";
  if (o.success) return o.removal.m_bRunBegun && !o.removed ? "ok, not removed" : "ok";
  switch (StatusOf(o.installation)) {
    case kRunCancelled: return "cancelled";
    case kRunNotPrepared: return "stopped";
    default: return "failed";
  }
}

// Runs the children, at most `jobs` at a time; each writes its outcome to
// result.json in its own folder.
std::vector<CombinationOutcome> RunAll(const fs::path& self, const fs::path& distribution, const fs::path& scratch,
                                       const std::vector<Combination>& combinations, int jobs, std::vector<Json>& rows,
                                       std::ostream& progress) {
  std::size_t finished = 0;
  std::vector<CombinationOutcome> outcomes(combinations.size());
  rows.assign(combinations.size(), Json());
  std::map<pid_t, std::size_t> running;
  std::size_t next = 0;
  auto collect = [&](pid_t pid, int status) {
    const std::size_t index = running.at(pid);
    running.erase(pid);
    const fs::path folder = scratch / std::to_string(index);
    const std::string text = ReadAll(folder / "result.json");
    outcomes[index] = FromJson(combinations[index], text);
    if (outcomes[index].error.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
      outcomes[index].error = "the run of this combination ended abnormally";
    }
    // The child's own JSON when it gave one: its texts are JSON text already.
    const Json row = Json::parse(text, nullptr, false);
    if (!row.is_discarded() && row.is_object() && outcomes[index].error == row.value("error", std::string())) {
      rows[index] = row;
    }
    // Each combination as it finishes, so that a long matrix shows it moves.
    progress << ++finished << "/" << combinations.size() << " " << Label(combinations[index]) << ": "
             << ResultWord(outcomes[index]) << "\n" << std::flush;
  };
  while (next < combinations.size() || !running.empty()) {
    while (next < combinations.size() && static_cast<int>(running.size()) < jobs) {
      const std::size_t index = next++;
      const Combination& c = combinations[index];
      const fs::path folder = scratch / std::to_string(index);
      std::vector<std::string> args = {self.string(), "matrix-one", distribution.string(), (folder / "m").string(),
                                       c.os, c.type, c.language};
      if (!c.hardware.empty()) args.push_back(c.hardware);
      std::error_code ec;
      fs::create_directories(folder, ec);
      const std::string resultPath = (folder / "result.json").string(), logPath = (folder / "errors.log").string();
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, resultPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      pid_t pid = 0;
      const int failed = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
      posix_spawn_file_actions_destroy(&actions);
      if (failed != 0) {
        outcomes[index].combination = c;
        outcomes[index].error = "cannot start " + self.string();
        progress << ++finished << "/" << combinations.size() << " " << Label(c) << ": not run\n" << std::flush;
        continue;
      }
      running.emplace(pid, index);
    }
    if (running.empty()) continue;
    int status = 0;
    const pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0) break;
    if (running.count(pid)) collect(pid, status);
  }
  return outcomes;
}

// Differences of one comparison as blocks: the items that differ the same
// way (the same combinations have them) together, each block once.
void PrintDifferences(const char* title, const std::vector<Difference>& list, std::size_t groups, std::ostream& out) {
  out << "\n" << title << (list.empty() ? ": none\n" : "\n");
  // Where an item differs: the names that have it, in each group that shares the rest.
  std::map<std::string, std::map<std::string, std::vector<std::string>>> byItem;
  for (const Difference& d : list) {
    std::string names;
    for (const auto& n : d.onlyOn) names += (names.empty() ? "" : ", ") + n;
    byItem[d.item][names].push_back(d.group);
  }
  std::map<std::string, std::vector<std::string>> blocks;  // heading -> items
  for (const auto& [item, ways] : byItem) {
    for (const auto& [names, where] : ways) {
      std::string heading = "only on " + names;
      if (where.size() == groups) {
        heading += groups > 1 ? " (every combination)" : "";
      } else {
        std::string in;
        for (const auto& g : where) in += (in.empty() ? "" : "; ") + g;
        heading += " (" + in + ")";
      }
      blocks[heading].push_back(item);
    }
  }
  for (const auto& [heading, items] : blocks) {
    out << "  " << heading << ":\n";
    for (const auto& item : items) out << "    " << item << "\n";
  }
}

// The groups a comparison looks at: those of two combinations or more.
std::size_t GroupCount(const std::vector<CombinationOutcome>& outcomes, const char* vary) {
  std::size_t count = 0;
  for (const auto& [key, members] : Groups(outcomes, vary)) count += members.size() >= 2 ? 1 : 0;
  return count;
}

void PrintTable(const std::vector<CombinationOutcome>& outcomes, const std::vector<Difference>& byOs,
                const std::vector<Difference>& byLanguage, std::ostream& out) {
  std::size_t width = 11;
  for (const auto& o : outcomes) width = std::max(width, Label(o.combination).size());
  auto pad = [](std::string text, std::size_t n) {
    text.resize(std::max(text.size(), n), ' ');
    return text;
  };
  out << pad("combination", width) << "  result     files  values  shortcuts  restart  driver            messages\n";
  for (const auto& o : outcomes) {
    out << pad(Label(o.combination), width) << "  " << pad(ResultWord(o), 9) << "  "
        << pad(std::to_string(o.files), 7) << pad(std::to_string(o.registryValues), 8)
        << pad(std::to_string(o.shortcuts), 11) << pad(o.restartNeeded ? "yes" : "no", 9)
        << pad(o.driver.empty() ? "no" : o.driver, 18);
    std::string messages;
    for (const auto& m : o.messages) messages += (messages.empty() ? "" : "; ") + m;
    out << (messages.empty() ? "none" : messages) << "\n";
    if (!o.error.empty()) out << "  " << o.error << "\n";
    if (!o.why.empty()) out << "  why: " << o.why << "\n";
  }
  PrintDifferences("differences between systems (Windows and system folders aside)", byOs, GroupCount(outcomes, "os"),
                   out);
  PrintDifferences("differences between languages", byLanguage, GroupCount(outcomes, "language"), out);
  out << "\nwhat the removal leaves\n";
  for (const auto& o : outcomes) {
    out << "  " << Label(o.combination) << ": ";
    if (!o.removed) {
      if (!o.removal.m_bRunBegun && o.removal.m_ending == CRunOutcome::Ending::NotStarted &&
          o.installation.m_strSetupFolder.empty()) {
        out << "not removed: the installation recorded no setup folder to start the removal from\n";
      } else {
        out << "not removed: " << DescribeOutcome(o.removal) << "\n";
      }
      continue;
    }
    out << o.leftAfterRemoval.size() << " after the removal, " << o.leftAfterRestart.size()
        << " after the next start\n";
    for (const auto& item : o.leftAfterRemoval) out << "      " << item << "\n";
    for (const auto& item : o.leftAfterRestart) out << "      after the next start: " << item << "\n";
  }
}

}  // namespace

CombinationOutcome RunCombination(const fs::path& distribution, const fs::path& folder, const Combination& c) {
  CombinationOutcome o;
  o.combination = c;
  std::string output;
  std::error_code ec;
  fs::remove_all(folder, ec);
  if (Quietly({"new", folder.string(), "--os", c.os, "--locale", c.language}, &output) != 0) {
    o.error = output;
    return o;
  }
  if (!c.hardware.empty()) {
    fs::copy_file(c.hardware, folder / "hardware.ini", fs::copy_options::overwrite_existing, ec);
    if (ec) {
      o.error = "cannot use " + c.hardware + ": " + ec.message();
      return o;
    }
  }
  if (Quietly({"insert", folder.string(), distribution.string()}, &output) != 0) {
    o.error = output;
    return o;
  }
  std::string error;
  auto machine = sim::Machine::Open(folder, error);
  if (!machine) {
    o.error = error;
    return o;
  }
  const MachineSnapshot fresh = TakeSnapshot(folder);
  const Normaliser normal(*machine, fresh);
  const std::string option = c.type == "minimal" ? "/M" : "/S";
  {
    std::ostringstream out, err;
    RunCommand({"run", folder.string(), "D:\\SETUP.EXE", option, "/L" + c.language}, out, err, {}, &o.installation);
  }
  const CRunOutcome& run = o.installation;
  o.ran = true;
  o.flags = run.m_nFlags;
  o.lastMessage = run.m_nMessage;
  o.success = StatusOf(run) == kRunSucceeded;
  if (!o.success) o.why = DescribeOutcome(run);
  for (const CMessage& m : run.m_messages) {
    std::string shown = std::to_string(m.m_nId);
    for (const std::string& insert : m.m_inserts) shown += " \"" + insert + "\"";
    o.messages.push_back(std::move(shown));
  }
  for (const CDriverStep& step : run.m_drivers) {
    if (step.m_action != Action::Install) continue;
    if (step.m_nResult != 0) {
      o.driver = "failed";
    } else if (o.driver.empty()) {
      o.driverInstalled = step.m_road != CDriverStep::Road::NextStart;
      o.driver = step.m_road == CDriverStep::Road::DeviceInstaller ? "device installer"
                 : step.m_road == CDriverStep::Road::NextStart     ? "next start"
                                                                   : "thunk library";
    }
  }
  o.restartNeeded = (o.flags & (SF_RESTART_NEEDED | SF_FULL_RESTART)) != 0;
  const MachineSnapshot installed = TakeSnapshot(folder);
  for (const auto& [path, content] : installed.files) {
    const auto was = fresh.files.find(path);
    if (was != fresh.files.end() && was->second == content) continue;
    ++o.files;
    o.installedFiles.push_back(normal(path));
    if (IsShortcut(path) && was == fresh.files.end()) {
      ++o.shortcuts;
      o.installedShortcuts.push_back(normal(path));
    }
  }
  for (const auto& [key, values] : installed.registry) {
    const auto was = fresh.registry.find(key);
    for (const auto& [name, data] : values) {
      if (was != fresh.registry.end() && was->second.count(name) && was->second.at(name) == data) continue;
      ++o.registryValues;
      o.installedValues.push_back(normal(key) + " " + name + "=" + normal(ReadableValue(data)));
    }
  }
  std::sort(o.installedFiles.begin(), o.installedFiles.end());
  std::sort(o.installedValues.begin(), o.installedValues.end());
  std::sort(o.installedShortcuts.begin(), o.installedShortcuts.end());

  // The removal, through the maintenance wizard of the copy the installation
  // recorded as its setup folder.
  const std::string& setupFolder = run.m_strSetupFolder;
  if (setupFolder.empty()) return o;
  const fs::path answers = folder.parent_path() / "removal-answers.ini";
  std::ofstream(answers, std::ios::binary) << kRemovalAnswers;
  {
    std::ostringstream out, err;
    RunCommand({"run", folder.string(), setupFolder + "\\SETUP.EXE", "--answers", answers.string()}, out, err, {},
               &o.removal);
  }
  o.removed = o.removal.m_bMaintenance && o.removal.m_bRemoval && StatusOf(o.removal) == kRunSucceeded;
  o.leftAfterRemoval = Differences(fresh, TakeSnapshot(folder));
  Quietly({"restart", folder.string()}, &output);
  o.leftAfterRestart = Differences(fresh, TakeSnapshot(folder));
  return o;
}

int MatrixOne(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 6 || args.size() > 7) {
    err << "usage: winsim matrix-one DIST FOLDER OS TYPE LANGUAGE [HARDWARE]\n";
    return 2;
  }
  const Combination c{args[3], args[4], args[5], args.size() == 7 ? args[6] : std::string()};
  out << ToJson(RunCombination(args[1], args[2], c)).dump() << "\n";
  return 0;
}

int Matrix(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  constexpr const char* kUsage =
      "usage: winsim matrix DIST [--os LIST] [--types minimal,typical] [--languages ENU,DEU] "
      "[--hardware FILE...] [--jobs N] [--json]\n";
  std::string distribution;
  std::vector<std::string> systems = {"win95", "win98", "nt4", "nt5"}, types = {"minimal", "typical"},
                           languages = {"ENU"}, hardware;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  bool json = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--json") {
      json = true;
    } else if (a == "--os" && hasValue) {
      std::vector<sim::OsKind> kinds;
      if (!ParseSystems(args[++i], kinds)) {
        err << "winsim: --os needs all or a list of win95, win98, nt4, nt5\n";
        return 2;
      }
      systems.clear();
      for (const auto kind : kinds) systems.push_back(sim::OsKindName(kind));
    } else if (a == "--types" && hasValue) {
      types = SplitList(args[++i]);
      for (const std::string& t : types) {
        if (t != "minimal" && t != "typical") {
          err << "winsim: --types takes minimal and typical, the types of an unattended run\n";
          return 2;
        }
      }
    } else if (a == "--languages" && hasValue) {
      languages = SplitList(args[++i]);
      for (std::string& l : languages) {
        l = ascii::ToUpper(l);
        if (l.size() != 3 || !std::all_of(l.begin(), l.end(), [](char ch) { return ch >= 'A' && ch <= 'Z'; })) {
          err << "winsim: --languages takes three-letter codes such as ENU,DEU\n";
          return 2;
        }
      }
    } else if (a == "--hardware" && hasValue) {
      // Every following argument that is not an option is one more file.
      while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
        std::error_code ec;
        const fs::path file = fs::absolute(args[++i], ec);
        if (ec || !fs::is_regular_file(file, ec)) {
          err << "winsim: " << args[i] << " is not a hardware file\n";
          return 2;
        }
        hardware.push_back(file.string());
      }
    } else if (a == "--jobs" && hasValue) {
      char* end = nullptr;
      const long n = std::strtol(args[++i].c_str(), &end, 10);
      if (end == args[i].c_str() || *end != '\0' || n < 1 || n > 256) {
        err << "winsim: --jobs needs a number from 1 to 256\n";
        return 2;
      }
      jobs = static_cast<int>(n);
    } else if (distribution.empty() && a.rfind("--", 0) != 0) {
      distribution = a;
    } else {
      err << "winsim: unexpected argument '" << a << "'\n" << kUsage;
      return 2;
    }
  }
  std::error_code ec;
  if (distribution.empty() || systems.empty() || types.empty() || languages.empty()) {
    err << kUsage;
    return 2;
  }
  if (!fs::is_directory(distribution, ec)) {
    err << "winsim: " << distribution << " is not a folder\n";
    return 2;
  }
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) {
    err << "winsim: cannot find this program to run the combinations: " << ec.message() << "\n";
    return 1;
  }
  if (hardware.empty()) hardware.push_back("");
  std::vector<Combination> combinations;
  for (const auto& os : systems) {
    for (const auto& type : types) {
      for (const auto& language : languages) {
        for (const auto& h : hardware) combinations.push_back({os, type, language, h});
      }
    }
  }
  std::string pattern = (fs::temp_directory_path(ec) / "winsim-matrix-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    err << "winsim: cannot make a temporary folder\n";
    return 1;
  }
  const fs::path scratch = pattern;
  std::vector<Json> rows;
  const std::vector<CombinationOutcome> outcomes =
      RunAll(self, fs::absolute(distribution, ec), scratch, combinations, jobs, rows, err);
  fs::remove_all(scratch, ec);
  const auto byOs = CompareGroups(outcomes, "os");
  const auto byLanguage = CompareGroups(outcomes, "language");
  if (json) {
    Json doc;
    doc["combinations"] = Json::array();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      doc["combinations"].push_back(rows[i].is_object() ? rows[i] : ToJson(outcomes[i]));
    }
    for (const auto& [name, list] : {std::pair{"differencesBetweenSystems", &byOs},
                                     std::pair{"differencesBetweenLanguages", &byLanguage}}) {
      Json items = Json::array();
      for (const Difference& d : *list) {
        // Items came back from the children as JSON text.
        items.push_back({{"shared", Utf8(d.group)}, {"item", d.item}, {"onlyOn", d.onlyOn}});
      }
      doc[name] = std::move(items);
    }
    out << doc.dump(2) << "\n";
  } else {
    PrintTable(outcomes, byOs, byLanguage, out);
  }
  const bool allRan = std::all_of(outcomes.begin(), outcomes.end(), [](const auto& o) { return o.ran; });
  return allRan ? 0 : 1;
}

}  // namespace winsim
