// The language resource library: chosen from the user's regional settings,
// loaded once, never freed; every text, dialog, icon and bitmap comes from it.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win_types.h"

// Loads directory-of-the-program + baseName + "." + the picked extension,
// falling back to ".ENU"; nullptr when neither loads. Shows nothing.
platform::HMODULE LoadLanguageLibrary(const platform::Platform& platform, std::string_view baseName);

// The locale code when its own library exists, else the first library of the
// same language ("EN?" for the Chinese locales), else "000".
std::string PickLanguageExtension(const platform::Platform& platform, std::string_view directory, std::string_view baseName,
                                  std::string_view localeCode);

// The English library beside the program (baseName + ".ENU"); nullptr when it
// does not load.
platform::HMODULE LoadEnglishLanguageLibrary(const platform::Platform& platform, std::string_view baseName);

// The first dialog template of the wizards and their dialogs that `library`
// lacks; 0 when it holds every one.
platform::UINT MissingWizardTemplate(const platform::Platform& platform, platform::HMODULE library);
