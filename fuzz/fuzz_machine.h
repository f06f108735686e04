// A simulated Windows 98 machine in a temporary folder, made once per fuzzer
// process with its platform, for the targets that read through it.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"

namespace fuzz_support {

inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

struct FuzzMachine {
  std::filesystem::path folder;
  std::optional<sim::Machine> machine;
  std::unique_ptr<sim::SimPlatform> platform;
};

inline FuzzMachine& TheMachine() {
  static FuzzMachine* world = [] {
    auto* w = new FuzzMachine;
    std::string pattern = (std::filesystem::temp_directory_path() / "setup-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::string error;
    w->folder = std::filesystem::path(pattern) / "m";
    if (!sim::Machine::Create(w->folder, sim::OsKind::Win98, "ENU", error)) std::abort();
    w->machine = sim::Machine::Open(w->folder, error);
    if (!w->machine) std::abort();
    w->platform = std::make_unique<sim::SimPlatform>(*w->machine, "D:\\SETUP.EXE");
    // Boxes are answered without recording, so the machine's log stays small.
    w->platform->SetMessageAnswerer([](const platform::MessageBoxRequest&) { return IDOK; });
    return w;
  }();
  return *world;
}

}  // namespace fuzz_support
