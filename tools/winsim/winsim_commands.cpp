#include "winsim_commands.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "answers.h"
#include "changes.h"
#include "check.h"
#include "matrix.h"
#include "outcome.h"
#include "plan.h"
#include "app/install_app.h"
#include "platform/shared/config_file.h"
#include "platform/sim/machine.h"
#include "platform/sim/next_start.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_host.h"
#include "ui/terminal/terminal_front_end.h"

namespace winsim {
namespace {

constexpr const char* kUsage =
    "usage: winsim new DIR [--os win95|win98|nt4|nt5] [--locale CODE]\n"
    "       winsim run DIR PROGRAM [OPTIONS...] [--answers FILE] [--changes]\n"
    "           exit status 0 installed or removed, 3 the run failed, 4 cancelled,\n"
    "           5 stopped before the wizard or while preparing the script,\n"
    "           6 a program the script runs could not be started\n"
    "       winsim reg DIR [KEY]\n"
    "       winsim insert DIR FOLDER [--drive D]\n"
    "       winsim plan DIR PROGRAM [OPTIONS...] [--type TYPE] [--json]\n"
    "       winsim restart DIR\n"
    "       winsim check DIST [--os all|LIST] [--hardware FILE...] [--json]\n"
    "       winsim matrix DIST [--os LIST] [--types LIST] [--languages LIST] [--hardware FILE...] [--jobs N] [--json]\n"
    "every command: exit status 1 when the machine or its files cannot be used, 2 when the command line is wrong\n";

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
  return buffer;
}

int New(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string dir, os = "win98", locale = "ENU";
  for (std::size_t i = 1; i < args.size(); ++i) {
    if ((args[i] == "--os" || args[i] == "--locale") && i + 1 < args.size()) {
      (args[i] == "--os" ? os : locale) = args[i + 1];
      ++i;
    } else if (dir.empty() && args[i].rfind("--", 0) != 0) {
      dir = args[i];
    } else {
      err << "winsim: unexpected argument '" << args[i] << "'\n" << kUsage;
      return 2;
    }
  }
  if (dir.empty()) {
    err << kUsage;
    return 2;
  }
  auto kind = sim::ParseOsKind(os);
  if (!kind) {
    err << "winsim: --os must be win95, win98, nt4 or nt5, not '" << os << "'\n";
    return 2;
  }
  std::string error;
  if (!sim::Machine::Create(dir, *kind, ascii::ToUpper(locale), error)) {
    err << "winsim: " << error << "\n";
    return 1;
  }
  out << "made a " << sim::OsKindName(*kind) << " machine (" << ascii::ToUpper(locale) << ") in " << dir << "\n";
  return 0;
}

bool IsAbsoluteWindowsPath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

void PrintContext(const CInstallApp& app, std::ostream& out) {
  const CSetupContext& c = app.GetContext();
  const char* wizard = app.GetWizard() == CInstallApp::Wizard::Maintenance    ? "maintenance"
                       : app.GetWizard() == CInstallApp::Wizard::FreshInstall ? "fresh install"
                                                                              : "none";
  out << "setup context\n"
      << "  flags            " << Hex(c.GetFlags()) << "\n"
      << "  script name      " << c.GetScriptName() << "\n"
      << "  setup folder     " << c.GetSetupDir() << "\n"
      << "  install from     " << c.GetInstallFrom() << "\n"
      << "  setup copy       " << c.GetSetupCopy() << "\n"
      << "  language picture " << c.GetLangBitmap() << "\n"
      << "  language         " << c.GetLanguage() << " " << c.GetLanguageCode() << " (offered: "
      << c.GetLanguageCount() << ")\n"
      << "  source-tree name " << c.GetSourceTreeName() << "\n"
      << "  caller command   " << c.GetCallerCmd() << "\n"
      << "  last message     " << c.GetLastMessage() << "\n"
      << "  wizard           " << wizard << "\n";
  if (app.GetComponents().DetectionPassedOver()) out << "not built yet: [recognising the display adapter]\n";
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Terminal& terminal,
        CRunOutcome* outcomeOut) {
  if (args.size() < 3) {
    err << kUsage;
    return 2;
  }
  const std::string& program = args[2];
  if (!IsAbsoluteWindowsPath(program)) {
    err << "winsim: PROGRAM must be a full Windows path inside the machine, such as D:\\SETUP.EXE\n";
    return 2;
  }
  std::string commandLine, answersPath;
  bool unattended = false, changes = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--changes") {
      changes = true;
      continue;
    }
    if (args[i] == "--answers") {
      if (i + 1 == args.size()) {
        err << "winsim: --answers needs a file\n";
        return 2;
      }
      answersPath = args[++i];
      continue;
    }
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += args[i];
  }
  std::string error;
  auto machine = sim::Machine::Open(args[1], error);
  if (!machine) {
    err << "winsim: " << error << "\n";
    return 1;
  }
  std::optional<Answers> answers;
  if (!answersPath.empty()) {
    answers = Answers::Load(answersPath, error);
    if (!answers) {
      err << "winsim: " << error << "\n";
      return 1;
    }
  }
  std::error_code ec;
  const auto eventsBefore = std::filesystem::file_size(machine->Folder() / "events.log", ec);
  std::optional<MachineSnapshot> before;
  if (changes) before = TakeSnapshot(machine->Folder());
  // What each message box said, in the order the machine records them.
  std::vector<std::string> boxTexts;
  CRunOutcome outcome;
  {
    sim::SimPlatform platform(*machine, program);
    {
      // Whether the run waits for nobody: the program's own options say so.
      CSetupContext probe(platform.Interfaces());
      probe.ParseCommandLine(commandLine);
      unattended = (probe.GetFlags() & SF_UNATTENDED) != 0;
    }
    platform.SetMessageAnswerer([&](const platform::MessageBoxRequest& request) {
      boxTexts.push_back(OneLine(request.text));
      if (answers) {
        if (auto answer = answers->NextMessageAnswer(request.messageId)) {
          const auto buttons = BoxButtons(request.type);
          if (std::find(buttons.begin(), buttons.end(), *answer) != buttons.end()) return *answer;
        }
      }
      if (terminal.interactive && !unattended) return AskAtTerminal(request, *terminal.in, out);
      return BoxButtons(request.type).front();
    });
    // The wizard runs in the page host: driven by the answers file, else by
    // the person at the terminal, else by the pages' own timers.
    std::optional<ui::TerminalFrontEnd> screen;
    if (terminal.interactive && !unattended) screen.emplace(*terminal.in, out, machine->CodePage());
    ui::HeadlessHost host(platform, answers ? &answers->Pages() : nullptr, screen ? &*screen : nullptr);
    platform.SetWizardHost(&host);
    machine->AppendEvent("start " + program + (commandLine.empty() ? "" : " " + commandLine));
    CInstallApp app(platform.Interfaces(), commandLine);
    app.Run();
    platform.SetWizardHost(nullptr);
    PrintContext(app, out);
    outcome = app.GetOutcome();
  }
  // What the machine recorded during this run: message boxes (with what
  // they said), programs, restarts.
  std::ifstream events(machine->Folder() / "events.log", std::ios::binary);
  events.seekg(static_cast<std::streamoff>(ec ? 0 : eventsBefore));
  std::string line;
  std::size_t box = 0;
  out << "events\n";
  while (std::getline(events, line)) {
    out << "  " << line;
    if (line.rfind("message ", 0) == 0 && box < boxTexts.size() && !boxTexts[box].empty()) {
      out << ": " << boxTexts[box];
    }
    if (line.rfind("message ", 0) == 0) ++box;
    out << "\n";
  }
  if (before) PrintChanges(*before, TakeSnapshot(machine->Folder()), out);
  PrintOutcome(outcome, out);
  const int status = StatusOf(outcome);
  if (outcomeOut != nullptr) *outcomeOut = std::move(outcome);
  return status;
}

// Prints the registry, or one key with its subtree.
int Reg(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2 || args.size() > 3) {
    err << kUsage;
    return 2;
  }
  std::string error;
  auto machine = sim::Machine::Open(args[1], error);
  if (!machine) {
    err << "winsim: " << error << "\n";
    return 1;
  }
  if (args.size() == 2) {
    out << machine->Registry().Export();
    return 0;
  }
  auto key = machine->Registry().Export(args[2]);
  if (!key) {
    err << "winsim: no key " << args[2] << "\n";
    return 1;
  }
  out << *key;
  return 0;
}

// Puts a distribution folder into a drive of the machine, as a CD in D: or
// a floppy disk in A:: whatever the drive held before is gone.
int Insert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string dir, folder;
  char drive = 'd';
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--drive" && i + 1 < args.size()) {
      const std::string& letter = args[++i];
      if (letter.empty() || letter.size() > 2 || !std::isalpha(static_cast<unsigned char>(letter[0])) ||
          (letter.size() == 2 && letter[1] != ':')) {
        err << "winsim: --drive needs a drive letter such as D or A\n";
        return 2;
      }
      drive = static_cast<char>(std::tolower(static_cast<unsigned char>(letter[0])));
    } else if (dir.empty()) {
      dir = args[i];
    } else if (folder.empty()) {
      folder = args[i];
    } else {
      err << "winsim: unexpected argument '" << args[i] << "'\n" << kUsage;
      return 2;
    }
  }
  if (dir.empty() || folder.empty()) {
    err << kUsage;
    return 2;
  }
  if (drive == 'c') {
    err << "winsim: drive C holds Windows; insert into another drive\n";
    return 2;
  }
  std::string error;
  auto machine = sim::Machine::Open(dir, error);
  if (!machine) {
    err << "winsim: " << error << "\n";
    return 1;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    err << "winsim: " << folder << " is not a folder\n";
    return 1;
  }
  const std::filesystem::path target = machine->Folder() / (std::string("drive_") + drive);
  std::filesystem::remove_all(target, ec);
  std::filesystem::create_directories(target, ec);
  // Links are not followed into the host: a distribution is plain files.
  std::filesystem::copy(folder, target, std::filesystem::copy_options::recursive |
                                            std::filesystem::copy_options::skip_symlinks, ec);
  if (ec) {
    err << "winsim: cannot copy " << folder << ": " << ec.message() << "\n";
    return 1;
  }
  out << "put " << folder << " into drive " << static_cast<char>(std::toupper(drive)) << ": of " << dir << "\n";
  return 0;
}

// The next start of the machine: the file work left for it, then RunOnce.
int Restart(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kUsage;
    return 2;
  }
  std::string error;
  auto machine = sim::Machine::Open(args[1], error);
  if (!machine) {
    err << "winsim: " << error << "\n";
    return 1;
  }
  machine->AppendEvent("restart");
  sim::SimPlatform platform(*machine, machine->WindowsDir() + "\\EXPLORER.EXE");
  const std::vector<std::string> steps = sim::RunNextStart(platform);
  out << "restarted " << sim::OsKindName(machine->Os()) << " machine " << args[1] << "\n";
  for (const std::string& step : steps) out << "  " << step << "\n";
  return 0;
}

}  // namespace

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Terminal& terminal,
               CRunOutcome* outcome) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    out << kUsage;
    return 0;
  }
  if (args[0] == "new") return New(args, out, err);
  if (args[0] == "run") return Run(args, out, err, terminal, outcome);
  if (args[0] == "reg") return Reg(args, out, err);
  if (args[0] == "insert") return Insert(args, out, err);
  if (args[0] == "plan") return Plan(args, out, err);
  if (args[0] == "restart") return Restart(args, out, err);
  if (args[0] == "check") return Check(args, out, err);
  if (args[0] == "matrix") return Matrix(args, out, err);
  if (args[0] == "matrix-one") return MatrixOne(args, out, err);
  err << "winsim: unknown command '" << args[0] << "'\n" << kUsage;
  return 2;
}

}  // namespace winsim
