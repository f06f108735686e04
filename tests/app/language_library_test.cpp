#include <gtest/gtest.h>

#include "app/install_app.h"
#include "app/language_library.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"

using testing_support::InstallLanguageLibrary;
using testing_support::TempMachine;

namespace {

// A library is told by its text of a message that each translation words its own way.
std::string Identify(platform::HMODULE module) {
  char text[1024] = {};
  platform::Resources().LoadStringA(module, 1084, text, sizeof text);
  return text;
}

struct Choice {
  const char* name;
  const char* locale;
  std::vector<std::pair<const char*, const char*>> files;  // name beside the program <- library of the build
  const char* extension;                                   // what the pick answers
  const char* loads;                                       // library of the build that is loaded, "" for none
};

class LanguageChoiceTest : public ::testing::TestWithParam<Choice> {};

TEST_P(LanguageChoiceTest, PicksAndLoads) {
  const Choice& c = GetParam();
  TempMachine machine(sim::OsKind::Win98, "D:\\CD\\SETUP.EXE", c.locale);
  for (const auto& [beside, built] : c.files) InstallLanguageLibrary(machine, built, std::string("D:\\CD\\") + beside);
  EXPECT_EQ(PickLanguageExtension("D:\\CD\\", "_INSTALL", c.locale), c.extension);

  platform::HMODULE module = LoadLanguageLibrary("_INSTALL");
  if (*c.loads == '\0') {
    EXPECT_EQ(module, nullptr);
    return;
  }
  ASSERT_NE(module, nullptr);
  InstallLanguageLibrary(machine, c.loads, std::string("D:\\REF\\") + c.loads);
  platform::HMODULE reference = platform::Libraries().LoadLibraryA(std::string("D:\\REF\\") + c.loads);
  ASSERT_NE(reference, nullptr);
  EXPECT_FALSE(Identify(reference).empty());
  EXPECT_EQ(Identify(module), Identify(reference));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LanguageChoiceTest,
    ::testing::Values(
        Choice{"OwnLibrary", "DEU", {{"_INSTALL.ENU", "_INSTALL.ENU"}, {"_INSTALL.DEU", "_INSTALL.DEU"}}, "DEU",
               "_INSTALL.DEU"},
        Choice{"VariantOfALanguage", "DES", {{"_INSTALL.ENU", "_INSTALL.ENU"}, {"_INSTALL.DEU", "_INSTALL.DEU"}},
               "DEU", "_INSTALL.DEU"},
        Choice{"ChineseTakesEnglish", "CHT", {{"_INSTALL.ENU", "_INSTALL.ENU"}, {"_INSTALL.DEU", "_INSTALL.DEU"}},
               "ENU", "_INSTALL.ENU"},
        Choice{"NeutralLibrary", "FRA", {{"_INSTALL.ENU", "_INSTALL.ENU"}, {"_INSTALL.000", "_INSTALL.DEU"}}, "000",
               "_INSTALL.DEU"},
        Choice{"EnglishFallback", "FRA", {{"_INSTALL.ENU", "_INSTALL.ENU"}}, "000", "_INSTALL.ENU"},
        Choice{"NamesIgnoreCase", "DEU", {{"_install.deu", "_INSTALL.DEU"}, {"_INSTALL.ENU", "_INSTALL.ENU"}}, "DEU",
               "_INSTALL.DEU"},
        Choice{"NothingAtAll", "DEU", {}, "000", ""}),
    [](const ::testing::TestParamInfo<Choice>& info) { return info.param.name; });

TEST(LanguageChoiceTest, BrokenLibraryFallsBackToEnglish) {
  TempMachine machine(sim::OsKind::Win98, "D:\\CD\\SETUP.EXE", "DEU");
  machine.PutFile("drive_d/CD/_INSTALL.DEU", "MZ this is no library");
  InstallLanguageLibrary(machine, "_INSTALL.ENU", "D:\\CD\\_INSTALL.ENU");
  platform::HMODULE module = LoadLanguageLibrary("_INSTALL");
  ASSERT_NE(module, nullptr);
  InstallLanguageLibrary(machine, "_INSTALL.ENU", "D:\\REF\\_INSTALL.ENU");
  EXPECT_EQ(Identify(module), Identify(platform::Libraries().LoadLibraryA("D:\\REF\\_INSTALL.ENU")));
}

TEST(StartUpLanguageTest, StartUpMakesTheLibraryTheResourceModule) {
  TempMachine machine(sim::OsKind::Win98, "D:\\SETUP.EXE", "DEU");
  InstallLanguageLibrary(machine, "_INSTALL.DEU", "D:\\_INSTALL.DEU");
  CInstallApp app("/M");
  app.Run();
  EXPECT_NE(app.GetResources().GetHandle(), platform::Resources().GetProgramModule());
  EXPECT_FALSE(Identify(app.GetResources().GetHandle()).empty());
}

}  // namespace
