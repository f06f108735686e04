// What the display driver step does for one driver component: the road the
// driver takes in or out, told before the step runs so that the run can
// report it beside the step's result.
#pragma once

#include <string>

#include "components/step_result.h"

class CComponent;
class CSetupContext;

struct CDriverStep {
  enum class Road {
    ThunkLibrary,         // 9x: DoDriverInstall32 on the adapter's one display device
    ThunkLibraryDevices,  // Windows 98: DoMultiDriverInstall32 on each chosen device
    NextStart,            // 9x: the adapter is not set up; Windows finds the driver at its next start
    DeviceInstaller,      // NT: the system's device installer (SETUPAPI.DLL)
    CompatibleDriver,     // 9x removal: InstallCompatibleDriver32 puts the standard driver back
    ServiceDisabled,      // NT removal: the driver's service no longer starts
  };

  std::string m_strComponent;    // the install section
  std::string m_strDescription;  // the model
  std::string m_strHardwareId;
  Action m_action = Action::Install;  // Install or Remove
  Road m_road = Road::ThunkLibrary;
  int m_nDevices = 1;  // display devices the step acts on
  int m_nResult = 0;   // the step's result: 0 done, else its failure's number
};

// The road the driver step takes for a driver component with an install or
// remove action, on the system the context describes.
CDriverStep DescribeDriverStep(const CSetupContext& context, const CComponent& component, Action action);
