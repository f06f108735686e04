// The device choice dialog through the page host: OK only while a device
// is ticked, nothing but OK ends it, and an unattended run asks nothing.
#include <gtest/gtest.h>

#include <deque>

#include "app/install_app.h"
#include "resource_ids.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"
#include "ui/headless/headless_host.h"
#include "wizard/device_dialog.h"

namespace {

// Acts on each wait of the dialog with the next line, noting what it saw.
class DevicePerson final : public ui::IPerson {
 public:
  explicit DevicePerson(std::vector<std::string> waits) : m_waits(waits.begin(), waits.end()) {}

  std::optional<std::vector<ui::PageAction>> Act(const ui::HeadlessHost& host) override {
    templates.push_back(host.ActiveTemplateId());
    const ui::ControlSet* controls = host.ActiveControls();
    const ui::ControlModel* ok = controls != nullptr ? controls->Find(platform::kDialogOk) : nullptr;
    okEnabled.push_back(ok != nullptr && ok->enabled);
    std::string rows;
    if (const ui::ControlModel* list = controls != nullptr ? controls->Find(IDC_DISPLAY_DEVICE_LIST) : nullptr) {
      for (const platform::ListItemLook& look : list->looks) {
        rows += (look.mark == platform::CheckMark::Ticked ? "[x] " : "[ ] ") + look.text + ";";
      }
    }
    shownRows.push_back(rows);
    if (m_waits.empty()) return std::nullopt;
    std::string error;
    auto actions = ui::ParsePageActions(m_waits.front(), error);
    EXPECT_TRUE(actions) << error;
    m_waits.pop_front();
    return actions;
  }
  void Refused(const ui::PageAction& action, const std::string& why) override {
    refused.push_back(action.ToString() + ": " + why);
  }
  std::optional<std::string> BrowseForFolder(const sim::Machine&) override { return std::nullopt; }
  void ProgressMoved(const ui::ControlModel&) override {}

  std::vector<platform::UINT> templates;
  std::vector<bool> okEnabled;
  std::vector<std::string> shownRows, refused;

 private:
  std::deque<std::string> m_waits;
};

class DeviceDialogTest : public ::testing::Test {
 protected:
  DeviceDialogTest() : m_machine(sim::OsKind::Win98, "D:\\SETUP.EXE") {
    testing_support::InstallLanguageLibrary(m_machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
    m_machine.PutFile("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=display\r\n");
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), "");
    EXPECT_TRUE(m_app->StartUp());
    for (int i = 0; i < 2; ++i) {
      CDisplayDevice device;
      device.m_nDevice = i;
      device.m_strDisplayName = "\\\\.\\Display" + std::to_string(i + 1);
      device.m_strDeviceDesc = "Vela 3D";
      m_devices.push_back(device);
    }
  }
  ~DeviceDialogTest() override { m_machine.SetWizardHost(nullptr); }
  // Lets detection's chooser ask `person`.
  void Choose(DevicePerson& person, bool maintenance) {
    ui::HeadlessHost host(m_machine.Platform(), nullptr, &person);
    m_machine.SetWizardHost(&host);
    CWizardDeviceChooser chooser(m_app->GetContext(), m_app->GetResources());
    chooser.ChooseDevices(m_devices, maintenance);
    m_machine.SetWizardHost(nullptr);
  }

  testing_support::TempMachine m_machine;
  std::unique_ptr<CInstallApp> m_app;
  std::vector<CDisplayDevice> m_devices;
};

TEST_F(DeviceDialogTest, OkOnlyWhileADeviceIsTickedAndNothingElseEndsIt) {
  DevicePerson person({"ok", "toggle 0", "toggle 0, cancel", "toggle 1, ok"});
  Choose(person, false);
  EXPECT_EQ(person.templates, (std::vector<platform::UINT>(4, IDD_DISPLAY_DEVICES)));
  EXPECT_EQ(person.okEnabled, (std::vector<bool>{false, false, true, false})) << "nothing ticked at first";
  EXPECT_EQ(person.shownRows[0], "[ ] Vela 3D (Display1);[ ] Vela 3D (Display2);");
  EXPECT_EQ(person.shownRows[2], "[x] Vela 3D (Display1);[ ] Vela 3D (Display2);");
  ASSERT_EQ(person.refused.size(), 2u);
  EXPECT_NE(person.refused[0].find("disabled"), std::string::npos) << person.refused[0];
  EXPECT_NE(person.refused[1].find("no control 2"), std::string::npos) << person.refused[1];
  EXPECT_FALSE(m_devices[0].m_bChosen);
  EXPECT_TRUE(m_devices[1].m_bChosen);
  const std::string events = testing_support::ReadHostFile(m_machine.Folder() / "events.log");
  EXPECT_NE(events.find("dialog 216 ends with 0\n"), std::string::npos) << events;
}

TEST_F(DeviceDialogTest, MaintenanceHasItsOwnTemplateAndUnattendedRunsTakeEveryDevice) {
  m_devices[0].m_bChosen = true;
  DevicePerson person({"ok"});
  Choose(person, true);
  EXPECT_EQ(person.templates, (std::vector<platform::UINT>{IDD_DISPLAY_DEVICES_MAINTENANCE}));
  EXPECT_EQ(person.okEnabled, (std::vector<bool>{true})) << "a device ticked already enables OK";

  m_devices[0].m_bChosen = false;
  m_app->GetContext().SetFlags(m_app->GetContext().GetFlags() | SF_UNATTENDED);
  DevicePerson nobody({});
  Choose(nobody, false);
  EXPECT_TRUE(nobody.templates.empty()) << "no dialog";
  EXPECT_TRUE(m_devices[0].m_bChosen && m_devices[1].m_bChosen);
}

}  // namespace
