// Who says on which display devices the driver goes when the adapter's
// model drives more than one (Windows 98): the device choice dialog, or,
// where nobody answers, the choice of an unattended run.
#pragma once

#include <vector>

#include "components/component.h"

class IDeviceChooser {
 public:
  virtual ~IDeviceChooser() = default;
  // Sets m_bChosen of the devices to install on (or, in the maintenance
  // wizard, to give back the standard driver). Called only with two or more.
  virtual void ChooseDevices(std::vector<CDisplayDevice>& devices, bool maintenance) = 0;
};

// The choice of a run without a user: every device. The dialog cannot be
// closed without a ticked device, and an unattended installation of a
// driver is meant for all of the adapters it finds.
class CUnattendedDeviceChooser final : public IDeviceChooser {
 public:
  void ChooseDevices(std::vector<CDisplayDevice>& devices, bool /*maintenance*/) override {
    for (CDisplayDevice& device : devices) device.m_bChosen = true;
  }
};
