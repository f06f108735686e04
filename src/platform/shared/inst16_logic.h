// INST16.EXE, the distribution's helper program: what its command lines
// mean and what it does, on a host that gives it the machine. The Windows
// program (inst16_main.cpp) and the simulated machine's built-in INST16.EXE
// (src/platform/sim/sim_inst16.cpp) both run this.
//
//   -R<folder>              remove the folder (run once at the next system start)
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

namespace inst16 {

struct Command {
  enum class Kind { RemoveFolder, RemoveTree, RemoveTreeAfterProgram, SearchBios };
  Kind kind = Kind::RemoveFolder;
  std::string folder;   // -R, /w
  std::string program;  // /f: the setup program's full path (folder + path below it)
  std::string text;     // -B, exactly as given
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
};

// A folder that removing would harm the system: a drive's root, the Windows
// folder, a folder that holds it, a relative or network path.
bool IsProtectedFolder(std::string_view folder, std::string_view windowsFolder);

// Removes the folder with everything below it. False when something stayed.
bool RemoveTree(Host& host, const std::string& folder);

// Carries out the command; the exit code.
int Run(const Command& command, Host& host);

}  // namespace inst16
