// Whole runs of the sample distribution on simulated Windows 95, 98 and NT
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
  // A machine of that system with the sample (or another CD) on drive D and
  // that example's hardware.
  void Make(const char* os, const char* example, const std::string& cd = SETUP_SAMPLE_DIR) {
    ASSERT_EQ(Winsim({"new", Machine(), "--os", os}).status, 0);
    testing_support::UseExampleHardware(Machine(), example);
    ASSERT_EQ(Winsim({"insert", Machine(), cd}).status, 0);
  }
  // A copy of the sample whose SETUP.INF has `from` replaced by `to`.
  std::string SampleWith(const std::string& from, const std::string& to) {
    const fs::path cd = m_dir / "cd";
    fs::copy(SETUP_SAMPLE_DIR, cd, fs::copy_options::recursive);
    std::string script = ReadHostFile(cd / "SETUP.INF");
    EXPECT_NE(script.find(from), std::string::npos) << from;
    if (script.find(from) != std::string::npos) script.replace(script.find(from), from.size(), to);
    testing_support::WriteHostFile(cd / "SETUP.INF", script);
    return cd.string();
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
    // The machine and the command line were usable; how the run ended is the test's to look at.
    EXPECT_TRUE(result.status != 1 && result.status != 2) << result.status << " " << result.err;
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
    ui::HeadlessHost host(platform);
    platform.SetWizardHost(&host);
    SecondDevice chooser;
    CInstallApp app(platform.Interfaces(), "/S");
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
  for (const char* os : {"nt4", "nt5"}) {
    SCOPED_TRACE(os);
    fs::remove_all(m_dir / "m");
    Make(os, "nt4-adapter");
    SetMachineLine("Administrator=1", "Administrator=0");
    EXPECT_TRUE(Has(Run("D:\\SETUP.EXE", {"/S"}), "message 1099"));
  }
}

constexpr const char* kServices = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";
constexpr const char* kLegacyInstance = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\LEGACY_vela\\0000";

TEST_F(DisplayRunsTest, WindowsNtInstallsTheDriverAsALegacyDeviceAndRemovalGivesBackTheOneBefore) {
  for (const char* os : {"nt4", "nt5"}) {
    SCOPED_TRACE(os);
    fs::remove_all(m_dir / "m");
    Make(os, "nt4-adapter");
    std::string events = Run("D:\\SETUP.EXE", {"/S"});
    EXPECT_FALSE(Has(events, "message ")) << events;
    const std::string service = Registry(std::string(kServices) + "vela");
    EXPECT_TRUE(Has(service, "\"Start\"=dword:00000001")) << service;
    EXPECT_TRUE(Has(service, "\"Type\"=dword:00000001")) << service;
    EXPECT_TRUE(Has(service, "\"Group\"=\"Video\"")) << service;
    EXPECT_TRUE(Has(service, "\"ImagePath\"=hex(2):")) << service;
    const std::string device0 = Registry(std::string(kServices) + "vela\\Device0");
    EXPECT_TRUE(Has(device0, "\"Device Description\"=\"Halvion Vela 3D\"")) << device0;
    EXPECT_TRUE(Has(device0, "\"Acceleration.Level\"=dword:00000000")) << device0;
    EXPECT_TRUE(Has(device0, "\"HardwareInformation.MemorySize\"=dword:00800000")) << device0;
    const std::string openGl =
        Registry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\OpenGLDrivers");
    EXPECT_TRUE(Has(openGl, "\"Vela\"=\"VELANT.DLL\"")) << openGl;
    const std::string instance = Registry(kLegacyInstance);
    EXPECT_TRUE(Has(instance, "\"Service\"=\"vela\"")) << instance;
    EXPECT_TRUE(Has(instance, "\"ClassGUID\"=\"{4D36E968-E325-11CE-BFC1-08002BE10318}\"")) << instance;
    EXPECT_TRUE(Has(Registry(std::string(kServices) + "vela2k"), "\"Start\"=dword:00000004"))
        << "the display service that ran before";
    const std::string record = Registry("HKEY_LOCAL_MACHINE\\Software\\TORQUIST\\Install");
    EXPECT_TRUE(Has(record, "\"Disabled Display Service\"=\"vela2k\"")) << record;
    EXPECT_TRUE(Has(record, "\"Disabled Display Start\"=dword:00000001")) << record;

    // Installed again: the instance is reused, its driver key kept.
    events = Run("D:\\SETUP.EXE", {"/S"});
    EXPECT_FALSE(Has(events, "message ")) << events;
    EXPECT_EQ(Registry(kLegacyInstance), instance);

    // Removed: the service no longer starts, the one it replaced does again.
    Run("C:\\Program Files\\Halvion\\display\\SETUP.EXE", {}, "[Pages]\nchoose = click 1044\nfinish = finish\n");
    EXPECT_TRUE(Has(Registry(std::string(kServices) + "vela"), "\"Start\"=dword:00000004"));
    EXPECT_TRUE(Has(Registry(std::string(kServices) + "vela2k"), "\"Start\"=dword:00000001"));
  }
}

TEST_F(DisplayRunsTest, AFailedNtInstallationStartsThePreviousServiceAgainAndStopsTheRun) {
  // Without a service name the installation fails before anything changed.
  Make("nt4", "nt4-adapter", SampleWith("[Vela3D.Services]\r\nAddService=vela,", "[Vela3D.Services]\r\nAddService=,"));
  std::string events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_TRUE(Has(events, "message 1082")) << events;
  EXPECT_TRUE(Has(Registry(std::string(kServices) + "vela2k"), "\"Start\"=dword:00000001"));
  EXPECT_EQ(Registry(std::string(kServices) + "vela"), "(no key)");
  EXPECT_EQ(Registry("HKEY_LOCAL_MACHINE\\Software\\Halvion\\Vela"), "(no key)") << "the run stopped";

  // A service name no instance can be named after fails the device's
  // creation, after the running service was disabled: it starts again.
  fs::remove_all(m_dir / "m");
  fs::remove_all(m_dir / "cd");
  Make("nt4", "nt4-adapter", SampleWith("[Vela3D.Services]\r\nAddService=vela,", "[Vela3D.Services]\r\nAddService=vela\\x,"));
  events = Run("D:\\SETUP.EXE", {"/S"});
  EXPECT_TRUE(Has(events, "message 1082")) << events;
  EXPECT_TRUE(Has(Registry(std::string(kServices) + "vela2k"), "\"Start\"=dword:00000001"));
}

}  // namespace
