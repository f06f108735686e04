// What the steps of the installation run answer, and which components the
// steps that run twice take on each pass.
#pragma once

// What the installation run does with a component.
enum class Action { None = 0, Install = 1, Remove = 2 };

// Which components a delete or program step takes. The values are the
// step's phase numbers: phase 1 takes the components to be installed (their
// "DelFiles" and "Execute" lists), phase 0 those to be removed ("Uninstall"
// and "ExecuteUninstall").
enum class StepPhase { ComponentsToRemove = 0, ComponentsToInstall = 1 };

// The action a component must have for a step of that phase to take it.
constexpr Action ActionOf(StepPhase phase) {
  return phase == StepPhase::ComponentsToInstall ? Action::Install : Action::Remove;
}

// The result of one step of the installation run: it goes on, or it stops
// the run with the number it failed with: 1, the message it showed, a
// program line's result, or what the thunk library answered.
class [[nodiscard]] CStepResult {
 public:
  // Goes on.
  constexpr CStepResult() = default;
  static constexpr CStepResult GoOn() { return {}; }
  // A failure without a number of its own.
  static constexpr CStepResult Stop() { return CStepResult(1); }
  // A number from elsewhere taken as it stands: 0 goes on, any other stops.
  static constexpr CStepResult FromCode(int code) { return CStepResult(code); }

  constexpr bool GoesOn() const { return m_nCode == 0; }
  constexpr bool Stops() const { return m_nCode != 0; }
  constexpr int Code() const { return m_nCode; }

  friend constexpr bool operator==(CStepResult, CStepResult) = default;

 private:
  constexpr explicit CStepResult(int code) : m_nCode(code) {}

  int m_nCode = 0;
};

// A component's answer to its licence agreement; the values are the licence
// dialog's answers.
enum class LicenseAnswer { Accepted = 1, Declined = 2 };
