#include "install/setup_choice.h"

#include "components/component_list.h"
#include "core/name_compare.h"
#include "core/setup_context.h"
#include "platform/platform.h"

namespace {

constexpr std::string_view kCharactersNotInNames = "<>|\"*?";
// Room left in a full path for the folders and names below the destination.
constexpr std::size_t kLongestDestination = MAX_PATH - 1 - 12 - 1;

// The 8.3 form of an existing folder, the folder itself otherwise.
std::string ShortFolder(const platform::Platform& platform, const std::string& folder) {
  char buffer[MAX_PATH] = {};
  const platform::DWORD n = platform.Files().GetShortPathNameA(folder, buffer, sizeof buffer);
  return n == 0 || n >= sizeof buffer ? folder : std::string(buffer, n);
}

std::string WithoutTrailingBackslash(std::string folder) {
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

bool IsSameFolder(const platform::Platform& platform, const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return a == b;
  const unsigned codePage = platform.System().GetACP();
  const std::string left = WithoutTrailingBackslash(a), right = WithoutTrailingBackslash(b);
  if (EqualNoCase(left, right, codePage)) return true;
  // A short form (C:\PROGRA~1\…) names the same folder as its long one.
  return EqualNoCase(WithoutTrailingBackslash(ShortFolder(platform, left)),
                     WithoutTrailingBackslash(ShortFolder(platform, right)), codePage);
}

bool IsMaintenanceRun(const CSetupContext& context) {
  return IsSameFolder(context.GetPlatform(), context.GetSetupPath(), context.GetSetupDir());
}

std::optional<std::string> NormaliseDestination(std::string_view typed, unsigned codePage) {
  std::size_t first = 0, last = typed.size();
  while (first < last && (typed[first] == ' ' || typed[first] == '\t')) ++first;
  while (last > first && (typed[last - 1] == ' ' || typed[last - 1] == '\t')) --last;
  const std::string_view text = typed.substr(first, last - first);
  const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
  const char drive = static_cast<char>(text.empty() ? 0 : text[0] & ~0x20);
  if (text.size() < 2 || drive < 'A' || drive > 'Z' || text[1] != ':') return std::nullopt;
  if (text.size() > 2 && !isSeparator(text[2])) return std::nullopt;
  std::string folder(1, drive);
  folder += ':';
  for (std::size_t i = 2; i < text.size(); ++i) {
    const char c = text[i];
    if (IsLeadByte(codePage, static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      // A trail byte may be a backslash's value: it is part of the character.
      folder.append(text.substr(i, 2));
      ++i;
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == ':' || kCharactersNotInNames.find(c) != std::string_view::npos) {
      return std::nullopt;
    }
    if (isSeparator(c)) {
      if (folder.back() != '\\') folder += '\\';
    } else {
      folder += c;
    }
  }
  if (folder.back() == '\\') folder.pop_back();
  if (folder.size() > kLongestDestination) return std::nullopt;
  return folder;
}

void MarkWizard(CSetupContext& context, bool maintenance) {
  context.SetFlags(context.GetFlags() | (maintenance ? SF_MAINTENANCE_WIZARD : SF_FRESH_WIZARD));
}

void ApplySetupChoice(CSetupContext& context, CComponentList& components, std::uint32_t choice) {
  const std::uint32_t mask = (choice & SF_MAINTENANCE_MASK) != 0 ? SF_MAINTENANCE_MASK : SF_TYPE_MASK;
  context.SetFlags((context.GetFlags() & ~mask) | choice);
  components.ApplySetupType(choice);
}

std::uint32_t UnattendedChoice(const CSetupContext& context) {
  if ((context.GetFlags() & SF_MAINTENANCE_WIZARD) != 0) return SF_INSTALL_AGAIN;
  return (context.GetFlags() & SF_TYPE_SECOND) != 0 ? SF_TYPE_SECOND : SF_TYPE_FIRST;
}
