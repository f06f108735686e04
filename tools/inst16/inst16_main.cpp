// INST16.EXE for Windows: the helper's command lines on the real machine.
#include <windows.h>

#include <string>

#include "hardware_file.h"
#include "platform/install_manifest.h"
#include "platform/shared/inst16_logic.h"

namespace {

constexpr std::size_t kLargestManifest = 16 * 1024 * 1024;

std::string OwnPath() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, n < MAX_PATH ? n : 0);
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The long form of a path, for comparing a short name with a long one.
std::string LongUpper(const std::string& path) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
  return Upper(n > 0 && n < MAX_PATH ? std::string(buffer, n) : path);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string TemporaryFolder() {
  char temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH, temp);
  std::string folder(temp, n > 0 && n < MAX_PATH ? n : 0);
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

HKEY RootKey(shell_folders::Root root) {
  return root == shell_folders::Root::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool IsBelow(const std::string& path, const std::string& folder) {
  const std::string p = LongUpper(path), f = LongUpper(folder);
  return p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '\\';
}

// The command line after the program's name.
std::string Arguments() {
  const char* line = GetCommandLineA();
  if (line == nullptr) return {};
  if (*line == '"') {
    ++line;
    while (*line != '\0' && *line != '"') ++line;
    if (*line == '"') ++line;
  } else {
    while (*line != '\0' && *line != ' ' && *line != '\t') ++line;
  }
  return line;
}

class Win32Host final : public inst16::Host {
 public:
  std::string WindowsFolder() override { return hardware_libraries::WindowsFolder(); }

  std::optional<std::vector<inst16::FolderEntry>> ListFolder(const std::string& folder) override {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
    std::vector<inst16::FolderEntry> entries;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      // A link to a folder elsewhere is removed, not followed.
      const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                               (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
      entries.push_back({name, folderEntry});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
  }

  bool RemoveFile(const std::string& path) override {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A program that has just ended may hold its file a moment longer.
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (::DeleteFileA(path.c_str())) return true;
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
      Sleep(100);
    }
    ScheduleRemoval(path);
    return false;
  }

  bool RemoveFolder(const std::string& folder) override {
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    if (RemoveDirectoryA(folder.c_str())) return true;
    ScheduleRemoval(folder);
    return false;
  }

  void WhenProgramHasEnded(const std::string& program, std::function<void()> then) override {
    // A running program's file cannot be opened for writing. Waits without
    // a limit, as the setup program may run for a long time.
    while (true) {
      HANDLE file = CreateFileA(program.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        break;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) break;
      Sleep(250);
    }
    then();
  }

  std::string BiosText() override {
    std::string text = hardware_libraries::ReadDescription().BiosText();
    if (!text.empty()) return text;
    // Windows NT keeps the video BIOS's version lines in the registry.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
      return {};
    }
    char buffer[4096] = {};
    DWORD size = sizeof buffer - 2;
    DWORD type = 0;
    if (RegQueryValueExA(key, "VideoBiosVersion", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_MULTI_SZ)) {
      for (DWORD i = 0; i < size; ++i) text += buffer[i] == '\0' ? '\n' : buffer[i];
    }
    RegCloseKey(key);
    return text;
  }

  void AnswerBiosSearch(bool found) override {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "SearchBios", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    const char* answer = found ? "1" : "0";
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(answer), 2);
    RegCloseKey(key);
  }

  std::string ProgramFolder() override { return FolderOf(OwnPath()); }

  std::optional<std::string> ReadTextFile(const std::string& path) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    bool ok = true;
    // A manifest is a few kilobytes; anything far larger is not one.
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != 0) && read > 0) {
      text.append(buffer, read);
      if (text.size() > kLargestManifest) {
        ok = false;
        break;
      }
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return text;
  }

  std::string ShortPath(const std::string& path) override {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
  }

  std::string ReadRegistryString(shell_folders::Root root, const std::string& key, const std::string& value) override {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return {};
    char buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    const bool read = RegQueryValueExA(opened, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                                       &size) == ERROR_SUCCESS &&
                      (type == REG_SZ || type == REG_EXPAND_SZ);
    RegCloseKey(opened);
    return read ? std::string(buffer) : std::string();
  }

  std::vector<std::string> RegistrySubKeys(shell_folders::Root root, const std::string& key) override {
    std::vector<std::string> names;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &opened) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
      char name[MAX_PATH + 1] = {};
      DWORD size = MAX_PATH;
      if (RegEnumKeyExA(opened, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name, size);
    }
    RegCloseKey(opened);
    return names;
  }

  std::string TemporaryFolder() override { return ::TemporaryFolder(); }

  // The exit code tells the refusal; Windows keeps no record of it.
  void RecordRefusal(const std::string&, const std::string&) override {}

 private:
  // What cannot be removed now goes at the next start (Windows NT).
  static void ScheduleRemoval(const std::string& path) {
    MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
};

// A program cannot remove its own file while it runs: when this one lies
// in the folder to remove, a copy in the temporary folder does the work.
bool RunFromTemporaryCopy(const std::string& arguments) {
  char temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n >= MAX_PATH) return false;
  char copy[MAX_PATH + 1] = {};
  if (GetTempFileNameA(temp, "I16", 0, copy) == 0) return false;
  std::string program = copy;
  DeleteFileA(program.c_str());
  program = program.substr(0, program.find_last_of('.')) + ".EXE";
  if (!CopyFileA(OwnPath().c_str(), program.c_str(), FALSE)) return false;
  std::string commandLine = "\"" + program + "\"" + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                      &startup, &process)) {
    DeleteFileA(program.c_str());
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string arguments = Arguments();
  std::string error;
  const auto command = inst16::ParseArguments(arguments, error);
  if (!command) return inst16::kBadCommandLine;
  const std::string temp = TemporaryFolder();
  if (command->kind != inst16::Command::Kind::SearchBios && IsBelow(OwnPath(), command->folder) &&
      !temp.empty() && !IsBelow(temp, command->folder) &&
      !inst16::IsProtectedFolder(command->folder, hardware_libraries::WindowsFolder())) {
    // The copy follows the manifest beside this program, not one beside itself.
    std::string copyArguments = arguments;
    if (command->kind == inst16::Command::Kind::RemoveFolder && command->manifest.empty()) {
      // In its short form, which holds no blank that could be taken for an option.
      const std::string folder = Win32Host().ShortPath(FolderOf(OwnPath()));
      copyArguments += " /m" + (folder.empty() ? FolderOf(OwnPath()) : folder) + "\\" +
                       std::string(install_manifest::kFileName);
    }
    if (RunFromTemporaryCopy(copyArguments)) return inst16::kDone;
  }
  Win32Host host;
  const int result = inst16::Run(*command, host);
  // A copy in the temporary folder goes at the next start.
  if (!temp.empty() && IsBelow(OwnPath(), temp)) MoveFileExA(OwnPath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return result;
}
