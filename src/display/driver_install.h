// The display driver step of the installation run for Windows 95/98: the
// driver component's files marked as installed, then its driver installed
// through the thunk library (on one device, or on each chosen one), or, for
// an adapter Windows has not set up yet, left for Windows to find at its
// next start; on removal the standard driver put back.
#pragma once

#include <cstdint>
#include <string>

class CComponent;
class CSetupScript;


class CDisplayDriverInstall {
 public:
  explicit CDisplayDriverInstall(CSetupScript& script) : m_script(script) {}

  // The driver step of one component with its action: 0 when done or when
  // there is nothing to do, else the failure (1 for a missing entry point,
  // or the thunk library's own code).
  int InstallDisplayDriver(const CComponent& component, int action);

  // SETUP.INF in the setup folder, where the installation run put the
  // merged script.
  std::string DriverScriptPath() const;

 private:
  int Install9x(const CComponent& component, const std::string& scriptPath);
  int Remove9x(const CComponent& component);
  void MarkInstalledFiles(const CComponent& component);
  // Windows finds the driver itself at its next start.
  void PrepareForNextStart(const CComponent& component);
  bool UsesDeviceList(const CComponent& component) const;

  CSetupScript& m_script;
};
