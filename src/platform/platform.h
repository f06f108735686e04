// The machine as the system sees it: one set of interfaces, installed once at
// start by the program's entry point (Win32) or by the simulated machine.
#pragma once

#include "platform/file_system.h"
#include "platform/library_loader.h"
#include "platform/processes.h"
#include "platform/profile_files.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shell_links.h"
#include "platform/system_info.h"
#include "platform/user_interface.h"
#include "platform/version_installer.h"
#include "platform/wizard_host.h"

namespace platform {

struct Platform {
  ISystemInfo* system = nullptr;
  IFileSystem* files = nullptr;
  ILibraryLoader* libraries = nullptr;
  IRegistry* registry = nullptr;
  IResources* resources = nullptr;
  IUserInterface* ui = nullptr;
  IProfileFiles* profiles = nullptr;
  IProcesses* processes = nullptr;
  IShellLinks* shellLinks = nullptr;
  IVersionInstaller* versions = nullptr;
  IWizardHost* wizard = nullptr;
};

// The interfaces in force. Using them before Install is a programming error
// and aborts with a message rather than dereferencing null.
ISystemInfo& System();
IFileSystem& Files();
ILibraryLoader& Libraries();
IRegistry& Registry();
IResources& Resources();
IUserInterface& UserInterface();
IProfileFiles& Profiles();
IProcesses& Processes();
IShellLinks& ShellLinks();
IVersionInstaller& Versions();
IWizardHost& WizardHost();

// Installs a set of interfaces for the process; returns the previous set.
Platform Install(const Platform& platform);

}  // namespace platform
