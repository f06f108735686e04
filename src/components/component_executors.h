// What the component steps hand their sections to. The registry, INI,
// program-group, program, driver and dialog work lives with its own owners;
// the installation run passes them in here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "components/step_result.h"
#include "script/script_section.h"

class CComponent;

class IComponentExecutors {
 public:
  virtual ~IComponentExecutors() = default;

  // One registry section with mode 1 (write) or 2 (delete).
  virtual void RunRegistrySection(const CScriptSection& section, int mode) = 0;
  // One INI section with mode 1 (install) or 2 (remove).
  virtual void RunIniSection(const CScriptSection& section, int mode) = 0;
  // One program-group section with mode 1 (install) or 2 (remove).
  virtual void RunProgramGroupSection(const CScriptSection& section, int mode) = 0;
  // The programs of one section with mode 1 (install) or 2 (remove); a
  // failure carries the failing line's result.
  virtual CStepResult RunProgramSection(const CScriptSection& section, int mode) = 0;
  // The display driver step of one component with its action.
  virtual CStepResult InstallDisplayDriver(const CComponent& component, Action action) = 0;
  // The licence dialog.
  virtual LicenseAnswer ShowLicense(std::string_view title, std::string_view text) = 0;
  // Called once per component by the per-component action loops.
  virtual void Step() = 0;
  // Called by those loops before each component's own steps.
  virtual void BeginComponent(const CComponent& /*component*/) {}
};

// The question asked before a row click changes other components too:
// 1 lets the change go ahead.
class IDependencyConfirmation {
 public:
  virtual ~IDependencyConfirmation() = default;
  virtual int ConfirmDependency(std::string_view description, int newState,
                                const std::vector<std::string>& affected) = 0;
};

class CComponentList;

// Finds the adapter and appends its driver component to the list.
class IHardwareDetection {
 public:
  virtual ~IHardwareDetection() = default;
  virtual bool Detect(CComponentList& list) = 0;
};
