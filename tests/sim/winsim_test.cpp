#include <gtest/gtest.h>

#include <sstream>

#include "support/temp_machine.h"
#include "support/winsim_command.h"
#include "winsim_commands.h"

namespace fs = std::filesystem;

namespace {

using Result = testing_support::WinsimResult;
using testing_support::Winsim;

class WinsimTest : public ::testing::Test {
 protected:
  void SetUp() override { m_root = testing_support::MakeTempFolder("winsim-cmd-"); }
  void TearDown() override { fs::remove_all(m_root); }
  std::string Dir(const char* name) const { return (m_root / name).string(); }
  fs::path m_root;
};

TEST_F(WinsimTest, NewThenRunReportsTheSetupContext) {
  ASSERT_EQ(Winsim({"new", Dir("m"), "--os", "nt4", "--locale", "deu"}).status, 0);
  testing_support::WriteHostFile(m_root / "m" / "drive_d" / "SETUPNT4.IN",
                                 "[DestinationDirs]\r\nSetup.Copy=Setup\r\n");
  // The wizard needs its language library.
  fs::copy_file(fs::path(SETUP_SAMPLE_DIR) / "_INSTALL.ENU", m_root / "m" / "drive_d" / "_INSTALL.ENU");
  Result r = Winsim({"run", Dir("m"), "D:\\SETUP.EXE", "/MVE", "/W\"temp\"", "/ZC:\\APP.EXE"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("flags            0x00050011"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("script name      SETUPNT4.IN"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("setup folder     D:\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("source-tree name \\TEMP\\\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("caller command   C:\\APP.EXE\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("wizard           fresh install"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  page 130 prepare\n"), std::string::npos) << "the wizard ran in the page host\n" << r.out;
  EXPECT_NE(r.out.find("events\n  start D:\\SETUP.EXE /MVE"), std::string::npos) << r.out;
  EXPECT_NE(testing_support::ReadHostFile(m_root / "m" / "events.log").find("start D:\\SETUP.EXE /MVE"),
            std::string::npos);
}

TEST_F(WinsimTest, AFailedPreparationShowsItsMessage) {
  ASSERT_EQ(Winsim({"new", Dir("m")}).status, 0);
  Result r = Winsim({"run", Dir("m"), "D:\\SETUP.EXE"});
  ASSERT_EQ(r.status, 0) << "the program ran to its end";
  EXPECT_NE(r.out.find("last message     1084"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("wizard           none"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  message 1084 \"D:\\SETUP.INF\" -> OK"), std::string::npos) << r.out;
}

TEST_F(WinsimTest, RegistryByKey) {
  ASSERT_EQ(Winsim({"new", Dir("m")}).status, 0);
  Result whole = Winsim({"reg", Dir("m")});
  ASSERT_EQ(whole.status, 0);
  EXPECT_EQ(whole.out.rfind("REGEDIT4", 0), 0u);
  Result key = Winsim({"reg", Dir("m"), "hkey_local_machine\\software\\microsoft"});
  EXPECT_NE(key.out.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]"), std::string::npos);
  EXPECT_EQ(key.out.find("HKEY_CURRENT_USER"), std::string::npos);
}

TEST_F(WinsimTest, BadCommandLinesAndMachines) {
  EXPECT_EQ(Winsim({}).status, 2);
  EXPECT_EQ(Winsim({"fly"}).status, 2);
  EXPECT_EQ(Winsim({"new"}).status, 2);
  EXPECT_EQ(Winsim({"new", Dir("m"), "--os", "win31"}).status, 2);
  EXPECT_EQ(Winsim({"new", Dir("m"), "--locale", "Q1"}).status, 1);
  EXPECT_EQ(Winsim({"run", Dir("none"), "D:\\SETUP.EXE"}).status, 1);
  ASSERT_EQ(Winsim({"new", Dir("m")}).status, 0);
  EXPECT_EQ(Winsim({"run", Dir("m"), "SETUP.EXE"}).status, 2) << "the program needs a full Windows path";
  testing_support::WriteHostFile(m_root / "m" / "hardware.ini", "[PCI]\n1=zz\n");
  Result broken = Winsim({"run", Dir("m"), "D:\\SETUP.EXE"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("hardware.ini"), std::string::npos);
}

}  // namespace
