// Whole installations of the sample distribution on simulated machines:
// unattended and driven runs, what they leave on the machine, the second
// start that maintains it, and the next start of the machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/install_app.h"
#include "resource_ids.h"
#include "support/temp_machine.h"
#include "wizard/install_sheet.h"
#include "core/message_text.h"
#include "support/example_machines.h"
#include "support/winsim_command.h"
#include "outcome.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadHostFile;
using testing_support::Winsim;

class InstallationTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    m_dir = testing_support::MakeTempFolder("winsim-installation-");
    ASSERT_EQ(Winsim({"new", Machine(), "--os", GetParam()}).status, 0);
    testing_support::UseExampleHardware(Machine(), "win98-adapter");
    ASSERT_EQ(Winsim({"insert", Machine(), SETUP_SAMPLE_DIR}).status, 0);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string Machine() const { return (m_dir / "m").string(); }
  bool Nt() const { return std::string(GetParam()).rfind("nt", 0) == 0; }
  fs::path C(const std::string& relative) const { return m_dir / "m" / "drive_c" / relative; }
  std::string WindowsFolder() const { return Nt() ? "WINNT" : "WINDOWS"; }
  std::string SystemFolder() const { return WindowsFolder() + (Nt() ? "/SYSTEM32" : "/SYSTEM"); }

  // winsim run with the exit status it must end with, then what events.log gained.
  std::string Run(const std::string& program, std::vector<std::string> options, const std::string& answers = "",
                  int status = winsim::kRunSucceeded) {
    const std::string before = ReadHostFile(m_dir / "m" / "events.log");
    std::vector<std::string> args{"run", Machine(), program};
    args.insert(args.end(), options.begin(), options.end());
    if (!answers.empty()) {
      testing_support::WriteHostFile(m_dir / "answers.ini", answers);
      args.push_back("--answers");
      args.push_back((m_dir / "answers.ini").string());
    }
    const auto result = Winsim(args);
    EXPECT_EQ(result.status, status) << result.err << result.out;
    m_output = result.out;
    m_outcome = result.outcome;
    return ReadHostFile(m_dir / "m" / "events.log").substr(before.size());
  }
  std::string Registry(const std::string& key) {
    const auto result = Winsim({"reg", Machine(), key});
    return result.status == 0 ? result.out : std::string();
  }
  // The flag word the run ended with.
  unsigned long Flags() const { return m_outcome.m_nFlags; }
  static bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

  fs::path m_dir;
  std::string m_output;
  CRunOutcome m_outcome;
};

INSTANTIATE_TEST_SUITE_P(Systems, InstallationTest, ::testing::Values("win98", "nt4"));

TEST_P(InstallationTest, TheTypicalInstallationOfOptionS) {
  const std::string events = Run("D:\\SETUP.EXE", {"/S", "--changes"});
  EXPECT_TRUE(Has(events, "page 210 progress")) << events;
  EXPECT_TRUE(Has(events, "wizard ends by cancel")) << "unattended, the finish page leaves by Cancel: " << events;
  EXPECT_FALSE(Has(events, "message ")) << events;
  EXPECT_TRUE(fs::exists(C("Program Files/Halvion/display/SETUP.INF")));
  EXPECT_TRUE(fs::exists(C("Program Files/Halvion/display/SETUP.EXE")));
  EXPECT_TRUE(fs::exists(C("Program Files/Halvion/Panel/VELAPNL.EXE")));
  EXPECT_TRUE(fs::exists(C("Program Files/Halvion/Video/VELAPLAY.EXE"))) << "from the included script's disk";
  EXPECT_TRUE(fs::exists(C(SystemFolder() + "/VELARUN.DLL")));
  const std::string record = Registry("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install");
  EXPECT_TRUE(Has(record, "\"Destination Dir\"=\"C:\\\\Program Files\\\\Halvion\"")) << record;
  EXPECT_TRUE(Has(record, "\"Setup Path\"=\"C:\\\\Program Files\\\\Halvion\\\\display\"")) << record;
  EXPECT_TRUE(Has(record, "\"Install From\"=\"D:\"")) << record;
  EXPECT_TRUE(Has(record, "\"Language\"=\"ENU\"")) << record;
  EXPECT_TRUE(Has(Registry("HKEY_LOCAL_MACHINE\\Software\\Halvion\\Vela"), "\"Version\"=\"4.10.0021\""));
  const std::string ini = ReadHostFile(C(WindowsFolder() + "/VELA.INI"));
  EXPECT_TRUE(Has(ini, "Page=Resolution")) << ini;
  EXPECT_TRUE(Has(ini, "Profile=VELAMON.ICM")) << ini;
  bool shortcut = false;
  for (const auto& entry : fs::recursive_directory_iterator(m_dir / "m" / "drive_c")) {
    if (entry.path().filename() == "Vela display panel.LNK" || entry.path().filename() == "Vela display panel.lnk") {
      shortcut = true;
    }
  }
  EXPECT_TRUE(shortcut) << "the program group's shortcut";
  EXPECT_TRUE(Has(events, "VELAREG.EXE /register")) << "the program the script runs: " << events;

  // The summary of what changed.
  EXPECT_TRUE(Has(m_output, "  + C:\\Program Files\\Halvion\\Panel\\VELAPNL.EXE (")) << m_output;
  EXPECT_TRUE(Has(m_output, "  + HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvion\\Vela Version=\"4.10.0021\"")) << m_output;
  EXPECT_TRUE(Has(m_output, "  + C:\\" + WindowsFolder() + "\\VELA.INI [Panel] Page=Resolution")) << m_output;
  EXPECT_TRUE(Has(m_output, "Vela display panel.")) << "the shortcut: " << m_output;
}

TEST_P(InstallationTest, TheMinimalInstallationOfOptionMAndTheSecondStart) {
  const std::string events = Run("D:\\SETUP.EXE", {"/M"});
  EXPECT_TRUE(fs::exists(C("Program Files/Halvion/display/SETUP.EXE")));
  EXPECT_FALSE(fs::exists(C("Program Files/Halvion/Panel/VELAPNL.EXE"))) << "the minimal type leaves the utilities";
  EXPECT_TRUE(Has(Registry("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install"), "Destination Dir"));

  // Started again from the folder the record names, the program maintains.
  const std::string again = Run("C:\\Program Files\\Halvion\\display\\SETUP.EXE", {},
                                "[Pages]\nchoose = click 1044\nfinish = finish\n");
  EXPECT_TRUE(Has(again, "page 212 choose")) << again;
  EXPECT_FALSE(Has(again, "page 129")) << "the maintenance wizard starts on its first page";
  EXPECT_TRUE(Has(again, "page 211 finish")) << again;
  EXPECT_FALSE(Has(Registry("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install"), "Destination Dir"))
      << "a removal deletes the record";
  EXPECT_TRUE(Has(Registry("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"),
                  "\\\\display\\\\INST16.EXE -RC:\\\\PROGRA~1\\\\Halvion"));
  // The next start removes the installed folder.
  ASSERT_EQ(Winsim({"restart", Machine()}).status, 0);
  EXPECT_FALSE(fs::exists(C("Program Files/Halvion")));
}

TEST_P(InstallationTest, QuietRunsRecordTheirMessagesWithoutShowingThem) {
  // Program files on a drive the machine lacks: the setup folder cannot be made.
  const fs::path registryFile = m_dir / "m" / "registry.reg";
  std::string registry = ReadHostFile(registryFile);
  const std::string from = "\"ProgramFilesDir\"=\"C:\\\\Program Files\"";
  ASSERT_TRUE(Has(registry, from)) << registry;
  registry.replace(registry.find(from), from.size(), "\"ProgramFilesDir\"=\"Q:\\\\Program Files\"");
  testing_support::WriteHostFile(registryFile, registry);

  std::string events = Run("D:\\SETUP.EXE", {"/SE"}, "", winsim::kRunFailed);
  EXPECT_FALSE(Has(events, "message ")) << events;
  EXPECT_EQ(m_outcome.m_nMessage, 1092) << m_output;
  EXPECT_TRUE(Has(events, "page 211 finish")) << events;
  events = Run("D:\\SETUP.EXE", {"/S"}, "", winsim::kRunFailed);
  EXPECT_TRUE(Has(events, "message 1092 \"Q:\\Program Files\\Halvion\\display\"")) << events;
}

TEST_P(InstallationTest, ACopyFailureStopsTheRunAndTheFinishPageSaysSo) {
  fs::remove(m_dir / "m" / "drive_d" / "UTILS" / "VELARUN.DL_");
  fs::remove(m_dir / "m" / "drive_d" / "UTILS" / "VELARUN.DLL");
  const std::string events = Run("D:\\SETUP.EXE", {"/S"}, "", winsim::kRunFailed);
  EXPECT_TRUE(Has(events, "page 211 finish")) << events;
  EXPECT_FALSE(fs::exists(C("Program Files/Halvion/Panel/VELAPNL.EXE"))) << "the run stopped at the missing disk";
  EXPECT_FALSE(Has(Registry("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install"), "Destination Dir"))
      << "no record after a failed copy";
  EXPECT_NE(Flags() & 0x100000u, 0u) << "the run is marked failed: " << m_output;
}

TEST_P(InstallationTest, OptionRRestartsAtTheEnd) {
  const std::string events = Run("D:\\SETUP.EXE", {"/S", "/R"});
  EXPECT_TRUE(Has(events, "press next on 211") || Has(events, Nt() ? "restart request" : "restart computer"))
      << events;
  // The display driver's component asks for a restart of the computer.
  EXPECT_TRUE(Has(events, Nt() ? "restart request: shut down and restart" : "restart computer")) << events;
}

TEST_P(InstallationTest, OneLanguagePassesOverTheLanguagePage) {
  std::string events = Run("D:\\SETUP.EXE", {"/S", "/LDEU"});
  EXPECT_FALSE(Has(events, "page 129")) << events;
  EXPECT_TRUE(Has(Registry("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install"), "\"Language\"=\"DEU\""));
  events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_TRUE(Has(events, "page 129 language")) << "three languages on offer: " << events;
}

TEST_P(InstallationTest, TheSourceTreeOfOptionWIsGoneAfterTheNextStart) {
  const fs::path tree = C("TEMP/NAME/DISK1");
  fs::create_directories(tree);
  fs::copy(m_dir / "m" / "drive_d", tree, fs::copy_options::recursive);
  const std::string events = Run("C:\\TEMP\\NAME\\DISK1\\SETUP.EXE", {"/S", "/W\"NAME\""});
  EXPECT_TRUE(fs::exists(C("Program Files/Halvion/display/SETUP.EXE")));
  EXPECT_TRUE(Has(events, "$INST16 /f\\DISK1\\SETUP.EXE /wC:\\TEMP\\NAME")) << events;
  ASSERT_EQ(Winsim({"restart", Machine()}).status, 0);
  EXPECT_FALSE(fs::exists(C("TEMP/NAME")));
  EXPECT_TRUE(fs::exists(C("TEMP"))) << "only the named tree goes";
}

// The finish page of a failed run, as the person would see it.
TEST(FailedRun, TheFinishPageShowsTheFailureText) {
  testing_support::TempMachine machine(sim::OsKind::Win98, "D:\\SETUP.EXE");
  machine.SetHardware(ReadHostFile(fs::path(SETUP_EXAMPLE_MACHINES_DIR) / "win98-adapter.hardware.ini"));
  fs::copy(SETUP_SAMPLE_DIR, machine.Folder() / "drive_d", fs::copy_options::recursive);
  fs::remove(machine.Folder() / "drive_d" / "UTILS" / "VELARUN.DL_");
  CInstallApp app(machine.Interfaces(), "/S");
  app.Run();
  ui::HeadlessHost& host = machine.Host();
  ASSERT_EQ(host.CurrentPosition(), kFreshFinishPage) << "the wizard ended on the finish page";
  const ui::ControlModel* outcome = host.Control(host.CurrentPosition(), IDC_FINISH_OUTCOME);
  const ui::ControlModel* advice = host.Control(host.CurrentPosition(), IDC_FINISH_NEXT_STEP);
  ASSERT_NE(outcome, nullptr);
  ASSERT_NE(advice, nullptr);
  CMessageText failed(app.GetResources()), next(app.GetResources());
  EXPECT_EQ(outcome->text, failed.LoadText(IDS_FINISH_INSTALL_FAILED));
  EXPECT_EQ(advice->text, next.LoadText(IDS_FINISH_FAILED_ADVICE));
  EXPECT_FALSE(host.Sheet().finish.enabled) << "only Cancel leaves a failed run";
  EXPECT_FALSE(host.Sheet().next.enabled);
  EXPECT_TRUE(host.Sheet().cancel.enabled);
}

}  // namespace
