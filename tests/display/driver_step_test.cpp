// The driver step's own rules, beside the whole runs: what a component
// without a driver or an action leaves alone, a thunk library without the
// entry point, and Windows NT without its device installer.
#include <gtest/gtest.h>

#include "app/install_app.h"
#include "display/driver_install.h"
#include "core/registry_key.h"
#include "platform/sim/sim_platform.h"
#include "script/app_fixture.h"

namespace {

class DriverStep : public script_test::AppOnMachine {
 public:
  explicit DriverStep(const std::string& hardware) : AppOnMachine(sim::OsKind::Win98, hardware) {
    App().GetThunkLibrary().Load(Context(), App().GetMessages());
    driver.m_strDriverClass = "Display";
    driver.m_strHardwareId = "PCI\\VEN_1A5C&DEV_0330";
    driver.m_strDescription = "Vela 3D";
  }
  CComponent driver{Script(), "Vela3D"};
  CDisplayDriverInstall step{Script()};
};

TEST(DriverStepTest, NothingToDoChangesNothing) {
  DriverStep s("");
  CComponent tools(s.Script(), "Tools");
  EXPECT_TRUE(s.step.InstallDisplayDriver(tools, Action::Install).GoesOn()) << "not a driver component";
  EXPECT_TRUE(s.step.InstallDisplayDriver(s.driver, Action::None).GoesOn());
  EXPECT_EQ(s.Context().GetFlags() & SF_RESTART_NEEDED, 0u) << "no restart asked for";
}

TEST(DriverStepTest, AMissingEntryPointFailsTheStep) {
  DriverStep s("[MissingEntryPoints]\n_THUNK32.DLL=DoDriverInstall32,DoMultiDriverInstall32,InstallCompatibleDriver32\n");
  EXPECT_EQ(s.step.InstallDisplayDriver(s.driver, Action::Install).Code(), 1);
  EXPECT_NE(s.Context().GetFlags() & SF_RESTART_NEEDED, 0u);
  EXPECT_EQ(s.step.InstallDisplayDriver(s.driver, Action::Remove).Code(), 1);
  // Several devices, none chosen: the entry point is still needed first.
  s.driver.m_nDeviceCount = 2;
  s.driver.m_deviceList.resize(2);
  EXPECT_EQ(s.step.InstallDisplayDriver(s.driver, Action::Install).Code(), 1);
  EXPECT_TRUE(s.Messages().empty()) << "no message of its own";
}

// The driver key a Windows 98 display device is driven by.
std::string DriverOf(const platform::Platform& platform, const std::string& enumKey) {
  CRegistryKey key(platform, HKEY_LOCAL_MACHINE);
  return key.Open(enumKey, KEY_READ) ? key.ReadString("Driver") : std::string("(no key)");
}

TEST(DriverStepTest, RemovalOnWindows98NamesTheDeviceAndFailsWhenNothingChanged) {
  // Two devices with the identifier; the second has no DeviceDesc, so the
  // setup program counts one device where the library finds two.
  DriverStep s(
      "[Display]\n"
      "1=\\\\.\\Display1|Enum\\PCI\\VEN_1A5C&DEV_0330&SUBSYS_0\\000800|Halvion Vela 3D\n"
      "2=\\\\.\\Display2|Enum\\PCI\\VEN_1A5C&DEV_0330&SUBSYS_0\\000900\n");
  s.driver.m_nDeviceCount = 1;
  const std::string events = testing_support::ReadHostFile(sim::ActiveMachine()->Folder() / "events.log");
  EXPECT_TRUE(s.step.InstallDisplayDriver(s.driver, Action::Remove).GoesOn());
  const std::string call = testing_support::ReadHostFile(sim::ActiveMachine()->Folder() / "events.log").substr(events.size());
  EXPECT_EQ(call, "thunk InstallCompatibleDriver32 \"Display\" \"PCI\\VEN_1A5C&DEV_0330\"\n")
      << "the single device, never a number read from nowhere";
  EXPECT_EQ(DriverOf(s.Interfaces(), "Enum\\PCI\\VEN_1A5C&DEV_0330&SUBSYS_0\\000800"), "Display\\0000");
  EXPECT_EQ(DriverOf(s.Interfaces(), "Enum\\PCI\\VEN_1A5C&DEV_0330&SUBSYS_0\\000900"), "Display\\0000");

  // No device has the identifier: nothing was given back, so the step fails.
  s.driver.m_strHardwareId = "PCI\\VEN_1A5C&DEV_9999";
  EXPECT_TRUE(s.step.InstallDisplayDriver(s.driver, Action::Remove).Stops());
  // Of several chosen devices, one that kept its driver fails the step.
  s.driver.m_strHardwareId = "PCI\\VEN_1A5C&DEV_0330";
  s.driver.m_nDeviceCount = 2;
  s.driver.m_deviceList.resize(2);
  s.driver.m_deviceList[0].m_nDevice = 7;
  s.driver.m_deviceList[1].m_nDevice = 1;
  for (CDisplayDevice& device : s.driver.m_deviceList) device.m_bChosen = true;
  EXPECT_TRUE(s.step.InstallDisplayDriver(s.driver, Action::Remove).Stops());
}

TEST(DriverStepTest, WindowsNtWithoutItsDeviceInstallerFailsTheInstallButNotTheRemoval) {
  script_test::AppOnMachine s(sim::OsKind::NT4, "[Libraries]\nSETUPAPI.DLL=0\n[DisplayService]\nName=vela\n");
  s.LoadScript("[Vela3D.Services]\nAddService=vela,0x00000002,Service.Vela\n[Other.Services]\n");
  CComponent driver(s.Script(), "Vela3D");
  driver.m_strDriverClass = "Display";
  driver.m_strDescription = "Halvion Vela 3D";
  CDisplayDriverInstall step(s.Script());
  EXPECT_EQ(step.InstallDisplayDriver(driver, Action::Install).Code(), 1);
  EXPECT_EQ(s.CountMessages(MSG_DRIVER_NOT_INSTALLED), 1);
  CRegistryKey service(s.Interfaces(), HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(service.Open("SYSTEM\\CurrentControlSet\\Services\\vela"));
  // A DWORD read as text: its first byte.
  EXPECT_EQ(service.ReadString("Start"), std::string("\x01")) << "nothing was disabled";

  // Removal needs no device installer; without a service name it changes nothing.
  CComponent other(s.Script(), "Other");
  other.m_strDriverClass = "Display";
  EXPECT_TRUE(step.InstallDisplayDriver(other, Action::Remove).GoesOn());
  // A record naming the removed service itself gives nothing back.
  s.Context().SetDisabledDisplayService("vela", 1);
  EXPECT_TRUE(step.InstallDisplayDriver(driver, Action::Remove).GoesOn());
  EXPECT_EQ(service.ReadString("Start"), std::string("\x04")) << "disabled";
  EXPECT_EQ(s.CountMessages(MSG_DRIVER_NOT_INSTALLED), 1) << "removal shows nothing";
}

}  // namespace
