// All components of the script in the order they were read, and the steps of
// the installation run that walk them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/component.h"
#include "components/component_executors.h"

// A tree deeper than this is not built: a script's parent chain is linked no
// further, which keeps every walk of the tree short.
constexpr int kMaxComponentDepth = 32;

class CComponentList {
 public:
  // The components of this script.
  explicit CComponentList(CSetupScript& script) : m_script(script) {}
  CComponentList(const CComponentList&) = delete;
  CComponentList& operator=(const CComponentList&) = delete;

  // Builds the list from the merged script. The detection
  // adds the component of the recognised adapter when "Manufacturer" has lines.
  bool Build(IHardwareDetection* detection);
  // True when the last build met a "Manufacturer" section but had no
  // detection to run.
  bool DetectionPassedOver() const { return m_bDetectionPassedOver; }

  int GetCount() const { return static_cast<int>(m_components.size()); }
  CComponent& GetAt(int index) { return *m_components.at(static_cast<std::size_t>(index)); }
  const CComponent& GetAt(int index) const { return *m_components.at(static_cast<std::size_t>(index)); }
  // Pointers to the other components stay valid.
  void RemoveAt(int index);
  void RemoveAll();
  // Appends a new component and answers it; its address never changes.
  CComponent& Append(std::string name);
  // The first component whose name equals `name` without regard to case.
  CComponent* Find(std::string_view name);

  // Selection and sizes.
  void ApplySetupType(std::uint32_t type);
  bool MarkAffected(std::uint32_t bits, int newState);
  void SelectMarked(int newState);
  std::int32_t GetRequiredSize() const;
  // A click on the row of `component`; false when the dependency question
  // turned the change down.
  bool ClickRow(CComponent& component, IDependencyConfirmation& confirmation);

  // Installation steps, each over the components in list order.
  void QueueDeletes(StepPhase phase, std::vector<CFileRecord>& queue) const;
  void QueueRenames(std::vector<CFileRecord>& queue) const;
  void QueueCopies(std::vector<CFileRecord>& queue) const;
  void RunRegistry(IComponentExecutors& executors) const;
  void RunIniUpdates(IComponentExecutors& executors) const;
  void RunProgramGroups(IComponentExecutors& executors) const;
  // The first failure stops the walk and is answered.
  CStepResult RunExecute(StepPhase phase, IComponentExecutors& executors) const;
  CStepResult RunDisplayDriver(IComponentExecutors& executors) const;
  // True when every licence was accepted.
  bool ConfirmLicenses(IComponentExecutors& executors) const;

  // Removes each component whose dependency bits no other component of the
  // list (as it stands at its turn) provides; part of Build.
  void PruneDependencies();

  auto begin() { return m_components.begin(); }
  auto end() { return m_components.end(); }
  auto begin() const { return m_components.begin(); }
  auto end() const { return m_components.end(); }

 private:
  CSetupScript& m_script;
  std::vector<std::unique_ptr<CComponent>> m_components;
  bool m_bDetectionPassedOver = false;
};

// Kilobytes free on the drive of `path`, a multiple of the sector size; the
// largest 32-bit value when there is more.
std::uint32_t GetFreeKilobytes(const platform::Platform& platform, std::string_view path);

// Display texts: the required space, the free space and a row's size.
std::string FormatRequiredSize(std::int32_t bytes);
std::string FormatFreeSpace(std::uint32_t kilobytes);
std::string FormatRowSize(std::int32_t bytes);
