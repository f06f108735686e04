// Fuzzes the profile (INI) reader and writer of the simulated machine: the
// input is an INI file in the Windows folder, read by section, by key, as a
// number and as a whole section, then changed and read back.
//
// Input: byte 0 picks the buffer size (low 4 bits, 1 to 16 times 16 bytes);
// the rest is the file.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_machine.h"
#include "platform/platform.h"

using fuzz_support::Check;

namespace {

constexpr const char* kFile = "FUZZ.INI";

// NUL-terminated copies of the first names the file holds, to ask for.
std::vector<std::string> Names(const char* list, std::size_t size) {
  std::vector<std::string> names;
  for (std::size_t at = 0; at < size && list[at] != '\0' && names.size() < 4;) {
    names.emplace_back(list + at);
    at += names.back().size() + 1;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz_support::FuzzMachine& world = fuzz_support::TheMachine();
  const std::size_t bufferSize = ((data[0] & 0x0F) + 1) * 16u;
  {
    std::FILE* out = std::fopen((world.folder / "drive_c/WINDOWS/FUZZ.INI").c_str(), "wb");
    if (out == nullptr) std::abort();
    std::fwrite(data + 1, 1, size - 1, out);
    std::fclose(out);
  }
  platform::IProfileFiles& profiles = world.platform->Interfaces().Profiles();
  // Guard bytes after each buffer: nothing is written past its size.
  std::vector<char> buffer(bufferSize + 8, '\x5A');
  const auto size32 = static_cast<platform::DWORD>(bufferSize);
  auto guarded = [&] {
    for (std::size_t i = bufferSize; i < buffer.size(); ++i) Check(buffer[i] == '\x5A', "buffer not overrun");
  };

  platform::DWORD n = profiles.GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), size32, kFile);
  guarded();
  Check(n < bufferSize, "section list within the buffer");
  const std::vector<std::string> sections = Names(buffer.data(), n);
  for (const std::string& section : sections) {
    n = profiles.GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), size32, kFile);
    guarded();
    const std::vector<std::string> keys = Names(buffer.data(), n);
    for (const std::string& key : keys) {
      n = profiles.GetPrivateProfileStringA(section.c_str(), key.c_str(), "none", buffer.data(), size32, kFile);
      guarded();
      Check(n < bufferSize && buffer[n] == '\0', "a value ends within the buffer");
      (void)profiles.GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, kFile);
    }
    n = profiles.GetPrivateProfileSectionA(section.c_str(), buffer.data(), size32, kFile);
    guarded();
    Check(n < bufferSize, "a section within the buffer");
  }
  // A value written is read back as written.
  const std::string section = sections.empty() ? "Fuzz" : sections.front();
  const bool plainName = !section.empty() && section.find_first_of("[];=\r\n\t ") == std::string::npos;
  if (plainName &&
      profiles.WritePrivateProfileStringA(section.c_str(), "Written", "value", kFile)) {
    char back[16] = {};
    profiles.GetPrivateProfileStringA(section.c_str(), "Written", "", back, sizeof back, kFile);
    Check(std::strcmp(back, "value") == 0, "a written value reads back");
  }
  profiles.WritePrivateProfileSectionA("Lines", "A=1\0B=2\0", kFile);
  return 0;
}
