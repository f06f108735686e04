// An application object on a simulated machine with a script in memory, and
// a record of the message boxes it shows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/install_app.h"
#include "support/temp_machine.h"

namespace script_test {

struct ShownMessage {
  int id = 0;
  std::vector<std::string> inserts;
};

class AppOnMachine {
 public:
  explicit AppOnMachine(sim::OsKind os = sim::OsKind::Win98, const std::string& hardware = std::string())
      : m_machine(os) {
    if (!hardware.empty()) m_machine.SetHardware(hardware);
    m_machine.Platform().SetMessageAnswerer([this](const platform::MessageBoxRequest& request) {
      m_messages.push_back({request.messageId, request.inserts});
      return IDOK;
    });
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), "");
  }

  CInstallApp& App() { return *m_app; }
  const platform::Platform& Interfaces() const { return m_machine.Interfaces(); }
  testing_support::TempMachine& Temp() { return m_machine; }
  const testing_support::TempMachine& Temp() const { return m_machine; }
  CSetupScript& Script() { return m_app->GetSetupScript(); }
  CSetupContext& Context() { return m_app->GetContext(); }
  const std::vector<ShownMessage>& Messages() const { return m_messages; }
  void ClearMessages() { m_messages.clear(); }
  int CountMessages(int id) const {
    int n = 0;
    for (const ShownMessage& m : m_messages) n += m.id == id ? 1 : 0;
    return n;
  }

  // Loads the script text and reads the string sections through the expander.
  void LoadScript(const std::string& text) {
    ASSERT_TRUE(m_app->GetScript().LoadFromMemory(text.data(), text.size()));
    m_app->GetExpander().ReadStringSections();
  }
  // Reads any section of the loaded script through the expander.
  CScriptSection ReadSection(const std::string& name) {
    CScriptSection section;
    section.Read(m_app->GetScript(), name, &m_app->GetExpander());
    return section;
  }
  // Reads one of the shared sections through the expander.
  void ReadShared(CScriptSection& target, const std::string& name) {
    target.Read(m_app->GetScript(), name, &m_app->GetExpander());
  }
  std::string Expand(const std::string& line) { return m_app->GetExpander().Expand(line); }

 private:
  testing_support::TempMachine m_machine;
  std::vector<ShownMessage> m_messages;
  std::unique_ptr<CInstallApp> m_app;
};

}  // namespace script_test
