#include "platform/sim/machine.h"

#include "platform/ascii_text.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/sim/device_installer.h"
#include "platform/sim/short_names.h"

namespace fs = std::filesystem;

namespace sim {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

struct LocaleInfo {
  const char* code;
  platform::UINT codePage;
};

constexpr LocaleInfo kLocales[] = {
    {"CHS", 936},  {"CHT", 950},  {"DAN", 1252}, {"NLD", 1252}, {"ENU", 1252}, {"FIN", 1252}, {"FRA", 1252},
    {"DEU", 1252}, {"ITA", 1252}, {"JPN", 932},  {"KOR", 949},  {"NOR", 1252}, {"PLK", 1250}, {"PTB", 1252},
    {"PTG", 1252}, {"RUS", 1251}, {"ESP", 1252}, {"SVE", 1252}, {"THA", 874}};

// The setup's own languages; any other abbreviated language name (DES, ENG,
// FRB …) is a locale of the 1252 code page.
std::optional<LocaleInfo> FindLocale(std::string_view code, std::string& storage) {
  for (const LocaleInfo& l : kLocales) {
    if (ascii::EqualNoCase(l.code, code)) return l;
  }
  if (code.size() != 3 || !std::all_of(code.begin(), code.end(), IsAsciiLetter)) return std::nullopt;
  storage = ascii::ToUpper(code);
  return LocaleInfo{storage.c_str(), 1252};
}


bool ReadMachineFolderFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  out = buffer.str();
  return !in.bad();
}

bool WriteMachineFolderFile(const fs::path& path, std::string_view text, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool ParseFlag(std::string_view value, bool& out) {
  if (value == "1") {
    out = true;
  } else if (value == "0") {
    out = false;
  } else {
    return false;
  }
  return true;
}


std::string DefaultWindowsDir(OsKind os) {
  return (os == OsKind::NT4 || os == OsKind::NT5) ? "C:\\WINNT" : "C:\\WINDOWS";
}

// A display service of Windows NT, the one \Device\Video0 names.
void WriteDisplayService(SimRegistry& r, const std::string& name, const std::string& group, std::uint32_t start) {
  const std::string key = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + name;
  r.SetDword(key, "Type", 1);
  r.SetDword(key, "Start", start);
  r.SetDword(key, "ErrorControl", 1);
  r.SetString(key, "Group", group);
  r.SetString(key, "ImagePath", "System32\\drivers\\" + name + ".sys");
  r.SetString("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO", "\\Device\\Video0",
              "\\REGISTRY\\Machine\\System\\CurrentControlSet\\Services\\" + name + "\\Device0");
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

ResolvedPath Failure(long error) { return ResolvedPath{{}, static_cast<platform::DWORD>(error)}; }

// The longest name of one file or folder.
constexpr std::size_t kMaxNameLength = 255;

bool IsInvalidNameChar(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' ||
         c == '?' || c == '*';
}

// The names Windows keeps for its devices, in every folder and with any
// extension: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 ("NUL.TXT",
// "con " too, but not "CONX" or "COM10").
bool IsDeviceName(std::string_view name) {
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  if (name.size() == 3) {
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
      if (ascii::EqualNoCase(name, device)) return true;
    }
    return false;
  }
  return name.size() == 4 && (ascii::EqualNoCase(name.substr(0, 3), "COM") || ascii::EqualNoCase(name.substr(0, 3), "LPT")) &&
         name[3] >= '1' && name[3] <= '9';
}

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = LowerAscii(c);
  return folded;
}

// The type of a listed entry, from the listing itself where the host's
// folders tell it (no look at the entry).
fs::file_type EntryType(const fs::directory_entry& entry) {
  std::error_code ec;
  if (entry.is_symlink(ec)) return fs::file_type::symlink;
  if (!ec && entry.is_directory(ec)) return fs::file_type::directory;
  if (!ec && entry.is_regular_file(ec)) return fs::file_type::regular;
  return entry.symlink_status(ec).type();
}

// `relative` opened beneath the folder `root` without following any link,
// one step at a time where the host has no openat2.
int OpenBeneath(int root, const fs::path& relative, int flags, unsigned mode) {
  open_how how{};
  how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC | O_NOFOLLOW);
  how.mode = (flags & O_CREAT) != 0 ? mode : 0;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  const long opened = ::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how);
  if (opened >= 0 || errno != ENOSYS) return static_cast<int>(opened);
  std::vector<std::string> parts;
  for (const fs::path& part : relative) {
    if (part.empty()) continue;
    if (part == "." || part == "..") {
      errno = EXDEV;
      return -1;
    }
    parts.push_back(part.string());
  }
  if (parts.empty()) return ::openat(root, ".", flags | O_CLOEXEC, mode);
  int folder = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
  for (std::size_t i = 0; folder >= 0 && i + 1 < parts.size(); ++i) {
    const int next = ::openat(folder, parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    ::close(folder);
    errno = saved;
    folder = next;
  }
  if (folder < 0) return -1;
  const int file = ::openat(folder, parts.back().c_str(), flags | O_CLOEXEC | O_NOFOLLOW, mode);
  const int saved = errno;
  ::close(folder);
  errno = saved;
  return file;
}

// Closes a descriptor on every way out.
struct HostHandle {
  int fd;
  explicit HostHandle(int handle) : fd(handle) {}
  HostHandle(const HostHandle&) = delete;
  HostHandle& operator=(const HostHandle&) = delete;
  ~HostHandle() {
    if (fd >= 0) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
    }
  }
};

}  // namespace

std::optional<OsKind> ParseOsKind(std::string_view name) {
  if (ascii::EqualNoCase(name, "win95")) return OsKind::Win95;
  if (ascii::EqualNoCase(name, "win98")) return OsKind::Win98;
  if (ascii::EqualNoCase(name, "nt4")) return OsKind::NT4;
  if (ascii::EqualNoCase(name, "nt5")) return OsKind::NT5;
  return std::nullopt;
}

const char* OsKindName(OsKind os) {
  switch (os) {
    case OsKind::Win95: return "win95";
    case OsKind::Win98: return "win98";
    case OsKind::NT4: return "nt4";
    case OsKind::NT5: return "nt5";
  }
  return "win98";
}

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

std::optional<Machine> Machine::Open(const fs::path& dir, std::string& error) {
  Machine m;
  std::error_code ec;
  m.m_dir = fs::absolute(dir, ec);
  if (ec || !fs::is_directory(m.m_dir, ec)) {
    error = dir.string() + " is not a machine folder";
    return std::nullopt;
  }

  std::string text;
  if (!ReadMachineFolderFile(m.m_dir / "machine.ini", text)) {
    error = "cannot read " + (m.m_dir / "machine.ini").string() + " (make a machine with 'winsim new')";
    return std::nullopt;
  }
  auto machineIni = ConfigFile::Parse(text, "machine.ini", error, ConfigFile::Repeats::kRefused);
  if (!machineIni) return std::nullopt;

  auto osName = machineIni->Get("Machine", "OS");
  if (!osName) {
    error = "machine.ini: [Machine] has no OS";
    return std::nullopt;
  }
  auto os = ParseOsKind(*osName);
  if (!os) {
    error = "machine.ini: OS '" + *osName + "' is not one of win95, win98, nt4, nt5";
    return std::nullopt;
  }
  m.m_os = *os;
  std::string localeStorage;
  const auto locale = FindLocale(machineIni->Get("Machine", "Locale").value_or("ENU"), localeStorage);
  if (!locale) {
    error = "machine.ini: unknown Locale '" + machineIni->Get("Machine", "Locale").value_or("") + "'";
    return std::nullopt;
  }
  m.m_locale = locale->code;
  m.m_codePage = locale->codePage;
  m.m_windowsDir = machineIni->Get("Machine", "WindowsDir").value_or(DefaultWindowsDir(m.m_os));
  while (m.m_windowsDir.size() > 3 && m.m_windowsDir.back() == '\\') m.m_windowsDir.pop_back();
  if (m.m_windowsDir.size() < 3 || !IsAsciiLetter(m.m_windowsDir[0]) || m.m_windowsDir[1] != ':' ||
      m.m_windowsDir[2] != '\\') {
    error = "machine.ini: WindowsDir '" + m.m_windowsDir + "' is not a full path such as C:\\WINDOWS";
    return std::nullopt;
  }
  for (const char* key : {"Administrator", "SafeMode"}) {
    bool flag = false;
    auto value = machineIni->Get("Machine", key);
    if (value && !ParseFlag(*value, flag)) {
      error = std::string("machine.ini: ") + key + " must be 0 or 1, not '" + *value + "'";
      return std::nullopt;
    }
    // A machine.ini without the line keeps the administrator of a new machine.
    if (std::string_view(key) == "Administrator") m.m_administrator = value ? flag : true;
    if (std::string_view(key) == "SafeMode") m.m_safeMode = value && flag;
  }

  m.m_registry = SimRegistry::Load(m.m_dir / "registry.reg", m.IsNT(), error);
  if (!m.m_registry) return std::nullopt;

  if (!ReadMachineFolderFile(m.m_dir / "hardware.ini", text)) {
    error = "cannot read " + (m.m_dir / "hardware.ini").string();
    return std::nullopt;
  }
  auto hw = ConfigFile::Parse(text, "hardware.ini", error, ConfigFile::Repeats::kRefused);
  if (!hw) return std::nullopt;

  auto hardware = HardwareDescription::Read(*hw, error);
  if (!hardware) return std::nullopt;
  m.m_hardware = std::move(*hardware);
  if (const auto* drives = hw->FindSection("Drives")) {
    for (const auto& [key, value] : drives->entries) {
      auto parts = SplitList(value, ',');
      std::optional<unsigned long long> clusters, sectors, bytes;
      if (parts.size() == 3) {
        clusters = ParseUnsigned(parts[0], 10, 0xFFFFFFFFull);
        sectors = ParseUnsigned(parts[1], 10, 0xFFFFFFFFull);
        bytes = ParseUnsigned(parts[2], 10, 0xFFFFFFFFull);
      }
      if (key.size() != 1 || !IsAsciiLetter(key[0]) || !clusters || !sectors || !bytes) {
        error = "hardware.ini: [Drives] " + key + "='" + value +
                "' is not 'letter=free clusters,sectors per cluster,bytes per sector'";
        return std::nullopt;
      }
      m.m_drives.emplace_back(ascii::ToUpper(key)[0], DriveSpace{static_cast<std::uint32_t>(*clusters),
                                                          static_cast<std::uint32_t>(*sectors),
                                                          static_cast<std::uint32_t>(*bytes)});
    }
  }
  if (const auto* libs = hw->FindSection("Libraries")) {
    for (const auto& [key, value] : libs->entries) {
      bool present = false;
      if (!ParseFlag(value, present)) {
        error = "hardware.ini: [Libraries] " + key + " must be 0 or 1, not '" + value + "'";
        return std::nullopt;
      }
      m.m_libraries.emplace_back(key, present);
    }
  }
  if (const auto* missing = hw->FindSection("MissingEntryPoints")) {
    for (const auto& [library, list] : missing->entries) {
      for (const std::string& entry : SplitList(list, ',')) {
        if (!entry.empty()) m.m_missingEntries.emplace_back(library, entry);
      }
    }
  }
  if (const auto* held = hw->FindSection("FilesInUse")) {
    for (const auto& entry : held->entries) {
      if (!entry.second.empty()) m.m_filesInUse.push_back(entry.second);
    }
  }
  if (const auto name = hw->Get("DisplayService", "Name"); name && m.IsNT()) {
    // Another active display service than a fresh machine's, written once.
    const std::string group = hw->Get("DisplayService", "Group").value_or("Video");
    const auto start = ParseUnsigned(hw->Get("DisplayService", "Start").value_or("1"), 10, 4);
    if (name->empty() || name->find('\\') != std::string::npos || !start) {
      error = "hardware.ini: [DisplayService] needs a Name without '\\' and a Start from 0 to 4";
      return std::nullopt;
    }
    if (!m.m_registry->Export("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + *name)) {
      WriteDisplayService(*m.m_registry, *name, group, static_cast<std::uint32_t>(*start));
    }
  }
  if (!m.IsNT()) {
    // Windows 95/98 find their display devices at start: each gets its Enum
    // key with the description, driven by the standard VGA driver until one
    // is installed.
    for (const DisplayDevice& device : m.m_hardware.DisplayDevices()) {
      const std::string key = "HKEY_LOCAL_MACHINE\\" + device.driverKey;
      if (device.description.empty() || m.m_registry->Export(key)) continue;
      m.m_registry->SetString(key, "DeviceDesc", device.description);
      m.m_registry->SetString(key, "Class", "Display");
      m.m_registry->SetString(key, "Driver", kStandardVgaDriver);
    }
  }
  return m;
}

namespace {
// A Windows folder at a drive root keeps its backslash ("C:\"); no doubling.
std::string Below(const std::string& folder, const char* name) {
  return (!folder.empty() && folder.back() == '\\' ? folder : folder + "\\") + name;
}
}  // namespace

std::string Machine::SystemDir() const { return Below(m_windowsDir, IsNT() ? "SYSTEM32" : "SYSTEM"); }

platform::OSVERSIONINFOA Machine::VersionInfo() const {
  platform::OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof(v);
  auto setCsd = [&](const char* text) {
    std::size_t n = std::min(std::char_traits<char>::length(text), sizeof(v.szCSDVersion) - 1);
    std::copy_n(text, n, v.szCSDVersion);
  };
  switch (m_os) {
    case OsKind::Win95:
      v = {sizeof(v), 4, 0, 0x040003B6, VER_PLATFORM_WIN32_WINDOWS, {}};
      break;
    case OsKind::Win98:
      v = {sizeof(v), 4, 10, 0x040A07CE, VER_PLATFORM_WIN32_WINDOWS, {}};
      break;
    case OsKind::NT4:
      v = {sizeof(v), 4, 0, 1381, VER_PLATFORM_WIN32_NT, {}};
      setCsd("Service Pack 6");
      break;
    case OsKind::NT5:
      v = {sizeof(v), 5, 0, 2195, VER_PLATFORM_WIN32_NT, {}};
      setCsd("Service Pack 4");
      break;
  }
  return v;
}

DriveSpace Machine::FreeSpace(char driveLetter) const {
  char letter = ascii::ToUpper(std::string_view(&driveLetter, 1))[0];
  for (const auto& [d, space] : m_drives) {
    if (d == letter) return space;
  }
  // A drive that hardware.ini does not describe: 1 GB free in 4 KB clusters.
  return DriveSpace{262144, 8, 512};
}

bool Machine::LibraryPresent(std::string_view libraryName) const {
  for (const auto& [name, present] : m_libraries) {
    if (ascii::EqualNoCase(name, libraryName)) return present;
  }
  // Windows NT's device installer; the distribution's own libraries serve Windows 95/98.
  if (ascii::EqualNoCase(libraryName, "SETUPAPI.DLL")) return IsNT();
  return !IsNT();
}

bool Machine::EntryPointPresent(std::string_view libraryName, std::string_view entryPoint) const {
  for (const auto& [library, entry] : m_missingEntries) {
    if (ascii::EqualNoCase(library, libraryName) && entry == entryPoint) return false;
  }
  return true;
}

std::optional<std::string> Machine::LogicalDirectory(int ldid) const {
  return m_hardware.LogicalDirectory(ldid, m_windowsDir, SystemDir(), IsNT());
}

ResolvedPath Machine::Resolve(std::string_view windowsPath, std::string_view currentDir) const {
  std::string path(windowsPath);
  std::string current(currentDir);
  std::replace(current.begin(), current.end(), '/', '\\');
  if (current.size() < 2 || !IsAsciiLetter(current[0]) || current[1] != ':') current = "C:\\";
  if (path.empty()) return Failure(ERROR_PATH_NOT_FOUND);
  // The ANSI calls take at most MAX_PATH characters.
  if (path.size() > platform::kMaxPath) return Failure(ERROR_FILENAME_EXCED_RANGE);

  // "\\?\X:\…" names the file as it stands: no "." or "..", no trimming, no
  // "/" for "\". "\\.\X:\…" is an ordinary path; any other "\\.\NAME" is a
  // device, and "\\server\share" a network share; the machine has neither.
  const bool literal = path.rfind("\\\\?\\", 0) == 0;
  if (literal) {
    path.erase(0, 4);
    if (path.size() < 3 || !IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\') {
      return Failure(ascii::EqualNoCase(path.substr(0, 4), "UNC\\") ? ERROR_BAD_NETPATH : ERROR_PATH_NOT_FOUND);
    }
  } else {
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.rfind("\\\\.\\", 0) == 0) {
      path.erase(0, 4);
      if (path.size() < 3 || !IsAsciiLetter(path[0]) || path[1] != ':' || path[2] != '\\') {
        return Failure(IsDeviceName(path) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
      }
    } else if (path.rfind("\\\\", 0) == 0) {
      return Failure(ERROR_BAD_NETPATH);
    }
  }

  char drive;
  std::string full;  // "X:\…" without the drive
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    drive = path[0];
    std::string rest = path.substr(2);
    if (!rest.empty() && rest[0] == '\\') {
      full = rest;
    } else if (LowerAscii(current[0]) == LowerAscii(drive)) {
      full = current.substr(2) + "\\" + rest;
    } else {
      full = "\\" + rest;
    }
  } else if (path[0] == '\\') {
    drive = current[0];
    full = path;
  } else {
    drive = current[0];
    full = current.substr(2) + "\\" + path;
  }
  if (full.size() + 2 > platform::kMaxPath) return Failure(ERROR_FILENAME_EXCED_RANGE);

  // The components, resolved by name alone and never above the drive's root.
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    const bool lastPart = end == full.size();
    start = end + 1;
    if (part.empty()) continue;
    if (literal) {
      if (part == "." || part == ".." || part.find('/') != std::string::npos) return Failure(ERROR_INVALID_NAME);
    } else if (part == ".") {
      continue;
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    } else if (lastPart) {
      // The last name loses its trailing dots and blanks ("FILE.TXT. " is
      // FILE.TXT; "..." is the folder itself); a folder on the way loses
      // one trailing dot, unless it is made of dots alone.
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      if (part.empty()) continue;
    } else if (part.back() == '.' && part.find_first_not_of('.') != std::string::npos) {
      part.pop_back();
    }
    if (part.size() > kMaxNameLength || std::any_of(part.begin(), part.end(), IsInvalidNameChar)) {
      return Failure(ERROR_INVALID_NAME);
    }
    // CON, NUL, COM1, LPT1.TXT … name a device in every folder, never a
    // file; the machine has none to open, and no folder on the way is one.
    if (IsDeviceName(part)) return Failure(lastPart ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    parts.push_back(part);
  }

  std::error_code ec;
  // The host path grows as a string, made a path once at the end.
  std::string host = (m_dir / "drive_").string();
  host += LowerAscii(drive);
  // A drive whose folder was listed is there; any other is looked at.
  if (m_folders.count(host) == 0 && !fs::is_directory(fs::symlink_status(host, ec))) {
    return Failure(ERROR_PATH_NOT_FOUND);
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    const std::optional<FolderEntry> entry = FindEntry(host, parts[i]);
    if (!entry) {
      // The last folder was listed: it is known unless it has gone.
      if (!last || m_folders.count(host) == 0) return Failure(ERROR_PATH_NOT_FOUND);
      return {fs::path(host + '/' + parts[i]), ERROR_SUCCESS, fs::file_type::not_found};
    }
    if (entry->type == fs::file_type::symlink) return Failure(last ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    if (!last && entry->type != fs::file_type::directory) return Failure(ERROR_PATH_NOT_FOUND);
    host += '/';
    host += entry->name;
    if (last) return {fs::path(std::move(host)), ERROR_SUCCESS, entry->type};
  }
  return {fs::path(std::move(host)), ERROR_SUCCESS, fs::file_type::directory};
}

const Machine::FolderNames* Machine::NamesOf(const std::string& key) const {
  auto found = m_folders.find(key);
  if (found != m_folders.end()) {
    found->second.lastUse = ++m_folderUses;
    return &found->second;
  }
  // A folder that is no longer one (a link put in its place) has no entries.
  const fs::path folder(key);
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return nullptr;
  FolderNames names;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::file_type type = EntryType(*it);
    std::string name = it->path().filename().string();
    names.byFolded[FoldName(name)].push_back({std::move(name), type});
  }
  if (ec) return nullptr;
  for (auto& [folded, entries] : names.byFolded) {
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  }
  MakeRoomForFolder();
  names.lastUse = ++m_folderUses;
  return &(m_folders[key] = std::move(names));
}

// The entry of `folder` whose name matches `name` without regard to case: the
// exact spelling first, otherwise the smallest matching name, otherwise the
// entry whose short name it is.
std::optional<Machine::FolderEntry> Machine::FindEntry(const std::string& folder, const std::string& name) const {
  const FolderNames* names = NamesOf(folder);
  // "." and ".." are never entries of their own.
  if (names == nullptr || name == "." || name == "..") return std::nullopt;
  auto found = names->byFolded.find(FoldName(name));
  if (found != names->byFolded.end() && !found->second.empty()) {
    for (const FolderEntry& entry : found->second) {
      if (entry.name == name) return entry;
    }
    return found->second.front();
  }
  // Not listed: an entry made from outside since the folder was listed, by
  // the very name asked for, or a short name.
  std::error_code ec;
  const fs::path asked(folder + '/' + name);
  const fs::file_status exact = fs::symlink_status(asked, ec);
  if (fs::exists(exact)) {
    NoteChanged(asked, exact.type());
    return FolderEntry{name, exact.type()};
  }
  if (name.find('~') == std::string::npos) return std::nullopt;
  const std::optional<fs::path> other = FindByShortName(folder, name);
  if (!other) return std::nullopt;
  return FolderEntry{other->filename().string(), fs::symlink_status(*other, ec).type()};
}

bool Machine::IsFreeName(const fs::path& folder, std::string_view name) const {
  const FolderNames* names = NamesOf(folder.string());
  if (names == nullptr) return false;
  const auto found = names->byFolded.find(FoldName(name));
  return found == names->byFolded.end() || found->second.empty();
}

void Machine::ForgetFolder(const std::string& path) const {
  m_folders.erase(path);
  const std::string below = path + "/";
  for (auto it = m_folders.begin(); it != m_folders.end();) {
    it = it->first.compare(0, below.size(), below) == 0 ? m_folders.erase(it) : std::next(it);
  }
}

void Machine::NoteChanged(const fs::path& host) const {
  if (m_folders.empty()) return;
  std::error_code ec;
  NoteChanged(host, fs::symlink_status(host, ec).type());
}

void Machine::NoteChanged(const fs::path& host, fs::file_type type) const {
  if (m_folders.empty()) return;
  const fs::file_status status(type);
  const std::string path = host.string();
  // A folder that went takes what was known below it along (a folder known
  // below is known itself: it was looked into on the way).
  if (!fs::is_directory(status) && m_folders.count(path) != 0) ForgetFolder(path);
  auto found = m_folders.find(host.parent_path().string());
  if (found == m_folders.end()) return;
  const std::string name = host.filename().string();
  std::vector<FolderEntry>& entries = found->second.byFolded[FoldName(name)];
  entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const FolderEntry& e) { return e.name == name; }),
                entries.end());
  if (!fs::exists(status) && entries.empty()) found->second.byFolded.erase(FoldName(name));
  if (fs::exists(status)) {
    const auto at = std::lower_bound(entries.begin(), entries.end(), name,
                                     [](const FolderEntry& e, const std::string& n) { return e.name < n; });
    entries.insert(at, FolderEntry{name, status.type()});
  }
}

void Machine::NoteFolderMade(const fs::path& host) const {
  NoteChanged(host, fs::file_type::directory);
  MakeRoomForFolder();
  m_folders[host.string()] = FolderNames{++m_folderUses, {}};
}

void Machine::MakeRoomForFolder() const {
  if (m_folders.size() < kMaxKnownFolders) return;
  const auto oldest = std::min_element(m_folders.begin(), m_folders.end(), [](const auto& a, const auto& b) {
    return a.second.lastUse < b.second.lastUse;
  });
  ForgetFolder(std::string(oldest->first));
}

int Machine::RootHandle() const {
  if (!m_root) {
    const int fd = ::open(m_dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    m_root = std::shared_ptr<int>(new int(fd), [](int* handle) {
      ::close(*handle);
      delete handle;
    });
  }
  return *m_root;
}

bool Machine::IsOnCd(const fs::path& host) const {
  const fs::path relative = host.lexically_relative(m_dir);
  const std::string cd = std::string("drive_") + LowerAscii(kCdDrive);
  return !relative.empty() && relative.begin()->string() == cd;
}

// errno for a change on the CD.
bool Machine::RefusedOnCd(const fs::path& host) const {
  if (!IsOnCd(host)) return false;
  errno = EROFS;
  return true;
}

int Machine::OpenHost(const fs::path& host, int flags, unsigned mode) const {
  if ((flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0 && RefusedOnCd(host)) return -1;
  const fs::path relative = host.lexically_relative(m_dir);
  const int root = RootHandle();
  if (root < 0) return -1;
  if (relative.empty() || *relative.begin() == ".." || relative.is_absolute()) {
    errno = EXDEV;
    return -1;
  }
  return OpenBeneath(root, relative, flags, mode);
}

int Machine::OpenParent(const fs::path& host, std::string& name) const {
  const fs::path relative = host.lexically_relative(m_dir);
  // Below a drive's folder: "drive_c/NAME" at the least.
  if (relative.empty() || *relative.begin() == ".." || std::distance(relative.begin(), relative.end()) < 2) {
    errno = EACCES;
    return -1;
  }
  name = relative.filename().string();
  return OpenHost(host.parent_path(), O_PATH | O_DIRECTORY);
}

bool Machine::MakeHostFolder(const fs::path& host) const {
  if (RefusedOnCd(host)) return false;
  std::string name;
  const HostHandle folder(OpenParent(host, name));
  return folder.fd >= 0 && ::mkdirat(folder.fd, name.c_str(), 0755) == 0;
}

bool Machine::RemoveHost(const fs::path& host, bool folder) const {
  if (RefusedOnCd(host)) return false;
  std::string name;
  const HostHandle parent(OpenParent(host, name));
  return parent.fd >= 0 && ::unlinkat(parent.fd, name.c_str(), folder ? AT_REMOVEDIR : 0) == 0;
}

bool Machine::RenameHost(const fs::path& from, const fs::path& to) const {
  if (RefusedOnCd(from) || RefusedOnCd(to)) return false;
  std::string fromName, toName;
  const HostHandle fromFolder(OpenParent(from, fromName));
  if (fromFolder.fd < 0) return false;
  if (from.parent_path() == to.parent_path()) {
    toName = to.filename().string();
    return ::renameat(fromFolder.fd, fromName.c_str(), fromFolder.fd, toName.c_str()) == 0;
  }
  const HostHandle toFolder(OpenParent(to, toName));
  return toFolder.fd >= 0 && ::renameat(fromFolder.fd, fromName.c_str(), toFolder.fd, toName.c_str()) == 0;
}

bool Machine::ReadHostFile(const fs::path& host, std::vector<char>& content, std::size_t maxSize,
                           bool beginningOfLarger) const {
  // Not blocking: a pipe put in the machine folder opens at once and is refused.
  const HostHandle file(OpenHost(host, O_RDONLY | O_NONBLOCK));
  struct stat info {};
  if (file.fd < 0 || ::fstat(file.fd, &info) != 0) return false;
  const bool tooLarge = static_cast<std::uintmax_t>(info.st_size) > maxSize;
  if (!S_ISREG(info.st_mode) || (tooLarge && !beginningOfLarger)) {
    errno = S_ISREG(info.st_mode) ? EFBIG : EISDIR;
    return false;
  }
  content.assign(tooLarge ? maxSize : static_cast<std::size_t>(info.st_size), '\0');
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::read(file.fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done == content.size()) return true;
  content.clear();
  errno = EIO;
  return false;
}

Machine::HostWrite Machine::WriteHostFile(const fs::path& host, const char* data, std::size_t size,
                                          bool createNew) const {
  // Not blocking: a pipe put in the machine folder is refused, not waited on.
  const HostHandle file(OpenHost(host, O_WRONLY | O_NONBLOCK | O_CREAT | (createNew ? O_EXCL : O_TRUNC)));
  if (file.fd < 0) return HostWrite::kNotOpened;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(file.fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return HostWrite::kFailed;
    done += static_cast<std::size_t>(n);
  }
  return HostWrite::kDone;
}

std::string Machine::WindowsPathOf(const fs::path& host) const {
  const fs::path relative = host.lexically_relative(m_dir);
  auto it = relative.begin();
  if (it == relative.end()) return {};
  const std::string drive = it->string();
  if (drive.size() != 7 || drive.rfind("drive_", 0) != 0 || !IsAsciiLetter(drive[6])) return {};
  std::string path(1, drive[6] >= 'a' ? static_cast<char>(drive[6] - 'a' + 'A') : drive[6]);
  path += ":";
  bool any = false;
  for (++it; it != relative.end(); ++it) {
    if (it->empty()) continue;
    if (*it == "..") return {};
    path += "\\" + it->string();
    any = true;
  }
  if (!any) path += "\\";
  return path;
}

bool Machine::IsHeldOpen(const fs::path& host) const {
  std::error_code ec;
  for (const std::string& path : m_filesInUse) {
    const ResolvedPath held = Resolve(path);
    if (held.ok() && fs::equivalent(held.host, host, ec)) return true;
  }
  return false;
}

void Machine::AppendEvent(std::string_view line) const {
  std::ofstream out(m_dir / "events.log", std::ios::binary | std::ios::app);
  out << line << '\n';
}

}  // namespace sim
