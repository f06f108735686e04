// The setup context: everything the pages, the script engine and the
// installation run share about this run of the setup program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/win_types.h"

// Flag word bits.
constexpr std::uint32_t SF_FRESH_WIZARD = 0x1;
constexpr std::uint32_t SF_MAINTENANCE_WIZARD = 0x2;
constexpr std::uint32_t SF_TYPE_FIRST = 0x10;
constexpr std::uint32_t SF_TYPE_SECOND = 0x20;
constexpr std::uint32_t SF_TYPE_CUSTOM = 0x40;
constexpr std::uint32_t SF_TYPE_MASK = 0x70;
constexpr std::uint32_t SF_CHANGE_COMPONENTS = 0x100;
constexpr std::uint32_t SF_INSTALL_AGAIN = 0x200;
constexpr std::uint32_t SF_REMOVE = 0x400;
constexpr std::uint32_t SF_MAINTENANCE_MASK = 0x700;
constexpr std::uint32_t SF_NO_RESTART = 0x1000;
constexpr std::uint32_t SF_RESTART_NEEDED = 0x2000;
constexpr std::uint32_t SF_FULL_RESTART = 0x4000;
constexpr std::uint32_t SF_RESTART_REQUESTED = 0x8000;
constexpr std::uint32_t SF_UNATTENDED = 0x10000;
constexpr std::uint32_t SF_HIDDEN = 0x20000;
constexpr std::uint32_t SF_QUIET = 0x40000;
constexpr std::uint32_t SF_RUN_FAILED = 0x100000;

// Values of the install record beside the four it always has: the display
// service the driver installation on Windows NT disabled, and the start type
// it had, for the removal to give back.
constexpr const char* kDisabledDisplayServiceValue = "Disabled Display Service";
constexpr const char* kDisabledDisplayStartValue = "Disabled Display Start";

constexpr int kLanguageCount = 19;
constexpr int kDefaultLanguage = 4;  // ENU

class CSetupContext {
 public:
  // The machine this run works on; it must outlive the context.
  explicit CSetupContext(const platform::Platform& platform);
  virtual ~CSetupContext() = default;

  const platform::Platform& GetPlatform() const { return *m_platform; }

  // Applies the command-line options (the text after the program name).
  void ParseCommandLine(std::string_view text);

  std::uint32_t GetFlags() const { return m_nFlags; }
  void SetFlags(std::uint32_t flags) { m_nFlags = flags; }
  int GetLanguage() const { return m_nLanguage; }
  void SetLanguage(int index) { m_nLanguage = index; }
  int GetLastMessage() const { return m_nLastMessage; }
  void SetLastMessage(int id) { m_nLastMessage = id; }

  std::string GetScriptName() const { return m_strScriptName; }
  std::string GetInstallFrom() const { return m_strInstallFrom; }
  std::string GetSetupPath() const { return m_strSetupPath; }
  std::string GetDestDir() const { return m_strDestDir; }
  std::string GetSetupCopy() const { return m_strSetupCopy; }
  std::string GetSetupDir() const { return m_strSetupDir; }
  std::string GetCallerCmd() const { return m_strCallerCmd; }
  std::string GetSourceTreeName() const { return m_strSourceTreeName; }
  std::string GetLangBitmap() const { return m_strLangBitmap; }
  int GetLanguageCount() const { return m_nLanguageCount; }
  std::uint32_t GetLanguageMask() const { return m_dwLanguageMask; }
  // Whether the distribution offers the language at that table index.
  bool IsLanguageOffered(int index) const {
    return index >= 0 && index < 32 && (m_dwLanguageMask >> index & 1u) != 0;
  }
  const platform::OSVERSIONINFOA& GetVersionInfo() const { return m_osvi; }

  // The code of the chosen language; English while none is chosen.
  std::string GetLanguageCode() const;
  // The code at a table index, or nullptr outside the table.
  const char* GetLanguageCodeAt(int index) const;

  void SetSetupPath(std::string pattern) { m_strSetupPath = std::move(pattern); }
  void SetDestDir(std::string dir) { m_strDestDir = std::move(dir); }
  // Filled while the setup is prepared.
  void SetScriptName(std::string name) { m_strScriptName = std::move(name); }
  void SetSetupDir(std::string dir) { m_strSetupDir = std::move(dir); }
  void SetSetupCopy(std::string folder) { m_strSetupCopy = std::move(folder); }
  void SetInstallFrom(std::string folder) { m_strInstallFrom = std::move(folder); }
  void SetLangBitmap(std::string name) { m_strLangBitmap = std::move(name); }
  void SetLanguageOffer(int count, std::uint32_t mask) {
    m_nLanguageCount = count;
    m_dwLanguageMask = mask;
  }

  // Setup directory + "\" + script name.
  std::string GetScriptPath() const;
  // The install record's key below HKEY_LOCAL_MACHINE: a setup copy of its
  // own ("Setup.Copy") gets a key of its own.
  std::string GetInstallRecordKey() const;

  // The display service an earlier installation disabled, as its record
  // keeps it (empty: none), and that service's start type before.
  const std::string& GetDisabledDisplayService() const { return m_strDisabledDisplayService; }
  platform::DWORD GetDisabledDisplayStart() const { return m_dwDisabledDisplayStart; }
  void SetDisabledDisplayService(std::string service, platform::DWORD start) {
    m_strDisabledDisplayService = std::move(service);
    m_dwDisabledDisplayStart = start;
  }

  bool IsNT() const { return m_osvi.dwPlatformId == VER_PLATFORM_WIN32_NT; }
  bool Is9x() const { return m_osvi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }
  bool IsNT3() const { return IsNT() && m_osvi.dwMajorVersion == 3; }
  bool IsNT4() const { return IsNT() && m_osvi.dwMajorVersion == 4; }
  bool IsNT5() const { return IsNT() && m_osvi.dwMajorVersion == 5; }
  bool IsWin95() const { return Is9x() && m_osvi.dwMinorVersion == 0; }
  bool IsWin98() const { return Is9x() && m_osvi.dwMinorVersion != 0; }

 private:
  const platform::Platform* m_platform;
  std::uint32_t m_nFlags = 0;
  std::string m_strScriptName;
  std::string m_strInstallFrom = "A:";
  std::string m_strSetupPath;
  std::string m_strDestDir;
  std::string m_strSetupCopy;
  std::string m_strSetupDir;
  std::string m_strCallerCmd;
  std::string m_strSourceTreeName;
  std::string m_strLangBitmap;
  std::string m_strDisabledDisplayService;
  platform::DWORD m_dwDisabledDisplayStart = 0;
  platform::OSVERSIONINFOA m_osvi{};
  int m_nLanguage = -1;
  int m_nLanguageCount = kLanguageCount;
  const char* m_apszLanguageCode[kLanguageCount];
  std::uint32_t m_dwLanguageMask = 0xFFFFFFFFu;
  int m_nLastMessage = 0;
};
