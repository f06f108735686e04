#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "platform/outside_libraries.h"
#include "platform/sim/built_in_libraries.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;
using testing_support::MakeTempFolder;
using testing_support::ReadHostFile;
using testing_support::TempMachine;
using testing_support::WriteHostFile;

namespace {

TEST(MachineCreateTest, LaysDownTheFoldersOfEachSystem) {
  fs::path root = MakeTempFolder("winsim-new-");
  struct Case {
    sim::OsKind os;
    const char* windows;
    const char* system;
  } cases[] = {{sim::OsKind::Win95, "WINDOWS", "SYSTEM"},
               {sim::OsKind::Win98, "WINDOWS", "SYSTEM"},
               {sim::OsKind::NT4, "WINNT", "SYSTEM32"},
               {sim::OsKind::NT5, "WINNT", "SYSTEM32"}};
  for (const Case& c : cases) {
    fs::path dir = root / sim::OsKindName(c.os);
    std::string error;
    ASSERT_TRUE(sim::Machine::Create(dir, c.os, "DEU", error)) << error;
    EXPECT_TRUE(fs::is_directory(dir / "drive_c" / c.windows / c.system));
    EXPECT_TRUE(fs::is_directory(dir / "drive_c" / c.windows / "INF"));
    EXPECT_TRUE(fs::is_directory(dir / "drive_c" / "Program Files"));
    EXPECT_TRUE(fs::is_directory(dir / "drive_d"));
    EXPECT_TRUE(fs::is_empty(dir / "drive_d"));
    EXPECT_EQ(ReadHostFile(dir / "registry.reg").rfind("REGEDIT4\r\n", 0), 0u);

    auto machine = sim::Machine::Open(dir, error);
    ASSERT_TRUE(machine) << error;
    EXPECT_EQ(machine->Os(), c.os);
    EXPECT_EQ(machine->Locale(), "DEU");
    EXPECT_EQ(machine->WindowsDir(), std::string("C:\\") + c.windows);
    EXPECT_EQ(machine->SystemDir(), std::string("C:\\") + c.windows + "\\" + c.system);
    EXPECT_EQ(machine->LibraryPresent("_THUNK32.DLL"), !machine->IsNT());

    std::string again;
    EXPECT_FALSE(sim::Machine::Create(dir, c.os, "ENU", again)) << "an existing machine is never overwritten";
    EXPECT_NE(again.find("already"), std::string::npos);
  }
  std::string error;
  EXPECT_FALSE(sim::Machine::Create(root / "x", sim::OsKind::Win98, "X1Z", error));
  EXPECT_NE(error.find("X1Z"), std::string::npos);
  fs::remove_all(root);
}

TEST(MachineCreateTest, VersionOfEachSystem) {
  struct Case {
    sim::OsKind os;
    platform::DWORD platform, major, minor;
  } cases[] = {{sim::OsKind::Win95, 1, 4, 0}, {sim::OsKind::Win98, 1, 4, 10}, {sim::OsKind::NT4, 2, 4, 0},
               {sim::OsKind::NT5, 2, 5, 0}};
  for (const Case& c : cases) {
    TempMachine machine(c.os);
    platform::OSVERSIONINFOA v = machine.Machine().VersionInfo();
    EXPECT_EQ(v.dwPlatformId, c.platform);
    EXPECT_EQ(v.dwMajorVersion, c.major);
    EXPECT_EQ(v.dwMinorVersion, c.minor);
    EXPECT_EQ(v.szCSDVersion[sizeof v.szCSDVersion - 1], '\0');
  }
}

// Each malformed description file is refused with its name, its line and what is wrong.
TEST(MachineOpenTest, MalformedFilesAreRefusedWithAClearMessage) {
  struct Case {
    const char* file;
    std::string text;
    const char* expected;
  } cases[] = {
      {"machine.ini", "[Machine]\nOS=win2000\n", "win2000"},
      {"machine.ini", "[Machine]\nLocale=ENU\n", "no OS"},
      {"machine.ini", "OS=win98\n", "line 1"},
      {"machine.ini", "[Machine\nOS=win98\n", "line 1"},
      {"machine.ini", "[Machine]\nOS=win98\njust words\n", "line 3"},
      {"machine.ini", "[Machine]\nOS=win98\nWindowsDir=WINDOWS\n", "WindowsDir"},
      {"machine.ini", "[Machine]\nOS=win98\nAdministrator=yes\n", "Administrator"},
      {"machine.ini", "[Machine]\nOS=win98\nLocale=XX\n", "Locale"},
      {"machine.ini", std::string("[Machine]\nOS=win98\0\n", 20), "NUL"},
      {"hardware.ini", "[PCI]\n1=12AB\n", "[PCI]"},
      {"hardware.ini", "[PCI]\n1=12AB,10000\n", "[PCI]"},
      {"hardware.ini", "[PCI]\n1=XYZ,0001\n", "[PCI]"},
      {"hardware.ini", "[Drives]\nC=1,2\n", "[Drives]"},
      {"hardware.ini", "[Drives]\nCD=1,2,3\n", "[Drives]"},
      {"hardware.ini", "[Drives]\nC=99999999999,8,512\n", "[Drives]"},
      {"hardware.ini", "[Display]\n1=no separator\n", "[Display]"},
      {"hardware.ini", "[Libraries]\n_THUNK32.DLL=maybe\n", "[Libraries]"},
      {"hardware.ini", "[LogicalDirs]\nten=C:\\\n", "[LogicalDirs]"},
      {"hardware.ini", "[Bios]\n=value\n", "empty key"},
      {"hardware.ini", "[ \f ]\nText=x\n", "line 1"},
      // A section given twice would have its second half never read.
      {"hardware.ini", "[PCI]\n1=1A5C,0330\n[Bios]\nText=x\n[pci]\n2=10DE,0020\n", "line 5: section [pci] is given again (first at line 1)"},
      {"machine.ini", "[Machine]\nOS=win98\n\n[Machine]\nOS=nt4\n", "line 4"},
  };
  for (const Case& c : cases) {
    TempMachine machine;
    WriteHostFile(machine.Folder() / c.file, c.text);
    std::string error;
    EXPECT_FALSE(sim::Machine::Open(machine.Folder(), error)) << c.text;
    EXPECT_NE(error.find(c.expected), std::string::npos) << "message: " << error;
    EXPECT_NE(error.find(c.file), std::string::npos) << "message: " << error;
  }
}

TEST(MachineOpenTest, MissingFilesAreNamed) {
  TempMachine machine;
  fs::remove(machine.Folder() / "hardware.ini");
  std::string error;
  EXPECT_FALSE(sim::Machine::Open(machine.Folder(), error));
  EXPECT_NE(error.find("hardware.ini"), std::string::npos);
  EXPECT_FALSE(sim::Machine::Open(machine.Folder() / "nowhere", error));
}

TEST(MachineOpenTest, HardwareAnswers) {
  TempMachine machine;
  machine.SetHardware(
      "[Bios]\nText=Vela BIOS\n[PCI]\n1=12ab,0042\n2 = 8086 , 7190\n"
      "[InstalledHardware]\n1=PCI\\VEN_12AB&DEV_0042\n"
      "[Display]\n1=Vela 3D|System\\CurrentControlSet\\Services\\Class\\Display\\0000\n"
      "[Drives]\nc=100000,8,512\n"
      "[LogicalDirs]\n10=E:\\WIN\n");
  const sim::Machine& m = machine.Machine();
  EXPECT_EQ(m.BiosText(), "Vela BIOS");
  ASSERT_EQ(m.PciDevices().size(), 2u);
  EXPECT_EQ(m.PciDevices()[0].vendor, 0x12AB);
  EXPECT_EQ(m.PciDevices()[1].device, 0x7190);
  ASSERT_EQ(m.DisplayDevices().size(), 1u);
  EXPECT_EQ(m.DisplayDevices()[0].name, "Vela 3D");
  EXPECT_EQ(m.FreeSpace('C').freeClusters, 100000u);
  EXPECT_EQ(m.FreeSpace('c').bytesPerSector, 512u);
  EXPECT_EQ(m.FreeSpace('Q').freeClusters, 262144u) << "a drive hardware.ini leaves out has the default";
  EXPECT_EQ(m.LogicalDirectory(10), "E:\\WIN") << "hardware.ini overrides the table";
  EXPECT_EQ(m.LogicalDirectory(11), "C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ(m.LogicalDirectory(17), "C:\\WINDOWS\\INF");
  EXPECT_EQ(m.LogicalDirectory(9999), std::nullopt);
}

TEST(MachineTest, LogicalDirectoriesOfTheSetupEngine) {
  TempMachine nine(sim::OsKind::Win98);
  const sim::Machine& m = nine.Machine();
  const std::pair<int, const char*> expected[] = {
      {10, "C:\\WINDOWS"},         {11, "C:\\WINDOWS\\SYSTEM"},         {12, "C:\\WINDOWS\\SYSTEM\\IOSUBSYS"},
      {13, "C:\\WINDOWS\\COMMAND"}, {17, "C:\\WINDOWS\\INF"},            {18, "C:\\WINDOWS\\HELP"},
      {20, "C:\\WINDOWS\\FONTS"},   {21, "C:\\WINDOWS\\SYSTEM\\VIEWERS"}, {22, "C:\\WINDOWS\\SYSTEM\\VMM32"},
      {23, "C:\\WINDOWS\\SYSTEM\\COLOR"}, {24, "C:\\"},                  {25, "C:\\WINDOWS"},
      {26, "C:\\WINDOWS"},         {28, "C:\\WINDOWS"},                 {30, "C:\\"},
      {31, "C:\\"}};
  for (const auto& [ldid, folder] : expected) EXPECT_EQ(m.LogicalDirectory(ldid), folder) << ldid;
  for (int unknown : {0, 9, 19, 27, 29, 99, -1}) EXPECT_EQ(m.LogicalDirectory(unknown), std::nullopt) << unknown;

  TempMachine nt(sim::OsKind::NT4);
  EXPECT_EQ(nt.Machine().LogicalDirectory(11), "C:\\WINNT\\SYSTEM32");
  EXPECT_EQ(nt.Machine().LogicalDirectory(12), "C:\\WINNT\\SYSTEM32\\DRIVERS");
}

class ResolveTest : public ::testing::Test {
 protected:
  TempMachine m_machine;
  fs::path C() const { return m_machine.Folder() / "drive_c"; }
  sim::ResolvedPath Resolve(const std::string& path, const std::string& current = "C:\\") {
    return m_machine.Machine().Resolve(path, current);
  }
};

TEST_F(ResolveTest, NamesMatchWithoutRegardToCase) {
  WriteHostFile(C() / "WINDOWS" / "Vela.ini", "x");
  auto r = Resolve("c:\\windows\\VELA.INI");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.host, C() / "WINDOWS" / "Vela.ini");
  EXPECT_EQ(Resolve("C:/Windows/vela.ini").host, C() / "WINDOWS" / "Vela.ini");
  EXPECT_EQ(Resolve("C:\\WINDOWS\\NEW.INI").host, C() / "WINDOWS" / "NEW.INI") << "a new name keeps its spelling";
  EXPECT_EQ(Resolve("C:\\WINDOWS.\\VELA.INI ").host, C() / "WINDOWS" / "Vela.ini") << "trailing dots and blanks go";
}

// The machine's own creates, renames and deletes, one right after the other
// (within one tick of the host's clock), are seen by the next lookup in any case.
TEST_F(ResolveTest, OwnChangesAreSeenAtOnce) {
  platform::IFileSystem& p = m_machine.Platform().Interfaces().Files();
  const fs::path folder = C() / "Cache";
  ASSERT_TRUE(p.CreateDirectoryA("C:\\Cache"));
  EXPECT_EQ(Resolve("c:\\CACHE\\file.txt").host, folder / "file.txt");
  ASSERT_TRUE(p.WriteWholeFile("C:\\Cache\\File.Txt", "x", 1));
  EXPECT_EQ(Resolve("c:\\cache\\FILE.TXT").host, folder / "File.Txt");
  ASSERT_TRUE(p.MoveFileExA("C:\\cache\\file.txt", "C:\\CACHE\\Moved.Txt", 0));
  EXPECT_EQ(Resolve("C:\\Cache\\moved.txt").host, folder / "Moved.Txt");
  EXPECT_EQ(Resolve("C:\\Cache\\FILE.txt").host, folder / "FILE.txt") << "the old name is gone";
  ASSERT_TRUE(p.DeleteFileA("C:\\Cache\\MOVED.TXT"));
  EXPECT_EQ(Resolve("C:\\Cache\\moved.txt").host, folder / "moved.txt");
  ASSERT_TRUE(p.RemoveDirectoryA("C:\\CACHE"));
  EXPECT_EQ(Resolve("C:\\cache\\x").error, static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  ASSERT_TRUE(p.CreateDirectoryA("C:\\CACHE"));
  ASSERT_TRUE(p.CreateDirectoryA("C:\\cache\\Sub"));
  EXPECT_EQ(Resolve("C:\\Cache\\SUB\\y").host, C() / "CACHE" / "Sub" / "y");
}

// More folders than the machine keeps names of: a dropped folder is listed
// anew, and what the machine changed before and after is seen.
TEST_F(ResolveTest, DroppedFoldersAreListedAnew) {
  platform::IFileSystem& p = m_machine.Platform().Interfaces().Files();
  ASSERT_TRUE(p.CreateDirectoryA("C:\\Old"));
  ASSERT_TRUE(p.CreateDirectoryA("C:\\Old\\Sub"));
  ASSERT_TRUE(p.WriteWholeFile("C:\\Old\\Sub\\Kept.txt", "x", 1));
  for (int i = 0; i < 300; ++i) {
    const std::string folder = "C:\\F" + std::to_string(i);
    ASSERT_TRUE(p.CreateDirectoryA(folder));
    ASSERT_EQ(Resolve(folder + "\\X").type, fs::file_type::not_found);
  }
  EXPECT_EQ(Resolve("C:\\OLD\\SUB\\KEPT.TXT").host, C() / "Old" / "Sub" / "Kept.txt");
  ASSERT_TRUE(p.MoveFileExA("C:\\Old\\Sub", "C:\\Old\\Moved", 0));
  EXPECT_EQ(Resolve("C:\\Old\\Sub\\Kept.txt").error, static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Resolve("C:\\old\\moved\\kept.txt").host, C() / "Old" / "Moved" / "Kept.txt");
  EXPECT_EQ(Resolve("C:\\F0\\X").type, fs::file_type::not_found);
}

// Files made or renamed from outside: seen at once by the name they were
// made with, and by any spelling on the next run.
TEST_F(ResolveTest, ChangesFromOutsideAreSeen) {
  WriteHostFile(C() / "Outside" / "First.txt", "x");
  EXPECT_EQ(Resolve("C:\\OUTSIDE\\FIRST.TXT").host, C() / "Outside" / "First.txt");
  WriteHostFile(C() / "Outside" / "Second.txt", "x");
  EXPECT_EQ(Resolve("C:\\outside\\Second.txt").type, fs::file_type::regular);
  fs::rename(C() / "Outside" / "First.txt", C() / "Outside" / "Third.txt");
  std::string error;
  const auto nextRun = sim::Machine::Open(m_machine.Folder(), error);
  ASSERT_TRUE(nextRun) << error;
  EXPECT_EQ(nextRun->Resolve("C:\\OUTSIDE\\THIRD.TXT").host, C() / "Outside" / "Third.txt");
  EXPECT_EQ(nextRun->Resolve("C:\\outside\\second.TXT").host, C() / "Outside" / "Second.txt");
  EXPECT_EQ(nextRun->Resolve("C:\\OUTSIDE\\FIRST.TXT").type, fs::file_type::not_found);
}

TEST_F(ResolveTest, RelativePathsStartAtTheCurrentFolder) {
  WriteHostFile(m_machine.Folder() / "drive_d" / "DISK1" / "SETUP.INF", "x");
  EXPECT_EQ(Resolve("SETUP.INF", "D:\\DISK1\\").host, m_machine.Folder() / "drive_d" / "DISK1" / "SETUP.INF");
  EXPECT_EQ(Resolve("..\\DISK1\\SETUP.INF", "D:\\DISK1").host,
            m_machine.Folder() / "drive_d" / "DISK1" / "SETUP.INF");
  EXPECT_EQ(Resolve("\\DISK1\\SETUP.INF", "D:\\DISK1").host, m_machine.Folder() / "drive_d" / "DISK1" / "SETUP.INF");
  EXPECT_EQ(Resolve("D:SETUP.INF", "D:\\DISK1").host, m_machine.Folder() / "drive_d" / "DISK1" / "SETUP.INF");
}

TEST_F(ResolveTest, NothingLeavesTheMachineFolder) {
  auto up = Resolve("C:\\..\\..\\..\\..\\etc\\passwd");
  EXPECT_TRUE(!up.ok() || up.host.string().rfind(C().string(), 0) == 0) << up.host;

  // A link inside a drive that points out of the machine is refused.
  fs::create_directory_symlink("/etc", C() / "OUT");
  EXPECT_EQ(Resolve("C:\\OUT\\passwd").error, static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  fs::create_symlink("/etc/passwd", C() / "PASSWD.TXT");
  EXPECT_EQ(Resolve("C:\\PASSWD.TXT").error, static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));

  EXPECT_EQ(Resolve("\\\\server\\share\\x").error, static_cast<platform::DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(Resolve("Q:\\X").error, static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND)) << "no drive Q";
  EXPECT_EQ(Resolve("C:\\A?B").error, static_cast<platform::DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(Resolve("C:\\A\x01" "B").error, static_cast<platform::DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(Resolve("C:\\NOFOLDER\\X.TXT").error, static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Resolve("C:\\" + std::string(300, 'A')).error, static_cast<platform::DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(Resolve("").error, static_cast<platform::DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(BuiltInLibraryTest, LogicalDirectoryNeverOverrunsItsBuffer) {
  TempMachine machine;
  machine.SetHardware("[LogicalDirs]\n30=C:\\" + std::string(400, 'L') + "\n");
  auto proc = outside::EntryPointAs<outside::LDDToPath32Proc>(sim::BuiltInEntryPoint("_THUNK32.DLL", "LDDToPath32"));
  ASSERT_NE(proc, nullptr);
  std::string buffer(outside::kLogicalDirectoryBufferSize + 16, '#');
  EXPECT_NE(proc(30, buffer.data()), 0);
  EXPECT_EQ(std::string(buffer.c_str()).size(), outside::kLogicalDirectoryBufferSize - 1);
  EXPECT_EQ(buffer.substr(outside::kLogicalDirectoryBufferSize), std::string(16, '#'));

  EXPECT_EQ(proc(12345, buffer.data()), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_NE(proc(11, buffer.data()), 0);
  EXPECT_STREQ(buffer.c_str(), "C:\\WINDOWS\\SYSTEM");
}

TEST(BuiltInLibraryTest, DisplayDevicesEnumerateFromOne) {
  TempMachine machine;
  machine.SetHardware("[Display]\n1=Vela 3D|Key\\0000\n2=Vela 3D (second head)|Key\\0001\n");
  auto proc = outside::EntryPointAs<outside::DisplayDeviceProc>(
      sim::BuiltInEntryPoint("SETUP32.DLL", outside::kDisplayDeviceOrdinal));
  ASSERT_NE(proc, nullptr);
  char name[outside::kDisplayDeviceBufferSize], key[8];
  std::uint16_t nameSize = sizeof name, keySize = sizeof key;
  platform::HKEY root = nullptr;
  ASSERT_NE(proc(2, name, &nameSize, &root, key, &keySize), 0);
  EXPECT_STREQ(name, "Vela 3D (second head)");
  EXPECT_STREQ(key, "Key\\000") << "cut to the caller's size";
  EXPECT_EQ(root, platform::PredefinedKey(0x80000002));
  nameSize = sizeof name;
  keySize = sizeof key;
  EXPECT_EQ(proc(3, name, &nameSize, &root, key, &keySize), 0);
  EXPECT_EQ(proc(0, name, &nameSize, &root, key, &keySize), 0);
  EXPECT_EQ(sim::BuiltInEntryPoint("SETUP32.DLL", 12), nullptr);
}

TEST(BuiltInLibraryTest, InstalledIdentifiersMatchWithoutRegardToCase) {
  TempMachine machine;
  machine.SetHardware("[InstalledHardware]\n1=PCI\\VEN_12AB&DEV_0042\n");
  auto proc = outside::EntryPointAs<outside::IsVendorIdPresent32Proc>(
      sim::BuiltInEntryPoint("_THUNK32.DLL", "IsVendorIdPresent32"));
  EXPECT_NE(proc("pci\\ven_12ab&dev_0042"), 0);
  EXPECT_EQ(proc("PCI\\VEN_12AB&DEV_0043"), 0);
  EXPECT_EQ(proc(nullptr), 0);
}

TEST(BuiltInLibraryTest, RestartAndDriverCallsAreRecorded) {
  TempMachine machine;
  auto restart = outside::EntryPointAs<outside::Restart32Proc>(sim::BuiltInEntryPoint("_THUNK32.DLL", "Restart32"));
  restart(outside::kRestartComputer);
  auto install =
      outside::EntryPointAs<outside::DoDriverInstall32Proc>(sim::BuiltInEntryPoint("_THUNK32.DLL", "DoDriverInstall32"));
  machine.PutFile("drive_c/SETUP.INF", "[Vela.Install]\r\n");
  EXPECT_EQ(install("Display", "PCI\\VEN_12AB&DEV_0042", "Vela.Install", "C:\\SETUP.INF", "Vela 3D", "Halvion"), 0);
  std::string log = ReadHostFile(machine.Folder() / "events.log");
  EXPECT_NE(log.find("restart computer\n"), std::string::npos);
  EXPECT_NE(log.find("thunk DoDriverInstall32 \"Display\" \"PCI\\VEN_12AB&DEV_0042\""), std::string::npos);
}

}  // namespace

namespace {

TEST(MachineDrivesTest, AFloppyIsWrittenWhereTheCdIsNot) {
  TempMachine machine;
  fs::create_directories(machine.Folder() / "drive_a");
  EXPECT_TRUE(machine.Interfaces().Files().WriteWholeFile("A:\\ONDISK.TXT", "x", 1));
  EXPECT_FALSE(machine.Interfaces().Files().WriteWholeFile("D:\\ONCD.TXT", "x", 1));
  EXPECT_EQ(machine.Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(fs::exists(machine.Folder() / "drive_a/ONDISK.TXT"));
}

TEST(RunningProgramTest, ItsOwnFileCannotBeDeletedOrOverwrittenButMayBeRenamed) {
  TempMachine machine(sim::OsKind::Win98, "C:\\TOOLS\\SETUP.EXE");
  machine.PutFile("drive_c/TOOLS/SETUP.EXE", "program");
  EXPECT_FALSE(machine.Interfaces().Files().DeleteFileA("c:\\tools\\setup.exe"));
  EXPECT_EQ(machine.Interfaces().System().GetLastError(), static_cast<platform::DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(machine.Interfaces().Files().WriteWholeFile("C:\\TOOLS\\SETUP.EXE", "x", 1));
  EXPECT_EQ(ReadHostFile(machine.Folder() / "drive_c/TOOLS/SETUP.EXE"), "program");
  EXPECT_TRUE(machine.Interfaces().Files().MoveFileExA("C:\\TOOLS\\SETUP.EXE", "C:\\TOOLS\\OLD.EXE", 0));
}

TEST(MachineDisplayTest, SafeModeIsTheCleanBootState) {
  TempMachine machine;
  std::string ini = ReadHostFile(machine.Folder() / "machine.ini");
  ini.replace(ini.find("SafeMode=0"), 10, "SafeMode=1");
  WriteHostFile(machine.Folder() / "machine.ini", ini);
  machine.SetHardware(ReadHostFile(machine.Folder() / "hardware.ini"));  // opens the machine again
  EXPECT_EQ(machine.Platform().Interfaces().System().GetSystemMetrics(SM_CLEANBOOT), 1);
}

TEST(MachineDisplayTest, TwoMonitorsOnTwoAdaptersAreTwoAttachedDevices) {
  constexpr const char* kTwoHeads =
      "[Display]\n1=\\\\.\\Display1|Enum\\PCI\\A\\1|Vela 3D\n2=\\\\.\\Display2|Enum\\PCI\\A\\2|Vela 3D\n"
      "3=\\\\.\\Display3|Enum\\PCI\\B\\1|Other\n[Monitors]\n1=\\\\.\\Display1\n2=\\\\.\\Display2\n";
  TempMachine machine(sim::OsKind::Win98);
  machine.SetHardware(kTwoHeads);
  platform::DISPLAY_DEVICEA device{};
  device.cb = sizeof device;
  ASSERT_TRUE(machine.Platform().Interfaces().System().EnumDisplayDevicesA(1, device));
  EXPECT_STREQ(device.DeviceName, "\\\\.\\Display2");
  EXPECT_STREQ(device.DeviceString, "Vela 3D");
  EXPECT_EQ(device.StateFlags, static_cast<platform::DWORD>(DISPLAY_DEVICE_ATTACHED_TO_DESKTOP));
  ASSERT_TRUE(machine.Platform().Interfaces().System().EnumDisplayDevicesA(2, device));
  EXPECT_EQ(device.StateFlags, 0u) << "no monitor";
  EXPECT_FALSE(machine.Platform().Interfaces().System().EnumDisplayDevicesA(3, device));
  EXPECT_EQ(machine.Platform().Interfaces().System().GetSystemMetrics(SM_CMONITORS), 2);

  // Windows 95 has no multiple-monitor functions: the one stand-by device.
  TempMachine old(sim::OsKind::Win95);
  old.SetHardware(kTwoHeads);
  ASSERT_TRUE(old.Platform().Interfaces().System().EnumDisplayDevicesA(0, device));
  EXPECT_STREQ(device.DeviceString, "Need to thunk to get name");
  EXPECT_EQ(device.StateFlags, 21u);
  EXPECT_FALSE(old.Platform().Interfaces().System().EnumDisplayDevicesA(1, device));
  EXPECT_EQ(old.Platform().Interfaces().System().GetSystemMetrics(SM_CXVIRTUALSCREEN), 0);
}

}  // namespace
