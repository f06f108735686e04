#include "platform/shared/inst16_logic.h"

#include "platform/ascii_text.h"

namespace inst16 {
namespace {

std::string_view TrimBlanks(std::string_view text) { return ascii::Trim(text, " \t"); }

// A folder as given, without surrounding quotes and closing backslashes.
std::string FolderArgument(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  std::string folder(TrimBlanks(text));
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

std::string Join(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

}  // namespace

std::optional<Command> ParseArguments(std::string_view arguments, std::string& error) {
  const std::string_view args = TrimBlanks(arguments);
  if (args.size() < 2 || (args[0] != '-' && args[0] != '/')) {
    error = "usage: INST16 -R<folder> | /w<folder> | /f<program> /w<folder> | -B<text>";
    return std::nullopt;
  }
  const char letter = ascii::ToUpper(args[1]);
  // The BIOS text is the rest of the command line as it stands.
  const std::string_view value =
      letter == 'B' ? arguments.substr(arguments.find_first_not_of(" \t") + 2) : args.substr(2);
  Command command;
  switch (letter) {
    case 'R':
    case 'W':
      command.kind = letter == 'R' ? Command::Kind::RemoveFolder : Command::Kind::RemoveTree;
      command.folder = FolderArgument(value);
      break;
    case 'F': {
      // The program's path below the tree, then " /w" and the tree.
      const std::string upper = ascii::ToUpper(value);
      std::size_t mark = std::string::npos;
      for (const char* option : {" /W", " -W"}) {
        const std::size_t found = upper.rfind(option);
        if (found != std::string::npos && (mark == std::string::npos || found > mark)) mark = found;
      }
      if (mark == std::string::npos) {
        error = "/f needs the tree after /w";
        return std::nullopt;
      }
      command.kind = Command::Kind::RemoveTreeAfterProgram;
      command.folder = FolderArgument(value.substr(mark + 3));
      std::string below(TrimBlanks(value.substr(0, mark)));
      if (below.empty() || command.folder.empty()) break;
      if (below.front() != '\\') below.insert(below.begin(), '\\');
      command.program = command.folder + below;
      break;
    }
    case 'B':
      command.kind = Command::Kind::SearchBios;
      command.text = std::string(value);
      return command;
    default:
      error = std::string("unknown option ") + args[0] + args[1];
      return std::nullopt;
  }
  if (command.folder.empty()) {
    error = std::string("option ") + args[0] + args[1] + " needs a folder";
    return std::nullopt;
  }
  return command;
}

bool IsProtectedFolder(std::string_view folder, std::string_view windowsFolder) {
  const std::string path = ascii::ToUpper(FolderArgument(folder));
  // Only full paths below a drive's root ("C:\X").
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\' || path.find_first_not_of("\\/", 3) == std::string::npos) {
    return true;
  }
  for (std::size_t i = 3; i < path.size(); ++i) {
    // ".." could climb back above the folder named.
    if (path[i] == '.' && path[i - 1] == '.' && (path[i - 2] == '\\' || path[i - 2] == '/')) return true;
  }
  const std::string windows = ascii::ToUpper(FolderArgument(windowsFolder));
  if (windows.empty()) return false;
  // The Windows folder itself, or a folder above it.
  return windows == path || (windows.size() > path.size() && windows.compare(0, path.size(), path) == 0 &&
                             (windows[path.size()] == '\\' || windows[path.size()] == '/'));
}

bool RemoveTree(Host& host, const std::string& folder) {
  const auto entries = host.ListFolder(folder);
  if (!entries) return false;
  bool all = true;
  for (const FolderEntry& entry : *entries) {
    const std::string path = Join(folder, entry.name);
    if (entry.isFolder ? !RemoveTree(host, path) : !host.RemoveFile(path)) all = false;
  }
  return host.RemoveFolder(folder) && all;
}

int Run(const Command& command, Host& host) {
  if (command.kind == Command::Kind::SearchBios) {
    const std::string bios = host.BiosText();
    host.AnswerBiosSearch(!command.text.empty() && bios.find(command.text) != std::string::npos);
    return kDone;
  }
  if (IsProtectedFolder(command.folder, host.WindowsFolder())) return kRefused;
  if (command.kind == Command::Kind::RemoveTreeAfterProgram && !command.program.empty()) {
    const std::string folder = command.folder;
    host.WhenProgramHasEnded(command.program, [&host, folder] { RemoveTree(host, folder); });
    return kDone;
  }
  return RemoveTree(host, command.folder) ? kDone : kNotAllRemoved;
}

}  // namespace inst16
