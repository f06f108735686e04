#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

template <typename T>
T& Require(T* p, const char* what) {
  if (p == nullptr) {
    std::fprintf(stderr, "internal error: platform interface '%s' used but not given\n", what);
    std::abort();
  }
  return *p;
}

}  // namespace

ISystemInfo& Platform::System() const { return Require(system, "system"); }
IFileSystem& Platform::Files() const { return Require(files, "files"); }
ILibraryLoader& Platform::Libraries() const { return Require(libraries, "libraries"); }
IRegistry& Platform::Registry() const { return Require(registry, "registry"); }
IResources& Platform::Resources() const { return Require(resources, "resources"); }
IUserInterface& Platform::UserInterface() const { return Require(ui, "user interface"); }
IProfileFiles& Platform::Profiles() const { return Require(profiles, "profile files"); }
IProcesses& Platform::Processes() const { return Require(processes, "processes"); }
IShellLinks& Platform::ShellLinks() const { return Require(shellLinks, "shell links"); }
IVersionInstaller& Platform::Versions() const { return Require(versions, "version installer"); }
IWizardHost& Platform::WizardHost() const { return Require(wizard, "page host"); }

}  // namespace platform
