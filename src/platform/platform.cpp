#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

Platform g_platform;

template <typename T>
T& Require(T* p, const char* what) {
  if (p == nullptr) {
    std::fprintf(stderr, "internal error: platform interface '%s' used before installation\n", what);
    std::abort();
  }
  return *p;
}

}  // namespace

ISystemInfo& System() { return Require(g_platform.system, "system"); }
IFileSystem& Files() { return Require(g_platform.files, "files"); }
ILibraryLoader& Libraries() { return Require(g_platform.libraries, "libraries"); }
IRegistry& Registry() { return Require(g_platform.registry, "registry"); }
IResources& Resources() { return Require(g_platform.resources, "resources"); }
IUserInterface& UserInterface() { return Require(g_platform.ui, "user interface"); }
IProfileFiles& Profiles() { return Require(g_platform.profiles, "profile files"); }
IProcesses& Processes() { return Require(g_platform.processes, "processes"); }
IShellLinks& ShellLinks() { return Require(g_platform.shellLinks, "shell links"); }
IVersionInstaller& Versions() { return Require(g_platform.versions, "version installer"); }
IWizardHost& WizardHost() { return Require(g_platform.wizard, "page host"); }

Platform Install(const Platform& platform) {
  Platform previous = g_platform;
  g_platform = platform;
  return previous;
}

}  // namespace platform
