// `winsim plan` and `winsim insert` on the sample distribution.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <sstream>

#include "support/example_machines.h"
#include "support/temp_machine.h"
#include "support/winsim_command.h"
#include "winsim_commands.h"

namespace fs = std::filesystem;
using testing_support::ReadHostFile;

namespace {

using Result = testing_support::WinsimResult;
using testing_support::Winsim;

class PlanTest : public ::testing::Test {
 protected:
  void SetUp() override { m_root = testing_support::MakeTempFolder("winsim-plan-test-"); }
  void TearDown() override { fs::remove_all(m_root); }
  std::string Machine(const char* os, const char* locale = "ENU") {
    const std::string dir = (m_root / os).string();
    EXPECT_EQ(Winsim({"new", dir, "--os", os, "--locale", locale}).status, 0);
    testing_support::UseExampleHardware(dir, "win98-adapter");
    const Result r = Winsim({"insert", dir, SETUP_SAMPLE_DIR});
    EXPECT_EQ(r.status, 0) << r.err;
    return dir;
  }
  static bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }
  fs::path m_root;
};

TEST_F(PlanTest, ATypicalInstallationOnWindows98) {
  const std::string dir = Machine("win98");
  const std::string registryBefore = ReadHostFile(fs::path(dir) / "registry.reg");
  const Result r = Winsim({"plan", dir, "D:\\SETUP.EXE", "/S"});
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const std::string& p = r.out;
  EXPECT_TRUE(Has(p, "messages      none\n")) << p;
  EXPECT_TRUE(Has(p, "setup type    0x20 (typical)\n")) << p;
  EXPECT_TRUE(Has(p, "setup folder  C:\\Program Files\\Halvion\\display\n")) << p;
  // The included video disk is the third; the monitor profiles share the utilities disk.
  EXPECT_TRUE(Has(p, "  disk 3 \"Vela video tools disk\"\n    D:\\VIDEO\\FILES\\VELAPLAY.EXE\n"
                     "      -> C:\\Program Files\\Halvion\\Video\\VELAPLAY.EXE\n")) << p;
  EXPECT_TRUE(Has(p, "    D:\\MONITOR\\PROFILES\\VELAMON.ICM\n      -> C:\\WINDOWS\\INF\\VELAMON.ICM\n")) << p;
  EXPECT_FALSE(Has(p, "disk 4")) << p;
  EXPECT_TRUE(Has(p, "-> C:\\WINDOWS\\SYSTEM\\VELARUN.DLL\n")) << p;
  EXPECT_TRUE(Has(p, "renames\n  C:\\WINDOWS\\VELACPL.INI\n    -> C:\\WINDOWS\\VELAPNL.INI\n")) << p;
  EXPECT_TRUE(Has(p, "      HKCU | Software\\Halvion\\Vela\\Panel | Colors | 1 | 10 | 20 | 30 | FF\n")) << p;
  EXPECT_TRUE(Has(p, "      HKCR | VelaMovie\\shell\\open\\command |  | 4 | Video\\VELAPLAY.EXE %1\n")) << p;
  EXPECT_TRUE(Has(p, "      VELA.INI | Monitors |  | Profile=VELAMON.ICM\n")) << p;
  EXPECT_TRUE(Has(p, "  Panel: install, in C:\\Program Files\\Halvion\\Panel\n      VELAREG.EXE |  | /register | 1\n")) << p;
  // Run order: registry before INI files before program groups before the programs.
  EXPECT_LT(p.find("\nregistry\n"), p.find("\nINI files\n"));
  EXPECT_LT(p.find("\nINI files\n"), p.find("\nprogram groups\n"));
  EXPECT_LT(p.find("\nprogram groups\n"), p.find("\nprograms after installation\n"));
  EXPECT_FALSE(Has(p, "TrayMonitor: ")) << "optional components wait for the custom type";

  EXPECT_EQ(ReadHostFile(fs::path(dir) / "registry.reg"), registryBefore) << "planning changes nothing";
  EXPECT_EQ(ReadHostFile(fs::path(dir) / "events.log"), "");
}

// Every entry of a folder tree: its type, and a regular file's content.
std::map<std::string, std::string> TreeOf(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const fs::file_type type = entry.symlink_status().type();
    tree[entry.path().lexically_relative(folder).string()] =
        type == fs::file_type::regular ? ReadHostFile(entry.path()) : "type " + std::to_string(static_cast<int>(type));
  }
  return tree;
}

TEST_F(PlanTest, TheCdIsReadWhereItIsAndTheMachineStaysAsItWas) {
  const std::string dir = Machine("win98");
  // A pipe cannot be copied: a plan that copied drive D would stop at it.
  ASSERT_EQ(::mkfifo((fs::path(dir) / "drive_d" / "PIPE").c_str(), 0644), 0);
  const auto before = TreeOf(dir);
  const Result r = Winsim({"plan", dir, "D:\\SETUP.EXE", "/S"});
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_TRUE(Has(r.out, "    D:\\VIDEO\\FILES\\VELAPLAY.EXE\n")) << r.out;
  EXPECT_EQ(TreeOf(dir), before);
}

TEST_F(PlanTest, WindowsNT4InGerman) {
  const std::string dir = Machine("nt4", "DEU");
  const Result r = Winsim({"plan", dir, "D:\\SETUP.EXE", "/S", "/LDEU"});
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_TRUE(Has(r.out, "language      DEU\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "  Panel \"Anzeigesteuerung\"\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "-> C:\\WINNT\\SYSTEM32\\VELARUN.DLL\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "      HKLM | Software\\Halvion\\Vela | Language | 0 | DEU\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "messages      none\n")) << r.out;
}

TEST_F(PlanTest, TheMinimalTypeAndTheJsonForm) {
  const std::string dir = Machine("win98");
  Result r = Winsim({"plan", dir, "D:\\SETUP.EXE", "/M", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\n  \"prepared\": true,", 0), 0u) << r.out;
  EXPECT_TRUE(Has(r.out, "\"setupType\": \"0x10 (minimal)\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"messages\": []")) << r.out;
  EXPECT_FALSE(Has(r.out, "VELAPNL")) << "the minimal type installs the setup program only";

  r = Winsim({"plan", dir, "D:\\SETUP.EXE", "/M", "--type", "custom"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(Has(r.out, "setup type    0x40")) << r.out;
  EXPECT_EQ(Winsim({"plan", dir, "D:\\SETUP.EXE", "--type", "fast"}).status, 2);
  EXPECT_EQ(Winsim({"plan", dir, "SETUP.EXE"}).status, 2);
}

TEST_F(PlanTest, ScriptErrorsAreReportedWithTheirNumberAndInserts) {
  const std::string dir = Machine("win98");
  testing_support::WriteHostFile(
      fs::path(dir) / "drive_d" / "SETUP.INF",
      "[IncludeInf]\r\n%Extra%\r\n[DestinationDirs]\r\nSetup.Copy=display\r\n[Setup]\r\nOptionDesc=Setup\r\n"
      "[Strings]\r\nExtra=VIDEO\\VIDEO.INF\r\n");
  const Result r = Winsim({"plan", dir, "D:\\SETUP.EXE", "/M"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.out, "messages\n  1089 \"Extra\"")) << r.out;
}

TEST_F(PlanTest, InsertPutsAFolderIntoADrive) {
  const std::string dir = Machine("win95");
  EXPECT_TRUE(fs::exists(fs::path(dir) / "drive_d" / "VIDEO" / "VIDEO.INF"));
  ASSERT_EQ(Winsim({"insert", dir, SETUP_SAMPLE_DIR "/VIDEO", "--drive", "a:"}).status, 0);
  EXPECT_TRUE(fs::exists(fs::path(dir) / "drive_a" / "VIDEO.INF"));
  ASSERT_EQ(Winsim({"insert", dir, SETUP_SAMPLE_DIR "/MONITOR", "--drive", "A"}).status, 0);
  EXPECT_FALSE(fs::exists(fs::path(dir) / "drive_a" / "VIDEO.INF")) << "the drive holds the new disk only";
  EXPECT_EQ(Winsim({"insert", dir, SETUP_SAMPLE_DIR, "--drive", "C"}).status, 2);
  EXPECT_EQ(Winsim({"insert", dir, SETUP_SAMPLE_DIR, "--drive", "12"}).status, 2);
  EXPECT_EQ(Winsim({"insert", dir, (m_root / "none").string()}).status, 1);
}

}  // namespace
