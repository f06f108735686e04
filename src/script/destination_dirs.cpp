#include "script/destination_dirs.h"

#include <algorithm>
#include <climits>

#include "app/install_app.h"
#include "display/outside_libraries.h"
#include "platform/platform.h"
#include "script/script_line.h"
#include "script/value_expansion.h"
#include "wizard/message_box.h"

namespace {

constexpr std::string_view kRelativeMark = "%s";
constexpr platform::UINT kFolderBufferSize = 260;

using FolderQuery = platform::UINT (platform::ISystemInfo::*)(char*, platform::UINT);

// A folder query into the 260-byte buffer the system uses; empty when the
// answer does not fit.
std::string QueryFolder(FolderQuery query) {
  char buffer[kFolderBufferSize] = {};
  const platform::UINT n = (platform::System().*query)(buffer, kFolderBufferSize);
  if (n == 0 || n >= kFolderBufferSize) return {};
  return std::string(buffer, n);
}

std::string WithoutTrailingBackslash(std::string folder) {
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

// What the thunk library writes for a code, read no further than its buffer.
std::optional<std::string> ThunkDirectory(std::int32_t code) {
  auto proc = outside::EntryPointAs<outside::LDDToPath32Proc>(TheApp().GetThunkProc(outside::kLDDToPath32));
  if (proc == nullptr) return std::nullopt;
  char buffer[outside::kLogicalDirectoryBufferSize] = {};
  proc(code, buffer);
  const char* end = std::find(buffer, buffer + sizeof buffer, '\0');
  return std::string(buffer, static_cast<std::size_t>(end - buffer));
}

}  // namespace

std::string DirectoryFromCode(std::int32_t code) {
  std::string folder;
  // A code the thunk library leaves empty is one it does not know: our own
  // table then answers, and reports it when it does not know it either.
  if (std::optional<std::string> fromThunk = ThunkDirectory(code); fromThunk && !fromThunk->empty()) {
    folder = std::move(*fromThunk);
  } else if (code == 10) {
    folder = QueryFolder(&platform::ISystemInfo::GetWindowsDirectoryA);
  } else if (code == 11 || code == 12) {
    if (TheApp().GetContext().IsNT()) {
      folder = WithoutTrailingBackslash(QueryFolder(&platform::ISystemInfo::GetWindowsDirectoryA)) + "\\SYSTEM32";
    } else {
      folder = QueryFolder(&platform::ISystemInfo::GetSystemDirectoryA);
    }
    if (code == 12) folder = WithoutTrailingBackslash(std::move(folder)) + "\\DRIVERS";
  } else {
    CErrorBox().ShowError(MSG_UNKNOWN_DIRECTORY_CODE, static_cast<int>(code));
  }
  return WithoutTrailingBackslash(std::move(folder));
}

std::string GetDestinationTemplate(std::string_view line) {
  const std::string folder = GetField(line, 1);
  std::string destTemplate;
  if (IsAllDigits(folder)) {
    destTemplate = DirectoryFromCode(GetFieldInt(line, 1));
  } else {
    destTemplate = std::string(kRelativeMark) + "\\" + folder;
  }
  const std::string subfolder = GetField(line, 2);
  if (!subfolder.empty()) destTemplate += "\\" + subfolder;
  return destTemplate;
}

std::optional<std::string> ResolveDestination(std::string_view listName) {
  const CScriptSection& dirs = TheApp().GetDestinationDirs();
  std::string line = dirs.FindKey(listName);
  if (line.empty()) line = dirs.FindKey("DefaultDestDir");
  if (line.empty()) {
    CErrorBox().ShowError(MSG_KEY_NOT_FOUND, listName, "DestinationDirs");
    return std::nullopt;
  }
  return GetDestinationTemplate(line);
}

std::string ExpandDestination(std::string_view destTemplate, std::string_view destDir) {
  // Never a format string: a '%' in a folder name is a character of it.
  if (destTemplate.substr(0, kRelativeMark.size()) != kRelativeMark) return std::string(destTemplate);
  std::string folder(destDir);
  folder.append(destTemplate.substr(kRelativeMark.size()));
  return folder;
}

std::string ExpandDestination(std::string_view destTemplate) {
  return ExpandDestination(destTemplate, TheApp().GetContext().GetDestDir());
}
