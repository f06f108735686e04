// Whole runs of the sample distribution on simulated Windows 95 and 98
// machines that hold its adapter: what the driver step leaves in the files,
// the registry, SYSTEM.INI and events.log.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/install_app.h"
#include "platform/sim/sim_platform.h"
#include "support/example_machines.h"
#include "support/temp_machine.h"
#include "support/winsim_command.h"
#include "ui/headless/headless_host.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadHostFile;
using testing_support::Winsim;

constexpr const char* kSetupInf = "C:\\Program Files\\Halvion\\display\\SETUP.INF";
constexpr const char* kDevice0 = "HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_1A5C&DEV_0330&SUBSYS_00000000&REV_01\\000800";
constexpr const char* kDisplayClass = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Display\\";

// Ticks the second display device, as a person would in the device dialog.
class SecondDevice final : public IDeviceChooser {
 public:
  void ChooseDevices(std::vector<CDisplayDevice>& devices, bool) override {
    if (devices.size() > 1) devices[1].m_bChosen = true;
  }
};

class DisplayRunsTest : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(m_dir); }
  // A machine of that system with the sample on drive D and that example's hardware.
  void Make(const char* os, const char* example) {
    ASSERT_EQ(Winsim({"new", Machine(), "--os", os}).status, 0);
    testing_support::UseExampleHardware(Machine(), example);
    ASSERT_EQ(Winsim({"insert", Machine(), SETUP_SAMPLE_DIR}).status, 0);
  }
  std::string Machine() const { return (m_dir / "m").string(); }
  fs::path C(const std::string& relative) const { return m_dir / "m" / "drive_c" / relative; }
  // winsim run, then what events.log gained.
  std::string Run(const std::string& program, std::vector<std::string> options, const std::string& answers = "") {
    const std::string before = ReadHostFile(m_dir / "m" / "events.log");
    std::vector<std::string> args{"run", Machine(), program};
    args.insert(args.end(), options.begin(), options.end());
    if (!answers.empty()) {
      testing_support::WriteHostFile(m_dir / "answers.ini", answers);
      args.push_back("--answers");
      args.push_back((m_dir / "answers.ini").string());
    }
    const auto result = Winsim(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return ReadHostFile(m_dir / "m" / "events.log").substr(before.size());
  }
  std::string Registry(const std::string& key) {
    const auto result = Winsim({"reg", Machine(), key});
    return result.status == 0 ? result.out : std::string("(no key)");
  }
  void SetMachineLine(const std::string& from, const std::string& to) {
    std::string ini = ReadHostFile(m_dir / "m" / "machine.ini");
    ASSERT_NE(ini.find(from), std::string::npos);
    ini.replace(ini.find(from), from.size(), to);
    testing_support::WriteHostFile(m_dir / "m" / "machine.ini", ini);
  }
  static bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  fs::path m_dir = testing_support::MakeTempFolder("winsim-display-");
};

TEST_F(DisplayRunsTest, AnAdapterWindowsHasNotSetUpIsLeftForItsNextStart) {
  Make("win98", "win98-adapter-not-set-up");
  const std::string events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_FALSE(Has(events, "thunk Do")) << events;
  EXPECT_FALSE(Has(events, "message ")) << events;
  EXPECT_TRUE(fs::exists(C("WINDOWS/INF/OTHER/Halvion Vela 3D.INF"))) << "the script where Windows looks";
  EXPECT_TRUE(Has(ReadHostFile(C("WINDOWS/INF/OTHER/Halvion Vela 3D.INF")), "[Vela.AddReg]"));
  EXPECT_TRUE(Has(ReadHostFile(C("WINDOWS/SYSTEM.INI")), "display.drv=Halvion Vela 3D"));
  const std::string marks = Registry("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\InstalledFiles");
  EXPECT_TRUE(Has(marks, "\"VELA.DRV\"=hex:00")) << marks;
  EXPECT_TRUE(Has(marks, "\"VELA.VXD\"=hex:00")) << marks;
}

TEST_F(DisplayRunsTest, AnAdapterThatIsSetUpGetsItsDriverAndIsGivenBackTheStandardOne) {
  Make("win98", "win98-adapter");
  std::string events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_EQ(Count(events, "thunk DoDriverInstall32 \"Display\" \"PCI\\VEN_1A5C&DEV_0330\" \"Vela3D\" \"" +
                              std::string(kSetupInf) + "\" \"Halvion Vela 3D\" \"Halvion\"\n"),
            1)
      << events;
  EXPECT_TRUE(fs::exists(C("Program Files/Halvion/display/SETUP.INF")));
  const std::string driver = Registry(std::string(kDisplayClass) + "0001");
  EXPECT_TRUE(Has(driver, "\"DriverDesc\"=\"Halvion Vela 3D\"")) << driver;
  EXPECT_TRUE(Has(driver, "\"InfSection\"=\"Vela3D\"")) << driver;
  EXPECT_TRUE(Has(driver, "\"ProviderName\"=\"Halvion\"")) << driver;
  EXPECT_TRUE(Has(driver, "\"DevLoader\"=\"*vdd,*minivdd\"")) << driver;
  EXPECT_TRUE(Has(driver, "\"drv\"=\"VELA.DRV\"")) << driver;
  EXPECT_TRUE(Has(driver, "\"VideoMemory\"=hex:00,00,80,00")) << driver;
  EXPECT_TRUE(Has(driver, "MODES\\16\\800,600]")) << driver;
  EXPECT_TRUE(Has(Registry(kDevice0), "\"Driver\"=\"Display\\\\0001\""));
  EXPECT_FALSE(Has(ReadHostFile(C("WINDOWS/SYSTEM.INI")), "Halvion")) << "Windows' installer keeps SYSTEM.INI";

  // The maintenance wizard removes it: the standard VGA driver is back.
  events = Run("C:\\Program Files\\Halvion\\display\\SETUP.EXE", {}, "[Pages]\nchoose = click 1044\nfinish = finish\n");
  EXPECT_EQ(Count(events, "thunk InstallCompatibleDriver32 \"Display\" \"PCI\\VEN_1A5C&DEV_0330\"\n"), 1) << events;
  EXPECT_TRUE(Has(Registry(kDevice0), "\"Driver\"=\"Display\\\\0000\""));
  EXPECT_TRUE(Has(Registry(std::string(kDisplayClass) + "0000"), "\"DriverDesc\"=\"Standard Display Adapter (VGA)\""));
  EXPECT_EQ(Registry(std::string(kDisplayClass) + "0001"), "(no key)");
}

TEST_F(DisplayRunsTest, TwoMonitorsOnWindows98TheChosenDeviceOnly) {
  Make("win98", "win98-two-monitors");
  {
    std::string error;
    auto machine = sim::Machine::Open(Machine(), error);
    ASSERT_TRUE(machine) << error;
    sim::SimPlatform platform(*machine, "D:\\SETUP.EXE");
    platform.Install();
    ui::HeadlessHost host(platform);
    platform.SetWizardHost(&host);
    SecondDevice chooser;
    CInstallApp app("/S");
    app.GetDetection().SetChooser(chooser);
    app.Run();
    platform.SetWizardHost(nullptr);
  }
  const std::string events = ReadHostFile(m_dir / "m" / "events.log");
  EXPECT_EQ(Count(events, "thunk DoMultiDriverInstall32 "), 1) << events;
  EXPECT_TRUE(Has(events, "\"Halvion Vela 3D\" \"Halvion\" 1\n")) << events;
  EXPECT_FALSE(Has(events, "thunk DoDriverInstall32 ")) << events;
  EXPECT_TRUE(Has(Registry(kDevice0), "\"Driver\"=\"Display\\\\0000\"")) << "the first device was not chosen";
}

TEST_F(DisplayRunsTest, TwoMonitorsOnWindows98TheDeviceTheAnswersTick) {
  Make("win98", "win98-two-monitors");
  const std::string events = Run("D:\\SETUP.EXE", {},
                                 "[Pages]\nlanguage = next\ndevices = toggle 0, toggle 1, toggle 0, ok\n"
                                 "type = next\nreadme = next\nlicense = ok\nfinish = next\n");
  EXPECT_TRUE(Has(events, "dialog 216 devices\n")) << events;
  EXPECT_TRUE(Has(events, "dialog 216 ends with 0\n")) << events;
  EXPECT_EQ(Count(events, "thunk DoMultiDriverInstall32 "), 1) << events;
  EXPECT_TRUE(Has(events, "\"Halvion Vela 3D\" \"Halvion\" 1\n")) << events;
  EXPECT_FALSE(Has(events, "thunk DoDriverInstall32 ")) << events;
  EXPECT_TRUE(Has(Registry(kDevice0), "\"Driver\"=\"Display\\\\0000\"")) << "the first device was unticked";
}

TEST_F(DisplayRunsTest, Windows95InstallsOnOneDeviceWhateverItHas) {
  Make("win95", "win98-two-monitors");
  const std::string events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_EQ(Count(events, "thunk DoDriverInstall32 \"Display\""), 1) << events;
  EXPECT_FALSE(Has(events, "DoMultiDriverInstall32")) << events;
}

TEST_F(DisplayRunsTest, SafeModeAndAMachineWithoutTheAdapter) {
  Make("win98", "win98-adapter");
  SetMachineLine("SafeMode=0", "SafeMode=1");
  std::string events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_TRUE(Has(events, "message 1098")) << events;
  EXPECT_FALSE(fs::exists(C("Program Files/Halvion/display/SETUP.INF"))) << "the wizard was cancelled";

  SetMachineLine("SafeMode=1", "SafeMode=0");
  ASSERT_FALSE(Has(Run("D:\\SETUP.EXE", {"/S"}), "message ")) << "installed";
  // The adapter is gone: the maintenance wizard shows nothing about it.
  testing_support::WriteHostFile(m_dir / "m" / "hardware.ini", "");
  events = Run("C:\\Program Files\\Halvion\\display\\SETUP.EXE", {"/S"});
  EXPECT_FALSE(Has(events, "message ")) << events;
  EXPECT_TRUE(Has(events, "page 212 choose")) << "the preparation went on: " << events;

  // A fresh installation names the missing model.
  fs::remove_all(m_dir / "m");
  Make("win98", "win98-adapter-not-set-up");
  testing_support::WriteHostFile(m_dir / "m" / "hardware.ini", "[Bios]\nText=VELA 3D\n");
  events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_TRUE(Has(events, "message 1097")) << events;
}

TEST_F(DisplayRunsTest, WindowsNtRecognisesTheModelOnlyForAnAdministrator) {
  Make("nt4", "win98-adapter");
  SetMachineLine("Administrator=1", "Administrator=0");
  EXPECT_TRUE(Has(Run("D:\\SETUP.EXE", {"/S"}), "message 1099"));
}

}  // namespace
