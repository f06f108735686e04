// The record an installation leaves in the registry, read back at start.
#include <string>

#include "app/install_app.h"
#include "platform/platform.h"
#include "script/text_compare.h"
#include "wizard/message_box.h"
#include "wizard/registry_key.h"

namespace {

constexpr std::string_view kEarlierProductKey = "SOFTWARE\\Halvion\\Installed";
constexpr std::string_view kEarlierProduct = "Quellpath Tools 95";

// The key of the record: a setup copy of its own gets a key of its own.
std::string RecordKey(const CSetupContext& context) {
  const std::string copy = context.GetSetupCopy();
  return "Software\\TORQUIST\\Install" + (copy.empty() ? std::string() : "." + copy);
}

}  // namespace

void CInstallApp::ReadInstallRecord() {
  CSetupContext& c = m_context;
  CRegistryKey record(HKEY_LOCAL_MACHINE);
  record.Open(RecordKey(c));
  c.SetDestDir(record.ReadString("Destination Dir"));
  c.SetSetupPath(record.ReadString("Setup Path"));
  c.SetInstallFrom(record.ReadString("Install From"));

  if (c.GetLanguageCount() != 1) {
    const std::string language = record.ReadString("Language");
    for (int i = 0; !language.empty() && i < kLanguageCount; ++i) {
      if (language != c.GetLanguageCodeAt(i)) continue;
      const std::uint32_t mask = c.GetLanguageMask();
      if (i < 32 && (mask >> i & 1u) != 0) {
        c.SetLanguage(i);
      } else if (c.GetLanguage() < 0 || c.GetLanguage() >= 32 || (mask >> c.GetLanguage() & 1u) == 0) {
        // The recorded language is not offered: the first one that is.
        for (int offered = 0; offered < kLanguageCount; ++offered) {
          if ((mask >> offered & 1u) != 0) {
            c.SetLanguage(offered);
            break;
          }
        }
      }
      break;
    }
  }

  if (c.GetDestDir().empty()) {
    CRegistryKey windows("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", HKEY_LOCAL_MACHINE);
    c.SetDestDir(windows.ReadString("ProgramFilesDir") + "\\Halvion");
  }
  if (c.GetInstallFrom().empty()) c.SetInstallFrom("A:");
}

bool CInstallApp::FindEarlierProduct() {
  CRegistryKey installed(HKEY_LOCAL_MACHINE);
  if (!installed.Open(kEarlierProductKey)) return false;
  for (platform::DWORD index = 0;; ++index) {
    const std::string name = installed.EnumKey(index);
    if (name.empty()) return false;
    if (!EqualNoCase(name, kEarlierProduct)) continue;
    installed.Close();
    // Shown even in quiet mode: the installation must not go on over it.
    CMessageText caption, text;
    platform::MessageBoxRequest box;
    box.messageId = MSG_EARLIER_PRODUCT;
    box.caption = caption.LoadText(IDS_CAPTION);
    box.text = text.LoadText(MSG_EARLIER_PRODUCT);
    box.type = MB_OK;
    platform::UserInterface().MessageBoxA(box);
    return true;
  }
}
