// The language resource libraries of this build, put onto a simulated
// machine's drive for a test.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "support/temp_machine.h"

namespace testing_support {

#ifndef SETUP_LANGUAGE_LIBRARY_DIR
#error "the test program needs SETUP_LANGUAGE_LIBRARY_DIR"
#endif

inline std::filesystem::path LanguageLibrary(const std::string& name) {
  return std::filesystem::path(SETUP_LANGUAGE_LIBRARY_DIR) / name;
}

// Copies library `name` of the build to `windowsPath` ("D:\_INSTALL.DEU") on the machine.
inline void InstallLanguageLibrary(TempMachine& machine, const std::string& name, const std::string& windowsPath) {
  if (windowsPath.size() < 4 || windowsPath[1] != ':' || windowsPath[2] != '\\') {
    throw std::runtime_error("not a full path: " + windowsPath);
  }
  std::string relative = std::string("drive_") + static_cast<char>(std::tolower(windowsPath[0])) + "/" +
                         windowsPath.substr(3);
  std::replace(relative.begin(), relative.end(), '\\', '/');
  const std::filesystem::path host = machine.Folder() / relative;
  std::filesystem::create_directories(host.parent_path());
  std::filesystem::copy_file(LanguageLibrary(name), host, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace testing_support
