// Fuzzes value expansion together with field extraction: the string sections
// and the shared sections of a script are read through the expander on a
// simulated Windows 98 machine, then every line is taken apart, destinations
// resolved and expanded, source entries looked up and copy records built.
//
// Input: byte 0 picks the language (low 5 bits), whether the thunk library
// is loaded (0x20), quiet mode (0x40) and a floppy source (0x80); the rest
// is the script.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/install_app.h"
#include "script/setup_script.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "script/destination_dirs.h"
#include "script/script_line.h"
#include "script/source_disks.h"
#include "script/value_expansion.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

struct World {
  std::optional<sim::Machine> machine;
  std::unique_ptr<sim::SimPlatform> platform;
};

World& TheWorld() {
  static World* world = [] {
    auto* w = new World;
    std::string pattern = (std::filesystem::temp_directory_path() / "value-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::string error;
    const std::filesystem::path dir = std::filesystem::path(pattern) / "m";
    if (!sim::Machine::Create(dir, sim::OsKind::Win98, "ENU", error)) std::abort();
    w->machine = sim::Machine::Open(dir, error);
    if (!w->machine) std::abort();
    w->platform = std::make_unique<sim::SimPlatform>(*w->machine, "D:\\SETUP.EXE");
    // Boxes are answered without recording, so the machine's log stays small.
    w->platform->SetMessageAnswerer([](const platform::MessageBoxRequest&) { return IDOK; });
    return w;
  }();
  return *world;
}

bool HasAny(std::string_view text, const char* chars) { return text.find_first_of(chars) != std::string_view::npos; }

void TakeApart(const CSetupScript& script, const std::string& line) {
  const std::string key = script.GetKey(line);
  for (int field = 0; field < 5; ++field) {
    (void)script.GetField(line, field);
    (void)GetRawField(line, field);
    (void)GetFieldInt(line, field);
  }
  (void)key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TheWorld();
  CInstallApp app(TheWorld().platform->Interfaces(), "");
  CSetupContext& context = app.GetContext();
  CSetupScript& setupScript = app.GetSetupScript();
  context.SetLanguage(data[0] & 0x1F);  // 19 and above are outside the table
  if (data[0] & 0x20) app.GetThunkLibrary().Load(context, app.GetMessages());
  if (data[0] & 0x40) context.SetFlags(SF_QUIET);
  context.SetInstallFrom((data[0] & 0x80) ? "A:" : "D:\\SETUP\\DISK1");
  context.SetDestDir("C:\\Dest%s,=@p");

  const char* text = reinterpret_cast<const char*>(data + 1);
  if (!app.GetScript().LoadFromMemory(text, size - 1)) return 0;
  app.GetExpander().ReadStringSections();
  CScriptText& script = app.GetScript();
  app.GetSourceDisksFiles().Read(script, "SourceDisksFiles", &app.GetExpander());
  app.GetSourceDisksNames().Read(script, "SourceDisksNames", &app.GetExpander());
  app.GetDestinationDirs().Read(script, "DestinationDirs", &app.GetExpander());
  if (data[0] & 0x80) RewriteSourceDisksForFloppy(setupScript);

  for (CScriptSection* section : {&app.GetLangStrings(), &app.GetStrings(), &app.GetSourceDisksFiles(),
                                  &app.GetSourceDisksNames(), &app.GetDestinationDirs()}) {
    for (const std::string& line : section->GetLines()) {
      TakeApart(setupScript, line);
      // Text the expansion leaves alone comes back unchanged.
      if (!HasAny(line, "\"%@")) Check(app.GetExpander().Expand(line) == line, "plain text is kept");
      // Quoted text is one field, restored as written.
      if (!HasAny(line, "\"@")) {
        const std::string quoted = app.GetExpander().Expand("\"" + line + "\"");
        Check(setupScript.GetField(quoted, 0) == std::string(Trim(line)), "quoted text is one field");
      }
    }
  }

  // Every file list named in "DestinationDirs": its destination and records.
  int lists = 0;
  for (const std::string& line : app.GetDestinationDirs().GetLines()) {
    if (++lists > 8) break;
    const std::string name = setupScript.GetKey(line);
    const std::string destTemplate = GetDestinationTemplate(setupScript, line);
    if (destTemplate.rfind("%s", 0) != 0) {
      Check(ExpandDestination(setupScript, destTemplate) == destTemplate, "a complete folder stays as it is");
    } else {
      Check(ExpandDestination(setupScript, destTemplate) == context.GetDestDir() + destTemplate.substr(2),
            "a relative template follows the destination directory");
    }
    CScriptSection list;
    list.Read(script, name, &app.GetExpander());
    list.SetLabel(destTemplate);
    std::vector<CFileRecord> records;
    BuildCopyRecords(setupScript, list, records);
    Check(records.size() == list.GetLines().size(), "one record per line");
    (void)GetListSize(setupScript, list);
    for (const std::string& fileLine : list.GetLines()) {
      const std::string folder = GetSourceFolder(setupScript, fileLine);
      Check(folder.empty() || folder.rfind("A:", 0) == 0 || folder.rfind("D:\\SETUP", 0) == 0,
            "a source folder starts at the source root or one level above");
      (void)IsDiskListed(setupScript, fileLine);
      (void)GetDiskDescription(setupScript, fileLine);
    }
  }
  return 0;
}
