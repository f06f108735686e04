// The simulated NT machine's SETUPAPI.DLL keeps a record of its device
// installs in events.log, as its 98 device installer does of the thunk calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/outside_libraries.h"
#include "platform/setup_api.h"
#include "platform/sim/built_in_libraries.h"
#include "support/temp_machine.h"

namespace {

using namespace setupapi;
using testing_support::ReadHostFile;
using testing_support::TempMachine;

constexpr Guid kDisplayClass{0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

template <typename Proc>
Proc Entry(const char* name) {
  return outside::EntryPointAs<Proc>(sim::BuiltInEntryPoint(kLibraryName, name));
}

TEST(SetupApiRecordTest, EachDeviceInstallAndEachFailureIsALineOfEventsLog) {
  TempMachine machine(sim::OsKind::NT4);
  machine.PutFile("drive_c/PROBE.INF",
                  "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Display\r\n"
                  "ClassGUID={4D36E968-E325-11CE-BFC1-08002BE10318}\r\nProvider=Maker\r\n"
                  "[Manufacturer]\r\nMaker=Models\r\n[Models]\r\nProbe adapter=Probe.Install\r\n"
                  "[Probe.Install]\r\n[Probe.Install.Services]\r\nAddService=probe,2,Probe.Service\r\n"
                  "[Probe.Service]\r\nServiceType=1\r\n");
  HDEVINFO set = Entry<CreateDeviceInfoListProc>(kCreateDeviceInfoList)(&kDisplayClass, nullptr);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  const char* id = "Root\\LEGACY_probe\\0000";
  ASSERT_TRUE(Entry<CreateDeviceInfoProc>(kCreateDeviceInfo)(set, id, &kDisplayClass, nullptr, nullptr, 0, &device));
  const auto install = Entry<InstallDeviceProc>(kInstallDevice);
  EXPECT_FALSE(install(set, &device)) << "no driver selected";

  SP_DEVINSTALL_PARAMS_A params{};
  params.cbSize = sizeof params;
  ASSERT_TRUE(Entry<GetDeviceInstallParamsProc>(kGetDeviceInstallParams)(set, &device, &params));
  params.Flags = DI_ENUMSINGLEINF;
  std::strcpy(params.DriverPath, "C:\\PROBE.INF");
  ASSERT_TRUE(Entry<SetDeviceInstallParamsProc>(kSetDeviceInstallParams)(set, &device, &params));
  ASSERT_TRUE(Entry<BuildDriverInfoListProc>(kBuildDriverInfoList)(set, &device, SPDIT_CLASSDRIVER));
  SP_DRVINFO_DATA_A driver{};
  driver.cbSize = sizeof driver;
  driver.DriverType = SPDIT_CLASSDRIVER;
  std::strcpy(driver.Description, "Other adapter");
  std::strcpy(driver.MfgName, "Maker");
  std::strcpy(driver.ProviderName, "Maker");
  const auto select = Entry<SetSelectedDriverProc>(kSetSelectedDriver);
  EXPECT_FALSE(select(set, &device, &driver));
  std::strcpy(driver.Description, "Probe adapter");
  ASSERT_TRUE(select(set, &device, &driver));
  ASSERT_TRUE(install(set, &device));
  Entry<DestroyDeviceInfoListProc>(kDestroyDeviceInfoList)(set);

  const std::string log = ReadHostFile(machine.Folder() / "events.log");
  EXPECT_NE(log.find("setupapi install \"Root\\LEGACY_probe\\0000\" \"\" \"\" error 0xE0000203\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("setupapi select \"Root\\LEGACY_probe\\0000\" \"Other adapter\" \"Maker\" \"Maker\" error 0x00000057\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("setupapi install \"Root\\LEGACY_probe\\0000\" \"probe\" \"Probe adapter\"\n"), std::string::npos)
      << log;
}

}  // namespace
