// INST16.EXE, the distribution's helper program: what its command lines
// mean and what it does, on a host that gives it the machine. The Windows
// program (inst16_main.cpp) and the simulated machine's built-in INST16.EXE
// (src/platform/sim/sim_inst16.cpp) both run this.
//
//   -R<folder> [/m<manifest>]
//                           remove what the installation below the folder made,
//                           as its manifest lists it (run once at the next system
//                           start); the manifest lies beside INST16.EXE unless
//                           /m names it
//   /w<folder>              remove the source tree
//   /f<program> /w<folder>  wait until the setup program <folder><program> has
//                           ended, then remove the tree
//   -B<text>                search the BIOS text; the answer is the default value
//                           of HKEY_CLASSES_ROOT\SearchBios: "1" found, "0" not
//
// Option letters in either case, after "-" or "/".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell_folders.h"

namespace inst16 {

struct Command {
  enum class Kind { RemoveFolder, RemoveTree, RemoveTreeAfterProgram, SearchBios };
  Kind kind = Kind::RemoveFolder;
  std::string folder;   // -R, /w
  std::string program;  // /f: the setup program's full path (folder + path below it)
  std::string text;     // -B, exactly as given
  std::string manifest; // -R: the manifest named by /m, else empty
};

// Exit codes.
constexpr int kDone = 0;
constexpr int kNotAllRemoved = 1;
constexpr int kBadCommandLine = 2;
constexpr int kRefused = 3;

// The arguments after the program's name. nullopt with a message when they
// are none of the command lines above.
std::optional<Command> ParseArguments(std::string_view arguments, std::string& error);

struct FolderEntry {
  std::string name;
  bool isFolder = false;
};

class Host {
 public:
  virtual ~Host() = default;
  virtual std::string WindowsFolder() = 0;
  // The entries of a folder, without "." and ".."; nullopt when it is not one.
  virtual std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder) = 0;
  // Clears the read-only attribute and deletes the file.
  virtual bool RemoveFile(const std::string& path) = 0;
  virtual bool RemoveFolder(const std::string& folder) = 0;
  // Runs `then` once the program of that path has ended (at once when it
  // does not run).
  virtual void WhenProgramHasEnded(const std::string& program, std::function<void()> then) = 0;
  // The text of the video BIOS, empty when it cannot be read.
  virtual std::string BiosText() = 0;
  virtual void AnswerBiosSearch(bool found) = 0;

  // The folder of the running INST16.EXE, without a closing backslash.
  virtual std::string ProgramFolder() = 0;
  // The whole text of a file; nullopt when it cannot be read.
  virtual std::optional<std::string> ReadTextFile(const std::string& path) = 0;
  // The 8.3 form of an existing path; empty when the path does not exist.
  virtual std::string ShortPath(const std::string& path) = 0;
  // A string value of the registry; empty when it cannot be read.
  virtual std::string ReadRegistryString(shell_folders::Root root, const std::string& key,
                                         const std::string& value) = 0;
  // The names of a key's sub-keys; none when it cannot be opened.
  virtual std::vector<std::string> RegistrySubKeys(shell_folders::Root root, const std::string& key) = 0;
  // The folder of temporary files, without a closing backslash.
  virtual std::string TemporaryFolder() = 0;
  // A removal refused, for the machine's own record.
  virtual void RecordRefusal(const std::string& folder, const std::string& why) = 0;
};

// A folder that removing would harm the system: a drive's root, the Windows
// folder, a folder that holds it, a relative or network path.
bool IsProtectedFolder(std::string_view folder, std::string_view windowsFolder);

// Why a source tree may not be removed, or empty when it may: a protected
// folder, the Windows folder or anything below it, a shell folder (Program
// Files, Common Files, the Start menu, the desktop …) or the temporary
// folder itself, or a folder that holds one of them or a recorded
// installation's destination or setup folder.
std::string WhyTreeIsKept(Host& host, const std::string& folder);

// Removes the folder with everything below it. False when something stayed.
bool RemoveTree(Host& host, const std::string& folder);

// Removes, below `folder`, what the installation's manifest lists: its
// files, then its folders that are empty then, deepest first, then the
// setup folder (the manifest's own) if empty. Without a manifest only the
// setup folder's own files go, and the empty folders from the setup folder
// up to `folder`. Nothing else is touched. False when something stayed.
bool RemoveInstallation(Host& host, const std::string& folder, const std::string& manifestPath);

// Carries out the command; the exit code.
int Run(const Command& command, Host& host);

}  // namespace inst16
