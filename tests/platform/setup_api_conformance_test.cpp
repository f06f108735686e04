// Windows NT's device installer as the display driver step uses it: the
// class of an INF, root-enumerated device instances, install parameters,
// the class drivers of one INF and their installation, and registry-only
// installs of INF sections.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "conformance_environment.h"
#include "platform/outside_libraries.h"
#include "platform/setup_api.h"

namespace {

using namespace setupapi;

constexpr const char* kDisplayGuid = "{4D36E968-E325-11CE-BFC1-08002BE10318}";
constexpr Guid kDisplayClass{0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

constexpr const char* kProbeInf =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Class=Display\r\n"
    "ClassGUID={4D36E968-E325-11CE-BFC1-08002BE10318}\r\n"
    "Provider=%Maker%\r\n"
    "\r\n"
    "[DestinationDirs]\r\n"
    "DefaultDestDir=12\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%Maker%=Probe.Models\r\n"
    "\r\n"
    "[Probe.Models]\r\n"
    "%Probe%=Probe.Install\r\n"
    "\r\n"
    "[Probe.Install]\r\n"
    "CopyFiles=Probe.Files\r\n"
    "DelReg=Probe.DelReg\r\n"
    "AddReg=Probe.AddReg\r\n"
    "\r\n"
    "[Probe.Files]\r\n"
    "confprobe.sys\r\n"
    "\r\n"
    "[Probe.DelReg]\r\n"
    "HKR,,Stale\r\n"
    "\r\n"
    "[Probe.AddReg]\r\n"
    "HKR,,ProbeValue,,probe\r\n"
    "\r\n"
    "[Probe.Install.Services]\r\n"
    "AddService=confprobe,0x00000002,Probe.Service\r\n"
    "\r\n"
    "[Probe.Service]\r\n"
    "ServiceType=1\r\n"
    "StartType=1\r\n"
    "ErrorControl=0\r\n"
    "ServiceBinary=%12%\\confprobe.sys\r\n"
    "LoadOrderGroup=Video\r\n"
    "\r\n"
    "[Probe.Settings]\r\n"
    "AddReg=Probe.Settings.AddReg\r\n"
    "\r\n"
    "[Probe.Settings.AddReg]\r\n"
    "HKR,,Number,0x00010001,7\r\n"
    "HKR,Sub,Text,,hello\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Maker=\"Probe maker\"\r\n"
    "Probe=\"Probe adapter\"\r\n";

class SetupApiConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeNtEnvironment();
    platform::OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    platform::System().GetVersionExA(version);
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) GTEST_SKIP() << "the device installer of Windows NT";
    m_library = platform::Libraries().LoadLibraryA(kLibraryName);
    ASSERT_NE(m_library, nullptr);
    m_inf = m_env->ScratchFolder() + "\\PROBE.INF";
    ASSERT_EQ(platform::Files().WriteWholeFile(m_inf, kProbeInf, std::strlen(kProbeInf)), 0u);
  }
  void TearDown() override {
    if (m_library != nullptr) platform::Libraries().FreeLibrary(m_library);
    m_env.reset();
  }
  template <typename Proc>
  Proc Get(const char* name) {
    const Proc proc = outside::EntryPointAs<Proc>(platform::Libraries().GetProcAddress(m_library, name));
    EXPECT_NE(proc, nullptr) << name;
    return proc;
  }
  DWORD LastError() { return platform::System().GetLastError(); }
  // A value of HKEY_LOCAL_MACHINE as text (a number in decimal); "<none>" when missing.
  static std::string Value(const std::string& key, const char* name) {
    platform::HKEY handle = nullptr;
    if (platform::Registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != 0) return "<none>";
    char data[512] = {};
    DWORD type = 0, size = sizeof data - 1;
    const long result =
        platform::Registry().RegQueryValueExA(handle, name, &type, reinterpret_cast<platform::BYTE*>(data), &size);
    platform::Registry().RegCloseKey(handle);
    if (result != 0) return "<none>";
    if (type == REG_DWORD) {
      DWORD number = 0;
      std::memcpy(&number, data, sizeof number);
      return std::to_string(number);
    }
    return data;
  }
  // A device of a new set for the display class; the set in `set`.
  bool CreateDevice(const char* id, HDEVINFO& set, SP_DEVINFO_DATA& device) {
    set = Get<CreateDeviceInfoListProc>(kCreateDeviceInfoList)(&kDisplayClass, nullptr);
    device = SP_DEVINFO_DATA{};
    device.cbSize = sizeof device;
    return set != InvalidHandle() &&
           Get<CreateDeviceInfoProc>(kCreateDeviceInfo)(set, id, &kDisplayClass, nullptr, nullptr, 0, &device) != 0 &&
           Get<RegisterDeviceInfoProc>(kRegisterDeviceInfo)(set, &device, 0, nullptr, nullptr, nullptr) != 0;
  }

  std::unique_ptr<conformance::Environment> m_env;
  platform::HMODULE m_library = nullptr;
  std::string m_inf;
};

TEST_F(SetupApiConformanceTest, AnInfNamesItsClassAndAMissingOneFails) {
  Guid guid{};
  char name[100] = {};
  DWORD required = 0;
  const auto getClass = Get<GetInfClassProc>(kGetInfClass);
  ASSERT_TRUE(getClass(m_inf.c_str(), &guid, name, sizeof name, &required));
  EXPECT_EQ(std::memcmp(&guid, &kDisplayClass, sizeof guid), 0);
  EXPECT_STREQ(name, "Display");
  EXPECT_EQ(required, 8u);
  EXPECT_FALSE(getClass((m_env->ScratchFolder() + "\\NONE.INF").c_str(), &guid, name, sizeof name, nullptr));

  const auto open = Get<OpenInfFileProc>(kOpenInfFile);
  EXPECT_EQ(open((m_env->ScratchFolder() + "\\NONE.INF").c_str(), nullptr, INF_STYLE_WIN4, nullptr), InvalidHandle());
  EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HINF inf = open(m_inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  ASSERT_NE(inf, InvalidHandle());
  Get<CloseInfFileProc>(kCloseInfFile)(inf);
}

TEST_F(SetupApiConformanceTest, ALegacyInstanceIsRegisteredOnceAndOpenedAfterwards) {
  const char* id = "Root\\LEGACY_CONFPROBE_A\\0000";
  const std::string key = std::string("SYSTEM\\CurrentControlSet\\Enum\\") + id;
  HDEVINFO set = nullptr;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  const auto openDevice = Get<OpenDeviceInfoProc>(kOpenDeviceInfo);
  const auto destroy = Get<DestroyDeviceInfoListProc>(kDestroyDeviceInfoList);
  HDEVINFO probe = Get<CreateDeviceInfoListProc>(kCreateDeviceInfoList)(&kDisplayClass, nullptr);
  EXPECT_FALSE(openDevice(probe, id, nullptr, 0, &device)) << "not there yet";
  EXPECT_EQ(LastError(), ERROR_NO_SUCH_DEVINST);
  EXPECT_TRUE(destroy(probe));

  ASSERT_TRUE(CreateDevice(id, set, device));
  EXPECT_EQ(Value(key, "ClassGUID"), kDisplayGuid);
  EXPECT_TRUE(destroy(set));

  set = Get<CreateDeviceInfoListProc>(kCreateDeviceInfoList)(&kDisplayClass, nullptr);
  device = SP_DEVINFO_DATA{};
  device.cbSize = sizeof device;
  ASSERT_TRUE(openDevice(set, id, nullptr, 0, &device)) << LastError();
  EXPECT_EQ(std::memcmp(&device.ClassGuid, &kDisplayClass, sizeof(Guid)), 0);
  EXPECT_TRUE(destroy(set));
  SP_DEVINFO_DATA again{};
  again.cbSize = sizeof again;
  set = Get<CreateDeviceInfoListProc>(kCreateDeviceInfoList)(&kDisplayClass, nullptr);
  EXPECT_FALSE(Get<CreateDeviceInfoProc>(kCreateDeviceInfo)(set, id, &kDisplayClass, nullptr, nullptr, 0, &again));
  EXPECT_EQ(LastError(), ERROR_DEVINST_ALREADY_EXISTS);
  EXPECT_TRUE(destroy(set));
  EXPECT_FALSE(destroy(set)) << "a destroyed set is no handle";
  EXPECT_EQ(LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SetupApiConformanceTest, TheClassDriverOfOneInfInstallsItsRegistryAndServiceButNoFile) {
  HDEVINFO set = nullptr;
  SP_DEVINFO_DATA device{};
  ASSERT_TRUE(CreateDevice("Root\\LEGACY_CONFPROBE_B\\0000", set, device));
  SP_DEVINSTALL_PARAMS_A params{};
  params.cbSize = sizeof params;
  ASSERT_TRUE(Get<GetDeviceInstallParamsProc>(kGetDeviceInstallParams)(set, &device, &params));
  params.Flags = DI_ENUMSINGLEINF | DI_DONOTCALLCONFIGMG | DI_NOFILECOPY;
  std::strcpy(params.DriverPath, m_inf.c_str());
  ASSERT_TRUE(Get<SetDeviceInstallParamsProc>(kSetDeviceInstallParams)(set, &device, &params));
  SP_DEVINSTALL_PARAMS_A read{};
  read.cbSize = sizeof read;
  ASSERT_TRUE(Get<GetDeviceInstallParamsProc>(kGetDeviceInstallParams)(set, &device, &read));
  EXPECT_EQ(read.Flags & 0x01030000u, 0x01030000u);
  EXPECT_STREQ(read.DriverPath, m_inf.c_str());

  const BOOL built = Get<BuildDriverInfoListProc>(kBuildDriverInfoList)(set, &device, SPDIT_CLASSDRIVER);
  if (m_env->IsWine()) {
    // Wine's device installer lists compatible drivers only.
    EXPECT_FALSE(built);
    EXPECT_TRUE(Get<DestroyDeviceInfoListProc>(kDestroyDeviceInfoList)(set));
    return;
  }
  ASSERT_TRUE(built);
  SP_DRVINFO_DATA_A driver{};
  driver.cbSize = sizeof driver;
  driver.DriverType = SPDIT_CLASSDRIVER;
  std::strcpy(driver.Description, "Probe adapter");
  std::strcpy(driver.MfgName, "Probe maker");
  std::strcpy(driver.ProviderName, "Another maker");
  const auto select = Get<SetSelectedDriverProc>(kSetSelectedDriver);
  EXPECT_FALSE(select(set, &device, &driver)) << "the provider must match too";
  EXPECT_FALSE(Get<InstallDeviceProc>(kInstallDevice)(set, &device));
  EXPECT_EQ(LastError(), ERROR_NO_DRIVER_SELECTED);
  std::strcpy(driver.ProviderName, "Probe maker");
  ASSERT_TRUE(select(set, &device, &driver));
  ASSERT_TRUE(Get<InstallDeviceProc>(kInstallDevice)(set, &device)) << LastError();

  const std::string instance = "SYSTEM\\CurrentControlSet\\Enum\\Root\\LEGACY_CONFPROBE_B\\0000";
  EXPECT_EQ(Value(instance, "Service"), "confprobe");
  EXPECT_EQ(Value(instance, "ClassGUID"), kDisplayGuid);
  const std::string driverKey = Value(instance, "Driver");
  EXPECT_EQ(driverKey.rfind(std::string(kDisplayGuid) + "\\", 0), 0u) << driverKey;
  EXPECT_EQ(Value("SYSTEM\\CurrentControlSet\\Control\\Class\\" + driverKey, "ProbeValue"), "probe");
  const std::string service = "SYSTEM\\CurrentControlSet\\Services\\confprobe";
  EXPECT_EQ(Value(service, "Type"), "1");
  EXPECT_EQ(Value(service, "Start"), "1");
  EXPECT_EQ(Value(service, "ErrorControl"), "0");
  EXPECT_EQ(Value(service, "Group"), "Video");
  EXPECT_NE(Value(service, "ImagePath").find("confprobe.sys"), std::string::npos);
  char system[260] = {};
  ASSERT_GT(platform::System().GetSystemDirectoryA(system, sizeof system), 0u);
  std::vector<char> content;
  EXPECT_NE(platform::Files().ReadWholeFile(std::string(system) + "\\drivers\\confprobe.sys", content), 0u)
      << "no file is copied";
  EXPECT_TRUE(Get<DestroyDriverInfoListProc>(kDestroyDriverInfoList)(set, &device, SPDIT_CLASSDRIVER));
  EXPECT_TRUE(Get<DestroyDeviceInfoListProc>(kDestroyDeviceInfoList)(set));
}

TEST_F(SetupApiConformanceTest, ARegistryOnlyInstallIsRelativeToTheGivenKey) {
  HINF inf = Get<OpenInfFileProc>(kOpenInfFile)(m_inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  ASSERT_NE(inf, InvalidHandle());
  platform::HKEY key = nullptr;
  DWORD disposition = 0;
  const char* path = "SOFTWARE\\ConformanceProbe";
  ASSERT_EQ(platform::Registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key, &disposition), 0);
  EXPECT_TRUE(Get<InstallFromInfSectionProc>(kInstallFromInfSection)(nullptr, inf, "Probe.Settings", SPINST_REGISTRY,
                                                                      key, nullptr, 0, nullptr, nullptr, nullptr,
                                                                      nullptr));
  platform::Registry().RegCloseKey(key);
  Get<CloseInfFileProc>(kCloseInfFile)(inf);
  EXPECT_EQ(Value(path, "Number"), "7");
  EXPECT_EQ(Value(std::string(path) + "\\Sub", "Text"), "hello");
}

}  // namespace
