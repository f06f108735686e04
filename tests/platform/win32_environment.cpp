#ifdef _WIN32

#include <windows.h>

#include <string>
#include <vector>

#include "conformance_environment.h"
#include "platform/win32/win32_platform.h"

namespace conformance {
namespace {

// Removes a folder tree made by a test.
void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

class Win32Environment final : public Environment {
 public:
  Win32Environment() = default;
  const platform::Platform& Interfaces() override { return m_platform.Interfaces(); }
  ~Win32Environment() override {
    for (HMODULE module : m_held) FreeLibrary(module);
    if (!m_scratch.empty()) RemoveTree(m_scratch);
    if (m_hardwareSet) {
      DeleteFileA(InWindowsFolder("HARDWARE.INI").c_str());
      DeleteFileA(InWindowsFolder("HARDWARE.LOG").c_str());
    }
  }
  std::string ScratchFolder() override {
    if (m_scratch.empty()) {
      char temp[MAX_PATH + 1] = {};
      GetTempPathA(MAX_PATH, temp);
      std::string base = temp;
      if (!base.empty() && base.back() == '\\') base.pop_back();
      for (unsigned n = GetTickCount(); m_scratch.empty(); ++n) {
        std::string candidate = base + "\\CONF" + std::to_string(n % 100000);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) m_scratch = candidate;
      }
    }
    return m_scratch;
  }
  void MakeFolder(const std::string& windowsPath) override { CreateDirectoryA(windowsPath.c_str(), nullptr); }
  // Under Wine the build folder is on drive Z.
  std::string LanguageLibraryPath(const std::string& name) override {
    std::string path = std::string("Z:") + SETUP_LANGUAGE_LIBRARY_DIR + "/" + name;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  bool IsWine() override { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }
  bool ReadOnlyIsEnforced() override {
    if (!IsWine()) return true;
    const std::string probe = ScratchFolder() + "\\ROPROBE.TMP";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool refused = file == INVALID_HANDLE_VALUE;
    if (!refused) CloseHandle(file);
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(probe.c_str());
    return refused;
  }
  std::string ExitingProgramCommand(int code) override { return "cmd.exe /c exit " + std::to_string(code); }
  void SetHardware(const std::string& text) override {
    HANDLE file = CreateFileA(InWindowsFolder("HARDWARE.INI").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    m_hardwareSet = true;
  }
  // The helpers lie beside SETUP.EXE in the build folder, on drive Z.
  std::string HelperPath(const std::string& name) override {
    std::string path = std::string("Z:") + SETUP_HELPER_DIR + "/" + name;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  std::string VersionFilePath(const std::string& name) override {
    std::string path = std::string("Z:") + SETUP_VERSION_FILES_DIR + "/" + name;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  void HoldOpen(const std::string& windowsPath) override {
    // Mapped as an image, as the loader maps a running program's modules.
    HMODULE module = LoadLibraryExA(windowsPath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (module != nullptr) m_held.push_back(module);
  }

 private:
  static std::string InWindowsFolder(const char* name) {
    char folder[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    std::string path = folder;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + name;
  }

  win32::Win32Platform m_platform;
  std::string m_scratch;
  bool m_hardwareSet = false;
  std::vector<HMODULE> m_held;
};

}  // namespace

std::unique_ptr<Environment> MakeEnvironment() { return std::make_unique<Win32Environment>(); }
std::unique_ptr<Environment> MakeNtEnvironment() { return std::make_unique<Win32Environment>(); }

}  // namespace conformance

#endif
