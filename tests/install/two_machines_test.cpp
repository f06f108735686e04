// Two simulated machines in one process, each installing at the same time
// on a thread of its own: every call, the built-in libraries' included,
// reaches the machine of the program that made it.
#include <gtest/gtest.h>

#include <filesystem>
#include <latch>
#include <string>
#include <thread>

#include "app/install_app.h"
#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadHostFile;

struct Result {
  bool succeeded = false;
  std::string events;
  bool driverInstalled = false;
};

// Installs the sample on a fresh machine of that system with that example's
// adapter; both machines stand before either program starts.
void InstallOn(sim::OsKind os, const char* hardware, std::latch& bothReady, Result& result) {
  testing_support::TempMachine machine(os);
  machine.SetHardware(ReadHostFile(fs::path(SETUP_EXAMPLE_MACHINES_DIR) / hardware));
  fs::copy(SETUP_SAMPLE_DIR, machine.Folder() / "drive_d",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  bothReady.arrive_and_wait();
  CInstallApp app(machine.Interfaces(), "/S");
  app.Run();
  result.succeeded = app.GetOutcome().Succeeded();
  result.driverInstalled = !app.GetOutcome().m_drivers.empty() && app.GetOutcome().DriversDone();
  result.events = ReadHostFile(machine.Folder() / "events.log");
}

TEST(TwoMachinesTest, EachInstallationReachesOnlyItsOwnMachine) {
  std::latch bothReady(2);
  Result windows98, windowsNt;
  std::thread first(InstallOn, sim::OsKind::Win98, "win98-adapter.hardware.ini", std::ref(bothReady), std::ref(windows98));
  std::thread second(InstallOn, sim::OsKind::NT4, "nt4-adapter.hardware.ini", std::ref(bothReady), std::ref(windowsNt));
  first.join();
  second.join();

  EXPECT_TRUE(windows98.succeeded) << windows98.events;
  EXPECT_TRUE(windowsNt.succeeded) << windowsNt.events;
  EXPECT_TRUE(windows98.driverInstalled) << windows98.events;
  EXPECT_TRUE(windowsNt.driverInstalled) << windowsNt.events;
  // The NT device installer's records stay on the NT machine.
  EXPECT_NE(windowsNt.events.find("setupapi install"), std::string::npos) << windowsNt.events;
  EXPECT_EQ(windows98.events.find("setupapi"), std::string::npos) << windows98.events;
}

}  // namespace
