// The preparation of the merged script before any page shows a choice: the
// main script, the included scripts with their disks renumbered, the shared
// sections, a floppy source, and the component list.
#pragma once

#include <cstdint>

class CSetupSession;
class IHardwareDetection;

// What the first page gives the preparation: its progress bar (0 to 1000)
// and the sheet's buttons.
class IPreparationView {
 public:
  virtual ~IPreparationView() = default;
  virtual void SetProgressPos(int position) = 0;
  virtual void SetProgressStep(int step) = 0;
  virtual void StepProgress() = 0;
  virtual void DisableWizardButtons() = 0;
  virtual void PressCancel() = 0;
};

// A preparation nobody watches (winsim plan, tests).
class CSilentPreparationView final : public IPreparationView {
 public:
  void SetProgressPos(int) override {}
  void SetProgressStep(int) override {}
  void StepProgress() override {}
  void DisableWizardButtons() override {}
  void PressCancel() override {}
};

// Progress positions of the preparation.
constexpr int kPrepareButtonsOff = 25;
constexpr int kPrepareScriptLoaded = 50;
constexpr int kPrepareReadMe = 100;
constexpr int kPrepareReadMeRead = 200;
constexpr int kPrepareIncludesRead = 250;
constexpr int kPrepareMergeSpan = 500;
constexpr int kPrepareComponents = 750;
constexpr int kPrepareDone = 1000;

constexpr std::uint32_t kMainScriptCapacity = 200000;

// Prepares the session's script; -1 (stay on the page) after pressing
// Cancel when an error was reported on the way, otherwise 0. A new attempt
// starts with no last message.
int PrepareScript(CSetupSession& session, IPreparationView& view, IHardwareDetection* detection);
