// A whole unattended installation of the minimal distribution with its Nth
// platform call failed, for N = 1, 2, … until a run needs no failure. After
// each: the machine folder loads and its registry is whole, the run changed
// nothing that a run without faults leaves alone, and a second run without
// faults installs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "answers.h"
#include "app/install_app.h"
#include "changes.h"
#include "outcome.h"
#include "platform/ascii_text.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "support/faulty_platform.h"
#include "support/temp_machine.h"
#include "support/winsim_command.h"
#include "ui/headless/headless_host.h"

namespace fs = std::filesystem;
using testing_support::ReadHostFile;
using testing_support::Winsim;

namespace {

struct FaultedRun {
  winsim::RunStatus status = winsim::kRunSucceeded;
  long calls = 0;          // the platform calls the run made
  std::string failedCall;  // empty: none failed
};

// `D:\SETUP.EXE /S` on the machine in `folder`, its platform call `failAt`
// failed (0: none), message boxes answered with their default button.
FaultedRun RunSetup(const fs::path& folder, long failAt) {
  std::string error;
  auto machine = sim::Machine::Open(folder, error);
  if (!machine) throw std::runtime_error(error);
  FaultedRun result;
  CRunOutcome outcome;
  {
    sim::SimPlatform simulated(*machine, "D:\\SETUP.EXE");
    simulated.SetMessageAnswerer(
        [](const platform::MessageBoxRequest& request) { return winsim::BoxButtons(request.type).front(); });
    ui::HeadlessHost host(simulated);
    simulated.SetWizardHost(&host);
    {
      testing_support::FaultyPlatform faults(simulated.Interfaces());
      faults.FailCall(failAt);
      CInstallApp app(faults.Wrapped(), "/S");
      app.Run();
      outcome = app.GetOutcome();
      result.calls = faults.state.calls;
      result.failedCall = faults.state.failedCall;
    }
    simulated.SetWizardHost(nullptr);
  }
  result.status = winsim::StatusOf(outcome);
  return result;
}

// What a run changed on a machine: files by Windows path, registry values
// as "key\name", removed keys as "key\"; each marked whether it was there before.
std::map<std::string, bool> Changes(const winsim::MachineSnapshot& before, const winsim::MachineSnapshot& after) {
  std::map<std::string, bool> changes;
  for (const auto& [path, content] : after.files) {
    auto old = before.files.find(path);
    if (old == before.files.end()) {
      changes[path] = false;
    } else if (old->second != content) {
      changes[path] = true;
    }
  }
  for (const auto& [path, content] : before.files) {
    if (after.files.count(path) == 0) changes[path] = true;
  }
  for (const auto& [key, named] : after.registry) {
    auto old = before.registry.find(key);
    for (const auto& [name, data] : named) {
      if (old == before.registry.end()) {
        changes[key + "\\" + name] = false;
        continue;
      }
      auto value = old->second.find(name);
      if (value == old->second.end()) {
        changes[key + "\\" + name] = false;
      } else if (value->second != data) {
        changes[key + "\\" + name] = true;
      }
    }
  }
  for (const auto& [key, named] : before.registry) {
    auto now = after.registry.find(key);
    if (now == after.registry.end()) changes[key + "\\"] = true;
    for (const auto& [name, data] : named) {
      if (now == after.registry.end() || now->second.count(name) == 0) changes[key + "\\" + name] = true;
    }
  }
  return changes;
}

bool StartsWithNoCase(const std::string& text, const std::string& start) {
  return text.size() >= start.size() && ascii::EqualNoCase(text.substr(0, start.size()), start);
}

TEST(FaultLoopTest, EveryFailedCallOfAnInstallationLeavesAMachineThatInstallsAgain) {
  const fs::path root = testing_support::MakeTempFolder("winsim-faults-");
  const fs::path pristine = root / "pristine";
  ASSERT_EQ(Winsim({"new", pristine.string()}).status, 0);
  // The adapter the distribution's driver is for, so the run goes through the driver step.
  fs::copy_file(fs::path(SETUP_EXAMPLE_MACHINES_DIR) / "lumen-adapter.hardware.ini", pristine / "hardware.ini",
                fs::copy_options::overwrite_existing);
  ASSERT_EQ(Winsim({"insert", pristine.string(), SETUP_MINIMAL_DIR}).status, 0);
  const winsim::MachineSnapshot fresh = winsim::TakeSnapshot(pristine);

  // What a run without faults changes, a faulted run may change too.
  const fs::path clean = root / "clean";
  fs::copy(pristine, clean, fs::copy_options::recursive);
  const FaultedRun whole = RunSetup(clean, 0);
  ASSERT_EQ(whole.status, winsim::kRunSucceeded);
  ASSERT_GT(whole.calls, 0);
  const std::map<std::string, bool> wholeChanges = Changes(fresh, winsim::TakeSnapshot(clean));
  // Beyond that it may leave what it made below the destination an
  // unattended run takes, and new files in the Windows folder (where the
  // Start menu, the system folder and the drivers are) or new registry
  // values, as another road of the driver step makes; it may not change or
  // remove anything that was there before, nor touch another folder.
  const std::string destination = "C:\\Program Files\\Halvion\\";
  std::string windows;
  {
    std::string error;
    windows = sim::Machine::Open(pristine, error)->WindowsDir() + "\\";
  }
  const auto allowed = [&](const std::string& change, bool existed) {
    if (wholeChanges.count(change) != 0 || StartsWithNoCase(change, destination)) return true;
    if (existed) return false;
    return StartsWithNoCase(change, windows) || change.rfind("HKEY_", 0) == 0;
  };

  const auto started = std::chrono::steady_clock::now();
  long n = 1;
  for (;; ++n) {
    const fs::path folder = root / "faulted";
    fs::remove_all(folder);
    fs::copy(pristine, folder, fs::copy_options::recursive);
    const FaultedRun faulted = RunSetup(folder, n);
    if (faulted.failedCall.empty()) {
      EXPECT_EQ(faulted.status, winsim::kRunSucceeded) << "a run that needed no failure";
      break;
    }
    const std::string what = "call " + std::to_string(n) + " (" + faulted.failedCall + ") failed";

    std::string error;
    const auto loaded = sim::Machine::Open(folder, error);
    ASSERT_TRUE(loaded) << what << ": " << error;
    ASSERT_EQ(loaded->Registry().Export(), ReadHostFile(folder / "registry.reg")) << what;
    for (const auto& [change, existed] : Changes(fresh, winsim::TakeSnapshot(folder))) {
      EXPECT_TRUE(allowed(change, existed)) << what << ": " << (existed ? "changed " : "made ") << change;
    }

    const FaultedRun again = RunSetup(folder, 0);
    EXPECT_EQ(again.status, winsim::kRunSucceeded) << what << "; the run after it";
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count() / 1000.0;
  std::printf("fault loop: %ld calls in a whole run, N reached %ld, %.1f s\n", whole.calls, n, seconds);
  EXPECT_EQ(n, whole.calls + 1) << "every call of the whole run failed once";
  fs::remove_all(root);
}

}  // namespace
