#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/example_machines.h"
#include "support/temp_machine.h"
#include "support/winsim_command.h"
#include "outcome.h"
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
  // A script without [Setup] stops the preparation (1088).
  ASSERT_EQ(r.status, winsim::kRunNotPrepared) << r.err << r.out;
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
  ASSERT_EQ(r.status, winsim::kRunNotPrepared);
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
  const Result help = Winsim({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("exit status 0 installed or removed, 3 the run failed"), std::string::npos) << help.out;
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

// What `winsim run` says a start of the sample came to: its exit status,
// its last line in words, and the outcome the run itself produced.
class WinsimRunTest : public WinsimTest {
 protected:
  void SetUp() override {
    WinsimTest::SetUp();
    ASSERT_EQ(Winsim({"new", Dir("m")}).status, 0);
    testing_support::UseExampleHardware(Dir("m"), "win98-adapter");
    ASSERT_EQ(Winsim({"insert", Dir("m"), SETUP_SAMPLE_DIR}).status, 0);
  }
  Result Run(const std::string& program, std::vector<std::string> options, const std::string& pages = "") {
    std::vector<std::string> args{"run", Dir("m"), program};
    args.insert(args.end(), options.begin(), options.end());
    if (!pages.empty()) {
      testing_support::WriteHostFile(m_root / "answers.ini", "[Pages]\n" + pages);
      args.insert(args.end(), {"--answers", (m_root / "answers.ini").string()});
    }
    return Winsim(args);
  }
  static std::string LastLine(const std::string& out) {
    const std::size_t end = out.find_last_not_of('\n');
    return out.substr(out.rfind('\n', end) + 1, end - out.rfind('\n', end));
  }
  void Replace(const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = testing_support::ReadHostFile(file);
    ASSERT_NE(text.find(from), std::string::npos) << from;
    text.replace(text.find(from), from.size(), to);
    testing_support::WriteHostFile(file, text);
  }
};

TEST_F(WinsimRunTest, AnInstallationAndItsRemovalEndWithZeroAndSaySo) {
  const Result installed = Run("D:\\SETUP.EXE", {"/S"});
  ASSERT_EQ(installed.status, winsim::kRunSucceeded) << installed.out;
  EXPECT_EQ(LastLine(installed.out), "installed; Windows must restart");
  const CRunOutcome& o = installed.outcome;
  EXPECT_TRUE(o.Succeeded());
  EXPECT_EQ(o.m_strSetupFolder, "C:\\Program Files\\Halvion\\display");
  EXPECT_NE(std::find(o.m_files.begin(), o.m_files.end(), "C:\\Program Files\\Halvion\\display\\SETUP.EXE"),
            o.m_files.end());
  EXPECT_EQ(o.m_shortcuts.size(), 3u);
  EXPECT_GT(o.m_nValuesWritten, 10);
  ASSERT_EQ(o.m_drivers.size(), 1u);
  EXPECT_EQ(o.m_drivers[0].m_road, CDriverStep::Road::ThunkLibrary);
  EXPECT_EQ(o.m_drivers[0].m_nResult, 0);
  EXPECT_EQ(o.LastPage(), 211u);

  const Result removed = Run(o.m_strSetupFolder + "\\SETUP.EXE", {}, "choose = click 1044\nfinish = finish\n");
  ASSERT_EQ(removed.status, winsim::kRunSucceeded) << removed.out;
  EXPECT_EQ(LastLine(removed.out), "removed; the installed folder goes at the next start; Windows must restart");
  EXPECT_TRUE(removed.outcome.m_bRemovalScheduled);
  EXPECT_EQ(removed.outcome.m_shortcuts.size(), 3u) << "the shortcuts it removed";
  ASSERT_EQ(removed.outcome.m_drivers.size(), 1u);
  EXPECT_EQ(removed.outcome.m_drivers[0].m_road, CDriverStep::Road::CompatibleDriver);
}

TEST_F(WinsimRunTest, EachWayOfNotInstallingHasItsStatusAndItsWords) {
  const Result cancelled = Run("D:\\SETUP.EXE", {}, "language = next\ntype = cancel\n");
  EXPECT_EQ(cancelled.status, winsim::kRunCancelled);
  EXPECT_EQ(LastLine(cancelled.out), "cancelled on page 213 type");

  // Programs on a drive the machine lacks: the setup folder cannot be made.
  Replace(m_root / "m" / "registry.reg", "\"ProgramFilesDir\"=\"C:\\\\Program Files\"",
          "\"ProgramFilesDir\"=\"Q:\\\\Program Files\"");
  const Result failed = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_EQ(failed.status, winsim::kRunFailed);
  EXPECT_EQ(LastLine(failed.out).rfind("failed with message 1092: ", 0), 0u) << failed.out;
  EXPECT_NE(LastLine(failed.out).find("Q:\\Program Files\\Halvion\\display"), std::string::npos) << "its text";
  EXPECT_NE(failed.out.find("message 1092 \"Q:\\Program Files\\Halvion\\display\" -> OK: " +
                            winsim::OneLine(failed.outcome.m_strMessageText)),
            std::string::npos)
      << "the box shows its text in the event list: " << failed.out;
  Replace(m_root / "m" / "registry.reg", "\"ProgramFilesDir\"=\"Q:\\\\Program Files\"",
          "\"ProgramFilesDir\"=\"C:\\\\Program Files\"");

  // A program the script runs that is not there.
  Replace(m_root / "m" / "drive_d" / "SETUP.INF", "VELAREG.EXE,,/register,1", "VELAGONE.EXE,,/register,1");
  const Result program = Run("D:\\SETUP.EXE", {"/SE"});
  EXPECT_EQ(program.status, winsim::kRunProgramFailed) << program.out;
  EXPECT_EQ(LastLine(program.out).rfind("failed: a program could not be started (message 1082: ", 0), 0u) << program.out;

  // No script: quiet, yet the message that stopped it is named.
  fs::remove(m_root / "m" / "drive_d" / "SETUP.INF");
  const Result unprepared = Run("D:\\SETUP.EXE", {"/SE"});
  EXPECT_EQ(unprepared.status, winsim::kRunNotPrepared);
  EXPECT_EQ(LastLine(unprepared.out).rfind("stopped before the wizard with message 1085: ", 0), 0u) << unprepared.out;
  const Result plan = Winsim({"plan", Dir("m"), "D:\\SETUP.EXE", "/SE"});
  EXPECT_EQ(plan.status, 1);
  EXPECT_NE(plan.out.find("messages\n  1085 \"D:\\SETUP.INF\": "), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("(recorded, not shown: a quiet run)"), std::string::npos) << plan.out;
}

}  // namespace
