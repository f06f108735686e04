#include "platform/shared/inst16_logic.h"

#include <algorithm>

#include "platform/ascii_text.h"
#include "platform/install_manifest.h"

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
    case 'R': {
      // The folder, then perhaps " /m" and the manifest to follow.
      command.kind = Command::Kind::RemoveFolder;
      const std::string upper = ascii::ToUpper(value);
      std::size_t mark = std::string::npos;
      for (const char* option : {" /M", " -M"}) {
        const std::size_t found = upper.rfind(option);
        if (found != std::string::npos && (mark == std::string::npos || found > mark)) mark = found;
      }
      command.folder = FolderArgument(value.substr(0, mark));
      if (mark != std::string::npos) {
        command.manifest = FolderArgument(value.substr(mark + 3));
        if (command.manifest.empty()) {
          error = "/m needs the manifest's path";
          return std::nullopt;
        }
      }
      break;
    }
    case 'W':
      command.kind = Command::Kind::RemoveTree;
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

namespace {

// The form two paths compare in: the 8.3 form of what exists, upper case.
std::string Comparable(Host& host, const std::string& path) {
  const std::string shortPath = host.ShortPath(path);
  return ascii::ToUpper(shortPath.empty() ? FolderArgument(path) : shortPath);
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::size_t Depth(const std::string& path) { return static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')); }

bool IsRecordKey(const std::string& name) {
  return ascii::EqualNoCase(name, "Install") ||
         (name.size() > 8 && ascii::EqualNoCase(std::string_view(name).substr(0, 8), "Install."));
}

bool RemoveFolderIfEmpty(Host& host, const std::string& folder) {
  const auto entries = host.ListFolder(folder);
  return entries && entries->empty() && host.RemoveFolder(folder);
}

}  // namespace

std::string WhyTreeIsKept(Host& host, const std::string& folder) {
  if (IsProtectedFolder(folder, host.WindowsFolder())) return "a drive's root, the Windows folder or a folder holding it";
  const std::string tree = Comparable(host, folder);
  const std::string temp = host.TemporaryFolder().empty() ? std::string() : Comparable(host, host.TemporaryFolder());
  // Windows 95/98 keep their temporary folder below the Windows folder: a
  // tree unpacked there is the one exception.
  const bool belowTemp = !temp.empty() && install_manifest::IsAtOrBelow(tree, temp) && tree.size() > temp.size();
  if (!belowTemp && install_manifest::IsAtOrBelow(tree, Comparable(host, host.WindowsFolder()))) {
    return "below the Windows folder";
  }
  for (const shell_folders::Place& place : shell_folders::kPlaces) {
    const std::string shellFolder = host.ReadRegistryString(place.root, place.key, place.value);
    if (!shellFolder.empty() && install_manifest::IsAtOrBelow(Comparable(host, shellFolder), tree)) {
      return std::string("the shell folder ") + place.value + " or a folder holding it";
    }
  }
  if (!temp.empty() && install_manifest::IsAtOrBelow(temp, tree)) return "the temporary folder or a folder holding it";
  const std::string products = "Software\\TORQUIST";
  for (const std::string& name : host.RegistrySubKeys(shell_folders::Root::LocalMachine, products)) {
    if (!IsRecordKey(name)) continue;
    for (const char* value : {"Destination Dir", "Setup Path"}) {
      const std::string path =
          host.ReadRegistryString(shell_folders::Root::LocalMachine, products + "\\" + name, value);
      if (!path.empty() && install_manifest::IsAtOrBelow(Comparable(host, path), tree)) {
        return "it holds the installation recorded under " + products + "\\" + name;
      }
    }
  }
  return {};
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

bool RemoveInstallation(Host& host, const std::string& folder, const std::string& manifestPath) {
  const std::string target = host.ShortPath(folder);
  if (target.empty()) return true;  // nothing left to remove
  const std::string targetKey = ascii::ToUpper(target);
  // Only what exists now, at or below the folder, is taken.
  auto below = [&](const std::string& path) {
    const std::string shortPath = host.ShortPath(path);
    return !shortPath.empty() && install_manifest::IsAtOrBelow(ascii::ToUpper(shortPath), targetKey);
  };

  const std::string setupFolder = ParentFolder(manifestPath);
  const std::optional<std::string> text = host.ReadTextFile(manifestPath);
  const std::vector<install_manifest::Entry> entries =
      text ? install_manifest::Parse(*text) : std::vector<install_manifest::Entry>();
  bool all = true;
  for (const install_manifest::Entry& entry : entries) {
    if (!entry.isFolder && below(entry.path) && !host.RemoveFile(entry.path)) all = false;
  }
  if (!setupFolder.empty() && below(setupFolder)) {
    for (const FolderEntry& entry : host.ListFolder(setupFolder).value_or(std::vector<FolderEntry>())) {
      if (!entry.isFolder && install_manifest::IsSetupFolderFile(entry.name) &&
          !host.RemoveFile(Join(setupFolder, entry.name))) {
        all = false;
      }
    }
  }

  // The folders it made, deepest first; without a manifest only the setup
  // folder and those above it up to the folder removed.
  std::vector<std::string> folders;
  if (text) {
    for (const install_manifest::Entry& entry : entries) {
      if (entry.isFolder) folders.push_back(entry.path);
    }
    if (!setupFolder.empty()) folders.push_back(setupFolder);
  } else {
    for (std::string level = setupFolder; !level.empty() && below(level); level = ParentFolder(level)) {
      folders.push_back(level);
    }
  }
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  for (const std::string& level : folders) {
    if (below(level)) RemoveFolderIfEmpty(host, level);
  }
  return all;
}

int Run(const Command& command, Host& host) {
  if (command.kind == Command::Kind::SearchBios) {
    const std::string bios = host.BiosText();
    host.AnswerBiosSearch(!command.text.empty() && bios.find(command.text) != std::string::npos);
    return kDone;
  }
  if (command.kind == Command::Kind::RemoveFolder) {
    if (IsProtectedFolder(command.folder, host.WindowsFolder())) {
      host.RecordRefusal(command.folder, "a drive's root, the Windows folder or a folder holding it");
      return kRefused;
    }
    const std::string manifest = command.manifest.empty()
                                     ? Join(host.ProgramFolder(), std::string(install_manifest::kFileName))
                                     : command.manifest;
    return RemoveInstallation(host, command.folder, manifest) ? kDone : kNotAllRemoved;
  }
  if (const std::string why = WhyTreeIsKept(host, command.folder); !why.empty()) {
    host.RecordRefusal(command.folder, why);
    return kRefused;
  }
  if (command.kind == Command::Kind::RemoveTreeAfterProgram && !command.program.empty()) {
    const std::string folder = command.folder;
    host.WhenProgramHasEnded(command.program, [&host, folder] { RemoveTree(host, folder); });
    return kDone;
  }
  return RemoveTree(host, command.folder) ? kDone : kNotAllRemoved;
}

}  // namespace inst16
