// The record an installation leaves in the registry, read back at start.
#include <string>

#include "install/install_record.h"

#include "core/name_compare.h"
#include "core/message_text.h"
#include "core/registry_key.h"
#include "files/file_copy.h"
#include "files/file_operations.h"
#include "files/locked_files.h"
#include "install/setup_session.h"
#include "platform/ascii_text.h"
#include "platform/platform.h"

namespace {

constexpr std::string_view kEarlierProductKey = "SOFTWARE\\Halvion\\Installed";
constexpr std::string_view kEarlierProduct = "Quellpath Tools 95";

std::string RecordKey(const CSetupContext& context) { return context.GetInstallRecordKey(); }

}  // namespace

std::string FormatSetupFolder(const std::string& pattern, const std::string& destination) {
  // The destination is text, never a format: it is put in, not interpreted.
  std::string folder = pattern;
  if (const std::size_t mark = folder.find("%s"); mark != std::string::npos) folder.replace(mark, 2, destination);
  return folder;
}

void ReadInstallRecord(CSetupContext& c) {
  const platform::Platform& platform = c.GetPlatform();
  CRegistryKey record(platform, HKEY_LOCAL_MACHINE);
  record.Open(RecordKey(c));
  c.SetDestDir(record.ReadString("Destination Dir"));
  c.SetSetupPath(record.ReadString("Setup Path"));
  c.SetInstallFrom(record.ReadString("Install From"));
  platform::DWORD start = 0;
  c.SetDisabledDisplayService(record.ReadString(kDisabledDisplayServiceValue),
                              record.ReadDword(kDisabledDisplayStartValue, start) ? start : 0);

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
    CRegistryKey windows(platform, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", HKEY_LOCAL_MACHINE);
    c.SetDestDir(windows.ReadString("ProgramFilesDir") + "\\Halvion");
  }
  if (c.GetInstallFrom().empty()) c.SetInstallFrom("A:");
}

bool FindEarlierProduct(const platform::Platform& platform, const CResourceModule& resources) {
  CRegistryKey installed(platform, HKEY_LOCAL_MACHINE);
  // Enumerating is all it needs: a user without the right to write there
  // must still see the older product.
  if (!installed.Open(kEarlierProductKey, KEY_ENUMERATE_SUB_KEYS)) return false;
  for (platform::DWORD index = 0;; ++index) {
    const std::string name = installed.EnumKey(index);
    if (name.empty()) return false;
    if (!EqualNoCase(name, kEarlierProduct, platform.System().GetACP())) continue;
    installed.Close();
    // Shown even in quiet mode: the installation must not go on over it.
    CMessageText caption(resources), text(resources);
    platform::MessageBoxRequest box;
    box.messageId = MSG_EARLIER_PRODUCT;
    box.caption = caption.LoadText(IDS_CAPTION);
    box.text = text.LoadText(MSG_EARLIER_PRODUCT);
    box.type = MB_OK;
    platform.UserInterface().MessageBoxA(box);
    return true;
  }
}

namespace {

constexpr std::string_view kRunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr std::string_view kSourceTreeValue = "RemoveSrcTree";

std::string PendingRemovalValue(const CSetupContext& context) {
  const std::string copy = context.GetSetupCopy();
  return "Install" + (copy.empty() ? std::string() : "." + copy);
}

}  // namespace

bool WriteInstallRecord(const CSetupContext& c) {
  const platform::Platform& platform = c.GetPlatform();
  const std::string setupFolder = FormatSetupFolder(c.GetSetupPath(), c.GetDestDir());
  if ((c.GetFlags() & SF_REMOVE) != 0) {
    CRegistryKey(platform, HKEY_LOCAL_MACHINE).DeleteTree(RecordKey(c));
    // INST16 removes the installed folder at the next start; no blank
    // stands between the option and the folder.
    const std::string command = setupFolder + "\\INST16.EXE -R" + ShortPath(platform, c.GetDestDir());
    CRegistryKey runOnce(platform, HKEY_LOCAL_MACHINE);
    if (runOnce.Create(kRunOnceKey) != 0) runOnce.WriteString(PendingRemovalValue(c), command);
    return true;
  }
  // Installing again cancels a removal still waiting for the next start.
  CRegistryKey runOnce(platform, HKEY_LOCAL_MACHINE);
  if (runOnce.Open(kRunOnceKey)) runOnce.DeleteValue(PendingRemovalValue(c));
  CRegistryKey record(platform, HKEY_LOCAL_MACHINE);
  if (record.Create(RecordKey(c)) == 0) return false;
  bool written = record.WriteString("Destination Dir", c.GetDestDir()) == ERROR_SUCCESS;
  written = record.WriteString("Setup Path", setupFolder) == ERROR_SUCCESS && written;
  written = record.WriteString("Install From", c.GetInstallFrom()) == ERROR_SUCCESS && written;
  written = record.WriteString("Language", c.GetLanguageCode()) == ERROR_SUCCESS && written;
  return written;
}

std::string InstallRecordKey(const CSetupContext& context) { return RecordKey(context); }

void HandleSourceTree(CSetupSession& session, bool beforeWizard) {
  const CSetupContext& c = session.GetContext();
  const platform::Platform& platform = c.GetPlatform();
  const std::string name = c.GetSourceTreeName();
  if (name.empty()) return;
  const std::string setupDir = c.GetSetupDir();

  // The tree holds INST16.EXE itself: a copy beside it is what runs.
  CFileRecord copy;
  copy.m_strSourceDir = setupDir;
  copy.m_strSourceName = "INST16.EXE";
  copy.m_strDestDir = setupDir;
  copy.m_strDestName = "$INST16.EXE";
  CFileOperations(session.GetScript(), session.GetComponents(), session.GetFileDialogs()).CopyFile(copy, 0);
  const std::string program = platform::ProgramPath(platform.System());
  ClearReadOnly(platform, setupDir + "\\$INST16.EXE");
  ClearReadOnly(platform, program);

  std::string path = ascii::ToUpper(program);
  std::size_t found = path.find(name);
  if (found == std::string::npos) {
    path = ascii::ToUpper(ShortPath(platform, program));
    found = path.find(name);
  }
  if (found == std::string::npos) return;
  const std::size_t closing = found + name.size() - 1;  // the name's closing backslash
  const std::string root = path.substr(0, closing);
  const std::string rest = path.substr(closing);

  CRegistryKey runOnce(platform, HKEY_LOCAL_MACHINE);
  if (beforeWizard) {
    // Should the wizard restart the computer, Windows removes the tree then.
    const std::string command = setupDir + "\\$INST16 " + " /w" + ShortPath(platform, root);
    if (runOnce.Create(kRunOnceKey) != 0) runOnce.WriteString(kSourceTreeValue, command);
    return;
  }
  if (runOnce.Open(kRunOnceKey)) runOnce.DeleteValue(kSourceTreeValue);
  StartDetached(platform.Processes(), setupDir + "\\$INST16 /f" + rest + " /w" + ShortPath(platform, root));
}

bool IsAdministrator(const platform::Platform& platform) { return platform.System().IsAdministratorToken() != 0; }

std::string PendingRemovalCommand(const CSetupContext& context) {
  CRegistryKey runOnce(context.GetPlatform(), HKEY_LOCAL_MACHINE);
  return runOnce.Open(kRunOnceKey, KEY_READ) ? runOnce.ReadString(PendingRemovalValue(context)) : std::string();
}
