#include <gtest/gtest.h>

#include "app/install_app.h"
#include "app/language_library.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"
#include "resource_ids.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>

using testing_support::InstallLanguageLibrary;
using testing_support::TempMachine;

namespace {

// A library is told by its text of a message that each translation words its own way.
std::string Identify(const testing_support::TempMachine& machine, platform::HMODULE module) {
  char text[1024] = {};
  machine.Interfaces().Resources().LoadStringA(module, 1084, text, sizeof text);
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
  EXPECT_EQ(PickLanguageExtension(machine.Interfaces(), "D:\\CD\\", "_INSTALL", c.locale), c.extension);

  platform::HMODULE module = LoadLanguageLibrary(machine.Interfaces(), "_INSTALL");
  if (*c.loads == '\0') {
    EXPECT_EQ(module, nullptr);
    return;
  }
  ASSERT_NE(module, nullptr);
  InstallLanguageLibrary(machine, c.loads, std::string("D:\\REF\\") + c.loads);
  platform::HMODULE reference = machine.Interfaces().Libraries().LoadLibraryA(std::string("D:\\REF\\") + c.loads);
  ASSERT_NE(reference, nullptr);
  EXPECT_FALSE(Identify(machine, reference).empty());
  EXPECT_EQ(Identify(machine, module), Identify(machine, reference));
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
  platform::HMODULE module = LoadLanguageLibrary(machine.Interfaces(), "_INSTALL");
  ASSERT_NE(module, nullptr);
  InstallLanguageLibrary(machine, "_INSTALL.ENU", "D:\\REF\\_INSTALL.ENU");
  EXPECT_EQ(Identify(machine, module), Identify(machine, machine.Interfaces().Libraries().LoadLibraryA("D:\\REF\\_INSTALL.ENU")));
}

// A library of the build that lacks one dialog template, as a translation
// might: the template's entry in the resource directory is given another number.
std::string WithoutDialog(const std::string& name, std::uint32_t id) {
  std::string b = testing_support::ReadHostFile(testing_support::LanguageLibrary(name));
  const auto u16 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b.at(at)) | static_cast<unsigned char>(b.at(at + 1)) << 8);
  };
  const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  const std::size_t header = u32(0x3C) + 4, optional = header + 20;
  const std::size_t directories = optional + (u16(optional) == 0x20B ? 112 : 96);
  const std::uint32_t resources = u32(directories + 2 * 8);
  std::size_t root = 0;
  for (std::size_t i = 0; i < u16(header + 2); ++i) {
    const std::size_t section = optional + u16(header + 16) + i * 40;
    const std::uint32_t address = u32(section + 12), size = u32(section + 16);
    if (resources >= address && resources < address + size) root = u32(section + 20) + (resources - address);
  }
  // The entry of a directory (a 16-byte head, then 8 bytes an entry) with that number.
  const auto entry = [&](std::size_t directory, std::uint32_t number) {
    for (std::size_t i = 0; i < u16(directory + 12) + u16(directory + 14); ++i) {
      if (u32(directory + 16 + i * 8) == number) return directory + 16 + i * 8;
    }
    throw std::runtime_error(name + " has no resource " + std::to_string(number));
  };
  const std::size_t dialogs = root + (u32(entry(root, platform::kResourceTypeDialog) + 4) & 0x7FFFFFFFu);
  const std::size_t page = entry(dialogs, id);
  b[page] = '\xFF';
  b[page + 1] = '\x7F';
  return b;
}

TEST(StartUpLanguageTest, ALibraryWithoutAPageGivesWayToEnglishElseTheProgramSaysWhy) {
  TempMachine machine(sim::OsKind::Win98, "D:\\SETUP.EXE", "DEU");
  machine.PutFile("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=Tools\r\n");
  machine.PutFile("drive_d/_INSTALL.DEU", WithoutDialog("_INSTALL.DEU", IDD_LANGUAGE_PAGE));
  InstallLanguageLibrary(machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
  const std::filesystem::path log = machine.Folder() / "events.log";
  {
    CInstallApp app(machine.Interfaces(), "/M");
    app.Run();
    EXPECT_EQ(Identify(machine, app.GetResources().GetHandle()), Identify(machine, machine.Interfaces().Libraries().LoadLibraryA("D:\\_INSTALL.ENU")));
  }
  std::string events = testing_support::ReadHostFile(log);
  EXPECT_NE(events.find("page 129 language"), std::string::npos) << events;
  EXPECT_EQ(events.find("cannot be created"), std::string::npos) << events;

  std::filesystem::remove(machine.Folder() / "drive_d/_INSTALL.ENU");
  CInstallApp(machine.Interfaces(), "/M").Run();
  events = testing_support::ReadHostFile(log).substr(events.size());
  EXPECT_EQ(events, "message 0 \"129\" \"_INSTALL.ENU\" -> OK\n");
}

TEST(StartUpLanguageTest, StartUpMakesTheLibraryTheResourceModule) {
  TempMachine machine(sim::OsKind::Win98, "D:\\SETUP.EXE", "DEU");
  InstallLanguageLibrary(machine, "_INSTALL.DEU", "D:\\_INSTALL.DEU");
  CInstallApp app(machine.Interfaces(), "/M");
  app.Run();
  EXPECT_NE(app.GetResources().GetHandle(), machine.Interfaces().Resources().GetProgramModule());
  EXPECT_FALSE(Identify(machine, app.GetResources().GetHandle()).empty());
}

}  // namespace
