// One installable unit of the setup script: its sections, its place in the
// component tree, its bits, its size, and its installed and selected state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "components/step_result.h"
#include "platform/platform.h"
#include "script/file_record.h"
#include "script/script_section.h"

class CComponentList;
class CSetupScript;
class IComponentExecutors;

// Component flags.
constexpr std::uint32_t CF_INSTALLED = 0x001;
constexpr std::uint32_t CF_SELECTED = 0x002;
constexpr std::uint32_t CF_HIDDEN = 0x010;
constexpr std::uint32_t CF_CORE = 0x100;
constexpr std::uint32_t CF_ADVANCED = 0x200;

// Selection states.
constexpr int STATE_NONE = 1;
constexpr int STATE_ALL = 2;
constexpr int STATE_SOME = 3;

// Registry, INI, program-group and program modes follow the action: 1
// install, 2 remove.
constexpr int MODE_INSTALL = 1;
constexpr int MODE_REMOVE = 2;
constexpr int ModeOf(Action action) { return static_cast<int>(action); }

constexpr int MSG_SECTION_NOT_FOUND = 1088;

// The name of the setup program's own component.
constexpr std::string_view kSetupComponent = "Setup";

// The key under HKEY_LOCAL_MACHINE that holds the installed markers.
constexpr std::string_view kInstalledMarkerRoot = "Software\\TORQUIST";

constexpr int MSG_MARKER_NAME = 1182;  // %1 the component's section name

// Whether a description can name a component's marker: exactly one key
// name directly below kInstalledMarkerRoot, and not the name of an install
// record there ("Install", "Install.<copy>").
bool IsMarkerName(std::string_view description);

// A display device that uses the adapter of a driver component (Windows 98).
struct CDisplayDevice {
  std::int32_t m_nDevice = 0;    // device number, 0-based
  std::string m_strDisplayName;  // such as "\\.\Display1"
  std::string m_strDeviceDesc;   // DeviceDesc of the device's driver key
  bool m_bChosen = false;        // the driver goes onto this device
};

// Adds two sizes, held at the 32-bit limits instead of wrapping.
std::int32_t AddSizes(std::int32_t a, std::int64_t b);

class CComponent {
 public:
  // A component of the script, read by Load.
  CComponent(CSetupScript& script, std::string name) : m_strName(std::move(name)), m_script(script) {}

  // Reads the component section of that name. A driver component gets its
  // driver fields set before this call; `defaultDescription` is its
  // description when the section has no "OptionDesc". `setupTip` is the tip
  // a driver component without one takes over.
  bool Load(std::string_view sectionName, std::string_view defaultDescription = {},
            std::string_view setupTip = {});

  bool IsInstalled() const;
  // Install records the component as installed, Remove removes the record.
  void WriteInstalledMarker(Action action) const;

  // From the installed bit, the selection and the wizard's flag word (the
  // setup context's when not given).
  Action GetAction(std::uint32_t contextFlags) const;
  Action GetAction() const;

  // Selection.
  int GetState() const;
  void Select(int newState);
  void ApplySetupType(std::uint32_t type);
  int CountSelectedChildren() const;
  void SaveSelection();
  void RestoreSelection();
  // After the sub-component dialog: the own bit follows the subtree.
  void SyncSelectedWithChildren();
  std::int32_t GetDisplaySize() const;

  // Appends this component to the children of the first component of the
  // list whose name equals its parent name.
  void LinkToParent(CComponentList& list);

  // Action steps of the installation run; each does nothing for Action::None.
  void QueueDeletes(StepPhase phase, std::vector<CFileRecord>& queue) const;
  void QueueRenames(std::vector<CFileRecord>& queue) const;
  void QueueCopies(std::vector<CFileRecord>& queue) const;
  // How many records QueueCopies adds.
  std::size_t CopyCount() const;
  void RunRegistry(IComponentExecutors& executors) const;
  void RunIniUpdates(IComponentExecutors& executors) const;
  void RunProgramGroups(IComponentExecutors& executors) const;
  CStepResult RunExecute(StepPhase phase, IComponentExecutors& executors) const;
  CStepResult RunDisplayDriver(IComponentExecutors& executors) const;
  // Accepted without a dialog, otherwise the licence dialog's answer.
  LicenseAnswer ConfirmLicense(IComponentExecutors& executors) const;

  bool IsSetup() const;
  bool IsDriver() const { return !m_strDriverClass.empty(); }

  std::string m_strName;
  std::vector<CScriptSection> m_delFiles, m_renFiles, m_copyFiles, m_uninstallFiles, m_updateInis,
      m_programGroups, m_addReg, m_uninstallReg, m_delReg, m_execute, m_executeUninstall;
  std::string m_strDescription;
  std::string m_strTip;
  std::string m_strParentName;
  std::string m_strDriverClass, m_strDriverManufacturer, m_strDriverProvider, m_strHardwareId;
  std::uint32_t m_dwTypeBits = 0;
  std::uint32_t m_dwDependencyBits = 0;
  std::string m_strLicense;
  bool m_bRestart = false;
  bool m_bReboot = false;
  std::int32_t m_nDiskSize = 0;
  std::int32_t m_nSize = 0;
  std::uint32_t m_nFlags = 0;
  std::uint32_t m_nSavedFlags = 0;
  bool m_bMarked = false;
  std::uint32_t m_nDeviceCount = 0;
  std::vector<CDisplayDevice> m_deviceList;
  std::vector<CComponent*> m_children;
  CComponent* m_pParent = nullptr;  // the component whose children list holds this one

 private:
  // Reads the sections a key names; true when the key is present and, where
  // a destination is required, every section found one.
  bool ReadSectionList(const CScriptSection& section, std::string_view key, bool needsDestination,
                       std::vector<CScriptSection>& list);
  std::string MarkerKey() const;

  CSetupScript& m_script;
};

// The marker of a description is shared by every component that has it.
bool IsMarkedInstalled(const platform::Platform& platform, std::string_view description);
