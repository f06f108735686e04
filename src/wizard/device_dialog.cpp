#include "wizard/device_dialog.h"

#include "resource_ids.h"

std::string DeviceRowText(const CDisplayDevice& device) {
  const std::string& name = device.m_strDisplayName;
  return device.m_strDeviceDesc + " (" + (name.size() > 4 ? name.substr(4) : std::string()) + ")";
}

CDisplayDeviceDialog::CDisplayDeviceDialog(const CResourceModule& resources, std::vector<CDisplayDevice>& devices,
                                           bool maintenance)
    : CModalDialog(resources, maintenance ? IDD_DISPLAY_DEVICES_MAINTENANCE : IDD_DISPLAY_DEVICES),
      m_devices(devices) {}

bool CDisplayDeviceDialog::OnCreateDialog() {
  for (std::size_t i = 0; i < m_devices.size(); ++i) {
    Window().AddListItem(IDC_DISPLAY_DEVICE_LIST, DeviceRowText(m_devices[i]), i);
  }
  // The template's OK starts disabled; a device ticked already may go on at once.
  if (AnyChosen()) Window().EnableItem(platform::kDialogOk, true);
  Window().SetListSelection(IDC_DISPLAY_DEVICE_LIST, 0);
  return true;
}

void CDisplayDeviceDialog::OnCommand(int controlId) {
  // Enter reaches here even while OK is disabled; Escape and the close box never end it.
  if (controlId == platform::kDialogOk && AnyChosen()) EndDialog(0);
}

void CDisplayDeviceDialog::OnListLeftButtonDown(int controlId, int x) {
  if (controlId == IDC_DISPLAY_DEVICE_LIST && x >= 0 && x < platform::kListIconColumn) ToggleSelected();
}

void CDisplayDeviceDialog::OnListSpaceBar(int controlId) {
  if (controlId == IDC_DISPLAY_DEVICE_LIST) ToggleSelected();
}

int CDisplayDeviceDialog::GetListItemHeight(int /*controlId*/) { return kDeviceRowHeight; }

bool CDisplayDeviceDialog::GetListItemLook(int controlId, int row, platform::ListItemLook& look) {
  const CDisplayDevice* device = controlId == IDC_DISPLAY_DEVICE_LIST ? DeviceAt(row) : nullptr;
  if (device == nullptr) return false;
  look.checkBox = true;
  look.mark = device->m_bChosen ? platform::CheckMark::Ticked : platform::CheckMark::Clear;
  look.text = DeviceRowText(*device);
  return true;
}

void CDisplayDeviceDialog::ToggleSelected() {
  CDisplayDevice* device = DeviceAt(Window().GetListSelection(IDC_DISPLAY_DEVICE_LIST));
  if (device == nullptr) return;
  device->m_bChosen = !device->m_bChosen;
  Window().EnableItem(platform::kDialogOk, AnyChosen());
  Window().RedrawList(IDC_DISPLAY_DEVICE_LIST);
}

bool CDisplayDeviceDialog::AnyChosen() const {
  for (const CDisplayDevice& device : m_devices) {
    if (device.m_bChosen) return true;
  }
  return false;
}

CDisplayDevice* CDisplayDeviceDialog::DeviceAt(int row) {
  if (row < 0 || row >= Window().GetListCount(IDC_DISPLAY_DEVICE_LIST)) return nullptr;
  const std::uintptr_t index = Window().GetListItemData(IDC_DISPLAY_DEVICE_LIST, row);
  return index < m_devices.size() ? &m_devices[index] : nullptr;
}

void CWizardDeviceChooser::ChooseDevices(std::vector<CDisplayDevice>& devices, bool maintenance) {
  if ((m_context.GetFlags() & SF_UNATTENDED) != 0) {
    CUnattendedDeviceChooser().ChooseDevices(devices, maintenance);
    return;
  }
  // The dialog marks the devices itself; a run that nobody answers keeps
  // what was ticked until then.
  CDisplayDeviceDialog dialog(m_resources, devices, maintenance);
  dialog.DoModal(m_context.GetPlatform().WizardHost());
}
