// The README text and the outside programs started without waiting.
#include <cstring>
#include <string>
#include <vector>

#include "install/readme.h"

#include "core/setup_context.h"
#include "platform/ascii_text.h"
#include "platform/platform.h"

void StartDetached(platform::IProcesses& processes, const std::string& command) {
  platform::PROCESS_INFORMATION info;
  if (!processes.CreateProcessA(command, DETACHED_PROCESS, info)) return;
  processes.CloseHandle(info.hProcess);
  processes.CloseHandle(info.hThread);
}

void CReadMe::Load(const CSetupContext& context) {
  const std::string folder = context.GetSetupDir();
  std::vector<char> content;
  m_strPath = folder + "\\README_" + context.GetLanguageCode() + ".TXT";
  if (!context.GetPlatform().Files().ReadWholeFile(m_strPath, content)) {
    m_strPath = folder + "\\README.TXT";
    if (!context.GetPlatform().Files().ReadWholeFile(m_strPath, content)) {
      m_strPath.clear();
      return;
    }
  }
  // An empty file keeps the text read before; the bytes are used as they are.
  if (content.empty()) return;
  m_pText = std::make_unique<char[]>(content.size() + 1);
  std::memcpy(m_pText.get(), content.data(), content.size());
  m_pText[content.size()] = '\0';
}

void CReadMe::Show(platform::IProcesses& processes) const {
  if (m_strPath.empty()) return;
  if (platform::HWND notepad = processes.FindWindowA("Notepad", {})) {
    char title[261] = {};
    processes.GetWindowTextA(notepad, title, sizeof title);
    if (ascii::ToUpper(title).find("README") != std::string::npos) {
      processes.BringWindowToTop(notepad);
      processes.ShowWindow(notepad, SW_SHOWNORMAL);
      return;
    }
  }
  // The path goes unquoted, as Notepad takes the rest of its command line.
  StartDetached(processes, "Notepad " + m_strPath);
}

void StartCaller(const CSetupContext& context) {
  const std::string caller = context.GetCallerCmd();
  if (caller.empty()) return;
  StartDetached(context.GetPlatform().Processes(), caller + " /p2 /l" + context.GetLanguageCode());
}
