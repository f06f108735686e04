// Fuzzes the readers of the simulated machine's description files: the
// strict INI reader, the hardware description built on it, and a machine
// opened with the input as its machine.ini or hardware.ini. What the reader
// accepts is written again and must read back the same.
//
// Input: byte 0 bit 0 picks machine.ini (set) or hardware.ini; the rest is the file.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz_machine.h"
#include "platform/shared/config_file.h"
#include "platform/shared/hardware_description.h"

using fuzz_support::Check;

namespace {

std::string ReadFile(const std::filesystem::path& file) {
  std::string text;
  if (std::FILE* in = std::fopen(file.c_str(), "rb")) {
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) text.append(chunk, n);
    std::fclose(in);
  }
  return text;
}

void WriteFile(const std::filesystem::path& file, std::string_view text) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) std::abort();
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool machineIni = (data[0] & 1) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* name = machineIni ? "machine.ini" : "hardware.ini";

  std::string error;
  const auto config = sim::ConfigFile::Parse(text, name, error);
  Check(config.has_value() || !error.empty(), "a refused file is named with its reason");
  if (config) {
    const std::string written = config->Serialize();
    const auto again = sim::ConfigFile::Parse(written, name, error);
    Check(again.has_value() && again->Serialize() == written, "a written file reads back the same");
  }
  if (!machineIni) (void)sim::HardwareDescription::Parse(text, error);

  // A whole machine with this file: it opens, or says why not.
  static const std::filesystem::path folder = fuzz_support::TheMachine().folder;
  static const std::string original[2] = {ReadFile(folder / "hardware.ini"), ReadFile(folder / "machine.ini")};
  WriteFile(folder / name, text);
  const auto machine = sim::Machine::Open(folder, error);
  Check(machine.has_value() || !error.empty(), "a machine that does not open says why");
  WriteFile(folder / name, original[machineIni ? 1 : 0]);
  return 0;
}
