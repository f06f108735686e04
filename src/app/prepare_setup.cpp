// Preparing the setup context before any window opens: the script for the
// running system, COMPANY.INI, the command line, the script's own start-up
// keys and the record of an earlier installation.
#include "app/prepare_setup.h"

#include <algorithm>

#include "app/install_app.h"
#include "install/install_record.h"
#include "install/setup_choice.h"
#include "platform/platform.h"

namespace {

constexpr const char* kVariantScripts[] = {"SETUPNT4.IN", "SETUPNT5.IN", "SETUPW98.IN", "SETUPW95.IN"};
constexpr const char* kCommonScript = "SETUP.INF";
constexpr platform::DWORD kProfileTextSize = 260;  // 259 characters and the NUL

std::string ReadProfileString(const platform::Platform& platform, const char* section, const char* key, const char* defaultValue,
                              const std::string& file) {
  char buffer[kProfileTextSize] = {};
  platform::DWORD n =
      platform.Profiles().GetPrivateProfileStringA(section, key, defaultValue, buffer, kProfileTextSize, file.c_str());
  return std::string(buffer, std::min<platform::DWORD>(n, kProfileTextSize - 1));
}

// The languages offered, the language picture and the choice of variant scripts.
void ReadCompanyIni(CSetupContext& c) {
  const platform::Platform& platform = c.GetPlatform();
  std::string file = c.GetSetupDir() + "\\COMPANY.INI";
  if (!platform.Files().FileExists(file)) {
    file = c.GetSetupDir() + "\\..\\..\\COMPANY.INI";
    if (!platform.Files().FileExists(file)) return;
  }
  int count = 0;
  std::uint32_t mask = 0;
  for (int i = 0; i < kLanguageCount; ++i) {
    if (platform.Profiles().GetPrivateProfileIntA("Company", c.GetLanguageCodeAt(i), 0, file.c_str()) != 0) {
      ++count;
      mask |= 1u << i;
    }
  }
  c.SetLanguageOffer(std::max(count, 1), mask);
  // A single language offered is the language of the run.
  if (count == 1) {
    for (int i = 0; i < kLanguageCount; ++i) {
      if (c.IsLanguageOffered(i)) c.SetLanguage(i);
    }
  }
  c.SetLangBitmap(ReadProfileString(platform, "Install", "DlgLangBMP", "", file));
  if (platform.Profiles().GetPrivateProfileIntA("Install", "MultiOS", 0, file.c_str()) == 0) {
    c.SetScriptName(kCommonScript);
  }
}

// The script exists, and the values start-up needs are in it.
bool CheckScript(CSetupContext& c, IMessageSink& messages) {
  const platform::Platform& platform = c.GetPlatform();
  const std::string chosen = c.GetScriptName();
  if (!platform.Files().FileExists(c.GetScriptPath())) {
    c.SetScriptName(kCommonScript);
    if (!platform.Files().FileExists(c.GetScriptPath())) {
      const bool variant = std::any_of(std::begin(kVariantScripts), std::end(kVariantScripts),
                                       [&](const char* name) { return chosen == name; });
      messages.ShowError(variant ? MSG_WRONG_SYSTEM_OR_NO_SCRIPT : MSG_NO_SCRIPT, c.GetScriptPath());
      return false;
    }
  }
  const std::string script = c.GetScriptPath();
  std::string setupCopy = ReadProfileString(platform, "DestinationDirs", "Setup.Copy", "", script);
  if (setupCopy.empty()) {
    messages.ShowError(MSG_MISSING_KEY, "Setup.Copy", "DestinationDirs");
    return false;
  }
  if (setupCopy[0] == '%') {
    const std::string key = setupCopy.size() >= 2 ? setupCopy.substr(1, setupCopy.size() - 2) : std::string();
    setupCopy = ReadProfileString(platform, "Strings", key.c_str(), "", script);
    if (setupCopy.empty()) {
      messages.ShowError(MSG_MISSING_KEY, key, "Strings");
      return false;
    }
  }
  if (setupCopy == "display") setupCopy.clear();
  c.SetSetupCopy(setupCopy);
  if ((c.GetFlags() & SF_RESTART_REQUESTED) == 0 && ReadProfileString(platform, "Version", "DefaultRestart", "1", script)[0] == '0') {
    c.SetFlags(c.GetFlags() | SF_NO_RESTART);
  }
  return true;
}

}  // namespace

bool CInstallApp::PrepareSetup(std::string_view commandLine) {
  CSetupContext& c = m_context;
  IMessageSink& messages = m_errorBox;
  const int errorsBefore = messages.GetErrorCount();
  c.SetScriptName(c.IsNT4() ? kVariantScripts[0] : c.IsNT5() ? kVariantScripts[1] : c.IsWin98() ? kVariantScripts[2]
                                                                                                  : kVariantScripts[3]);
  c.SetLanguage(kDefaultLanguage);
  c.SetSetupDir(SetupDirectoryOf(platform::ProgramPath(m_context.GetPlatform().System())));
  ReadCompanyIni(c);
  c.ParseCommandLine(commandLine);
  // After the command line, so that a quiet run records the message unseen.
  if (c.IsNT3()) {
    messages.ShowError(MSG_WRONG_SYSTEM_OR_NO_SCRIPT);
    return false;
  }
  if (!CheckScript(c, messages)) return false;
  ReadInstallRecord(c);
  // A setup started anywhere but from its installed copy installs from where it was started.
  if (!IsMaintenanceRun(c)) c.SetInstallFrom(c.GetSetupDir());
  return messages.GetErrorCount() == errorsBefore;
}
