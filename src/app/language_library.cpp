#include "app/language_library.h"

#include "platform/platform.h"
#include "resource_ids.h"

#define SETUP_WIZARD_TEMPLATE(id) id,

std::string PickLanguageExtension(const platform::Platform& platform, std::string_view directory, std::string_view baseName,
                                  std::string_view localeCode) {
  const std::string stem = std::string(directory) + std::string(baseName) + ".";
  std::string found;
  if (platform.Files().FindFirstFileName(stem + std::string(localeCode), found)) return std::string(localeCode);

  const std::string pattern =
      localeCode.substr(0, 2) == "CH" ? std::string("EN?") : std::string(localeCode.substr(0, 2)) + "?";
  if (platform.Files().FindFirstFileName(stem + pattern, found)) {
    const std::size_t dot = found.find_last_of('.');
    if (dot != std::string::npos) return found.substr(dot + 1);
  }
  return "000";
}

namespace {

// The program's drive and folder, with the closing backslash.
std::string ProgramDirectory(const platform::Platform& platform) {
  const std::string program = platform::ProgramPath(platform.System());
  const std::size_t slash = program.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
}

constexpr platform::UINT kWizardTemplates[] = {SETUP_DIALOG_IDS(SETUP_WIZARD_TEMPLATE)};

}  // namespace

platform::HMODULE LoadLanguageLibrary(const platform::Platform& platform, std::string_view baseName) {
  char code[6] = {};
  if (platform.System().GetLocaleInfoA(LOCALE_SABBREVLANGNAME, code, sizeof code) == 0) code[0] = '\0';

  const std::string directory = ProgramDirectory(platform);
  const std::string stem = directory + std::string(baseName) + ".";
  platform::HMODULE module = platform.Libraries().LoadLibraryA(stem + PickLanguageExtension(platform, directory, baseName, code));
  if (module == nullptr) module = LoadEnglishLanguageLibrary(platform, baseName);
  return module;
}

platform::HMODULE LoadEnglishLanguageLibrary(const platform::Platform& platform, std::string_view baseName) {
  return platform.Libraries().LoadLibraryA(ProgramDirectory(platform) + std::string(baseName) + ".ENU");
}

platform::UINT MissingWizardTemplate(const platform::Platform& platform, platform::HMODULE library) {
  for (const platform::UINT id : kWizardTemplates) {
    if (!platform.Resources().FindResourceA(library, id, platform::kResourceTypeDialog)) return id;
  }
  return 0;
}
