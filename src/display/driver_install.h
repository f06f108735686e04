// The display driver step of the installation run. On Windows 95/98 the
// driver component's files are marked as installed, then its driver is
// installed through the thunk library (on one device, or on each chosen
// one), or, for an adapter Windows has not set up yet, left for Windows to
// find at its next start; on removal the standard driver is put back. On
// Windows NT the driver goes in through the system's device installer
// (SETUPAPI.DLL) and removal disables its service and starts again the
// display service the installation disabled.
#pragma once

#include <cstdint>
#include <string>

#include "components/step_result.h"

class CComponent;
class CSetupScript;

// The NT driver installation failed; the run stops.
constexpr int MSG_DRIVER_NOT_INSTALLED = 1082;


class CDisplayDriverInstall {
 public:
  explicit CDisplayDriverInstall(CSetupScript& script) : m_script(script) {}

  // The driver step of one component with its action: goes on when done or
  // when there is nothing to do, else stops with the failure (1 for a missing
  // entry point or a failed installation on Windows NT, or the thunk
  // library's own code).
  CStepResult InstallDisplayDriver(const CComponent& component, Action action);

  // SETUP.INF in the setup folder, where the installation run put the
  // merged script.
  std::string DriverScriptPath() const;

 private:
  int Install9x(const CComponent& component, const std::string& scriptPath);
  int Remove9x(const CComponent& component);
  // Message 1082 and 1 on any failure, with the display service that ran
  // before started again.
  int InstallNT(const CComponent& component, const std::string& scriptPath);
  int RemoveNT(const CComponent& component);
  // Field 1 of the first line of the component's .Services section.
  std::string ServiceName(const CComponent& component);
  // The service \Device\Video0 names, set to Start=4 when it is in group
  // "Video" and starts with the system: its name, else empty.
  std::string DisableActiveDisplayService();
  // Keeps the disabled service and its start type beside the install
  // record, for the removal to give back.
  void RecordDisabledDisplayService(const std::string& service, std::uint32_t start);
  void MarkInstalledFiles(const CComponent& component);
  // Windows finds the driver itself at its next start.
  void PrepareForNextStart(const CComponent& component);
  bool UsesDeviceList(const CComponent& component) const;

  CSetupScript& m_script;
};
