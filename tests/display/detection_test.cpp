// Hardware detection over the models of a script: the script's own errors,
// the BIOS and PCI searches, and the display devices of Windows 98.
#include <gtest/gtest.h>

#include <string>

#include "app/install_app.h"
#include "display/hardware_detection.h"
#include "script/app_fixture.h"

namespace {

constexpr const char* kModels =
    "[Version]\r\nClass=Display\r\nProvider=%Maker%\r\n"
    "[Strings]\r\nMaker=Halvion\r\nDesc2=Vela 2D\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=10\r\n"
    "[Setup]\r\nOptionDesc=Setup\r\nTip=The setup tip\r\n"
    "[Manufacturer]\r\n%Maker%=Models\r\n"
    "[Models]\r\n"
    "Lost=NoSuchSection,PCI\\VEN_1111&DEV_0001\r\n"
    "Vela 3D=Vela3D,,*PCI\\VEN_1A5C&DEV_0330\r\n"
    "%Desc2%=Vela2D,PCI\\VEN_1A5C&DEV_0210\r\n"
    "Half=Half,PCI\\VEN_2222\r\n"
    "[Vela3D]\r\nBiosString=VELA 3D\r\n"
    "[Vela2D]\r\nReboot\r\n"
    "[Half]\r\nReboot\r\n";

// Ticks the second device only.
class SecondDevice final : public IDeviceChooser {
 public:
  void ChooseDevices(std::vector<CDisplayDevice>& devices, bool maintenance) override {
    ++calls;
    wasMaintenance = maintenance;
    seen = devices.size();
    if (devices.size() > 1) devices[1].m_bChosen = true;
  }
  int calls = 0;
  bool wasMaintenance = true;
  std::size_t seen = 0;
};

class Detection : public script_test::AppOnMachine {
 public:
  Detection(const std::string& script, const std::string& hardware, sim::OsKind os = sim::OsKind::Win98)
      : AppOnMachine(os, hardware) {
    LoadScript(script);
    ReadShared(App().GetDestinationDirs(), "DestinationDirs");
    App().GetThunkLibrary().Load(Context(), App().GetMessages());
    App().GetDetection().SetChooser(chooser);
  }
  bool Build() { return App().GetComponents().Build(&App().GetDetection()); }
  const CComponent* Driver() {
    for (auto& c : App().GetComponents()) {
      if (c->IsDriver()) return c.get();
    }
    return nullptr;
  }
  SecondDevice chooser;
};

TEST(HardwareDetectionTest, TheScriptsOwnFaults) {
  {
    Detection d("[Version]\r\nClass=software\r\n[Setup]\r\n[Manufacturer]\r\nX=Models\r\n", "");
    EXPECT_TRUE(d.Build()) << "no driver: nothing to recognise";
    EXPECT_EQ(d.Driver(), nullptr);
    EXPECT_TRUE(d.Messages().empty());
  }
  {
    Detection d("[Setup]\r\n[Manufacturer]\r\nX=Models\r\n", "");
    EXPECT_FALSE(d.Build());
    EXPECT_EQ(d.CountMessages(MSG_SECTION_MISSING), 1);
  }
  {
    Detection d("[Version]\r\nProvider=P\r\n[Setup]\r\n[Manufacturer]\r\nX=Models\r\n", "");
    EXPECT_FALSE(d.Build());
    ASSERT_EQ(d.CountMessages(1089), 1);
    EXPECT_EQ(d.Messages().back().inserts, (std::vector<std::string>{"Class", "Version"}));
  }
  {
    Detection d("[Version]\r\nClass=Display\r\n[Setup]\r\n[Manufacturer]\r\nX=Models\r\n", "");
    EXPECT_FALSE(d.Build());
    EXPECT_EQ(d.CountMessages(1088), 1) << "the models section is missing";
  }
}

TEST(HardwareDetectionTest, TheBiosTextThenTheBusChooseTheModel) {
  // The 3D model's BIOS text is missing: the 2D model, on the bus but not set up.
  Detection d(kModels, "[Bios]\nText=VELA 2D\n[PCI]\n1=1A5C,0330\n2=1A5C,0210\n");
  ASSERT_TRUE(d.Build());
  const CComponent* driver = d.Driver();
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->m_strName, "Vela2D");
  EXPECT_EQ(driver->m_strHardwareId, "NotInstalled");
  EXPECT_EQ(driver->m_strDescription, "Vela 2D") << "the model's key, expanded";
  EXPECT_EQ(driver->m_strDriverClass, "Display");
  EXPECT_EQ(driver->m_strDriverManufacturer, "Halvion");
  EXPECT_EQ(driver->m_strDriverProvider, "Halvion");
  EXPECT_EQ(driver->m_strTip, "The setup tip");

  // Installed already, written with an asterisk after an empty field.
  Detection set(kModels, "[Bios]\nText=VELA 3D\n[InstalledHardware]\n1=pci\\ven_1a5c&dev_0330\n");
  ASSERT_TRUE(set.Build());
  ASSERT_NE(set.Driver(), nullptr);
  EXPECT_EQ(set.Driver()->m_strName, "Vela3D");
  EXPECT_EQ(set.Driver()->m_strHardwareId, "PCI\\VEN_1A5C&DEV_0330");
}

TEST(HardwareDetectionTest, NoModelIsAnErrorOnlyInAFreshInstallation) {
  // A vendor without a device number matches nothing on the bus.
  Detection fresh(kModels, "[PCI]\n1=2222,0001\n");
  EXPECT_FALSE(fresh.Build());
  EXPECT_EQ(fresh.CountMessages(MSG_NO_MATCHING_MODEL), 1);

  Detection maintenance(kModels, "[PCI]\n1=2222,0001\n");
  maintenance.Context().SetFlags(SF_MAINTENANCE_WIZARD);
  EXPECT_TRUE(maintenance.Build());
  EXPECT_EQ(maintenance.Driver(), nullptr);
  EXPECT_TRUE(maintenance.Messages().empty());

  std::int32_t number = 0;
  ASSERT_TRUE(ReadPciNumber("PCI\\VEN_1a5C&DEV_0330", "VEN_", number));
  EXPECT_EQ(number, 0x1A5C);
  EXPECT_FALSE(ReadPciNumber("PCI\\ven_1A5C", "VEN_", number)) << "the mark keeps its case";
}

constexpr const char* kTwoHeads =
    "[Bios]\nText=VELA 3D\n[InstalledHardware]\n1=PCI\\VEN_1A5C&DEV_0330\n"
    "[Display]\n1=\\\\.\\Display1|Enum\\PCI\\VEN_1A5C&DEV_0330\\000800|Vela 3D\n"
    "2=\\\\.\\Display2|Enum\\PCI\\VEN_1A5C&DEV_0330\\000900|Vela 3D\n"
    "3=\\\\.\\Display3|Enum\\PCI\\VEN_9999&DEV_0001\\000100|Other\n"
    "[Monitors]\n1=\\\\.\\Display1\n2=\\\\.\\Display2\n3=\\\\.\\Display3\n";

TEST(HardwareDetectionTest, Windows98AsksWhichOfSeveralDevices) {
  Detection d(kModels, kTwoHeads);
  ASSERT_TRUE(d.Build());
  const CComponent* driver = d.Driver();
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->m_nDeviceCount, 2u) << "the other adapter's device is not this model's";
  ASSERT_EQ(driver->m_deviceList.size(), 2u);
  EXPECT_EQ(driver->m_deviceList[1].m_nDevice, 1);
  EXPECT_EQ(driver->m_deviceList[1].m_strDisplayName, "\\\\.\\Display2");
  EXPECT_EQ(driver->m_deviceList[1].m_strDeviceDesc, "Vela 3D");
  EXPECT_EQ(d.chooser.calls, 1);
  EXPECT_FALSE(d.chooser.wasMaintenance);
  EXPECT_TRUE(driver->m_deviceList[1].m_bChosen);
  EXPECT_FALSE(driver->m_deviceList[0].m_bChosen);

  // Windows 95 has no device list.
  Detection old(kModels, kTwoHeads, sim::OsKind::Win95);
  ASSERT_TRUE(old.Build());
  ASSERT_NE(old.Driver(), nullptr);
  EXPECT_EQ(old.Driver()->m_nDeviceCount, 0u);
  EXPECT_EQ(old.chooser.calls, 0);
}

}  // namespace
