#include "actions/ini_actions.h"

#include <string>

#include "platform/platform.h"
#include "script/script_line.h"
#include "script/setup_script.h"

void RunIniSection(const CSetupScript& script, const CScriptSection& section, int mode) {
  for (const std::string& line : section.GetLines()) ApplyIniLine(script, line, mode);
}

void ApplyIniLine(const CSetupScript& script, std::string_view line, int mode) {
  const platform::Platform& platform = script.GetContext().GetPlatform();
  const std::string file = script.GetField(line, 0);
  const std::string section = script.GetField(line, 1);
  const std::string entry = script.GetField(line, 3);

  const std::size_t split = entry.find_first_of("=,");
  const std::string key(Trim(std::string_view(entry).substr(0, split)));
  std::string value;
  if (split != std::string::npos) {
    const std::string_view rest = std::string_view(entry).substr(split + 1);
    value = std::string(Trim(rest.substr(0, rest.find_first_of("=,"))));
  }
  // Without a key the call would write a nameless "=value" line no reader
  // finds; without a file or section it would go to a file nobody named.
  if (file.empty() || section.empty() || key.empty()) return;

  platform::IProfileFiles& profiles = platform.Profiles();
  if (mode == kIniRemove) {
    profiles.WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str());
  } else {
    profiles.WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
  }
}
