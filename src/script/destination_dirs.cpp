#include "script/destination_dirs.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "platform/ascii_text.h"
#include "platform/outside_libraries.h"
#include "platform/platform.h"
#include "script/script_line.h"
#include "script/setup_script.h"
#include "script/value_expansion.h"

namespace {

constexpr std::string_view kRelativeMark = "%s";
constexpr platform::UINT kFolderBufferSize = 260;

using FolderQuery = platform::UINT (platform::ISystemInfo::*)(char*, platform::UINT);

// A folder query into the 260-byte buffer the system uses; empty when the
// answer does not fit.
std::string QueryFolder(platform::ISystemInfo& system, FolderQuery query) {
  char buffer[kFolderBufferSize] = {};
  const platform::UINT n = (system.*query)(buffer, kFolderBufferSize);
  if (n == 0 || n >= kFolderBufferSize) return {};
  return std::string(buffer, n);
}

std::string WithoutTrailingBackslash(std::string folder) {
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

// A folder on a named drive (X:\…) or a network path (\\server\…) stands
// on its own; anything else is below the destination folder.
bool IsAbsoluteFolder(std::string_view folder) {
  const char letter = folder.empty() ? '\0' : ascii::ToUpper(folder[0]);
  const bool drive = folder.size() >= 3 && letter >= 'A' && letter <= 'Z' && folder[1] == ':' && folder[2] == '\\';
  return drive || folder.substr(0, 2) == "\\\\";
}

// What the thunk library writes for a code, read no further than its buffer.
std::optional<std::string> ThunkDirectory(const CThunkLibrary& thunkLibrary, std::int32_t code) {
  auto proc = outside::EntryPointAs<outside::LDDToPath32Proc>(thunkLibrary.GetProc(outside::kLDDToPath32));
  if (proc == nullptr) return std::nullopt;
  char buffer[outside::kLogicalDirectoryBufferSize] = {};
  proc(code, buffer);
  const char* end = std::find(buffer, buffer + sizeof buffer, '\0');
  return std::string(buffer, static_cast<std::size_t>(end - buffer));
}

}  // namespace

std::string DirectoryFromCode(const CSetupScript& script, std::int32_t code) {
  platform::ISystemInfo& system = script.GetContext().GetPlatform().System();
  std::string folder;
  // A code the thunk library leaves empty is one it does not know: our own
  // table then answers, and reports it when it does not know it either.
  if (std::optional<std::string> fromThunk = ThunkDirectory(script.GetThunkLibrary(), code); fromThunk && !fromThunk->empty()) {
    folder = std::move(*fromThunk);
  } else if (code == 10) {
    folder = QueryFolder(system, &platform::ISystemInfo::GetWindowsDirectoryA);
  } else if (code == 11 || code == 12) {
    if (script.GetContext().IsNT()) {
      folder = WithoutTrailingBackslash(QueryFolder(system, &platform::ISystemInfo::GetWindowsDirectoryA)) + "\\SYSTEM32";
    } else {
      folder = QueryFolder(system, &platform::ISystemInfo::GetSystemDirectoryA);
    }
    if (code == 12) folder = WithoutTrailingBackslash(std::move(folder)) + "\\DRIVERS";
  } else {
    script.GetMessages().ShowError(MSG_UNKNOWN_DIRECTORY_CODE, static_cast<int>(code));
  }
  return WithoutTrailingBackslash(std::move(folder));
}

std::string GetDestinationTemplate(const CSetupScript& script, std::string_view line) {
  const std::string folder = script.GetField(line, 1);
  std::string destTemplate;
  if (IsAllDigits(folder)) {
    destTemplate = DirectoryFromCode(script, GetFieldInt(line, 1));
  } else if (IsAbsoluteFolder(folder)) {
    destTemplate = WithoutTrailingBackslash(folder);
  } else {
    destTemplate = std::string(kRelativeMark) + "\\" + folder;
  }
  const std::string subfolder = script.GetField(line, 2);
  if (!subfolder.empty()) destTemplate += "\\" + subfolder;
  return destTemplate;
}

std::string ExpandDestination(std::string_view destTemplate, std::string_view destDir) {
  // Never a format string: a '%' in a folder name is a character of it.
  if (destTemplate.substr(0, kRelativeMark.size()) != kRelativeMark) return std::string(destTemplate);
  std::string folder(destDir);
  folder.append(destTemplate.substr(kRelativeMark.size()));
  return folder;
}

std::string ExpandDestination(const CSetupScript& script, std::string_view destTemplate) {
  return ExpandDestination(destTemplate, script.GetContext().GetDestDir());
}
