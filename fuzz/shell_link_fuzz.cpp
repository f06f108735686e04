// Fuzzes the shell links of the simulated machine with what a program-group
// line can put in them: description, target, arguments, working folder and
// icon come from the input, the link is saved, loaded again and read back
// through small buffers; the saved file must also read as a link file. The
// input itself is read as a link file too.
//
// Input: byte 0 is the icon index; the rest holds the five strings, each
// ended by a NUL.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_machine.h"
#include "platform/platform.h"
#include "platform/sim/shell_link_file.h"

using fuzz_support::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz_support::FuzzMachine& world = fuzz_support::TheMachine();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)sim::ReadShellLinkFile(bytes);

  std::vector<std::string> fields;
  for (std::size_t at = 1; fields.size() < 5;) {
    const std::size_t end = bytes.find('\0', at);
    fields.emplace_back(bytes.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    at = end == std::string_view::npos ? bytes.size() : end + 1;
  }
  platform::IShellLinks& links = world.platform->Interfaces().ShellLinks();
  std::unique_ptr<platform::IShellLinkObject> link;
  if (!platform::Succeeded(links.CreateShellLink(link)) || !link) return 0;
  link->SetDescription(fields[0].c_str());
  link->SetPath(fields[1].c_str());
  link->SetArguments(fields[2].c_str());
  link->SetWorkingDirectory(fields[3].c_str());
  link->SetIconLocation(fields[4].c_str(), static_cast<std::int8_t>(data[0]));
  const char* file = "C:\\WINDOWS\\Start Menu\\Programs\\Fuzz.lnk";
  if (!platform::Succeeded(link->Save(file, 1))) return 0;

  std::unique_ptr<platform::IShellLinkObject> loaded;
  Check(platform::Succeeded(links.CreateShellLink(loaded)) && loaded != nullptr, "a second link");
  Check(platform::Succeeded(loaded->Load(file)), "a saved link loads");
  // Guard bytes after each small buffer: nothing is written past its size.
  char buffer[24 + 8];
  std::memset(buffer, 0x5A, sizeof buffer);
  int icon = 0;
  loaded->GetDescription(buffer, 24);
  loaded->GetPath(buffer, 24);
  loaded->GetArguments(buffer, 24);
  loaded->GetWorkingDirectory(buffer, 24);
  loaded->GetIconLocation(buffer, 24, &icon);
  for (std::size_t i = 24; i < sizeof buffer; ++i) Check(buffer[i] == 0x5A, "buffer not overrun");

  std::vector<char> saved;
  Check(world.platform->Interfaces().Files().ReadWholeFile(file, saved), "the link file is there");
  Check(sim::ReadShellLinkFile(std::string_view(saved.data(), saved.size())).has_value(), "a saved link reads");
  (void)world;
  return 0;
}
