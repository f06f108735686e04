// The README text and the outside programs started without waiting.
#include <cstring>
#include <string>
#include <vector>

#include "app/install_app.h"
#include "platform/platform.h"
#include "script/text_compare.h"

void StartDetached(const std::string& command) {
  platform::PROCESS_INFORMATION info;
  if (!platform::Processes().CreateProcessA(command, DETACHED_PROCESS, info)) return;
  platform::Processes().CloseHandle(info.hProcess);
  platform::Processes().CloseHandle(info.hThread);
}

void CInstallApp::LoadReadMe() {
  const std::string folder = m_context.GetSetupDir();
  std::vector<char> content;
  m_strReadMePath = folder + "\\README_" + m_context.GetLanguageCode() + ".TXT";
  if (platform::Files().ReadWholeFile(m_strReadMePath, content) != ERROR_SUCCESS) {
    m_strReadMePath = folder + "\\README.TXT";
    if (platform::Files().ReadWholeFile(m_strReadMePath, content) != ERROR_SUCCESS) {
      m_strReadMePath.clear();
      return;
    }
  }
  // An empty file keeps the text read before; the bytes are used as they are.
  if (content.empty()) return;
  m_pReadMeText = std::make_unique<char[]>(content.size() + 1);
  std::memcpy(m_pReadMeText.get(), content.data(), content.size());
  m_pReadMeText[content.size()] = '\0';
}

void CInstallApp::ShowReadMe() {
  if (m_strReadMePath.empty()) return;
  platform::IProcesses& processes = platform::Processes();
  if (platform::HWND notepad = processes.FindWindowA("Notepad", nullptr)) {
    char title[261] = {};
    processes.GetWindowTextA(notepad, title, sizeof title);
    if (ToUpperAscii(title).find("README") != std::string::npos) {
      processes.BringWindowToTop(notepad);
      processes.ShowWindow(notepad, SW_SHOWNORMAL);
      return;
    }
  }
  // The path goes unquoted, as Notepad takes the rest of its command line.
  StartDetached("Notepad " + m_strReadMePath);
}

void CInstallApp::StartCaller() {
  const std::string caller = m_context.GetCallerCmd();
  if (caller.empty()) return;
  StartDetached(caller + " /p2 /l" + m_context.GetLanguageCode());
}
