// The simulated Windows 98 device installer behind the thunk library: the
// INF it is given read by the machine's own reader, the driver key and its
// HKR values, the devices linked, the standard VGA driver put back.
#include <gtest/gtest.h>

#include <string>

#include "platform/outside_libraries.h"
#include "platform/sim/built_in_libraries.h"
#include "platform/sim/inf_file.h"
#include "support/temp_machine.h"

using testing_support::ReadHostFile;
using testing_support::TempMachine;

namespace {

TEST(InfFileTest, QuotesCommentsContinuationsAndStrings) {
  const auto inf = sim::InfFile::Parse(
      "; a comment\r\n[Version]\r\nProvider=%Maker%\r\n"
      "[models]\r\n%Desc% = Vela.Install, , \"PCI\\VEN_12AB&DEV_0042\" ; the card\r\n"
      "[Vela.Install]\r\nAddReg=A,\\\r\n  B\r\n"
      "[Strings]\r\nMaker=\"Halvion, Inc.\"\r\nDesc=\"Vela 3D; 8 MB\"\r\n");
  EXPECT_EQ(inf.Value("version", "PROVIDER"), "Halvion, Inc.");
  const auto* models = inf.Section("Models");
  ASSERT_NE(models, nullptr);
  ASSERT_EQ(models->size(), 1u);
  EXPECT_EQ(models->front().key, "Vela 3D; 8 MB");
  EXPECT_EQ(models->front().Field(1), "Vela.Install");
  EXPECT_EQ(models->front().Field(2), "");
  EXPECT_EQ(models->front().Field(3), "PCI\\VEN_12AB&DEV_0042");
  const auto* install = inf.Section("Vela.Install");
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->front().Field(2), "B") << "continued on the next line";
  EXPECT_EQ(inf.Section("Missing"), nullptr);
}

constexpr const char* kTwoAdapters =
    "[Display]\n"
    "1=\\\\.\\Display1|Enum\\PCI\\VEN_12AB&DEV_0042&SUBSYS_0\\000800|Vela 3D\n"
    "2=\\\\.\\Display2|Enum\\PCI\\VEN_12AB&DEV_0042&SUBSYS_0\\000900|Vela 3D\n"
    "[Monitors]\n1=\\\\.\\Display1\n2=\\\\.\\Display2\n";

constexpr const char* kDriverInf =
    "[Version]\r\nClass=Display\r\nProvider=%Maker%\r\n"
    "[Manufacturer]\r\n%Maker%=Models\r\n"
    "[Models]\r\n%Desc%=Vela.Install,,PCI\\VEN_12AB&DEV_0042\r\n"
    "[Vela.Install]\r\nDelReg=Vela.DelReg\r\nAddReg=Vela.AddReg\r\n"
    "[Vela.DelReg]\r\nHKLM,Software\\Old,Stale\r\n"
    "[Vela.AddReg]\r\nHKR,DEFAULT,drv,,vela.drv\r\nHKR,,Modes,0x10001,3\r\nHKR,,Bytes,1,0a,0b\r\n"
    "[Strings]\r\nMaker=Halvion\r\nDesc=\"Vela 3D\"\r\n";

class DeviceInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_machine.SetHardware(kTwoAdapters);
    m_machine.PutFile("drive_c/DRV/SETUP.INF", kDriverInf);
    m_machine.Machine().Registry().SetString("HKEY_LOCAL_MACHINE\\Software\\Old", "Stale", "x");
  }
  std::string Reg(const std::string& key) {
    return m_machine.Machine().Registry().Export("HKEY_LOCAL_MACHINE\\" + key).value_or("(no key)");
  }
  template <typename Proc>
  Proc Entry(const char* name) {
    return outside::EntryPointAs<Proc>(sim::BuiltInEntryPoint("_THUNK32.DLL", name));
  }
  TempMachine m_machine;
};

constexpr const char* kId = "PCI\\VEN_12AB&DEV_0042";
constexpr const char* kClass = "System\\CurrentControlSet\\Services\\Class\\Display\\";

TEST_F(DeviceInstallerTest, DriverKeyWithItsHkrValuesLinkedToEveryDevice) {
  // Windows found the devices and drives them with the standard VGA driver.
  EXPECT_NE(Reg("Enum\\PCI\\VEN_12AB&DEV_0042&SUBSYS_0\\000800").find("\"DeviceDesc\"=\"Vela 3D\""), std::string::npos);
  auto install = Entry<outside::DoDriverInstall32Proc>(outside::kDoDriverInstall32);
  ASSERT_EQ(install("Display", kId, "Other.Section", "C:\\DRV\\SETUP.INF", "Vela 3D", "Halvion"), 0);
  const std::string driver = Reg(std::string(kClass) + "0001");
  EXPECT_NE(driver.find("\"DriverDesc\"=\"Vela 3D\""), std::string::npos) << driver;
  EXPECT_NE(driver.find("\"InfSection\"=\"Vela.Install\""), std::string::npos) << "the model's section: " << driver;
  EXPECT_NE(driver.find("\"ProviderName\"=\"Halvion\""), std::string::npos);
  EXPECT_NE(driver.find("\"MatchingDeviceId\"=\"PCI\\\\VEN_12AB&DEV_0042\""), std::string::npos);
  EXPECT_NE(driver.find("\"Modes\"=dword:00000003"), std::string::npos) << driver;
  EXPECT_NE(driver.find("\"Bytes\"=hex:0a,0b"), std::string::npos) << driver;
  EXPECT_NE(driver.find("\"drv\"=\"vela.drv\""), std::string::npos) << "HKR,DEFAULT: " << driver;
  EXPECT_EQ(Reg("Software\\Old").find("Stale"), std::string::npos) << "DelReg ran";
  for (const char* device : {"000800", "000900"}) {
    EXPECT_NE(Reg(std::string("Enum\\PCI\\VEN_12AB&DEV_0042&SUBSYS_0\\") + device).find("\"Driver\"=\"Display\\\\0001\""),
              std::string::npos);
  }
  const std::string log = ReadHostFile(m_machine.Folder() / "events.log");
  EXPECT_NE(log.find("thunk DoDriverInstall32 \"Display\" \"PCI\\VEN_12AB&DEV_0042\" \"Other.Section\" "
                     "\"C:\\DRV\\SETUP.INF\" \"Vela 3D\" \"Halvion\""),
            std::string::npos)
      << log;

  EXPECT_NE(install("Display", "PCI\\VEN_1&DEV_2", "Missing", "C:\\DRV\\SETUP.INF", "X", "Y"), 0)
      << "an install section the INF lacks fails";
  EXPECT_NE(install("Display", kId, "Vela.Install", "C:\\DRV\\NONE.INF", "X", "Y"), 0) << "no INF, no driver";
}

TEST_F(DeviceInstallerTest, OneDeviceAndBackToTheStandardVgaDriver) {
  auto multi = Entry<outside::DoMultiDriverInstall32Proc>(outside::kDoMultiDriverInstall32);
  auto compatible = Entry<outside::InstallCompatibleDriver32Proc>(outside::kInstallCompatibleDriver32);
  multi("Display", kId, "Vela.Install", "C:\\DRV\\SETUP.INF", "Vela 3D", "Halvion", 1);
  EXPECT_NE(Reg("Enum\\PCI\\VEN_12AB&DEV_0042&SUBSYS_0\\000800").find("\"Driver\"=\"Display\\\\0000\""),
            std::string::npos)
      << "device 0 keeps its driver";
  EXPECT_NE(Reg("Enum\\PCI\\VEN_12AB&DEV_0042&SUBSYS_0\\000900").find("\"Driver\"=\"Display\\\\0001\""),
            std::string::npos);

  // Two devices with the identifier on Windows 98: the device number follows.
  m_machine.Machine().Registry().RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kClass) + "0000").c_str());
  EXPECT_EQ(compatible("Display", kId, std::int32_t{1}), 0);
  EXPECT_EQ(Reg(std::string(kClass) + "0001"), "(no key)") << "the replaced driver's key goes";
  EXPECT_NE(Reg(std::string(kClass) + "0000").find("\"DriverDesc\"=\"Standard Display Adapter (VGA)\""),
            std::string::npos);
  EXPECT_NE(Reg("Enum\\PCI\\VEN_12AB&DEV_0042&SUBSYS_0\\000900").find("\"Driver\"=\"Display\\\\0000\""),
            std::string::npos);
  EXPECT_NE(ReadHostFile(m_machine.Folder() / "events.log")
                .find("thunk InstallCompatibleDriver32 \"Display\" \"PCI\\VEN_12AB&DEV_0042\" 1\n"),
            std::string::npos);
}

TEST(FreshMachineTest, Windows98HasItsIniFilesAndDriverKeys) {
  TempMachine machine(sim::OsKind::Win98);
  const std::string system = ReadHostFile(machine.Folder() / "drive_c/WINDOWS/SYSTEM.INI");
  EXPECT_NE(system.find("[boot.description]\r\n"), std::string::npos);
  EXPECT_NE(ReadHostFile(machine.Folder() / "drive_c/WINDOWS/WIN.INI").find("[windows]\r\n"), std::string::npos);
  const auto& r = machine.Machine().Registry();
  EXPECT_TRUE(r.Export("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\InstalledFiles"));
  EXPECT_NE(r.Export("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion")
                ->find("\"OtherDevicePath\"=\"C:\\\\WINDOWS\\\\INF\\\\OTHER\""),
            std::string::npos);
  EXPECT_TRUE(r.Export(std::string("HKEY_LOCAL_MACHINE\\") + kClass + "0000"));
}

}  // namespace
