// The machine as the system sees it: one set of interfaces.
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

// The interfaces one program runs against. The entry point (SETUP.EXE's
// main, winsim, a test) makes one and hands it to whatever needs the
// machine; nothing reaches it through the process. Holders keep a reference,
// so an interface set later (the page host) is seen by all of them.
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

  // Using an interface the set lacks is a programming error and aborts with
  // a message rather than dereferencing null.
  ISystemInfo& System() const;
  IFileSystem& Files() const;
  ILibraryLoader& Libraries() const;
  IRegistry& Registry() const;
  IResources& Resources() const;
  IUserInterface& UserInterface() const;
  IProfileFiles& Profiles() const;
  IProcesses& Processes() const;
  IShellLinks& ShellLinks() const;
  IVersionInstaller& Versions() const;
  IWizardHost& WizardHost() const;
};

}  // namespace platform
