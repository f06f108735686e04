// The device choice dialog: when the adapter's model drives several display
// devices (Windows 98), the user ticks those the driver goes onto (or, in
// the maintenance wizard, those given back the standard driver).
#pragma once

#include <string>
#include <vector>

#include "components/component.h"
#include "core/setup_context.h"
#include "display/device_chooser.h"
#include "wizard/modal_dialog.h"

// Every row is this many pixels high; its check box lies in the list's
// check-mark column.
constexpr int kDeviceRowHeight = 20;

// "Description (Display1)": the description and the display name less its
// "\\.\" prefix.
std::string DeviceRowText(const CDisplayDevice& device);

class CDisplayDeviceDialog final : public CModalDialog {
 public:
  // Ticks and clears m_bChosen of `devices` as the user does; they must
  // outlive the dialog.
  CDisplayDeviceDialog(const CResourceModule& resources, std::vector<CDisplayDevice>& devices, bool maintenance);

  bool OnCreateDialog() override;
  // Only OK ends the dialog, and only while a device is ticked: result 0.
  void OnCommand(int controlId) override;
  void OnListLeftButtonDown(int controlId, int x) override;
  void OnListSpaceBar(int controlId) override;
  int GetListItemHeight(int controlId) override;
  bool GetListItemLook(int controlId, int row, platform::ListItemLook& look) override;

 private:
  void ToggleSelected();
  bool AnyChosen() const;
  CDisplayDevice* DeviceAt(int row);

  std::vector<CDisplayDevice>& m_devices;
};

// The wizard's answer to detection: the dialog, or in an unattended run
// every device without asking.
class CWizardDeviceChooser final : public IDeviceChooser {
 public:
  CWizardDeviceChooser(const CSetupContext& context, const CResourceModule& resources)
      : m_context(context), m_resources(resources) {}

  void ChooseDevices(std::vector<CDisplayDevice>& devices, bool maintenance) override;

 private:
  const CSetupContext& m_context;
  const CResourceModule& m_resources;
};
