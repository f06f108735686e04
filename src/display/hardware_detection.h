// Hardware detection: the models of the script's driver sections walked in
// order, each tried by its BIOS text and its hardware identifiers, the
// first match appended to the component list as its driver component.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "components/component_executors.h"
#include "display/device_chooser.h"

class CSetupScript;

constexpr int MSG_SECTION_MISSING = 1086;
constexpr int MSG_NO_MATCHING_MODEL = 1097;
constexpr int MSG_SAFE_MODE = 1098;
constexpr int MSG_NOT_ADMINISTRATOR = 1099;

// The hardware identifier of an adapter that is in the machine but that
// Windows has not set up yet.
constexpr std::string_view kNotInstalled = "NotInstalled";

class CHardwareDetection final : public IHardwareDetection {
 public:
  // The chooser answers when a model drives several display devices.
  CHardwareDetection(CSetupScript& script, IDeviceChooser& chooser) : m_script(script), m_pChooser(&chooser) {}
  // The chooser of later detections; returns the previous one.
  IDeviceChooser& SetChooser(IDeviceChooser& chooser) {
    IDeviceChooser& previous = *m_pChooser;
    m_pChooser = &chooser;
    return previous;
  }

  bool Detect(CComponentList& list) override;

  // The BIOS search: true when `text` occurs in the video BIOS.
  bool SearchBios(const std::string& text) const;
  // The PCI search over the identifiers of one models line: 0 with the
  // identifier found ("NotInstalled" for a device on the bus that Windows
  // has not set up), else 1097, 1098 (safe mode) or 1099 (NT without
  // administrator rights).
  int SearchPci(std::string_view modelsLine, std::string& hardwareId) const;

 private:
  CSetupScript& m_script;
  IDeviceChooser* m_pChooser;
  // Set once a device list has been shown: later enumerations find nothing.
  bool m_bDevicesShown = false;
};

// The identifiers the PCI search tries for one models line, in order, each
// without its leading asterisk: fields 2, 3, … up to the first empty one (an
// empty field 2 is passed over).
std::vector<std::string> HardwareIdentifiers(const CSetupScript& script, std::string_view modelsLine);

// The hexadecimal number after the first `mark` ("VEN_", "DEV_") of an
// identifier, read up to the first character that is not a hex digit;
// false when the mark is missing.
bool ReadPciNumber(std::string_view hardwareId, std::string_view mark, std::int32_t& number);
