// Laying down a fresh machine: its folders, description files, registry and
// the files a fresh Windows of that kind has.
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/shared/config_file.h"
#include "platform/sim/device_installer.h"
#include "platform/sim/machine_description.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

bool WriteMachineFolderFile(const fs::path& path, std::string_view text, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

// The keys a fresh system of that kind has and the setup program reads.
bool WriteInitialRegistry(const fs::path& file, OsKind os, const std::string& windowsDir, platform::UINT codePage,
                          std::string& error) {
  const bool nt = os == OsKind::NT4 || os == OsKind::NT5;
  SimRegistry r(nt);
  const std::string cv = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  r.SetString(cv, "ProgramFilesDir", "C:\\Program Files");
  r.SetString(cv, "CommonFilesDir", "C:\\Program Files\\Common Files");
  // Windows keeps the next-start keys even while they are empty.
  for (const char* next : {"\\Run", "\\RunOnce"}) {
    platform::HKEY key = nullptr;
    platform::DWORD disposition = 0;
    const std::string path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion" + std::string(next);
    if (r.RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key, &disposition) == ERROR_SUCCESS) {
      r.RegCloseKey(key);
    }
  }
  std::string profile, commonProfile;
  if (nt) {
    const std::string ntcv = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    r.SetString(ntcv, "SystemRoot", windowsDir);
    r.SetString(ntcv, "CurrentVersion", os == OsKind::NT4 ? "4.0" : "5.0");
    r.SetString(ntcv, "CurrentBuildNumber", os == OsKind::NT4 ? "1381" : "2195");
    r.SetString(ntcv, "CSDVersion", os == OsKind::NT4 ? "Service Pack 6" : "Service Pack 4");
    const std::string video = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO";
    r.SetString(video, "\\Device\\Video0",
                "\\REGISTRY\\Machine\\System\\CurrentControlSet\\Services\\vga\\Device0");
    r.SetString(video, "VgaCompatible", "\\Device\\Video0");
    r.SetDword(video, "MaxObjectNumber", 0);
    WriteDisplayService(r, "vga", "Video Save", 1);
    profile = os == OsKind::NT4 ? windowsDir + "\\Profiles\\Administrator"
                                : std::string("C:\\Documents and Settings\\Administrator");
    commonProfile = os == OsKind::NT4 ? windowsDir + "\\Profiles\\All Users"
                                      : std::string("C:\\Documents and Settings\\All Users");
  } else {
    r.SetString(cv, "SystemRoot", windowsDir);
    r.SetString(cv, "VersionNumber", os == OsKind::Win95 ? "4.00.950" : "4.10.1998");
    r.SetString(cv, "Version", os == OsKind::Win95 ? "Windows 95" : "Windows 98");
    // Where the device installer looks for drivers, and the INFs it was given.
    r.SetString(cv, "DevicePath", windowsDir + "\\INF");
    r.SetString(cv, "OtherDevicePath", windowsDir + "\\INF\\OTHER");
    platform::HKEY key = nullptr;
    platform::DWORD disposition = 0;
    if (r.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\InstalledFiles", 0,
                          KEY_ALL_ACCESS, &key, &disposition) == ERROR_SUCCESS) {
      r.RegCloseKey(key);
    }
    r.SetString(std::string("HKEY_LOCAL_MACHINE\\") + kDisplayClassKey, "", "Display adapters");
    WriteStandardVgaDriver(r);
    profile = windowsDir;
    commonProfile = windowsDir + "\\All Users";
  }
  const std::string user = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  r.SetString(user, "Desktop", profile + "\\Desktop");
  r.SetString(user, "Start Menu", profile + "\\Start Menu");
  r.SetString(user, "Programs", profile + "\\Start Menu\\Programs");
  r.SetString(user, "Startup", profile + "\\Start Menu\\Programs\\StartUp");
  const std::string common = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  r.SetString(common, "Common Desktop", commonProfile + "\\Desktop");
  r.SetString(common, "Common Start Menu", commonProfile + "\\Start Menu");
  r.SetString(common, "Common Programs", commonProfile + "\\Start Menu\\Programs");
  r.SetString(common, "Common Startup", commonProfile + "\\Start Menu\\Programs\\StartUp");
  r.SetString("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", std::to_string(codePage));
  r.AttachFile(file);
  return r.Save(error);
}

// The folders behind the shell folders of a fresh system.
std::vector<std::string> ShellFolders(OsKind os, const std::string& windowsName) {
  if (os == OsKind::NT4) {
    return {windowsName + "/Profiles/Administrator/Desktop", windowsName + "/Profiles/Administrator/Start Menu/Programs/StartUp",
            windowsName + "/Profiles/All Users/Desktop", windowsName + "/Profiles/All Users/Start Menu/Programs/StartUp"};
  }
  if (os == OsKind::NT5) {
    return {"Documents and Settings/Administrator/Desktop",
            "Documents and Settings/Administrator/Start Menu/Programs/StartUp",
            "Documents and Settings/All Users/Desktop", "Documents and Settings/All Users/Start Menu/Programs/StartUp"};
  }
  return {windowsName + "/Desktop", windowsName + "/Start Menu/Programs/StartUp", windowsName + "/All Users/Desktop",
          windowsName + "/All Users/Start Menu/Programs/StartUp"};
}

// SYSTEM.INI and WIN.INI with the sections Windows 95/98 writes at setup.
constexpr const char* kInitialSystemIni =
    "[boot]\r\n"
    "shell=Explorer.exe\r\n"
    "system.drv=system.drv\r\n"
    "drivers=mmsystem.dll power.drv\r\n"
    "user.exe=user.exe\r\n"
    "gdi.exe=gdi.exe\r\n"
    "display.drv=pnpdrvr.drv\r\n"
    "keyboard.drv=keyboard.drv\r\n"
    "mouse.drv=mouse.drv\r\n"
    "fonts.fon=vgasys.fon\r\n"
    "fixedfon.fon=vgafix.fon\r\n"
    "oemfonts.fon=vgaoem.fon\r\n"
    "386grabber=vgafull.3gr\r\n"
    "\r\n"
    "[boot.description]\r\n"
    "keyboard.typ=Standard 101/102-Key or Microsoft Natural Keyboard\r\n"
    "mouse.drv=Standard mouse\r\n"
    "display.drv=Standard Display Adapter (VGA)\r\n"
    "system.drv=Standard PC\r\n"
    "\r\n"
    "[386Enh]\r\n"
    "ebios=*ebios\r\n"
    "woafont=dosapp.fon\r\n"
    "mouse=*vmouse, msmouse.vxd\r\n"
    "\r\n"
    "[NonWindowsApp]\r\n"
    "\r\n"
    "[vcache]\r\n"
    "\r\n"
    "[display]\r\n"
    "\r\n"
    "[drivers]\r\n"
    "wavemapper=msacm.drv\r\n"
    "\r\n"
    "[keyboard]\r\n"
    "keyboard.dll=\r\n"
    "\r\n";
constexpr const char* kInitialWinIni =
    "[windows]\r\n"
    "load=\r\n"
    "run=\r\n"
    "NullPort=None\r\n"
    "device=\r\n"
    "\r\n"
    "[Desktop]\r\n"
    "Wallpaper=(None)\r\n"
    "TileWallpaper=0\r\n"
    "\r\n"
    "[intl]\r\n"
    "\r\n"
    "[fonts]\r\n"
    "\r\n"
    "[Extensions]\r\n"
    "txt=notepad.exe ^.txt\r\n"
    "ini=notepad.exe ^.ini\r\n"
    "\r\n"
    "[mci extensions]\r\n"
    "\r\n"
    "[ports]\r\n"
    "COM1:=9600,n,8,1,x\r\n"
    "LPT1:=\r\n"
    "\r\n";

std::string InitialHardware(OsKind os) {
  const bool nt = os == OsKind::NT4 || os == OsKind::NT5;
  std::string h;
  h += "; What the hardware of this simulated machine answers.\n";
  h += "[Bios]\n; Text=the text of the video BIOS\n\n";
  h += "[PCI]\n; 1=VVVV,DDDD   vendor and device numbers in hex\n\n";
  h += "[InstalledHardware]\n; 1=PCI\\VEN_VVVV&DEV_DDDD   hardware identifiers already installed\n\n";
  h += "[Display]\n; 1=\\\\.\\Display1|Enum\\PCI\\VEN_VVVV&DEV_DDDD&SUBSYS_00000000&REV_00\\000800|description\n";
  h += "; display name|registry sub-key of its driver|its DeviceDesc (without one the key keeps its own)\n\n";
  h += "[Monitors]\n; 1=\\\\.\\Display1   the display devices with a monitor (without this section: the first)\n\n";
  h += "[Drives]\n; letter=free clusters,sectors per cluster,bytes per sector\n";
  h += "C=1000000,8,512\nD=0,1,2048\n\n";
  h += "[FilesInUse]\n; 1=C:\\WINDOWS\\SYSTEM\\FILE.DLL\n\n";
  h += "[Libraries]\n";
  h += std::string("_THUNK32.DLL=") + (nt ? "0" : "1") + "\n";
  h += std::string("SETUP32.DLL=") + (nt ? "0" : "1") + "\n\n";
  h += "[MissingEntryPoints]\n; _THUNK32.DLL=SearchPCIDevice32,LDDToPath32\n\n";
  h += "[LogicalDirs]\n; 10=C:\\WINDOWS   overrides the folder of a logical directory number\n";
  return h;
}

}  // namespace

bool Machine::Create(const fs::path& dir, OsKind os, std::string_view locale, std::string& error) {
  std::string storage;
  const auto info = FindLocale(locale, storage);
  if (!info) {
    error = "locale code '" + std::string(locale) + "' is not a three-letter language abbreviation such as ENU or DEU";
    return false;
  }
  std::error_code ec;
  if (fs::exists(dir / "machine.ini", ec)) {
    error = dir.string() + " already holds a machine";
    return false;
  }
  fs::create_directories(dir, ec);
  if (ec) {
    error = "cannot create " + dir.string() + ": " + ec.message();
    return false;
  }
  const bool nt = os == OsKind::NT4 || os == OsKind::NT5;
  const std::string windowsName = nt ? "WINNT" : "WINDOWS";
  const fs::path c = dir / "drive_c";
  const fs::path windows = c / windowsName;
  for (const fs::path& folder :
       {windows / (nt ? "SYSTEM32" : "SYSTEM"), windows / "INF", windows / "HELP", windows / "FONTS",
        c / "Program Files" / "Common Files", dir / "drive_d"}) {
    fs::create_directories(folder, ec);
    if (ec) {
      error = "cannot create " + folder.string() + ": " + ec.message();
      return false;
    }
  }
  if (!nt) {
    fs::create_directories(windows / "SYSTEM" / "IOSUBSYS", ec);
    fs::create_directories(windows / "INF" / "OTHER", ec);
    if (!WriteMachineFolderFile(windows / "SYSTEM.INI", kInitialSystemIni, error) ||
        !WriteMachineFolderFile(windows / "WIN.INI", kInitialWinIni, error)) {
      return false;
    }
  }
  if (nt) fs::create_directories(windows / "SYSTEM32" / "DRIVERS", ec);
  for (const std::string& folder : ShellFolders(os, windowsName)) fs::create_directories(c / folder, ec);

  ConfigFile machine;
  auto& m = machine.AddSection("Machine");
  m.entries = {{"OS", OsKindName(os)},
               {"Locale", info->code},
               {"WindowsDir", DefaultWindowsDir(os)},
               {"Administrator", "1"},
               {"SafeMode", "0"}};
  // Windows' own programs that the setup program starts; the machine gives
  // them their behaviour by name.
  return WriteMachineFolderFile(windows / "NOTEPAD.EXE", "simulated program\r\n", error) &&
         WriteMachineFolderFile(dir / "machine.ini", "; The simulated Windows machine.\n" + machine.Serialize(), error) &&
         WriteMachineFolderFile(dir / "hardware.ini", InitialHardware(os), error) &&
         WriteInitialRegistry(dir / "registry.reg", os, DefaultWindowsDir(os), info->codePage, error) &&
         WriteMachineFolderFile(dir / "events.log", "", error);
}

}  // namespace sim
