// A script on a simulated machine, read into the shared sections the
// component model uses, and executors that record what they are handed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/install_app.h"
#include "components/component_executors.h"
#include "components/component_list.h"
#include "platform/registry.h"
#include "script/app_fixture.h"
#include "core/registry_key.h"

namespace components_test {

// The script of components tested on their own, outside any list: nothing
// is read through it and no message goes anywhere.
class NoMessages final : public IMessageSink {
 protected:
  int OnError(const CMessage&) override { return IDOK; }
  int OnQuestion(const CMessage&) override { return IDNO; }
  void OnWarning(const CMessage&) override {}
};
struct LooseScript {
  testing_support::TempMachine machine;  // the context reads its system
  CSetupContext context{machine.Interfaces()};
  NoMessages messages;
  CThunkLibrary thunkLibrary;
  CSetupScript script{context, messages, thunkLibrary};
};

class ScriptOnMachine : public script_test::AppOnMachine {
 public:
  explicit ScriptOnMachine(const std::string& script, sim::OsKind os = sim::OsKind::Win98) : AppOnMachine(os) {
    LoadScript(script);
    ReadShared(App().GetSourceDisksFiles(), "SourceDisksFiles");
    ReadShared(App().GetSourceDisksNames(), "SourceDisksNames");
    ReadShared(App().GetDestinationDirs(), "DestinationDirs");
    Context().SetDestDir("C:\\HALVION");
  }
  CComponentList& List() { return App().GetComponents(); }
  CComponent& Named(const std::string& name) {
    CComponent* c = List().Find(name);
    if (c == nullptr) throw std::runtime_error("no component " + name);
    return *c;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (auto& c : List()) names.push_back(c->m_strName);
    return names;
  }
};

inline void SetMarker(const platform::Platform& platform, const std::string& description, const std::string& value) {
  CRegistryKey key(platform, HKEY_LOCAL_MACHINE);
  ASSERT_NE(key.Create(std::string(kInstalledMarkerRoot) + "\\" + description), 0u);
  ASSERT_EQ(key.WriteString("Installed", value), 0);
}

inline bool MarkerKeyExists(const platform::Platform& platform, const std::string& description) {
  CRegistryKey key(platform, HKEY_LOCAL_MACHINE);
  return key.Open(std::string(kInstalledMarkerRoot) + "\\" + description);
}

inline std::vector<std::string> Labels(const std::vector<CScriptSection>& list) {
  std::vector<std::string> labels;
  for (const CScriptSection& s : list) labels.push_back(s.GetLabel());
  return labels;
}

inline std::vector<std::string> FirstLines(const std::vector<CScriptSection>& list) {
  std::vector<std::string> lines;
  for (const CScriptSection& s : list) lines.push_back(s.GetLine(0));
  return lines;
}

// Records every call as one text; results are given per call kind.
class RecordingExecutors : public IComponentExecutors {
 public:
  void RunRegistrySection(const CScriptSection& section, int mode) override { Record("reg", section, mode); }
  void RunIniSection(const CScriptSection& section, int mode) override { Record("ini", section, mode); }
  void RunProgramGroupSection(const CScriptSection& section, int mode) override { Record("group", section, mode); }
  CStepResult RunProgramSection(const CScriptSection& section, int mode) override {
    Record("run", section, mode);
    return CStepResult::FromCode(section.GetLine(0) == m_failingProgram ? 5 : 0);
  }
  CStepResult InstallDisplayDriver(const CComponent& component, Action action) override {
    calls.push_back("driver " + component.m_strName + " " + std::to_string(static_cast<int>(action)));
    return CStepResult::FromCode(component.m_strName == m_failingDriver ? 7 : 0);
  }
  LicenseAnswer ShowLicense(std::string_view title, std::string_view text) override {
    calls.push_back("license " + std::string(title) + " " + std::string(text));
    const LicenseAnswer answer = m_licenseAnswers.empty() ? LicenseAnswer::Accepted : m_licenseAnswers.front();
    if (!m_licenseAnswers.empty()) m_licenseAnswers.erase(m_licenseAnswers.begin());
    return answer;
  }
  void Step() override { ++steps; }

  std::vector<std::string> calls;
  int steps = 0;
  std::string m_failingProgram;
  std::string m_failingDriver;
  std::vector<LicenseAnswer> m_licenseAnswers;

 private:
  void Record(const char* kind, const CScriptSection& section, int mode) {
    calls.push_back(std::string(kind) + " " + section.GetLine(0) + " " + std::to_string(mode));
  }
};

class RecordingConfirmation : public IDependencyConfirmation {
 public:
  int ConfirmDependency(std::string_view description, int newState,
                        const std::vector<std::string>& affected) override {
    ++asked;
    lastDescription = std::string(description);
    lastState = newState;
    lastAffected = affected;
    return answer;
  }
  int answer = 1;
  int asked = 0;
  std::string lastDescription;
  int lastState = 0;
  std::vector<std::string> lastAffected;
};

}  // namespace components_test
