// The thunk and setup libraries answer from the machine's hardware
// description: the simulated machine's built-in ones and, on Windows, ours.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conformance_environment.h"
#include "platform/outside_libraries.h"

namespace {

constexpr const char* kHardware =
    "[Bios]\n"
    "Text=ACME Video BIOS Version 1.20 (C) ACME\n"
    "[PCI]\n"
    "1=10DE,0020\n"
    "2=8086,7190\n"
    "[InstalledHardware]\n"
    "1=PCI\\VEN_10DE&DEV_0020\n"
    "[Display]\n"
    "1=ACME Riva TNT|System\\CurrentControlSet\\Services\\Class\\Display\\0000\n"
    "2=Second Display|System\\CurrentControlSet\\Services\\Class\\Display\\0001\n"
    "[LogicalDirs]\n"
    "31=C:\\BOOT\n"
    "[Libraries]\n"
    "_THUNK32.DLL=1\n"
    "SETUP32.DLL=1\n";

class HardwareConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    m_env->SetHardware(kHardware);
  }
  void TearDown() override {
    if (m_library != nullptr) conformance::Interfaces().Libraries().FreeLibrary(m_library);
    m_env.reset();
  }
  void Load(const char* name) {
    m_library = conformance::Interfaces().Libraries().LoadLibraryA(m_env->HelperPath(name));
    ASSERT_NE(m_library, nullptr) << name << ": " << conformance::Interfaces().System().GetLastError();
  }
  template <typename Proc>
  Proc Entry(const char* name) {
    return outside::EntryPointAs<Proc>(conformance::Interfaces().Libraries().GetProcAddress(m_library, name));
  }
  std::unique_ptr<conformance::Environment> m_env;
  platform::HMODULE m_library = nullptr;
};

TEST_F(HardwareConformanceTest, ThunkLibrarySearchesTheBiosAndTheDevices) {
  Load(outside::kThunkLibraryName);
  auto bios = Entry<outside::SearchBiosString32Proc>(outside::kSearchBiosString32);
  auto installed = Entry<outside::IsVendorIdPresent32Proc>(outside::kIsVendorIdPresent32);
  auto pci = Entry<outside::SearchPCIDevice32Proc>(outside::kSearchPCIDevice32);
  ASSERT_NE(bios, nullptr);
  ASSERT_NE(installed, nullptr);
  ASSERT_NE(pci, nullptr);

  EXPECT_NE(bios("Video BIOS Version 1.20"), 0) << "a text with blanks";
  EXPECT_EQ(bios("video bios"), 0) << "the BIOS text matches with its case";
  EXPECT_EQ(bios("Version 2"), 0);
  EXPECT_EQ(bios(""), 0) << "an empty text is never found";

  EXPECT_NE(installed("pci\\ven_10de&dev_0020"), 0) << "identifiers match without regard to case";
  EXPECT_EQ(installed("PCI\\VEN_10DE&DEV_0021"), 0);
  EXPECT_EQ(installed("PCI\\VEN_10DE"), 0) << "the whole identifier, not a part";

  EXPECT_NE(pci(0x10DE, 0x0020), 0);
  EXPECT_NE(pci(0x8086, 0x7190), 0);
  EXPECT_EQ(pci(0x10DE, 0x0021), 0);
  EXPECT_EQ(pci(0x0020, 0x10DE), 0) << "vendor first";

  EXPECT_EQ(conformance::Interfaces().Libraries().GetProcAddress(m_library, "NoSuchEntry32"), nullptr);
}

TEST_F(HardwareConformanceTest, ThunkLibraryNamesLogicalDirectories) {
  Load(outside::kThunkLibraryName);
  auto ldd = Entry<outside::LDDToPath32Proc>(outside::kLDDToPath32);
  ASSERT_NE(ldd, nullptr);
  char windows[260] = {};
  const platform::UINT n = conformance::Interfaces().System().GetWindowsDirectoryA(windows, sizeof windows);
  ASSERT_GT(n, 0u);
  char system[260] = {};
  ASSERT_GT(conformance::Interfaces().System().GetSystemDirectoryA(system, sizeof system), 0u);

  char path[outside::kLogicalDirectoryBufferSize];
  std::memset(path, '#', sizeof path);
  ASSERT_NE(ldd(10, path), 0);
  EXPECT_STREQ(path, windows);
  ASSERT_NE(ldd(11, path), 0);
  EXPECT_STREQ(path, system);
  ASSERT_NE(ldd(17, path), 0);
  EXPECT_EQ(std::string(path), std::string(windows) + "\\INF");
  ASSERT_NE(ldd(31, path), 0);
  EXPECT_STREQ(path, "C:\\BOOT") << "the description overrides a number";
  EXPECT_EQ(ldd(9999, path), 0);
  EXPECT_STREQ(path, "") << "an unknown number leaves an empty text";
}

TEST_F(HardwareConformanceTest, ThunkLibraryInstallsSucceedAndRestartIsOnlyRequested) {
  Load(outside::kThunkLibraryName);
  auto install = Entry<outside::DoDriverInstall32Proc>(outside::kDoDriverInstall32);
  auto multi = Entry<outside::DoMultiDriverInstall32Proc>(outside::kDoMultiDriverInstall32);
  auto compatible = Entry<outside::InstallCompatibleDriver32Proc>(outside::kInstallCompatibleDriver32);
  auto restart = Entry<outside::Restart32Proc>(outside::kRestart32);
  ASSERT_NE(install, nullptr);
  ASSERT_NE(multi, nullptr);
  ASSERT_NE(compatible, nullptr);
  ASSERT_NE(restart, nullptr);
  const std::string inf = m_env->ScratchFolder() + "\\SETUP.INF";
  const std::string text = "[Version]\r\nClass=Display\r\nProvider=ACME\r\n[Riva]\r\n";
  ASSERT_TRUE(conformance::Interfaces().Files().WriteWholeFile(inf, text.data(), text.size()));
  EXPECT_EQ(install("Display", "PCI\\VEN_10DE&DEV_0020", "Riva", inf.c_str(), "Riva TNT", "ACME"), 0);
  EXPECT_EQ(multi("Display", "PCI\\VEN_10DE&DEV_0020", "Riva", inf.c_str(), "Riva TNT", "ACME", 1), 0);
  // No display device has the identifier: nothing to give back, and it says so.
  EXPECT_NE(compatible("Display", "PCI\\VEN_10DE&DEV_0020", outside::kNoDevice), 0);
  EXPECT_EQ(compatible("Display", "Display\\0001", 1), 0) << "the second device has it in its driver key";
  // Our stand-ins record the request; this test goes on running.
  EXPECT_NE(restart(outside::kRestartComputer), 0);
}

TEST_F(HardwareConformanceTest, SetupLibraryEnumeratesDisplaysByOrdinalOnly) {
  Load(outside::kSetupLibraryName);
  auto display = outside::EntryPointAs<outside::DisplayDeviceProc>(
      conformance::Interfaces().Libraries().GetProcAddressByOrdinal(m_library, outside::kDisplayDeviceOrdinal));
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(conformance::Interfaces().Libraries().GetProcAddress(m_library, "EnumDisplayDevice"), nullptr) << "exported without a name";

  char name[outside::kDisplayDeviceBufferSize] = {};
  char subKey[outside::kDisplayDeviceBufferSize] = {};
  std::uint16_t nameSize = outside::kDisplayDeviceBufferSize;
  std::uint16_t subKeySize = outside::kDisplayDeviceBufferSize;
  platform::HKEY root = nullptr;
  ASSERT_NE(display(2, name, &nameSize, &root, subKey, &subKeySize), 0) << "1-based";
  EXPECT_STREQ(name, "Second Display");
  EXPECT_EQ(nameSize, std::strlen("Second Display"));
  EXPECT_STREQ(subKey, "System\\CurrentControlSet\\Services\\Class\\Display\\0001");
  EXPECT_EQ(subKeySize, std::strlen(subKey));
  EXPECT_EQ(root, HKEY_LOCAL_MACHINE);

  nameSize = 5;
  subKeySize = outside::kDisplayDeviceBufferSize;
  ASSERT_NE(display(1, name, &nameSize, &root, subKey, &subKeySize), 0);
  EXPECT_STREQ(name, "ACME") << "cut to the buffer, terminated";
  EXPECT_EQ(nameSize, 4);

  nameSize = subKeySize = outside::kDisplayDeviceBufferSize;
  EXPECT_EQ(display(3, name, &nameSize, &root, subKey, &subKeySize), 0) << "the end of the enumeration";
  EXPECT_EQ(display(0, name, &nameSize, &root, subKey, &subKeySize), 0);
}

TEST_F(HardwareConformanceTest, AMachineWithoutTheDescribedHardwareFindsNothing) {
  m_env->SetHardware("[Libraries]\n_THUNK32.DLL=1\nSETUP32.DLL=1\n");
  Load(outside::kThunkLibraryName);
  auto bios = Entry<outside::SearchBiosString32Proc>(outside::kSearchBiosString32);
  auto pci = Entry<outside::SearchPCIDevice32Proc>(outside::kSearchPCIDevice32);
  ASSERT_NE(bios, nullptr);
  ASSERT_NE(pci, nullptr);
  EXPECT_EQ(bios("ACME"), 0);
  EXPECT_EQ(pci(0x10DE, 0x0020), 0);
}

}  // namespace
