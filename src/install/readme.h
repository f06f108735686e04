// The README of the distribution and the outside programs the setup starts
// without waiting: Notepad showing the README, the caller program.
#pragma once

#include <memory>
#include <string>

#include "platform/processes.h"

class CSetupContext;

// Starts a command as its own detached process and lets it go; a failure
// to start is not reported.
void StartDetached(platform::IProcesses& processes, const std::string& command);

class CReadMe {
 public:
  // The README of the chosen language, else "README.TXT", from the setup
  // folder; a missing or empty file keeps the text read before.
  void Load(const CSetupContext& context);
  // Shows the README in Notepad, raising a Notepad that shows one already.
  void Show(platform::IProcesses& processes) const;
  void Free() { m_pText.reset(); }

  // The README text (NUL-terminated), or nullptr.
  const char* GetText() const { return m_pText.get(); }
  const std::string& GetPath() const { return m_strPath; }

 private:
  std::unique_ptr<char[]> m_pText;
  std::string m_strPath;
};

// Starts the program that started this setup again.
void StartCaller(const CSetupContext& context);
