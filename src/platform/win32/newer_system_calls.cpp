// Calls that Windows 95 lacks, or that its documentation does not promise,
// but that code beyond the platform layer makes directly: the folder-removal
// helper's GetLongPathNameA (Windows 98 and NT 5), the page host's
// InitCommonControlsEx (COMCTL32.DLL 4.70, not in the first Windows 95) and
// the runtime library's IsDBCSLeadByteEx. A program importing a function the
// system lacks is refused at load time.
//
// Each product program links this file: its definitions of the import slots
// (the __imp_ pointers a dllimport call goes through) take the place of the
// import libraries' entries, so the callers stay as they are while the
// function is looked up at run time, with a fallback where the system has none.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

template <typename Proc>
Proc Lookup(const char* moduleName, const char* name) {
  HMODULE module = ::GetModuleHandleA(moduleName);
  if (module == nullptr) return nullptr;
  // The address comes back as a generic FARPROC; the type is the export's own.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// What GetLongPathNameA answers, built as Windows 95 allows: each component
// of the path looked up in turn, FindFirstFileA giving its long name.
DWORD LongPathFromComponents(const char* shortPath, char* buffer, DWORD size) {
  if (shortPath == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string path(shortPath);
  auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  // The root stays as given: "C:\", "C:", "\" or "\\server\share\".
  std::size_t start = 0;
  if (path.size() >= 2 && path[1] == ':') {
    start = path.size() > 2 && isSeparator(path[2]) ? 3 : 2;
  } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
    const std::size_t serverEnd = path.find_first_of("\\/", 2);
    const std::size_t shareEnd = serverEnd == std::string::npos ? std::string::npos : path.find_first_of("\\/", serverEnd + 1);
    start = shareEnd == std::string::npos ? path.size() : shareEnd + 1;
  } else if (!path.empty() && isSeparator(path[0])) {
    start = 1;
  }
  std::string result = path.substr(0, start);
  while (start < path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part.find_first_of("*?") != std::string::npos) {
      ::SetLastError(ERROR_INVALID_NAME);
      return 0;
    }
    if (part.empty() || part == "." || part == "..") {
      result += part;
    } else {
      WIN32_FIND_DATAA found{};
      HANDLE search = ::FindFirstFileA((result + part).c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) return 0;  // FindFirstFileA's error stands
      ::FindClose(search);
      result += found.cFileName;
    }
    if (end < path.size()) result += path[end];
    start = end + 1;
  }
  if (buffer == nullptr || result.size() >= size) return static_cast<DWORD>(result.size() + 1);
  result.copy(buffer, result.size());
  buffer[result.size()] = '\0';
  return static_cast<DWORD>(result.size());
}

using GetLongPathNameAProc = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
using InitCommonControlsExProc = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
using InitCommonControlsProc = void(WINAPI*)();
using IsDBCSLeadByteExProc = BOOL(WINAPI*)(UINT, BYTE);

DWORD WINAPI GetLongPathNameAOrComponents(LPCSTR shortPath, LPSTR buffer, DWORD size) {
  static const auto system = Lookup<GetLongPathNameAProc>("KERNEL32.DLL", "GetLongPathNameA");
  return system != nullptr ? system(shortPath, buffer, size) : LongPathFromComponents(shortPath, buffer, size);
}

BOOL WINAPI InitCommonControlsExOrAll(const INITCOMMONCONTROLSEX* classes) {
  static const auto system = Lookup<InitCommonControlsExProc>("COMCTL32.DLL", "InitCommonControlsEx");
  if (system != nullptr) return system(classes);
  // COMCTL32.DLL 4.00 registers every class it has at once.
  static const auto all = Lookup<InitCommonControlsProc>("COMCTL32.DLL", "InitCommonControls");
  if (all == nullptr) return FALSE;
  all();
  return TRUE;
}

BOOL WINAPI IsDBCSLeadByteExOrAnsi(UINT codePage, BYTE testChar) {
  static const auto system = Lookup<IsDBCSLeadByteExProc>("KERNEL32.DLL", "IsDBCSLeadByteEx");
  if (system != nullptr) return system(codePage, testChar);
  // Without it only the ANSI code page's lead bytes are known.
  return codePage == CP_ACP || codePage == ::GetACP() ? ::IsDBCSLeadByte(testChar) : FALSE;
}

}  // namespace

// The import slots' names: stdcall decoration on i686, plain on x86_64.
#if defined(__i386__)
#define SETUP_IMPORT_SLOT(name, argumentBytes) "__imp__" #name "@" #argumentBytes
#else
#define SETUP_IMPORT_SLOT(name, argumentBytes) "__imp_" #name
#endif

extern "C" {
extern const GetLongPathNameAProc g_getLongPathNameASlot __asm__(SETUP_IMPORT_SLOT(GetLongPathNameA, 12));
const GetLongPathNameAProc g_getLongPathNameASlot = &GetLongPathNameAOrComponents;
extern const InitCommonControlsExProc g_initCommonControlsExSlot __asm__(SETUP_IMPORT_SLOT(InitCommonControlsEx, 4));
const InitCommonControlsExProc g_initCommonControlsExSlot = &InitCommonControlsExOrAll;
extern const IsDBCSLeadByteExProc g_isDBCSLeadByteExSlot __asm__(SETUP_IMPORT_SLOT(IsDBCSLeadByteEx, 8));
const IsDBCSLeadByteExProc g_isDBCSLeadByteExSlot = &IsDBCSLeadByteExOrAnsi;
}
