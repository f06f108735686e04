// Fuzzes the command line: the options read into the setup context, and a
// whole start-up (COMPANY.INI, script check, install record) with them on a
// simulated machine.
//
// Input: the command line.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/install_app.h"
#include "fuzz_machine.h"

using fuzz_support::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const platform::Platform& platform = fuzz_support::TheMachine().platform->Interfaces();
  const std::string_view commandLine(reinterpret_cast<const char*>(data), size);
  CSetupContext context(platform);
  context.ParseCommandLine(commandLine);
  Check(context.GetLanguage() >= -1 && context.GetLanguage() < kLanguageCount, "a language of the table, or none");
  Check(context.GetLanguageCode().size() == 3, "a three-letter language code");
  (void)context.GetScriptPath();

  CInstallApp app{platform, std::string(commandLine)};
  (void)app.StartUp();
  return 0;
}
