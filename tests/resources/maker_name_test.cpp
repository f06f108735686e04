// The build option that names another maker: the resource scripts are
// written again with that name for the sample's, and nothing else changes,
// byte for byte (the German script is in its own code page).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_machine.h"

namespace {

namespace fs = std::filesystem;

TEST(MakerName, TheScriptsNameTheMakerAndKeepEveryOtherByte) {
  const fs::path temp = testing_support::MakeTempFolder("maker-name-");
  for (const char* language : {"ENU", "DEU"}) {
    const fs::path input = fs::path(SETUP_RESOURCES_SOURCE_DIR) / language / "_INSTALL.rc";
    const fs::path output = temp / (std::string(language) + ".rc");
    const std::string command = std::string("\"") + SETUP_CMAKE_COMMAND + "\" -DINPUT=\"" + input.string() +
                                "\" -DOUTPUT=\"" + output.string() + "\" -DCOMPANY=Corvane -P \"" +
                                SETUP_RESOURCES_SOURCE_DIR + "/name_the_maker.cmake\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::string expected = testing_support::ReadHostFile(input);
    ASSERT_NE(expected.find("Halvion"), std::string::npos) << language;
    for (std::size_t at = expected.find("Halvion"); at != std::string::npos; at = expected.find("Halvion", at + 7)) {
      expected.replace(at, 7, "Corvane");
    }
    EXPECT_TRUE(testing_support::ReadHostFile(output) == expected) << language << ": more changed than the name";
  }
  fs::remove_all(temp);
}

}  // namespace
