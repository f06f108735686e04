#include "display/driver_step.h"

#include "components/component.h"
#include "core/setup_context.h"
#include "display/hardware_detection.h"

CDriverStep DescribeDriverStep(const CSetupContext& context, const CComponent& component, Action action) {
  CDriverStep step;
  step.m_strComponent = component.m_strName;
  step.m_strDescription = component.m_strDescription;
  step.m_strHardwareId = component.m_strHardwareId;
  step.m_action = action;
  const bool install = action == Action::Install;
  // Several devices of the adapter on Windows 98: each chosen one is asked for.
  const bool devices = context.IsWin98() && component.m_nDeviceCount > 1;
  if (context.IsNT()) {
    step.m_road = install ? CDriverStep::Road::DeviceInstaller : CDriverStep::Road::ServiceDisabled;
  } else if (install && component.m_strHardwareId == kNotInstalled) {
    step.m_road = CDriverStep::Road::NextStart;
  } else if (install) {
    step.m_road = devices ? CDriverStep::Road::ThunkLibraryDevices : CDriverStep::Road::ThunkLibrary;
  } else {
    step.m_road = CDriverStep::Road::CompatibleDriver;
  }
  if (devices && !context.IsNT() && step.m_road != CDriverStep::Road::NextStart) {
    step.m_nDevices = 0;
    for (const CDisplayDevice& device : component.m_deviceList) step.m_nDevices += device.m_bChosen ? 1 : 0;
  }
  return step;
}
