// What a removal takes: an installation into a folder that already held
// another vendor's files, removed through the maintenance wizard and the
// machine's next start, leaves that folder and every file not its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/example_machines.h"
#include "support/temp_machine.h"
#include "support/winsim_command.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Winsim;

TEST(RemovalTest, AnInstallationIntoProgramFilesTakesOnlyWhatItMade) {
  const fs::path dir = testing_support::MakeTempFolder("winsim-removal-");
  const std::string machine = (dir / "m").string();
  ASSERT_EQ(Winsim({"new", machine, "--os", "win98"}).status, 0);
  testing_support::UseExampleHardware(machine, "win98-adapter");
  ASSERT_EQ(Winsim({"insert", machine, SETUP_SAMPLE_DIR}).status, 0);
  const fs::path programFiles = dir / "m" / "drive_c" / "Program Files";
  testing_support::WriteHostFile(programFiles / "Other Vendor" / "data.txt", "theirs");
  testing_support::WriteHostFile(programFiles / "Common Files" / "System" / "SHARED.DLL", "shared");

  auto run = [&](const std::string& program, const std::string& answers) {
    testing_support::WriteHostFile(dir / "answers.ini", answers);
    const auto result = Winsim({"run", machine, program, "--answers", (dir / "answers.ini").string()});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
  };
  run("D:\\SETUP.EXE",
      "[Pages]\nlanguage = next\ntype = text 1009 C:\\Program Files, next\nlicense = ok\nreadme = next\n"
      "finish = finish\n");
  ASSERT_TRUE(fs::exists(programFiles / "display" / "SETUP.EXE"));
  ASSERT_TRUE(fs::exists(programFiles / "Panel" / "VELAPNL.EXE"));
  run("C:\\Program Files\\display\\SETUP.EXE", "[Pages]\nchoose = click 1044\nfinish = finish\n");
  ASSERT_EQ(Winsim({"restart", machine}).status, 0);

  EXPECT_EQ(testing_support::ReadHostFile(programFiles / "Other Vendor" / "data.txt"), "theirs");
  EXPECT_EQ(testing_support::ReadHostFile(programFiles / "Common Files" / "System" / "SHARED.DLL"), "shared");
  for (const char* made : {"display", "Panel", "Video"}) EXPECT_FALSE(fs::exists(programFiles / made)) << made;
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
